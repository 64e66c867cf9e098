// Save To and Read From as the user runs them: progress texts, outcome messages, faults, and
// commands that arrive while a transfer runs.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../app/window_state.h"
#include "../config/config_files.h"
#include "../config/settings_controls.h"
#include "../device/transfer_commands.h"
#include "../resources/resource.h"
#include "support/main_window_fixture.h"
#include "support/ui_automation.h"

namespace {

const char* const Guard = "The current configuration has changed.\nDo you want to save the changes?";
const UINT GuardType = MB_YESNOCANCEL | MB_ICONQUESTION;
const char* const Saved = "The configuration was successfully saved to the TAVRIK-9";
const char* const Read = "The configuration was successfully read from the TAVRIK-9";
const char* const NotFound = "The TAVRIK-9 was not found";

// What the progress dialogs showed: the text before the first update, every update, the captions,
// and how many progress dialogs existed at once.
struct ProgressSeen {
  std::string Initial, Caption;
  std::vector<std::string> Texts;
  int MostDialogs = 0;
} Progress;
HHOOK ProgressHook;

BOOL CALLBACK CountProgressDialog(HWND window, LPARAM count) {
  char caption[32] = "";
  GetWindowTextA(window, caption, sizeof caption);
  if (!strcmp(caption, "Writing TAVRIKX") || !strcmp(caption, "Reading TAVRIKX")) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

LRESULT CALLBACK RecordProgress(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_SETTEXT && GetDlgCtrlID(call->hwnd) == IDC_PROGRESS_TEXT &&
      GetParent(call->hwnd) == ProgressDialog) {
    char text[64] = "";
    if (Progress.Texts.empty()) {
      GetWindowTextA(call->hwnd, text, sizeof text);
      Progress.Initial = text;
      GetWindowTextA(ProgressDialog, text, sizeof text);
      Progress.Caption = text;
    }
    Progress.Texts.push_back(reinterpret_cast<const char*>(call->lParam));
    int dialogs = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountProgressDialog, reinterpret_cast<LPARAM>(&dialogs));
    Progress.MostDialogs = std::max(Progress.MostDialogs, dialogs);
  }
  return CallNextHookEx(ProgressHook, code, wParam, lParam);
}

std::vector<std::string> ExpectedTexts(const char* verb) {
  std::vector<std::string> texts;
  for (int i = 0; i < 32; ++i)
    texts.push_back(std::string(verb) + " configuration - 100%\n" + verb + " data - " +
                    std::to_string((i + 1) * 100 / 32) + "%");
  return texts;
}

// Progress dialogs are modeless and come and go by themselves.
struct TransferScript : UiScript {
  TransferScript() { Ignore("Writing TAVRIKX").Ignore("Reading TAVRIKX"); }
};

class TransferCommands : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Progress = ProgressSeen();
    ProgressHook = SetWindowsHookExA(WH_CALLWNDPROC, RecordProgress, nullptr, GetCurrentThreadId());
  }
  void TearDown() override {
    UnhookWindowsHookEx(ProgressHook);
    MainWindowTest::TearDown();
  }
  // Device cells 16..21 with the given codes (mode, baud rate, parity, stop bits, handshake, data bits).
  void DeviceHolds(std::vector<uint8_t> codes) { device.SetMemory(16, codes); }
  void CheckEndedCleanly() {
    EXPECT_EQ(nullptr, ProgressDialog);
    EXPECT_FALSE(TransferInProgress);
    EXPECT_TRUE(ConnectionsBalanced(device.Log()));
    EXPECT_LE(Progress.MostDialogs, 1);
  }
};

TEST_F(TransferCommands, SaveToWritesTheListsAndReportsEachByte) {
  PickNextItem(ListTable[ModeSetting]);  // "Ext ASCII", and the configuration counts as changed
  {
    TransferScript script;
    script.Box(Saved, MB_OK, IDOK, OwnerRule::Window(MainWindow));
    SaveToDevice();
  }
  EXPECT_EQ("Initializing...", Progress.Initial);
  EXPECT_EQ("Writing TAVRIKX", Progress.Caption);
  EXPECT_EQ(ExpectedTexts("Writing"), Progress.Texts);
  std::vector<uint8_t> memory = device.Memory();
  EXPECT_EQ("01 02 00 00 00 01", HexBytes({memory.begin() + 16, memory.begin() + 22}));
  EXPECT_EQ(72, memory[511]);
  EXPECT_EQ(34u, device.Exchanges().size());
  EXPECT_NE(0, ModifiedFlag) << "writing the device keeps the changes unsaved";
  CheckEndedCleanly();
}

