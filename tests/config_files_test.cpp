// Save, Open, New, Exit and the close request with real files, real file dialogs and the
// unsaved-changes guard, on a stand-in main window with six real drop-down lists.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../app/window_state.h"
#include "config_files.h"
#include "resource.h"
#include "settings_controls.h"
#include "support/ui_automation.h"

namespace {

namespace fs = std::filesystem;

const char GuardText[] = "The current configuration has changed.\nDo you want to save the changes?";
const UINT GuardType = MB_YESNOCANCEL | MB_ICONQUESTION;
const UINT ErrorType = MB_OK | MB_ICONERROR;
const char ReplacePrompt[] = "already exists";  // the Save dialog's own wording around it
const UINT ReplaceType = MB_YESNO | MB_ICONEXCLAMATION;
const char DefaultsShown[] = "9600|8|1|ASCII|None|None";
const int AwayY = 150;  // lists start here, so a layout refresh shows by moving them to y 26

// The main window's part in this subsystem: list changes set the flag, WM_CLOSE goes to the guard.
LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE) {
    NoteSettingChanged();
    return 0;
  }
  if (message == WM_CLOSE) return CloseRequest(window, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

typedef std::vector<uint8_t> Bytes;

// A file of `size` bytes filled with `fill`, holding the six codes (mode, baud, parity, stop, handshake,
// data bits) at 16..21 as far as it reaches.
Bytes FileWith(size_t size, uint8_t fill, const Bytes& codes) {
  Bytes bytes(size, fill);
  for (size_t i = 0; i < codes.size() && 16 + i < size; ++i) bytes[16 + i] = codes[i];
  return bytes;
}

// Exactly what the program writes for these codes.
Bytes SavedFile(const Bytes& codes) {
  Bytes bytes = FileWith(512, 0, codes);
  bytes[505] = 0x4C;
  return bytes;
}

::testing::AssertionResult SameBytes(const Bytes& expected, const Bytes& got) {
  if (expected == got) return ::testing::AssertionSuccess();
  ::testing::AssertionResult result = ::testing::AssertionFailure();
  result << "got " << got.size() << " bytes, expected " << expected.size();
  for (size_t i = 0; i < expected.size() && i < got.size(); ++i)
    if (expected[i] != got[i]) {
      result << "; first difference at offset " << i << ": got " << int(got[i]) << ", expected " << int(expected[i]);
      break;
    }
  return result;
}

class ConfigFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static int made;
    folder = std::string(temp) + "tavrik-files-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made);
    fs::remove_all(folder);
    ASSERT_TRUE(fs::create_directory(folder)) << folder;

    static ATOM standIn;
    if (!standIn) {
      WNDCLASSA windowClass = {};
      windowClass.lpfnWndProc = StandInProc;
      windowClass.hInstance = GetModuleHandleA(nullptr);
      windowClass.lpszClassName = "ConfigFilesStandIn";
      standIn = RegisterClassA(&windowClass);
      ASSERT_TRUE(standIn);
    }
    MainWindow = CreateWindowExA(0, "ConfigFilesStandIn", "stand-in", WS_OVERLAPPEDWINDOW, 0, 0, 640, 260, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(MainWindow);
    for (int s = 0; s < SettingCount; ++s) {
      ListTable[s] = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST,
                                     ListPlaces[s].X, AwayY, ListPlaces[s].Width, 200, MainWindow, nullptr, nullptr,
                                     nullptr);
      ASSERT_TRUE(ListTable[s]);
      for (int i = 0; i < SettingLists[s].ItemCount; ++i)
        SendMessageA(ListTable[s], CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SettingLists[s].Items[i]));
    }
    ShowWindow(MainWindow, SW_SHOW);
    ResetSettingsToDefaults();
    ModifiedFlag = 0;
    CurrentFileName[0] = 0;
    FlushEvents();
  }

  void TearDown() override {
    if (IsWindow(MainWindow)) DestroyWindow(MainWindow);
    MainWindow = nullptr;
    memset(ListTable, 0, sizeof ListTable);
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
      SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(folder, ignored);
  }

  std::string In(const char* name) const { return folder + "\\" + name; }

  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
  }

  static void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  static Bytes ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  static std::string Shown(int setting) {
    char text[32] = "";
    int index = static_cast<int>(SendMessageA(ListTable[setting], CB_GETCURSEL, 0, 0));
    if (index == CB_ERR) return "(none)";
    SendMessageA(ListTable[setting], CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
  }
  static std::string AllShown() {
    std::string all;
    for (int s = 0; s < SettingCount; ++s) all += (s ? "|" : "") + Shown(s);
    return all;
  }
  static std::string StateHex() {
    char text[32];
    snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X", SettingsState.BaudRate, SettingsState.DataBits,
             SettingsState.StopBits, SettingsState.Mode, SettingsState.Parity, SettingsState.Handshake);
    return text;
  }
  // True when every list sits where the layout refresh puts it.
  static bool ListsLaidOut() {
    for (int s = 0; s < SettingCount; ++s) {
      RECT rect;
      GetWindowRect(ListTable[s], &rect);
      MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&rect), 2);
      if (rect.left != ListPlaces[s].X || rect.top != ListPlaces[s].Y) return false;
    }
    return true;
  }
  // Everything a refused or abandoned command must leave as it was.
  static std::string Configuration() {
    return "lists " + AllShown() + ", state " + StateHex() + ", flag " + std::to_string(ModifiedFlag) +
           (ListsLaidOut() ? ", laid out" : ", not laid out");
  }

  // A user's choice by key: the next item of a list, or the one before when the last is selected.
  static void ChangeByKey(int setting) {
    int last = static_cast<int>(SendMessageA(ListTable[setting], CB_GETCOUNT, 0, 0)) - 1;
    PressKey(ListTable[setting], SendMessageA(ListTable[setting], CB_GETCURSEL, 0, 0) == last ? VK_UP : VK_DOWN);
  }

  static UiScript& ProgramBox(UiScript& script, const char* text, UINT type, int answer) {
    return script.Box(text, type, answer, OwnerRule::Window(MainWindow)).Captioned(PROGRAM_TITLE);
  }
  static OwnerRule Main() { return OwnerRule::Window(MainWindow); }

  CurrentDirectoryKeeper directory;  // the dialogs may change it
  std::string folder;
};

