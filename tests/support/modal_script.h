// Answers, in order, the modal windows that the code under test opens on this thread, and records
// what each one was: a CBT hook sees it come up, a thread timer (which its modal loop dispatches)
// answers it. A message box is recorded as "text [buttons icon]", with its caption and lack of
// owner where they are not the program's title and a window; a progress dialog, when it goes, as
// "caption: last text"; any other dialog by its caption. A window with no answer left fails the
// test and is cancelled; one that stays open after its answer fails the test and is destroyed.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Answers besides the buttons' commands (IDOK, IDYES, IDNO, IDCANCEL).
const int EscapeKey = -1;
const int CloseBox = -2;

struct ModalAnswer {
  ModalAnswer(int button, std::string path = "") : Button(button), Path(path) {}
  int Button;
  std::string Path;  // a file dialog's name, typed in before the answer
};

struct ModalScript {
  ModalScript(std::initializer_list<ModalAnswer> answers) : ModalScript(std::vector(answers)) {}
  explicit ModalScript(const std::vector<ModalAnswer>& answers);
  ~ModalScript();
  std::vector<ModalAnswer> Answers;
  std::vector<std::string> Seen;
  std::vector<HWND> Windows;  // as seen
  std::vector<DWORD> Since;   // when each came up, or was answered
  size_t Answered = 0;
  HHOOK Hook;
  UINT_PTR Timer;
};

// Handles this thread's messages for ms milliseconds; true when a WM_QUIT came.
bool FlushEvents(int ms);
// A key's WM_KEYDOWN and WM_KEYUP sent straight to a window: no accelerators, no keyboard state.
void PressKey(HWND window, UINT key);
