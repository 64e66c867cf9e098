// The window-bound code on the real main window in this process: files and the unsaved-changes
// guard, the device commands with their outcomes, reentrancy, keys and the About box.
#include <gtest/gtest.h>

#include <map>

#include "config_files.h"
#include "resource.h"
#include "settings_controls.h"
#include "startup.h"
#include "support/simulated_device.h"
#include "window_state.h"

using Texts = std::vector<std::string>;

// A modal script answers, in order, the modal windows that the code under test opens on this
// thread, and records what each one was. A message box is recorded as "text [buttons icon]", with
// its caption and lack of owner where they are not the program's title and a window; a progress
// dialog, as it goes, as "caption: last text"; any other dialog by its caption. A window with no
// answer left fails the test and is cancelled; one still open 3 s after the last answer fails the
// test and is destroyed.

// Answers besides the buttons' commands (IDOK, IDYES, IDNO, IDCANCEL).
const int EscapeKey = -1;
const int CloseBox = -2;

struct ModalAnswer {
  ModalAnswer(int button, std::string path = "") : Button(button), Path(path) {}
  int Button;
  std::string Path;  // a file dialog's name, typed in before the answer
};

struct ModalScript {
  ModalScript(const std::vector<ModalAnswer>& answers);
  ~ModalScript();
  std::vector<ModalAnswer> Answers;
  std::vector<std::string> Seen;
  std::vector<HWND> Windows;  // answered, in turn
  DWORD Since = 0;            // when the last answer was given
  HHOOK Hook;
  UINT_PTR Timer;
};

static ModalScript* Running;

static std::string TextOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Wine puts a message box's text in control 0xFFFF and its icon in control 0x440.
static std::string Describe(HWND window) {
  HWND text = GetDlgItem(window, 0xFFFF);
  if (!text) return TextOf(window);
  std::string seen = TextOf(text) + " [";
  for (int id : {IDOK, IDYES, IDNO, IDCANCEL}) {
    HWND button = GetDlgItem(window, id);
    if (GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE) seen += TextOf(button) + " ";
  }
  HICON icon = HICON(SendDlgItemMessageA(window, 0x440, STM_GETICON, 0, 0));
  if (icon == LoadIconA(nullptr, IDI_HAND)) seen += "error ";
  if (icon == LoadIconA(nullptr, IDI_QUESTION)) seen += "question ";
  seen.back() = ']';
  if (TextOf(window) != "TAVRIK-9 Configuration Utility") seen += " captioned " + TextOf(window);
  if (!GetWindow(window, GW_OWNER)) seen += " unowned";
  return seen;
}

// The answer is posted: the window's own modal loop takes it once the window is up.
static void Answer(HWND window) {
  ModalScript& script = *Running;
  script.Seen.push_back(Describe(window));
  size_t turn = script.Windows.size();
  script.Windows.push_back(window);
  SetPropA(window, "answered", window);
  script.Since = GetTickCount();
  ModalAnswer answer(IDCANCEL);  // for a window nobody expected
  if (turn < script.Answers.size()) answer = script.Answers[turn];
  if (!answer.Path.empty()) SetDlgItemTextA(window, 0x47c, answer.Path.c_str());  // the name
  if (answer.Button == EscapeKey) PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
  if (answer.Button == CloseBox) PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (answer.Button > 0) PostMessageA(window, WM_COMMAND, answer.Button, 0);
}

static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  bool dialog = strcmp(name, "#32770") == 0;
  HWND progress = GetDlgItem(window, IDC_PROGRESS_TEXT);
  if (code == HCBT_DESTROYWND && dialog && progress)
    Running->Seen.push_back(TextOf(window) + ": " + TextOf(progress));
  bool fresh = !GetPropA(window, "answered");
  if (code == HCBT_ACTIVATE && dialog && !progress && fresh) Answer(window);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  for (HWND window : Running->Windows) {
    if (!IsWindow(window) || GetTickCount() - Running->Since < 3000) continue;
    ADD_FAILURE() << "left open after its answer: " << Describe(window);
    DestroyWindow(window);
  }
}

ModalScript::ModalScript(const std::vector<ModalAnswer>& answers) : Answers(answers) {
  Running = this;
  Hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
  Timer = SetTimer(nullptr, 0, 100, OnTimer);
}

ModalScript::~ModalScript() {
  KillTimer(nullptr, Timer);
  UnhookWindowsHookEx(Hook);
}

