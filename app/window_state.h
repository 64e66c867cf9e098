// The window handles shared by the whole program, the controls' fixed places, and the layout
// refresh.
#pragma once
#include <windows.h>

#include "../config/config_block.h"

extern HWND MainWindow;
extern HINSTANCE ProgramInstance;
// The six labels in list order (BaudRateSetting .. HandshakeSetting).
extern HWND SettingLabels[SettingCount];
// Entry 0 is SaveToButton, entry 1 ReadFromButton; the other 18 stay null (docs/design.md).
extern HWND ButtonTable[20];
extern WNDPROC ListClassProc;
extern WNDPROC ButtonClassProc;

const int SaveToButtonIndex = 0, ReadFromButtonIndex = 1;
#define SaveToButton (ButtonTable[SaveToButtonIndex])
#define ReadFromButton (ButtonTable[ReadFromButtonIndex])

struct ControlPlace {
  int X, Y, Width, Height;
};
// Client-area places in list order; a list's height is its height when dropped down.
extern const ControlPlace LabelPlaces[SettingCount];
extern const ControlPlace ListPlaces[SettingCount];
extern const ControlPlace ButtonPlaces[2];

// Puts the labels and lists at their places and shows them, then the buttons.
void LayoutControls();
// Repaints the whole client area and puts the buttons at their places.
void LayoutButtons();
