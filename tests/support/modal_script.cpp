// The modal-window script and the message helpers of the window tests.
#include "modal_script.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>

#include "resource.h"

static ModalScript* Running;

// Wine's ids: a message box's text and icon, a file dialog's name field or the combo box around it.
const int BoxText = 0xFFFF, BoxIcon = 0x440, NameField = 0x480, NameBox = 0x47c;

static std::string Describe(HWND window) {
  char text[1024] = "";
  GetWindowTextA(GetDlgItem(window, BoxText) ? GetDlgItem(window, BoxText) : window, text,
                 sizeof text);
  if (!GetDlgItem(window, BoxText)) return text;
  std::string buttons;
  for (auto button :
       {std::make_pair(IDOK, "OK"), {IDYES, "YES"}, {IDNO, "NO"}, {IDCANCEL, "CANCEL"}})
    if (GetWindowLongA(GetDlgItem(window, button.first), GWL_STYLE) & WS_VISIBLE)
      buttons += (buttons.empty() ? "" : " ") + std::string(button.second);
  HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageA(window, BoxIcon, STM_GETICON, 0, 0));
  const char* kind = !icon                                      ? ""
                     : icon == LoadIconA(nullptr, IDI_HAND)     ? " error"
                     : icon == LoadIconA(nullptr, IDI_QUESTION) ? " question"
                                                                : " icon";
  char caption[64] = "";  // the program's boxes all carry its title and belong to a window
  std::string where = (GetWindowTextA(window, caption, sizeof caption),
                       strcmp(caption, "TAVRIK-9 Configuration Utility"))
                          ? caption
                          : "";
  return text + (" [" + buttons + kind + "]") + (where.empty() ? "" : " captioned " + where) +
         (GetWindow(window, GW_OWNER) ? "" : " unowned");
}

static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  std::vector<HWND>& seen = Running->Windows;
  if (code == HCBT_ACTIVATE && !lstrcmpA(name, "#32770") &&
      !GetDlgItem(window, IDC_PROGRESS_TEXT) &&
      std::find(seen.begin(), seen.end(), window) == seen.end())
    Running->Seen.push_back(Describe(window)), seen.push_back(window),
        Running->Since.push_back(GetTickCount());
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Answers each window in turn once it has settled (a file dialog fills in after it comes up).
static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  ModalScript& script = *Running;
  size_t last = script.Windows.size();
  while (last > 0 && !IsWindow(script.Windows[last - 1])) --last;
  if (last-- == 0) return;
  HWND window = script.Windows[last];
  HWND field = GetDlgItem(window, NameBox)
                   ? GetDlgItem(window, NameBox)
                   : GetDlgItem(window, NameField);  // either takes the text
  DWORD age = GetTickCount() - script.Since[last];
  bool answered = last<script.Answered, stuck = age> 5000;
  if (!stuck && (age < 150 || answered)) return;
  bool scripted = !stuck && last < script.Answers.size();
  if (!scripted) ADD_FAILURE() << (stuck ? "left open: " : "unexpected: ") << script.Seen[last];
  ModalAnswer answer = scripted ? script.Answers[last] : ModalAnswer(IDCANCEL);
  if (field && !answer.Path.empty()) SetWindowTextA(field, answer.Path.c_str());
  PostMessageA(window, WM_COMMAND, answer.Button, 0);
  script.Answered = std::max(script.Answered, last + 1), script.Since[last] = GetTickCount();
}

ModalScript::ModalScript(const std::vector<ModalAnswer>& answers) : Answers(answers) {
  Running = this;
  Hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
  Timer = SetTimer(nullptr, 0, 50, OnTimer);
}

ModalScript::~ModalScript() {
  KillTimer(nullptr, Timer), UnhookWindowsHookEx(Hook), Running = nullptr;
}

bool FlushEvents(int ms) {
  bool quit = false;
  MSG message;
  for (DWORD start = GetTickCount(); GetTickCount() - start < DWORD(ms);)
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      Sleep(1);
    else
      quit = quit || message.message == WM_QUIT, TranslateMessage(&message),
      DispatchMessageA(&message);
  return quit;
}

void PressKey(HWND window, UINT key) {
  LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
  SendMessageA(window, WM_KEYDOWN, key, 1 | scan),
      SendMessageA(window, WM_KEYUP, key, 1 | scan | 0xC0000000);
}
