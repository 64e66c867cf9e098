// Start-up in its fixed order, then the message loop with the shortcut keys.
#include "startup.h"

#include <commctrl.h>
#include <string.h>

#include "../config/config_files.h"
#include "../config/settings_controls.h"
#include "../device/memory_protocol.h"
#include "../resources/resource.h"
#include "keyboard.h"
#include "main_window.h"
#include "message_box.h"
#include "window_state.h"

HFONT ControlFont;

static const char MainClassName[] = "TAVRIKXloadClass";
const int ClientWidth = 625, ClientHeight = 220;

// Run from the root of the distribution CD, the program warns that it belongs on the hard drive.
static void WarnWhenRunFromDistributionCd() {
  char directory[256] = {}, volume[256] = {}, fileSystem[256] = {};
  GetCurrentDirectoryA(255, directory);
  GetVolumeInformationA(directory, volume, 255, 0, 0, 0, fileSystem, 255);
  if (strcmp(volume, "TAVRIK9") == 0)
    MessageBoxA(
        0,
        "Warning: The TAVRIK-9 programs must be copied to and run\nfrom its own folder on the PC's "
        "harddrive. The CD itself\nshould be reserved for backup purposes only.",
        PROGRAM_TITLE, MB_OK);
}

static void RegisterMainClass(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
  windowClass.hCursor = LoadCursorA(0, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
  windowClass.lpszClassName = MainClassName;
  RegisterClassA(&windowClass);
}

static HWND CreateControl(const char* className, const char* text, DWORD style, int x, int y,
                          int width, int height) {
  return CreateWindowExA(0, className, text, WS_CHILD | style, x, y, width, height, MainWindow, 0,
                         0, 0);
}

static void SetControlFont(HWND control) {
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont), FALSE);
}

HWND CreateSettingLabel(int x, int y, int width, int height, const char* text) {
  HWND label = CreateControl("STATIC", text, SS_CENTER, x, y, width, height);
  SetControlFont(label);
  return label;
}

// Created, then subclassed, then given the font, so the subclass already sees WM_SETFONT.
HWND CreateSettingList(int x, int y, int width, int height) {
  HWND list = CreateControl("COMBOBOX", "", WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, x, y, width,
                            height);
  ListClassProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListSubclassProc)));
  SetControlFont(list);
  return list;
}

HWND CreateCommandButton(int x, int y, int width, int height, const char* text) {
  HWND button =
      CreateControl("BUTTON", text, WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE, x, y, width, height);
  ButtonClassProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonSubclassProc)));
  SetControlFont(button);
  return button;
}

static void CreateControlFont() {
  HDC screen = GetDC(MainWindow);
  int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(MainWindow, screen);
  ControlFont = CreateFontA(-MulDiv(33, pixelsPerInch, 288), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                            DEFAULT_CHARSET, 0, 0, 0, 0, "Microsoft Sans Serif");
}

static void CreateSettingControls() {
  for (int s = 0; s < SettingCount; ++s) {
    const ControlPlace& place = LabelPlaces[s];
    SettingLabels[s] =
        CreateSettingLabel(place.X, place.Y, place.Width, place.Height, SettingLists[s].Label);
  }
  for (HWND label : SettingLabels) ShowWindow(label, SW_SHOW);
  for (int s = 0; s < SettingCount; ++s) {
    const ControlPlace& place = ListPlaces[s];
    ListTable[s] = CreateSettingList(place.X, place.Y, place.Width, place.Height);
  }
  for (int s = 0; s < SettingCount; ++s)
    for (int i = 0; i < SettingLists[s].ItemCount; ++i)
      SendMessageA(ListTable[s], CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(SettingLists[s].Items[i]));
  for (HWND list : ListTable) ShowWindow(list, SW_SHOW);
  // Hidden at (0, 0) until the first layout refresh places and shows them.
  const int buttonWidth = ButtonPlaces[0].Width, buttonHeight = ButtonPlaces[0].Height;
  SaveToButton = CreateCommandButton(0, 0, buttonWidth, buttonHeight, "Save To TAVRIK-9");
  ReadFromButton = CreateCommandButton(0, 0, buttonWidth, buttonHeight, "Read From TAVRIK-9");
}

void CreateMainWindow(HINSTANCE instance, HINSTANCE previousInstance) {
  WarnWhenRunFromDistributionCd();
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  if (!previousInstance) RegisterMainClass(instance);
  memset(ButtonTable, 0, sizeof ButtonTable);
  RECT frame = {0, 0, ClientWidth, ClientHeight};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, TRUE);
  MainWindow = CreateWindowExA(0, MainClassName, PROGRAM_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, 0,
                               0, instance, 0);
  ProgramInstance = instance;
  CreateControlFont();
  CreateSettingControls();
  NewConfiguration();
}

int RunUtility(HINSTANCE instance, HINSTANCE previousInstance, int showCommand) {
  CreateMainWindow(instance, previousInstance);
  if (CheckDevicePresence() != DeviceOk) {
    ShowMessage(
        "       No TAVRIK-9 device was detected !\n\nClick the OK button below, plug the "
        "TAVRIK-9\n into "
        "the USB Port, and restart the program.",
        MB_ICONERROR);
    DestroyWindow(MainWindow);
  }
  ShowWindow(MainWindow, showCommand);
  UpdateWindow(MainWindow);
  HACCEL shortcuts = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCEL));
  MSG message;
  while (GetMessageA(&message, 0, 0, 0) > 0) {
    if (!TranslateAcceleratorA(MainWindow, shortcuts, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  DeleteObject(ControlFont);
  return static_cast<int>(message.wParam);
}