// Handles this thread's messages for ms milliseconds; true when a WM_QUIT came.
static bool FlushEvents(int ms) {
  bool quit = false;
  MSG message;
  DWORD start = GetTickCount();
  while (GetTickCount() - start < DWORD(ms)) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      quit |= message.message == WM_QUIT;
      DispatchMessageA(&message);
    }
    Sleep(1);
  }
  return quit;
}

// A key's WM_KEYDOWN and WM_KEYUP sent straight to a window: no accelerators, no keyboard state.
static void PressKey(HWND window, UINT key) {
  SendMessageA(window, WM_KEYDOWN, key, 1);
  SendMessageA(window, WM_KEYUP, key, 0xC0000001);
}

// The program's windows as the modal script records them.
const std::string Guard =
    "The current configuration has changed.\nDo you want to save the changes? "
    "[&Yes &No Cancel question]";
const std::string Saved = "The configuration was successfully saved to the TAVRIK-9 [OK]";
const std::string WriteError = "Error while writing to the TAVRIK-9 [OK error]";
const std::string ReadOk = "The configuration was successfully read from the TAVRIK-9 [OK]";
const std::string ReadError = "Error while reading from the TAVRIK-9 [OK error]";
const std::string NotFound = "The TAVRIK-9 was not found [OK error]";
const std::string Invalid = "Invalid configuration [OK error]";
const std::string InvalidFile = "Invalid configuration file [OK error]";
const std::string SaveError = "Error saving the file [OK error]";
const std::string Writing = "Writing TAVRIKX: Writing configuration - 100%\nWriting data - 100%";
const std::string Reading = "Reading TAVRIKX: Reading configuration - 100%\nReading data - 100%";
const std::string ReadTo59 = "Reading TAVRIKX: Reading configuration - 100%\nReading data - 59%";
const std::string NoWriting = "Writing TAVRIKX: Initializing...";
const std::string Replace =
    "File already exists.\nDo you want to replace it? [&Yes &No] captioned Save File";

// The selected items of the first lists, and * while changes are unsaved.
static std::string Shown(int lists = 6) {
  std::string shown = TextOf(ListTable[0]);
  for (int i = 1; i < lists; ++i) shown += "|" + TextOf(ListTable[i]);
  return shown + (ModifiedFlag ? "*" : "");
}

// A control by the name a person gives it: a list by its label, a button by its text.
static std::string NameOf(HWND window) {
  for (int i = 0; i < 6; ++i)
    if (window == ListTable[i]) window = SettingLabels[i];
  if (window == MainWindow) return "window";
  return window ? TextOf(window) : "no window";
}

