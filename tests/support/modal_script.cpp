// The modal-window script and the message helpers of the window tests.
#include "modal_script.h"

#include <gtest/gtest.h>

#include <string.h>

#include "resource.h"

namespace {

ModalScript* Running;
const int BoxTextId = 0xFFFF, NameComboId = 0x47c, NameEditId = 0x480;

std::string TextOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

BOOL CALLBACK FindControl(HWND child, LPARAM found) {
  char name[16] = "";
  GetClassNameA(child, name, sizeof name);
  LONG style = GetWindowLongA(child, GWL_STYLE);
  HWND* result = reinterpret_cast<HWND*>(found);
  bool wanted = result[1] ? !lstrcmpiA(name, "Edit") && IsWindowEnabled(child)
                          : !lstrcmpiA(name, "Static") && (style & SS_TYPEMASK) == SS_ICON;
  if (wanted) result[0] = child;
  return !wanted;
}

// The child that FindControl looks for: an enabled edit field when edit is set, else an icon.
HWND Find(HWND parent, bool edit) {
  HWND found[2] = {nullptr, edit ? parent : nullptr};
  EnumChildWindows(parent, FindControl, reinterpret_cast<LPARAM>(found));
  return found[0];
}

std::string Describe(HWND window) {
  if (!GetDlgItem(window, BoxTextId)) return TextOf(window);
  std::string buttons;
  const char* const names[] = {"", "OK", "CANCEL", "", "", "", "YES", "NO"};
  for (int id : {IDOK, IDYES, IDNO, IDCANCEL})
    if (GetWindowLongA(GetDlgItem(window, id), GWL_STYLE) & WS_VISIBLE) buttons += (buttons.empty() ? "" : " ") + std::string(names[id]);
  HICON icon = reinterpret_cast<HICON>(SendMessageA(Find(window, false), STM_GETICON, 0, 0));
  const char* kind = !icon ? "" : icon == LoadIconA(nullptr, IDI_HAND) ? " error"
                     : icon == LoadIconA(nullptr, IDI_QUESTION) ? " question" : " other icon";
  return TextOf(GetDlgItem(window, BoxTextId)) + " [" + buttons + kind + "]";
}

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  bool known = false;
  for (HWND open : Running->Open) known = known || open == window;
  if (code == HCBT_ACTIVATE && !known && !strcmp(name, "#32770") && !GetDlgItem(window, IDC_PROGRESS_TEXT)) {
    Running->Seen.push_back(Describe(window));
    HWND owner = GetWindow(window, GW_OWNER);
    Running->Owners.push_back(owner);
    Running->OwnersVisible.push_back(owner && IsWindowVisible(owner));
    Running->Open.push_back(window);
    Running->OpenSince.push_back(GetTickCount());
    Running->Answered.push_back(false);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  ModalScript& script = *Running;
  size_t index = script.Open.size();
  while (index > 0 && !IsWindow(script.Open[index - 1])) --index;
  if (index == 0) return;
  HWND window = script.Open[--index];
  DWORD age = GetTickCount() - script.OpenSince[index];
  HWND name = GetDlgItem(window, NameComboId) ? GetDlgItem(window, NameComboId) : GetDlgItem(window, NameEditId);
  bool answered = script.Answered[index], stuck = age > (answered ? 2000u : 5000u);
  // A file dialog fills in after it comes up; an answered window needs a moment to go.
  if (!stuck && (age < 100 || answered || (name && !Find(name, true) && !Find(window, true)))) return;
  ModalAnswer answer = {IDCANCEL, ""};
  if (stuck) {
    ADD_FAILURE() << "left open: " << script.Seen[index];
  } else if (index < script.Answers.size()) {
    answer = script.Answers[index];
  } else {
    ADD_FAILURE() << "unexpected: " << script.Seen[index];
  }
  HWND field = name ? (Find(name, true) ? Find(name, true) : Find(window, true)) : nullptr;
  if (field && !answer.Path.empty()) SetWindowTextA(field, answer.Path.c_str());
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(answer.Button, BN_CLICKED), 0);
  script.Answered[index] = true;
  script.OpenSince[index] = GetTickCount();
}

}  // namespace

ModalScript::ModalScript(const std::vector<ModalAnswer>& answers) : Answers(answers) {
  Running = this;
  Hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
  Timer = SetTimer(nullptr, 0, 50, OnTimer);
}

ModalScript::~ModalScript() {
  KillTimer(nullptr, Timer);
  UnhookWindowsHookEx(Hook);
  Running = nullptr;
}

bool FlushEvents(int ms) {
  bool quit = false;
  MSG message;
  for (DWORD start = GetTickCount(); GetTickCount() - start < DWORD(ms);) {
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      Sleep(1);
      continue;
    }
    quit = quit || message.message == WM_QUIT;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return quit;
}

void PressKey(HWND window, UINT key) {
  LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
  SendMessageA(window, WM_KEYDOWN, key, 1 | scan);
  SendMessageA(window, WM_KEYUP, key, 1 | scan | 0xC0000000);
}