std::string ShownWhenOutcomeCame;
TEST_F(TransferCommands, ReadFromSelectsTheDeviceCodesBeforeReporting) {
  DeviceHolds({2, 5, 2, 1, 1, 0});
  {
    TransferScript script;
    script.Box(Read, MB_OK, IDOK, OwnerRule::Window(MainWindow)).WhileShown([](HWND) {
      ShownWhenOutcomeCame = AllShown();
    });
    ReadFromDevice();
  }
  EXPECT_EQ("38400|7|2|Key Number|Even|RTS/CTS", ShownWhenOutcomeCame);
  EXPECT_EQ("Reading TAVRIKX", Progress.Caption);
  EXPECT_EQ(ExpectedTexts("Reading"), Progress.Texts);
  EXPECT_EQ(5, SettingsState.BaudRate);
  EXPECT_EQ(0, ModifiedFlag);
  CheckEndedCleanly();
}

TEST_F(TransferCommands, WithoutADeviceNothingIsTouched) {
  device.SetAbsent(true);
  PickNextItem(ListTable[ParitySetting]);
  const std::string shown = AllShown();
  {
    TransferScript script;
    script.Box(NotFound, MB_ICONERROR, IDOK, OwnerRule::Window(MainWindow));
    SaveToDevice();
  }
  EXPECT_NE(0, ModifiedFlag);
  {
    TransferScript script;
    script.Box(Guard, GuardType, IDNO, OwnerRule::Window(MainWindow));
    script.Box(NotFound, MB_ICONERROR, IDOK, OwnerRule::Window(MainWindow));
    ReadFromDevice();
  }
  EXPECT_EQ(shown, AllShown());
  EXPECT_EQ(0, ModifiedFlag) << "Read From clears the flag whatever the outcome";
  EXPECT_TRUE(Progress.Texts.empty()) << "the dialog keeps \"Initializing...\"";
  EXPECT_TRUE(device.Exchanges().empty());
  CheckEndedCleanly();
}

TEST_F(TransferCommands, AFailedExchangeIsReportedAndNeverAsSuccess) {
  DeviceHolds({1, 1, 1, 1, 1, 1});
  for (int k = 1; k <= 34; ++k) {
    device.SetMemory(511, {0x55});
    device.SetFailAt(k);
    ModifiedFlag = 1;
    TransferScript script;
    script.Box("Error while writing to the TAVRIK-9", MB_ICONERROR, IDOK, OwnerRule::Window(MainWindow));
    SaveToDevice();
    EXPECT_NE(72, device.Memory()[511]) << "failing at exchange " << k;
    EXPECT_EQ(1, ModifiedFlag) << "Save To leaves the flag, failing at exchange " << k;
  }
  const std::string shown = AllShown();
  for (int k = 1; k <= 32; ++k) {
    device.SetFailAt(k);
    ModifiedFlag = 1;
    TransferScript script;
    script.Box(Guard, GuardType, IDNO, OwnerRule::Window(MainWindow));
    script.Box("Error while reading from the TAVRIK-9", MB_ICONERROR, IDOK, OwnerRule::Window(MainWindow));
    ReadFromDevice();
    EXPECT_EQ(shown, AllShown()) << "failing at exchange " << k;
    EXPECT_EQ(0, ModifiedFlag) << "Read From clears the flag whatever the outcome, failing at exchange " << k;
  }
  const std::vector<DeviceLogEntry> log = device.Log();
  EXPECT_EQ(34 + 32, std::count_if(log.begin(), log.end(), [](const DeviceLogEntry& e) { return e.Kind == "open"; }));
  CheckEndedCleanly();
}

TEST_F(TransferCommands, AnInvalidDeviceConfigurationIsRefusedAndChangesNothing) {
  DeviceHolds({0, 9, 0, 0, 0, 1});
  PickNextItem(ListTable[HandshakeSetting]);
  const std::string shown = AllShown();
  const SettingCodes state = SettingsState;
  {
    TransferScript script;
    script.Box(Guard, GuardType, IDNO, OwnerRule::Window(MainWindow));
    script.Box("Invalid configuration", MB_ICONERROR, IDOK, OwnerRule::Window(MainWindow));
    ReadFromDevice();
  }
  EXPECT_EQ(shown, AllShown());
  EXPECT_EQ(0, memcmp(&state, &SettingsState, sizeof state));
  EXPECT_NE(0, ModifiedFlag);
  CheckEndedCleanly();
}