// A command as a person gives it: by the menu, the close box, or Enter on a device button.
static void Give(const std::string& command) {
  std::map<std::string, int> menu = {
      {"New", IDM_NEW},
      {"Open", IDM_OPEN},
      {"Exit", IDM_EXIT},
      {"About", IDM_ABOUT},
  };
  if (menu.count(command)) SendMessageA(MainWindow, WM_COMMAND, menu.at(command), 0);
  if (command == "close box") SendMessageA(MainWindow, WM_CLOSE, 0, 0);
  if (command == "Save To") PressKey(SaveToButton, VK_RETURN);
  if (command == "Read From") PressKey(ReadFromButton, VK_RETURN);
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

// Where each list and button stands in the client area, and where Tab, Shift+Tab and Up lead from
// it and from the window itself.
TEST_F(MainWindowTest, ControlsStandInTheirPlacesAndTheKeysLeadOn) {
  std::vector<HWND> controls(ListTable, ListTable + 6);
  controls.insert(controls.end(), {SaveToButton, ReadFromButton, MainWindow});
  std::string moves;
  for (HWND from : controls) {
    POINT place = {};
    MapWindowPoints(from, MainWindow, &place, 1);
    moves += NameOf(from) + " at " + std::to_string(place.x) + "," + std::to_string(place.y) + ":";
    for (std::string key : {"Tab", "Shift+Tab", "Up"}) {
      BYTE keys[256] = {};
      keys[VK_SHIFT] = key == "Shift+Tab" ? 0x80 : 0;
      SetKeyboardState(keys);
      SetFocus(from);
      PressKey(from, key == "Up" ? VK_UP : VK_TAB);
      moves += " " + key + " " + NameOf(GetFocus()) + ";";
    }
    moves += "\n";
  }
  EXPECT_EQ(
      "Baud Rate at 126,26: Tab Number of Bits; Shift+Tab no window; Up Baud Rate;\n"
      "Number of Bits at 235,26: Tab Stop Bits; Shift+Tab Baud Rate; Up Number of Bits;\n"
      "Stop Bits at 435,26: Tab Mode; Shift+Tab Number of Bits; Up Stop Bits;\n"
      "Mode at 10,26: Tab Save To TAVRIK-9; Shift+Tab Stop Bits; Up Mode;\n"
      "Parity at 335,26: Tab Save To TAVRIK-9; Shift+Tab no window; Up Parity;\n"
      "HandShaking at 530,26: Tab Save To TAVRIK-9; Shift+Tab no window; Up HandShaking;\n"
      "Save To TAVRIK-9 at 128,120: Tab Read From TAVRIK-9; Shift+Tab Mode; Up Save To TAVRIK-9;\n"
      "Read From TAVRIK-9 at 387,120: Tab Baud Rate; Shift+Tab Save To TAVRIK-9;"
      " Up Save To TAVRIK-9;\n"
      "window at 0,0: Tab Baud Rate; Shift+Tab Baud Rate; Up window;\n",
      moves);
}

// A save writes the 512 bytes of the configuration shown, over an old file too, and leaves nothing
// else in the folder: where the folder leaves no room for a temporary file the target is written
// in place. A path too long for Windows, a read-only file and one that another program holds open
// are refused and change nothing.
TEST_F(MainWindowTest, SavingWritesTheFileAndNothingElse) {
  std::vector<uint8_t> saved(512);
  saved[17] = 3;  // 14400
  saved[21] = 1;  // 8 data bits
  saved[505] = 0x4C;
  std::vector<uint8_t> old(1000, 0x33);
  const struct {
    size_t FolderLength;  // with the last backslash; the file is y.TVK
    std::string Before;   // the file there before: "none", "old", "read-only" or "in use"
    bool Saved;
  } rows[] = {
      {240, "old", true},         // through a temporary file beside it, up to 246
      {240, "read-only", false},  // refused before anything is written
      {240, "in use", false},     // open elsewhere, so it cannot be replaced
      {247, "old", true},         // written in place
      {249, "none", true},        // written in place
      {254, "old", true},         // the longest folder with room for y.TVK
      {255, "none", false},       // a path of 260 characters
      {258, "none", false},       // a path of 263 characters
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.FolderLength);
    std::string folder = File + "-";
    folder.resize(row.FolderLength - 1, 'x');
    folder += "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string path = folder + "y.TVK";
    if (row.Before != "none") WriteFileBytes(path, old);
    if (row.Before == "read-only") SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE user = INVALID_HANDLE_VALUE;  // another program, that lets it be read and written
    if (row.Before == "in use")
      user =
          CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0);
    PressKey(ListTable[0], VK_DOWN);  // 9600 to 14400
    ModalScript script({{IDOK, path}, {IDYES}, {IDOK}});
    EXPECT_EQ(row.Saved, SaveConfigFile());
    Texts seen = {"Save File"};
    if (row.Before != "none") seen.push_back(Replace);
    if (!row.Saved) seen.push_back(SaveError);
    EXPECT_EQ(seen, script.Seen);
    std::vector<uint8_t> expected = row.Saved ? saved : old;
    if (!row.Saved && row.Before == "none") expected.clear();
    EXPECT_EQ(expected, FileBytes(path));
    EXPECT_EQ(row.Saved ? "14400" : "14400*", Shown(1));
    CloseHandle(user);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    SetCurrentDirectoryA("C:\\");  // the file dialog made the folder the current one
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << "a file besides y.TVK was left";
    PressKey(ListTable[0], VK_UP);
  }
}

