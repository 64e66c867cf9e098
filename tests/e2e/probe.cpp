// Looks at the running TAVRIK-9 program from outside and prints plain lines for the end-to-end script.
//
// The program is told apart from every other process by its image path: TAVRIK9_E2E_EXE holds the
// Windows path of the exe under test (any process whose image is called TAVRIK9.exe when unset).
//
// Queries print one line (windows: one per window), "none" when they find nothing, and "no-program" when
// they need the main window and it is missing:
//   focus                 control with the keyboard focus in the program's window thread
//   foreground            the foreground window
//   lists                 the selected index of each list, in ListTable order
//   windows               the program's visible top-level windows, in Z order
//   main-state            none, hidden, or visible (and its thread takes messages: the loop runs)
//   rect [CAPTION]        screen place and size of the main window's client area, or of the program's
//                         visible dialog with this caption
//   dialog CAPTION        that dialog as `windows` describes it
//   menu                  "open" when a pop-up menu of the program is open
//   volume                this process's current directory and the volume label it reports
// `probe wait QUERY [ARG] [WANTED] MS` asks until a line of the answer is WANTED (with no WANTED, until
// it is not "none") and prints that line; on a timeout it prints the last answer and exits with 1.
// `probe watch-main MS` watches from before the program starts until it ends, and tells whether the main
// window was ever visible: "main-visible=never" or "main-visible=seen".
//
// Across processes Wine 8 answers GetGUIThreadInfo, WM_GETTEXT, CB_GETCURSEL and STM_GETICON (a handle,
// good only for "there is an icon"); the lists are read by index because CB_GETLBTEXT returns one
// character there.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

namespace {

const char MainClass[] = "TAVRIKXloadClass", DialogClass[] = "#32770", MenuClass[] = "#32768";

// The main window's controls by class and client x, as the layout places them; the lists first, in
// ListTable order.
const struct { const char* Class; int X; const char* Name; } Controls[] = {
    {"ComboBox", 126, "BaudRate"}, {"ComboBox", 235, "DataBits"}, {"ComboBox", 435, "StopBits"},
    {"ComboBox", 10, "Mode"},      {"ComboBox", 335, "Parity"},   {"ComboBox", 530, "Handshake"},
    {"Button", 128, "SaveTo"},     {"Button", 387, "ReadFrom"}};
const int ListCount = 6, ControlCount = 8;

std::string ClassOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

bool HasClass(HWND window, const char* name) { return lstrcmpiA(ClassOf(window).c_str(), name) == 0; }

// Text through WM_GETTEXT, which Wine carries across processes.
std::string TextOf(HWND window) {
  char text[2048] = "";
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                      nullptr);
  return text;
}

// Quoted, line breaks and quotes written out, so that a box's text fits on one line of output.
std::string Quoted(const std::string& text) {
  static const char raw[] = "\n\r\t\\\"", escapes[] = "nrt\\\"";
  std::string out = "\"";
  for (char c : text) {
    const char* found = c ? strchr(raw, c) : nullptr;
    out += found ? std::string("\\") + escapes[found - raw] : std::string(1, c);
  }
  return out + "\"";
}

std::string Numbers(std::initializer_list<long> numbers) {
  std::string line;
  for (long number : numbers) line += (line.empty() ? "" : " ") + std::to_string(number);
  return line;
}

// Whether a process is the program under test, decided once per process id.
bool IsProgramProcess(DWORD processId) {
  static std::map<DWORD, bool> verdicts;
  if (verdicts.count(processId)) return verdicts[processId];
  char image[MAX_PATH * 2] = "";
  DWORD size = sizeof image;
  if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
    QueryFullProcessImageNameA(process, 0, image, &size);
    CloseHandle(process);
  }
  const char *wanted = getenv("TAVRIK9_E2E_EXE"), *name = strrchr(image, '\\');
  return verdicts[processId] = wanted && *wanted ? lstrcmpiA(image, wanted) == 0
                                                 : name && lstrcmpiA(name, "\\TAVRIK9.exe") == 0;
}

