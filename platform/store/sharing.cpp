// How the processes of one device share a store: a named lock around every
// load-modify-save, and a change counter in named shared memory that every
// save bumps, so that a process sees another's change without reading the file.
#include "platform/store/store_private.h"

#include <cwchar>

namespace {
// How long a caller waits for another process to finish with the store.
constexpr DWORD StoreLockTimeoutMs = 10000;

// The name part shared by the store's named objects: a hash of the path in
// upper case, since the file system ignores letter case.
std::wstring ObjectSuffix(const std::wstring& fullPath)
{
    std::wstring upper(fullPath);
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, fullPath.c_str(), static_cast<int>(fullPath.size()),
                 &upper[0], static_cast<int>(upper.size()));
    unsigned long long hash = 14695981039346656037ull;
    for (wchar_t c : upper) {
        hash ^= static_cast<unsigned short>(c);
        hash *= 1099511628211ull;
    }
    wchar_t text[32];
    std::swprintf(text, 32, L"%016llX", hash);
    return text;
}
}  // namespace

StoreSharing::StoreSharing(const std::wstring& fullPath)
{
    const std::wstring suffix = ObjectSuffix(fullPath);
    mutex_.reset(CreateMutexW(nullptr, FALSE, (L"Local\\TallyvaneStoreLock-" + suffix).c_str()));
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG),
                                      (L"Local\\TallyvaneStoreChanges-" + suffix).c_str()));
    if (mapping_)
        view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
    counter_ = static_cast<volatile LONG*>(view_.get());
}

bool StoreSharing::Lock(std::wstring* error)
{
    if (!mutex_) {
        *error = L"cannot create the store's lock";
        return false;
    }
    switch (WaitForSingleObject(mutex_.get(), StoreLockTimeoutMs)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
        return true;
    case WAIT_TIMEOUT:
        *error = L"the store is busy: another program has held it for " +
                 std::to_wstring(StoreLockTimeoutMs / 1000) + L" s";
        return false;
    default:
        *error = L"cannot take the store's lock: " + SystemMessage(GetLastError());
        return false;
    }
}

void StoreSharing::Unlock()
{
    ReleaseMutex(mutex_.get());
}
