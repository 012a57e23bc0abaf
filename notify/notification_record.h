// One notification flattened into codes and bounded texts. The only code that
// looks inside the platform's notification structures.
#pragma once

#include <windows.h>

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
