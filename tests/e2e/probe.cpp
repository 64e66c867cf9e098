// Prints one line per visible window of the running TAVRIK9.exe, for the end-to-end test: "main"
// for the main window, "box TEXT" for a message box (line breaks as \n), "dialog CAPTION"
// otherwise.
#include <windows.h>

#include <stdio.h>
#include <string.h>

static BOOL CALLBACK PrintWindow(HWND window, LPARAM) {
  DWORD id = 0, size = MAX_PATH;
  char image[MAX_PATH] = "", name[16] = "", text[512] = "";
  GetWindowThreadProcessId(window, &id);
  if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id))
    QueryFullProcessImageNameA(process, 0, image, &size), CloseHandle(process);
  if (!IsWindowVisible(window) || !strstr(image, "\\TAVRIK9.exe")) return TRUE;
  HWND boxText = GetDlgItem(window, 0xFFFF);  // a message box's text
  GetClassNameA(window, name, sizeof name);
  SendMessageTimeoutA(boxText ? boxText : window, WM_GETTEXT, sizeof text, LPARAM(text),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  printf("%s", strcmp(name, "#32770") ? "main" : boxText ? "box " : "dialog ");
  for (char* c = text; *c && strcmp(name, "#32770") == 0; ++c)
    printf(*c == '\n' ? "\\n" : "%c", *c);
  return puts(""), TRUE;
}

int main() { return !EnumWindows(PrintWindow, 0); }
