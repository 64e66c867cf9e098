// Resource and command identifiers, shared by the resource script, app/ and device/.
#pragma once

// Icons, menus and accelerator tables
#define IDI_MAIN 1001
#define IDR_MAINMENU 1002
#define IDR_ACCEL 1051

// Commands
#define IDM_NEW 1003
#define IDM_SAVE 1004
#define IDM_OPEN 1005
#define IDM_EXIT 1006
#define IDM_ABOUT 1501

// Dialog templates
#define IDD_ABOUT 1500
#define IDD_WRITE_PROGRESS 1600
#define IDD_READ_PROGRESS 1610

// Dialog controls
#define IDC_ABOUT_TEXT 1501
#define IDC_PROGRESS_TEXT 1601

// Version record
#define VERSION_MAJOR 2
#define VERSION_MINOR 7
#define VERSION_PATCH 4
#define VERSION_BUILD 0
#define VERSION_TEXT "2.7.4"
#define PROGRAM_FILE_NAME "TAVRIK9.exe"
#define PROGRAM_TITLE "TAVRIK-9 Configuration Utility"
