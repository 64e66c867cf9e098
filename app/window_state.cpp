// Window handles and the layout refresh. Both refresh routines are harmless while handles are null,
// as they are when WM_SIZE arrives during the main window's creation.
#include "window_state.h"

#include "../config/settings_controls.h"

HWND MainWindow;
HINSTANCE ProgramInstance;
HWND SettingLabels[SettingCount];
HWND ButtonTable[20];
WNDPROC ListClassProc;
WNDPROC ButtonClassProc;

// Label and list places in list order; on screen the columns run mode, baud rate, data bits,
// parity, stop bits, handshaking.
const ControlPlace LabelPlaces[SettingCount] = {
    {111, 8, 96, 16},  // Baud Rate
    {218, 8, 96, 16},  // Number of Bits
    {418, 8, 96, 16},  // Stop Bits
    {5, 8, 96, 16},    // Mode
    {318, 8, 96, 16},  // Parity
    {518, 8, 96, 16},  // HandShaking
};
const ControlPlace ListPlaces[SettingCount] = {
    {126, 26, 64, 256},  // Baud Rate
    {235, 26, 64, 256},  // Number of Bits
    {435, 26, 64, 256},  // Stop Bits
    {10, 26, 84, 256},   // Mode
    {335, 26, 64, 256},  // Parity
    {530, 26, 74, 256},  // HandShaking
};
const ControlPlace ButtonPlaces[2] = {
    {128, 120, 134, 48},  // Save To
    {387, 120, 134, 48},  // Read From
};

// No SWP_NOZORDER: each moved control is raised to the top of its siblings.
const UINT MoveFlags = SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

// Moves a control that exists; sizes stay as they are.
static void MoveControl(HWND control, const ControlPlace& place, int width, int height) {
  if (control) SetWindowPos(control, HWND_TOP, place.X, place.Y, width, height, MoveFlags);
}

static void PlaceButtons() {
  for (int i = 0; i < 2; ++i) {
    MoveControl(ButtonTable[i], ButtonPlaces[i], 0, 0);
    if (ButtonTable[i]) ShowWindow(ButtonTable[i], SW_SHOW);
  }
}

void LayoutControls() {
  for (int i = 0; i < SettingCount; ++i) {
    if (SettingLabels[i]) InvalidateRect(SettingLabels[i], 0, FALSE);
    MoveControl(SettingLabels[i], LabelPlaces[i], LabelPlaces[i].Width, LabelPlaces[i].Height);
    MoveControl(ListTable[i], ListPlaces[i], ListPlaces[i].Width, ListPlaces[i].Height);
  }
  for (int i = 0; i < SettingCount; ++i)
    if (ListTable[i]) ShowWindow(ListTable[i], SW_SHOW);
  for (int i = 0; i < SettingCount; ++i)
    if (SettingLabels[i]) ShowWindow(SettingLabels[i], SW_SHOW);
  PlaceButtons();
}

void LayoutButtons() {
  if (MainWindow) InvalidateRect(MainWindow, 0, TRUE);
  PlaceButtons();
}
