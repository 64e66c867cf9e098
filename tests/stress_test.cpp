// The impatient user: a series of Save To and Read From transfers on the real main window, with a few
// hundred random commands fired through the message queue while they run, from a printed seed.
//
// TAVRIK_STRESS_SEED=<n> repeats a run's choices: each step's device, button and the commands already on
// their way when it starts; the commands fired while it runs and the answers to its questions as far as
// the timing lets them land at the same moments. A failed check shows what happened in its step.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "../app/startup.h"
#include "../app/window_state.h"
#include "../config/config_files.h"
#include "../config/settings_controls.h"
#include "../device/transfer_commands.h"
#include "../resources/resource.h"
#include "support/main_window_fixture.h"
#include "support/ui_automation.h"

namespace {

const char* const WriteCaption = "Writing TAVRIKX";
const char* const ReadCaption = "Reading TAVRIKX";
const char* const GuardText = "The current configuration has changed.\nDo you want to save the changes?";
const char* const SavedText = "The configuration was successfully saved to the TAVRIK-9";
const char* const ReadText = "The configuration was successfully read from the TAVRIK-9";
const char* const NotFoundText = "The TAVRIK-9 was not found";
const char* const WriteErrorText = "Error while writing to the TAVRIK-9";
const char* const ReadErrorText = "Error while reading from the TAVRIK-9";

const int PlannedSteps = 40;      // transfers the driver starts, at most
const DWORD StepTimeMs = 20000;   // no new transfer after this
const DWORD WatchdogMs = 120000;  // a hang ends the process with the seed on record
const int CommandBudget = 400;    // commands fired in the whole run, at most
const UINT TickMs = 10;           // the thread timers' period (the system's minimum)
const DWORD AnswerAfterMs = 20;   // a modal window is answered this long after it was activated
const int MessageBoxTextId = 0xFFFF;

// The random commands, by kind, with their weights.
enum CommandKind {
  ClickSaveTo, ClickReadFrom, EnterSaveTo, EnterReadFrom, MenuNew, MenuOpen, MenuSave, MenuAbout, MenuExit,
  CloseBox, Sizing, Size, ListKey, CommandKinds
};
const char* const CommandNames[CommandKinds] = {"click Save To", "click Read From", "Enter on Save To",
                                                "Enter on Read From", "New", "Open", "Save", "About", "Exit",
                                                "close box", "WM_SIZING", "WM_SIZE", "list key"};
const double CommandWeights[CommandKinds] = {10, 10, 8, 8, 6, 6, 6, 6, 1, 1, 8, 6, 14};

struct PendingWindow {
  HWND Window;
  DWORD Since;
  int Posts;
};

// Everything the hooks, timers and the subclass see, and what the driver checks after each step.
struct StressRun {
  unsigned Seed = 0;
  std::mt19937 Random;
  SimulatedDeviceScope* Device = nullptr;
  WNDPROC MainClassProc = nullptr;
  int Step = 0;
  bool InStep = false;  // the driver's click or key is being handled
  int Fired = 0;
  int FiredByKind[CommandKinds] = {};
  int MostProgressDialogs = 0;
  int ProgressUpdates = 0;
  int ReportedDialogsAtStep = 0;
  std::vector<PendingWindow> Pending;
  std::vector<std::string> Outcomes;  // every outcome box, in order
  int LastJudgedOpen = -1;            // the log entry of the open that the last outcome box reported
  int WindowsMade = 1;
  // This step's observations.
  bool CloseAskedInTransfer = false;
  bool Destroyed = false;
  size_t LogEntriesAtDestroy = 0;
  size_t LogEntriesAtStart = 0, OutcomesAtStart = 0;
  int GuardsAbandonedAfterTransfer = 0;
  std::vector<std::string> Trace;  // what happened in this step, shown when a check of it fails
} Stress;

std::string Where() { return "seed " + std::to_string(Stress.Seed) + ", step " + std::to_string(Stress.Step); }

void Note(const std::string& event) {
  std::string line;
  for (char c : event) line += c == '\n' ? std::string("\\n") : std::string(1, c);
  Stress.Trace.push_back(line + (TransferInProgress ? " [in transfer]" : "") + (Stress.InStep ? " [in step]" : ""));
}

std::string StepTrace() {
  std::string text = "\nwhat happened in this step:";
  for (const std::string& event : Stress.Trace) text += "\n  " + event;
  return text;
}

int Pick(int count) { return static_cast<int>(Stress.Random() % static_cast<unsigned>(count)); }

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  char text[256] = "";
  if (window) GetWindowTextA(window, text, sizeof text);
  return text;
}

