// The window-bound code on the real main window in this process: files and the unsaved-changes
// guard, the device commands with their outcomes, reentrancy, keys, the controls and the About box.
#include <gtest/gtest.h>

#include "config_files.h"
#include "resource.h"
#include "settings_controls.h"
#include "startup.h"
#include "support/modal_script.h"
#include "support/simulated_device.h"
#include "window_state.h"

using Texts = std::vector<std::string>;

// The windows of the program as the modal script records them.
const std::string Guard =
    "The current configuration has changed.\nDo you want to save the changes? [YES NO CANCEL "
    "question]";
const std::string Saved = "The configuration was successfully saved to the TAVRIK-9 [OK]";
const std::string WriteError = "Error while writing to the TAVRIK-9 [OK error]";
const std::string ReadOk = "The configuration was successfully read from the TAVRIK-9 [OK]";
const std::string ReadError = "Error while reading from the TAVRIK-9 [OK error]";
const std::string NotFound = "The TAVRIK-9 was not found [OK error]";
const std::string InvalidRead = "Invalid configuration [OK error]";
const std::string InvalidFile = "Invalid configuration file [OK error]";
const std::string SaveError = "Error saving the file [OK error]";
const std::string OpenError = "Error opening the file [OK error]";
const std::string Writing = "Writing TAVRIKX: Writing configuration - 100%\nWriting data - 100%";
const std::string Reading = "Reading TAVRIKX: Reading configuration - 100%\nReading data - 100%";
const std::string ReadingTo59 = "Reading TAVRIKX: Reading configuration - 100%\nReading data - 59%";
const std::string NoWriting = "Writing TAVRIKX: Initializing...";
const std::string Replace =
    "File already exists.\nDo you want to replace it? [YES NO] captioned Save File";

// The selected items of the first lists, and * while changes are unsaved.
static std::string Shown(int lists = 6) {
  std::string shown;
  for (int i = 0; i < lists; ++i) {
    char text[64] = "";
    SendMessageA(ListTable[i], CB_GETLBTEXT, SendMessageA(ListTable[i], CB_GETCURSEL, 0, 0),
                 LPARAM(text));
    shown += (i ? "|" : "") + std::string(text);
  }
  return shown + (ModifiedFlag ? "*" : "");
}

// A control as a person sees it: its text, a list's items, its place in the client area.
static std::string Described(HWND control) {
  char text[64] = "";
  GetWindowTextA(control, text, sizeof text);
  std::string seen = text;
  for (int i = 0; i < SendMessageA(control, CB_GETCOUNT, 0, 0); ++i) {
    SendMessageA(control, CB_GETLBTEXT, i, LPARAM(text));
    seen += (i ? "|" : " in ") + std::string(text);
  }
  RECT place;
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&place), 1);
  seen += " at " + std::to_string(place.left) + "," + std::to_string(place.top);
  return seen + (IsWindowVisible(control) ? "\n" : " hidden\n");
}

// A command as a person gives it: by the menu, the close box, or Enter on a device button.
static void Give(const std::string& command) {
  if (command == "New") SendMessageA(MainWindow, WM_COMMAND, IDM_NEW, 0);
  if (command == "Open") SendMessageA(MainWindow, WM_COMMAND, IDM_OPEN, 0);
  if (command == "Save") SendMessageA(MainWindow, WM_COMMAND, IDM_SAVE, 0);
  if (command == "Exit") SendMessageA(MainWindow, WM_COMMAND, IDM_EXIT, 0);
  if (command == "About") SendMessageA(MainWindow, WM_COMMAND, IDM_ABOUT, 0);
  if (command == "close box") SendMessageA(MainWindow, WM_CLOSE, 0, 0);
  if (command == "Save To") PressKey(SaveToButton, VK_RETURN);
  if (command == "Read From") PressKey(ReadFromButton, VK_RETURN);
}

// A click on a button as the main window hears of it, queued.
static void PostClick(HWND button) {
  PostMessageA(MainWindow, WM_COMMAND, BN_CLICKED << 16, LPARAM(button));
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateMainWindow(GetModuleHandleA(nullptr), nullptr);
    ShowWindow(MainWindow, SW_SHOW);
  }
  void TearDown() override {
    ModifiedFlag = 0;
    CurrentFileName[0] = 0;
    DestroyWindow(MainWindow);
    DeleteObject(ControlFont);
    remove(File.c_str());
    FlushEvents(30);  // takes the WM_QUIT
  }
  SimulatedDevice Device;
  std::string File = Device.MemoryPath + ".tvk";
};

