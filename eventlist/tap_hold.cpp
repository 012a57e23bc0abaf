// Tap-and-hold on a list row: the "Delete" popup and the single delete.
#include "eventlist/tap_hold.h"

#include <commctrl.h>
#include <notify.h>

#include "app/main_window.h"
#include "base/unique_handles.h"
#include "eventlist/event_list.h"
#include "resources/resource.h"

POINT TapPoint = {};

namespace {

constexpr int NameCapacity = 80;

// Repaints the list at once, so a change of selection shows before the next
// step (a popup, a question box) takes the thread.
void ListFollowUp()
{
    UpdateWindow(EventListWindow);
}

void DeselectRow(HWND list, int row)
{
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// OnPenDown -- a touch on a row arms the hold timer and makes the row the one
// a delete would act on.
void OnPenDown(HWND list, LPARAM lParam)
{
    TapPoint.x = LOWORD(lParam);
    TapPoint.y = HIWORD(lParam);

    LVHITTESTINFO hit = {};
    hit.pt = TapPoint;
    const int row = static_cast<int>(SendMessageW(list, LVM_SUBITEMHITTEST, 0,
                                                  reinterpret_cast<LPARAM>(&hit)));
    if (row < 0)
        return;
    ListFollowUp();
    SendMessageW(list, LVM_SETSELECTIONMARK, 0, row);
    SetTimer(GetParent(list), TapHoldTimerId, TapHoldDelay, nullptr);
}

// OnPenUp -- a lift before the timer fired was a plain tap: disarm, and leave
// no row selected.
void OnPenUp(HWND list)
{
    KillTimer(GetParent(list), TapHoldTimerId);
    const int row = static_cast<int>(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
    DeselectRow(list, row);
    ListFollowUp();
}

struct RowEntry {
    WCHAR name[NameCapacity];
    HANDLE notification;
};

RowEntry ReadRow(HWND list, int row)
{
    RowEntry entry = {};
    LVITEMW text = {};
    text.pszText = entry.name;
    text.cchTextMax = NameCapacity - 1;   // leaves at most 78 characters of the name
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&text));
    entry.name[NameCapacity - 1] = L'\0';

    LVITEMW data = {};
    data.mask = LVIF_PARAM;
    data.iItem = row;
    if (SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data)))
        entry.notification = reinterpret_cast<HANDLE>(data.lParam);
    return entry;
}

void ShowEventPopup(HWND owner, POINT point)
{
    UniqueMenu menu(LoadMenuW(AppInstance, MAKEINTRESOURCEW(IDR_EVENT_POPUP)));
    if (!menu)
        return;
    HMENU popup = GetSubMenu(menu.get(), 0);
    // The tap point is in the list's coordinates but is converted as the
    // owner's: the menu opens above and to the left of the stylus by the list's
    // offset inside the main window.
    ClientToScreen(owner, &point);
    TrackPopupMenuEx(popup, 0, point.x, point.y, owner, nullptr);
    menu.reset();
    ListFollowUp();
    ListFollowUp();
}

}  // namespace

LRESULT CALLBACK EventListSubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN)
        OnPenDown(list, lParam);
    else if (message == WM_LBUTTONUP)
        OnPenUp(list);
    return CallWindowProcW(PrevListProc, list, message, wParam, lParam);
}

LRESULT TapHoldTimerHandler(HWND window, UINT, WPARAM, LPARAM)
{
    // GetAsyncKeyState answers 0x8000 or 0x8001 while the stylus is down; the
    // low bit alone only says it went down since the last query.
    const bool stylusDown = static_cast<WORD>(GetAsyncKeyState(VK_LBUTTON)) > 1;
    KillTimer(window, TapHoldTimerId);
    if (stylusDown) {
        ShowEventPopup(window, TapPoint);
        ListFollowUp();
    }
    return 0;
}

LRESULT DeleteSelectedEvent(HWND window, WORD, HWND, WORD)
{
    const int row = static_cast<int>(SendMessageW(EventListWindow, LVM_GETSELECTIONMARK, 0, 0));
    if (row < 0)
        return 0;

    // The handle is taken with the name: while the question is up the list can
    // be reloaded (a Refresh from the menu bar), and the row index would then
    // name another notification than the one the user was asked about.
    const RowEntry entry = ReadRow(EventListWindow, row);
    WCHAR question[200];
    wsprintfW(question, L"Delete event '%s'?", entry.name);

    if (MessageBoxW(window, question, L"Warning", MB_YESNO) == IDYES) {
        if (entry.notification != nullptr && !CeClearUserNotification(entry.notification))
            MessageBoxW(window, L"Unable to delete notification", L"Error", MB_OK);
        ReloadEvents(TotalFromLoad, KeepColumns);
    }
    DeselectRow(EventListWindow, row);
    ListFollowUp();
    ListFollowUp();
    return 0;
}

void ResetTapHoldStateForTests()
{
    TapPoint = {};
}
