// Start-up: the main window with its font, labels, lists and buttons, the device check and the
// message loop.
#pragma once
#include <windows.h>

// The one font of every label, list and button; deleted when the message loop has ended.
extern HFONT ControlFont;

// The whole run of the program; returns the exit code, which is always 0.
int RunUtility(HINSTANCE instance, HINSTANCE previousInstance, int showCommand);

// The steps before the device check: advisory, class, window, font, controls, defaults.
void CreateMainWindow(HINSTANCE instance, HINSTANCE previousInstance);
HWND CreateSettingLabel(int x, int y, int width, int height, const char* text);
HWND CreateSettingList(int x, int y, int width, int height);
HWND CreateCommandButton(int x, int y, int width, int height, const char* text);
