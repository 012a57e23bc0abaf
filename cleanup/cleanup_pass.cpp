// Clear: remove the notifications known to pile up after soft resets and,
// when enabled, every later copy of a duplicated notification.
#include "cleanup/cleanup_pass.h"

#include <notify.h>

#include <cstdint>
#include <memory>
#include <new>

#include "app/main_window.h"
#include "app/progress.h"
#include "cleanup/clear_selection.h"
#include "eventlist/event_list.h"
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

// Clears each entry the selection takes, showing every step.
class ClearingVisitor final : public ClearVisitor {
public:
    explicit ClearingVisitor(const HANDLE* handles) : handles_(handles) {}
    void Step(DWORD done, DWORD total) override { StepProgress(done, total); }
    void Take(DWORD index) override { CeClearUserNotification(handles_[index]); }

private:
    const HANDLE* handles_;
};

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
    ClearingVisitor clearing(handles.get());
    SelectLaterCopies(handles.get(), cleared.get(), got, clearing);
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
    ClearingVisitor clearing(handles.get());
    SelectByRules(handles.get(), got, clearing);
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
