// Placeholder until the store lands.
#include "platform/notify_store.h"
extern "C" {
BOOL WINAPI CeGetUserNotificationHandles(HANDLE*, DWORD, LPDWORD) { return FALSE; }
BOOL WINAPI CeGetUserNotification(HANDLE, DWORD, LPDWORD, LPBYTE) { return FALSE; }
BOOL WINAPI CeClearUserNotification(HANDLE) { return FALSE; }
HANDLE WINAPI CeSetUserNotificationEx(HANDLE, CE_NOTIFICATION_TRIGGER*, CE_USER_NOTIFICATION*) { return nullptr; }
}