TEST_F(MainWindowTest, ControlsStandAtTheirPlacesWithTheirTextsAndItemsInOrder) {
  std::string all;
  for (int i = 0; i < 6; ++i) all += Described(SettingLabels[i]) + Described(ListTable[i]);
  all += Described(SaveToButton) + Described(ReadFromButton);
  EXPECT_EQ(
      "Baud Rate at 111,8\n"
      "9600 in 2400|4800|9600|14400|19200|38400 at 126,26\n"
      "Number of Bits at 218,8\n"
      "8 in 7|8 at 235,26\n"
      "Stop Bits at 418,8\n"
      "1 in 1|2 at 435,26\n"
      "Mode at 5,8\n"
      "ASCII in ASCII|Ext ASCII|Key Number at 10,26\n"
      "Parity at 318,8\n"
      "None in None|Odd|Even at 335,26\n"
      "HandShaking at 518,8\n"
      "None in None|RTS/CTS at 530,26\n"
      "Save To TAVRIK-9 at 128,120\n"
      "Read From TAVRIK-9 at 387,120\n",
      all);
}

static std::wstring LongPath(const std::string& path) {
  return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

// The test's own folder, in the temporary folder, with its last backslash.
static std::string TestFolder() {
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  return folder + std::string("tavrik-") + std::to_string(GetCurrentProcessId()) + "\\";
}

// A new folder inside the test's own whose path, with its last backslash, is length characters.
static std::string FolderOfLength(size_t length) {
  std::string folder = TestFolder();
  CreateDirectoryA(folder.c_str(), nullptr);
  while (folder.size() < length) {
    size_t left = length - folder.size();
    folder += std::string(left <= 101 ? left - 1 : 90, 'x') + "\\";
    CreateDirectoryW(LongPath(folder).c_str(), nullptr);
  }
  return folder;
}

// Deletes a folder made by FolderOfLength, and the file y.TVK in it.
static void RemoveFolder(std::string folder) {
  DeleteFileW(LongPath(folder + "y.TVK").c_str());
  while (folder.size() >= TestFolder().size()) {
    RemoveDirectoryW(LongPath(folder).c_str());
    folder.erase(folder.rfind('\\', folder.size() - 2) + 1);
  }
}

// The names of the files in a folder.
static std::string Listing(const std::string& folder) {
  std::string listing;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  bool more = search != INVALID_HANDLE_VALUE;
  while (more) {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) listing += found.cFileName;
    more = FindNextFileA(search, &found);
  }
  FindClose(search);
  return listing;
}

// A save writes the 512 bytes of the configuration shown, over an old file too, and leaves nothing
// else in the folder: where the folder leaves no room for a temporary file the target is written
// in place. A path too long for Windows, and a read-only file, are refused and change nothing.
TEST_F(MainWindowTest, SavingWritesTheFileAndNothingElse) {
  std::vector<uint8_t> saved(512, 0);
  saved[17] = 3;  // 14400
  saved[21] = 1;  // 8 data bits
  saved[505] = 0x4C;
  const std::vector<uint8_t> old(1000, 0x33);
  const struct {
    size_t FolderLength;  // with the last backslash; the file is y.TVK
    std::string Before;   // the file there before: "none", "old" or "read-only"
    bool Saved;
  } rows[] = {
      {240, "old", true},  {240, "read-only", false}, {246, "old", true},   {247, "none", true},
      {249, "none", true}, {254, "old", true},        {255, "none", false}, {258, "none", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.FolderLength) + ", " + row.Before);
    std::string folder = FolderOfLength(row.FolderLength);
    std::string path = folder + "y.TVK";
    if (row.Before != "none") WriteFileBytes(path, old);
    if (row.Before == "read-only") SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    PressKey(ListTable[0], VK_DOWN);  // 9600 to 14400
    ModalScript script{{IDOK, path}, {IDYES}, {IDOK}};
    EXPECT_EQ(row.Saved, SaveConfigFile());
    Texts seen = {"Save File"};
    if (row.Before != "none") seen.push_back(Replace);
    if (!row.Saved) seen.push_back(SaveError);
    EXPECT_EQ(seen, script.Seen);
    std::vector<uint8_t> kept = row.Before == "none" ? std::vector<uint8_t>() : old;
    EXPECT_EQ(row.Saved ? saved : kept, FileBytes(path));
    EXPECT_EQ(row.Saved || row.Before != "none" ? "y.TVK" : "", Listing(folder));
    EXPECT_EQ(row.Saved ? "14400" : "14400*", Shown(1));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveFolder(folder);
    PressKey(ListTable[0], VK_UP);
  }
}

