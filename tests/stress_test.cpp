// The impatient user: slow Save To and Read From transfers on the real main window, with a few hundred
// random commands fired through the message queue while they run and every modal window answered.
// Checked: one device connection at a time, one progress dialog at most, outcome boxes true to what the
// device did, nothing left of a transfer after it, and Exit or the close box during a transfer ending
// the program once the transfer is over. The seed is printed; TAVRIK_STRESS_SEED=<n> repeats a run's
// choices (each step draws from its own stream: its device, button and first commands repeat exactly).
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "../app/window_state.h"
#include "../config/settings_controls.h"
#include "../device/memory_protocol.h"
#include "../device/transfer_commands.h"
#include "../resources/resource.h"
#include "support/main_window_fixture.h"
#include "support/ui_automation.h"

namespace {

const char* const GuardText = "The current configuration has changed.\nDo you want to save the changes?";
const int PlannedSteps = 40, CommandBudget = 400;  // transfers started and commands fired, at most
const DWORD RunMs = 20000, WatchdogMs = 120000;     // no new transfer after RunMs; a hang ends the process
const DWORD AnswerAfterMs = 20;                     // a modal window is answered this long after it came up

unsigned Seed;
int Step, Fired, Outcomes, MostProgressDialogs, LastJudgedOpen;
std::mt19937 Random;
SimulatedDeviceScope* Device;
WNDPROC MainWindowClassProc;
bool CloseInTransfer, StoppedAfterClose;  // in this step

struct Modal { HWND Window; DWORD Since; int Posts; };
std::vector<Modal> Modals;  // modal windows met and not yet gone

std::string Where() { return " (seed " + std::to_string(Seed) + ", step " + std::to_string(Step) + ")"; }
int Pick(int count) { return static_cast<int>(Random() % static_cast<unsigned>(count)); }

std::string TextOf(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

bool IsDialog(HWND window) {
  char name[16] = "";
  return GetClassNameA(window, name, sizeof name) && lstrcmpA(name, "#32770") == 0;
}

bool IsProgressDialog(HWND window) {
  std::string caption = TextOf(window);
  return caption == "Writing TAVRIKX" || caption == "Reading TAVRIKX";
}

// The message of one of the program's boxes (they all carry its title); empty for other windows.
std::string BoxText(HWND window) {
  HWND text = GetDlgItem(window, 0xFFFF);
  return text && TextOf(window) == PROGRAM_TITLE ? TextOf(text) : std::string();
}

BOOL CALLBACK CountProgressDialog(HWND window, LPARAM count) {
  *reinterpret_cast<int*>(count) += IsProgressDialog(window);
  return TRUE;
}

int CountProgressDialogs() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountProgressDialog, reinterpret_cast<LPARAM>(&count));
  if (count > 1 && count > MostProgressDialogs) ADD_FAILURE() << count << " progress dialogs at once" << Where();
  MostProgressDialogs = std::max(MostProgressDialogs, count);
  return count;
}

// Every box but the question reports a transfer: not found for a failed open, the error of its
// direction after a failed exchange, success only when every exchange succeeded; one box per connection.
void JudgeOutcome(const std::string& text) {
  ++Outcomes;
  EXPECT_EQ(nullptr, ProgressDialog) << "box \"" << text << "\" while the progress dialog is up" << Where();
  std::vector<DeviceLogEntry> log = Device->Log();
  int open = -1;
  for (int i = 0; i < static_cast<int>(log.size()); ++i)
    if (log[i].Kind == "open") open = i;
  ASSERT_GT(open, LastJudgedOpen) << "box \"" << text << "\" without a device access of its own" << Where();
  LastJudgedOpen = open;
  static const char* const texts[2][2] = {  // [writing][failed]
      {"The configuration was successfully read from the TAVRIK-9", "Error while reading from the TAVRIK-9"},
      {"The configuration was successfully saved to the TAVRIK-9", "Error while writing to the TAVRIK-9"}};
  bool closed = false, writing = false, failed = false;
  for (size_t i = open + 1; i < log.size(); ++i) {
    closed |= log[i].Kind == "close";
    writing |= log[i].Kind == "xchg" && log[i].Out[1] == WriteByteCommand;
    failed |= log[i].Kind == "xchg" && log[i].Result != 0;
  }
  const char* expected = log[open].Result ? "The TAVRIK-9 was not found" : texts[writing][failed];
  EXPECT_TRUE(closed || log[open].Result) << "box \"" << text << "\" before the device was closed" << Where();
  EXPECT_EQ(expected, text) << "outcome of the device access \"" << log[open].Line << "\"" << Where();
}

// Boxes are confirmed; file dialogs and the About box cancelled. The question is mostly answered No,
// which lets the command go on; Cancel, or Yes with its Save dialog cancelled, stops it.
int AnswerFor(HWND window) {
  std::string text = BoxText(window);
  if (text.empty()) return IDCANCEL;
  if (text != GuardText) return IDOK;
  static const int answers[] = {IDNO, IDNO, IDNO, IDNO, IDCANCEL, IDCANCEL, IDCANCEL, IDYES};
  int answer = answers[Pick(8)];
  if (answer != IDNO && CloseInTransfer && !TransferInProgress) StoppedAfterClose = true;
  return answer;
}