bool BelongsToProgram(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  return processId != 0 && processId != GetCurrentProcessId() && IsProgramProcess(processId);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// The program's top-level windows in Z order (visible ones only unless asked), or a window's children.
std::vector<HWND> WindowsOf(HWND parent, bool hiddenToo = false) {
  std::vector<HWND> all, chosen;
  LPARAM list = reinterpret_cast<LPARAM>(&all);
  parent ? EnumChildWindows(parent, CollectWindow, list) : EnumWindows(CollectWindow, list);
  for (HWND window : all)
    if (parent ? GetAncestor(window, GA_PARENT) == parent
               : BelongsToProgram(window) && (hiddenToo || IsWindowVisible(window)))
      chosen.push_back(window);
  return chosen;
}

// The program's first top-level window of this class, and of this caption when one is given.
HWND FindProgramWindow(const char* className, const char* caption = nullptr, bool hiddenToo = false) {
  for (HWND window : WindowsOf(nullptr, hiddenToo))
    if (HasClass(window, className) && (!caption || TextOf(window) == caption)) return window;
  return nullptr;
}

POINT ClientPlace(HWND main, HWND child) {
  RECT place;
  GetWindowRect(child, &place);
  POINT origin = {place.left, place.top};
  ScreenToClient(main, &origin);
  return origin;
}

HWND ControlOf(HWND main, int index) {
  for (HWND child : WindowsOf(main))
    if (HasClass(child, Controls[index].Class) && ClientPlace(main, child).x == Controls[index].X) return child;
  return nullptr;
}

std::string NameOfWindow(HWND window, HWND main) {
  if (!window) return "none";
  if (window == main) return "MainWindow";
  // GetAncestor, not GetParent: GetParent answers the owner of a pop-up such as a message box.
  if (GetAncestor(window, GA_PARENT) == main) {
    for (int i = 0; i < ControlCount; ++i)
      if (ControlOf(main, i) == window) return Controls[i].Name + std::string(i < ListCount ? "List" : "Button");
    POINT origin = ClientPlace(main, window);
    return "unknown:" + ClassOf(window) + "@" + std::to_string(origin.x) + "," + std::to_string(origin.y);
  }
  if (!IsWindow(window)) return "destroyed";
  HWND top = GetAncestor(window, GA_ROOT);
  std::string name = "other:" + ClassOf(window) + " ";
  name += top && top != window ? "in " + ClassOf(top) + " " + Quoted(TextOf(top)) : Quoted(TextOf(window));
  return name + (IsWindowVisible(window) ? "" : " (hidden)");
}

// One line per window: class, caption, owner, and for dialogs the icon, buttons and message text.
std::string Describe(HWND window) {
  HWND owner = GetWindow(window, GW_OWNER);
  std::string line = ClassOf(window) + " " + Quoted(TextOf(window)) + " owner=";
  line += !owner ? "none" : HasClass(owner, MainClass) ? "MainWindow" : ClassOf(owner) + ":" + Quoted(TextOf(owner));
  if (!HasClass(window, DialogClass)) return line;
  bool icon = false;
  for (HWND child : WindowsOf(window))
    icon |= HasClass(child, "Static") && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0) != 0;
  static const int ids[] = {IDOK, IDYES, IDNO, IDCANCEL};
  static const char* const names[] = {"OK", "YES", "NO", "CANCEL"};
  std::string buttons;
  for (int i = 0; i < 4; ++i)
    if (HWND button = GetDlgItem(window, ids[i]); button && IsWindowVisible(button))
      buttons += (buttons.empty() ? "" : ",") + std::string(names[i]);
  line += std::string(" icon=") + (icon ? "yes" : "no") + " buttons=" + (buttons.empty() ? "none" : buttons);
  if (HWND text = GetDlgItem(window, 0xFFFF)) line += " text=" + Quoted(TextOf(text));
  return line;
}

