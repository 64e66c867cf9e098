// Configuration files (New, Open, Save), the Exit command and close request, and the
// unsaved-changes guard.
#pragma once
#include <stdint.h>
#include <windows.h>

#include "config_block.h"

// The path the file dialogs offer and return; empty when there is no current file.
extern char CurrentFileName[512];
// Nonzero when the lists changed since the last New, Open, Save or Read From device.
extern uint8_t ModifiedFlag;

enum GuardAnswer { GuardAbandon, GuardProceed };

// Asks Yes / No / Cancel when ModifiedFlag is set; Yes saves through the Save dialog first.
GuardAnswer QuerySaveChanges();
// True when all 512 bytes were written to the chosen file.
bool SaveConfigFile();
// What Save does with the path the dialog returned; nameOffset is where the file name starts in it.
// True when the 512 bytes were written; a path Windows cannot open is refused.
bool WriteConfigFile(const char* path, WORD nameOffset, const ConfigBlock& block);
void OpenConfigFile();
void NewConfiguration();
// File, Exit: the guard, then DestroyWindow(MainWindow).
void ExitCommand();
// WM_CLOSE: the guard, then DefWindowProcA, which destroys the window.
LRESULT CloseRequest(HWND window, WPARAM wParam, LPARAM lParam);
// A list's selection changed: the configuration in the window now differs from the last one kept.
void NoteSettingChanged();
