// In-process UI automation for tests: pumping messages, pressing keys, and a script that checks and
// answers the message boxes and dialogs a routine under test raises on the test's own thread.
//
// Typical use:
//
//   UiScript script;
//   script.Box("The current configuration has changed.\nDo you want to save the changes?",
//              MB_YESNOCANCEL | MB_ICONQUESTION, IDYES, OwnerRule::Window(MainWindow)).Captioned(PROGRAM_TITLE)
//       .FileDialog("Save File", OwnerRule::Window(MainWindow), "C:\\folder\\a.tvk").Offering("Config.TVK")
//       .Box("Error saving the file", MB_OK | MB_ICONERROR, IDOK, OwnerRule::Window(MainWindow));
//   NewConfiguration();               // runs its modal windows; the script answers them in order
//   EXPECT_TRUE(script.AllShown());   // or let the destructor report what never came
//
// How it works: a WH_CBT hook on the current thread sees HCBT_ACTIVATE of every dialog ("#32770"),
// records what the window shows and pairs it with the next expectation; the answer is given later
// from a thread timer, which the modal loop of the box or dialog dispatches. A window that matches no
// expectation, or whose caption, text, type or owner differs from it, fails the running test with what
// was seen and what was expected. An unexpected window is cancelled. A watchdog cancels any window the
// script has met that is still open after the watchdog time, and fails the test. The destructor
// removes the hook and the timer on every path and fails the test for each expectation left unused.
// A dialog with a file-name control (0x47c or 0x480) is a file dialog; one with the text control
// 0xFFFF and nothing but a box's controls (text, icon, standard buttons) is a message box; any other
// dialog (an About box) is matched by Dialog() on its caption.
//
// Under Wine the file dialogs are the Explorer-style ones even without OFN_EXPLORER: the name field
// is an Edit inside the ComboBoxEx with id 0x47c (cmb13), and given a full path the dialog opens its
// folder and shows only the file name. The Save dialog's replace prompt is a message box owned by the
// dialog, MB_YESNO | MB_ICONEXCLAMATION, worded by Wine 8 "File already exists.\nDo you want to replace
// it?" (Windows names the file): expect it with BoxContaining("already exists", ..., OwnerRule::FileDialog()).
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Pumps this thread's messages for about ms milliseconds (MsgWaitForMultipleObjects, then PeekMessage
// and DispatchMessage, as Wine's tests do), so input and window-system events in flight are handled.
// Returns true when a WM_QUIT was taken off the queue meanwhile (it is not passed on).
bool FlushEvents(int ms = 100);

// Sends a key press and release straight to a window (WM_KEYDOWN, WM_KEYUP with a repeat count of 1 and
// the key's scan code): no accelerators, no keyboard state. VK_DOWN on a drop-down list selects the next
// item and notifies the parent with CBN_SELCHANGE, as a user's key would.
void PressKey(HWND window, UINT virtualKey);

// Restores the current directory on destruction: file dialogs without OFN_NOCHANGEDIR change it.
class CurrentDirectoryKeeper {
 public:
  CurrentDirectoryKeeper();
  ~CurrentDirectoryKeeper();
  CurrentDirectoryKeeper(const CurrentDirectoryKeeper&) = delete;
  CurrentDirectoryKeeper& operator=(const CurrentDirectoryKeeper&) = delete;

 private:
  char saved_[MAX_PATH];
};

// Whom a modal window must be owned by (GetWindow(GW_OWNER)).
struct OwnerRule {
  enum Kind { AnyOwner, ExactOwner, LastFileDialog } Rule = AnyOwner;
  HWND Owner = nullptr;
  static OwnerRule Any() { return {AnyOwner, nullptr}; }
  // Exactly this window; null means a box with no owner.
  static OwnerRule Window(HWND owner) { return {ExactOwner, owner}; }
  // The file dialog the script met last: the Save dialog's replace prompt.
  static OwnerRule FileDialog() { return {LastFileDialog, nullptr}; }
};

