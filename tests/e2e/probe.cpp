// Looks at the running TAVRIK-9 program from outside and prints plain lines for the end-to-end script.
//
// The program is told apart from every other process by its image path: TAVRIK9_E2E_EXE holds the
// Windows path of the exe under test (any process whose image is called TAVRIK9.exe when unset).
// Every command prints its answer on one line (windows: one line per window); the wait-commands poll
// until the answer is the one asked for and exit with 1 on a timeout, printing the last answer.
//
//   probe focus                      control with the keyboard focus in the program's window thread
//   probe foreground                 the foreground window
//   probe lists                      the selected index of each list, in ListTable order
//   probe windows                    the program's visible top-level windows
//   probe rect                       screen position of the main window's client origin, client size
//   probe main-state                 whether the main window exists: none, hidden or visible
//   probe place CAPTION              screen rectangle of the program's visible dialog with this caption
//   probe volume                     this process's current directory and the volume label it reports
//   probe wait-main MS               until the main window is visible and its thread takes messages
//   probe wait-dialog CAPTION MS     until a visible dialog of the program has this caption; prints it
//   probe wait-window LINE MS        until a visible window of the program is described by LINE (as
//                                    `windows` prints it); on a timeout prints all of them
//   probe wait-gone CAPTION MS       until no visible dialog of the program has this caption
//   probe wait-menu MS               until one of the program's pop-up menus is open
//   probe wait-focus NAME MS         until `focus` answers NAME
//   probe wait-lists TEXT MS         until `lists` answers TEXT
//   probe watch-main MS              from before the program starts until it ends: was the main window
//                                    ever visible ("main-visible=never" or "main-visible=seen")
//
// Across processes Wine 8 answers GetGUIThreadInfo, WM_GETTEXT, CB_GETCURSEL and STM_GETICON (a handle,
// good only for "there is an icon"); the lists are read by index because CB_GETLBTEXT returns one
// character there.
#include <windows.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const char MainClass[] = "TAVRIKXloadClass";
const char DialogClass[] = "#32770";
const char MenuClass[] = "#32768";
const int PollMs = 20;

std::string ClassOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Text through WM_GETTEXT, which Wine carries across processes.
std::string TextOf(HWND window) {
  char text[2048] = "";
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                      nullptr);
  return text;
}

// Line breaks and quotes written out, so that a box's text fits on one line of output.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      default: out += c;
    }
  }
  return out;
}

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// Whether a process is the program under test, decided once per process id.
struct ProcessVerdict {
  DWORD Id;
  bool IsProgram;
};
std::vector<ProcessVerdict> Verdicts;

bool IsProgramProcess(DWORD processId) {
  for (const ProcessVerdict& verdict : Verdicts)
    if (verdict.Id == processId) return verdict.IsProgram;
  bool matches = false;
  if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
    char image[MAX_PATH * 2] = "";
    DWORD size = sizeof image;
    if (QueryFullProcessImageNameA(process, 0, image, &size)) {
      std::string path = LowerCase(image);
      const char* wanted = getenv("TAVRIK9_E2E_EXE");
      if (wanted && *wanted)
        matches = path == LowerCase(wanted);
      else
        matches = path.size() >= 12 && path.compare(path.size() - 12, 12, "\\tavrik9.exe") == 0;
    }
    CloseHandle(process);
  }
  Verdicts.push_back({processId, matches});
  return matches;
}