bool IsProgressCaption(const std::string& caption) { return caption == WriteCaption || caption == ReadCaption; }

BOOL CALLBACK CountProgressDialog(HWND window, LPARAM count) {
  if (ClassOf(window) == "#32770" && IsProgressCaption(TextOf(window))) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int CountProgressDialogs() {
  int dialogs = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountProgressDialog, reinterpret_cast<LPARAM>(&dialogs));
  Stress.MostProgressDialogs = std::max(Stress.MostProgressDialogs, dialogs);
  return dialogs;
}

LPARAM KeyData(UINT key) { return 1 | (static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16); }

void PostCommand(WPARAM command, HWND sender = nullptr) {
  PostMessageA(MainWindow, WM_COMMAND, command, reinterpret_cast<LPARAM>(sender));
}

// One command as the user's input would bring it. WM_SIZING carries a pointer, which the system does
// not post: it is sent from here, in the middle of whichever pump dispatched the timer.
void Fire(CommandKind kind) {
  ++Stress.Fired;
  ++Stress.FiredByKind[kind];
  Note(std::string("fired ") + CommandNames[kind]);
  switch (kind) {
    case ClickSaveTo: PostCommand(MAKEWPARAM(0, BN_CLICKED), SaveToButton); break;
    case ClickReadFrom: PostCommand(MAKEWPARAM(0, BN_CLICKED), ReadFromButton); break;
    case EnterSaveTo: PostMessageA(SaveToButton, WM_KEYDOWN, VK_RETURN, KeyData(VK_RETURN)); break;
    case EnterReadFrom: PostMessageA(ReadFromButton, WM_KEYDOWN, VK_RETURN, KeyData(VK_RETURN)); break;
    case MenuNew: PostCommand(IDM_NEW); break;
    case MenuOpen: PostCommand(IDM_OPEN); break;
    case MenuSave: PostCommand(IDM_SAVE); break;
    case MenuAbout: PostCommand(IDM_ABOUT); break;
    case MenuExit: PostCommand(IDM_EXIT); break;
    case CloseBox: PostMessageA(MainWindow, WM_CLOSE, 0, 0); break;
    case Sizing: {
      RECT proposed;
      proposed.left = Pick(300);
      proposed.top = Pick(200);
      proposed.right = proposed.left + 100 + Pick(1600);
      proposed.bottom = proposed.top + 100 + Pick(1200);
      SendMessageA(MainWindow, WM_SIZING, WMSZ_LEFT + Pick(8), reinterpret_cast<LPARAM>(&proposed));
      break;
    }
    case Size: {
      static const WPARAM kinds[] = {SIZE_RESTORED, SIZE_MINIMIZED, SIZE_MAXIMIZED};
      PostMessageA(MainWindow, WM_SIZE, kinds[Pick(3)], MAKELPARAM(300 + Pick(900), 200 + Pick(700)));
      break;
    }
    case ListKey: {
      UINT key = Pick(4) ? VK_DOWN : VK_UP;
      PostMessageA(ListTable[Pick(SettingCount)], WM_KEYDOWN, key, KeyData(key) | 1 << 24);
      break;
    }
    default: break;
  }
}

CommandKind PickCommand() {
  static std::discrete_distribution<int> kinds(std::begin(CommandWeights), std::end(CommandWeights));
  return static_cast<CommandKind>(kinds(Stress.Random));
}

// The user acts only on a window that takes input: while a modal box or dialog is up, it waits.
void CALLBACK FireTick(HWND, UINT, UINT_PTR, DWORD) {
  CountProgressDialogs();
  if (!Stress.InStep && !TransferInProgress) return;
  if (Stress.Fired >= CommandBudget || !IsWindow(MainWindow) || !IsWindowEnabled(MainWindow)) return;
  if (Pick(3) != 0) return;
  Fire(PickCommand());
}

