// Save To and Read From device commands. Everything runs on the one window thread: the pauses and
// the progress updates handle pending messages so that the window stays responsive.
#include "transfer_commands.h"

#include "../app/message_box.h"
#include "../app/window_state.h"
#include "../config/config_files.h"
#include "../config/settings_controls.h"
#include "../resources/resource.h"
#include "memory_protocol.h"

HWND ProgressDialog;
bool TransferInProgress;
bool CloseAfterTransfer;

// A WM_QUIT that a pump took from the queue; posted again when the transfer has ended.
static bool QuitTakenByPump;
static WPARAM TakenQuitCode;

const int TransferPauseMs = 100;

void RouteTransferMessage(MSG& message) {
  if (message.message == WM_QUIT) {
    QuitTakenByPump = true;
    TakenQuitCode = message.wParam;
    return;
  }
  if (IsWindow(ProgressDialog) && IsDialogMessageA(MainWindow, &message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

void PauseWithMessages(int ms) {
  DWORD start = GetTickCount();
  MSG message;
  while (static_cast<int>(GetTickCount() - start) < ms) {
    if (PeekMessageA(&message, 0, 0, 0, PM_REMOVE))
      RouteTransferMessage(message);
    else
      Sleep(1);
  }
}

// Handles every pending message and returns as soon as the queue is empty.
static void DrainMessages() {
  MSG message;
  while (PeekMessageA(&message, 0, 0, 0, PM_REMOVE)) RouteTransferMessage(message);
}

static void ShowProgress(const char* format, int configPercent, int dataPercent) {
  char text[96];
  wsprintfA(text, format, configPercent, dataPercent);
  SetWindowTextA(GetDlgItem(ProgressDialog, IDC_PROGRESS_TEXT), text);
  DrainMessages();
}

void ShowReadProgress(int configPercent, int dataPercent) {
  ShowProgress("Reading configuration - %d%%\nReading data - %d%%", configPercent, dataPercent);
}

void ShowWriteProgress(int configPercent, int dataPercent) {
  ShowProgress("Writing configuration - %d%%\nWriting data - %d%%", configPercent, dataPercent);
}

INT_PTR CALLBACK ProgressDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

static void OpenProgressDialog(int templateId) {
  ProgressDialog = CreateDialogParamA(ProgramInstance, MAKEINTRESOURCEA(templateId), MainWindow,
                                      ProgressDialogProc, 0);
  ShowWindow(ProgressDialog, SW_SHOW);
  UpdateWindow(ProgressDialog);
  PauseWithMessages(TransferPauseMs);
}

static void CloseProgressDialog() {
  DestroyWindow(ProgressDialog);
  ProgressDialog = 0;
  PauseWithMessages(TransferPauseMs);
}

// After the outcome has been reported: what arrived during the transfer and had to wait.
static void EndTransfer() {
  TransferInProgress = false;
  if (CloseAfterTransfer) {
    CloseAfterTransfer = false;
    PostMessageA(MainWindow, WM_CLOSE, 0, 0);
  }
  if (QuitTakenByPump) {
    QuitTakenByPump = false;
    PostQuitMessage(static_cast<int>(TakenQuitCode));
  }
}

static void ShowUnknownError(int result) {
  char text[48];
  wsprintfA(text, "Unknown error (%d)", result);
  ShowMessage(text, MB_ICONERROR);
}

void SaveToDevice() {
  if (TransferInProgress) return;
  TransferInProgress = true;
  ConfigBlock block;
  CollectSettingsFromControls(block);
  OpenProgressDialog(IDD_WRITE_PROGRESS);
  int result = WriteConfigToDevice(block, ShowWriteProgress, DrainMessages);
  CloseProgressDialog();
  switch (result) {
    case DeviceOk:
      ShowMessage("The configuration was successfully saved to the TAVRIK-9", MB_OK);
      break;
    case DeviceNotFound:
      ShowMessage("The TAVRIK-9 was not found", MB_ICONERROR);
      break;
    case DeviceTransferError:
      ShowMessage("Error while writing to the TAVRIK-9", MB_ICONERROR);
      break;
    default:
      ShowUnknownError(result);
      break;
  }
  EndTransfer();
}

void ReadFromDevice() {
  if (TransferInProgress) return;
  // Marked before the question: an Exit queued behind the click must wait for the whole command.
  TransferInProgress = true;
  if (QuerySaveChanges() == GuardAbandon) {
    EndTransfer();
    return;
  }
  ConfigBlock block;
  OpenProgressDialog(IDD_READ_PROGRESS);
  int result = ReadConfigFromDevice(block, ShowReadProgress);
  CloseProgressDialog();
  if (result == DeviceOk && !ApplySettingsToControls(block)) result = DeviceInvalidConfig;
  switch (result) {
    case DeviceOk:
      LayoutControls();
      LayoutButtons();
      ShowMessage("The configuration was successfully read from the TAVRIK-9", MB_OK);
      break;
    case DeviceNotFound:
      ShowMessage("The TAVRIK-9 was not found", MB_ICONERROR);
      break;
    case DeviceTransferError:
      ShowMessage("Error while reading from the TAVRIK-9", MB_ICONERROR);
      break;
    case DeviceInvalidConfig:
      ShowMessage("Invalid configuration", MB_ICONERROR);
      break;
    default:
      ShowUnknownError(result);
      break;
  }
  // A refused block leaves the window as it was, unsaved changes included.
  if (result != DeviceInvalidConfig) ModifiedFlag = 0;
  EndTransfer();
}
