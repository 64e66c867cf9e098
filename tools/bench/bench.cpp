// Benchmark of the utility under the running Wine: each figure is measured beside its reference in
// the same run and printed as one line (name, measured, reference, ratio, target, ok/over). It
// reports; a figure over its target does not change the exit code.
//
// Usage: bench <TAVRIK9.exe> <TAVRIKX.dll> <bare_window.exe>   (Windows paths)
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "../../app/startup.h"
#include "../../app/window_state.h"
#include "../../device/transfer_commands.h"

namespace {

const int TransferRuns = 7;        // per command and exchange time; the median is reported
const int ResponsivenessRuns = 3;  // per command; the longest delay of all is reported
const int LaunchRuns = 7;          // per program; the median is reported
const double PostPeriodMs = 2.0;   // the stamped messages' period
const int PauseMs = 100;           // each transfer's two pauses
// Save To: control cell, 32 data bytes, 6 setting cells read back, 72, one read after it.
const int SaveToExchanges = 41, ReadFromExchanges = 32;
const DWORD LaunchTimeoutMs = 30000;
const UINT StampMessage = WM_APP + 1;

LARGE_INTEGER Frequency;

double NowMs() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(Frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One line per figure. A target is a ratio that must not be exceeded (or, when below is set, must
// stay below).
void Report(const char* name, double measured, double reference, const char* unit, double target,
            bool below = false) {
  double ratio = reference > 0 ? measured / reference : 0;
  bool ok = below ? ratio < target : ratio <= target;
  char measuredText[32], referenceText[32], targetText[16];
  snprintf(measuredText, sizeof measuredText, "%.1f %s", measured, unit);
  snprintf(referenceText, sizeof referenceText, "%.1f %s", reference, unit);
  snprintf(targetText, sizeof targetText, "%s %.2f", below ? "<" : "<=", target);
  printf("%-32s %16s %16s %8.3f %8s  %s\n", name, measuredText, referenceText, ratio, targetText,
         ok ? "ok" : "over");
  fflush(stdout);
}

// --- The in-process transfers
// ----------------------------------------------------------------------

// What the hooks and the window subclass see of the running transfer.
struct TransferWatch {
  bool Running = false;
  int DialogsCreated = 0;  // the first is the progress dialog, the next the outcome box
  double Started = 0, BoxAppeared = 0;
  double LongestDelay = 0;
  int StampsHandled = 0;
} Watch;
// Read by the second thread, which posts the stamped messages while Stamping is set.
std::atomic<bool> Stamping{false}, StopStamps{false};

HHOOK CbtHook;
WNDPROC MainClassProc;

bool IsDialog(HWND window) {
  char className[16] = "";
  GetClassNameA(window, className, sizeof className);
  return strcmp(className, "#32770") == 0;
}

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  if (Watch.Running && (code == HCBT_CREATEWND || code == HCBT_ACTIVATE) && IsDialog(window)) {
    if (code == HCBT_CREATEWND && ++Watch.DialogsCreated == 2) {
      Watch.BoxAppeared = NowMs();
      Stamping = false;
    }
    // The outcome box is answered at once; the progress dialog is left alone.
    if (code == HCBT_ACTIVATE && Watch.DialogsCreated >= 2 && window != ProgressDialog)
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }
  return CallNextHookEx(CbtHook, code, wParam, lParam);
}

// The stamped messages are handled here, before the program's own procedure would see them.
LRESULT CALLBACK WatchMainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != StampMessage)
    return CallWindowProcA(MainClassProc, window, message, wParam, lParam);
  LARGE_INTEGER stamp;
  stamp.LowPart = static_cast<DWORD>(wParam);
  stamp.HighPart = static_cast<LONG>(lParam);
  double posted =
      1000.0 * static_cast<double>(stamp.QuadPart) / static_cast<double>(Frequency.QuadPart);
  if (Watch.Running && Watch.BoxAppeared == 0) {
    Watch.LongestDelay = std::max(Watch.LongestDelay, NowMs() - posted);
    ++Watch.StampsHandled;
  }
  return 0;
}