bool BelongsToProgram(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  return processId != 0 && processId != GetCurrentProcessId() && IsProgramProcess(processId);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  if (BelongsToProgram(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// All top-level windows of the program, hidden ones included, in Z order.
std::vector<HWND> ProgramWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND FindMainWindow() {
  for (HWND window : ProgramWindows())
    if (ClassOf(window) == MainClass) return window;
  return nullptr;
}

struct Child {
  HWND Window;
  std::string Class;
  POINT Place;  // in the main window's client area
};

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<Child> ChildrenOf(HWND main) {
  std::vector<HWND> handles;
  EnumChildWindows(main, CollectChild, reinterpret_cast<LPARAM>(&handles));
  std::vector<Child> children;
  for (HWND handle : handles) {
    if (GetParent(handle) != main) continue;  // a list's own parts
    RECT place;
    GetWindowRect(handle, &place);
    POINT origin = {place.left, place.top};
    ScreenToClient(main, &origin);
    children.push_back({handle, ClassOf(handle), origin});
  }
  return children;
}

// The controls by class and client x, as the layout places them.
struct KnownControl {
  const char* Class;
  int X;
  const char* Name;
};
const KnownControl KnownControls[] = {
    {"ComboBox", 10, "ModeList"},      {"ComboBox", 126, "BaudRateList"}, {"ComboBox", 235, "DataBitsList"},
    {"ComboBox", 335, "ParityList"},   {"ComboBox", 435, "StopBitsList"}, {"ComboBox", 530, "HandshakeList"},
    {"Button", 128, "SaveToButton"},   {"Button", 387, "ReadFromButton"},
};

// ListTable order: baud rate, data bits, stop bits, mode, parity, handshaking.
const struct {
  const char* Name;
  int X;
} ListsInTableOrder[] = {{"BaudRate", 126}, {"DataBits", 235}, {"StopBits", 435},
                         {"Mode", 10},      {"Parity", 335},   {"Handshake", 530}};

std::string NameOfWindow(HWND window, HWND main) {
  if (!window) return "none";
  if (window == main) return "MainWindow";
  // GetAncestor, not GetParent: GetParent answers the owner of a pop-up such as a message box.
  HWND parent = GetAncestor(window, GA_PARENT);
  if (main && parent == main) {
    std::string className = ClassOf(window);
    RECT place;
    GetWindowRect(window, &place);
    POINT origin = {place.left, place.top};
    ScreenToClient(main, &origin);
    for (const KnownControl& known : KnownControls)
      if (LowerCase(className) == LowerCase(known.Class) && origin.x == known.X) return known.Name;
    return "unknown:" + className + "@" + std::to_string(origin.x) + "," + std::to_string(origin.y);
  }
  if (!IsWindow(window)) return "destroyed";
  HWND top = GetAncestor(window, GA_ROOT);
  std::string name = ClassOf(window);
  if (top && top != window) name += " in " + ClassOf(top) + " \"" + Escaped(TextOf(top)) + "\"";
  else name += " \"" + Escaped(TextOf(window)) + "\"";
  if (!IsWindowVisible(window)) name += " (hidden)";
  return "other:" + name;
}

std::string FocusAnswer() {
  HWND main = FindMainWindow();
  if (!main) return "no-program";
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  DWORD thread = GetWindowThreadProcessId(main, nullptr);
  if (!GetGUIThreadInfo(thread, &info)) return "error:GetGUIThreadInfo " + std::to_string(GetLastError());
  return NameOfWindow(info.hwndFocus, main);
}

std::string ForegroundAnswer() {
  HWND main = FindMainWindow();
  HWND foreground = GetForegroundWindow();
  if (foreground && foreground == main) return "MainWindow";
  if (!foreground) return "none";
  return std::string(BelongsToProgram(foreground) ? "program:" : "other:") + ClassOf(foreground) + " \"" +
         Escaped(TextOf(foreground)) + "\"";
}

std::string ListsAnswer() {
  HWND main = FindMainWindow();
  if (!main) return "no-program";
  std::vector<Child> children = ChildrenOf(main);
  std::string answer;
  for (const auto& list : ListsInTableOrder) {
    std::string value = "missing";
    for (const Child& child : children)
      if (LowerCase(child.Class) == "combobox" && child.Place.x == list.X) {
        DWORD_PTR selected = 0;
        if (SendMessageTimeoutA(child.Window, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selected))
          value = std::to_string(static_cast<int>(static_cast<LRESULT>(selected)));
        else
          value = "busy";
      }
    if (!answer.empty()) answer += ' ';
    answer += std::string(list.Name) + "=" + value;
  }
  return answer;
}

// One line per window: class, caption, owner, and for dialogs the icon, buttons and message text.
std::string DescribeWindow(HWND window) {
  std::string className = ClassOf(window);
  std::string line = className + " \"" + Escaped(TextOf(window)) + "\"";
  HWND owner = GetWindow(window, GW_OWNER);
  line += " owner=";
  if (!owner)
    line += "none";
  else if (ClassOf(owner) == MainClass)
    line += "MainWindow";
  else
    line += ClassOf(owner) + ":\"" + Escaped(TextOf(owner)) + "\"";
  if (className != DialogClass) return line;
  bool icon = false;
  std::vector<HWND> children;
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children)
    if (LowerCase(ClassOf(child)) == "static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0) != 0)
      icon = true;
  line += std::string(" icon=") + (icon ? "yes" : "no");
  static const struct {
    int Id;
    const char* Name;
  } buttons[] = {{IDOK, "OK"}, {IDYES, "YES"}, {IDNO, "NO"}, {IDCANCEL, "CANCEL"}};
  std::string present;
  for (const auto& button : buttons)
    if (HWND control = GetDlgItem(window, button.Id); control && IsWindowVisible(control))
      present += (present.empty() ? "" : ",") + std::string(button.Name);
  line += " buttons=" + (present.empty() ? std::string("none") : present);
  if (HWND text = GetDlgItem(window, 0xFFFF)) line += " text=\"" + Escaped(TextOf(text)) + "\"";
  return line;
}

std::vector<std::string> WindowsAnswer() {
  std::vector<std::string> lines;
  for (HWND window : ProgramWindows())
    if (IsWindowVisible(window)) lines.push_back(DescribeWindow(window));
  return lines;
}

HWND FindDialog(const std::string& caption) {
  for (HWND window : ProgramWindows())
    if (IsWindowVisible(window) && ClassOf(window) == DialogClass && TextOf(window) == caption) return window;
  return nullptr;
}

std::string RectAnswer() {
  HWND main = FindMainWindow();
  if (!main) return "no-program";
  RECT client;
  GetClientRect(main, &client);
  POINT origin = {0, 0};
  ClientToScreen(main, &origin);
  return std::to_string(origin.x) + " " + std::to_string(origin.y) + " " + std::to_string(client.right) + " " +
         std::to_string(client.bottom);
}

std::string PlaceAnswer(const std::string& caption) {
  HWND dialog = FindDialog(caption);
  if (!dialog) return "no-dialog";
  RECT place;
  GetWindowRect(dialog, &place);
  return std::to_string(place.left) + " " + std::to_string(place.top) + " " +
         std::to_string(place.right - place.left) + " " + std::to_string(place.bottom - place.top);
}

std::string MainStateAnswer() {
  HWND main = FindMainWindow();
  if (!main) return "none";
  return IsWindowVisible(main) ? "visible" : "hidden";
}

std::string VolumeAnswer() {
  char directory[MAX_PATH] = "", label[MAX_PATH] = "", fileSystem[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof directory, directory);
  BOOL known = GetVolumeInformationA(directory, label, sizeof label, nullptr, nullptr, nullptr, fileSystem,
                                     sizeof fileSystem);
  return std::string("cwd=\"") + Escaped(directory) + "\" label=" +
         (known ? "\"" + Escaped(label) + "\"" : std::string("none"));
}

// Polls `answer` until it returns `wanted` or the time is up; prints the last answer.
template <typename Answer>
int WaitFor(const std::string& wanted, int timeoutMs, Answer answer) {
  DWORD start = GetTickCount();
  std::string got;
  for (;;) {
    got = answer();
    if (got == wanted) break;
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) {
      printf("%s\n", got.c_str());
      return 1;
    }
    Sleep(PollMs);
  }
  printf("%s\n", got.c_str());
  return 0;
}

int WaitMain(int timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND main = FindMainWindow();
    // Visible, and its thread takes messages: the message loop runs.
    DWORD_PTR ignored;
    if (main && IsWindowVisible(main) &&
        SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored)) {
      printf("visible\n");
      return 0;
    }
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) {
      printf(main ? "hidden\n" : "no-program\n");
      return 1;
    }
    Sleep(PollMs);
  }
}

