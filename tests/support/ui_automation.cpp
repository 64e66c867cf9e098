// Message pumping, key presses and the scripted answerer of modal windows behind ui_automation.h.
#include "ui_automation.h"

#include <stdio.h>

#include <algorithm>

namespace {

UiScript* RunningScript;  // the one script whose hook is installed

// A box's text control and icon (Wine's stc1, Windows' 0x14); the file name control: Wine's Explorer
// dialog keeps an Edit inside cmb13, older dialogs have edt1.
const int BoxTextId = 0xFFFF, WineIconId = 0x440, WindowsIconId = 0x14, NameComboId = 0x47c, NameEditId = 0x480;
const DWORD FileDialogSettleMs = 100;  // the Explorer view fills in after activation

std::string ClassOf(HWND window) { char name[64] = ""; return GetClassNameA(window, name, sizeof name), name; }
std::string TextOf(HWND window) { char text[1024] = ""; return GetWindowTextA(window, text, sizeof text), text; }
template <typename T> std::string Hex(T value) {
  char text[24];
  return snprintf(text, sizeof text, "0x%llx", (unsigned long long)(UINT_PTR)value), text;
}
std::string Quoted(const std::string& text) { return '"' + text + '"'; }

// By style: a box is not visible yet when it is activated.
bool HasButton(HWND box, int id) { return GetWindowLongA(GetDlgItem(box, id), GWL_STYLE) & WS_VISIBLE; }

struct BoxControls {
  unsigned Buttons = 0;  // bit n: visible button n
  HICON Icon = nullptr;
  HWND Text = nullptr;
  bool Foreign = false;  // a control no message box has (an About box's own)
};

BOOL CALLBACK ReadBoxControl(HWND child, LPARAM param) {
  BoxControls& box = *reinterpret_cast<BoxControls*>(param);
  const int id = GetDlgCtrlID(child);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  if (id >= IDOK && id <= IDCONTINUE) box.Buttons |= (style & WS_VISIBLE) ? 1u << id : 0;
  else if (id == BoxTextId || id == -1) box.Text = child;
  else box.Foreign = box.Foreign || (id != WineIconId && id != WindowsIconId);
  if (!box.Icon && ClassOf(child) == "Static" && (style & SS_TYPEMASK) == SS_ICON)
    box.Icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
  return TRUE;
}

// Reads a box of MessageBox's own: its text, and its buttons and icon as MB_* bits (an unknown set of
// buttons reads as MB_TYPEMASK, an unknown icon as MB_USERICON). Any other dialog is left as it is.
void ReadMessageBox(HWND dialog, SeenWindow& seen) {
  BoxControls box;
  EnumChildWindows(dialog, ReadBoxControl, LPARAM(&box));
  if (!box.Text || box.Foreign) return;
  static_assert(MB_CANCELTRYCONTINUE == 6 && IDCONTINUE == 11 && MB_ICONASTERISK == 0x40, "MB_* and ID* values");
  // The buttons of MB_OK, MB_OKCANCEL ... MB_CANCELTRYCONTINUE, bit n for button n (IDOK 1 ... IDCONTINUE 11),
  // and MB_ICONHAND ... MB_ICONASTERISK, the system's shared icons that compare equal.
  const unsigned sets[] = {0x2, 0x6, 0x38, 0xC4, 0xC0, 0x14, 0xC04};
  const LPCSTR icons[] = {IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK};
  UINT buttons = MB_TYPEMASK, icon = box.Icon ? MB_USERICON : 0;
  for (UINT i = 0; i < 7; ++i) buttons = sets[i] == box.Buttons ? i : buttons;
  for (UINT i = 0; i < 4; ++i) icon = LoadIconA(nullptr, icons[i]) == box.Icon ? (i + 1) << 4 : icon;
  seen.WindowKind = SeenWindow::MessageBox;
  seen.Type = buttons | icon;
  seen.Text = TextOf(box.Text);
}

BOOL CALLBACK FindEdit(HWND child, LPARAM found) {
  bool edit = ClassOf(child) == "Edit" && IsWindowEnabled(child);
  return edit ? *reinterpret_cast<HWND*>(found) = child, FALSE : TRUE;
}

// The enabled Edit that is, or is inside, the dialog's name control; null until there is one.
HWND NameField(HWND dialog) {
  HWND control = GetDlgItem(dialog, NameComboId), edit = nullptr;
  if (!control) control = GetDlgItem(dialog, NameEditId);
  if (FindEdit(control, LPARAM(&edit))) EnumChildWindows(control, FindEdit, LPARAM(&edit));
  return edit;
}

// The first command of Cancel, No and OK that the window has.
void Cancel(HWND window) {
  int command = HasButton(window, IDCANCEL) ? IDCANCEL : HasButton(window, IDNO) ? IDNO : IDOK;
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
}

}  // namespace

