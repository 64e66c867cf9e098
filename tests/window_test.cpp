// The window-bound code on the real main window in this process: what a person sees of each window,
// files and the unsaved-changes guard, the device commands with their outcomes, commands that
// arrive during a transfer, and what each command leaves for the person who then leaves.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "config_files.h"
#include "resource.h"
#include "settings_controls.h"
#include "startup.h"
#include "support/simulated_device.h"
#include "window_state.h"

using std::string;
using std::to_string;
using std::vector;

using Texts = vector<string>;

static string TextOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// What a person sees of a window: its title and client size, where that stands in its owner's
// client area and the owner's title, whether it stays on top; then each visible control from top
// to bottom and left to right with its class, text, place, size and font height. A dialog counts in
// its own dialog units. A list's height is the list's own and left out, and so is what it shows,
// which the tests read by the list.
static string Screen(HWND window) {
  RECT unit = {0, 0, 4, 8};  // 4 by 8 dialog units in pixels; a plain window leaves it so
  MapDialogRect(window, &unit);
  auto units = [&](LONG x, LONG y, string between) {
    return to_string(MulDiv(x, 4, unit.right)) + between + to_string(MulDiv(y, 8, unit.bottom));
  };
  RECT client;
  GetClientRect(window, &client);
  POINT origin = {};
  HWND owner = GetWindow(window, GW_OWNER);
  MapWindowPoints(window, owner, &origin, 1);
  string screen = TextOf(window) + ":";
  if (owner)
    screen += " " + units(client.right, client.bottom, "x") + " at " +
              units(origin.x, origin.y, ",") + " of " + TextOf(owner);
  if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) screen += ", on top";
  std::multimap<std::pair<LONG, LONG>, string> controls;
  for (HWND control = GetWindow(window, GW_CHILD); control;
       control = GetWindow(control, GW_HWNDNEXT)) {
    if (!(GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE)) continue;
    char kind[16] = "";
    GetClassNameA(control, kind, sizeof kind);
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    bool list = string(kind) == "ComboBox";
    string line = kind + (list ? "" : " " + TextOf(control)) + " at ";
    line += units(place.left, place.top, ",") + " ";
    string size = units(place.right - place.left, place.bottom - place.top, "x");
    line += list ? size.substr(0, size.find('x')) + " wide" : size;
    LOGFONTA font = {};
    GetObjectA(HFONT(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    line += " font " + to_string(font.lfHeight);
    controls.insert({{place.top, place.left}, line});
  }
  for (auto& control : controls) screen += "\n" + control.second;
  return screen;
}

// The main window as a person sees it; what the lists show, the tests read from the lists.
const string MainScreen =
    "TAVRIK-9 Configuration Utility:"
    "\nStatic Mode at 5,8 96x16 font -11"
    "\nStatic Baud Rate at 111,8 96x16 font -11"
    "\nStatic Number of Bits at 218,8 96x16 font -11"
    "\nStatic Parity at 318,8 96x16 font -11"
    "\nStatic Stop Bits at 418,8 96x16 font -11"
    "\nStatic HandShaking at 518,8 96x16 font -11"
    "\nComboBox at 10,26 84 wide font -11"
    "\nComboBox at 126,26 64 wide font -11"
    "\nComboBox at 235,26 64 wide font -11"
    "\nComboBox at 335,26 64 wide font -11"
    "\nComboBox at 435,26 64 wide font -11"
    "\nComboBox at 530,26 74 wide font -11"
    "\nButton Save To TAVRIK-9 at 128,120 134x48 font -11"
    "\nButton Read From TAVRIK-9 at 387,120 134x48 font -11";

// A modal script answers, in order, the modal windows that the code under test opens on this
// thread, and records what each one was. A message box of the program is recorded as "text
// [buttons icon]", with its owner where that is not the main window; one that Wine shows for a
// file dialog as "a box of" that dialog; a file dialog by its caption and owner; the About box and
// each progress dialog, when it goes, as Screen records them. A window with no answer left is
// cancelled (an outcome box closes so); one still open 3 s after its answer fails the test and is
// destroyed.

struct ModalAnswer {
  ModalAnswer(int button = IDCANCEL, string path = "") : Button(button), Path(path) {}
  int Button;
  string Path;  // a file dialog's name, typed in before the answer
};

struct ModalScript {
  ModalScript(vector<ModalAnswer> answers);
  ~ModalScript() { UnhookWindowsHookEx(Hook); }
  vector<ModalAnswer> Answers;
  vector<string> Seen;
  size_t Answered = 0;
  HHOOK Hook;
};

static ModalScript* Running;

// Wine puts a message box's text in control 0xFFFF and its icon in control 0x440, and a file
// dialog's name in control 0x47C.
static string Describe(HWND window) {
  HWND text = GetDlgItem(window, 0xFFFF);
  HWND owner = GetWindow(window, GW_OWNER);
  if (GetDlgItem(window, 0x47C)) return TextOf(window) + " of " + TextOf(owner);
  if (!text) return Screen(window);
  if (TextOf(window) != "TAVRIK-9 Configuration Utility") return "a box of " + TextOf(owner);
  string seen = TextOf(text) + " [";
  for (int id : {IDOK, IDYES, IDNO, IDCANCEL}) {
    HWND button = GetDlgItem(window, id);
    if (GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE) seen += TextOf(button) + " ";
  }
  HICON icon = HICON(SendDlgItemMessageA(window, 0x440, STM_GETICON, 0, 0));
  if (icon == LoadIconA(nullptr, IDI_HAND)) seen += "error ";
  if (icon == LoadIconA(nullptr, IDI_QUESTION)) seen += "question ";
  seen.back() = ']';
  if (owner != MainWindow) seen += " owned by " + TextOf(owner);
  return seen;
}

static void CALLBACK Watchdog(HWND window, UINT, UINT_PTR, DWORD) {
  ADD_FAILURE() << "left open after its answer: " << Describe(window);
  DestroyWindow(window);
}

// The answer is posted: the window's own modal loop takes it once the window is up.
static void Answer(HWND window) {
  ModalScript& script = *Running;
  script.Answers.push_back(IDCANCEL);  // for a window nobody expected
  ModalAnswer answer = script.Answers[script.Answered++];
  script.Seen.push_back(Describe(window));
  SetPropA(window, "answered", window);
  SetTimer(window, 0x7E57, 3000, Watchdog);
  SetDlgItemTextA(window, 0x47C, answer.Path.c_str());  // a file dialog's name
  PostMessageA(window, WM_COMMAND, answer.Button, 0);
}

static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = HWND(wParam);
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  bool dialog = !strcmp(name, "#32770");
  HWND progress = GetDlgItem(window, IDC_PROGRESS_TEXT);
  if (code == HCBT_DESTROYWND && dialog && progress) Running->Seen.push_back(Screen(window));
  bool fresh = !GetPropA(window, "answered");
  if (code == HCBT_ACTIVATE && dialog && !progress && fresh) Answer(window);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

ModalScript::ModalScript(vector<ModalAnswer> answers) : Answers(answers) {
  Running = this;
  Hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
}

// Handles this thread's messages for ms milliseconds.
static void FlushEvents(int ms) {
  MSG message;
  for (DWORD start = GetTickCount(); GetTickCount() - start < DWORD(ms); Sleep(1))
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// A key's WM_KEYDOWN and WM_KEYUP sent straight to a window: no accelerators, no keyboard state.
static void PressKey(HWND window, UINT key) {
  SendMessageA(window, WM_KEYDOWN, key, 1);
  SendMessageA(window, WM_KEYUP, key, 0xC0000001);
}

// The program's windows as the modal script records them.
const string Guard =
    "The current configuration has changed.\n"
    "Do you want to save the changes? "
    "[&Yes &No Cancel question]";
const string Saved = "The configuration was successfully saved to the TAVRIK-9 [OK]";
const string WriteError = "Error while writing to the TAVRIK-9 [OK error]";
const string ReadOk = "The configuration was successfully read from the TAVRIK-9 [OK]";
const string ReadError = "Error while reading from the TAVRIK-9 [OK error]";
const string NotFound = "The TAVRIK-9 was not found [OK error]";
const string BadBlock = "Invalid configuration [OK error]";
const string BadFile = "Invalid configuration file [OK error]";
const string SaveError = "Error saving the file [OK error]";
const string Saving = "Save File of TAVRIK-9 Configuration Utility";
const string Opening = "Open File of TAVRIK-9 Configuration Utility";
const string Replace = "a box of Save File";
// A progress dialog, "Writing" or "Reading TAVRIKX", as it goes, with its last text.
static string Progress(string verb, string text) {
  return verb + " TAVRIKX: 140x25 at 20,20 of TAVRIK-9 Configuration Utility, on top\nStatic " +
         text + " at 4,4 160x28 font -11";
}
const auto Writing = Progress("Writing", "Writing configuration - 100%\nWriting data - 100%");
const auto Reading = Progress("Reading", "Reading configuration - 100%\nReading data - 100%");
const auto ReadTo59 = Progress("Reading", "Reading configuration - 100%\nReading data - 59%");
const auto NoWriting = Progress("Writing", "Initializing...");
// The About box.
const string About =
    "About TAVRIK-9: 168x56 at 20,20 of TAVRIK-9 Configuration Utility\n"
    "Static TAVRIK9.exe version 2.7.4\n"
    "Copyright (C) 2026 TAVRIK-9\n"
    "www.example.com/tavrik9 at 4,4 160x28 font -13\n"
    "Button OK at 60,38 48x14 font -13";

// The configurations the lists can show, in list order.
const string Defaults = "9600|8|1|ASCII|None|None";
const string Edited = "9600|8|1|Ext ASCII|None|None";
const string Stored = "38400|7|2|Key Number|Even|RTS/CTS";  // in the device and the file

// A command as a person gives it: by the menu, the close box, or Enter on a device button.
static void Give(string command) {
  std::map<string, int> menu = {
      {"New", IDM_NEW},   {"Open", IDM_OPEN},   {"Save", IDM_SAVE},
      {"Exit", IDM_EXIT}, {"About", IDM_ABOUT},
  };
  if (menu.count(command)) SendMessageA(MainWindow, WM_COMMAND, menu[command], 0);
  if (command == "close box") SendMessageA(MainWindow, WM_CLOSE, 0, 0);
  if (command == "resize") SetWindowPos(MainWindow, nullptr, 0, 0, 900, 600, SWP_NOMOVE);
  if (command == "Save To") PressKey(SaveToButton, VK_RETURN);
  if (command == "Read From") PressKey(ReadFromButton, VK_RETURN);
}

// A command queued as the main window hears of it, to be handled by whoever takes messages next.
static void Queue(string command) {
  // A click on a button: its notification, BN_CLICKED, is 0.
  if (command == "Save To") PostMessageA(MainWindow, WM_COMMAND, 0, LPARAM(SaveToButton));
  if (command == "Read From") PostMessageA(MainWindow, WM_COMMAND, 0, LPARAM(ReadFromButton));
  if (command == "Open") PostMessageA(MainWindow, WM_COMMAND, IDM_OPEN, 0);
  if (command == "Exit") PostMessageA(MainWindow, WM_COMMAND, IDM_EXIT, 0);
  if (command == "close box") PostMessageA(MainWindow, WM_CLOSE, 0, 0);
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
    FlushEvents(30);  // takes the WM_QUIT
  }
  ~MainWindowTest() { remove(File.c_str()); }

  // What the lists show in list order (baud rate, data bits, stop bits, mode, parity,
  // handshaking), the whole window checked on the way, and what the person meets on leaving by
  // Exit: "... asks" (the running script cancels the question) or "... closes", or "closed" when
  // the command closed it. The caller makes the window anew.
  string Leave() {
    FlushEvents(100);  // what the command left queued
    if (!IsWindow(MainWindow)) return "closed";
    string shown;
    for (HWND list : ListTable) shown += TextOf(list) + "|";
    shown.pop_back();
    EXPECT_EQ(MainScreen, Screen(MainWindow));
    Give("Exit");
    return shown + (IsWindow(MainWindow) ? " asks" : " closes");
  }
  SimulatedDevice Device;
  string File = Device.MemoryPath + ".tvk";
};

// A folder of the given length with its last backslash, beside the test's files.
static string LongFolder(string beside, size_t length) {
  string folder = beside + "-";
  folder.resize(length - 1, 'x');
  folder += "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

// Save writes the 512 bytes of the configuration shown, over an old file too, and leaves nothing
// else in the folder: where the folder leaves no room for a temporary file the target is written
// in place. A read-only file and one that another program holds open are refused and change
// nothing; the changes then stay unsaved.
TEST_F(MainWindowTest, SavingWritesTheFileAndNothingElse) {
  vector<uint8_t> saved(512);
  memcpy(&saved[16], "\1\2\0\0\0\1", 6);  // Ext ASCII, 9600, None, 1, None, 8
  saved[505] = 0x4C;
  vector<uint8_t> old(1000, 0x33);
  const struct {
    size_t FolderLength;  // with the last backslash; the file is y.TVK
    string Before;        // the file there before: "none", "old", "read-only" or "in use"
    Texts Seen;
  } rows[] = {
      {240, "old", {Saving, Replace}},                   // through a temporary file beside it
      {240, "read-only", {Saving, Replace, SaveError}},  // refused before anything is written
      {240, "in use", {Saving, Replace, SaveError}},     // open elsewhere: it cannot be replaced
      {247, "old", {Saving, Replace}},                   // written in place
      {249, "none", {Saving}},                           // written in place
      {254, "old", {Saving, Replace}},  // the longest folder for y.TVK in a path Windows opens
  };
  for (auto& row : rows) {
    SCOPED_TRACE(row.FolderLength);
    string folder = LongFolder(File, row.FolderLength);
    string path = folder + "y.TVK";
    if (row.Before != "none") WriteFileBytes(path, old);
    if (row.Before == "read-only") SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    std::ifstream user(row.Before == "in use" ? path : "");  // open, and not to be deleted
    PressKey(ListTable[3], VK_DOWN);                         // Mode: ASCII to Ext ASCII
    ModalScript script({{IDOK, path}, {IDYES}});
    Give("Save");
    EXPECT_EQ(row.Seen, script.Seen);
    bool refused = row.Seen.back() == SaveError;
    EXPECT_EQ(refused ? old : saved, FileBytes(path));
    EXPECT_EQ(Edited + (refused ? " asks" : " closes"), Leave());
    user.close();
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    SetCurrentDirectoryA("C:\\");  // the file dialog made the folder the current one
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << "a file besides y.TVK was left";
    TearDown();
    SetUp();
  }
}

// Paths of 260 characters or more, which Windows cannot open, are refused where Save decides,
// beneath the dialog, which may not take them: nothing is written.
TEST_F(MainWindowTest, SavingRefusesPathsTooLongForWindows) {
  ConfigBlock block = {};
  for (size_t length : {255, 258}) {  // paths of 260 and 263 characters
    string folder = LongFolder(File, length);
    EXPECT_FALSE(WriteConfigFile((folder + "y.TVK").c_str(), WORD(length), block)) << length;
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << "a file was left in " << folder;
  }
}

// Each command that discards the window's configuration asks first when it was changed: Yes saves
// (a cancelled save abandons the command), No goes on, Cancel abandons. Open and Read From show
// each code in its own list; a short file and a code that names no item change nothing. Save To
// and Read From report each outcome, whatever the library returns (here 7), after their progress.
// Commands queued behind a transfer start no second one, and a close or Exit waits for its end.
// The window looks the same after each command, at start and after a resize. Leaving asks
// afterwards while changes are unsaved: after a Cancel, Save To and a refused file or read, not
// after New, Open, or Read From and its failure.
TEST_F(MainWindowTest, EveryCommandAsksWhereItMustAndReportsItsOutcome) {
  const struct {
    const char* Command;
    // An order for the device, "bad codes" or "short file" in its cells and the file, what is
    // queued, or "unchanged": Mode is changed first, from ASCII to Ext ASCII, but for that and
    // for the others queued behind Save To, whose close then ends the program.
    string Device;
    vector<ModalAnswer> Answers;
    Texts Seen;
    string Left;  // the lists afterwards, and whether leaving asks
  } rows[] = {
      {"nothing", "unchanged", {}, {}, Defaults + " closes"},
      {"New", "", {IDCANCEL}, {Guard}, Edited + " asks"},
      {"New", "", {IDNO}, {Guard}, Defaults + " closes"},
      {"Open", "", {IDYES, IDCANCEL}, {Guard, Saving}, Edited + " asks"},
      {"Open", "", {IDNO, IDCANCEL}, {Guard, Opening}, Edited + " asks"},
      {"Open", "", {IDNO, {IDOK, File}}, {Guard, Opening}, Stored + " closes"},
      {"Open", "short file", {IDNO, {IDOK, File}}, {Guard, Opening, BadFile}, Edited + " asks"},
      {"Open", "bad codes", {IDNO, {IDOK, File}}, {Guard, Opening, BadFile}, Edited + " asks"},
      {"Exit", "", {IDNO}, {Guard}, "closed"},
      {"close box", "", {IDCANCEL}, {Guard}, Edited + " asks"},
      {"close box", "", {IDYES, {IDOK, File}, IDYES}, {Guard, Saving, Replace}, "closed"},
      {"Read From", "", {IDCANCEL}, {Guard}, Edited + " asks"},
      {"Read From", "", {IDNO}, {Guard, Reading, ReadOk}, Stored + " closes"},
      {"Read From", "FAIL_AT=20", {IDNO}, {Guard, ReadTo59, ReadError}, Edited + " closes"},
      {"Read From", "bad codes", {IDNO}, {Guard, Reading, BadBlock}, Edited + " asks"},
      {"Save To", "unchanged", {}, {Writing, Saved}, Defaults + " closes"},
      {"Save To", "", {}, {Writing, Saved}, Edited + " asks"},
      {"Save To", "FAIL_AT=20", {}, {Writing, WriteError}, Edited + " asks"},
      {"Save To", "MEMORY=/none/x", {}, {NoWriting, NotFound}, Edited + " asks"},
      {"Save To", "others queued", {}, {Writing, Saved}, "closed"},
      {"Read From", "Exit queued", {IDNO}, {Guard, Reading, ReadOk}, "closed"},
      {"About", "", {}, {About}, Edited + " asks"},
      {"resize", "", {}, {}, Edited + " asks"},
  };
  for (auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    SimulatedDevice device;
    vector<uint8_t> memory(65536);
    memcpy(&memory[16], "\2\5\2\1\1\0", 6);  // Key Number, 38400, Even, 2, RTS/CTS, 7
    if (row.Device == "bad codes") memory[17] = 6;
    WriteFileBytes(device.MemoryPath, memory);
    memory.resize(row.Device == "short file" ? 21 : 512);
    WriteFileBytes(File, memory);
    device.Order("RESULT=7");
    device.Order(row.Device);  // does nothing but for the device's own orders
    bool unchanged = row.Device == "unchanged" || row.Device == "others queued";
    if (!unchanged) PressKey(ListTable[3], VK_DOWN);  // Mode: to Ext ASCII
    if (row.Device == "Exit queued") Queue("Exit");
    if (row.Device == "others queued")
      for (string other : {"Save To", "Read From", "Open", "close box"}) Queue(other);
    ModalScript script(row.Answers);
    Give(row.Command);
    EXPECT_EQ(row.Seen, script.Seen);
    EXPECT_EQ(row.Left, Leave());
    TearDown();
    SetUp();
  }
}