int WaitDialog(const std::string& caption, int timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    // Its caption comes by a sent message, answered only once the dialog's modal loop runs.
    if (HWND dialog = FindDialog(caption)) {
      printf("%s\n", DescribeWindow(dialog).c_str());
      return 0;
    }
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) {
      printf("timeout: no dialog \"%s\"\n", Escaped(caption).c_str());
      return 1;
    }
    Sleep(PollMs);
  }
}

// Until one of the program's visible windows is described by exactly this line.
int WaitWindow(const std::string& line, int timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    std::vector<std::string> lines = WindowsAnswer();
    for (const std::string& seen : lines)
      if (seen == line) {
        printf("%s\n", seen.c_str());
        return 0;
      }
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) {
      std::string all;
      for (const std::string& seen : lines) all += (all.empty() ? "" : " | ") + seen;
      printf("%s\n", all.empty() ? "no windows" : all.c_str());
      return 1;
    }
    Sleep(PollMs);
  }
}

int WaitGone(const std::string& caption, int timeoutMs) {
  DWORD start = GetTickCount();
  while (FindDialog(caption)) {
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) {
      printf("timeout: dialog \"%s\" still open\n", Escaped(caption).c_str());
      return 1;
    }
    Sleep(PollMs);
  }
  printf("gone\n");
  return 0;
}

