// The window-bound code on the real main window in this process: the controls, files and the
// unsaved-changes guard, the device commands with their outcomes, reentrancy, keys, the About box.
#include <gtest/gtest.h>

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
  ModalScript(std::initializer_list<ModalAnswer> answers) : ModalScript(std::vector(answers)) {}
  explicit ModalScript(const std::vector<ModalAnswer>& answers);
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
  const char* names[] = {"", "OK ", "CANCEL ", "", "", "", "YES ", "NO "};  // by button id
  for (int id : {IDOK, IDYES, IDNO, IDCANCEL})
    if (GetWindowLongA(GetDlgItem(window, id), GWL_STYLE) & WS_VISIBLE) seen += names[id];
  LRESULT icon = SendDlgItemMessageA(window, 0x440, STM_GETICON, 0, 0);
  if (icon == LRESULT(LoadIconA(nullptr, IDI_HAND))) seen += "error ";
  if (icon == LRESULT(LoadIconA(nullptr, IDI_QUESTION))) seen += "question ";
  seen.back() = ']';
  if (TextOf(window) != "TAVRIK-9 Configuration Utility") seen += " captioned " + TextOf(window);
  if (!GetWindow(window, GW_OWNER)) seen += " unowned";
  return seen;
}

// The answer is posted: the window's own modal loop takes it once the window is up.
static void Answer(HWND window) {
  ModalScript& script = *Running;
  script.Seen.push_back(Describe(window));
  script.Windows.push_back(window);
  script.Since = GetTickCount();
  size_t turn = script.Windows.size() - 1;
  if (turn >= script.Answers.size()) ADD_FAILURE() << "unexpected: " << script.Seen.back();
  ModalAnswer answer = turn < script.Answers.size() ? script.Answers[turn] : ModalAnswer(IDCANCEL);
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
  std::vector<HWND>& answered = Running->Windows;
  bool fresh = std::find(answered.begin(), answered.end(), window) == answered.end();
  if (code == HCBT_DESTROYWND && dialog && progress)
    Running->Seen.push_back(TextOf(window) + ": " + TextOf(progress));
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
  for (DWORD start = GetTickCount(); GetTickCount() - start < DWORD(ms); Sleep(1)) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      quit |= message.message == WM_QUIT;
      DispatchMessageA(&message);
    }
  }
  return quit;
}

// A key's WM_KEYDOWN and WM_KEYUP sent straight to a window: no accelerators, no keyboard state.
static void PressKey(HWND window, UINT key) {
  LPARAM scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC) << 16;
  SendMessageA(window, WM_KEYDOWN, key, scan | 1);
  SendMessageA(window, WM_KEYUP, key, scan | 0xC0000001);
}

// The program's windows as the modal script records them.
const std::string Guard =
    "The current configuration has changed.\nDo you want to save the changes? "
    "[YES NO CANCEL question]";
const std::string Saved = "The configuration was successfully saved to the TAVRIK-9 [OK]";
const std::string WriteError = "Error while writing to the TAVRIK-9 [OK error]";
const std::string ReadOk = "The configuration was successfully read from the TAVRIK-9 [OK]";
const std::string ReadError = "Error while reading from the TAVRIK-9 [OK error]";
const std::string NotFound = "The TAVRIK-9 was not found [OK error]";
const std::string Invalid = "Invalid configuration [OK error]";
const std::string InvalidFile = "Invalid configuration file [OK error]";
const std::string SaveError = "Error saving the file [OK error]";
const std::string OpenError = "Error opening the file [OK error]";
const std::string Writing = "Writing TAVRIKX: Writing configuration - 100%\nWriting data - 100%";
const std::string Reading = "Reading TAVRIKX: Reading configuration - 100%\nReading data - 100%";
const std::string ReadTo59 = "Reading TAVRIKX: Reading configuration - 100%\nReading data - 59%";
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
  return seen + (IsWindowVisible(control) ? "" : " hidden");
}

// A control by the name a person gives it: a list by its label, a button by its text.
static std::string NameOf(HWND window) {
  for (int i = 0; i < 6; ++i) {
    if (window == ListTable[i]) window = SettingLabels[i];
  }
  char text[64] = "no window";
  if (window == MainWindow) return "window";
  if (window) GetWindowTextA(window, text, sizeof text);
  return text;
}

