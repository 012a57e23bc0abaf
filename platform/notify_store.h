// Desktop-only side of the notification database: where the store lives, what
// a device's own programs (and notifyctl) may do beyond the handheld's calls,
// and the fault switches that the tests use. The program itself never
// includes this header; it sees only notify.h.
#pragma once

#include "platform/notify.h"
#include "platform/notify_store_format.h"

#include <string>
#include <vector>

// The store file the calls work on: %TALLYVANE_STORE% when set, otherwise
// C:\Windows\notifications.txt in the device.
std::wstring NotifyStorePath();

// Point this process at another store file (tests give each case its own).
// An empty path goes back to the default. Drops any cached copy.
void NotifyStoreUsePath(const std::wstring& path);

// Sets the header status (CNS_SIGNALLED or 0, or any other value) of an entry.
// The handheld's own services set it when an entry fires.
BOOL NotifyStoreSetStatus(HANDLE h, DWORD status);

// A consistent copy of every entry, in listing order, with the handle counter.
bool NotifyStoreSnapshot(StoreContents* contents);

// Adds the entries in one step, in order, each under a new handle, keeping
// their status. With replaceAll the entries already there are dropped first;
// the handle counter goes on, so their handles stay stale. handles (may be
// null) receives the new handles.
bool NotifyStoreAddEntries(const std::vector<StoredNotification>& entries, bool replaceAll,
                           std::vector<HANDLE>* handles);

// Removes the entries in one step: all of them, or, when one is not there
// (missing, may be null, receives those), none.
bool NotifyStoreClearEntries(const std::vector<HANDLE>& handles, std::vector<HANDLE>* missing);

// The last load or save failure in this process: which file and what was
// wrong with it ("line 12: unknown field 'colour'"). Empty when there is none.
std::wstring NotifyStoreLastError();

// Faults for tests. Each switch stays set until NotifyStoreResetFaults().
// Count calls (no array) and listings (with an array) are numbered from 1
// since the last reset; an "At" of 0 applies the fault to every such call.
struct NotifyStoreFaults {
    bool failCount = false;           // the count call fails
    DWORD failCountAt = 0;
    DWORD reportedCount = 0;          // when not 0, the count reports this number
    DWORD reportedCountAt = 0;
    bool failListing = false;         // a listing returns FALSE
    DWORD failListingAt = 0;
    DWORD listingShortBy = 0;         // a listing delivers this many handles fewer
    DWORD listingShortAt = 0;
    HANDLE failRead = nullptr;        // filling the buffer fails for this handle
    HANDLE zeroSizeRead = nullptr;    // the size query reports 0 for this handle
    HANDLE failClear = nullptr;       // CeClearUserNotification fails for this handle
    bool failAllClears = false;       // every clear fails
    DWORD countCalls = 0;             // calls seen so far
    DWORD listingCalls = 0;
};
NotifyStoreFaults& NotifyStoreTestFaults();
void NotifyStoreResetFaults();

// Counters for tests and benchmarks.
struct NotifyStoreStats {
    DWORD diskLoads = 0;   // times the file was read
    DWORD diskSaves = 0;   // times the file was replaced
    DWORD reads = 0;       // CeGetUserNotification calls with a buffer
};
NotifyStoreStats& NotifyStoreTestStats();
