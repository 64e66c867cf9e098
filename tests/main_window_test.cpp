// The main window procedure: drop-down heights, refresh on resizing, snapping, selection changes,
// the About box, closing.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "../app/window_state.h"
#include "../config/config_files.h"
#include "../config/settings_controls.h"
#include "../resources/resource.h"
#include "support/main_window_fixture.h"
#include "support/ui_automation.h"

namespace {

// The program's size requests to the lists. The combo box answers each with a resize of its own
// (without SWP_NOOWNERZORDER) that puts its closed height back, so the request is what counts.
struct SizeRequest {
  HWND list;
  int x, y, width, height;
  UINT flags;
};
std::vector<SizeRequest> Requests;
HHOOK RequestHook;
LRESULT CALLBACK RecordSizeRequests(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_WINDOWPOSCHANGING) {
    const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(call->lParam);
    for (HWND list : ListTable)
      if (call->hwnd == list && (pos->flags & SWP_NOOWNERZORDER))
        Requests.push_back({list, pos->x, pos->y, pos->cx, pos->cy, pos->flags});
  }
  return CallNextHookEx(RequestHook, code, wParam, lParam);
}

using MainWindowProcedure = MainWindowTest;

TEST_F(MainWindowProcedure, EveryListIsTallWhileOpenAndShortWhenClosed) {
  BringToFront();
  RequestHook = SetWindowsHookExA(WH_CALLWNDPROC, RecordSizeRequests, nullptr, GetCurrentThreadId());
  for (int pass = 0; pass < 2; ++pass)
    for (HWND list : ListTable) {
      RECT before;
      GetWindowRect(list, &before);
      Requests.clear();
      SendMessageA(list, CB_SHOWDROPDOWN, TRUE, 0);
      SendMessageA(list, CB_SHOWDROPDOWN, FALSE, 0);
      ASSERT_EQ(2u, Requests.size()) << "one resize on opening, one on closing";
      EXPECT_EQ(256, Requests[0].height);
      EXPECT_EQ(24, Requests[1].height);
      for (const SizeRequest& request : Requests) {
        EXPECT_EQ(before.right - before.left, request.width);
        EXPECT_EQ(static_cast<UINT>(SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER), request.flags);
      }
      RECT after;
      GetWindowRect(list, &after);
      EXPECT_EQ(before.left, after.left);
      EXPECT_EQ(before.top, after.top);
    }
  UnhookWindowsHookEx(RequestHook);
}

TEST_F(MainWindowProcedure, ResizingRefreshesTheLayoutUnlessMinimised) {
  HWND label = SettingLabels[ParitySetting], button = ReadFromButton;
  auto displace = [&] {
    SetWindowPos(label, nullptr, 1, 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(button, nullptr, 2, 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  };
  auto placedAt = [](HWND control, int x, int y) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&rect), 1);
    return rect.left == x && rect.top == y;
  };
  struct Case {
    WPARAM kind;
    bool refreshed;
  } cases[] = {{SIZE_MINIMIZED, false}, {SIZE_RESTORED, true}, {SIZE_MAXIMIZED, true}, {SIZE_MAXSHOW, true}};
  for (const Case& c : cases) {
    displace();
    EXPECT_EQ(0, SendMessageA(MainWindow, WM_SIZE, c.kind, MAKELPARAM(625, 220)));
    EXPECT_EQ(c.refreshed, placedAt(label, 318, 8)) << "WM_SIZE " << c.kind;
    EXPECT_EQ(c.refreshed, placedAt(button, 387, 120)) << "WM_SIZE " << c.kind;
  }
}

TEST_F(MainWindowProcedure, SizingSnapsWithThePlatformFrame) {
  auto outer = [](int width, int height) {
    RECT rect = {0, 0, width, height};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, TRUE);
    return rect;
  };
  RECT first = outer(341, 309), second = outer(405, 357);
  int w1 = first.right - first.left, w2 = second.right - second.left;
  int h1 = first.bottom - first.top, h2 = second.bottom - second.top;
  RECT proposed = {50, 60, 50 + (w1 + w2) / 2, 60 + (h1 + h2) / 2};
  EXPECT_EQ(TRUE, SendMessageA(MainWindow, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed)));
  EXPECT_EQ(50 + w2, proposed.right) << "a width tie takes the wider size";
  EXPECT_EQ(60 + h1, proposed.bottom) << "a height tie takes the shorter size";
  RECT left = {100, 100, 100 + w2 + 3, 100 + h2 - 5};
  SendMessageA(MainWindow, WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&left));
  EXPECT_EQ(100 + w2 + 3, left.right) << "dragging the left border keeps the right edge";
  EXPECT_EQ(100 + w2 + 3 - w2, left.left);
  EXPECT_EQ(100 + h2, left.bottom) << "and snaps the height at the bottom edge";
}

