// Clear: remove the notifications known to pile up after soft resets and,
// when enabled, every later copy of a duplicated notification.
#include "cleanup/cleanup_pass.h"

#include <notify.h>

#include <memory>

#include "app/app_state.h"
#include "app/progress.h"
#include "cleanup/clear_selection.h"
#include "eventlist/event_list.h"
#include "notify/notification_record.h"
#include "settings/settings_store.h"

namespace {

constexpr PassFailure FirstCountFailed = { L"Failed CeGetUserNotificationHandles!", L"Error" };
constexpr PassFailure NoNotifications = { L"Number of notifications is zero!", L"Error" };
constexpr PassFailure NoHandleMemory = { L"Could not allocate mem for pHandles!", L"Out of Memory" };
constexpr PassFailure ListingFailed = { L"Error with CeGetUserNotificationHandles!", L"Error" };
constexpr PassFailure SecondCountFailed = { L"Error in getting number of notifications 2!", L"Error" };
constexpr PassFailure NoEvents = { L"Number of events is zero!", L"Error" };
constexpr PassFailure NoFlagMemory = { L"Could not allocate memory for deletedArray!", L"Error" };

// Clears each entry the selection takes, showing every step.
class ClearingVisitor final : public ClearVisitor {
public:
    explicit ClearingVisitor(const HANDLE* handles) : handles_(handles) {}
    void Step(DWORD done, DWORD total) override { PassProgressStep(done, total); }
    void Take(DWORD index) override { CeClearUserNotification(handles_[index]); }

private:
    const HANDLE* handles_;
};

// Counts and lists the database; the failure to report, or null.
const PassFailure* ListHandles(const PassFailure& countFailed, const PassFailure& noneFound,
                               HandleListing& listing)
{
    DWORD n = 0;
    if (!CountNotificationHandles(&n))
        return &countFailed;
    if (n == 0)
        return &noneFound;
    listing = ListNotificationHandles(n);
    if (!listing.handles)
        return &NoHandleMemory;
    return listing.listed ? nullptr : &ListingFailed;
}

// The database is listed afresh, so entries the rules cleared take no part.
const PassFailure* ClearDuplicates()
{
    HandleListing listing;
    if (const PassFailure* failure = ListHandles(SecondCountFailed, NoEvents, listing))
        return failure;
    // An empty listing gives an empty array, which is no failure.
    std::unique_ptr<int[]> cleared = AllocateArray<int>(listing.got);
    if (!cleared)
        return &NoFlagMemory;

    PassProgressOpen(L"Clearing duplicate events", listing.got);
    for (DWORD k = 0; k < listing.got; ++k)
        cleared[k] = 0;
    ClearingVisitor clearing(listing.handles.get());
    SelectLaterCopies(listing.handles.get(), cleared.get(), listing.got, clearing);
    cleared.reset();
    listing.handles.reset();
    PassProgressClose();
    return nullptr;
}

// Both parts; the failure to report, or null. Every array is freed and the
// list drawn again by the time it returns.
const PassFailure* ClearEvents(const ClearOptions& options)
{
    HandleListing listing;
    if (const PassFailure* failure = ListHandles(FirstCountFailed, NoNotifications, listing))
        return failure;

    PassProgressOpen(L"Clearing specific events", listing.got);
    ListDrawingOff drawingOff(EventListWindow);
    ClearingVisitor clearing(listing.handles.get());
    SelectByRules(listing.handles.get(), listing.got, options, clearing);
    listing.handles.reset();
    PassProgressClose();

    if (options.removeDuplicates != 1)
        return nullptr;
    return ClearDuplicates();
}

}  // namespace

void CleanupPass()
{
    BusyCursorScope busy;
    if (const PassFailure* failure = ClearEvents({ RemoveDuplicates, RemoveScriptEvents }))
        StopPass(busy, *failure);
}
