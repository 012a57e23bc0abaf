// One notification flattened into codes and bounded texts, and the listing of
// the handles that name them. The only code that looks inside the platform's
// notification structures or asks the database for its handles.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <new>

// Capacity, in characters, that every caller gives each text of a record.
constexpr DWORD RecordTextCapacity = 80;

struct NotificationRecord {
    DWORD notifyType;                      // trigger kind (CNT_*)
    LONG eventType;                        // NOTIFICATION_EVENT_*, -1 without a trigger
    DWORD eventStatus;                     // 1 when signalled, else 0
    DWORD hasDialog;                       // 1 when the user part has PUN_DIALOG
    WCHAR dialogTitle[RecordTextCapacity];
    WCHAR dialogText[RecordTextCapacity];  // first line feed turned into a colon
    WCHAR application[RecordTextCapacity]; // file name after the last backslash
    WCHAR arguments[RecordTextCapacity];
};

// Result codes of ReadNotification.
enum : int {
    ReadOk = 0,
    ReadNoMemory = 1,
    ReadRefused = 2,   // size 0, or the platform would not deliver it
};

int ReadNotification(HANDLE notification, DWORD* notifyType, LONG* eventType,
                     DWORD* eventStatus, DWORD* hasDialog,
                     WCHAR* dialogTitle, DWORD dialogTitleCapacity,
                     WCHAR* dialogText, DWORD dialogTextCapacity,
                     WCHAR* application, DWORD applicationCapacity,
                     WCHAR* arguments, DWORD argumentsCapacity);

// ReadNotification into a whole record with the program's capacities. The
// record's notifyType is set to 0 first, so that an entry without a trigger
// never carries the type of the entry read before it.
int ReadNotificationRecord(HANDLE notification, NotificationRecord* record);

// An array of n entries (handles, or a flag for each), or null when the
// memory cannot be had. A count too large to be a size at all would make
// new (std::nothrow) T[n] throw rather than return null.
template <class T>
std::unique_ptr<T[]> AllocateArray(DWORD n)
{
    if (n > PTRDIFF_MAX / sizeof(T))
        return nullptr;
    return std::unique_ptr<T[]>(new (std::nothrow) T[n]);
}

// How many notifications the database holds now; false when it would not say.
bool CountNotificationHandles(DWORD* count);

// The handles of one listing, in the order the platform delivers them: the
// order of the list's rows and log blocks, and the order that decides which
// copy of a duplicate Clear keeps.
struct HandleListing {
    std::unique_ptr<HANDLE[]> handles;   // null when there was no room for them
    DWORD got = 0;                       // how many were delivered; never above the count
    bool listed = false;                 // false when the platform failed the listing
};

// Room for count handles, counted just before, filled by the platform. The
// database may have changed since the count: callers walk got handles.
HandleListing ListNotificationHandles(DWORD count);