// A command as a person gives it: by the menu, the close box, or Enter on a device button.
static void Give(const std::string& command) {
  if (command == "New") SendMessageA(MainWindow, WM_COMMAND, IDM_NEW, 0);
  if (command == "Open") SendMessageA(MainWindow, WM_COMMAND, IDM_OPEN, 0);
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

// Each list with its label and each button as a person sees them, where they stand, and where
// Tab, Shift+Tab and Up lead from each of them and from the window itself.
TEST_F(MainWindowTest, ControlsStandInTheirPlacesAndTheKeysLeadFromEach) {
  std::vector<HWND> controls(ListTable, ListTable + 6);
  controls.insert(controls.end(), {SaveToButton, ReadFromButton, MainWindow});
  std::string all;
  for (size_t i = 0; i < controls.size(); ++i) {
    if (i < 6) all += Described(SettingLabels[i]) + "; ";
    all += (controls[i] == MainWindow ? "window" : Described(controls[i])) + "\n ";
    for (std::string key : {"Tab", "Shift+Tab", "Up"}) {
      BYTE keys[256] = {};
      keys[VK_SHIFT] = key == "Shift+Tab" ? 0x80 : 0;
      SetKeyboardState(keys);
      SetFocus(controls[i]);
      PressKey(controls[i], key == "Up" ? VK_UP : VK_TAB);
      all += " " + key + ": " + NameOf(GetFocus()) + ";";
    }
    all += "\n";
  }
  EXPECT_EQ(
      "Baud Rate at 111,8; 9600 in 2400|4800|9600|14400|19200|38400 at 126,26\n"
      "  Tab: Number of Bits; Shift+Tab: no window; Up: Baud Rate;\n"
      "Number of Bits at 218,8; 8 in 7|8 at 235,26\n"
      "  Tab: Stop Bits; Shift+Tab: Baud Rate; Up: Number of Bits;\n"
      "Stop Bits at 418,8; 1 in 1|2 at 435,26\n"
      "  Tab: Mode; Shift+Tab: Number of Bits; Up: Stop Bits;\n"
      "Mode at 5,8; ASCII in ASCII|Ext ASCII|Key Number at 10,26\n"
      "  Tab: Save To TAVRIK-9; Shift+Tab: Stop Bits; Up: Mode;\n"
      "Parity at 318,8; None in None|Odd|Even at 335,26\n"
      "  Tab: Save To TAVRIK-9; Shift+Tab: no window; Up: Parity;\n"
      "HandShaking at 518,8; None in None|RTS/CTS at 530,26\n"
      "  Tab: Save To TAVRIK-9; Shift+Tab: no window; Up: HandShaking;\n"
      "Save To TAVRIK-9 at 128,120\n"
      "  Tab: Read From TAVRIK-9; Shift+Tab: Mode; Up: Save To TAVRIK-9;\n"
      "Read From TAVRIK-9 at 387,120\n"
      "  Tab: Baud Rate; Shift+Tab: Save To TAVRIK-9; Up: Save To TAVRIK-9;\n"
      "window\n"
      "  Tab: Baud Rate; Shift+Tab: Baud Rate; Up: window;\n",
      all);
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
      {240, "old", true},         // through a temporary file beside it
      {240, "read-only", false},  // refused before anything is written
      {246, "old", true},         // the longest folder with room for a temporary file
      {247, "old", true},         // written in place
      {249, "none", true},        // written in place
      {254, "old", true},         // the longest folder with room for y.TVK
      {255, "none", false},       // a path of 260 characters
      {258, "none", false},       // a path of 263 characters
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.FolderLength) + ", " + row.Before);
    std::string folder = File + "-";
    folder.resize(row.FolderLength - 1, 'x');
    folder += "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
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
    EXPECT_EQ(row.Saved ? "14400" : "14400*", Shown(1));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    SetCurrentDirectoryA("C:\\");  // the file dialog made the folder the current one
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << "a file besides y.TVK was left";
    PressKey(ListTable[0], VK_UP);
  }
}

// Open shows each code in its own list; a short file, a code that names no item and a file that
// cannot be read change nothing.
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
      {21, 16, 1, false, InvalidFile, "4800|8|1|ASCII|None|None*"},
      {512, 17, 6, false, InvalidFile, "4800|8|1|ASCII|None|None*"},
      {512, 21, 2, false, InvalidFile, "4800|8|1|ASCII|None|None*"},
      {512, 16, 1, true, OpenError, "4800|8|1|ASCII|None|None*"},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(std::to_string(file.Size) + " bytes, " + std::to_string(file.Code) + " at " +
                 std::to_string(file.Offset));
    std::vector<uint8_t> bytes(512, 0);
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
    std::string Device;  // an order for the simulated device, or "unknown codes" in its cells
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
      {"Read From", "FAIL_AT=20", false, {IDOK}, {ReadTo59, ReadError}, "9600"},
      {"Read From", "unknown codes", true, {IDNO, IDOK}, {Guard, Reading, Invalid}, "14400*"},
      {"Save To", "", true, {IDOK}, {Writing, Saved}, "14400*"},
      {"Save To", "FAIL_AT=20", true, {IDOK}, {Writing, WriteError}, "14400*"},
      {"Save To", "ABSENT=1", false, {IDOK}, {NoWriting, NotFound}, "9600"},
      {"Save To", "MEMORY=/no/such/folder/memory", false, {IDOK}, {NoWriting, NotFound}, "9600"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Command + (", " + row.Device));
    SimulatedDevice device;
    uint8_t baud = row.Device == "unknown codes" ? 6 : 5;
    device.SetCells(16, {2, baud, 1, 1, 1, 0});  // Key Number, 38400, Odd, 2, RTS/CTS, 7
    device.Order("RESULT=7");
    if (row.Device.find('=') != std::string::npos) device.Order(row.Device);
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

TEST_F(MainWindowTest, TheAboutBoxClosesByItsButtonEscapeAndItsCloseBox) {
  for (int answer : {IDOK, EscapeKey, CloseBox}) {
    ModalScript script{{answer}};
    Give("About");
    EXPECT_EQ(Texts{"About TAVRIK-9"}, script.Seen) << answer;
  }
}
