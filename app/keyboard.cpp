// Tab order from the lists' places in ListTable, and the buttons' keys.
#include "keyboard.h"

#include "../config/settings_controls.h"
#include "window_state.h"

static bool ShiftHeld() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

// Tab from a list: the next list for the first three, Save To for the rest. Shift+Tab: the previous
// list for positions 1 to 3, no window at all for the others. Both on purpose: docs/design.md.
static HWND TabTargetFromList(int position, bool backwards) {
  if (!backwards) return position < ModeSetting ? ListTable[position + 1] : SaveToButton;
  return position >= DataBitsSetting && position <= ModeSetting ? ListTable[position - 1] : 0;
}

LRESULT CALLBACK ListSubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == VK_TAB) {
    for (int position = 0; position < SettingCount; ++position)
      if (ListTable[position] == list) SetFocus(TabTargetFromList(position, ShiftHeld()));
  }
  return CallWindowProcA(ListClassProc, list, message, wParam, lParam);
}

// From the buttons, Tab goes on Save To -> Read From -> first list, and Shift+Tab walks back the
// same way to the last list of the Tab order; Left and Up reach Save To, Right and Down Read From.
static HWND KeyTargetFromButton(HWND button, WPARAM key) {
  bool onSaveTo = button == SaveToButton;
  switch (key) {
    case VK_TAB:
      if (ShiftHeld()) return onSaveTo ? ListTable[ModeSetting] : SaveToButton;
      return onSaveTo ? ReadFromButton : ListTable[BaudRateSetting];
    case VK_UP:
    case VK_LEFT:
      return SaveToButton;
    case VK_DOWN:
    case VK_RIGHT:
      return ReadFromButton;
  }
  return 0;
}

LRESULT CALLBACK ButtonSubclassProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN) {
    if (wParam == VK_RETURN) {
      // Sent, not posted: the whole command runs before the key goes on.
      SendMessageA(button, BM_CLICK, 0, 0);
    } else if (HWND target = KeyTargetFromButton(button, wParam)) {
      SetFocus(target);
    }
  }
  return CallWindowProcA(ButtonClassProc, button, message, wParam, lParam);
}

void OnMainWindowKeyDown(WPARAM key) {
  if (key == VK_TAB) SetFocus(ListTable[BaudRateSetting]);
}

void OnMainWindowClick() { SetFocus(MainWindow); }
