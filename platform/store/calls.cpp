// The handheld's notification calls over a text file that every process of
// the device shares. Each process keeps the whole store in memory, packed the
// way CeGetUserNotification hands it out, and reloads it only when another
// process has saved since (the shared change counter says so) or, at a count
// or listing, when the file itself changed under it (a hand edit).
#include "platform/store/store_private.h"
#include "platform/store/test_switches.h"

#include <algorithm>
#include <list>
#include <memory>
#include <unordered_map>

namespace {
constexpr wchar_t DefaultStorePath[] = L"C:\\Windows\\notifications.txt";
constexpr wchar_t StorePathVariable[] = L"TALLYVANE_STORE";

// The largest handle value; the store is full once the next handle passes it.
constexpr DWORD LastHandleValue = 0xFFFFFFFEu;

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
        const auto found = index_.find(HandleNumber(h));
        return found == index_.end() ? nullptr : &*found->second;
    }
    HANDLE Append(StoredNotification entry)
    {
        entry.handle = nextHandle_++;
        return HandleFromNumber(Link(std::move(entry)).entry.handle);
    }
    // A replaced entry keeps its handle and its place.
    void Replace(CachedEntry* at, StoredNotification entry)
    {
        entry.handle = at->entry.handle;
        *at = CachedEntry(std::move(entry));
    }
    bool Erase(HANDLE h)
    {
        const auto found = index_.find(HandleNumber(h));
        if (found == index_.end())
            return false;
        entries_.erase(found->second);
        index_.erase(found);
        return true;
    }
    void EraseAll() { *this = EntryList(StoreContents{ nextHandle_, {} }); }
    // The file from each entry's own text, formatting only the entries that
    // changed since the last save.
    std::string FileText()
    {
        std::vector<std::string_view> texts;
        texts.reserve(entries_.size());
        for (CachedEntry& cached : entries_) {
            if (cached.text.empty())
                cached.text = EntryText(cached.entry);
            texts.push_back(cached.text);
        }
        return StoreText(nextHandle_, texts);
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
    Store() { InitializeCriticalSection(&threads); }

    CRITICAL_SECTION threads;             // the calls may come from any thread
    std::wstring chosenPath;              // from NotifyStoreUsePath; empty for the default
    std::wstring path;                    // full path of the file, once there is `sharing`
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

// One thread of this process at a time in the store. A critical section, not
// std::mutex, which made the duplicate pass's reads up to a third slower here.
class ThreadLock {
public:
    explicit ThreadLock(Store& store) : store_(store) { EnterCriticalSection(&store_.threads); }
    ~ThreadLock() { LeaveCriticalSection(&store_.threads); }
    ThreadLock(const ThreadLock&) = delete;
    ThreadLock& operator=(const ThreadLock&) = delete;

private:
    Store& store_;
};

// Whether a fault numbered `at` (0: every call) applies to call number `call`.
bool Hits(DWORD at, DWORD call)
{
    return at == 0 || at == call;
}

// The file, at a call's first need of it: the chosen path, the variable's
// (whole, however long: a path cut short would name another store) or the default.
void Resolve(Store& s)
{
    if (s.sharing)
        return;
    std::wstring path = s.chosenPath;
    if (path.empty()) {
        const DWORD size = GetEnvironmentVariableW(StorePathVariable, nullptr, 0);
        path.assign(size, L'\0');
        const DWORD length = size > 1 ? GetEnvironmentVariableW(StorePathVariable, &path[0], size) : 0;
        path = length > 0 && length < size ? path.substr(0, length) : DefaultStorePath;
    }
    s.path = FullPath(path);
    s.sharing = std::make_unique<StoreSharing>(s.path);
}

// The calls' way out when they refuse: the thread's error code, and FALSE.
bool Refuse(DWORD code)
{
    SetLastError(code);
    return false;
}

// A fault of the file itself, which NotifyStoreLastError() names.
bool ReportFault(Store& s, const std::wstring& what, DWORD code)
{
    s.lastError = s.path + L": " + what;
    return Refuse(code);
}

// One process of the device at a time in the store's file.
class ProcessLock {
public:
    explicit ProcessLock(Store& s) : sharing_(s.sharing.get())
    {
        std::wstring error;
        if (!sharing_->Lock(&error)) {
            sharing_ = nullptr;
            ReportFault(s, error, ERROR_TIMEOUT);
        }
    }
    ~ProcessLock()
    {
        if (sharing_)
            sharing_->Unlock();
    }
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;
    bool Held() const { return sharing_ != nullptr; }

private:
    StoreSharing* sharing_;
};

// With the process lock held: reads the file again when it changed since
// this process last did.
bool ReloadIfChanged(Store& s)
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
        return ReportFault(s, error, ERROR_READ_FAULT);
    StoreContents contents;
    if (exists) {
        if (!ParseStore(bytes, &contents, &error))
            return ReportFault(s, error, ERROR_FILE_CORRUPT);
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
bool EnsureCurrent(Store& s, bool checkFile)
{
    Resolve(s);
    if (s.loaded && s.sharing->HasCounter() && s.sharing->Counter() == s.generation &&
        (!checkFile || StampOf(s.path) == s.stamp))
        return true;
    ProcessLock lock(s);
    return lock.Held() && ReloadIfChanged(s);
}

// With the process lock held: writes the copy in memory over the file.
bool Save(Store& s)
{
    std::wstring error;
    if (!ReplaceWholeFile(s.path, s.entries.FileText(), &error)) {
        s.loaded = false;
        return ReportFault(s, error, ERROR_WRITE_FAULT);
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
    ProcessLock lock(s);
    if (!lock.Held() || !ReloadIfChanged(s))
        return false;
    if (IsReadOnlyFile(s.path))
        return ReportFault(s, L"the store is read-only", ERROR_ACCESS_DENIED);
    if (!change())
        return false;
    return Save(s);
}

bool OutOfHandles(Store& s)
{
    return ReportFault(s, L"every handle value has been used; the store takes no new entries",
                       ERROR_NO_MORE_ITEMS);
}
}  // namespace

extern "C" {

BOOL WINAPI CeGetUserNotificationHandles(HANDLE* rghNotifications, DWORD cHandles,
                                         LPDWORD pcHandlesNeeded)
{
    Store& s = TheStore();
    ThreadLock lock(s);
    if (!pcHandlesNeeded || (!rghNotifications && cHandles != 0))
        return Refuse(ERROR_INVALID_PARAMETER);
    NotifyStoreFaults& f = s.faults;
    if (!rghNotifications) {
        const DWORD call = ++f.countCalls;
        if (f.failCount && Hits(f.failCountAt, call))
            return Refuse(ERROR_GEN_FAILURE);
        if (!EnsureCurrent(s, true))
            return FALSE;
        const bool misreport = f.reportedCount != 0 && Hits(f.reportedCountAt, call);
        *pcHandlesNeeded = misreport ? f.reportedCount : static_cast<DWORD>(s.entries.All().size());
        return TRUE;
    }
    const DWORD call = ++f.listingCalls;
    *pcHandlesNeeded = 0;
    if (f.failListing && Hits(f.failListingAt, call))
        return Refuse(ERROR_GEN_FAILURE);
    if (!EnsureCurrent(s, true))
        return FALSE;
    DWORD delivered = std::min(static_cast<DWORD>(s.entries.All().size()), cHandles);
    if (f.listingShortBy != 0 && Hits(f.listingShortAt, call))
        delivered = delivered > f.listingShortBy ? delivered - f.listingShortBy : 0;
    auto cached = s.entries.All().begin();
    for (DWORD i = 0; i < delivered; ++i, ++cached)
        rghNotifications[i] = HandleFromNumber(cached->entry.handle);
    *pcHandlesNeeded = delivered;
    return TRUE;
}

BOOL WINAPI CeGetUserNotification(HANDLE hNotification, DWORD cBufferSize, LPDWORD pcBytesNeeded,
                                  LPBYTE pBuffer)
{
    Store& s = TheStore();
    ThreadLock lock(s);
    if (!pcBytesNeeded)
        return Refuse(ERROR_INVALID_PARAMETER);
    if (pBuffer)
        ++s.stats.reads;
    *pcBytesNeeded = 0;
    if (!EnsureCurrent(s, false))
        return FALSE;
    const CachedEntry* cached = s.entries.Find(hNotification);
    if (!cached)
        return Refuse(ERROR_INVALID_HANDLE);
    if (cBufferSize == 0 && s.faults.zeroSizeRead && hNotification == s.faults.zeroSizeRead)
        return Refuse(ERROR_GEN_FAILURE);
    const PackedNotification& packed = cached->packed;
    *pcBytesNeeded = static_cast<DWORD>(packed.bytes.size());
    if (!pBuffer || cBufferSize < packed.bytes.size())
        return Refuse(ERROR_INSUFFICIENT_BUFFER);
    if (s.faults.failRead && hNotification == s.faults.failRead)
        return Refuse(ERROR_GEN_FAILURE);
    UnpackNotification(packed, pBuffer);
    return TRUE;
}

BOOL WINAPI CeClearUserNotification(HANDLE hNotification)
{
    Store& s = TheStore();
    ThreadLock lock(s);
    if (s.faults.failAllClears || (s.faults.failClear && hNotification == s.faults.failClear))
        return Refuse(ERROR_GEN_FAILURE);
    return Modify(s, [&] { return s.entries.Erase(hNotification) || Refuse(ERROR_INVALID_HANDLE); });
}

HANDLE WINAPI CeSetUserNotificationEx(HANDLE hNotification, CE_NOTIFICATION_TRIGGER* pcnt,
                                      CE_USER_NOTIFICATION* pceun)
{
    if (pcnt && pcnt->dwSize != sizeof(CE_NOTIFICATION_TRIGGER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Store& s = TheStore();
    ThreadLock lock(s);
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
            return Refuse(ERROR_INVALID_HANDLE);
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
    ThreadLock lock(s);
    Resolve(s);
    return s.path;
}

void NotifyStoreUsePath(const std::wstring& path)
{
    Store& s = TheStore();
    ThreadLock lock(s);
    s.chosenPath = path;
    s.sharing.reset();
    s.loaded = false;
    s.entries = EntryList();
    s.lastError.clear();
}

BOOL NotifyStoreSetStatus(HANDLE h, DWORD status)
{
    Store& s = TheStore();
    ThreadLock lock(s);
    return Modify(s, [&] {
        CachedEntry* cached = s.entries.Find(h);
        if (!cached)
            return Refuse(ERROR_INVALID_HANDLE);
        StoredNotification entry = cached->entry;
        entry.status = status;
        s.entries.Replace(cached, std::move(entry));
        return true;
    });
}

bool NotifyStoreSnapshot(StoreContents* contents)
{
    Store& s = TheStore();
    ThreadLock lock(s);
    if (!EnsureCurrent(s, true))
        return false;
    contents->nextHandle = s.entries.NextHandle();
    contents->entries.clear();
    contents->entries.reserve(s.entries.All().size());
    for (const CachedEntry& cached : s.entries.All())
        contents->entries.push_back(cached.entry);
    return true;
}

bool NotifyStoreText(std::string* text, size_t* entryCount)
{
    Store& s = TheStore();
    ThreadLock lock(s);
    if (!EnsureCurrent(s, true))
        return false;
    *text = s.entries.FileText();
    *entryCount = s.entries.All().size();
    return true;
}

bool NotifyStoreAddEntries(const std::vector<StoredNotification>& entries, bool replaceAll,
                           std::vector<HANDLE>* handles)
{
    Store& s = TheStore();
    ThreadLock lock(s);
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
    ThreadLock lock(s);
    missing->clear();
    return Modify(s, [&] {
        for (HANDLE h : handles) {
            if (!s.entries.Find(h))
                missing->push_back(h);
        }
        if (!missing->empty())
            return Refuse(ERROR_INVALID_HANDLE);
        for (HANDLE h : handles)
            s.entries.Erase(h);
        return true;
    });
}

bool NotifyStoreClearAll()
{
    return NotifyStoreAddEntries({}, true, nullptr);
}

std::wstring NotifyStoreLastError()
{
    Store& s = TheStore();
    ThreadLock lock(s);
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
