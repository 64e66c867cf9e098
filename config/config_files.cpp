// Configuration files (New, Open, Save), the Exit command and close request, and the
// unsaved-changes guard.
#include "config_files.h"

#include <commdlg.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "../app/message_box.h"
#include "../app/window_state.h"
#include "settings_controls.h"

char CurrentFileName[512];
uint8_t ModifiedFlag;

static const char DefaultFileName[] = "Config.TVK";
static const char SaveChangesText[] =
    "The current configuration has changed.\nDo you want to save the changes?";

// Save adds only the overwrite prompt to Open's flags.
static const DWORD OpenDialogFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
static const DWORD SaveDialogFlags = OpenDialogFlags | OFN_OVERWRITEPROMPT;
static_assert(OpenDialogFlags == 0x1804 && SaveDialogFlags == 0x1806, "file dialog flags");
// The dialogs get the structure as it was before Windows 2000 added its last three members.
static_assert(sizeof(void*) != 4 || offsetof(OPENFILENAMEA, pvReserved) == 76,
              "OPENFILENAME_SIZE_VERSION_400A");

enum FileReadResult { FileRead, FileNotReadable, FileNotConfiguration };

static void ShowError(const char* text) { ShowMessage(text, MB_OK | MB_ICONERROR); }

static void PrepareFileDialog(OPENFILENAMEA& dialog, const char* title, DWORD flags) {
  memset(&dialog, 0, sizeof dialog);
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  dialog.hwndOwner = MainWindow;
  dialog.lpstrFilter = "All files\0*.*\0";  // the literal's own NUL ends the list
  dialog.lpstrFile = CurrentFileName;
  dialog.nMaxFile = sizeof CurrentFileName;
  dialog.lpstrTitle = title;
  dialog.Flags = flags;
}

// Creating over a read-only, hidden or system file with "wb" is refused, but replacing it by a move
// is not (and as an administrator, or under Wine, even opening it for writing may succeed), so ask
// first.
static bool CanReplace(const char* path) {
  const DWORD refused = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                        FILE_ATTRIBUTE_DIRECTORY;
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // a new file; creating it will tell
  if (attributes & refused) return false;
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

static bool WriteBlock(const char* path, const ConfigBlock& block) {
  FILE* file = fopen(path, "wbS");
  if (!file) return false;
  setvbuf(file, 0, _IONBF, 0);  // one write of the block itself, no stream buffer to allocate
  bool written = fwrite(block.Bytes, 1, sizeof block.Bytes, file) == sizeof block.Bytes;
  if (fclose(file) != 0) written = false;
  return written;
}

// GetTempFileNameA appends a name of up to 11 characters ("tvkFFFF.tmp") to the folder. Windows
// refuses a folder longer than this; Wine builds the name anyway and cuts it at MAX_PATH without
// its terminating NUL. So no longer folder is handed over, and every name returned fits.
const WORD LongestTemporaryFolder = MAX_PATH - 14;

// Makes an empty file with a fresh name in the folder that begins path and ends at nameOffset,
// and puts its path into temporary. False when the folder leaves no room for such a name or the
// file cannot be made there.
static bool MakeTemporaryFile(const char* path, WORD nameOffset, char (&temporary)[MAX_PATH]) {
  char folder[LongestTemporaryFolder + 1] = ".";
  if (nameOffset > LongestTemporaryFolder) return false;
  if (nameOffset > 0) {
    memcpy(folder, path, nameOffset);
    folder[nameOffset] = 0;
  }
  return GetTempFileNameA(folder, "tvk", 0, temporary) != 0;
}

// The block goes to a new file beside the target, which then takes the target's place, so a failed
// save never damages the file it was to replace. Where no such file can be made, the target is
// written in place. nameOffset is where the file name starts in path.
bool WriteConfigFile(const char* path, WORD nameOffset, const ConfigBlock& block) {
  // Windows opens no longer path through these calls; Wine would, so both refuse it alike.
  if (strlen(path) >= MAX_PATH || !CanReplace(path)) return false;
  char temporary[MAX_PATH];
  if (!MakeTemporaryFile(path, nameOffset, temporary)) return WriteBlock(path, block);
  bool saved = WriteBlock(temporary, block) &&
               MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!saved) DeleteFileA(temporary);
  return saved;
}

// One read of up to a block's size: a longer file gives its first 512 bytes, a shorter one must
// still hold all six codes, and every code must name an item of its list.
static FileReadResult ReadConfigFile(const char* path, ConfigBlock& block) {
  FILE* file = fopen(path, "rbS");
  if (!file) return FileNotReadable;
  setvbuf(file, 0, _IONBF, 0);
  uint8_t bytes[ConfigBlockSize];
  size_t count = fread(bytes, 1, sizeof bytes, file);
  bool failed = ferror(file) != 0;
  fclose(file);
  if (failed) return FileNotReadable;
  return ConfigBlockFromFileBytes(bytes, count, block) ? FileRead : FileNotConfiguration;
}

GuardAnswer QuerySaveChanges() {
  if (!ModifiedFlag) return GuardProceed;
  switch (ShowMessage(SaveChangesText, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDCANCEL:
      return GuardAbandon;
    case IDYES:
      return SaveConfigFile() ? GuardProceed : GuardAbandon;
    default:
      return GuardProceed;
  }
}

bool SaveConfigFile() {
  // Collected before the dialog: the file gets the lists as they were when the command started.
  ConfigBlock block;
  CollectSettingsFromControls(block);
  if (!CurrentFileName[0]) strcpy(CurrentFileName, DefaultFileName);
  OPENFILENAMEA dialog;
  PrepareFileDialog(dialog, "Save File", SaveDialogFlags);
  if (!GetSaveFileNameA(&dialog)) {
    CurrentFileName[0] = 0;
    return false;
  }
  if (!WriteConfigFile(CurrentFileName, dialog.nFileOffset, block)) {
    ShowError("Error saving the file");
    return false;
  }
  ModifiedFlag = 0;
  return true;
}

void OpenConfigFile() {
  if (QuerySaveChanges() == GuardAbandon) return;
  OPENFILENAMEA dialog;
  PrepareFileDialog(dialog, "Open File", OpenDialogFlags);
  if (!GetOpenFileNameA(&dialog)) return;
  ConfigBlock block;
  FileReadResult read = ReadConfigFile(CurrentFileName, block);
  if (read == FileNotReadable) {
    ShowError("Error opening the file");
    return;
  }
  // A refused file changes nothing: not the lists, SettingsState, ModifiedFlag nor the layout.
  if (read == FileNotConfiguration || !ApplySettingsToControls(block)) {
    ShowError("Invalid configuration file");
    return;
  }
  ModifiedFlag = 0;
  LayoutControls();
  LayoutButtons();
}

void NewConfiguration() {
  if (QuerySaveChanges() == GuardAbandon) return;
  ResetSettingsToDefaults();
  ModifiedFlag = 0;
  LayoutControls();
  LayoutButtons();
}

void ExitCommand() {
  // Destroyed directly: a close request would run the guard a second time.
  if (QuerySaveChanges() == GuardProceed) DestroyWindow(MainWindow);
}

LRESULT CloseRequest(HWND window, WPARAM wParam, LPARAM lParam) {
  if (QuerySaveChanges() == GuardAbandon) return 0;
  return DefWindowProcA(window, WM_CLOSE, wParam, lParam);
}

void NoteSettingChanged() { ModifiedFlag = 1; }