// Every box of the program carries its title; the file dialogs and the About box have their own.
bool IsMessageBox(HWND dialog) {
  return TextOf(dialog) == PROGRAM_TITLE && GetDlgItem(dialog, MessageBoxTextId) != nullptr;
}

bool IsOutcomeText(const std::string& text) {
  for (const char* outcome :
       {SavedText, ReadText, NotFoundText, WriteErrorText, ReadErrorText, "Invalid configuration"})
    if (text == outcome) return true;
  return text.rfind("Unknown error (", 0) == 0;
}

// The outcome must report the connection just closed: not found for a failed open, the error of its
// direction after a failed exchange, success only when every exchange succeeded.
void JudgeOutcome(const std::string& text) {
  Stress.Outcomes.push_back(text);
  EXPECT_EQ(nullptr, ProgressDialog) << "an outcome box while the progress dialog is up (" << Where() << ")";
  std::vector<DeviceLogEntry> log = Stress.Device->Log();
  int open = -1;
  for (int i = 0; i < static_cast<int>(log.size()); ++i)
    if (log[i].Kind == "open") open = i;
  if (open < 0) {
    ADD_FAILURE() << "outcome \"" << text << "\" without any device access (" << Where() << ")";
    return;
  }
  EXPECT_NE(Stress.LastJudgedOpen, open) << "a second outcome \"" << text << "\" for the device access \""
                                         << log[open].Line << "\" (" << Where() << ")";
  Stress.LastJudgedOpen = open;
  std::string expected;
  if (log[open].Result != 0) {
    expected = NotFoundText;
  } else {
    bool closed = false, failed = false;
    int command = 0;
    for (size_t i = open + 1; i < log.size(); ++i) {
      if (log[i].Kind == "close") closed = true;
      if (log[i].Kind != "xchg") continue;
      if (!command) command = log[i].Out.size() > 1 ? log[i].Out[1] : 0;
      if (log[i].Result != 0) failed = true;
    }
    EXPECT_TRUE(closed) << "outcome \"" << text << "\" before the device was closed (" << Where() << ")";
    bool writing = command == 0x81;
    expected = failed ? (writing ? WriteErrorText : ReadErrorText) : (writing ? SavedText : ReadText);
  }
  EXPECT_EQ(expected, text) << "outcome of the device access \"" << log[open].Line << "\" (" << Where() << ")"
                            << StepTrace();
}

// Message boxes, file dialogs and the About box are answered whatever they are; the progress
// dialogs are left alone. The outcome boxes are judged against the device's log as they appear.
int AnswerFor(HWND window) {
  if (!IsMessageBox(window)) return IDCANCEL;  // file dialogs, the About box
  std::string text = TextOf(GetDlgItem(window, MessageBoxTextId));
  if (text != GuardText) return GetDlgItem(window, IDOK) ? IDOK : IDCANCEL;
  // The unsaved-changes question: No lets the command go on; Cancel, and Yes with the Save dialog
  // cancelled, stop it.
  static const int answers[] = {IDNO, IDNO, IDNO, IDNO, IDCANCEL, IDCANCEL, IDCANCEL, IDYES};
  int answer = answers[Pick(8)];
  if (answer != IDNO && Stress.CloseAskedInTransfer && !TransferInProgress) ++Stress.GuardsAbandonedAfterTransfer;
  Note(std::string("question answered ") + (answer == IDNO ? "No" : answer == IDYES ? "Yes" : "Cancel"));
  return answer;
}