DWORD WINAPI PostStamps(void*) {
  double last = 0;
  while (!StopStamps) {
    if (Stamping && NowMs() - last >= PostPeriodMs) {
      LARGE_INTEGER now;
      QueryPerformanceCounter(&now);
      last = NowMs();
      PostMessageA(MainWindow, StampMessage, now.LowPart, static_cast<LPARAM>(now.HighPart));
    }
    Sleep(1);
  }
  return 0;
}

void SetDevice(int delayMs) {
  char text[16];
  snprintf(text, sizeof text, "%d", delayMs);
  SetEnvironmentVariableA("TAVRIKX_SIM_DELAY_MS", delayMs ? text : nullptr);
}

void HandlePending() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// Runs one command and returns the time from its call to its outcome box, in ms.
double TimeTransfer(bool saveTo, bool stamped) {
  HandlePending();
  Watch = TransferWatch();
  Watch.Running = true;
  Stamping = stamped;
  Watch.Started = NowMs();
  if (saveTo)
    SaveToDevice();
  else
    ReadFromDevice();
  Stamping = false;
  Watch.Running = false;
  HandlePending();
  return Watch.BoxAppeared > 0 ? Watch.BoxAppeared - Watch.Started : -1;
}

void BenchTransfers() {
  for (int delay : {0, 1}) {
    SetDevice(delay);
    std::vector<double> saves, reads;
    for (int run = 0; run < TransferRuns; ++run) {
      saves.push_back(TimeTransfer(true, false));
      reads.push_back(TimeTransfer(false, false));
    }
    char name[64];
    snprintf(name, sizeof name, "save_to_%dms_per_exchange", delay);
    Report(name, Median(saves), 2 * PauseMs + SaveToExchanges * delay, "ms", 1.10);
    snprintf(name, sizeof name, "read_from_%dms_per_exchange", delay);
    Report(name, Median(reads), 2 * PauseMs + ReadFromExchanges * delay, "ms", 1.10);
  }
}

void BenchResponsiveness() {
  const int delay = 5;
  SetDevice(delay);
  StopStamps = false;
  HANDLE poster = CreateThread(nullptr, 0, PostStamps, nullptr, 0, nullptr);
  double longest[2] = {0, 0};
  int handled[2] = {0, 0};
  for (int run = 0; run < ResponsivenessRuns; ++run)
    for (int command = 0; command < 2; ++command) {
      TimeTransfer(command == 0, true);
      longest[command] = std::max(longest[command], Watch.LongestDelay);
      handled[command] += Watch.StampsHandled;
    }
  StopStamps = true;
  WaitForSingleObject(poster, INFINITE);
  CloseHandle(poster);
  HandlePending();
  // One exchange plus 2 ms is the most a message may wait.
  double target = (delay + 2.0) / delay;
  Report("longest_wait_save_to_5ms", longest[0], delay, "ms", target);
  Report("longest_wait_read_from_5ms", longest[1], delay, "ms", target);
  if (handled[0] == 0 || handled[1] == 0)
    printf("# no stamped message was handled: the figures above mean nothing\n");
}

// Every candidate size in both dimensions: a target beyond the last one.
void BenchSnapping() {
  const int warmup = 5;
  int messages = 0;
  double started = 0, elapsed = 0;
  while (messages < 20 || elapsed < 500) {
    RECT proposed = {0, 0, 1000000, 1000000};
    SendMessageA(MainWindow, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed));
    if (messages == warmup - 1) started = NowMs();
    if (messages >= warmup) elapsed = NowMs() - started;
    ++messages;
  }
  double perMessageUs = 1000.0 * elapsed / (messages - warmup);
  // Against one frame of a 60 Hz display: a drag should leave nearly all of it for the repaint.
  Report("wm_sizing_full_walk", perMessageUs, 1e6 / 60, "us", 0.10);
}

