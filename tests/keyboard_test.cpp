// Tab, Shift+Tab, Enter and the arrows among the main window's controls.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <vector>

#include "../app/window_state.h"
#include "../config/settings_controls.h"
#include "support/main_window_fixture.h"
#include "support/ui_automation.h"

namespace {

void SetShift(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

void Press(HWND window, WPARAM key, bool shift = false) {
  SetShift(shift);
  SendMessageA(window, WM_KEYDOWN, key, 1);
  SetShift(false);
}

const char* NameOf(HWND window) {
  static const char* const listNames[] = {"BaudRateList", "DataBitsList", "StopBitsList",
                                          "ModeList",     "ParityList",   "HandshakeList"};
  if (!window) return "no window";
  if (window == MainWindow) return "MainWindow";
  if (window == SaveToButton) return "SaveToButton";
  if (window == ReadFromButton) return "ReadFromButton";
  for (int s = 0; s < SettingCount; ++s)
    if (window == ListTable[s]) return listNames[s];
  return "another window";
}

class Keyboard : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    BringToFront();
  }
};

HWND WindowNamed(const char* name) {
  HWND candidates[] = {MainWindow, SaveToButton, ReadFromButton, ListTable[0], ListTable[1],
                       ListTable[2], ListTable[3], ListTable[4], ListTable[5]};
  for (HWND window : candidates)
    if (!strcmp(NameOf(window), name)) return window;
  return nullptr;
}

// The lists' rows follow their places in ListTable; the buttons' rows are this program's own choice.
TEST_F(Keyboard, TabShiftTabAndArrowsMoveTheFocus) {
  struct Case {
    const char* from;
    WPARAM key;
    bool shift;
    const char* expected;
  } cases[] = {
      {"BaudRateList", VK_TAB, false, "DataBitsList"},   {"BaudRateList", VK_TAB, true, "no window"},
      {"DataBitsList", VK_TAB, false, "StopBitsList"},   {"DataBitsList", VK_TAB, true, "BaudRateList"},
      {"StopBitsList", VK_TAB, false, "ModeList"},       {"StopBitsList", VK_TAB, true, "DataBitsList"},
      {"ModeList", VK_TAB, false, "SaveToButton"},       {"ModeList", VK_TAB, true, "StopBitsList"},
      {"ParityList", VK_TAB, false, "SaveToButton"},     {"ParityList", VK_TAB, true, "no window"},
      {"HandshakeList", VK_TAB, false, "SaveToButton"},  {"HandshakeList", VK_TAB, true, "no window"},
      {"MainWindow", VK_TAB, false, "BaudRateList"},     {"MainWindow", VK_TAB, true, "BaudRateList"},
      {"SaveToButton", VK_UP, false, "SaveToButton"},    {"ReadFromButton", VK_UP, false, "SaveToButton"},
      {"SaveToButton", VK_TAB, false, "ReadFromButton"}, {"ReadFromButton", VK_TAB, false, "BaudRateList"},
      {"SaveToButton", VK_TAB, true, "ModeList"},        {"ReadFromButton", VK_TAB, true, "SaveToButton"},
      {"SaveToButton", VK_RIGHT, false, "ReadFromButton"}, {"ReadFromButton", VK_LEFT, false, "SaveToButton"},
      {"SaveToButton", VK_DOWN, false, "ReadFromButton"},
  };
  for (const Case& c : cases) {
    HWND from = WindowNamed(c.from);
    SetFocus(from);
    ASSERT_EQ(from, GetFocus()) << c.from;
    Press(from, c.key, c.shift);
    EXPECT_STREQ(c.expected, NameOf(GetFocus())) << "key " << c.key << (c.shift ? " with Shift" : "") << " on "
                                                 << c.from;
  }
}

// Records what reaches the list class procedure behind the program's subclass.
std::vector<UINT> ClassProcKeys;
WNDPROC RealListProc;
LRESULT CALLBACK RecordingListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN) ClassProcKeys.push_back(static_cast<UINT>(wParam));
  return CallWindowProcA(RealListProc, window, message, wParam, lParam);
}

TEST_F(Keyboard, TheTabKeyDownStillReachesTheListItself) {
  RealListProc = ListClassProc;
  ListClassProc = RecordingListProc;
  ClassProcKeys.clear();
  SetFocus(ListTable[ModeSetting]);
  Press(ListTable[ModeSetting], VK_TAB);
  ListClassProc = RealListProc;
  EXPECT_STREQ("SaveToButton", NameOf(GetFocus()));
  ASSERT_EQ(1u, ClassProcKeys.size());
  EXPECT_EQ(static_cast<UINT>(VK_TAB), ClassProcKeys[0]);
}

TEST_F(Keyboard, AClickOnTheBackgroundGivesTheWindowTheFocusAndTabLeadsOn) {
  SetFocus(ListTable[ParitySetting]);
  Press(ListTable[ParitySetting], VK_TAB, true);
  ASSERT_EQ(nullptr, GetFocus());
  SendMessageA(MainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 200));
  EXPECT_STREQ("MainWindow", NameOf(GetFocus()));
  Press(MainWindow, VK_TAB);
  EXPECT_STREQ("BaudRateList", NameOf(GetFocus()));
}

// Enter clicks the button, and the whole command has run before the key goes on.
WNDPROC RealButtonProc;
size_t ExchangesWhenEnterArrived;
SimulatedDeviceScope* Device;
LRESULT CALLBACK RecordingButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == VK_RETURN) ExchangesWhenEnterArrived = Device->Exchanges().size();
  return CallWindowProcA(RealButtonProc, window, message, wParam, lParam);
}

TEST_F(Keyboard, EnterOnAButtonRunsItsWholeCommandFirst) {
  struct Case {
    HWND button;
    const char* outcome;
    size_t exchanges;
  } cases[] = {{SaveToButton, "The configuration was successfully saved to the TAVRIK-9", 34},
               {ReadFromButton, "The configuration was successfully read from the TAVRIK-9", 32}};
  Device = &device;
  RealButtonProc = ButtonClassProc;
  ButtonClassProc = RecordingButtonProc;
  for (const Case& c : cases) {
    device.ClearLog();
    ExchangesWhenEnterArrived = 0;
    UiScript script;
    script.Ignore("Writing TAVRIKX").Ignore("Reading TAVRIKX");
    script.Box(c.outcome, MB_OK, IDOK, OwnerRule::Window(MainWindow));
    SetFocus(c.button);
    Press(c.button, VK_RETURN);
    EXPECT_EQ(c.exchanges, ExchangesWhenEnterArrived) << c.outcome;
  }
  ButtonClassProc = RealButtonProc;
}

}  // namespace
