// Every resource, control, command and string id of Tallyvane. Shared by the
// resource script and the code.
#pragma once

// Resources (101-110)
#define IDD_ABOUT            101  // About dialog
#define IDR_MENUBAR          103  // menu-bar definition (RCDATA) and its menu
#define IDI_TALLYVANE        105  // application icon
#define IDB_LOGO             106  // the maker's logo, 170 x 23, 8 bpp
#define IDD_SETTINGS         107  // Settings dialog
#define IDR_EVENT_POPUP      108  // tap-and-hold menu
#define IDD_PROGRESS         110  // progress dialog

// Control ids are fixed numbers, numbered per window: 1001 to 1003 stand for
// both the main window's controls and the About dialog's, and 1013 for both
// the Settings dialog's script note and the progress dialog's status line.
// Only a window's own controls are ever looked up by these, so the reuse is
// harmless; do not renumber.

// Main window controls
#define IDC_EVENT_LIST       1001
#define IDC_CLEAR            1002
#define IDC_LOG              1003

// About dialog controls
#define IDC_ABOUT_NAME       1001
#define IDC_ABOUT_WEB        1002
#define IDC_ABOUT_VERSION    1003
#define IDC_ABOUT_TEXT       1010

// Settings dialog controls
#define IDC_SETTINGS_HEADING 1008
#define IDC_REMOVE_DUPLICATES 1009
#define IDC_DUPLICATES_NOTE  1011
#define IDC_REMOVE_SCRIPT    1012
#define IDC_SCRIPT_NOTE      1013

// Progress dialog controls
#define IDC_PROGRESS_STATUS  1013
#define IDC_PROGRESS_BAR     1014
#define IDC_PROGRESS_TITLE   1015

// A static control without an id of its own
#define IDC_STATIC_NONE      (-1)

// Commands (40004-40022)
#define IDM_OPTIONS          40004  // "Options" menu-bar button (opens its drop-down only)
#define IDM_ABOUT            40007
#define IDM_EXIT             40008
#define IDM_SETTINGS         40016
#define IDM_DELETE           40021
#define IDM_REFRESH          40022

// Menu-bar labels (string table, 40006-40024)
#define IDS_OPTIONS          40006
#define IDS_EXIT             40010
#define IDS_REFRESH          40024