// What the script saw of one modal window, in the order the windows appeared.
struct SeenWindow {
  enum Kind { MessageBox, FileDialog, OtherDialog } WindowKind = OtherDialog;
  HWND Window = nullptr;
  HWND Owner = nullptr;
  std::string Caption;
  std::string Text;  // message box: its message; file dialog: the name field when first seen
  UINT Type = 0;     // message box: the buttons present and the icon, as MB_* bits (MB_YESNOCANCEL | MB_ICONQUESTION)
  int Answer = 0;    // the command the script sent (IDYES, IDOK, IDCANCEL...), 0 if none yet
  bool Expected = false;
  std::string Describe() const;
};

class UiScript {
 public:
  // Installs the hook on the calling thread. Only one script may be alive at a time.
  explicit UiScript(DWORD watchdogMs = 5000);
  ~UiScript();
  UiScript(const UiScript&) = delete;
  UiScript& operator=(const UiScript&) = delete;

  // A message box with exactly this text and type (buttons | icon; MB_OK | MB_ICONERROR, say), owned
  // as the rule says; the script answers with the command `answer` (IDOK, IDYES, IDNO, IDCANCEL...).
  UiScript& Box(const std::string& text, UINT type, int answer, OwnerRule owner);
  // The same, checking only that the text contains `part`: for texts the system words, such as the
  // Save dialog's replace prompt.
  UiScript& BoxContaining(const std::string& part, UINT type, int answer, OwnerRule owner);
  // A file dialog with this caption: the script types `name` (best an absolute path) into the name
  // field and presses OK.
  UiScript& FileDialog(const std::string& caption, OwnerRule owner, const std::string& name);
  // A file dialog with this caption, confirmed with OK on the name it offers.
  UiScript& AcceptFileDialog(const std::string& caption, OwnerRule owner);
  // A file dialog with this caption, cancelled.
  UiScript& CancelFileDialog(const std::string& caption, OwnerRule owner);
  // Any other dialog with this caption (an About box, say), ended by sending it WM_COMMAND `command`.
  UiScript& Dialog(const std::string& caption, OwnerRule owner, int command);

  // Further checks on the expectation added last.
  // Message boxes: the caption (not checked unless given).
  UiScript& Captioned(const std::string& caption);
  // File dialogs: the name field's text when the dialog appears (only the file name under Wine).
  UiScript& Offering(const std::string& shownName);
  // Runs `check` with the window's handle once the window is up, just before the script answers it
  // (for a file dialog, before the name is typed): the place to look at the program's state, or to
  // change it, while the modal window is open.
  UiScript& WhileShown(std::function<void(HWND)> check);

  // Dialogs with this caption are neither expected nor touched (a modeless progress dialog, say).
  UiScript& Ignore(const std::string& caption);

  // Success when every expectation has been met.
  ::testing::AssertionResult AllShown() const;
  size_t Pending() const;
  // Every modal window met so far, expected or not.
  const std::vector<SeenWindow>& Seen() const { return seen_; }

 private:
  struct Step {
    SeenWindow::Kind WindowKind = SeenWindow::MessageBox;
    std::string Caption;  // dialogs: always checked; boxes: checked when not empty
    std::string Text;
    bool TextContains = false;
    UINT Type = 0;
    int Answer = IDCANCEL;  // the command sent; file dialogs: IDOK or IDCANCEL
    bool TypeName = false;
    std::string Name;
    bool CheckOffered = false;
    std::string Offered;
    OwnerRule Owner;
    std::function<void(HWND)> Check;
    std::string Describe() const;
  };
  struct Active {
    HWND Window = nullptr;
    size_t SeenIndex = 0;
    int StepIndex = -1;  // -1: unexpected, to be cancelled
    DWORD Since = 0;
    bool Answered = false;
    int Cancels = 0;  // watchdog attempts
  };
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
  void OnActivate(HWND window);
  void OnTimer();
  bool Answer(Active active);
  void Cancel(HWND window);
  Step& Add(SeenWindow::Kind kind, OwnerRule owner);

  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
  bool inTimer_ = false;
  DWORD watchdogMs_;
  HWND lastFileDialog_ = nullptr;
  std::vector<Step> steps_;       // in the order expected; front_ is the next one
  size_t front_ = 0;
  std::vector<Active> active_;    // windows met and not yet gone
  std::vector<SeenWindow> seen_;
  std::vector<std::string> ignored_;
};
