// Keyboard navigation among the main window's controls, which is not a dialog: Tab, Shift+Tab,
// Enter and the arrows mean only what these routines make them mean.
#pragma once
#include <windows.h>

LRESULT CALLBACK ListSubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ButtonSubclassProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam);
// The main window's own rules: Tab leads into the first list; a click on the background takes the
// focus.
void OnMainWindowKeyDown(WPARAM key);
void OnMainWindowClick();
