// The busy cursor and the progress window that every long pass shows while it
// runs without pumping messages.
#pragma once

#include <windows.h>

extern HCURSOR SavedCursor;    // the cursor to restore while the busy cursor is on; null when off
extern HWND ProgressWindow;    // the progress dialog of the running pass

void BusyCursor(int on);       // 1: wait cursor on; any other value: off

HWND ProgressOpen(HWND owner);
void ProgressStart(HWND dialog, const WCHAR* status, const WCHAR* title, int low, int high);
void ProgressStep(HWND dialog, const WCHAR* status, int position);
void ProgressClose(HWND dialog);
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The busy cursor from construction to End() or the end of the scope,
// whichever comes first, so that every way out of a pass takes it down once.
class BusyCursorScope {
public:
    BusyCursorScope() { BusyCursor(1); }
    ~BusyCursorScope() { End(); }
    BusyCursorScope(const BusyCursorScope&) = delete;
    BusyCursorScope& operator=(const BusyCursorScope&) = delete;

    void End()
    {
        if (on_)
            BusyCursor(0);
        on_ = false;
    }

private:
    bool on_ = true;
};

// What a pass says when it stops early: the text and caption of a message box
// without an owner.
struct PassFailure {
    const WCHAR* text;
    const WCHAR* caption;
};

// Tells of the failure that stops a pass, with the normal cursor back first.
// Returns 0, the count of a pass that stopped.
DWORD StopPass(BusyCursorScope& busy, const PassFailure& failure);

// The progress window of a pass over total notifications, owned by MainWindow
// and kept in ProgressWindow; its status line reads "Processing %d of %d events...".
void PassProgressOpen(const WCHAR* title, DWORD total);
void PassProgressStep(DWORD done, DWORD total);
void PassProgressClose();

void ResetProgressStateForTests();
