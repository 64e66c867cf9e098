// Save, Open, New, Exit and the close request with real files, real file dialogs and the
// unsaved-changes guard, on a stand-in main window with six real drop-down lists.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "../app/window_state.h"
#include "config_files.h"
#include "resource.h"
#include "settings_controls.h"
#include "support/ui_automation.h"

namespace {

namespace fs = std::filesystem;
typedef std::vector<uint8_t> Bytes;

const char GuardText[] = "The current configuration has changed.\nDo you want to save the changes?";
const UINT GuardType = MB_YESNOCANCEL | MB_ICONQUESTION, ErrorType = MB_OK | MB_ICONERROR;
const char Defaults[] = "lists 9600|8|1|ASCII|None|None, state 02 01 00 00 00 00, flag 0, laid out";
const int AwayY = 150;  // lists start here, so a layout refresh shows by moving them to their places

// The main window's part: list changes set the flag, WM_CLOSE goes to the guard.
LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE) return NoteSettingChanged(), 0;
  if (message == WM_CLOSE) return CloseRequest(window, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

// `size` bytes of `fill` with the six codes (mode, baud, parity, stop, handshake, data bits) at 16..21 as
// far as it reaches; what the program saves is 512 bytes of 0 with the codes and 0x4C at 505.
Bytes FileWith(size_t size, uint8_t fill, const Bytes& codes) {
  Bytes bytes(size, fill);
  for (size_t i = 0; i < codes.size() && 16 + i < size; ++i) bytes[16 + i] = codes[i];
  return bytes;
}
Bytes SavedFile(const Bytes& codes) {
  Bytes bytes = FileWith(512, 0, codes);
  return bytes[505] = 0x4C, bytes;
}

// 16 bytes a line, so that a failed comparison shows the lines that differ.
std::string Dump(const Bytes& bytes) {
  std::string text = std::to_string(bytes.size()) + " bytes";
  char hex[8];
  for (size_t i = 0; i < bytes.size(); ++i, text += hex)
    snprintf(hex, sizeof hex, "%c%02X", i % 16 ? ' ' : '\n', bytes[i]);
  return text;
}

class ConfigFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    static int made;
    folder = (fs::temp_directory_path() / ("tavrik-files-" + std::to_string(GetCurrentProcessId()) + "-" +
                                           std::to_string(++made))).string();
    fs::remove_all(folder);
    ASSERT_TRUE(fs::create_directory(folder)) << folder;
    static WNDCLASSA standIn = {0, StandInProc, 0, 0, GetModuleHandleA(nullptr), 0, 0, 0, 0, "ConfigFilesStandIn"};
    static const ATOM registered = RegisterClassA(&standIn);
    ASSERT_TRUE(registered);
    MainWindow = CreateWindowExA(0, "ConfigFilesStandIn", "stand-in", WS_OVERLAPPEDWINDOW, 0, 0, 640, 260, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(MainWindow);
    for (int s = 0; s < SettingCount; ++s) {
      ListTable[s] = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST,
                                     ListPlaces[s].X, AwayY, ListPlaces[s].Width, 200, MainWindow, 0, 0, 0);
      for (int i = 0; i < SettingLists[s].ItemCount; ++i)
        SendMessageA(ListTable[s], CB_ADDSTRING, 0, LPARAM(SettingLists[s].Items[i]));
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
  std::string Folder() const {  // the file names, sorted, joined by "|"
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    std::string all;
    for (const std::string& name : names) all += (all.empty() ? "" : "|") + name;
    return all;
  }
  static void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  static Bytes ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  // Everything a refused or abandoned command must leave as it was: the lists shown, SettingsState
  // (BaudRate DataBits StopBits Mode Parity Handshake), ModifiedFlag, and whether the layout was refreshed.
  static std::string Configuration() {
    std::string lists;
    bool laidOut = true;
    for (int s = 0; s < SettingCount; ++s) {
      char item[32] = "(none)";
      SendMessageA(ListTable[s], CB_GETLBTEXT, SendMessageA(ListTable[s], CB_GETCURSEL, 0, 0), LPARAM(item));
      lists += (s ? "|" : "") + std::string(item);
      RECT rect;
      GetWindowRect(ListTable[s], &rect);
      MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&rect), 1);
      laidOut = laidOut && rect.left == ListPlaces[s].X && rect.top == ListPlaces[s].Y;
    }
    const SettingCodes& c = SettingsState;
    char rest[80];
    snprintf(rest, sizeof rest, ", state %02X %02X %02X %02X %02X %02X, flag %d, %slaid out", c.BaudRate, c.DataBits,
             c.StopBits, c.Mode, c.Parity, c.Handshake, ModifiedFlag, laidOut ? "" : "not ");
    return "lists " + lists + rest;
  }

  // A user's choice by key: the next item of a list, or the one before when the last is selected.
  static void ChangeByKey(int setting) {
    int last = static_cast<int>(SendMessageA(ListTable[setting], CB_GETCOUNT, 0, 0)) - 1;
    PressKey(ListTable[setting], SendMessageA(ListTable[setting], CB_GETCURSEL, 0, 0) == last ? VK_UP : VK_DOWN);
  }
  static UiScript& ProgramBox(UiScript& script, const char* text, UINT type, int answer) {
    return script.Box(text, type, answer, Main()).Captioned(PROGRAM_TITLE);
  }
  static OwnerRule Main() { return OwnerRule::Window(MainWindow); }

  CurrentDirectoryKeeper directory;  // the dialogs may change it
  std::string folder;
};

