// The window-bound code on the real main window in this process: files and the unsaved-changes
// guard, the device commands with their outcomes, reentrancy, keys, the controls and resources.
#include <gtest/gtest.h>
#include <string.h>

#include "config_files.h"
#include "resource.h"
#include "settings_controls.h"
#include "startup.h"
#include "support/modal_script.h"
#include "support/simulated_device.h"
#include "window_state.h"

using Texts = std::vector<std::string>;
static const std::string Guard =
                             "The current configuration has changed.\nDo you want to save the "
                             "changes? [YES NO CANCEL question]",
                         Saved = "The configuration was successfully saved to the TAVRIK-9 [OK]",
                         WriteError = "Error while writing to the TAVRIK-9 [OK error]",
                         ReadOk = "The configuration was successfully read from the TAVRIK-9 [OK]",
                         ReadError = "Error while reading from the TAVRIK-9 [OK error]",
                         NotFound = "The TAVRIK-9 was not found [OK error]",
                         InvalidFile = "Invalid configuration file [OK error]";

// A control's text; for a list its items joined by '|', or only the selected one.
static std::string Shown(HWND control, bool selectedOnly = true) {
  char text[64] = "";
  std::string shown = SendMessageA(control, CB_GETCOUNT, 0, 0)
                          ? ""
                          : (GetWindowTextA(control, text, sizeof text), text);
  for (LRESULT i = 0, count = SendMessageA(control, CB_GETCOUNT, 0, 0); i < count; ++i)
    if (!selectedOnly || i == SendMessageA(control, CB_GETCURSEL, 0, 0))
      shown += (shown.empty() ? "" : "|") +
               (SendMessageA(control, CB_GETLBTEXT, i, LPARAM(text)), std::string(text));
  return shown;
}

static std::string AllShown() {
  std::string shown;
  for (HWND list : ListTable) shown += (shown.empty() ? "" : "|") + Shown(list);
  return shown;
}

// A click on a button as the main window hears of it, queued.
static void PostClick(HWND button) {
  PostMessageA(MainWindow, WM_COMMAND, BN_CLICKED << 16, LPARAM(button));
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateMainWindow(GetModuleHandleA(nullptr), nullptr), ShowWindow(MainWindow, SW_SHOW),
        SetForegroundWindow(MainWindow);
  }
  void TearDown() override {
    ModifiedFlag = 0, CurrentFileName[0] = 0, DestroyWindow(MainWindow), DeleteObject(ControlFont),
    remove(File.c_str());
    FlushEvents(30);  // takes the WM_QUIT
  }
  SimulatedDevice device;
  std::string File = device.MemoryPath + ".tvk";
};

TEST_F(MainWindowTest, ControlsStandAtTheirPlacesWithTheirTextsAndItemsInOrder) {
  std::string all;
  for (HWND control :
       {SettingLabels[0], ListTable[0], SettingLabels[1], ListTable[1], SettingLabels[2],
        ListTable[2], SettingLabels[3], ListTable[3], SettingLabels[4], ListTable[4],
        SettingLabels[5], ListTable[5], SaveToButton, ReadFromButton}) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&place), 2);
    all += Shown(control, false) + (IsWindowVisible(control) ? " " : " hidden ") +
           std::to_string(place.left) + "," + std::to_string(place.top) + "\n";
  }
  EXPECT_EQ(
      "Baud Rate 111,8\n2400|4800|9600|14400|19200|38400 126,26\nNumber of Bits 218,8\n7|8 "
      "235,26\nStop Bits 418,8\n1|2 435,26\n"
      "Mode 5,8\nASCII|Ext ASCII|Key Number 10,26\nParity 318,8\nNone|Odd|Even 335,26\nHandShaking "
      "518,8\nNone|RTS/CTS 530,26\n"
      "Save To TAVRIK-9 128,120\nRead From TAVRIK-9 387,120\n",
      all);
}