void CALLBACK AnswerTick(HWND, UINT, UINT_PTR, DWORD) {
  DWORD now = GetTickCount();
  std::vector<PendingWindow> pending;
  pending.swap(Stress.Pending);
  for (PendingWindow& window : pending) {
    if (!IsWindow(window.Window)) continue;
    DWORD waited = now - window.Since;
    if (window.Posts == 0 && waited >= AnswerAfterMs) {
      PostMessageA(window.Window, WM_COMMAND, MAKEWPARAM(AnswerFor(window.Window), BN_CLICKED), 0);
      ++window.Posts;
    } else if (window.Posts > 0 && waited >= 1000u * window.Posts) {
      // Still up a second later: the answer was lost or refused.
      if (window.Posts == 5) {
        ADD_FAILURE() << "a modal window \"" << TextOf(window.Window) << "\" would not close (" << Where() << ")";
        DestroyWindow(window.Window);
        continue;
      }
      PostMessageA(window.Window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      ++window.Posts;
    }
    Stress.Pending.push_back(window);
  }
}

HHOOK CbtHook, CallHook;

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && ClassOf(window) == "#32770" && !IsProgressCaption(TextOf(window))) {
    bool known = false;
    for (const PendingWindow& pending : Stress.Pending) known = known || pending.Window == window;
    if (!known) {
      if (IsMessageBox(window)) {
        std::string text = TextOf(GetDlgItem(window, MessageBoxTextId));
        if (IsOutcomeText(text)) JudgeOutcome(text);
        Note("box \"" + text + "\"");
      } else {
        Note("dialog \"" + TextOf(window) + "\"");
      }
      Stress.Pending.push_back({window, GetTickCount(), 0});
    }
  }
  return CallNextHookEx(CbtHook, code, wParam, lParam);
}

// Every progress update counts the progress dialogs that exist at that moment.
LRESULT CALLBACK OnCallWindow(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_SETTEXT && GetDlgCtrlID(call->hwnd) == IDC_PROGRESS_TEXT &&
      IsProgressCaption(TextOf(GetParent(call->hwnd)))) {
    ++Stress.ProgressUpdates;
    int dialogs = CountProgressDialogs();
    if (dialogs != 1 && Stress.ReportedDialogsAtStep != Stress.Step) {
      Stress.ReportedDialogsAtStep = Stress.Step;  // once a step: a fault here repeats at every update
      ADD_FAILURE() << "progress dialogs at a progress update: " << dialogs << ", expected 1 (" << Where() << ")";
    }
  }
  return CallNextHookEx(CallHook, code, wParam, lParam);
}

// Sees every message of the main window, sent or dispatched, before the program does.
LRESULT CALLBACK WatchMainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  bool closing = message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDM_EXIT && lParam == 0);
  if (closing) Note(message == WM_CLOSE ? "WM_CLOSE" : "Exit");
  if (closing && TransferInProgress) Stress.CloseAskedInTransfer = true;
  if (message == WM_COMMAND && lParam && (reinterpret_cast<HWND>(lParam) == SaveToButton ||
                                          reinterpret_cast<HWND>(lParam) == ReadFromButton))
    Note(reinterpret_cast<HWND>(lParam) == SaveToButton ? "Save To clicked" : "Read From clicked");
  if (message == WM_DESTROY) {
    Stress.Destroyed = true;
    Note("WM_DESTROY");
    Stress.LogEntriesAtDestroy = Stress.Device->Log().size();
    EXPECT_FALSE(TransferInProgress) << "the main window destroyed while a transfer runs (" << Where() << ")"
                                     << StepTrace();
    EXPECT_EQ(nullptr, ProgressDialog) << "the main window destroyed under its progress dialog (" << Where() << ")";
  }
  return CallWindowProcA(Stress.MainClassProc, window, message, wParam, lParam);
}

void WatchNewMainWindow() {
  Stress.MainClassProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchMainWindow)));
  ShowWindow(MainWindow, SW_SHOW);
  UpdateWindow(MainWindow);
}

// Hooks and timers, removed on every path.
struct Instruments {
  UINT_PTR FireTimer = 0, AnswerTimer = 0;
  Instruments() {
    CbtHook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    CallHook = SetWindowsHookExA(WH_CALLWNDPROC, OnCallWindow, nullptr, GetCurrentThreadId());
    FireTimer = SetTimer(nullptr, 0, TickMs, FireTick);
    AnswerTimer = SetTimer(nullptr, 0, TickMs, AnswerTick);
  }
  ~Instruments() {
    KillTimer(nullptr, FireTimer);
    KillTimer(nullptr, AnswerTimer);
    UnhookWindowsHookEx(CallHook);
    UnhookWindowsHookEx(CbtHook);
  }
  bool Ready() const { return CbtHook && CallHook && FireTimer && AnswerTimer; }
};

