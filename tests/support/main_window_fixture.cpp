// The main window fixture.
#include "main_window_fixture.h"

#include <string.h>

#include "../../app/startup.h"
#include "../../app/window_state.h"
#include "../../config/config_files.h"
#include "../../config/settings_controls.h"
#include "../../device/transfer_commands.h"

void MainWindowTest::SetUp() {
  CreateMainWindow(GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(IsWindow(MainWindow));
}

void MainWindowTest::TearDown() {
  if (IsWindow(MainWindow)) DestroyWindow(MainWindow);
  TakeQuitMessage();
  DeleteObject(ControlFont);
  ControlFont = nullptr;
  MainWindow = nullptr;
  memset(ListTable, 0, sizeof ListTable);
  memset(SettingLabels, 0, sizeof SettingLabels);
  memset(ButtonTable, 0, sizeof ButtonTable);
  memset(&SettingsState, 0, sizeof SettingsState);
  ModifiedFlag = 0;
  CurrentFileName[0] = 0;
  ProgressDialog = nullptr;
  TransferInProgress = CloseAfterTransfer = false;
}

std::string MainWindowTest::Shown(HWND list) {
  char text[32] = "";
  LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return "(none)";
  SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string MainWindowTest::AllShown() {
  std::string all;
  for (int s = 0; s < SettingCount; ++s) all += (s ? "|" : "") + Shown(ListTable[s]);
  return all;
}

void MainWindowTest::PickNextItem(HWND list) {
  LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
  LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
  SendMessageA(list, WM_KEYDOWN, index + 1 < count ? VK_DOWN : VK_UP, 0);
}

void MainWindowTest::BringToFront() {
  ShowWindow(MainWindow, SW_SHOW);
  SetWindowPos(MainWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(MainWindow);
  SetActiveWindow(MainWindow);
  UpdateWindow(MainWindow);
  MSG message;
  for (int i = 0; i < 20 && GetForegroundWindow() != MainWindow; ++i) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
  char other[64] = "";
  GetWindowTextA(GetForegroundWindow(), other, sizeof other);
  ASSERT_EQ(MainWindow, GetForegroundWindow()) << "the window must be in front for focus checks; in front: \""
                                               << other << "\"";
}

bool TakeQuitMessage(WPARAM* code) {
  MSG message;
  if (!PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
  if (code) *code = message.wParam;
  return true;
}
