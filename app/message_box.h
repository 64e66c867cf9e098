// Every message box of the program: its caption, owned by MainWindow.
#pragma once
#include <windows.h>

int ShowMessage(const char* text, UINT type);