// Open shows each code in its own list and takes the first 512 bytes of a longer file; a short
// file, a code that names no item and a file that cannot be read change nothing.
TEST_F(MainWindowTest, OpenShowsEachCodeInItsListAndRefusesWhatItCannotUse) {
  const struct {
    size_t Size;
    int Offset;  // where Code replaces the file's own code
    uint8_t Code;
    bool Locked;  // by another program, so that it cannot be read
    std::string Message;
    const char* Shown;
  } files[] = {
      {512, 16, 1, false, "", "38400|8|2|Ext ASCII|Even|None"},
      {1000, 16, 2, false, "", "38400|8|2|Key Number|Even|None"},
      {21, 16, 1, false, InvalidFile, "4800|8|1|ASCII|None|None*"},
      {512, 17, 6, false, InvalidFile, "4800|8|1|ASCII|None|None*"},
      {512, 21, 2, false, InvalidFile, "4800|8|1|ASCII|None|None*"},
      {512, 16, 1, true, OpenError, "4800|8|1|ASCII|None|None*"},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(std::to_string(file.Size) + " bytes, " + std::to_string(file.Code) + " at " +
                 std::to_string(file.Offset));
    std::vector<uint8_t> bytes(file.Size + 1, 0);
    bytes[17] = 5;  // 38400
    bytes[18] = 2;  // Even
    bytes[19] = 1;  // 2 stop bits
    bytes[21] = 1;  // 8 data bits
    bytes[file.Offset] = file.Code;
    bytes.resize(file.Size);
    WriteFileBytes(File, bytes);
    HANDLE lock = CreateFileA(File.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (!file.Locked) CloseHandle(lock);
    PressKey(ListTable[0], VK_UP);  // 9600 to 4800
    ModalScript script{{IDNO}, {IDOK, File}, {IDOK}};
    Give("Open");
    Texts seen = {Guard, "Open File"};
    if (!file.Message.empty()) seen.push_back(file.Message);
    EXPECT_EQ(seen, script.Seen);
    EXPECT_EQ(file.Shown, Shown());
    if (file.Locked) CloseHandle(lock);
    ModifiedFlag = 0;
    Give("New");
  }
}

// Each command that discards the window's configuration asks first when it was changed: Yes saves
// (a cancelled save abandons the command), No goes on, Cancel abandons. Save To and Read From
// report each outcome, whatever the library returns (here 7), after their progress. A failed or
// refused read changes no list; Save To keeps the changes unsaved, Read From ends that unless it
// refused what it read.
TEST_F(MainWindowTest, EveryCommandAsksWhereItMustAndReportsItsOutcome) {
  const struct {
    const char* Command;
    const char* Device;  // an order for the simulated device, or "codes no list has"
    bool Changed;        // Baud Rate was changed first, from 9600 to 14400
    std::vector<ModalAnswer> Answers;
    Texts Seen;
    std::string Baud;  // Baud Rate afterwards, * while changes are unsaved
  } rows[] = {
      {"New", "", true, {IDCANCEL}, {Guard}, "14400*"},
      {"New", "", true, {IDNO}, {Guard}, "9600"},
      {"Open", "", true, {IDYES, IDCANCEL}, {Guard, "Save File"}, "14400*"},
      {"Open", "", true, {IDNO, IDCANCEL}, {Guard, "Open File"}, "14400*"},
      {"Exit", "", true, {IDYES, IDCANCEL}, {Guard, "Save File"}, "14400*"},
      {"Exit", "", true, {IDNO}, {Guard}, "closed"},
      {"close box", "", true, {IDCANCEL}, {Guard}, "14400*"},
      {"close box", "", true, {IDYES, {IDOK, File}}, {Guard, "Save File"}, "closed"},
      {"close box", "", false, {}, {}, "closed"},
      {"Read From", "", true, {IDCANCEL}, {Guard}, "14400*"},
      {"Read From", "", true, {IDNO, IDOK}, {Guard, Reading, ReadOk}, "38400"},
      {"Read From", "FAIL_AT=20", false, {IDOK}, {ReadingTo59, ReadError}, "9600"},
      {"Read From",
       "codes no list has",
       true,
       {IDNO, IDOK},
       {Guard, Reading, InvalidRead},
       "14400*"},
      {"Save To", "", true, {IDOK}, {Writing, Saved}, "14400*"},
      {"Save To", "FAIL_AT=20", true, {IDOK}, {Writing, WriteError}, "14400*"},
      {"Save To", "ABSENT=1", false, {IDOK}, {NoWriting, NotFound}, "9600"},
      {"Save To", "MEMORY=/no/such/folder/memory", false, {IDOK}, {NoWriting, NotFound}, "9600"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.Command) + ", " + row.Device);
    SimulatedDevice device;
    device.SetCells(16, {2, 5, 1, 1, 1, 0});  // Key Number, 38400, Odd, 2, RTS/CTS, 7
    device.Order("RESULT=7");
    std::string order = row.Device;
    if (order == "codes no list has") {
      device.SetCells(17, {6});
    } else if (!order.empty()) {
      device.Order(order);
    }
    if (row.Changed) PressKey(ListTable[0], VK_DOWN);
    ModalScript script(row.Answers);
    Give(row.Command);
    EXPECT_EQ(row.Seen, script.Seen);
    EXPECT_EQ(row.Baud, IsWindow(MainWindow) ? Shown(1) : "closed");
    TearDown();
    SetUp();
  }
}

