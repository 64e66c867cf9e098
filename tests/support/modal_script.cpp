// The modal-window script and the message helpers of the window tests.
#include "modal_script.h"

#include <gtest/gtest.h>

#include "resource.h"

static ModalScript* Running;

// Wine's ids: a message box's text and icon, a file dialog's name field or the box around it.
const int BoxText = 0xFFFF;
const int BoxIcon = 0x440;
const int NameField = 0x480;
const int NameBox = 0x47c;

static std::string TextOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

static std::string DescribeBox(HWND box) {
  std::string buttons;
  const char* names[] = {"", "OK", "CANCEL", "", "", "", "YES", "NO"};  // by button id
  for (int id : {IDOK, IDYES, IDNO, IDCANCEL}) {
    if (GetWindowLongA(GetDlgItem(box, id), GWL_STYLE) & WS_VISIBLE)
      buttons += names[id] + std::string(" ");
  }
  HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageA(box, BoxIcon, STM_GETICON, 0, 0));
  if (icon == LoadIconA(nullptr, IDI_HAND)) buttons += "error ";
  if (icon == LoadIconA(nullptr, IDI_QUESTION)) buttons += "question ";
  std::string seen = TextOf(GetDlgItem(box, BoxText)) + " [" + buttons;
  seen.back() = ']';
  if (TextOf(box) != "TAVRIK-9 Configuration Utility") seen += " captioned " + TextOf(box);
  if (!GetWindow(box, GW_OWNER)) seen += " unowned";
  return seen;
}

static bool IsDialog(HWND window) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  return strcmp(name, "#32770") == 0;
}

static std::string Describe(HWND window) {
  return GetDlgItem(window, BoxText) ? DescribeBox(window) : TextOf(window);
}

static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  HWND progress = GetDlgItem(window, IDC_PROGRESS_TEXT);
  if (code == HCBT_DESTROYWND && IsDialog(window) && progress) {
    Running->Seen.push_back(TextOf(window) + ": " + TextOf(progress));
  }
  bool known = std::count(Running->Windows.begin(), Running->Windows.end(), window) > 0;
  if (code == HCBT_ACTIVATE && IsDialog(window) && !progress && !known) {
    Running->Seen.push_back(Describe(window));
    Running->Windows.push_back(window);
    Running->Since.push_back(GetTickCount());
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

static void Answer(HWND window, const ModalAnswer& answer) {
  HWND field =
      GetDlgItem(window, NameBox) ? GetDlgItem(window, NameBox) : GetDlgItem(window, NameField);
  if (field && !answer.Path.empty()) SetWindowTextA(field, answer.Path.c_str());
  if (answer.Button == EscapeKey) PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
  if (answer.Button == CloseBox) PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (answer.Button > 0) PostMessageA(window, WM_COMMAND, answer.Button, 0);
}

// Answers the newest open window once it has settled (a file dialog fills in after it comes up).
static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  ModalScript& script = *Running;
  size_t last = script.Windows.size();
  while (last > 0 && !IsWindow(script.Windows[last - 1])) --last;
  if (last == 0) return;
  --last;
  HWND window = script.Windows[last];
  DWORD age = GetTickCount() - script.Since[last];
  if (last < script.Answered && age > 3000) {
    ADD_FAILURE() << "left open after its answer: " << Describe(window);
    DestroyWindow(window);
  }
  if (last < script.Answered || age < 150) return;
  if (last >= script.Answers.size()) ADD_FAILURE() << "unexpected: " << Describe(window);
  Answer(window, last < script.Answers.size() ? script.Answers[last] : ModalAnswer(IDCANCEL));
  script.Answered = last + 1;
  script.Since[last] = GetTickCount();
}

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
  DWORD start = GetTickCount();
  while (GetTickCount() - start < DWORD(ms)) {
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      Sleep(1);
      continue;
    }
    if (message.message == WM_QUIT) quit = true;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return quit;
}

void PressKey(HWND window, UINT key) {
  LPARAM scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC) << 16;
  SendMessageA(window, WM_KEYDOWN, key, scan | 1);
  SendMessageA(window, WM_KEYUP, key, scan | 0xC0000001);
}