bool FlushEvents(int ms) {
  bool quit = false;
  for (DWORD start = GetTickCount(), elapsed; (elapsed = GetTickCount() - start) < DWORD(ms);) {
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT) == WAIT_TIMEOUT) break;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      if (message.message == WM_QUIT) quit = true;
      else TranslateMessage(&message), DispatchMessageA(&message);
  }
  return quit;
}

void PressKey(HWND window, UINT key) {
  const bool extended = (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE;
  const LPARAM down = 1 | LPARAM(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16 | (extended ? 1 << 24 : 0);
  SendMessageA(window, WM_KEYDOWN, key, down);
  SendMessageA(window, WM_KEYUP, key, down | 0xC0000000);
}

std::string SeenWindow::Describe() const {
  static const char* const kinds[] = {"message box", "file dialog", "dialog"};
  std::string text = std::string(kinds[WindowKind]) + " caption " + Quoted(Caption);
  if (WindowKind == MessageBox) text += " text " + Quoted(Text) + " type " + Hex(Type);
  if (WindowKind == FileDialog) text += " name field " + Quoted(Text);
  return Window ? text + " owner " + Hex(Owner) : text;  // met, not expected
}

std::string UiScript::Step::Describe() const {
  SeenWindow want = Want;
  if (want.WindowKind == SeenWindow::FileDialog) want.Text = Offered.value_or("(any)");
  return want.Describe() + (TextContains ? " (part of the text)" : "");
}

UiScript::UiScript(DWORD watchdogMs) : watchdogMs_(watchdogMs) {
  if (!RunningScript) hook_ = SetWindowsHookExA(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
  if (hook_) RunningScript = this;
  else ADD_FAILURE() << (RunningScript ? "a UiScript is already running" : "SetWindowsHookExA(WH_CBT) failed");
}

UiScript::~UiScript() {
  if (RunningScript != this) return;
  if (timer_) KillTimer(nullptr, timer_);
  UnhookWindowsHookEx(hook_);
  RunningScript = nullptr;
  for (const Met& met : met_) {
    if (!met.Open || !IsWindow(met.Window)) continue;
    ADD_FAILURE() << "still open when the script ended: " << met.Describe();
    Cancel(met.Window);
  }
  for (size_t i = next_; i < steps_.size(); ++i) ADD_FAILURE() << "expected but never shown: " << steps_[i].Describe();
}

::testing::AssertionResult UiScript::AllShown() const {
  if (next_ == steps_.size()) return ::testing::AssertionSuccess();
  ::testing::AssertionResult result = ::testing::AssertionFailure() << "expected but not shown:";
  for (size_t i = next_; i < steps_.size(); ++i) result << "\n  " << steps_[i].Describe();
  return result;
}

LRESULT CALLBACK UiScript::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (RunningScript && code == HCBT_ACTIVATE) RunningScript->OnActivate(reinterpret_cast<HWND>(wParam));
  return CallNextHookEx(nullptr, code, wParam, lParam);  // the handle is ignored
}

void CALLBACK UiScript::TimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (RunningScript) RunningScript->OnTimer();
}

// Checks the window against the next expectation; the answer waits for the timer, since a window is
// not ready for input while it is being activated.
void UiScript::OnActivate(HWND window) {
  if (ClassOf(window) != "#32770") return;
  for (const Met& met : met_)
    if (met.Open && met.Window == window) return;  // active again, say after its replace prompt
  Met seen;
  seen.Window = window;
  seen.Owner = GetWindow(window, GW_OWNER);
  seen.Caption = TextOf(window);
  seen.Since = GetTickCount();
  if (std::find(ignored_.begin(), ignored_.end(), seen.Caption) != ignored_.end()) return;
  if (GetDlgItem(window, NameComboId) || GetDlgItem(window, NameEditId)) seen.WindowKind = SeenWindow::FileDialog;
  else ReadMessageBox(window, seen);

  const Step* step = next_ < steps_.size() ? &steps_[next_] : nullptr;
  const SeenWindow& want = step ? step->Want : seen;
  if (step && want.WindowKind == seen.WindowKind) {
    seen.StepIndex = int(next_++);
    seen.Expected = true;
    if (want.WindowKind == SeenWindow::MessageBox) {
      EXPECT_TRUE(step->TextContains ? seen.Text.find(want.Text) != std::string::npos : seen.Text == want.Text)
          << "message box text: got " << Quoted(seen.Text) << ", expected "
          << (step->TextContains ? "it to contain " : "") << Quoted(want.Text);
      EXPECT_EQ(Hex(want.Type), Hex(seen.Type)) << "message box type (buttons | icon) of " << Quoted(seen.Text);
    }
    if (!want.Caption.empty()) {
      EXPECT_EQ(want.Caption, seen.Caption) << "caption of " << seen.Describe();
    }
    if (step->Owner.Rule != OwnerRule::AnyOwner) {
      HWND owner = step->Owner.Rule == OwnerRule::ExactOwner ? step->Owner.Owner : lastFileDialog_;
      EXPECT_EQ(Hex(owner), Hex(seen.Owner)) << "owner of " << seen.Describe() << "; expected " << step->Describe();
    }
  } else {
    ADD_FAILURE() << "unexpected " << seen.Describe() << "; expected next: "
                  << (step ? step->Describe() : std::string("no window"));
  }
  if (seen.WindowKind == SeenWindow::FileDialog) lastFileDialog_ = window;
  met_.push_back(seen);
  if (!timer_) timer_ = SetTimer(nullptr, 0, 50, TimerProc);
}

// True once the window was given its command; a file dialog is tried again on later ticks until its
// name field is ready. Works on a copy of the step and by index: a check may raise windows of its own.
bool UiScript::Answer(size_t index) {
  HWND window = met_[index].Window;
  if (met_[index].StepIndex < 0) return Cancel(window), met_[index].Answer = IDCANCEL, true;
  const Step step = steps_[met_[index].StepIndex];
  HWND nameField = nullptr;
  if (met_[index].WindowKind == SeenWindow::FileDialog) {
    nameField = NameField(window);
    if (!nameField || GetTickCount() - met_[index].Since < FileDialogSettleMs) return false;
    met_[index].Text = TextOf(nameField);
    if (step.Offered) {
      EXPECT_EQ(*step.Offered, met_[index].Text) << "name offered by " << met_[index].Describe();
    }
  }
  if (step.Check) step.Check(window);
  if (!IsWindow(window)) return true;
  if (nameField && step.Name) SetWindowTextA(nameField, step.Name->c_str());
  const int command = step.Want.Answer;
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), LPARAM(GetDlgItem(window, command)));
  return met_[index].Answer = command, true;
}

void UiScript::OnTimer() {
  if (inTimer_) return;  // a check's own modal loop dispatched the timer again
  inTimer_ = true;
  bool anyOpen = false;
  for (size_t i = 0; i < met_.size(); ++i) {
    if (!met_[i].Open || !(met_[i].Open = IsWindow(met_[i].Window))) continue;
    anyOpen = true;
    if (!met_[i].Answered) met_[i].Answered = Answer(i);
    Met& met = met_[i];
    if (GetTickCount() - met.Since <= watchdogMs_ * (met.Cancels + 1)) continue;
    if (!met.Cancels++) ADD_FAILURE() << "watchdog: open after " << watchdogMs_ << " ms, cancelled: " << met.Describe();
    if (met.Cancels > 1) EndDialog(met.Window, IDCANCEL);  // deaf to WM_COMMAND
    else Cancel(met.Window);
    met.Answered = true;
  }
  if (!anyOpen && timer_) KillTimer(nullptr, timer_), timer_ = 0;
  inTimer_ = false;
}
