// Messages of the main window: commands, device buttons, drop-down heights, closing, keys, sizing.
#include "main_window.h"

#include "../config/config_files.h"
#include "../config/settings_controls.h"
#include "../device/transfer_commands.h"
#include "../resources/resource.h"
#include "keyboard.h"
#include "size_snapping.h"
#include "window_state.h"

const int ClosedListHeight = 24, DroppedListHeight = 256;

// While a transfer runs the window stays live; a command that would start another transfer, load or
// save a configuration, or open a modal box is refused with a beep. Closing waits for the end.
static bool RefusedDuringTransfer() {
  if (!TransferInProgress) return false;
  MessageBeep(MB_ICONWARNING);
  return true;
}

static void ShowAboutBox(HWND owner) {
  DialogBoxParamA(ProgramInstance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDialogProc, 0);
}

static void OnExit() {
  if (TransferInProgress)
    CloseAfterTransfer = true;
  else
    ExitCommand();
}

static void SetListHeight(HWND list, int height) {
  RECT place;
  GetWindowRect(list, &place);
  SetWindowPos(list, HWND_TOP, 0, 0, place.right - place.left, height,
               SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

static bool IsSettingList(HWND window) {
  for (HWND list : ListTable)
    if (list && list == window) return true;
  return false;
}

static void OnControlNotification(int code, HWND sender) {
  if (sender == SaveToButton && !RefusedDuringTransfer()) SaveToDevice();
  if (sender == ReadFromButton && !RefusedDuringTransfer()) ReadFromDevice();
  if (code == CBN_DROPDOWN) {
    SetListHeight(sender, DroppedListHeight);
    UpdateWindow(MainWindow);
  }
  if (code == CBN_CLOSEUP) SetListHeight(sender, ClosedListHeight);
  if (code == CBN_SELCHANGE && IsSettingList(sender)) NoteSettingChanged();
}

static void OnCommand(HWND window, WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDM_NEW:
      if (!RefusedDuringTransfer()) NewConfiguration();
      break;
    case IDM_OPEN:
      if (!RefusedDuringTransfer()) OpenConfigFile();
      break;
    case IDM_SAVE:
      if (!RefusedDuringTransfer()) SaveConfigFile();
      break;
    case IDM_EXIT:
      OnExit();
      break;
    case IDM_ABOUT:
      if (!RefusedDuringTransfer()) ShowAboutBox(window);
      break;
    default:
      OnControlNotification(HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      break;
  }
}

static LRESULT OnClose(HWND window, WPARAM wParam, LPARAM lParam) {
  if (!TransferInProgress) return CloseRequest(window, wParam, lParam);
  CloseAfterTransfer = true;
  return 0;
}

static void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
}

// The frame does not depend on the client size, so one AdjustWindowRect per message serves every
// candidate: a call per candidate would cost some 30 ms for a target past the last one.
static FrameSize MainWindowFrame() {
  RECT outer = {0, 0, 0, 0};
  AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, TRUE);
  return {outer.right - outer.left, outer.bottom - outer.top};
}

static void OnSizing(WPARAM edge, RECT* proposed) {
  SnapRect rect = {proposed->left, proposed->top, proposed->right, proposed->bottom};
  SnapWindowRect(rect, static_cast<int>(edge), MainWindowFrame());
  SetRect(proposed, rect.Left, rect.Top, rect.Right, rect.Bottom);
}

static void OnSize(WPARAM kind) {
  if (kind == SIZE_MINIMIZED) return;
  LayoutControls();
  LayoutButtons();
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      OnSize(wParam);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_CLOSE:
      return OnClose(window, wParam, lParam);
    case WM_KEYDOWN:
      OnMainWindowKeyDown(wParam);
      return 0;
    case WM_COMMAND:
      OnCommand(window, wParam, lParam);
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
      return 0;
    case WM_LBUTTONDOWN:
      OnMainWindowClick();
      return 0;
    case WM_SIZING:
      OnSizing(wParam, reinterpret_cast<RECT*>(lParam));
      return TRUE;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return FALSE;
  EndDialog(dialog, LOWORD(wParam));
  return TRUE;
}
