// The modal-window script and the message helpers of the window tests.
#include "modal_script.h"

#include <gtest/gtest.h>

#include "resource.h"

static ModalScript* Running;

static std::string TextOf(HWND window) {
  char text[1024] = "";
  return GetWindowTextA(window, text, sizeof text), text;
}

// The first child of the given class (and style type, for statics): an enabled name field, a box's icon.
static HWND Child(HWND parent, const char* className, LONG type = 0) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[16] = "";
    GetClassNameA(child, name, sizeof name);
    bool wanted = !lstrcmpiA(name, className) && (type ? (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == type : IsWindowEnabled(child));
    if (HWND found = wanted ? child : Child(child, className, type)) return found;
  }
  return nullptr;
}

static std::string Describe(HWND window) {
  if (!GetDlgItem(window, 0xFFFF)) return TextOf(window);  // a message box's text has that id
  std::string buttons;
  for (auto button : {std::make_pair(IDOK, "OK"), {IDYES, "YES"}, {IDNO, "NO"}, {IDCANCEL, "CANCEL"}})
    if (GetWindowLongA(GetDlgItem(window, button.first), GWL_STYLE) & WS_VISIBLE) buttons += (buttons.empty() ? "" : " ") + std::string(button.second);
  HICON icon = reinterpret_cast<HICON>(SendMessageA(Child(window, "Static", SS_ICON), STM_GETICON, 0, 0));
  const char* kind = !icon ? "" : icon == LoadIconA(nullptr, IDI_HAND) ? " error" : icon == LoadIconA(nullptr, IDI_QUESTION) ? " question" : " icon";
  return TextOf(GetDlgItem(window, 0xFFFF)) + " [" + buttons + kind + "]";
}

static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  bool known = false;
  for (const auto& shown : Running->Windows) known = known || shown.Window == window;
  if (code == HCBT_ACTIVATE && !known && !lstrcmpA(name, "#32770") && !GetDlgItem(window, IDC_PROGRESS_TEXT)) {
    Running->Seen.push_back(Describe(window));
    Running->Windows.push_back({window, GetTickCount(), false});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Answers the newest open window once it has settled (a file dialog fills in after it comes up).
static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  size_t index = Running->Windows.size();
  while (index > 0 && !IsWindow(Running->Windows[index - 1].Window)) --index;
  if (index-- == 0) return;
  ModalScript::Shown& shown = Running->Windows[index];
  DWORD age = GetTickCount() - shown.Since;
  HWND field = Child(shown.Window, "Edit");
  bool stuck = age > (shown.Answered ? 2000u : 5000u);
  bool fileDialog = GetDlgItem(shown.Window, 0x47c) || GetDlgItem(shown.Window, 0x480);  // its name box or field
  if (!stuck && (age < 150 || shown.Answered || (fileDialog && !field))) return;
  ModalAnswer answer = stuck || index >= Running->Answers.size() ? ModalAnswer(IDCANCEL) : Running->Answers[index];
  if (stuck || index >= Running->Answers.size()) ADD_FAILURE() << (stuck ? "left open: " : "unexpected: ") << Running->Seen[index];
  if (field && !answer.Path.empty()) SetWindowTextA(field, answer.Path.c_str());
  PostMessageA(shown.Window, WM_COMMAND, MAKEWPARAM(answer.Button, BN_CLICKED), 0);
  shown = {shown.Window, GetTickCount(), true};
}

ModalScript::ModalScript(const std::vector<ModalAnswer>& answers) : Answers(answers) {
  Running = this;
  Hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
  Timer = SetTimer(nullptr, 0, 50, OnTimer);
}

ModalScript::~ModalScript() { KillTimer(nullptr, Timer), UnhookWindowsHookEx(Hook), Running = nullptr; }

bool FlushEvents(int ms) {
  bool quit = false;
  MSG message;
  for (DWORD start = GetTickCount(); GetTickCount() - start < DWORD(ms);)
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) Sleep(1);
    else quit = quit || message.message == WM_QUIT, TranslateMessage(&message), DispatchMessageA(&message);
  return quit;
}

void PressKey(HWND window, UINT key) {
  LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
  SendMessageA(window, WM_KEYDOWN, key, 1 | scan);
  SendMessageA(window, WM_KEYUP, key, 1 | scan | 0xC0000000);
}
