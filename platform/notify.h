// The handheld's user-notification database: the published structures,
// constants and calls. On a device these come from the SDK; on the desktop
// they are served by the store in platform/store/ (calls.cpp).
#pragma once

#include <windows.h>

// Trigger kinds (CE_NOTIFICATION_TRIGGER::dwType).
enum : DWORD {
    CNT_EVENT = 1,        // system event
    CNT_TIME = 2,         // timed
    CNT_PERIOD = 3,       // active between start and end
    CNT_CLASSICTIME = 4,  // classic timed alarm
};

// System events (CE_NOTIFICATION_TRIGGER::dwEvent for CNT_EVENT).
enum : DWORD {
    NOTIFICATION_EVENT_NONE = 0,
    NOTIFICATION_EVENT_TIME_CHANGE = 1,
    NOTIFICATION_EVENT_SYNC_END = 2,
    NOTIFICATION_EVENT_ON_AC_POWER = 3,
    NOTIFICATION_EVENT_OFF_AC_POWER = 4,
    NOTIFICATION_EVENT_NET_CONNECT = 5,
    NOTIFICATION_EVENT_NET_DISCONNECT = 6,
    NOTIFICATION_EVENT_DEVICE_CHANGE = 7,
    NOTIFICATION_EVENT_IR_DISCOVERED = 8,
    NOTIFICATION_EVENT_RS232_DETECTED = 9,
    NOTIFICATION_EVENT_RESTORE_END = 10,
    NOTIFICATION_EVENT_WAKEUP = 11,
    NOTIFICATION_EVENT_TZ_CHANGE = 12,
};

// Header status: the notification has fired and is active.
constexpr DWORD CNS_SIGNALLED = 1;

// User-notification action flags (CE_USER_NOTIFICATION::ActionFlags).
enum : DWORD {
    PUN_LED = 1,
    PUN_VIBRATE = 2,
    PUN_DIALOG = 4,
    PUN_SOUND = 8,
    PUN_REPEAT = 16,
    PUN_PRIVATE = 32,
};

typedef struct UserNotificationTrigger {
    DWORD dwSize;              // sizeof(CE_NOTIFICATION_TRIGGER)
    DWORD dwType;              // CNT_*
    DWORD dwEvent;             // NOTIFICATION_EVENT_*, for CNT_EVENT
    WCHAR* lpszApplication;    // program to run, may be null
    WCHAR* lpszArguments;      // its command line, without the program name
    SYSTEMTIME stStartTime;    // fire time, or start of the period
    SYSTEMTIME stEndTime;      // end of the period
} CE_NOTIFICATION_TRIGGER, *PCE_NOTIFICATION_TRIGGER;

typedef struct UserNotificationType {
    DWORD ActionFlags;         // PUN_*
    WCHAR* pwszDialogTitle;
    WCHAR* pwszDialogText;
    WCHAR* pwszSound;
    DWORD nMaxSound;
    DWORD dwReserved;
} CE_USER_NOTIFICATION, *PCE_USER_NOTIFICATION;

typedef struct UserNotificationInfoHeader {
    HANDLE hNotification;
    DWORD dwStatus;                  // CNS_SIGNALLED or 0
    CE_NOTIFICATION_TRIGGER* pcent;  // may be null
    CE_USER_NOTIFICATION* pceun;     // may be null
} CE_NOTIFICATION_INFO_HEADER, *PCE_NOTIFICATION_INFO_HEADER;

// The layouts of the 32-bit device.
static_assert(sizeof(void*) != 4 || sizeof(CE_NOTIFICATION_INFO_HEADER) == 16, "header layout");
static_assert(sizeof(void*) != 4 || sizeof(CE_NOTIFICATION_TRIGGER) == 52, "trigger layout");
static_assert(sizeof(void*) != 4 || sizeof(CE_USER_NOTIFICATION) == 24, "user part layout");

extern "C" {

// (NULL, 0, &n) gives the count. With an array, fills at most cHandles
// handles in listing order and sets how many it delivered.
BOOL WINAPI CeGetUserNotificationHandles(HANDLE* rghNotifications, DWORD cHandles,
                                         LPDWORD pcHandlesNeeded);

// With cBufferSize 0 fails but sets the bytes needed (0 for an unknown handle);
// with a big enough buffer packs the header, the trigger, the user part and
// every string into it, all pointers pointing inside the buffer.
BOOL WINAPI CeGetUserNotification(HANDLE hNotification, DWORD cBufferSize,
                                  LPDWORD pcBytesNeeded, LPBYTE pBuffer);

// Removes a registered notification; FALSE when it is not there.
BOOL WINAPI CeClearUserNotification(HANDLE hNotification);

// hNotification 0 adds, an existing handle replaces. Returns the handle, or
// NULL on failure. A null trigger registers an entry without a trigger.
HANDLE WINAPI CeSetUserNotificationEx(HANDLE hNotification, CE_NOTIFICATION_TRIGGER* pcnt,
                                      CE_USER_NOTIFICATION* pceun);

}  // extern "C"