// Open shows each code in its own list; a short file and a code that names no item change nothing.
TEST_F(MainWindowTest, OpenShowsEachCodeInItsListAndRefusesWhatItCannotUse) {
  const struct {
    size_t Size;
    int Offset;  // where Code replaces the file's own code
    uint8_t Code;
    std::string Message;
    const char* Shown;
  } files[] = {
      {512, 16, 1, "", "38400|8|2|Ext ASCII|Even|None"},
      {21, 16, 1, InvalidFile, "4800|8|1|ASCII|None|None*"},
      {512, 17, 6, InvalidFile, "4800|8|1|ASCII|None|None*"},
      {512, 21, 2, InvalidFile, "4800|8|1|ASCII|None|None*"},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(&file - files);
    std::vector<uint8_t> bytes(512);
    memcpy(&bytes[16], "\0\5\2\1\0\1", 6);  // ASCII, 38400, Even, 2, None, 8
    bytes[file.Offset] = file.Code;
    bytes.resize(file.Size);
    WriteFileBytes(File, bytes);
    PressKey(ListTable[0], VK_UP);  // 9600 to 4800
    ModalScript script({{IDNO}, {IDOK, File}, {IDOK}});
    Give("Open");
    Texts seen = {Guard, "Open File"};
    if (!file.Message.empty()) seen.push_back(file.Message);
    EXPECT_EQ(seen, script.Seen);
    EXPECT_EQ(file.Shown, Shown());
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
    std::string Device;  // an order for the simulated device, or "unknown codes" in its cells
    bool Changed;        // Baud Rate was changed first, from 9600 to 14400
    std::vector<ModalAnswer> Answers;
    Texts Seen;
    std::string Baud;  // Baud Rate afterwards, * while changes are unsaved
  } rows[] = {
      {"New", "", true, {IDCANCEL}, {Guard}, "14400*"},
      {"Open", "", true, {IDYES, IDCANCEL}, {Guard, "Save File"}, "14400*"},
      {"Open", "", true, {IDNO, IDCANCEL}, {Guard, "Open File"}, "14400*"},
      {"Exit", "", true, {IDNO}, {Guard}, "closed"},
      {"close box", "", true, {IDCANCEL}, {Guard}, "14400*"},
      {"close box", "", true, {IDYES, {IDOK, File}}, {Guard, "Save File"}, "closed"},
      {"Read From", "", true, {IDCANCEL}, {Guard}, "14400*"},
      {"Read From", "", true, {IDNO, IDOK}, {Guard, Reading, ReadOk}, "38400"},
      {"Read From", "FAIL_AT=20", false, {IDOK}, {ReadTo59, ReadError}, "9600"},
      {"Read From", "unknown codes", true, {IDNO, IDOK}, {Guard, Reading, Invalid}, "14400*"},
      {"Save To", "", true, {IDOK}, {Writing, Saved}, "14400*"},
      {"Save To", "FAIL_AT=20", true, {IDOK}, {Writing, WriteError}, "14400*"},
      {"Save To", "MEMORY=/no/such/folder/memory", false, {IDOK}, {NoWriting, NotFound}, "9600"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    SimulatedDevice device;
    std::vector<uint8_t> memory(65536);
    memcpy(&memory[16], "\2\5\1\1\1\0", 6);  // Key Number, 38400, Odd, 2, RTS/CTS, 7
    if (row.Device == "unknown codes") memory[17] = 6;
    WriteFileBytes(device.MemoryPath, memory);
    device.Order("RESULT=7");
    device.Order(row.Device);  // does nothing for "" and "unknown codes"
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
  ModalScript script({{IDOK}, {IDNO}, {IDOK}});
  // Clicks on the buttons as the main window hears of them, queued.
  PostMessageA(MainWindow, WM_COMMAND, BN_CLICKED << 16, LPARAM(SaveToButton));
  PostMessageA(MainWindow, WM_COMMAND, BN_CLICKED << 16, LPARAM(ReadFromButton));
  PostMessageA(MainWindow, WM_COMMAND, IDM_OPEN, 0);
  PostMessageA(MainWindow, WM_CLOSE, 0, 0);
  Give("Save To");
  EXPECT_EQ(43, Device.Log().size()) << "one connection: an open, 41 exchanges and a close";
  EXPECT_TRUE(FlushEvents(300)) << "the close that waited for the outcome";
  SetUp();
  PressKey(ListTable[0], VK_DOWN);
  PostMessageA(MainWindow, WM_COMMAND, BN_CLICKED << 16, LPARAM(ReadFromButton));
  PostMessageA(MainWindow, WM_COMMAND, IDM_EXIT, 0);
  EXPECT_TRUE(FlushEvents(1500)) << "the Exit that waited for Read From";
  EXPECT_EQ((Texts{Writing, Saved, Guard, Reading, ReadOk}), script.Seen);
}

TEST_F(MainWindowTest, TheAboutBoxClosesByEscapeAndItsCloseBox) {
  for (int answer : {EscapeKey, CloseBox}) {
    ModalScript script({answer});
    Give("About");
    EXPECT_EQ(Texts{"About TAVRIK-9"}, script.Seen) << answer;
  }
}