// The answer to a query, one line or more; nothing for an unknown query.
std::vector<std::string> Ask(const std::string& query, const char* argument) {
  HWND main = FindProgramWindow(MainClass, nullptr, true);
  if (query == "windows") {
    std::vector<std::string> lines;
    for (HWND window : WindowsOf(nullptr)) lines.push_back(Describe(window));
    return lines.empty() ? std::vector<std::string>{"none"} : lines;
  }
  if (query == "dialog" || (query == "rect" && argument)) {
    HWND dialog = FindProgramWindow(DialogClass, argument);
    RECT place;
    if (!dialog) return {"none"};
    if (query == "dialog") return {Describe(dialog)};
    GetWindowRect(dialog, &place);
    return {Numbers({place.left, place.top, place.right - place.left, place.bottom - place.top})};
  }
  if (query == "menu") return {FindProgramWindow(MenuClass) ? "open" : "none"};
  if (query == "foreground") {
    HWND window = GetForegroundWindow();
    if (!window || window == main) return {window ? "MainWindow" : "none"};
    return {(BelongsToProgram(window) ? "program:" : "other:") + ClassOf(window) + " " + Quoted(TextOf(window))};
  }
  if (query == "volume") {
    char directory[MAX_PATH] = "", label[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof directory, directory);
    bool known = GetVolumeInformationA(directory, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0);
    return {"cwd=" + Quoted(directory) + " label=" + (known ? Quoted(label) : "none")};
  }
  if (query == "main-state") {
    DWORD_PTR ignored;
    if (!main || !IsWindowVisible(main)) return {main ? "hidden" : "none"};
    bool looping = SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    return {looping ? "visible" : "not-responding"};
  }
  if (query != "focus" && query != "lists" && query != "rect") return {};
  if (!main) return {"no-program"};
  if (query == "focus") {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info))
      return {"error:GetGUIThreadInfo " + std::to_string(GetLastError())};
    return {NameOfWindow(info.hwndFocus, main)};
  }
  if (query == "rect") {
    RECT client;
    GetClientRect(main, &client);
    POINT origin = {0, 0};
    ClientToScreen(main, &origin);
    return {Numbers({origin.x, origin.y, client.right, client.bottom})};
  }
  std::string lists;
  for (int i = 0; i < ListCount; ++i) {
    HWND list = ControlOf(main, i);
    DWORD_PTR selected = 0;
    bool answered = list && SendMessageTimeoutA(list, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selected);
    lists += (i ? " " : "") + std::string(Controls[i].Name) + "=" +
             (answered ? std::to_string(static_cast<int>(selected)) : list ? "busy" : "missing");
  }
  return {lists};
}

// Waits for the program's process to appear, then watches it until it ends.
int WatchMain(int timeoutMs) {
  HANDLE process = nullptr;
  bool seen = false, ended = false;
  for (DWORD start = GetTickCount(); !ended && static_cast<int>(GetTickCount() - start) < timeoutMs; Sleep(5)) {
    std::vector<HWND> windows = WindowsOf(nullptr, true);
    seen |= FindProgramWindow(MainClass) != nullptr;
    DWORD processId = 0;
    if (!process && !windows.empty() && GetWindowThreadProcessId(windows.front(), &processId))
      process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    ended = process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  }
  if (process) CloseHandle(process);
  printf("%smain-visible=%s\n", ended ? "" : "timeout ", seen ? "seen" : "never");
  return ended ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  std::vector<const char*> args(argv + 1, argv + argc);
  if (args.size() == 2 && std::string(args[0]) == "watch-main") return WatchMain(atoi(args[1]));
  bool wait = !args.empty() && std::string(args[0]) == "wait";
  if (wait) args.erase(args.begin());
  // dialog takes a caption; so may rect, but not under wait.
  std::string query = args.empty() ? "" : args[0];
  size_t arity = query == "dialog" || (query == "rect" && !wait && args.size() == 2) ? 1 : 0;
  const char* argument = arity && args.size() > 1 ? args[1] : nullptr;
  std::vector<std::string> lines = Ask(query, argument);
  if (lines.empty() || args.size() < arity + 1 + wait || args.size() > arity + 1 + 2 * wait) {
    fprintf(stderr,
            "usage: probe focus|foreground|lists|windows|main-state|menu|volume | rect [CAPTION] | dialog CAPTION\n"
            "       probe wait QUERY [ARG] [WANTED] MS | watch-main MS\n");
    return 2;
  }
  // Under wait: until a line is WANTED, or without WANTED anything but "none".
  const char* wanted = wait && args.size() == arity + 3 ? args[arity + 1] : nullptr;
  for (DWORD start = GetTickCount(); wait; Sleep(20), lines = Ask(query, argument)) {
    for (const std::string& line : lines)
      if (wanted ? line == wanted : line != "none") return printf("%s\n", line.c_str()), 0;
    if (static_cast<int>(GetTickCount() - start) < atoi(args.back())) continue;
    std::string all;
    for (const std::string& line : lines) all += (all.empty() ? "" : " | ") + line;
    return printf("%s\n", all.c_str()), 1;
  }
  for (const std::string& line : lines) printf("%s\n", line.c_str());
  return 0;
}