// Commands that arrive while a transfer pumps messages start no second transfer or connection,
// and a close waits for the outcome; an Exit queued behind Read From does not run inside its
// question.
TEST_F(MainWindowTest, DuringATransferNothingElseStartsAndClosingWaitsForTheEnd) {
  Device.Order("DELAY_MS=2");
  ModalScript script{{IDOK}, {IDNO}, {IDOK}};
  PostClick(SaveToButton);
  PostClick(ReadFromButton);
  PostMessageA(MainWindow, WM_COMMAND, IDM_OPEN, 0);
  PostMessageA(MainWindow, WM_CLOSE, 0, 0);
  Give("Save To");
  EXPECT_EQ(43, Device.Log().size()) << "one connection: an open, 41 exchanges and a close";
  EXPECT_TRUE(IsWindow(MainWindow)) << "closed before the outcome was shown";
  EXPECT_TRUE(FlushEvents(300));
  EXPECT_FALSE(IsWindow(MainWindow));
  SetUp();
  PressKey(ListTable[0], VK_DOWN);
  PostClick(ReadFromButton);
  PostMessageA(MainWindow, WM_COMMAND, IDM_EXIT, 0);
  EXPECT_TRUE(FlushEvents(1500));
  EXPECT_FALSE(IsWindow(MainWindow));
  EXPECT_EQ((Texts{Writing, Saved, Guard, Reading, ReadOk}), script.Seen);
}

// Controls by the names a person gives them: the lists by their labels.
static HWND Named(const std::string& name) {
  const char* lists[] = {"Baud Rate", "Number of Bits", "Stop Bits",
                         "Mode",      "Parity",         "HandShaking"};
  for (int i = 0; i < 6; ++i) {
    if (name == lists[i]) return ListTable[i];
  }
  if (name == "Save To") return SaveToButton;
  if (name == "Read From") return ReadFromButton;
  if (name == "window") return MainWindow;
  return nullptr;
}

TEST_F(MainWindowTest, TabShiftTabAndUpMoveTheFocusByTheTable) {
  const struct {
    const char* From;
    const char* Key;
    const char* To;
  } moves[] = {
      {"Baud Rate", "Tab", "Number of Bits"},
      {"Number of Bits", "Tab", "Stop Bits"},
      {"Stop Bits", "Tab", "Mode"},
      {"Mode", "Tab", "Save To"},
      {"Parity", "Tab", "Save To"},
      {"HandShaking", "Tab", "Save To"},
      {"Baud Rate", "Shift+Tab", "no window"},
      {"Number of Bits", "Shift+Tab", "Baud Rate"},
      {"Stop Bits", "Shift+Tab", "Number of Bits"},
      {"Mode", "Shift+Tab", "Stop Bits"},
      {"Parity", "Shift+Tab", "no window"},
      {"HandShaking", "Shift+Tab", "no window"},
      {"window", "Tab", "Baud Rate"},
      {"window", "Shift+Tab", "Baud Rate"},
      {"Save To", "Tab", "Read From"},
      {"Read From", "Tab", "Baud Rate"},
      {"Read From", "Up", "Save To"},
      {"Save To", "Up", "Save To"},
  };
  for (const auto& move : moves) {
    std::string key = move.Key;
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = key == "Shift+Tab" ? 0x80 : 0;
    SetKeyboardState(keys);
    SetFocus(Named(move.From));
    PressKey(Named(move.From), key == "Up" ? VK_UP : VK_TAB);
    EXPECT_EQ(Named(move.To), GetFocus()) << move.From << ", " << key << ": " << move.To;
  }
}

TEST_F(MainWindowTest, TheAboutBoxClosesByItsButtonEscapeAndItsCloseBox) {
  for (int answer : {IDOK, EscapeKey, CloseBox}) {
    ModalScript script{{answer}};
    Give("About");
    EXPECT_EQ(Texts{"About TAVRIK-9"}, script.Seen) << answer;
  }
}
