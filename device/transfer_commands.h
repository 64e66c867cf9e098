// Save To and Read From: the device transfers with their progress dialog and outcome messages.
#pragma once
#include <windows.h>

// The progress dialog of the running transfer; null when none runs.
extern HWND ProgressDialog;

void SaveToDevice();
void ReadFromDevice();
// True from the moment a transfer opens its progress dialog until its outcome has been reported.
bool TransferRunning();
// Exit or the close box during a transfer: carried out, guard included, once the transfer has ended.
void RequestCloseAfterTransfer();

void PauseWithMessages(int ms);
void ShowReadProgress(int configPercent, int dataPercent);
void ShowWriteProgress(int configPercent, int dataPercent);
void RouteTransferMessage(MSG& message);
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
