// What the store's files share and its callers never need.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/unique_handles.h"
#include "platform/store/notify_store.h"

// structures.cpp: the bytes that CeGetUserNotification hands out for one
// entry, laid out once when the store is loaded, so that a read is a copy and
// a pointer fix-up. Header, trigger, user part, then every string, each DWORD
// aligned; the pointer fields hold offsets from the start (0 stays null).
struct PackedNotification {
    std::vector<BYTE> bytes;
    DWORD pointerAt[7] = {};   // where those pointer fields are
    DWORD pointerCount = 0;
};
PackedNotification PackNotification(const StoredNotification& entry);

// Copies the image into a buffer of at least bytes.size() bytes and points
// every pointer field into that buffer.
void UnpackNotification(const PackedNotification& packed, BYTE* buffer);

// An entry from the parts a caller of CeSetUserNotificationEx passes (either
// may be null), NotificationParts the other way round. Handle and status are 0.
StoredNotification EntryFromParts(const CE_NOTIFICATION_TRIGGER* trigger,
                                  const CE_USER_NOTIFICATION* user);

// sharing.cpp: the named lock and change counter of the store at one full
// path; every process that names the same file (letter case aside) gets the
// same ones.
class StoreSharing {
public:
    explicit StoreSharing(const std::wstring& fullPath);

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
    UniqueHandle mutex_;
    UniqueHandle mapping_;
    UniqueOwner<LPVOID, UnmapViewOfFile> view_;
    volatile LONG* counter_ = nullptr;   // in view_, or null without it
};

// file.cpp: "Access is denied." for a system error code, without the line
// break; a full disk in one wording of our own, whichever code it came as.
std::wstring SystemMessage(DWORD code);

// The full form of a path, however long; the path itself when it has none.
std::wstring FullPath(const std::wstring& path);

// What the file looked like when it was last read or written.
struct FileStamp {
    bool exists = false;
    FILETIME written = {};
    ULONGLONG size = 0;
    bool operator==(const FileStamp& other) const
    {
        return exists == other.exists && CompareFileTime(&written, &other.written) == 0 && size == other.size;
    }
};
FileStamp StampOf(const std::wstring& path);

// Whether the file is there and marked read-only, which a move over it must
// respect: Windows refuses to replace such a file, Wine does not.
bool IsReadOnlyFile(const std::wstring& path);

// text_format.cpp: one entry's block, and the whole file from the blocks, in
// listing order (a store that keeps each entry's block joins them unchanged).
std::string EntryText(const StoredNotification& entry);
std::string StoreText(DWORD nextHandle, const std::vector<std::string_view>& entryTexts);

// utf8.cpp: fails on malformed input (a stray or missing continuation byte,
// an overlong form, an encoded surrogate, a value beyond U+10FFFF).
bool FromUtf8(const char* bytes, size_t size, std::wstring* text);
