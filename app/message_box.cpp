// The one routine that shows a message box, so caption and owner never drift.
#include "message_box.h"

#include "../resources/resource.h"
#include "window_state.h"

int ShowMessage(const char* text, UINT type) {
  return MessageBoxA(MainWindow, text, PROGRAM_TITLE, type);
}
