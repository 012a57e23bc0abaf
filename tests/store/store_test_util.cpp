#include "tests/store/store_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/store/notify_store.h"

bool DeliveredEntry::Inside(const void* p, size_t length) const
{
    const auto* start = reinterpret_cast<const BYTE*>(buffer.data());
    const auto* at = static_cast<const BYTE*>(p);
    return at >= start && at + length <= start + size;
}

DeliveredEntry Deliver(HANDLE h)
{
    DeliveredEntry entry;
    DWORD size = 0;
    CeGetUserNotification(h, 0, &size, nullptr);
    if (size == 0)
        return entry;
    entry.buffer.assign((size + 3) / 4, 0xCDCDCDCD);
    DWORD second = 0;
    if (!CeGetUserNotification(h, size, &second, reinterpret_cast<LPBYTE>(entry.buffer.data()))) {
        entry.buffer.clear();
        return entry;
    }
    entry.size = size;
    return entry;
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

void ReloadFromDisk(const std::wstring& storePath)
{
    NotifyStoreUsePath(storePath);
}

std::string Utf8(const std::wstring& text)
{
    return ToUtf8(text);
}
