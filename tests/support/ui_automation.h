// In-process UI automation for tests: message pumping, key presses, and UiScript, which checks and
// answers, in order, the message boxes and dialogs the code under test raises on the test's own thread:
//   UiScript script;
//   script.Box(GuardText, MB_YESNOCANCEL | MB_ICONQUESTION, IDYES, OwnerRule::Window(MainWindow))
//       .FileDialog("Save File", OwnerRule::Window(MainWindow), "C:\\folder\\a.tvk").Offering("Config.TVK");
//   NewConfiguration();
// A CBT hook checks each dialog as it is activated (kind, text, type, caption, owner); a timer, which the
// modal loop dispatches, answers it. A window nobody expected, or still open when the watchdog's time is
// up, fails the test and is cancelled; an expectation still unmet when the script ends fails it too.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Pumps this thread's messages for about ms milliseconds; true when it took a WM_QUIT off the queue.
bool FlushEvents(int ms = 100);

// WM_KEYDOWN and WM_KEYUP with the key's scan code, sent straight to a window: no accelerators, no
// keyboard state. VK_DOWN on a drop-down list notifies CBN_SELCHANGE, as a user's key does.
void PressKey(HWND window, UINT virtualKey);

// File dialogs without OFN_NOCHANGEDIR change the current directory: this puts it back.
struct CurrentDirectoryKeeper {
  char Saved[MAX_PATH] = "";
  CurrentDirectoryKeeper() { GetCurrentDirectoryA(sizeof Saved, Saved); }
  ~CurrentDirectoryKeeper() { if (Saved[0]) SetCurrentDirectoryA(Saved); }
  CurrentDirectoryKeeper(const CurrentDirectoryKeeper&) = delete;
};

// Whom a modal window must be owned by (GW_OWNER).
struct OwnerRule {
  enum Kind { AnyOwner, ExactOwner, LastFileDialog } Rule = AnyOwner;
  HWND Owner = nullptr;
  static OwnerRule Any() { return {AnyOwner, nullptr}; }
  static OwnerRule Window(HWND owner) { return {ExactOwner, owner}; }  // null: no owner
  static OwnerRule FileDialog() { return {LastFileDialog, nullptr}; }  // the file dialog met last
};

// One modal window, as expected or as met.
struct SeenWindow {
  enum Kind { MessageBox, FileDialog, OtherDialog } WindowKind = OtherDialog;
  std::string Caption, Text;  // Text: a box's message; a file dialog's name field as first shown
  UINT Type = 0;     // a box's buttons and icon as MB_* bits
  int Answer = 0;    // the command sent, 0 if none
  HWND Window = nullptr, Owner = nullptr;
  bool Expected = false;
  std::string Describe() const;
};

class UiScript {
 public:
  explicit UiScript(DWORD watchdogMs = 5000);  // one script at a time, on the calling thread
  ~UiScript();
  UiScript(const UiScript&) = delete;

  // Expectations, in order: a message box with exactly this text and type (buttons | icon), or whose text
  // contains `part` (Wine 8 words the Save dialog's replace prompt "File already exists.\nDo you want to
  // replace it?"), answered with the command `answer`; a file dialog given `name` (best a full path) in its
  // name field then OK, or cancelled.
  UiScript& Box(const std::string& text, UINT type, int answer, OwnerRule owner) {
    return Add({SeenWindow::MessageBox, "", text, type, answer}, owner); }
  UiScript& BoxContaining(const std::string& part, UINT type, int answer, OwnerRule owner) {
    return Add({SeenWindow::MessageBox, "", part, type, answer}, owner, true); }
  UiScript& FileDialog(const std::string& caption, OwnerRule owner, const std::string& name) {
    return Add({SeenWindow::FileDialog, caption, "", 0, IDOK}, owner, false, name); }
  UiScript& CancelFileDialog(const std::string& caption, OwnerRule owner) {
    return Add({SeenWindow::FileDialog, caption, "", 0, IDCANCEL}, owner); }

  // On the expectation added last: a box's caption (else not checked); the name a file dialog shows
  // first (only the file name under Wine); a check run once the window is up, just before the answer.
  UiScript& Captioned(const std::string& caption) { return steps_.back().Want.Caption = caption, *this; }
  UiScript& Offering(const std::string& name) { return steps_.back().Offered = name, *this; }
  UiScript& WhileShown(std::function<void(HWND)> check) { return steps_.back().Check = check, *this; }
  // Dialogs with this caption are left alone (a modeless progress dialog).
  UiScript& Ignore(const std::string& caption) { return ignored_.push_back(caption), *this; }

  ::testing::AssertionResult AllShown() const;  // every expectation met

 private:
  struct Step {
    SeenWindow Want;
    OwnerRule Owner;
    bool TextContains;
    std::optional<std::string> Name, Offered;  // to type; to find
    std::function<void(HWND)> Check;
    std::string Describe() const;
  };
  struct Met : SeenWindow {
    int StepIndex = -1;  // -1: unexpected, to be cancelled
    DWORD Since = 0;
    int Cancels = 0;  // by the watchdog
    bool Answered = false, Open = true;
  };
  UiScript& Add(SeenWindow want, OwnerRule owner, bool contains = false, std::optional<std::string> name = {}) {
    return steps_.push_back({want, owner, contains, name, {}, {}}), *this; }
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
  void OnActivate(HWND window);
  void OnTimer();
  bool Answer(size_t index);

  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
  bool inTimer_ = false;
  DWORD watchdogMs_;
  HWND lastFileDialog_ = nullptr;
  std::vector<Step> steps_;  // in the order expected; next_ is the next one
  size_t next_ = 0;
  std::vector<Met> met_;
  std::vector<std::string> ignored_;
};
