// Start-up: the window class, the main window and its controls, the device check and the loop.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <map>
#include <string>

#include "../app/keyboard.h"
#include "../app/main_window.h"
#include "../app/startup.h"
#include "../app/window_state.h"
#include "../config/config_files.h"
#include "../config/settings_controls.h"
#include "../resources/resource.h"
#include "support/main_window_fixture.h"
#include "support/ui_automation.h"

namespace {

RECT ClientPlace(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::string TextOf(HWND window) {
  char text[64] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[32] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

using Startup = MainWindowTest;

TEST_F(Startup, RegistersTheClassAndSizesTheClientArea) {
  WNDCLASSA info;
  ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "TAVRIKXloadClass", &info));
  EXPECT_EQ(static_cast<UINT>(CS_OWNDC), info.style);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(MainWindowProc), info.lpfnWndProc);
  EXPECT_EQ(reinterpret_cast<HBRUSH>(16), info.hbrBackground);
  EXPECT_EQ(MAKEINTRESOURCEA(IDR_MAINMENU), info.lpszMenuName);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), info.hCursor);
  EXPECT_NE(nullptr, info.hIcon);
  EXPECT_EQ(0, info.cbClsExtra + info.cbWndExtra);

  EXPECT_EQ("TAVRIK-9 Configuration Utility", TextOf(MainWindow));
  LONG style = GetWindowLongA(MainWindow, GWL_STYLE);
  EXPECT_EQ(static_cast<LONG>(WS_OVERLAPPEDWINDOW), style & WS_OVERLAPPEDWINDOW);
  EXPECT_FALSE(style & WS_VISIBLE) << "created hidden";
  EXPECT_EQ(0, GetWindowLongA(MainWindow, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE);
  EXPECT_NE(nullptr, GetMenu(MainWindow)) << "the class menu";
  RECT client;
  GetClientRect(MainWindow, &client);
  EXPECT_EQ(625, client.right);
  EXPECT_EQ(220, client.bottom);
}

// The styles each control was created with (some classes change their own style afterwards).
std::map<HWND, LONG> CreationStyles;
HHOOK CreationHook;
LRESULT CALLBACK RecordCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND)
    CreationStyles[reinterpret_cast<HWND>(wParam)] = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->style;
  return CallNextHookEx(CreationHook, code, wParam, lParam);
}

TEST_F(Startup, ControlsSitAtTheirPlacesWithTheirTextsStylesAndFont) {
  // Built again under a hook that sees every creation.
  DestroyWindow(MainWindow);
  TakeQuitMessage();
  CreationStyles.clear();
  CreationHook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
  CreateMainWindow(GetModuleHandleA(nullptr), nullptr);
  UnhookWindowsHookEx(CreationHook);
  struct Expected {
    HWND control;
    const char* className;
    const char* text;
    LONG style;
    int x, y, width;
  };
  // Created hidden: start-up and the layout refresh show them.
  const LONG label = WS_CHILD | SS_CENTER;
  const LONG list = WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;
  const LONG button = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE;
  const Expected controls[] = {
      {SettingLabels[ModeSetting], "Static", "Mode", label, 5, 8, 96},
      {SettingLabels[BaudRateSetting], "Static", "Baud Rate", label, 111, 8, 96},
      {SettingLabels[DataBitsSetting], "Static", "Number of Bits", label, 218, 8, 96},
      {SettingLabels[ParitySetting], "Static", "Parity", label, 318, 8, 96},
      {SettingLabels[StopBitsSetting], "Static", "Stop Bits", label, 418, 8, 96},
      {SettingLabels[HandshakeSetting], "Static", "HandShaking", label, 518, 8, 96},
      {ListTable[ModeSetting], "ComboBox", "", list, 10, 26, 84},
      {ListTable[BaudRateSetting], "ComboBox", "", list, 126, 26, 64},
      {ListTable[DataBitsSetting], "ComboBox", "", list, 235, 26, 64},
      {ListTable[ParitySetting], "ComboBox", "", list, 335, 26, 64},
      {ListTable[StopBitsSetting], "ComboBox", "", list, 435, 26, 64},
      {ListTable[HandshakeSetting], "ComboBox", "", list, 530, 26, 74},
      {SaveToButton, "Button", "Save To TAVRIK-9", button, 128, 120, 134},
      {ReadFromButton, "Button", "Read From TAVRIK-9", button, 387, 120, 134},
  };
  for (const Expected& c : controls) {
    ASSERT_TRUE(IsWindow(c.control)) << c.text;
    SCOPED_TRACE(std::string(c.className) + " " + c.text);
    EXPECT_EQ(MainWindow, GetParent(c.control));
    EXPECT_STRCASEEQ(c.className, ClassOf(c.control).c_str());
    if (*c.text) {
      EXPECT_EQ(c.text, TextOf(c.control));
    }
    EXPECT_EQ(c.style, CreationStyles[c.control]);
    EXPECT_TRUE(GetWindowLongA(c.control, GWL_STYLE) & WS_VISIBLE) << "shown";
    EXPECT_EQ(0, GetDlgCtrlID(c.control));
    EXPECT_EQ(reinterpret_cast<WPARAM>(ControlFont), static_cast<WPARAM>(SendMessageA(c.control, WM_GETFONT, 0, 0)));
    RECT place = ClientPlace(c.control);
    EXPECT_EQ(c.x, place.left);
    EXPECT_EQ(c.y, place.top);
    EXPECT_EQ(c.width, place.right - place.left);
  }
  for (int i = 2; i < 20; ++i) EXPECT_EQ(nullptr, ButtonTable[i]) << "entry " << i;
  EXPECT_EQ(48, ClientPlace(SaveToButton).bottom - ClientPlace(SaveToButton).top);
}