// --- What makes the configuration modified -----------------------------------------------------

TEST_F(ConfigFiles, AListChangedByKeySetsTheFlagAndASelectionByProgramDoesNot) {
  for (int s = 0; s < SettingCount; ++s) SendMessageA(ListTable[s], CB_SETCURSEL, 0, 0);
  FlushEvents();
  EXPECT_EQ(0, ModifiedFlag) << "CB_SETCURSEL sends no CBN_SELCHANGE";
  for (int s = 0; s < SettingCount; ++s) {
    ModifiedFlag = 0;
    PressKey(ListTable[s], VK_DOWN);
    EXPECT_EQ(1, ModifiedFlag) << "after VK_DOWN on list " << s;
  }
  EXPECT_EQ("4800|8|2|Ext ASCII|Odd|RTS/CTS", AllShown());
  EXPECT_EQ("02 01 00 00 00 00", StateHex()) << "a user's choice is not collected";
}

// --- Save ------------------------------------------------------------------------------------------

TEST_F(ConfigFiles, SavingTheDefaultsUnderTheOfferedNameWritesTheirBlock) {
  ChangeByKey(BaudRateSetting);
  SendMessageA(ListTable[BaudRateSetting], CB_SETCURSEL, 2, 0);  // back to the default, still modified
  const std::string path = In("Config.TVK");
  UiScript script;
  script.FileDialog("Save File", Main(), path).Offering("Config.TVK").WhileShown([](HWND) {
    EXPECT_STREQ("Config.TVK", CurrentFileName) << "the name offered when there is no current file";
  });
  EXPECT_TRUE(SaveConfigFile());
  EXPECT_TRUE(script.AllShown());
  EXPECT_TRUE(SameBytes(SavedFile({0x00, 0x02, 0x00, 0x00, 0x00, 0x01}), ReadBytes(path)));
  EXPECT_STRCASEEQ(path.c_str(), CurrentFileName);
  EXPECT_EQ(0, ModifiedFlag);
  EXPECT_EQ(std::vector<std::string>{"Config.TVK"}, FolderEntries()) << "nothing else left in the folder";
}