TEST_F(ConfigFiles, OnlyAListChangedByKeySetsTheFlag) {
  for (int s = 0; s < SettingCount; ++s) {
    SendMessageA(ListTable[s], CB_SETCURSEL, 0, 0);
    EXPECT_EQ(0, ModifiedFlag) << "CB_SETCURSEL sends no CBN_SELCHANGE, list " << s;
    PressKey(ListTable[s], VK_DOWN);
    EXPECT_EQ(1, ModifiedFlag) << "after VK_DOWN on list " << s;
    ModifiedFlag = 0;
  }
  EXPECT_EQ("lists 4800|8|2|Ext ASCII|Odd|RTS/CTS, state 02 01 00 00 00 00, flag 0, not laid out", Configuration())
      << "a user's choice is not collected";
}

TEST_F(ConfigFiles, SaveWritesTheListsAsTheCommandFoundThemOverAnyFileButAReadOnlyOne) {
  const Bytes before = FileWith(1000, 0xA5, {1, 1, 1, 1, 1, 1});
  const struct { const char *Name, *Offered; bool Exists, ReadOnly; const char* Folder; } cases[] = {
      {"new.cfg", "Config.TVK", false, false, "new.cfg"},
      {"long.tvk", "new.cfg", true, false, "long.tvk|new.cfg"},
      {"locked.tvk", "long.tvk", true, true, "locked.tvk|long.tvk|new.cfg"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = In(c.Name);
    if (c.Exists) WriteBytes(path, before);
    ASSERT_TRUE(!c.ReadOnly || SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    ChangeByKey(ModeSetting);
    ApplySettingsToControls(ConfigBlock{{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 5, 2, 1, 1, 0}});
    UiScript script;
    script.FileDialog("Save File", Main(), path).Offering(c.Offered).WhileShown([](HWND) {
      SendMessageA(ListTable[ModeSetting], CB_SETCURSEL, 0, 0);  // too late to be saved
    });
    if (c.Exists) script.BoxContaining("already exists", MB_YESNO | MB_ICONEXCLAMATION, IDYES, OwnerRule::FileDialog());
    if (c.ReadOnly) ProgramBox(script, "Error saving the file", ErrorType, IDOK);
    EXPECT_EQ(!c.ReadOnly, SaveConfigFile());
    EXPECT_EQ(Dump(c.ReadOnly ? before : SavedFile({2, 5, 2, 1, 1, 0})), Dump(ReadBytes(path)));
    EXPECT_EQ(c.ReadOnly ? 1 : 0, ModifiedFlag);
    EXPECT_STRCASEEQ(path.c_str(), CurrentFileName) << "the chosen path stays";
    EXPECT_EQ(c.Folder, Folder()) << "no temporary file left behind";
  }
  // A cancelled Save forgets the name, so the next one offers Config.TVK.
  UiScript script;
  script.CancelFileDialog("Save File", Main()).Offering("locked.tvk");
  script.CancelFileDialog("Save File", Main()).Offering("Config.TVK");
  EXPECT_FALSE(SaveConfigFile());
  EXPECT_STREQ("", CurrentFileName);
  EXPECT_FALSE(SaveConfigFile());
}

// A readable configuration gets its six codes applied; any other file is refused and changes nothing.
TEST_F(ConfigFiles, OpenAppliesAReadableConfigurationAndRefusesAnyOtherFile) {
  const char* const Invalid = "Invalid configuration file";  // else the file is locked
  const struct { const char* What; Bytes Content; const char *Error, *Opened; } files[] = {
      {"1000 bytes, other bytes set", FileWith(1000, 0x5A, {2, 4, 1, 1, 1, 0}), nullptr,
       "lists 19200|7|2|Key Number|Odd|RTS/CTS, state 04 00 01 02 01 01"},
      {"512 bytes, 0 at 505", FileWith(512, 0, {1, 5, 2, 0, 0, 1}), nullptr,
       "lists 38400|8|1|Ext ASCII|Even|None, state 05 01 00 01 02 00"},
      {"22 bytes", FileWith(22, 0, {0, 0, 0, 0, 1, 1}), nullptr,
       "lists 2400|8|1|ASCII|None|RTS/CTS, state 00 01 00 00 00 01"},
      {"3 bytes", Bytes{2, 2, 2}, Invalid, nullptr},
      {"21 bytes", FileWith(21, 0, {0, 0, 0, 0, 0}), Invalid, nullptr},
      {"code 9 at 17", FileWith(512, 0, {0, 9, 0, 0, 0, 0}), Invalid, nullptr},
      {"opened elsewhere, unshared", SavedFile({1, 1, 1, 1, 1, 1}), "Error opening the file", nullptr},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.What);
    const std::string path = In("chosen.tvk");
    WriteBytes(path, file.Content);
    const bool locked = file.Error && file.Error != Invalid;
    HANDLE lock = locked ? CreateFileA(path.c_str(), GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0) : nullptr;
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    for (int s = 0; s < SettingCount; ++s) SetWindowPos(ListTable[s], 0, ListPlaces[s].X, AwayY, 0, 0, SWP_NOSIZE);
    ChangeByKey(StopBitsSetting);
    const std::string before = Configuration();
    {
      UiScript script;
      ProgramBox(script, GuardText, GuardType, IDNO);
      script.FileDialog("Open File", Main(), path);
      if (file.Error) ProgramBox(script, file.Error, ErrorType, IDOK);
      OpenConfigFile();
    }
    if (lock) CloseHandle(lock);
    EXPECT_EQ(file.Error ? before : file.Opened + std::string(", flag 0, laid out"), Configuration());
    EXPECT_STRCASEEQ(path.c_str(), CurrentFileName) << "the chosen path stays";
  }
}

// The guard before New, Open, Exit and the close request, for every answer.
enum Command { NewCommand, OpenCommand, ExitMenu, CloseBox };
enum Reply { NoPrompt, ReplyCancel, ReplyNo, ReplyYesSaveCancelled, ReplyYesSaved };
const char* const CommandNames[] = {"New", "Open", "Exit", "Close"};
const char* const ReplyNames[] = {"Unmodified", "Cancel", "No", "YesSaveCancelled", "YesSaved"};

class Guard : public ConfigFiles, public ::testing::WithParamInterface<std::tuple<Command, Reply>> {};

TEST_P(Guard, AbandonsOrGoesOnAsAnswered) {
  const auto [command, reply] = GetParam();
  const std::string previous = In("previous.tvk"), saved = In("saved.tvk");
  strcpy(CurrentFileName, previous.c_str());
  if (reply == NoPrompt) SendMessageA(ListTable[ModeSetting], CB_SETCURSEL, 1, 0);
  else ChangeByKey(ModeSetting);
  const std::string changed = Configuration();

  const bool proceeds = reply == NoPrompt || reply == ReplyNo || reply == ReplyYesSaved;
  const int answers[] = {0, IDCANCEL, IDNO, IDYES, IDYES};
  UiScript script;
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

  const bool closes = proceeds && (command == ExitMenu || command == CloseBox);
  EXPECT_EQ(closes, !IsWindow(window)) << "main window destroyed";
  if (!closes) {
    std::string expected = changed;
    if (proceeds && command == NewCommand) expected = Defaults;
    else if (reply == ReplyYesSaved || reply == ReplyYesSaveCancelled)  // Save collects before its dialog
      expected = "lists 9600|8|1|Ext ASCII|None|None, state 02 01 00 01 00 00, flag " +
                 std::string(reply == ReplyYesSaved ? "0" : "1") + ", not laid out";
    EXPECT_EQ(expected, Configuration());
  }
  const std::string name = reply == ReplyYesSaveCancelled ? "" : reply == ReplyYesSaved ? saved : previous;
  EXPECT_STRCASEEQ(name.c_str(), CurrentFileName);
  EXPECT_EQ(reply == ReplyYesSaved ? "saved.tvk" : "", Folder());
  if (reply == ReplyYesSaved) {
    EXPECT_EQ(Dump(SavedFile({1, 2, 0, 0, 0, 1})), Dump(ReadBytes(saved)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommandAndAnswer, Guard,
    ::testing::Combine(::testing::Values(NewCommand, OpenCommand, ExitMenu, CloseBox),
                       ::testing::Values(NoPrompt, ReplyCancel, ReplyNo, ReplyYesSaveCancelled, ReplyYesSaved)),
    [](const auto& info) {
      return std::string(CommandNames[std::get<0>(info.param)]) + ReplyNames[std::get<1>(info.param)];
    });

}  // namespace
