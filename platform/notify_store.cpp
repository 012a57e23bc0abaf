// The handheld's notification calls over a text file that every process of
// the device shares. Each process keeps the whole store in memory, packed the
// way CeGetUserNotification hands it out, and reloads it only when another
// process has saved since (the shared change counter says so) or, at a count
// or listing, when the file itself changed under it (a hand edit).
#include "platform/notify_store.h"

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "platform/notify_store_file.h"
#include "platform/notify_store_pack.h"

namespace {
constexpr wchar_t DefaultStorePath[] = L"C:\\Windows\\notifications.txt";
constexpr wchar_t StorePathVariable[] = L"TALLYVANE_STORE";

struct Store {
    Store() { InitializeCriticalSection(&guard); }

    CRITICAL_SECTION guard;               // the calls may come from any thread
    std::wstring chosenPath;              // from NotifyStoreUsePath; empty for the default
    bool resolved = false;                // path and sharing are set up
    std::wstring path;                    // full path of the file
    std::unique_ptr<StoreSharing> sharing;

    // The file as of `generation` and `stamp`, when `loaded`.
    bool loaded = false;
    LONG generation = 0;
    FileStamp stamp;
    StoreContents contents;
    std::vector<PackedNotification> packed;    // parallel to contents.entries
    std::vector<std::string> texts;            // parallel: each entry as the file holds it
    std::unordered_map<DWORD, size_t> index;   // handle to position

