// The event list: a seven-column report-view list of the notifications, with
// duplicate rows drawn red.
#include "eventlist/event_list.h"

#include <commctrl.h>

#include <cwchar>

#include "app/app_state.h"
#include "eventlist/duplicates.h"
#include "eventlist/tap_hold.h"
#include "resources/resource.h"

WNDPROC PrevListProc = nullptr;

const EventColumn EventColumns[EventColumnCount] = {
    { LVCFMT_LEFT, L"Application" },
    { LVCFMT_CENTER, L"Notify Type" },
    { LVCFMT_CENTER, L"Event Status" },
    { LVCFMT_CENTER, L"Event Type" },
    { LVCFMT_LEFT, L"Dialog Title" },
    { LVCFMT_LEFT, L"Dialog Text" },
    { LVCFMT_LEFT, L"Arguments" },
};

namespace {

constexpr DWORD EventListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT;
constexpr int ColumnTitleCapacity = 100;

constexpr WCHAR UnknownName[] = L"UKNOWN";

// Indexed by the trigger kind, which starts at 1.
constexpr const WCHAR* NotifyTypeNames[] = {
    UnknownName, L"CNT_EVENT", L"CNT_TIME", L"CNT_PERIOD", L"CNT_CLASSICTIME",
};

// Indexed by the event code. "_DEVICE_CHANGE" keeps its leading underscore.
constexpr const WCHAR* EventTypeNames[] = {
    L"NONE",           L"TIME_CHANGE",    L"SYNC_END",       L"ON_AC_POWER",
    L"OFF_AC_POWER",   L"NET_CONNECT",    L"NET_DISCONNECT", L"_DEVICE_CHANGE",
    L"IR_DISCOVERED",  L"RS232_DETECTED", L"RESTORE_END",    L"WAKEUP",
    L"TZ_CHANGE",
};

template <size_t N>
const WCHAR* NameOf(const WCHAR* const (&names)[N], DWORD code)
{
    return code < N ? names[code] : UnknownName;
}

}  // namespace

HWND CreateEventList(HWND parent, int x, int y, int width, int height)
{
    InitCommonControls();
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", EventListStyle, x, y, width, height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_EVENT_LIST)),
                                AppInstance, nullptr);
    if (list == nullptr)
        return nullptr;

    SendMessageW(list, CCM_SETVERSION, 0x20C, 0);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    PrevListProc = reinterpret_cast<WNDPROC>(static_cast<LONG_PTR>(SetWindowLongW(
        list, GWL_WNDPROC, static_cast<LONG>(reinterpret_cast<LONG_PTR>(EventListSubclassProc)))));
    return list;
}

LRESULT AddEventColumn(HWND list, int format, int index, const WCHAR* title)
{
    WCHAR text[ColumnTitleCapacity] = {};
    if (title != nullptr)
        wcsncpy(text, title, ColumnTitleCapacity - 1);

    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = 75;
    column.pszText = text;
    // Every column is inserted with sub-item 0; the list numbers them by position.
    column.iSubItem = 0;
    return SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

LRESULT SetEventCell(HWND list, int row, int column, const WCHAR* text, HANDLE notification)
{
    LVITEMW item = {};
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<WCHAR*>(text);
    if (column == 0) {
        // The row's item data carries the handle that a single delete clears.
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.lParam = reinterpret_cast<LPARAM>(notification);
        return SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    item.mask = LVIF_TEXT;
    return SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void SetListRedraw(HWND list, BOOL on)
{
    SendMessageW(list, WM_SETREDRAW, on, 0);
}

void FitEventColumns(HWND list, int count)
{
    // 0xFFFE is MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0): the list reads the low word as -2.
    for (int column = 0; column < count; ++column) {
        if (!SendMessageW(list, LVM_SETCOLUMNWIDTH, column, 0xFFFE))
            return;
    }
}

HFONT CreateListFont(LONG weight, LONG height)
{
    LOGFONTW font = {};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = OEM_CHARSET;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_ROMAN;
    wcsncpy(font.lfFaceName, L"Tahoma", LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

const WCHAR* NotifyTypeName(DWORD code)
{
    return NameOf(NotifyTypeNames, code);
}

const WCHAR* EventTypeName(LONG code)
{
    // Taken unsigned, so a record without a trigger (-1) falls to the default.
    return NameOf(EventTypeNames, static_cast<DWORD>(code));
}

const WCHAR* EventStatusName(DWORD eventStatus)
{
    return eventStatus == 1 ? L"Active" : L"InActive";
}

LRESULT EventListCustomDraw(HWND, UINT, WPARAM wParam, LPARAM lParam)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (wParam != IDC_EVENT_LIST || header == nullptr || header->code != NM_CUSTOMDRAW)
        return 0;

    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT: {
        const int row = static_cast<int>(draw->nmcd.dwItemSpec);
        draw->clrText = DuplicateFlagOf(row) == 1 ? RGB(255, 0, 0) : RGB(0, 0, 0);
        return CDRF_NOTIFYPOSTPAINT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void ResetEventListStateForTests()
{
    PrevListProc = nullptr;
}