TEST_F(ConfigFiles, SaveWritesTheListsAsTheyWereWhenTheCommandStarted) {
  ApplySettingsToControls(ConfigBlock{{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 5, 2, 1, 1, 0}});
  const std::string path = In("chosen.cfg");
  UiScript script;
  script.FileDialog("Save File", Main(), path).WhileShown([](HWND) {
    SendMessageA(ListTable[ModeSetting], CB_SETCURSEL, 0, 0);
  });
  EXPECT_TRUE(SaveConfigFile());
  EXPECT_TRUE(SameBytes(SavedFile({2, 5, 2, 1, 1, 0}), ReadBytes(path)));
}

TEST_F(ConfigFiles, ACancelledSaveEmptiesTheNameSoTheNextOffersConfigTvk) {
  strcpy(CurrentFileName, In("old.tvk").c_str());
  ChangeByKey(ModeSetting);
  UiScript script;
  script.CancelFileDialog("Save File", Main()).Offering("old.tvk");
  script.CancelFileDialog("Save File", Main()).Offering("Config.TVK");
  EXPECT_FALSE(SaveConfigFile());
  EXPECT_STREQ("", CurrentFileName);
  EXPECT_FALSE(SaveConfigFile());
  EXPECT_STREQ("", CurrentFileName);
  EXPECT_TRUE(script.AllShown());
  EXPECT_EQ(1, ModifiedFlag);
  EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(ConfigFiles, SavingOverA1000ByteFileLeavesItsBlockOf512Bytes) {
  const std::string path = In("long.tvk");
  WriteBytes(path, Bytes(1000, 0xA5));
  UiScript script;
  script.FileDialog("Save File", Main(), path).BoxContaining(ReplacePrompt, ReplaceType, IDYES, OwnerRule::FileDialog());
  EXPECT_TRUE(SaveConfigFile());
  EXPECT_TRUE(SameBytes(SavedFile({0x00, 0x02, 0x00, 0x00, 0x00, 0x01}), ReadBytes(path)));
  EXPECT_EQ(std::vector<std::string>{"long.tvk"}, FolderEntries());
}

TEST_F(ConfigFiles, AReadOnlyTargetIsReportedAndLeftUntouched) {
  const std::string path = In("locked.tvk");
  const Bytes before = FileWith(1000, 0xA5, {1, 1, 1, 1, 1, 1});
  WriteBytes(path, before);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  ChangeByKey(ParitySetting);
  UiScript script;
  script.FileDialog("Save File", Main(), path).BoxContaining(ReplacePrompt, ReplaceType, IDYES, OwnerRule::FileDialog());
  ProgramBox(script, "Error saving the file", ErrorType, IDOK);
  EXPECT_FALSE(SaveConfigFile());
  EXPECT_TRUE(script.AllShown());
  EXPECT_TRUE(SameBytes(before, ReadBytes(path)));
  EXPECT_EQ(1, ModifiedFlag);
  EXPECT_STRCASEEQ(path.c_str(), CurrentFileName) << "the chosen path stays";
  EXPECT_EQ(std::vector<std::string>{"locked.tvk"}, FolderEntries()) << "no temporary file left behind";
}

// --- Open ------------------------------------------------------------------------------------------

struct ReadableFile {
  const char* What;
  Bytes Content;
  const char* Shown;
  const char* State;  // BaudRate DataBits StopBits Mode Parity Handshake
};

TEST_F(ConfigFiles, OpenAppliesTheSixCodesOfAReadableConfiguration) {
  const ReadableFile files[] = {
      {"1000 bytes, other bytes set", FileWith(1000, 0x5A, {2, 4, 1, 1, 1, 0}), "19200|7|2|Key Number|Odd|RTS/CTS",
       "04 00 01 02 01 01"},
      {"512 bytes, 0 at 505", FileWith(512, 0, {1, 5, 2, 0, 0, 1}), "38400|8|1|Ext ASCII|Even|None",
       "05 01 00 01 02 00"},
      {"22 bytes", FileWith(22, 0, {0, 0, 0, 0, 1, 1}), "2400|8|1|ASCII|None|RTS/CTS", "00 01 00 00 00 01"},
  };
  for (const ReadableFile& file : files) {
    SCOPED_TRACE(file.What);
    const std::string path = In("readable.tvk");
    WriteBytes(path, file.Content);
    for (int s = 0; s < SettingCount; ++s) SetWindowPos(ListTable[s], nullptr, ListPlaces[s].X, AwayY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ChangeByKey(StopBitsSetting);
    {
      UiScript script;
      ProgramBox(script, GuardText, GuardType, IDNO);
      script.FileDialog("Open File", Main(), path);
      OpenConfigFile();
    }
    EXPECT_EQ(std::string("lists ") + file.Shown + ", state " + file.State + ", flag 0, laid out", Configuration());
    EXPECT_STRCASEEQ(path.c_str(), CurrentFileName);
  }
}

TEST_F(ConfigFiles, AFileThatIsNoConfigurationIsRefusedAndChangesNothing) {
  const struct {
    const char* What;
    Bytes Content;
  } files[] = {
      {"3 bytes", Bytes{2, 2, 2}},
      {"21 bytes", FileWith(21, 0, {0, 0, 0, 0, 0})},
      {"code 9 at 17", FileWith(512, 0, {0, 9, 0, 0, 0, 0})},
  };
  ChangeByKey(HandshakeSetting);
  const std::string before = Configuration();
  for (const auto& file : files) {
    SCOPED_TRACE(file.What);
    const std::string path = In("refused.tvk");
    WriteBytes(path, file.Content);
    {
      UiScript script;
      ProgramBox(script, GuardText, GuardType, IDNO);
      script.FileDialog("Open File", Main(), path);
      ProgramBox(script, "Invalid configuration file", ErrorType, IDOK);
      OpenConfigFile();
    }
    EXPECT_EQ(before, Configuration());
    EXPECT_STRCASEEQ(path.c_str(), CurrentFileName) << "the chosen path stays";
  }
}

TEST_F(ConfigFiles, AFileThatCannotBeReadIsReportedAndChangesNothing) {
  const std::string path = In("busy.tvk");
  WriteBytes(path, SavedFile({1, 1, 1, 1, 1, 1}));
  HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  const std::string before = Configuration();
  {
    UiScript script;
    script.FileDialog("Open File", Main(), path);
    ProgramBox(script, "Error opening the file", ErrorType, IDOK);
    OpenConfigFile();
  }
  CloseHandle(lock);
  EXPECT_EQ(before, Configuration());
  EXPECT_STRCASEEQ(path.c_str(), CurrentFileName);
}

TEST_F(ConfigFiles, SaveOffersTheOpenedPathAlsoAfterNewUntilASaveIsCancelled) {
  const std::string path = In("kept.tvk");
  WriteBytes(path, SavedFile({1, 1, 1, 1, 1, 1}));
  UiScript script;
  script.FileDialog("Open File", Main(), path);
  OpenConfigFile();
  NewConfiguration();
  EXPECT_EQ(std::string("lists ") + DefaultsShown + ", state 02 01 00 00 00 00, flag 0, laid out", Configuration());
  script.CancelFileDialog("Save File", Main()).Offering("kept.tvk").WhileShown([&path](HWND) {
    EXPECT_STRCASEEQ(path.c_str(), CurrentFileName) << "offered to the Save dialog";
  });
  script.CancelFileDialog("Save File", Main()).Offering("Config.TVK");
  EXPECT_FALSE(SaveConfigFile());
  EXPECT_FALSE(SaveConfigFile());
  EXPECT_TRUE(script.AllShown());
}

// --- The guard before New, Open, Exit and the close request ----------------------------------------

enum Command { NewCommand, OpenCommand, ExitMenu, CloseBox };
enum Reply { NoPrompt, ReplyCancel, ReplyNo, ReplyYesSaveCancelled, ReplyYesSaved };
const char* const CommandNames[] = {"New", "Open", "Exit", "Close"};
const char* const ReplyNames[] = {"Unmodified", "Cancel", "No", "YesSaveCancelled", "YesSaved"};

class Guard : public ConfigFiles, public ::testing::WithParamInterface<std::tuple<Command, Reply>> {};

TEST_P(Guard, AbandonsOrGoesOnAsAnswered) {
  const Command command = std::get<0>(GetParam());
  const Reply reply = std::get<1>(GetParam());
  const std::string previous = In("previous.tvk"), saved = In("saved.tvk");
  strcpy(CurrentFileName, previous.c_str());
  if (reply == NoPrompt)
    SendMessageA(ListTable[ModeSetting], CB_SETCURSEL, 1, 0);
  else
    ChangeByKey(ModeSetting);
  const std::string changed = Configuration();

  const bool proceeds = reply == NoPrompt || reply == ReplyNo || reply == ReplyYesSaved;
  UiScript script;
  const int answers[] = {0, IDCANCEL, IDNO, IDYES, IDYES};
  if (reply != NoPrompt) ProgramBox(script, GuardText, GuardType, answers[reply]);
  if (reply == ReplyYesSaveCancelled) script.CancelFileDialog("Save File", Main()).Offering("previous.tvk");
  if (reply == ReplyYesSaved) script.FileDialog("Save File", Main(), saved);
  if (proceeds && command == OpenCommand) script.CancelFileDialog("Open File", Main());

  const HWND window = MainWindow;
  switch (command) {
    case NewCommand: NewConfiguration(); break;
    case OpenCommand: OpenConfigFile(); break;
    case ExitMenu: ExitCommand(); break;
    case CloseBox: EXPECT_EQ(0, SendMessageA(window, WM_CLOSE, 0, 0)); break;
  }
  EXPECT_TRUE(script.AllShown());

  const bool closes = proceeds && (command == ExitMenu || command == CloseBox);
  EXPECT_EQ(closes, !IsWindow(window)) << "main window destroyed";
  if (!closes) {
    std::string expected = changed;
    if (proceeds && command == NewCommand)
      expected = std::string("lists ") + DefaultsShown + ", state 02 01 00 00 00 00, flag 0, laid out";
    else if (reply == ReplyYesSaved)
      expected = "lists 9600|8|1|Ext ASCII|None|None, state 02 01 00 01 00 00, flag 0, not laid out";
    else if (reply == ReplyYesSaveCancelled)  // Save collects before its dialog
      expected = "lists 9600|8|1|Ext ASCII|None|None, state 02 01 00 01 00 00, flag 1, not laid out";
    EXPECT_EQ(expected, Configuration());
  }
  const std::string name = reply == ReplyYesSaveCancelled ? "" : reply == ReplyYesSaved ? saved : previous;
  EXPECT_STRCASEEQ(name.c_str(), CurrentFileName);
  if (reply == ReplyYesSaved) {
    EXPECT_TRUE(SameBytes(SavedFile({1, 2, 0, 0, 0, 1}), ReadBytes(saved)));
  } else {
    EXPECT_TRUE(FolderEntries().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommandAndAnswer, Guard,
    ::testing::Combine(::testing::Values(NewCommand, OpenCommand, ExitMenu, CloseBox),
                       ::testing::Values(NoPrompt, ReplyCancel, ReplyNo, ReplyYesSaveCancelled, ReplyYesSaved)),
    [](const ::testing::TestParamInfo<std::tuple<Command, Reply>>& info) {
      return std::string(CommandNames[std::get<0>(info.param)]) + ReplyNames[std::get<1>(info.param)];
    });

}  // namespace