// A save that fails, here on a read-only file, leaves the old file as it was and the change
// unsaved.
TEST_F(MainWindowTest, AFailedSaveKeepsTheOldFile) {
  std::vector<uint8_t> old(1000, 0x33);
  WriteFileBytes(File, old);
  SetFileAttributesA(File.c_str(), FILE_ATTRIBUTE_READONLY);
  PressKey(ListTable[ParitySetting], VK_DOWN);
  ModalScript script{{IDOK, File}, {IDYES}, {IDOK}};  // the dialog asks whether to replace it
  EXPECT_FALSE(SaveConfigFile());
  SetFileAttributesA(File.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(old, FileBytes(File));
  EXPECT_EQ("Error saving the file [OK error] modified",
            script.Seen.back() + (ModifiedFlag ? " modified" : ""));
}

// Open applies each code to its own list; a short file or a code that names no item changes
// nothing.
TEST_F(MainWindowTest, OpenShowsEachCodeInItsListAndRefusesShortOrInvalidFiles) {
  const struct {
    size_t Size;
    int Offset, Code;
    const char* Shown;
  } files[] = {{21, 0, 0, nullptr},
               {512, 17, 6, nullptr},
               {512, 21, 2, nullptr},
               {512, 0, 0, "38400|8|2|Ext ASCII|Even|None"}};
  for (const auto& file : files) {
    std::vector<uint8_t> bytes(512, 0);
    memcpy(bytes.data() + 16, "\x01\x05\x02\x01\x00\x01", 6);
    bytes[file.Offset] = uint8_t(file.Code), bytes.resize(file.Size);
    WriteFileBytes(File, bytes);
    PressKey(ListTable[BaudRateSetting], VK_UP);
    std::string before = AllShown();
    ModalScript script{{IDNO}, {IDOK, File}, {IDOK}};
    OpenConfigFile();
    SCOPED_TRACE(std::to_string(file.Size) + " bytes, code " + std::to_string(file.Code) + " at " +
                 std::to_string(file.Offset));
    EXPECT_EQ((file.Shown ? Texts{Guard, "Open File"} : Texts{Guard, "Open File", InvalidFile}),
              script.Seen);
    EXPECT_EQ(file.Shown ? file.Shown : before + " modified",
              AllShown() + (ModifiedFlag ? " modified" : ""));
  }
}

// Each command that discards the window's configuration asks first: Yes saves (a cancelled save
// abandons the command), No goes on, Cancel abandons; with nothing changed nobody is asked. Save To
// and Read From (Enter on their buttons) report each outcome, whatever the library returns (here
// 7); a failed read changes nothing; Save To keeps ModifiedFlag, Read From clears it. The stand-in
// finds no device when its memory file cannot be made.
TEST_F(MainWindowTest, EveryCommandAsksWhereItMustAndReportsItsOutcome) {
  const UINT Enter = WM_KEYDOWN;
  const struct {
    UINT Message;
    WPARAM Command;
    const char* Order;
    bool Pick;
    std::vector<ModalAnswer> Answers;
    Texts Seen;
    const char* Baud;
  } rows[] = {
      {WM_COMMAND, IDM_NEW, "", true, {IDCANCEL}, {Guard}, "14400*"},
      {WM_COMMAND, IDM_NEW, "", true, {IDNO}, {Guard}, "9600"},
      {WM_COMMAND, IDM_OPEN, "", true, {IDYES, IDCANCEL}, {Guard, "Save File"}, "14400*"},
      {Enter, 1, "", true, {IDCANCEL}, {Guard}, "14400*"},
      {WM_COMMAND, IDM_OPEN, "", true, {IDNO, IDCANCEL}, {Guard, "Open File"}, "14400*"},
      {WM_CLOSE, 0, "", true, {IDCANCEL}, {Guard}, "14400*"},
      {Enter, 1, "", true, {IDYES, {IDOK, File}, IDOK}, {Guard, "Save File", ReadOk}, "38400"},
      {WM_CLOSE, 0, "", false, {}, {}, nullptr},
      {WM_COMMAND, IDM_EXIT, "", true, {IDNO}, {Guard}, nullptr},
      {WM_COMMAND, IDM_EXIT, "", false, {}, {}, nullptr},
      {WM_COMMAND, IDM_EXIT, "", true, {IDYES, IDCANCEL}, {Guard, "Save File"}, "14400*"},
      {WM_CLOSE, 0, "", true, {IDYES, {IDOK, File}}, {Guard, "Save File"}, nullptr},
      {Enter, 0, "", true, {IDOK}, {Saved}, "14400*"},
      {Enter, 0, "FAIL_AT", true, {IDOK}, {WriteError}, "14400*"},
      {Enter, 0, "DISCARD_WRITES", true, {IDOK}, {WriteError}, "14400*"},
      {Enter, 0, "ABSENT", true, {IDOK}, {NotFound}, "14400*"},
      {Enter, 0, "MEMORY", true, {IDOK}, {NotFound}, "14400*"},
      {Enter, 1, "", false, {IDOK}, {ReadOk}, "38400"},
      {Enter, 1, "FAIL_AT", false, {IDOK}, {ReadError}, "9600"},
      {Enter, 1, "ABSENT", false, {IDOK}, {NotFound}, "9600"}};
  for (const auto& row : rows) {
    SCOPED_TRACE("row " + std::to_string(&row - rows));
    SimulatedDevice
        device;  // exchange 20 lies in the data of either transfer; the memory file cannot be made
    device.SetCells(16, {2, 5, 1, 1, 1, 0});
    device.Order("RESULT", 7);  // whatever the library returns
    if (*row.Order)
      device.Order(row.Order, *row.Order == 'F'   ? "20"
                              : *row.Order == 'M' ? "/no/such/folder/memory"
                                                  : "1");
    if (row.Pick) PressKey(ListTable[BaudRateSetting], VK_DOWN);
    ModalScript script(row.Answers);
    if (row.Message == Enter)
      PressKey(ButtonTable[row.Command], VK_RETURN);
    else
      SendMessageA(MainWindow, row.Message, row.Command, 0);
    EXPECT_EQ(row.Seen, script.Seen);
    EXPECT_EQ(row.Baud ? row.Baud : "(closed)",
              IsWindow(MainWindow) ? Shown(ListTable[BaudRateSetting]) + (ModifiedFlag ? "*" : "")
                                   : "(closed)");
    EXPECT_EQ(row.Answers.size() > 1 && !row.Answers[1].Path.empty() ? 512u : 0u,
              FileBytes(File).size());
    TearDown(), SetUp();
  }
}

// Commands that arrive while a transfer pumps messages start no second transfer or connection, and
// a close waits for the outcome; an Exit queued behind Read From does not run inside its question.
TEST_F(MainWindowTest, DuringATransferNothingElseStartsAndClosingWaitsForTheEnd) {
  device.Order("DELAY_MS", 2);
  ModalScript script{{IDOK}, {IDNO}, {IDOK}};
  PostClick(SaveToButton), PostClick(ReadFromButton);
  PostMessageA(MainWindow, WM_COMMAND, IDM_OPEN, 0), PostMessageA(MainWindow, WM_CLOSE, 0, 0);
  PressKey(SaveToButton, VK_RETURN);
  std::vector<std::string> log = device.Log();
  ASSERT_EQ(43u, log.size()) << "one connection: an open, 41 exchanges and a close";
  EXPECT_EQ(
      "open 17203 6 6 = 0, close, window there",
      log.front() + ", " + log.back() + ", window " + (IsWindow(MainWindow) ? "there" : "gone"));
  EXPECT_TRUE(FlushEvents(300) && !IsWindow(MainWindow));
  SetUp();
  PressKey(ListTable[BaudRateSetting], VK_DOWN);
  PostClick(ReadFromButton), PostMessageA(MainWindow, WM_COMMAND, IDM_EXIT, 0);
  EXPECT_TRUE(FlushEvents(1500) && !IsWindow(MainWindow));
  EXPECT_EQ((Texts{Saved, Guard, ReadOk}), script.Seen);
}

TEST_F(MainWindowTest, TabShiftTabAndTheArrowsMoveTheFocusByTheTable) {
  // From, key, Shift, to: "0".."5" the lists by their place in ListTable, S Save To, R Read From, M
  // the window itself, - no window.
  const char* moves[] = {"0T 1", "1T 2", "2T 3", "3T S", "4T S", "5T S", "0T+-", "1T+0", "2T+1",
                         "3T+2", "4T+-", "5T+-", "MT 0", "MT+0", "ST R", "RT 0", "RU S", "SU S"};
  auto window = [](char name) {
    return name >= '0' && name <= '5' ? ListTable[name - '0']
           : name == 'S'              ? SaveToButton
           : name == 'R'              ? ReadFromButton
           : name == 'M'              ? MainWindow
                                      : nullptr;
  };
  BYTE keys[256];
  for (const char* move : moves) {
    GetKeyboardState(keys), keys[VK_SHIFT] = move[2] == '+' ? 0x80 : 0, SetKeyboardState(keys);
    SetFocus(window(move[0])), PressKey(window(move[0]), move[1] == 'T' ? VK_TAB : VK_UP);
    EXPECT_EQ(window(move[3]), GetFocus()) << move;
  }
}

TEST(Resources, EveryResourceTheProgramLoadsIsInTheBuiltProgram) {
  HMODULE program = LoadLibraryExA(TAVRIK9_PROGRAM, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const struct {
    int Id;
    LPCSTR Type;
  } resources[] = {{IDI_MAIN, RT_GROUP_ICON},       {IDR_MAINMENU, RT_MENU},
                   {IDR_ACCEL, RT_ACCELERATOR},     {IDD_ABOUT, RT_DIALOG},
                   {IDD_WRITE_PROGRESS, RT_DIALOG}, {IDD_READ_PROGRESS, RT_DIALOG}};
  for (const auto& resource : resources)
    EXPECT_TRUE(program && FindResourceA(program, MAKEINTRESOURCEA(resource.Id), resource.Type))
        << resource.Id;
  FreeLibrary(program);
}
