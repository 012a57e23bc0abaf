// The handheld's notification calls over a text file that every process of
// the device shares. Each process keeps the whole store in memory, packed the
// way CeGetUserNotification hands it out, and reloads it only when another
// process has saved since (the shared change counter says so) or, at a count
// or listing, when the file itself changed under it (a hand edit).
#include "platform/notify_store.h"

#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>

#include "platform/notify_store_file.h"
#include "platform/notify_store_pack.h"

namespace {
constexpr wchar_t DefaultStorePath[] = L"C:\\Windows\\notifications.txt";
constexpr wchar_t StorePathVariable[] = L"TALLYVANE_STORE";

DWORD HandleValue(HANDLE h)
{
    return static_cast<DWORD>(reinterpret_cast<uintptr_t>(h));
}

HANDLE AsHandle(DWORD value)
{
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

// One entry as this process holds it: the entry, the bytes
// CeGetUserNotification hands out, and its text in the file, made by the
// first save that needs it, so that a load formats nothing.
struct CachedEntry {
    explicit CachedEntry(StoredNotification e)
        : entry(std::move(e)), packed(PackNotification(entry)) {}
    StoredNotification entry;
    PackedNotification packed;
    std::string text;
};

// The entries in listing order, found by handle. Clearing one unlinks it and
// leaves the others where they are.
class EntryList {
public:
    explicit EntryList(StoreContents contents = StoreContents()) : nextHandle_(contents.nextHandle)
    {
        for (StoredNotification& entry : contents.entries)
            Link(std::move(entry));
    }
    // Its index points into its own list: moved whole, never copied.
    EntryList(EntryList&&) = default;
    EntryList& operator=(EntryList&&) = default;
    EntryList(const EntryList&) = delete;
    EntryList& operator=(const EntryList&) = delete;

    const std::list<CachedEntry>& All() const { return entries_; }
    DWORD NextHandle() const { return nextHandle_; }
    DWORD HandlesLeft() const
    {
        return nextHandle_ > LastHandleValue ? 0 : LastHandleValue - nextHandle_ + 1;
    }
    CachedEntry* Find(HANDLE h)
    {
        const auto found = index_.find(HandleValue(h));
        return found == index_.end() ? nullptr : &*found->second;
    }
    HANDLE Append(StoredNotification entry)
    {
        entry.handle = nextHandle_++;
        return AsHandle(Link(std::move(entry)).entry.handle);
    }
    // A replaced entry keeps its handle and its place.
    void Replace(CachedEntry* at, StoredNotification entry)
    {
        entry.handle = at->entry.handle;
        *at = CachedEntry(std::move(entry));
    }
    bool Erase(HANDLE h)
    {
        const auto found = index_.find(HandleValue(h));
        if (found == index_.end())
            return false;
        entries_.erase(found->second);
        index_.erase(found);
        return true;
    }
    void EraseAll() { *this = EntryList(StoreContents{ nextHandle_, {} }); }
    // The file from each entry's own text, formatting only the entries that
    // changed since the last save.
    std::string FileBytes()
    {
        std::string bytes = StoreFileHead(nextHandle_);
        size_t size = bytes.size() + sizeof StoreFileTail;
        for (CachedEntry& cached : entries_) {
            if (cached.text.empty())
                cached.text = FormatEntry(cached.entry);
            size += cached.text.size();
        }
        bytes.reserve(size);
        for (const CachedEntry& cached : entries_)
            bytes += cached.text;
        bytes += StoreFileTail;
        return bytes;
    }

private:
    CachedEntry& Link(StoredNotification entry)
    {
        entries_.emplace_back(std::move(entry));
        index_.emplace(entries_.back().entry.handle, std::prev(entries_.end()));
        return entries_.back();
    }

    DWORD nextHandle_;   // the handle the next new entry gets
    std::list<CachedEntry> entries_;
    std::unordered_map<DWORD, std::list<CachedEntry>::iterator> index_;
};

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
    EntryList entries;

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

// Whether a fault numbered `at` (0: every call) applies to call number `call`.
bool Hits(DWORD at, DWORD call)
{
    return at == 0 || at == call;
}

std::wstring ChosenOrDefaultPath(const Store& s)
{
    if (!s.chosenPath.empty())
        return s.chosenPath;
    // Whole, however long: a path cut short would name another store.
    const DWORD size = GetEnvironmentVariableW(StorePathVariable, nullptr, 0);
    std::wstring value(size, L'\0');
    const DWORD length = size > 1 ? GetEnvironmentVariableW(StorePathVariable, &value[0], size) : 0;
    if (length > 0 && length < size)
        return value.substr(0, length);
    return DefaultStorePath;
}

void Resolve(Store& s)
{
    if (s.resolved)
        return;
    s.path = FullPath(ChosenOrDefaultPath(s));
    s.sharing = std::make_unique<StoreSharing>(s.path);
    s.resolved = true;
}

// The calls' way out on any fault: the thread's error code, and FALSE.
bool Fails(DWORD code)
{
    SetLastError(code);
    return false;
}

// A fault of the file itself, which NotifyStoreLastError() names.
bool Failed(Store& s, const std::wstring& what, DWORD code)
{
    s.lastError = s.path + L": " + what;
    return Fails(code);
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
    s.entries = EntryList(std::move(contents));
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
    if (!ReplaceWholeFile(s.path, s.entries.FileBytes(), &error)) {
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
// A read-only store is read but never replaced, as on the handheld.
template <typename Change>
bool Modify(Store& s, Change change)
{
    Resolve(s);
    StoreLock lock(s);
    if (!lock.Held() || !SyncLocked(s))
        return false;
    if (IsReadOnlyFile(s.path))
        return Failed(s, L"the store is read-only", ERROR_ACCESS_DENIED);
    if (!change())
        return false;
    return SaveLocked(s);
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
    if (!pcHandlesNeeded || (!rghNotifications && cHandles != 0))
        return Fails(ERROR_INVALID_PARAMETER);
    NotifyStoreFaults& f = s.faults;
    if (!rghNotifications) {
        const DWORD call = ++f.countCalls;
        if (f.failCount && Hits(f.failCountAt, call))
            return Fails(ERROR_GEN_FAILURE);
        if (!Fresh(s, true))
            return FALSE;
        DWORD count = static_cast<DWORD>(s.entries.All().size());
        if (f.reportedCount != 0 && Hits(f.reportedCountAt, call))
            count = f.reportedCount;
        *pcHandlesNeeded = count;
        return TRUE;
    }
    const DWORD call = ++f.listingCalls;
    *pcHandlesNeeded = 0;
    if (f.failListing && Hits(f.failListingAt, call))
        return Fails(ERROR_GEN_FAILURE);
    if (!Fresh(s, true))
        return FALSE;
    DWORD delivered = static_cast<DWORD>(s.entries.All().size());
    if (delivered > cHandles)
        delivered = cHandles;
    if (f.listingShortBy != 0 && Hits(f.listingShortAt, call))
        delivered = delivered > f.listingShortBy ? delivered - f.listingShortBy : 0;
    auto cached = s.entries.All().begin();
    for (DWORD i = 0; i < delivered; ++i, ++cached)
        rghNotifications[i] = AsHandle(cached->entry.handle);
    *pcHandlesNeeded = delivered;
    return TRUE;
}

BOOL WINAPI CeGetUserNotification(HANDLE hNotification, DWORD cBufferSize, LPDWORD pcBytesNeeded,
                                  LPBYTE pBuffer)
{
    Store& s = TheStore();
    Guard guard(s);
    if (!pcBytesNeeded)
        return Fails(ERROR_INVALID_PARAMETER);
    if (pBuffer)
        ++s.stats.reads;
    *pcBytesNeeded = 0;
    if (!Fresh(s, false))
        return FALSE;
    const CachedEntry* cached = s.entries.Find(hNotification);
    if (!cached)
        return Fails(ERROR_INVALID_HANDLE);
    if (cBufferSize == 0 && s.faults.zeroSizeRead && hNotification == s.faults.zeroSizeRead)
        return Fails(ERROR_GEN_FAILURE);
    const PackedNotification& packed = cached->packed;
    *pcBytesNeeded = static_cast<DWORD>(packed.bytes.size());
    if (!pBuffer || cBufferSize < packed.bytes.size())
        return Fails(ERROR_INSUFFICIENT_BUFFER);
    if (s.faults.failRead && hNotification == s.faults.failRead)
        return Fails(ERROR_GEN_FAILURE);
    UnpackNotification(packed, pBuffer);
    return TRUE;
}

BOOL WINAPI CeClearUserNotification(HANDLE hNotification)
{
    Store& s = TheStore();
    Guard guard(s);
    if (s.faults.failAllClears || (s.faults.failClear && hNotification == s.faults.failClear))
        return Fails(ERROR_GEN_FAILURE);
    return Modify(s, [&] { return s.entries.Erase(hNotification) || Fails(ERROR_INVALID_HANDLE); });
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
            if (s.entries.HandlesLeft() == 0)
                return OutOfHandles(s);
            result = s.entries.Append(std::move(entry));
            return true;
        }
        CachedEntry* cached = s.entries.Find(hNotification);
        if (!cached)
            return Fails(ERROR_INVALID_HANDLE);
        // A replaced entry is registered afresh, so it has not fired.
        s.entries.Replace(cached, std::move(entry));
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
    s.entries = EntryList();
    s.lastError.clear();
}

BOOL NotifyStoreSetStatus(HANDLE h, DWORD status)
{
    Store& s = TheStore();
    Guard guard(s);
    return Modify(s, [&] {
        CachedEntry* cached = s.entries.Find(h);
        if (!cached)
            return Fails(ERROR_INVALID_HANDLE);
        StoredNotification entry = cached->entry;
        entry.status = status;
        s.entries.Replace(cached, std::move(entry));
        return true;
    });
}

bool NotifyStoreSnapshot(StoreContents* contents)
{
    Store& s = TheStore();
    Guard guard(s);
    if (!Fresh(s, true))
        return false;
    contents->nextHandle = s.entries.NextHandle();
    contents->entries.clear();
    contents->entries.reserve(s.entries.All().size());
    for (const CachedEntry& cached : s.entries.All())
        contents->entries.push_back(cached.entry);
    return true;
}

bool NotifyStoreAddEntries(const std::vector<StoredNotification>& entries, bool replaceAll,
                           std::vector<HANDLE>* handles)
{
    Store& s = TheStore();
    Guard guard(s);
    std::vector<HANDLE> added;
    const bool done = Modify(s, [&] {
        if (entries.size() > s.entries.HandlesLeft())
            return OutOfHandles(s);
        if (replaceAll)
            s.entries.EraseAll();
        for (const StoredNotification& entry : entries)
            added.push_back(s.entries.Append(entry));
        return true;
    });
    if (done && handles)
        *handles = std::move(added);
    return done;
}

bool NotifyStoreClearEntries(const std::vector<HANDLE>& handles, std::vector<HANDLE>* missing)
{
    Store& s = TheStore();
    Guard guard(s);
    std::vector<HANDLE> absent;
    const bool done = Modify(s, [&] {
        for (HANDLE h : handles) {
            if (!s.entries.Find(h))
                absent.push_back(h);
        }
        if (!absent.empty())
            return Fails(ERROR_INVALID_HANDLE);
        for (HANDLE h : handles)
            s.entries.Erase(h);
        return true;
    });
    if (missing)
        *missing = std::move(absent);
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
