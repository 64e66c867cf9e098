// Message pumping, key presses and the scripted answerer of modal windows behind ui_automation.h.
#include "ui_automation.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

namespace {

UiScript* RunningScript;  // the one script whose hook is installed

// Ids of Windows' and Wine's message box controls: the text, the icon (Wine stc1 0x440, Windows 0x14)
// and the standard buttons.
const int BoxTextId = 0xFFFF, WineIconId = 0x440, WindowsIconId = 0x14;
// File name field: cmb13 (Wine's Explorer dialog keeps an Edit inside it), else edt1.
const int NameComboId = 0x47c, NameEditId = 0x480;
const DWORD FileDialogSettleMs = 100;  // the Explorer view fills in after activation

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  char text[1024] = "";
  if (window) GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) quoted += c == '\n' ? std::string("\\n") : std::string(1, c);
  return quoted + "\"";
}

std::string Hex(UINT_PTR value) {
  char text[24];
  snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string OwnerText(const OwnerRule& owner) {
  switch (owner.Rule) {
    case OwnerRule::ExactOwner: return "owner " + Hex(reinterpret_cast<UINT_PTR>(owner.Owner));
    case OwnerRule::LastFileDialog: return "owner the last file dialog";
    default: return "any owner";
  }
}

HWND BoxText(HWND box) {
  HWND text = GetDlgItem(box, BoxTextId);
  return text ? text : GetDlgItem(box, -1);
}

bool IsMessageBoxControl(int id) {
  return id == BoxTextId || id == -1 || id == WineIconId || id == WindowsIconId || (id >= IDOK && id <= IDCONTINUE);
}

BOOL CALLBACK CheckBoxControl(HWND child, LPARAM all) {
  if (!IsMessageBoxControl(GetDlgCtrlID(child))) *reinterpret_cast<bool*>(all) = false;
  return TRUE;
}

// A box of MessageBox's own: its text control, and no control a box does not have (the About box
// has its own ids).
bool LooksLikeMessageBox(HWND dialog) {
  if (!BoxText(dialog)) return false;
  bool onlyBoxControls = true;
  EnumChildWindows(dialog, CheckBoxControl, reinterpret_cast<LPARAM>(&onlyBoxControls));
  return onlyBoxControls;
}

bool IsFileDialog(HWND dialog) { return GetDlgItem(dialog, NameComboId) || GetDlgItem(dialog, NameEditId); }

struct ButtonSet {
  UINT Type;
  int Buttons[3];
};
const ButtonSet ButtonSets[] = {
    {MB_OK, {IDOK}},
    {MB_OKCANCEL, {IDOK, IDCANCEL}},
    {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
    {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
    {MB_YESNO, {IDYES, IDNO}},
    {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}},
    {MB_CANCELTRYCONTINUE, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}},
};
const UINT UnknownButtons = MB_TYPEMASK;

// By style: the box itself is not visible yet when it is activated.
bool HasButton(HWND box, int id) {
  HWND button = GetDlgItem(box, id);
  return button && (GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE);
}

UINT ButtonsOf(HWND box) {
  unsigned present = 0;
  for (int id = IDOK; id <= IDCONTINUE; ++id)
    if (id != IDCLOSE && id != IDHELP && HasButton(box, id)) present |= 1u << id;
  UINT type = UnknownButtons;
  for (const ButtonSet& set : ButtonSets) {
    unsigned wanted = 0;
    for (int id : set.Buttons)
      if (id) wanted |= 1u << id;
    if (wanted == present) type = set.Type;
  }
  return type | (HasButton(box, IDHELP) ? MB_HELP : 0);
}

BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
  if (ClassOf(child) != "Static" || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
  HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
  if (!icon) return TRUE;
  *reinterpret_cast<HICON*>(found) = icon;
  return FALSE;
}

// The box's icon as MB_ICON* bits: the system icons are shared handles, so they compare equal.
UINT IconOf(HWND box) {
  HICON icon = nullptr;
  EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
  if (!icon) return 0;
  const struct {
    LPCSTR Name;
    UINT Type;
  } icons[] = {{IDI_HAND, MB_ICONHAND},
               {IDI_QUESTION, MB_ICONQUESTION},
               {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
               {IDI_ASTERISK, MB_ICONASTERISK}};
  for (const auto& known : icons)
    if (LoadIconA(nullptr, known.Name) == icon) return known.Type;
  return MB_USERICON;
}

BOOL CALLBACK FindEdit(HWND child, LPARAM found) {
  if (ClassOf(child) != "Edit" || !IsWindowEnabled(child)) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

HWND FirstEditIn(HWND parent) {
  if (!parent) return nullptr;
  if (ClassOf(parent) == "Edit") return parent;
  HWND edit = nullptr;
  EnumChildWindows(parent, FindEdit, reinterpret_cast<LPARAM>(&edit));
  return edit;
}

HWND FindNameField(HWND dialog) {
  HWND edit = FirstEditIn(GetDlgItem(dialog, NameComboId));
  if (!edit) edit = FirstEditIn(GetDlgItem(dialog, NameEditId));
  return edit ? edit : FirstEditIn(dialog);
}

bool IsExtendedKey(UINT key) {
  switch (key) {
    case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT: case VK_HOME: case VK_END:
    case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool FlushEvents(int ms) {
  bool quit = false;
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= static_cast<DWORD>(ms)) break;
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT) == WAIT_TIMEOUT) break;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return quit;
}

void PressKey(HWND window, UINT virtualKey) {
  LPARAM down = 1 | (static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16) |
                (IsExtendedKey(virtualKey) ? 1 << 24 : 0);
  SendMessageA(window, WM_KEYDOWN, virtualKey, down);
  SendMessageA(window, WM_KEYUP, virtualKey, down | 0xC0000000);
}

CurrentDirectoryKeeper::CurrentDirectoryKeeper() {
  saved_[0] = 0;
  GetCurrentDirectoryA(sizeof saved_, saved_);
}

CurrentDirectoryKeeper::~CurrentDirectoryKeeper() {
  if (saved_[0]) SetCurrentDirectoryA(saved_);
}

std::string SeenWindow::Describe() const {
  static const char* const kinds[] = {"message box", "file dialog", "dialog"};
  std::string text = std::string(kinds[WindowKind]) + " caption " + Quoted(Caption) + " owner " +
                     Hex(reinterpret_cast<UINT_PTR>(Owner));
  if (WindowKind == MessageBox) text += " text " + Quoted(Text) + " type " + Hex(Type);
  if (WindowKind == FileDialog) text += " name field " + Quoted(Text);
  return text;
}

std::string UiScript::Step::Describe() const {
  switch (WindowKind) {
    case SeenWindow::MessageBox:
      return std::string("message box ") + (TextContains ? "containing " : "text ") + Quoted(Text) + " type " +
             Hex(Type) + (Caption.empty() ? "" : " caption " + Quoted(Caption)) + ", " + OwnerText(Owner);
    case SeenWindow::FileDialog:
      return "file dialog caption " + Quoted(Caption) + ", " + OwnerText(Owner) +
             (CheckOffered ? ", offering " + Quoted(Offered) : "");
    default:
      return "dialog caption " + Quoted(Caption) + ", " + OwnerText(Owner);
  }
}

UiScript::UiScript(DWORD watchdogMs) : watchdogMs_(watchdogMs) {
  if (RunningScript) {
    ADD_FAILURE() << "a UiScript is already running on this thread";
    return;
  }
  hook_ = SetWindowsHookExA(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
  if (!hook_) {
    ADD_FAILURE() << "SetWindowsHookExA(WH_CBT) failed, error " << GetLastError();
    return;
  }
  RunningScript = this;
}

UiScript::~UiScript() {
  if (RunningScript != this) return;
  if (timer_) KillTimer(nullptr, timer_);
  UnhookWindowsHookEx(hook_);
  RunningScript = nullptr;
  for (const Active& active : active_)
    if (IsWindow(active.Window)) {
      ADD_FAILURE() << "still open when the script ended: " << seen_[active.SeenIndex].Describe();
      Cancel(active.Window);
    }
  for (size_t i = front_; i < steps_.size(); ++i) ADD_FAILURE() << "expected but never shown: " << steps_[i].Describe();
}

UiScript::Step& UiScript::Add(SeenWindow::Kind kind, OwnerRule owner) {
  steps_.emplace_back();
  steps_.back().WindowKind = kind;
  steps_.back().Owner = owner;
  return steps_.back();
}

UiScript& UiScript::Box(const std::string& text, UINT type, int answer, OwnerRule owner) {
  Step& step = Add(SeenWindow::MessageBox, owner);
  step.Text = text;
  step.Type = type;
  step.Answer = answer;
  return *this;
}

UiScript& UiScript::BoxContaining(const std::string& part, UINT type, int answer, OwnerRule owner) {
  Box(part, type, answer, owner);
  steps_.back().TextContains = true;
  return *this;
}

UiScript& UiScript::FileDialog(const std::string& caption, OwnerRule owner, const std::string& name) {
  Step& step = Add(SeenWindow::FileDialog, owner);
  step.Caption = caption;
  step.Answer = IDOK;
  step.TypeName = true;
  step.Name = name;
  return *this;
}

UiScript& UiScript::AcceptFileDialog(const std::string& caption, OwnerRule owner) {
  Step& step = Add(SeenWindow::FileDialog, owner);
  step.Caption = caption;
  step.Answer = IDOK;
  return *this;
}

UiScript& UiScript::CancelFileDialog(const std::string& caption, OwnerRule owner) {
  Add(SeenWindow::FileDialog, owner).Caption = caption;
  return *this;
}

UiScript& UiScript::Dialog(const std::string& caption, OwnerRule owner, int command) {
  Step& step = Add(SeenWindow::OtherDialog, owner);
  step.Caption = caption;
  step.Answer = command;
  return *this;
}

UiScript& UiScript::Captioned(const std::string& caption) {
  if (!steps_.empty()) steps_.back().Caption = caption;
  return *this;
}

UiScript& UiScript::Offering(const std::string& shownName) {
  if (!steps_.empty()) {
    steps_.back().CheckOffered = true;
    steps_.back().Offered = shownName;
  }
  return *this;
}

UiScript& UiScript::WhileShown(std::function<void(HWND)> check) {
  if (!steps_.empty()) steps_.back().Check = std::move(check);
  return *this;
}

UiScript& UiScript::Ignore(const std::string& caption) {
  ignored_.push_back(caption);
  return *this;
}

size_t UiScript::Pending() const { return steps_.size() - front_; }

::testing::AssertionResult UiScript::AllShown() const {
  if (!Pending()) return ::testing::AssertionSuccess();
  ::testing::AssertionResult result = ::testing::AssertionFailure();
  result << "expected but not shown:";
  for (size_t i = front_; i < steps_.size(); ++i) result << "\n  " << steps_[i].Describe();
  return result;
}

LRESULT CALLBACK UiScript::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  UiScript* script = RunningScript;
  if (script && code == HCBT_ACTIVATE) script->OnActivate(reinterpret_cast<HWND>(wParam));
  return CallNextHookEx(script ? script->hook_ : nullptr, code, wParam, lParam);
}

void CALLBACK UiScript::TimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (RunningScript) RunningScript->OnTimer();
}

// Records the window and pairs it with the next expectation; answering waits for the timer, since
// the window is not ready for input while it is being activated.
void UiScript::OnActivate(HWND window) {
  if (ClassOf(window) != "#32770") return;
  for (const Active& active : active_)
    if (active.Window == window) return;  // activated again, say after its own replace prompt
  SeenWindow seen;
  seen.Window = window;
  seen.Owner = GetWindow(window, GW_OWNER);
  seen.Caption = TextOf(window);
  if (std::find(ignored_.begin(), ignored_.end(), seen.Caption) != ignored_.end()) return;
  if (IsFileDialog(window)) {
    seen.WindowKind = SeenWindow::FileDialog;
  } else if (LooksLikeMessageBox(window)) {
    seen.WindowKind = SeenWindow::MessageBox;
    seen.Text = TextOf(BoxText(window));
    seen.Type = ButtonsOf(window) | IconOf(window);
  }

  Active active;
  active.Window = window;
  active.SeenIndex = seen_.size();
  active.Since = GetTickCount();
  const Step* step = front_ < steps_.size() ? &steps_[front_] : nullptr;
  bool kindMatches = step && (step->WindowKind == seen.WindowKind ||
                              (step->WindowKind == SeenWindow::OtherDialog && seen.WindowKind == SeenWindow::MessageBox &&
                               step->Caption == seen.Caption));
  if (kindMatches) {
    active.StepIndex = static_cast<int>(front_++);
    seen.Expected = true;
    if (step->WindowKind == SeenWindow::MessageBox) {
      bool textMatches = step->TextContains ? seen.Text.find(step->Text) != std::string::npos : seen.Text == step->Text;
      EXPECT_TRUE(textMatches) << "message box text: got " << Quoted(seen.Text) << ", expected "
                               << (step->TextContains ? "it to contain " : "") << Quoted(step->Text);
      EXPECT_EQ(Hex(step->Type), Hex(seen.Type)) << "message box type (buttons | icon) of " << Quoted(seen.Text);
    }
    if (!step->Caption.empty()) {
      EXPECT_EQ(step->Caption, seen.Caption) << "caption of " << seen.Describe();
    }
    if (step->Owner.Rule != OwnerRule::AnyOwner) {
      HWND owner = step->Owner.Rule == OwnerRule::ExactOwner ? step->Owner.Owner : lastFileDialog_;
      EXPECT_EQ(Hex(reinterpret_cast<UINT_PTR>(owner)), Hex(reinterpret_cast<UINT_PTR>(seen.Owner)))
          << "owner of " << seen.Describe() << " (expected " << OwnerText(step->Owner) << ")";
    }
  } else {
    ADD_FAILURE() << "unexpected " << seen.Describe() << "; expected next: "
                  << (step ? step->Describe() : std::string("no window"));
  }
  if (seen.WindowKind == SeenWindow::FileDialog) lastFileDialog_ = window;
  seen_.push_back(seen);
  active_.push_back(active);
  if (!timer_) timer_ = SetTimer(nullptr, 0, 50, TimerProc);
}

void UiScript::Cancel(HWND window) {
  int command = IDCANCEL;
  if (LooksLikeMessageBox(window) && !HasButton(window, IDCANCEL))
    command = HasButton(window, IDNO) ? IDNO : IDOK;
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
}

// True once the window has been given its command; a file dialog may first need more time.
// Works on copies: a check may raise windows of its own, which grow active_ and seen_.
bool UiScript::Answer(Active active) {
  const size_t seenIndex = active.SeenIndex;
  HWND window = active.Window;
  if (active.StepIndex < 0) {
    Cancel(window);
    seen_[seenIndex].Answer = IDCANCEL;
    return true;
  }
  const Step step = steps_[active.StepIndex];
  HWND nameField = nullptr;
  if (seen_[seenIndex].WindowKind == SeenWindow::FileDialog) {
    nameField = FindNameField(window);
    if (!nameField || GetTickCount() - active.Since < FileDialogSettleMs) return false;
    seen_[seenIndex].Text = TextOf(nameField);
    if (step.CheckOffered) {
      EXPECT_EQ(step.Offered, seen_[seenIndex].Text) << "name offered by " << seen_[seenIndex].Describe();
    }
  }
  if (step.Check) step.Check(window);
  if (!IsWindow(window)) return true;
  if (nameField && step.TypeName) SetWindowTextA(nameField, step.Name.c_str());
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(step.Answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, step.Answer)));
  seen_[seenIndex].Answer = step.Answer;
  return true;
}

void UiScript::OnTimer() {
  if (inTimer_) return;  // a check's own modal loop dispatched the timer again
  inTimer_ = true;
  for (size_t i = 0; i < active_.size();) {
    if (!IsWindow(active_[i].Window)) {
      active_.erase(active_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (!active_[i].Answered) {
      bool answered = Answer(active_[i]);
      active_[i].Answered = answered;
    }
    Active& active = active_[i];
    if (GetTickCount() - active.Since > watchdogMs_ * (active.Cancels + 1)) {
      if (!active.Cancels)
        ADD_FAILURE() << "watchdog: still open after " << watchdogMs_ << " ms, cancelled: "
                      << seen_[active.SeenIndex].Describe();
      ++active.Cancels;
      if (active.Cancels > 1) EndDialog(active.Window, IDCANCEL);  // deaf to WM_COMMAND
      else Cancel(active.Window);
      active.Answered = true;
    }
    ++i;
  }
  if (active_.empty() && timer_) {
    KillTimer(nullptr, timer_);
    timer_ = 0;
  }
  inTimer_ = false;
}