// A hang would keep CTest waiting for minutes: this ends the process, naming the seed.
struct Watchdog {
  HANDLE Done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE Thread = nullptr;
  Watchdog() { Thread = CreateThread(nullptr, 0, Watch, this, 0, nullptr); }
  ~Watchdog() {
    SetEvent(Done);
    WaitForSingleObject(Thread, INFINITE);
    CloseHandle(Thread);
    CloseHandle(Done);
  }
  static DWORD WINAPI Watch(void* self) {
    if (WaitForSingleObject(static_cast<Watchdog*>(self)->Done, WatchdogMs) == WAIT_OBJECT_0) return 0;
    fprintf(stderr, "stress run hung (seed %u, step %d): ending the process\n", Stress.Seed, Stress.Step);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
  }
};

unsigned ChooseSeed() {
  char text[32];
  DWORD length = GetEnvironmentVariableA("TAVRIK_STRESS_SEED", text, sizeof text);
  if (length > 0 && length < sizeof text) return static_cast<unsigned>(strtoul(text, nullptr, 10));
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<unsigned>(now.QuadPart ^ (now.QuadPart >> 32)) ^ GetCurrentProcessId();
}

class ImpatientUser : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Stress = StressRun();
    Stress.Device = &device;
    Stress.Seed = ChooseSeed();
    Stress.Random.seed(Stress.Seed);
    printf("stress seed %u (TAVRIK_STRESS_SEED=%u repeats it)\n", Stress.Seed, Stress.Seed);
    fflush(stdout);
    WatchNewMainWindow();
  }
  void TearDown() override {
    if (IsWindow(MainWindow))
      SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Stress.MainClassProc));
    MainWindowTest::TearDown();
    Stress.Device = nullptr;
  }

  // After Exit or the close box: a new window, as a new start of the program would make.
  void MakeNewMainWindow() {
    DeleteObject(ControlFont);
    ControlFont = nullptr;
    memset(ListTable, 0, sizeof ListTable);
    memset(SettingLabels, 0, sizeof SettingLabels);
    ModifiedFlag = 0;
    CurrentFileName[0] = 0;
    CreateMainWindow(GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(IsWindow(MainWindow)) << Where();
    ++Stress.WindowsMade;
    WatchNewMainWindow();
  }

  // This step's device: slow, and now and then failing or absent.
  void ChooseDevice() {
    device.SetDelayMs(3 + Pick(3));
    int fault = Pick(20);
    device.SetAbsent(fault < 2);
    device.SetFailAt(fault >= 2 && fault < 5 ? 1 + Pick(34) : 0);
  }

  // The user's own start of a transfer, with perhaps a command or two already on its way.
  void StartTransfer() {
    for (int early = Pick(3); early > 0; --early) {
      CommandKind kind = PickCommand();
      if (kind != Sizing) Fire(kind);
    }
    HWND button = Pick(2) ? SaveToButton : ReadFromButton;
    Stress.InStep = true;
    if (Pick(2))
      SendMessageA(button, BM_CLICK, 0, 0);
    else
      SendMessageA(button, WM_KEYDOWN, VK_RETURN, KeyData(VK_RETURN));
    Stress.InStep = false;
  }

  void CheckBetweenTransfers() {
    bool quit = FlushEvents(60);
    if (Stress.Destroyed) {
      for (int i = 0; i < 10 && !quit; ++i) quit = FlushEvents(50);
      EXPECT_TRUE(quit) << "no WM_QUIT after the main window was destroyed (" << Where() << ")" << StepTrace();
      std::vector<DeviceLogEntry> log = device.Log();
      for (size_t i = Stress.LogEntriesAtDestroy; i < log.size(); ++i)
        EXPECT_NE("open", log[i].Kind) << "the device was opened after the main window was gone: \""
                                       << log[i].Line << "\" (" << Where() << ")" << StepTrace();
    } else if (Stress.CloseAskedInTransfer) {
      EXPECT_GT(Stress.GuardsAbandonedAfterTransfer, 0)
          << "Exit or the close box came during the transfer, and the window is still there with no question "
             "answered Cancel (" << Where() << ")" << StepTrace();
    }
    std::vector<DeviceLogEntry> log = device.Log();
    size_t opens = 0;
    for (size_t i = Stress.LogEntriesAtStart; i < log.size(); ++i) opens += log[i].Kind == "open";
    EXPECT_EQ(opens, Stress.Outcomes.size() - Stress.OutcomesAtStart)
        << "device accesses and outcome boxes in this step (" << Where() << ")" << StepTrace();
    EXPECT_EQ(nullptr, ProgressDialog) << Where();
    EXPECT_FALSE(TransferInProgress) << Where();
    EXPECT_FALSE(CloseAfterTransfer) << Where();
    EXPECT_EQ(0, CountProgressDialogs()) << "progress dialogs left between transfers (" << Where() << ")";
  }
};

