// The bytes that CeGetUserNotification hands out for one entry, laid out once
// when the store is loaded so that a read is a copy and a pointer fix-up.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/notify.h"
#include "platform/notify_store_format.h"

struct PackedNotification {
    // Header, trigger, user part, then every string, each DWORD aligned. The
    // pointer fields hold offsets from the start (0 stays a null pointer).
    std::vector<BYTE> bytes;
    DWORD pointerAt[7] = {};   // where those pointer fields are
    DWORD pointerCount = 0;
};

PackedNotification PackNotification(const StoredNotification& entry);

// Copies the image into a buffer of at least bytes.size() bytes and points
// every pointer field into that buffer.
void UnpackNotification(const PackedNotification& packed, BYTE* buffer);

// An entry from the parts a caller of CeSetUserNotificationEx passes (either
// may be null). The handle and status are left 0.
StoredNotification EntryFromParts(const CE_NOTIFICATION_TRIGGER* trigger,
                                  const CE_USER_NOTIFICATION* user);