    std::wstring lastError;
    NotifyStoreFaults faults;
    NotifyStoreStats stats;
};

Store& TheStore()
{
    static Store store;
    return store;
}

class Guard {
public:
    explicit Guard(Store& store) : store_(store) { EnterCriticalSection(&store_.guard); }
    ~Guard() { LeaveCriticalSection(&store_.guard); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    Store& store_;
};

DWORD HandleValue(HANDLE h)
{
    return static_cast<DWORD>(reinterpret_cast<uintptr_t>(h));
}

HANDLE AsHandle(DWORD value)
{
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

// Whether a fault numbered `at` (0: every call) applies to call number `call`.
bool Hits(DWORD at, DWORD call)
{
    return at == 0 || at == call;
}

std::wstring ChosenOrDefaultPath(const Store& s)
{
    if (!s.chosenPath.empty())
        return s.chosenPath;
    WCHAR fromEnvironment[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(StorePathVariable, fromEnvironment, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        return fromEnvironment;
    return DefaultStorePath;
}

void Resolve(Store& s)
{
    if (s.resolved)
        return;
    const std::wstring path = ChosenOrDefaultPath(s);
    WCHAR full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    s.path = length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
    s.sharing = std::make_unique<StoreSharing>(s.path);
    s.resolved = true;
}

bool Failed(Store& s, const std::wstring& what, DWORD code)
{
    s.lastError = s.path + L": " + what;
    SetLastError(code);
    return false;
}

class StoreLock {
public:
    explicit StoreLock(Store& s) : store_(s)
    {
        std::wstring error;
        held_ = s.sharing->Lock(&error);
        if (!held_)
            Failed(s, error, ERROR_TIMEOUT);
    }
    ~StoreLock()
    {
        if (held_)
            store_.sharing->Unlock();
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    bool Held() const { return held_; }

private:
    Store& store_;
    bool held_ = false;
};

void Rebuild(Store& s)
{
    s.packed.clear();
    s.packed.reserve(s.contents.entries.size());
    s.texts.clear();
    s.texts.reserve(s.contents.entries.size());
    s.index.clear();
    s.index.reserve(s.contents.entries.size());
    for (size_t i = 0; i < s.contents.entries.size(); ++i) {
        s.packed.push_back(PackNotification(s.contents.entries[i]));
        s.texts.push_back(FormatEntry(s.contents.entries[i]));
        s.index.emplace(s.contents.entries[i].handle, i);
    }
}

// With the lock held: makes the copy in memory match the file.
bool SyncLocked(Store& s)
{
    const LONG generation = s.sharing->Counter();
    const FileStamp stamp = StampOf(s.path);
    if (s.loaded && generation == s.generation && stamp == s.stamp)
        return true;
    s.loaded = false;
    std::string bytes;
    bool exists;
    std::wstring error;
    if (!ReadWholeFile(s.path, &bytes, &exists, &error))
        return Failed(s, error, ERROR_READ_FAULT);
    StoreContents contents;
    if (exists) {
        if (!ParseStore(bytes, &contents, &error))
            return Failed(s, error, ERROR_FILE_CORRUPT);
        ++s.stats.diskLoads;
    }
    s.contents = std::move(contents);
    Rebuild(s);
    s.generation = generation;
    s.stamp = stamp;
    s.loaded = true;
    s.lastError.clear();
    return true;
}

// Makes sure the copy in memory is current. The warm case is one read of the
// shared counter; checkFile adds a look at the file's time and size, which
// notices hand edits (counts and listings do it, single reads do not).
bool Fresh(Store& s, bool checkFile)
{
    Resolve(s);
    if (s.loaded && s.sharing->HasCounter() && s.sharing->Counter() == s.generation &&
        (!checkFile || StampOf(s.path) == s.stamp))
        return true;
    StoreLock lock(s);
    return lock.Held() && SyncLocked(s);
}

bool SaveLocked(Store& s)
{
    std::wstring error;
    if (!ReplaceWholeFile(s.path, FormatStore(s.contents.nextHandle, s.texts), &error)) {
        s.loaded = false;
        return Failed(s, error, ERROR_WRITE_FAULT);
    }
    s.generation = s.sharing->Bump();
    s.stamp = StampOf(s.path);
    ++s.stats.diskSaves;
    s.lastError.clear();
    return true;
}

// Load, change and save under the lock, so that no other process's change
// in between is lost. `change` returns false to leave everything as it was.
template <typename Change>
bool Modify(Store& s, Change change)
{
    Resolve(s);
    StoreLock lock(s);
    if (!lock.Held() || !SyncLocked(s))
        return false;
    if (!change())
        return false;
    return SaveLocked(s);
}

const size_t* Find(const Store& s, HANDLE h)
{
    const auto found = s.index.find(HandleValue(h));
    return found == s.index.end() ? nullptr : &found->second;
}

bool UnknownHandle()
{
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

DWORD HandlesLeft(const Store& s)
{
    const DWORD next = s.contents.nextHandle;
    return next > LastHandleValue ? 0 : LastHandleValue - next + 1;
}

HANDLE Append(Store& s, StoredNotification entry)
{
    entry.handle = s.contents.nextHandle++;
    s.index.emplace(entry.handle, s.contents.entries.size());
    s.packed.push_back(PackNotification(entry));
    s.texts.push_back(FormatEntry(entry));
    s.contents.entries.push_back(std::move(entry));
    return AsHandle(s.contents.entries.back().handle);
}

void Replace(Store& s, size_t at, StoredNotification entry)
{
    entry.handle = s.contents.entries[at].handle;
    s.packed[at] = PackNotification(entry);
    s.texts[at] = FormatEntry(entry);
    s.contents.entries[at] = std::move(entry);
}

bool OutOfHandles(Store& s)
{
    return Failed(s, L"every handle value has been used; the store takes no new entries",
                  ERROR_NO_MORE_ITEMS);
}
}  // namespace

extern "C" {

BOOL WINAPI CeGetUserNotificationHandles(HANDLE* rghNotifications, DWORD cHandles,
                                         LPDWORD pcHandlesNeeded)
{
    Store& s = TheStore();
    Guard guard(s);
    if (!pcHandlesNeeded || (!rghNotifications && cHandles != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    NotifyStoreFaults& f = s.faults;
    if (!rghNotifications) {
        const DWORD call = ++f.countCalls;
        if (f.failCount && Hits(f.failCountAt, call)) {
            SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        if (!Fresh(s, true))
            return FALSE;
        DWORD count = static_cast<DWORD>(s.contents.entries.size());
        if (f.reportedCount != 0 && Hits(f.reportedCountAt, call))
            count = f.reportedCount;
        *pcHandlesNeeded = count;
        return TRUE;
    }
    const DWORD call = ++f.listingCalls;
    *pcHandlesNeeded = 0;
    if (f.failListing && Hits(f.failListingAt, call)) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    if (!Fresh(s, true))
        return FALSE;
    DWORD delivered = static_cast<DWORD>(s.contents.entries.size());
    if (delivered > cHandles)
        delivered = cHandles;
    if (f.listingShortBy != 0 && Hits(f.listingShortAt, call))
        delivered = delivered > f.listingShortBy ? delivered - f.listingShortBy : 0;
    for (DWORD i = 0; i < delivered; ++i)
        rghNotifications[i] = AsHandle(s.contents.entries[i].handle);
    *pcHandlesNeeded = delivered;
    return TRUE;
}

BOOL WINAPI CeGetUserNotification(HANDLE hNotification, DWORD cBufferSize, LPDWORD pcBytesNeeded,
                                  LPBYTE pBuffer)
{
    Store& s = TheStore();
    Guard guard(s);
    if (!pcBytesNeeded) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (pBuffer)
        ++s.stats.reads;
    *pcBytesNeeded = 0;
    if (!Fresh(s, false))
        return FALSE;
    const size_t* at = Find(s, hNotification);
    if (!at)
        return UnknownHandle();
    if (cBufferSize == 0 && s.faults.zeroSizeRead && hNotification == s.faults.zeroSizeRead) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    const PackedNotification& packed = s.packed[*at];
    *pcBytesNeeded = static_cast<DWORD>(packed.bytes.size());
    if (!pBuffer || cBufferSize < packed.bytes.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (s.faults.failRead && hNotification == s.faults.failRead) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    UnpackNotification(packed, pBuffer);
    return TRUE;
}

BOOL WINAPI CeClearUserNotification(HANDLE hNotification)
{
    Store& s = TheStore();
    Guard guard(s);
    if (s.faults.failAllClears || (s.faults.failClear && hNotification == s.faults.failClear)) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    return Modify(s, [&] {
        const size_t* found = Find(s, hNotification);
        if (!found)
            return UnknownHandle();
        const size_t at = *found;
        s.contents.entries.erase(s.contents.entries.begin() + at);
        s.packed.erase(s.packed.begin() + at);
        s.texts.erase(s.texts.begin() + at);
        s.index.erase(HandleValue(hNotification));
        for (auto& position : s.index) {
            if (position.second > at)
                --position.second;
        }
        return true;
    });
}

HANDLE WINAPI CeSetUserNotificationEx(HANDLE hNotification, CE_NOTIFICATION_TRIGGER* pcnt,
                                      CE_USER_NOTIFICATION* pceun)
{
    if (pcnt && pcnt->dwSize != sizeof(CE_NOTIFICATION_TRIGGER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Store& s = TheStore();
    Guard guard(s);
    StoredNotification entry = EntryFromParts(pcnt, pceun);
    HANDLE result = nullptr;
    const bool done = Modify(s, [&] {
        if (!hNotification) {
            if (HandlesLeft(s) == 0)
                return OutOfHandles(s);
            result = Append(s, std::move(entry));
            return true;
        }
        const size_t* at = Find(s, hNotification);
        if (!at)
            return UnknownHandle();
        // A replaced entry is registered afresh, so it has not fired.
        Replace(s, *at, std::move(entry));
        result = hNotification;
        return true;
    });
    return done ? result : nullptr;
}

}  // extern "C"

std::wstring NotifyStorePath()
{
    Store& s = TheStore();
    Guard guard(s);
    Resolve(s);
    return s.path;
}

void NotifyStoreUsePath(const std::wstring& path)
{
    Store& s = TheStore();
    Guard guard(s);
    s.chosenPath = path;
    s.resolved = false;
    s.sharing.reset();
    s.loaded = false;
    s.contents = StoreContents();
    s.packed.clear();
    s.texts.clear();
    s.index.clear();
    s.lastError.clear();
}

BOOL NotifyStoreSetStatus(HANDLE h, DWORD status)
{
    Store& s = TheStore();
    Guard guard(s);
    return Modify(s, [&] {
        const size_t* at = Find(s, h);
        if (!at)
            return UnknownHandle();
        StoredNotification entry = s.contents.entries[*at];
        entry.status = status;
        Replace(s, *at, std::move(entry));
        return true;
    });
}

bool NotifyStoreSnapshot(StoreContents* contents)
{
    Store& s = TheStore();
    Guard guard(s);
    if (!Fresh(s, true))
        return false;
    *contents = s.contents;
    return true;
}

bool NotifyStoreAddEntries(const std::vector<StoredNotification>& entries, bool replaceAll,
                           std::vector<HANDLE>* handles)
{
    Store& s = TheStore();
    Guard guard(s);
    std::vector<HANDLE> added;
    const bool done = Modify(s, [&] {
        if (entries.size() > HandlesLeft(s))
            return OutOfHandles(s);
        if (replaceAll) {
            s.contents.entries.clear();
            s.packed.clear();
            s.texts.clear();
            s.index.clear();
        }
        for (const StoredNotification& entry : entries)
            added.push_back(Append(s, entry));
        return true;
    });
    if (done && handles)
        *handles = std::move(added);
    return done;
}

std::wstring NotifyStoreLastError()
{
    Store& s = TheStore();
    Guard guard(s);
    return s.lastError;
}

NotifyStoreFaults& NotifyStoreTestFaults()
{
    return TheStore().faults;
}

void NotifyStoreResetFaults()
{
    TheStore().faults = NotifyStoreFaults();
}

NotifyStoreStats& NotifyStoreTestStats()
{
    return TheStore().stats;
}
