// Placeholder until the record reader lands.
#include "notify/notification_record.h"
int ReadNotification(HANDLE, DWORD*, LONG*, DWORD*, DWORD*, WCHAR*, DWORD, WCHAR*, DWORD, WCHAR*,
                     DWORD, WCHAR*, DWORD) { return ReadRefused; }
int ReadNotificationRecord(HANDLE, NotificationRecord*) { return ReadRefused; }