TEST_F(ImpatientUser, RandomCommandsDuringTransfersKeepOneConnectionAndEndCleanly) {
  Watchdog watchdog;
  CurrentDirectoryKeeper directory;
  device.SetMemory(16, {1, 3, 0, 0, 0, 1});
  Instruments instruments;
  ASSERT_TRUE(instruments.Ready()) << "hooks and timers, error " << GetLastError();
  DWORD start = GetTickCount();
  for (Stress.Step = 1; Stress.Step <= PlannedSteps && GetTickCount() - start < StepTimeMs; ++Stress.Step) {
    Stress.CloseAskedInTransfer = Stress.Destroyed = false;
    Stress.GuardsAbandonedAfterTransfer = 0;
    Stress.Trace.clear();
    Stress.LogEntriesAtStart = device.Log().size();
    Stress.OutcomesAtStart = Stress.Outcomes.size();
    // Each step draws from its own stream: its plan repeats with the seed whatever the timing of the
    // steps before it did to the draws.
    Stress.Random.seed(Stress.Seed * 1000003u + static_cast<unsigned>(Stress.Step));
    ChooseDevice();
    StartTransfer();
    CheckBetweenTransfers();
    if (!IsWindow(MainWindow)) MakeNewMainWindow();
    if (HasFatalFailure()) return;
  }
  // Anything still queued or open is handled before the last look at the log.
  device.SetDelayMs(0);
  FlushEvents(200);
  for (int i = 0; i < 50 && !Stress.Pending.empty(); ++i) FlushEvents(20);
  EXPECT_TRUE(Stress.Pending.empty()) << "modal windows left open (" << Where() << ")";

  std::vector<DeviceLogEntry> log = device.Log();
  int opens = 0;
  for (const DeviceLogEntry& entry : log) {
    opens += entry.Kind == "open";
    EXPECT_FALSE(entry.Overlap) << entry.Line << " (seed " << Stress.Seed << ")";
  }
  EXPECT_TRUE(ConnectionsBalanced(log)) << "seed " << Stress.Seed;
  EXPECT_LE(Stress.MostProgressDialogs, 1) << "seed " << Stress.Seed;
  EXPECT_EQ(static_cast<size_t>(opens), Stress.Outcomes.size()) << "one outcome box per device access, seed "
                                                              << Stress.Seed;
  // The run itself must have done what it is for.
  EXPECT_GE(Stress.Fired, 150) << "commands fired, seed " << Stress.Seed;
  EXPECT_GE(opens, 10) << "device accesses, seed " << Stress.Seed;

  printf("stress seed %u: %d transfers started, %d device accesses, %d outcome boxes, %d progress updates, "
         "%d main windows, %d commands:",
         Stress.Seed, Stress.Step - 1, opens, static_cast<int>(Stress.Outcomes.size()), Stress.ProgressUpdates,
         Stress.WindowsMade, Stress.Fired);
  for (int kind = 0; kind < CommandKinds; ++kind) printf(" %s %d;", CommandNames[kind], Stress.FiredByKind[kind]);
  printf("\n");
}

}  // namespace
