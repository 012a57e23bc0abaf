// How the processes of one device share a store file: a named lock around
// every load-modify-save, a change counter in named shared memory that every
// save bumps, and the whole-file read and crash-safe replace.
#pragma once

#include <windows.h>

#include <string>

// The named objects of the store at one full path. Every process that names
// the same file (letter case aside) gets the same objects.
class StoreSharing {
public:
    explicit StoreSharing(const std::wstring& fullPath);
    ~StoreSharing();
    StoreSharing(const StoreSharing&) = delete;
    StoreSharing& operator=(const StoreSharing&) = delete;

    // Waits for the lock. A holder that died leaves it abandoned, which is
    // fine: the file is only ever replaced whole.
    bool Lock(std::wstring* error);
    void Unlock();

    // Whether the change counter exists; without it callers must look at the
    // file itself to notice changes.
    bool HasCounter() const { return counter_ != nullptr; }
    // A plain memory read: no system call.
    LONG Counter() const { return counter_ ? *counter_ : 0; }
    // Called after a save, with the lock held; returns the new value.
    LONG Bump() { return counter_ ? InterlockedIncrement(counter_) : 0; }

private:
    HANDLE mutex_ = nullptr;
    HANDLE mapping_ = nullptr;
    volatile LONG* counter_ = nullptr;
};

// The full form of a path, however long; the path itself when it has none.
std::wstring FullPath(const std::wstring& path);

// The calls below take paths of any length: beyond what Windows takes as it
// is, they use the path's long form (\\?\C:\...).

// What the file looked like when it was last read or written.
struct FileStamp {
    bool exists = false;
    FILETIME written = {};
    DWORD sizeHigh = 0;
    DWORD sizeLow = 0;
    bool operator==(const FileStamp& other) const;
};
FileStamp StampOf(const std::wstring& path);

// Whether the file is there and marked read-only, which a move over it must
// respect: Windows refuses to replace such a file, Wine does not.
bool IsReadOnlyFile(const std::wstring& path);

// Reads the whole file. A file (or folder) that is not there gives no bytes
// and *exists false; any other failure returns false with *error set.
bool ReadWholeFile(const std::wstring& path, std::string* bytes, bool* exists, std::wstring* error);

// Writes bytes to a temporary file beside path, flushes it, moves it over
// path and flushes the folder, so that a reader sees either the old file or
// the new one, even if the writer dies half-way, and a replace that returned
// true survives a power loss. Creates the folder when needed. A failure
// leaves the old file as it was and no temporary file; *error names the
// cause, a full disk as such.
//
// The store's own temporary is path.new, written over when a writer that died
// left one. Beside a file of a person's (an export), a file of that name may
// be theirs: NewTemporary makes one under a name that nothing has yet.
enum class Temporary { StoreNew, NewTemporary };
bool ReplaceWholeFile(const std::wstring& path, const std::string& bytes, std::wstring* error,
                      Temporary temporary = Temporary::StoreNew);