// One command as the user's input would bring it, posted; WM_SIZING carries a pointer and is sent.
void Fire() {
  ++Fired;
  HWND button = Pick(2) ? SaveToButton : ReadFromButton;
  static const WPARAM menu[] = {IDM_NEW, IDM_OPEN, IDM_SAVE, IDM_ABOUT};
  static const WPARAM sizes[] = {SIZE_RESTORED, SIZE_MINIMIZED, SIZE_MAXIMIZED};
  int roll = Pick(100);
  if (roll < 20) {
    PostMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  } else if (roll < 36) {
    PostMessageA(button, WM_KEYDOWN, VK_RETURN, 1);
  } else if (roll < 60) {
    PostMessageA(MainWindow, WM_COMMAND, menu[Pick(4)], 0);
  } else if (roll < 62) {
    PostMessageA(MainWindow, roll == 60 ? WM_COMMAND : WM_CLOSE, roll == 60 ? IDM_EXIT : 0, 0);
  } else if (roll < 70) {
    int left = Pick(300), top = Pick(200);
    RECT proposed = {left, top, left + 100 + Pick(1600), top + 100 + Pick(1200)};
    SendMessageA(MainWindow, WM_SIZING, WMSZ_LEFT + Pick(8), reinterpret_cast<LPARAM>(&proposed));
  } else if (roll < 76) {
    PostMessageA(MainWindow, WM_SIZE, sizes[Pick(3)], MAKELPARAM(300 + Pick(900), 200 + Pick(700)));
  } else {
    PostMessageA(ListTable[Pick(SettingCount)], WM_KEYDOWN, Pick(4) ? VK_DOWN : VK_UP, 1);
  }
}

// Runs in whichever message loop is pumping: answers the modal windows that are due (a window still
// up a second after its answer is cancelled, and after five tries fails the test), and while a
// transfer runs and the main window takes input, now and then fires a command.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  CountProgressDialogs();
  DWORD now = GetTickCount();
  for (size_t i = 0; i < Modals.size(); ++i) {
    Modal& modal = Modals[i];
    HWND window = modal.Window;
    if (!IsWindow(window) || now - modal.Since < (modal.Posts ? 1000u * modal.Posts : AnswerAfterMs)) continue;
    if (++modal.Posts <= 5) {
      PostMessageA(window, WM_COMMAND, modal.Posts == 1 ? AnswerFor(window) : IDCANCEL, 0);
    } else {
      ADD_FAILURE() << "modal window \"" << TextOf(window) << "\" would not close" << Where();
      DestroyWindow(window);
    }
  }
  Modals.erase(std::remove_if(Modals.begin(), Modals.end(), [](const Modal& m) { return !IsWindow(m.Window); }),
               Modals.end());
  if (TransferInProgress && Fired < CommandBudget && IsWindowEnabled(MainWindow) && Pick(3) == 0) Fire();
}

// Every dialog's activation counts the progress dialogs; a new box or dialog joins the ones to answer,
// and an outcome box is judged against the device's log as it comes up.
LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && IsDialog(window)) {
    CountProgressDialogs();
    bool known = std::any_of(Modals.begin(), Modals.end(), [&](const Modal& m) { return m.Window == window; });
    std::string text = BoxText(window);
    if (!known && !text.empty() && text != GuardText) JudgeOutcome(text);
    if (!known && !IsProgressDialog(window)) Modals.push_back({window, GetTickCount(), 0});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Sees every message of the main window, sent or dispatched, before the program does.
LRESULT CALLBACK WatchMainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_CLOSE || (message == WM_COMMAND && wParam == IDM_EXIT)) && TransferInProgress)
    CloseInTransfer = true;
  if (message == WM_DESTROY) {
    EXPECT_FALSE(TransferInProgress) << "the main window destroyed while a transfer runs" << Where();
    EXPECT_EQ(nullptr, ProgressDialog) << "the main window destroyed under its progress dialog" << Where();
  }
  return CallWindowProcA(MainWindowClassProc, window, message, wParam, lParam);
}

void WatchMainWindowMessages() {
  MainWindowClassProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchMainWindow)));
  ShowWindow(MainWindow, SW_SHOW);
  UpdateWindow(MainWindow);
}

// A hang would keep CTest waiting for minutes, and a crash would wait in Wine's debugger: both end the
// process at once, naming the seed.
void EndRun(const char* what) {
  fprintf(stderr, "stress run %s (seed %u, step %d): ending the process\n", what, Seed, Step);
  fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
}
void CALLBACK WatchdogExpired(void*, BOOLEAN) { EndRun("hung"); }
LONG WINAPI OnCrash(EXCEPTION_POINTERS*) { return EndRun("crashed"), EXCEPTION_EXECUTE_HANDLER; }

