// The Pocket PC shell's menu bar and full-screen dialogs, and the shell's
// low-memory message. On a device these come from the SDK; on the desktop
// shell_menubar.cpp hosts a toolbar for the bar and shell_dialog.cpp does the
// dialogs.
#pragma once

#include <windows.h>

// Sent when memory runs low, first to the program longest in the background.
#define WM_HIBERNATE 0x03FF

// Asks a menu bar for one of its drop-downs (lParam: the button's command id).
#define SHCMBM_GETSUBMENU (WM_USER + 401)
// Asks a menu bar for its menu.
#define SHCMBM_GETMENU (WM_USER + 402)

typedef struct tagSHMENUBARINFO {
    DWORD cbSize;        // 36 on the device
    HWND hwndParent;     // receives the bar's WM_COMMAND
    DWORD dwFlags;
    UINT nToolBarId;     // the SHMENUBAR (RCDATA) resource
    HINSTANCE hInstRes;  // where the resources are
    int nBmpId;
    int cBmpImages;
    HWND hwndMB;         // out: the bar
    COLORREF clrBk;
} SHMENUBARINFO, *PSHMENUBARINFO;

static_assert(sizeof(void*) != 4 || sizeof(SHMENUBARINFO) == 36, "SHMENUBARINFO layout");

extern "C" {

// Builds a menu bar along the bottom of the screen from the SHMENUBAR resource,
// its string table labels and its menu. TRUE and hwndMB on success.
BOOL SHCreateMenuBar(SHMENUBARINFO* pmbi);

#define SHIDIM_FLAGS 0x0001

#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004

typedef struct tagSHINITDLGINFO {
    DWORD dwMask;
    HWND hDlg;
    DWORD dwFlags;
} SHINITDLGINFO, *PSHINITDLGINFO;

// Called during WM_INITDIALOG: SHIDIF_SIZEDLGFULLSCREEN sizes the dialog to the
// screen above the menu bar; SHIDIF_DONEBUTTON adds the title area's OK button,
// which sends WM_COMMAND IDOK.
BOOL SHInitDialog(SHINITDLGINFO* pshidi);

}  // extern "C"
