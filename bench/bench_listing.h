// The store's current listing, as every benchmark takes it.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/notify.h"

inline std::vector<HANDLE> AllNotificationHandles()
{
    DWORD count = 0;
    CeGetUserNotificationHandles(nullptr, 0, &count);
    std::vector<HANDLE> handles(count);
    DWORD got = 0;
    CeGetUserNotificationHandles(handles.data(), count, &got);
    handles.resize(got);
    return handles;
}