void BenchInProcess() {
  for (const char* name :
       {"TAVRIKX_SIM_LOG", "TAVRIKX_SIM_ABSENT", "TAVRIKX_SIM_FAIL_AT", "TAVRIKX_SIM_DELAY_MS"})
    SetEnvironmentVariableA(name, nullptr);

  CreateMainWindow(GetModuleHandleA(nullptr), nullptr);
  MainClassProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchMainWindow)));
  ShowWindow(MainWindow, SW_SHOW);
  UpdateWindow(MainWindow);
  CbtHook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());

  TimeTransfer(true, false);  // the first dialogs and the device file, once
  TimeTransfer(false, false);
  BenchTransfers();
  BenchResponsiveness();
  BenchSnapping();

  UnhookWindowsHookEx(CbtHook);
  DestroyWindow(MainWindow);
  HandlePending();
}

// --- Start-up against a bare window
// -------------------------------------------------------------------

struct Search {
  DWORD ProcessId;
  HWND Found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM lParam) {
  Search* search = reinterpret_cast<Search*>(lParam);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search->ProcessId || !IsWindowVisible(window)) return TRUE;
  search->Found = window;
  return FALSE;
}

// From CreateProcess to a visible top-level window of the new process, in ms; the program is closed
// again with WM_CLOSE and awaited. -1 when it shows nothing in time.
double TimeLaunch(const char* program) {
  char commandLine[MAX_PATH + 3], folder[MAX_PATH];
  snprintf(commandLine, sizeof commandLine, "\"%s\"", program);
  lstrcpynA(folder, program, sizeof folder);
  if (char* slash = strrchr(folder, '\\')) *slash = 0;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  double started = NowMs();
  if (!CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                      &process)) {
    printf("# could not start %s: error %lu\n", program, GetLastError());
    return -1;
  }
  Search search = {process.dwProcessId, nullptr};
  double shown = -1;
  while (NowMs() - started < LaunchTimeoutMs) {
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    if (search.Found) {
      shown = NowMs() - started;
      break;
    }
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;  // ended without a window
  }
  if (search.Found) PostMessageA(search.Found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
    TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (shown < 0) printf("# %s showed no window\n", program);
  return shown;
}

void BenchStartUp(const char* program, const char* bare) {
  TimeLaunch(bare);  // the first start of each loads its files from disk
  TimeLaunch(program);
  std::vector<double> programTimes, bareTimes;
  for (int run = 0; run < LaunchRuns; ++run) {
    bareTimes.push_back(TimeLaunch(bare));
    programTimes.push_back(TimeLaunch(program));
  }
  Report("startup_to_visible_window", Median(programTimes), Median(bareTimes), "ms", 1.20);
}

// --- File sizes
// ------------------------------------------------------------------------------------

double FileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return -1;
  return static_cast<double>(data.nFileSizeLow) + 4294967296.0 * data.nFileSizeHigh;
}

void BenchSizes(const char* program, const char* library) {
  const double limit = 128 * 1024;
  Report("size_TAVRIK9.exe", FileSize(program), limit, "B", 1.00, true);
  // The library is the simulated device's stand-in: reported against the same limit, for scale.
  Report("size_TAVRIKX.dll", FileSize(library), limit, "B", 1.00, true);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: bench <TAVRIK9.exe> <TAVRIKX.dll> <bare_window.exe>\n");
    return 2;
  }
  QueryPerformanceFrequency(&Frequency);
  // The simulated device, for the in-process figures and the launched programs alike.
  char folder[MAX_PATH], memory[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  snprintf(memory, sizeof memory, "%stavrik-bench-%lu.mem", folder, GetCurrentProcessId());
  SetEnvironmentVariableA("TAVRIKX_SIM_MEMORY", memory);
  printf("# %-30s %16s %16s %8s %8s  %s\n", "figure", "measured", "reference", "ratio", "target",
         "verdict");
  BenchInProcess();
  BenchStartUp(argv[1], argv[3]);
  BenchSizes(argv[1], argv[2]);
  DeleteFileA(memory);
  return 0;
}