TEST_F(Startup, ListsHoldTheCodeTablesUnsortedAndShowTheDefaults) {
  const char* const items[SettingCount] = {"2400|4800|9600|14400|19200|38400", "7|8", "1|2",
                                           "ASCII|Ext ASCII|Key Number", "None|Odd|Even", "None|RTS/CTS"};
  for (int s = 0; s < SettingCount; ++s) {
    std::string all;
    LRESULT count = SendMessageA(ListTable[s], CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char text[32] = "";
      SendMessageA(ListTable[s], CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      all += (i ? "|" : "") + std::string(text);
    }
    EXPECT_EQ(items[s], all) << "list " << s;
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(ListSubclassProc), GetWindowLongPtrA(ListTable[s], GWLP_WNDPROC));
  }
  EXPECT_EQ("9600|8|1|ASCII|None|None", AllShown());
  EXPECT_EQ(0, ModifiedFlag);
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(ButtonSubclassProc), GetWindowLongPtrA(SaveToButton, GWLP_WNDPROC));
}

TEST_F(Startup, TheControlFontIsEightAndAQuarterPoints) {
  LOGFONTA font;
  ASSERT_EQ(static_cast<int>(sizeof font), GetObjectA(ControlFont, sizeof font, &font));
  HDC screen = GetDC(MainWindow);
  int expected = -MulDiv(33, GetDeviceCaps(screen, LOGPIXELSY), 288);
  ReleaseDC(MainWindow, screen);
  EXPECT_EQ(expected, font.lfHeight);
  EXPECT_EQ(400, font.lfWeight);
  EXPECT_EQ(DEFAULT_CHARSET, font.lfCharSet);
  EXPECT_STREQ("Microsoft Sans Serif", font.lfFaceName);
}

// The whole run, with its own window.
class StartupRun : public ::testing::Test {
 protected:
  void TearDown() override {
    if (IsWindow(MainWindow)) DestroyWindow(MainWindow);
    TakeQuitMessage();
    MainWindow = nullptr;
    memset(ListTable, 0, sizeof ListTable);
    memset(SettingLabels, 0, sizeof SettingLabels);
    memset(ButtonTable, 0, sizeof ButtonTable);
    ModifiedFlag = 0;
  }
  SimulatedDeviceScope device;
};

bool VisibleWhenBoxCame;
TEST_F(StartupRun, WithoutADeviceOnlyTheErrorIsShownAndTheExitCodeIsZero) {
  device.SetAbsent(true);
  UiScript script;
  script.Box("       No TAVRIK-9 device was detected !\n\nClick the OK button below, plug the TAVRIK-9\n into "
                   "the USB Port, and restart the program.",
                   MB_ICONERROR, IDOK, OwnerRule::Any())
      .WhileShown([](HWND box) {
        VisibleWhenBoxCame = IsWindowVisible(MainWindow);
        EXPECT_EQ(MainWindow, GetWindow(box, GW_OWNER)) << "owned by the hidden main window";
      });
  EXPECT_EQ(0, RunUtility(GetModuleHandleA(nullptr), nullptr, SW_SHOWNORMAL));
  EXPECT_FALSE(VisibleWhenBoxCame) << "the main window is never shown";
  EXPECT_FALSE(IsWindow(MainWindow));
  EXPECT_TRUE(script.AllShown());
}

struct SeenWhileRunning {
  bool Iconic, Visible, ControlsPlaced;
} Seen;
void CALLBACK LookAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  Seen.Iconic = IsIconic(MainWindow);
  Seen.Visible = IsWindowVisible(MainWindow);
  RECT place = ClientPlace(ReadFromButton);
  Seen.ControlsPlaced = IsWindowVisible(ReadFromButton) && place.left == 387 && place.top == 120 &&
                        IsWindowVisible(ListTable[HandshakeSetting]);
  PostMessageA(MainWindow, WM_CLOSE, 0, 0);
}

TEST_F(StartupRun, StartedMinimisedTheControlsAreAlreadyInPlaceAndClosingEndsTheLoop) {
  Seen = {};
  SetTimer(nullptr, 0, 300, LookAndClose);
  EXPECT_EQ(0, RunUtility(GetModuleHandleA(nullptr), nullptr, SW_SHOWMINNOACTIVE));
  EXPECT_TRUE(Seen.Visible);
  EXPECT_TRUE(Seen.Iconic);
  EXPECT_TRUE(Seen.ControlsPlaced);
  EXPECT_FALSE(IsWindow(MainWindow));
  auto log = device.Log();
  ASSERT_EQ(2u, log.size()) << "one presence check";
  EXPECT_TRUE(ConnectionsBalanced(log));
}

}  // namespace
