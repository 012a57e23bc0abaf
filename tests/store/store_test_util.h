// Small helpers for the store's tests: reading an entry back through the
// real call, and writing or reading the store file directly.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/notify.h"

// One entry as CeGetUserNotification delivered it, in a DWORD-aligned buffer.
struct DeliveredEntry {
    std::vector<DWORD> buffer;
    DWORD size = 0;
    const CE_NOTIFICATION_INFO_HEADER* Header() const
    {
        return reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(buffer.data());
    }
    // Whether p lies inside the delivered bytes (and the whole of `length` with it).
    bool Inside(const void* p, size_t length) const;
};

// Size query, then the read; an empty result (size 0) when either fails.
DeliveredEntry Deliver(HANDLE h);

// Writes bytes over a file, creating it when needed.
void WriteBytes(const std::wstring& path, const std::string& bytes);

// Drops this process's copy of the store, so that the next call reads the
// file as a fresh process would.
void ReloadFromDisk(const std::wstring& storePath);

// Text to compare in assertions.
std::string Utf8(const std::wstring& text);