// The hook, the timer, the watchdog and the crash handler, removed on every path.
struct Instruments {
  LPTOP_LEVEL_EXCEPTION_FILTER PreviousFilter = SetUnhandledExceptionFilter(OnCrash);
  HHOOK Cbt = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
  UINT_PTR Timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, Tick);
  HANDLE Watchdog = nullptr;
  bool Ready = CreateTimerQueueTimer(&Watchdog, nullptr, WatchdogExpired, nullptr, WatchdogMs, 0,
                                     WT_EXECUTEONLYONCE) && Cbt && Timer;
  ~Instruments() {
    DeleteTimerQueueTimer(nullptr, Watchdog, INVALID_HANDLE_VALUE);
    KillTimer(nullptr, Timer);
    UnhookWindowsHookEx(Cbt);
    SetUnhandledExceptionFilter(PreviousFilter);
  }
};

class ImpatientUser : public MainWindowTest {};

TEST_F(ImpatientUser, RandomCommandsDuringTransfersKeepOneConnectionAndEndCleanly) {
  const char* seed = getenv("TAVRIK_STRESS_SEED");
  Seed = seed && *seed ? strtoul(seed, nullptr, 10) : GetTickCount() ^ GetCurrentProcessId() * 2654435761u;
  printf("stress seed %u (TAVRIK_STRESS_SEED=%u repeats it)\n", Seed, Seed);
  fflush(stdout);
  Device = &device;
  Fired = Outcomes = MostProgressDialogs = 0;
  LastJudgedOpen = -1;
  CurrentDirectoryKeeper directory;
  device.SetMemory(16, {1, 3, 0, 0, 0, 1});
  WatchMainWindowMessages();
  Instruments instruments;
  ASSERT_TRUE(instruments.Ready) << "hook, timer and watchdog: error " << GetLastError();
  DWORD start = GetTickCount();
  for (Step = 1; Step <= PlannedSteps && GetTickCount() - start < RunMs; ++Step) {
    Random.seed(Seed * 1000003u + static_cast<unsigned>(Step));
    // A slow device, now and then absent or failing at some exchange.
    device.SetDelayMs(3 + Pick(3));
    int fault = Pick(20);
    device.SetAbsent(fault < 2);
    device.SetFailAt(fault >= 2 && fault < 7 ? 1 + Pick(34) : 0);
    CloseInTransfer = StoppedAfterClose = false;
    // A command or two already on its way, then the user's own click or Enter on a device button.
    for (int early = Pick(3); early > 0; --early) Fire();
    HWND button = Pick(2) ? SaveToButton : ReadFromButton;
    Pick(2) ? (void)SendMessageA(button, BM_CLICK, 0, 0) : PressKey(button, VK_RETURN);
    // Exit or the close box during the transfer ends the program after it, unless the question stopped it.
    bool quit = FlushEvents(60), closed = !IsWindow(MainWindow);
    for (int i = 0; i < 10 && closed && !quit; ++i) quit = FlushEvents(50);
    EXPECT_EQ(closed, quit) << "WM_QUIT, the main window closed: " << closed << Where();
    EXPECT_TRUE(closed || !CloseInTransfer || StoppedAfterClose)
        << "Exit or the close box came during the transfer and was lost" << Where();
    EXPECT_EQ(nullptr, ProgressDialog) << Where();
    EXPECT_FALSE(TransferInProgress) << Where();
    EXPECT_FALSE(CloseAfterTransfer) << Where();
    EXPECT_EQ(0, CountProgressDialogs()) << "progress dialogs left between transfers" << Where();
    if (closed) {  // a new start of the program
      MainWindowTest::TearDown();
      MainWindowTest::SetUp();
      ASSERT_TRUE(IsWindow(MainWindow)) << Where();
      WatchMainWindowMessages();
    }
  }
  // Anything still queued or open is handled before the last look at the log.
  device.SetDelayMs(0);
  for (int i = 0; i < 60 && (i < 10 || !Modals.empty()); ++i) FlushEvents(20);
  EXPECT_TRUE(Modals.empty()) << "modal windows left open" << Where();
  std::vector<DeviceLogEntry> log = device.Log();
  int opens = static_cast<int>(
      std::count_if(log.begin(), log.end(), [](const DeviceLogEntry& entry) { return entry.Kind == "open"; }));
  EXPECT_TRUE(ConnectionsBalanced(log)) << "seed " << Seed;
  EXPECT_EQ(opens, Outcomes) << "device accesses and outcome boxes, seed " << Seed;
  // The run itself must have done what it is for.
  EXPECT_GE(Fired, 150) << "commands fired, seed " << Seed;
  EXPECT_GE(opens, 10) << "device accesses, seed " << Seed;
  printf("stress seed %u: %d transfers started, %d device accesses, %d commands fired\n", Seed, Step - 1, opens,
         Fired);
}

}  // namespace
