// Looks at the running TAVRIK9.exe from outside, for the end-to-end test:
//   probe windows       one line per visible window of the program: "main", "box TEXT" or "dialog CAPTION"
//   probe lists         the six lists' selected indexes, in list order
//   probe origin        the main window's client-area origin on the screen, "x y"
//   probe answer ID     posts the command ID to the program's dialog or message box
//   probe name PATH     puts PATH into the file dialog's name field and presses OK
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

static std::vector<HWND> Windows;

static BOOL CALLBACK Collect(HWND window, LPARAM) {
  DWORD id = 0;
  char image[MAX_PATH] = "";
  DWORD size = sizeof image;
  GetWindowThreadProcessId(window, &id);
  if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id)) {
    QueryFullProcessImageNameA(process, 0, image, &size);
    CloseHandle(process);
  }
  const char* name = strrchr(image, '\\');
  if (IsWindowVisible(window) && name && !lstrcmpiA(name, "\\TAVRIK9.exe")) Windows.push_back(window);
  return TRUE;
}

static std::string Text(HWND window) {
  char text[512] = "";
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  std::string escaped;
  for (char* c = text; *c; ++c) escaped += *c == '\n' ? std::string("\\n") : std::string(1, *c);
  return escaped;
}

static BOOL CALLBACK FindEdit(HWND child, LPARAM found) {
  char name[16] = "";
  GetClassNameA(child, name, sizeof name);
  if (lstrcmpiA(name, "Edit") || !IsWindowEnabled(child)) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  EnumWindows(Collect, 0);
  HWND main = nullptr, dialog = nullptr;
  for (HWND window : Windows) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    (strcmp(name, "#32770") ? main : dialog) = window;
    if (command == "windows" && !strcmp(name, "#32770"))
      printf(GetDlgItem(window, 0xFFFF) ? "box %s\n" : "dialog %s\n", Text(GetDlgItem(window, 0xFFFF) ? GetDlgItem(window, 0xFFFF) : window).c_str());
    else if (command == "windows")
      printf("main\n");
  }
  if (command == "lists" && main) {
    const int places[] = {126, 235, 435, 10, 335, 530};
    for (int place : places) {
      POINT point = {place + 5, 30};
      ClientToScreen(main, &point);
      HWND list = WindowFromPoint(point);
      DWORD_PTR selected = 99;
      SendMessageTimeoutA(list, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selected);
      printf("%d%s", static_cast<int>(selected), place == 530 ? "\n" : " ");
    }
  }
  POINT origin = {0, 0};
  if (command == "origin" && main && ClientToScreen(main, &origin)) printf("%ld %ld\n", origin.x, origin.y);
  if (command == "answer" && argc > 2 && dialog) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(atoi(argv[2]), BN_CLICKED), 0);
  HWND edit = dialog ? GetDlgItem(dialog, 0x480) : nullptr;  // the name field, or the combo box that holds it
  if (dialog && !edit) EnumChildWindows(GetDlgItem(dialog, 0x47c), FindEdit, reinterpret_cast<LPARAM>(&edit));
  if (command == "name" && argc > 2 && edit) {
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }
  return 0;
}
