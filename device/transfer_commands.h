// Save To and Read From: the device transfers with their progress dialog and outcome messages.
#pragma once
#include <windows.h>

// The progress dialog of the running transfer; null when none runs.
extern HWND ProgressDialog;
// Set while a transfer command runs, from its first step (Read From's unsaved-changes question) to
// its outcome message: the window stays live, so commands can arrive, and none may start a second
// transfer, or destroy the window, inside this one.
extern bool TransferInProgress;
// Exit or the close box arrived during the transfer: closing is asked for once it has ended.
extern bool CloseAfterTransfer;

void SaveToDevice();
void ReadFromDevice();

void PauseWithMessages(int ms);
void ShowReadProgress(int configPercent, int dataPercent);
void ShowWriteProgress(int configPercent, int dataPercent);
void RouteTransferMessage(MSG& message);
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