TEST_F(TransferCommands, ReadFromCancelledAtTheQuestionOpensNothing) {
  PickNextItem(ListTable[ModeSetting]);
  {
    TransferScript script;
    script.Box(Guard, GuardType, IDCANCEL, OwnerRule::Window(MainWindow));
    ReadFromDevice();
  }
  EXPECT_TRUE(device.Log().empty());
  EXPECT_TRUE(Progress.Texts.empty());
  EXPECT_NE(0, ModifiedFlag);
}

void PostCommand(WPARAM command, HWND sender = nullptr) {
  PostMessageA(MainWindow, WM_COMMAND, command, reinterpret_cast<LPARAM>(sender));
}

TEST_F(TransferCommands, CommandsDuringATransferStartNothing) {
  device.SetDelayMs(5);
  PostCommand(MAKEWPARAM(0, BN_CLICKED), SaveToButton);
  PostCommand(MAKEWPARAM(0, BN_CLICKED), ReadFromButton);
  for (WPARAM command : {IDM_NEW, IDM_OPEN, IDM_SAVE, IDM_ABOUT}) PostCommand(command);
  PickNextItem(ListTable[ModeSetting]);  // New and Open would ask first
  TransferScript script;  // an unexpected dialog or box fails the test
  script.Box(Saved, MB_OK, IDOK, OwnerRule::Window(MainWindow));
  SaveToDevice();
  FlushEvents(200);
  int opens = 0;
  for (const DeviceLogEntry& entry : device.Log()) opens += entry.Kind == "open";
  EXPECT_EQ(1, opens);
  EXPECT_EQ("Ext ASCII", Shown(ListTable[ModeSetting])) << "New did not run";
  CheckEndedCleanly();
}

TEST_F(TransferCommands, ExitOrCloseDuringATransferEndsTheProgramAfterIt) {
  for (bool closeBox : {false, true}) {
    if (closeBox) MainWindowTest::SetUp();  // a new window: Exit ended the first
    device.SetDelayMs(3);
    if (closeBox)
      PostMessageA(MainWindow, WM_CLOSE, 0, 0);
    else
      PostCommand(IDM_EXIT);
    TransferScript script;
    script.Box(Read, MB_OK, IDOK, OwnerRule::Window(MainWindow));
    ReadFromDevice();
    EXPECT_TRUE(IsWindow(MainWindow)) << "the window outlives the transfer";
    EXPECT_TRUE(FlushEvents(200)) << "the program ends: WM_QUIT";
    EXPECT_FALSE(IsWindow(MainWindow)) << (closeBox ? "close box" : "Exit");
    CheckEndedCleanly();
  }
}

TEST_F(TransferCommands, AnExitQueuedBehindReadFromWaitsForItsQuestionAndTransfer) {
  PickNextItem(ListTable[ModeSetting]);
  PostCommand(IDM_EXIT);
  TransferScript script;
  script.Box(Guard, GuardType, IDNO, OwnerRule::Window(MainWindow));
  script.Box(Read, MB_OK, IDOK, OwnerRule::Window(MainWindow));
  SendMessageA(ReadFromButton, BM_CLICK, 0, 0);
  EXPECT_EQ(32u, device.Exchanges().size());
  EXPECT_TRUE(IsWindow(MainWindow)) << "not closed inside the question";
  EXPECT_TRUE(FlushEvents(200)) << "closed after the transfer, with no second question";
  EXPECT_FALSE(IsWindow(MainWindow));
}

TEST_F(TransferCommands, ADeferredCloseStillAsksAboutUnsavedChanges) {
  PickNextItem(ListTable[ModeSetting]);
  PostCommand(IDM_EXIT);
  TransferScript script;
  script.Box(Saved, MB_OK, IDOK, OwnerRule::Window(MainWindow));
  script.Box(Guard, GuardType, IDCANCEL, OwnerRule::Window(MainWindow));
  SaveToDevice();
  FlushEvents(200);
  EXPECT_TRUE(IsWindow(MainWindow)) << "Cancel keeps the window";
}

TEST_F(TransferCommands, AQuitTakenByThePumpIsPostedAgain) {
  PostQuitMessage(7);
  {
    TransferScript script;
    script.Box(Saved, MB_OK, IDOK, OwnerRule::Window(MainWindow));
    SaveToDevice();
  }
  WPARAM code = 0;
  ASSERT_TRUE(TakeQuitMessage(&code));
  EXPECT_EQ(7u, code);
}

}  // namespace