int WaitMenu(int timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    for (HWND window : ProgramWindows())
      if (IsWindowVisible(window) && ClassOf(window) == MenuClass) {
        printf("menu\n");
        return 0;
      }
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) {
      printf("timeout: no menu open\n");
      return 1;
    }
    Sleep(PollMs);
  }
}

// Waits for the program's process to appear, then watches it until it ends.
int WatchMain(int timeoutMs) {
  DWORD start = GetTickCount();
  HANDLE process = nullptr;
  bool seen = false;
  for (;;) {
    std::vector<HWND> windows = ProgramWindows();
    for (HWND window : windows)
      if (ClassOf(window) == MainClass && IsWindowVisible(window)) seen = true;
    if (!process && !windows.empty()) {
      DWORD processId = 0;
      GetWindowThreadProcessId(windows.front(), &processId);
      process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    }
    if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) break;
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) {
      printf("timeout main-visible=%s\n", seen ? "seen" : "never");
      if (process) CloseHandle(process);
      return 1;
    }
    Sleep(5);
  }
  CloseHandle(process);
  printf("main-visible=%s\n", seen ? "seen" : "never");
  return 0;
}

int Usage() {
  fprintf(stderr,
          "usage: probe focus|foreground|lists|windows|rect|main-state|volume | place CAPTION\n"
          "       probe wait-main MS | wait-dialog CAPTION MS | wait-window LINE MS | wait-gone CAPTION MS\n"
          "       probe wait-menu MS\n"
          "       probe wait-focus NAME MS | wait-lists TEXT MS | watch-main MS\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc < 2) return Usage();
  std::string command = argv[1];
  auto number = [&](int index) { return index < argc ? atoi(argv[index]) : 0; };
  if (command == "focus" && argc == 2) return printf("%s\n", FocusAnswer().c_str()), 0;
  if (command == "foreground" && argc == 2) return printf("%s\n", ForegroundAnswer().c_str()), 0;
  if (command == "lists" && argc == 2) return printf("%s\n", ListsAnswer().c_str()), 0;
  if (command == "rect" && argc == 2) return printf("%s\n", RectAnswer().c_str()), 0;
  if (command == "main-state" && argc == 2) return printf("%s\n", MainStateAnswer().c_str()), 0;
  if (command == "place" && argc == 3) return printf("%s\n", PlaceAnswer(argv[2]).c_str()), 0;
  if (command == "volume" && argc == 2) return printf("%s\n", VolumeAnswer().c_str()), 0;
  if (command == "windows" && argc == 2) {
    for (const std::string& line : WindowsAnswer()) printf("%s\n", line.c_str());
    return 0;
  }
  if (command == "wait-main" && argc == 3) return WaitMain(number(2));
  if (command == "wait-dialog" && argc == 4) return WaitDialog(argv[2], number(3));
  if (command == "wait-window" && argc == 4) return WaitWindow(argv[2], number(3));
  if (command == "wait-gone" && argc == 4) return WaitGone(argv[2], number(3));
  if (command == "wait-menu" && argc == 3) return WaitMenu(number(2));
  if (command == "wait-focus" && argc == 4) return WaitFor(argv[2], number(3), FocusAnswer);
  if (command == "wait-lists" && argc == 4) return WaitFor(argv[2], number(3), ListsAnswer);
  if (command == "watch-main" && argc == 3) return WatchMain(number(2));
  return Usage();
}
