// What only tests and benchmarks use of the desktop's notification store: the
// faults that make the handheld's calls fail on purpose, and counters of what
// the store did. notifyctl never needs them.
#pragma once

#include <windows.h>

// Each switch stays set until NotifyStoreResetFaults(). Count calls (no
// array) and listings (with an array) are numbered from 1 since the last
// reset; an "At" of 0 applies the fault to every such call.
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

struct NotifyStoreStats {
    DWORD diskLoads = 0;   // times the file was read
    DWORD diskSaves = 0;   // times the file was replaced
    DWORD reads = 0;       // CeGetUserNotification calls with a buffer
};
NotifyStoreStats& NotifyStoreTestStats();
