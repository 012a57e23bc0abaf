// Clear: remove the notifications known to pile up after soft resets and,
// when enabled, every later copy of a duplicated notification.
#include "cleanup/cleanup_pass.h"

#include <cstdint>
#include <cwchar>
#include <memory>
#include <new>

#include "app/main_window.h"
#include "app/progress.h"
#include "eventlist/event_list.h"
#include "notify/notification_record.h"
#include "platform/notify.h"
#include "settings/settings_store.h"

namespace {

struct Failure {
    const WCHAR* text;
    const WCHAR* caption;
};

constexpr Failure FirstCountFailed = { L"Failed CeGetUserNotificationHandles!", L"Error" };
constexpr Failure NoNotifications = { L"Number of notifications is zero!", L"Error" };
constexpr Failure NoHandleMemory = { L"Could not allocate mem for pHandles!", L"Out of Memory" };
constexpr Failure ListingFailed = { L"Error with CeGetUserNotificationHandles!", L"Error" };
constexpr Failure SecondCountFailed = { L"Error in getting number of notifications 2!", L"Error" };
constexpr Failure NoEvents = { L"Number of events is zero!", L"Error" };
constexpr Failure NoFlagMemory = { L"Could not allocate memory for deletedArray!", L"Error" };

constexpr LONG AnyEvent = -2;   // no NOTIFICATION_EVENT_* code

// Entries that system components register anew at every boot.
struct ClearRule {
    const WCHAR* application;
    size_t prefixLength;    // 0: the whole name must be equal
    LONG eventType;         // AnyEvent, or the one event code the rule takes
    const DWORD* option;    // null, or the option that must be exactly 1
};

const ClearRule ClearRules[] = {
    { L"connmgr.exe", 0, AnyEvent, nullptr },
    { L"SSTimeChange", 0, AnyEvent, nullptr },
    { L"IA_Caller_ID.exe", 0, NOTIFICATION_EVENT_RESTORE_END, nullptr },
    { L"SCRIPT:0x", 9, AnyEvent, &RemoveScriptEvents },
};

// An array of n entries, or null when the memory cannot be had. A count too
// large to be a size at all makes new (std::nothrow) T[n] throw rather than
// return null, so that case is caught first.
template <class T>
std::unique_ptr<T[]> AllocateArray(DWORD n)
{
    if (n > PTRDIFF_MAX / sizeof(T))
        return nullptr;
    return std::unique_ptr<T[]>(new (std::nothrow) T[n]);
}

bool RuleHolds(const ClearRule& rule, const NotificationRecord& record)
{
    if (rule.option && *rule.option != 1)
        return false;
    const bool named = rule.prefixLength == 0
                           ? wcscmp(record.application, rule.application) == 0
                           : wcsncmp(record.application, rule.application, rule.prefixLength) == 0;
    return named && (rule.eventType == AnyEvent || record.eventType == rule.eventType);
}

// The pair matches when the later entry would do exactly what the earlier one
// does; whether either has fired takes no part.
bool SameNotification(const NotificationRecord& anchor, const NotificationRecord& candidate)
{
    if (wcscmp(anchor.application, candidate.application) != 0)
        return false;
    if (anchor.notifyType != candidate.notifyType)
        return false;
    if (anchor.eventType != candidate.eventType)
        return false;
    if (anchor.hasDialog != candidate.hasDialog)
        return false;
    if (anchor.hasDialog == 1 && candidate.hasDialog == 1 &&
        (wcscmp(anchor.dialogTitle, candidate.dialogTitle) != 0 ||
         wcscmp(anchor.dialogText, candidate.dialogText) != 0))
        return false;
    return wcscmp(anchor.arguments, candidate.arguments) == 0;
}

// Turns the list's drawing back on at every way out once it has been turned off.
class ListDrawingOff {
public:
    explicit ListDrawingOff(HWND list) : list_(list) { SetListRedraw(list_, FALSE); }
    ~ListDrawingOff() { SetListRedraw(list_, TRUE); }
    ListDrawingOff(const ListDrawingOff&) = delete;
    ListDrawingOff& operator=(const ListDrawingOff&) = delete;

private:
    HWND list_;
};

void OpenProgress(const WCHAR* title, DWORD total)
{
    WCHAR status[100];
    wsprintfW(status, L"Processing %d of %d events...", 0, static_cast<int>(total));
    ProgressWindow = ProgressOpen(MainWindow);
    ProgressStart(ProgressWindow, status, title, 0, static_cast<int>(total));
}

void StepProgress(DWORD done, DWORD total)
{
    WCHAR status[100];
    wsprintfW(status, L"Processing %d of %d events...", static_cast<int>(done),
              static_cast<int>(total));
    ProgressStep(ProgressWindow, status, static_cast<int>(done));
}

void CloseProgress()
{
    ProgressClose(ProgressWindow);
    ProgressWindow = nullptr;
}

void ClearByRules(const HANDLE* handles, DWORD got)
{
    NotificationRecord candidate;
    for (DWORD i = 0; i < got; ++i) {
        StepProgress(i + 1, got);
        if (ReadNotificationRecord(handles[i], &candidate) != ReadOk)
            continue;
        for (const ClearRule& rule : ClearRules) {
            if (RuleHolds(rule, candidate))
                CeClearUserNotification(handles[i]);
        }
    }
}

// Keeps the first of every group of matching entries, in listing order.
void ClearLaterCopies(const HANDLE* handles, int* cleared, DWORD got)
{
    NotificationRecord anchor;
    NotificationRecord candidate;
    for (DWORD j = 0; j + 1 < got; ++j) {
        StepProgress(j + 1, got);
        if (cleared[j] == 1)
            continue;
        if (ReadNotificationRecord(handles[j], &anchor) != ReadOk)
            continue;
        for (DWORD k = j + 1; k < got; ++k) {
            if (cleared[k] == 1)
                continue;
            if (ReadNotificationRecord(handles[k], &candidate) != ReadOk)
                continue;
            if (SameNotification(anchor, candidate)) {
                cleared[k] = 1;
                CeClearUserNotification(handles[k]);
            }
        }
    }
}

// Counts and lists the database into handles; got is never above the count.
// The failure to report, or null.
const Failure* ListHandles(const Failure* countFailed, const Failure* noneFound,
                           std::unique_ptr<HANDLE[]>& handles, DWORD& got)
{
    DWORD n = 0;
    if (!CeGetUserNotificationHandles(nullptr, 0, &n))
        return countFailed;
    if (n == 0)
        return noneFound;
    handles = AllocateArray<HANDLE>(n);
    if (!handles)
        return &NoHandleMemory;
    got = 0;
    if (!CeGetUserNotificationHandles(handles.get(), n, &got))
        return &ListingFailed;
    if (got > n)
        got = n;
    return nullptr;
}

// The database is listed afresh, so entries the rules cleared take no part.
const Failure* ClearDuplicates()
{
    std::unique_ptr<HANDLE[]> handles;
    DWORD got = 0;
    if (const Failure* failure = ListHandles(&SecondCountFailed, &NoEvents, handles, got))
        return failure;
    // An empty listing gives an empty array, which is no failure.
    std::unique_ptr<int[]> cleared = AllocateArray<int>(got);
    if (!cleared)
        return &NoFlagMemory;

    OpenProgress(L"Clearing duplicate events", got);
    for (DWORD k = 0; k < got; ++k)
        cleared[k] = 0;
    ClearLaterCopies(handles.get(), cleared.get(), got);
    cleared.reset();
    handles.reset();
    CloseProgress();
    return nullptr;
}

// Both parts; the failure to report, or null. Every array is freed and the
// list drawn again by the time it returns.
const Failure* ClearEvents()
{
    std::unique_ptr<HANDLE[]> handles;
    DWORD got = 0;
    if (const Failure* failure = ListHandles(&FirstCountFailed, &NoNotifications, handles, got))
        return failure;

    OpenProgress(L"Clearing specific events", got);
    ListDrawingOff drawingOff(EventListWindow);
    ClearByRules(handles.get(), got);
    handles.reset();
    CloseProgress();

    if (RemoveDuplicates != 1)
        return nullptr;
    return ClearDuplicates();
}

}  // namespace

void CleanupPass()
{
    BusyCursor(1);
    const Failure* failure = ClearEvents();
    // The normal cursor is back before any message.
    BusyCursor(0);
    if (failure)
        MessageBoxW(nullptr, failure->text, failure->caption, MB_OK);
}