TEST_F(MainWindowProcedure, OnlyAUserChoiceInAListMarksTheConfigurationChanged) {
  for (int s = 0; s < SettingCount; ++s) {
    ModifiedFlag = 0;
    SendMessageA(ListTable[s], CB_SETCURSEL, 1, 0);
    EXPECT_EQ(0, ModifiedFlag) << "a selection set by the program, list " << s;
    PickNextItem(ListTable[s]);
    EXPECT_NE(0, ModifiedFlag) << "a key in list " << s;
  }
}

TEST_F(MainWindowProcedure, ClosingWithoutChangesEndsTheProgramWithoutAQuestion) {
  UiScript script;  // no window expected
  EXPECT_EQ(0, SendMessageA(MainWindow, WM_CLOSE, 0, 0));
  EXPECT_FALSE(IsWindow(MainWindow));
  WPARAM code = 99;
  EXPECT_TRUE(TakeQuitMessage(&code));
  EXPECT_EQ(0u, code);
}

TEST_F(MainWindowProcedure, ClosingWithChangesAsksAndCancelKeepsTheWindow) {
  PickNextItem(ListTable[ModeSetting]);
  {
    UiScript script;
    script.Box("The current configuration has changed.\nDo you want to save the changes?",
                     MB_YESNOCANCEL | MB_ICONQUESTION, IDCANCEL, OwnerRule::Window(MainWindow));
    EXPECT_EQ(0, SendMessageA(MainWindow, WM_CLOSE, 0, 0));
  }
  EXPECT_TRUE(IsWindow(MainWindow));
  {
    UiScript script;
    script.Box("The current configuration has changed.\nDo you want to save the changes?",
                     MB_YESNOCANCEL | MB_ICONQUESTION, IDNO, OwnerRule::Window(MainWindow));
    SendMessageA(MainWindow, WM_COMMAND, IDM_EXIT, 0);
  }
  EXPECT_FALSE(IsWindow(MainWindow));
}

// The About box closes on any command: its button, Esc, the close box, anything else.
enum AboutAction { PressOk, PressEscape, CloseBox, OtherCommand };
AboutAction Action;
bool AboutOwned;
int WatchdogFired;
void CALLBACK AnswerAbout(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND about = FindWindowA("#32770", "About TAVRIK-9");
  if (!about) return;
  KillTimer(nullptr, timer);
  AboutOwned = GetWindow(about, GW_OWNER) == MainWindow;
  switch (Action) {
    case PressOk: SendDlgItemMessageA(about, IDOK, BM_CLICK, 0, 0); break;
    case PressEscape: PostMessageA(GetFocus() ? GetFocus() : about, WM_KEYDOWN, VK_ESCAPE, 0x00010001); break;
    case CloseBox: PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case OtherCommand: PostMessageA(about, WM_COMMAND, 4321, 0); break;
  }
}
void CALLBACK AboutWatchdog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (HWND about = FindWindowA("#32770", "About TAVRIK-9")) ++WatchdogFired, EndDialog(about, 0);
}

TEST_F(MainWindowProcedure, TheAboutBoxClosesOnAnyCommand) {
  BringToFront();
  for (AboutAction action : {PressOk, PressEscape, CloseBox, OtherCommand}) {
    Action = action;
    AboutOwned = false;
    WatchdogFired = 0;
    UINT_PTR answer = SetTimer(nullptr, 0, 50, AnswerAbout), watchdog = SetTimer(nullptr, 0, 3000, AboutWatchdog);
    SendMessageA(MainWindow, WM_COMMAND, IDM_ABOUT, 0);
    KillTimer(nullptr, answer);
    KillTimer(nullptr, watchdog);
    EXPECT_TRUE(AboutOwned) << "action " << action;
    EXPECT_EQ(0, WatchdogFired) << "the About box did not close on action " << action;
  }
}

}  // namespace
