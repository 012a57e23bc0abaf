// The desktop side of the notification database, for notifyctl and the tests:
// the entries as the store keeps them, what a device's own programs do beyond
// the handheld's four calls, and the store's file and its text format. The
// program never includes this header: it sees only <notify.h>. What only the
// tests use is in test_switches.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/notify.h"

// An entry's handle, and the number the store file and notifyctl show for it.
inline DWORD HandleNumber(HANDLE h) { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(h)); }
inline HANDLE HandleFromNumber(DWORD n) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(n)); }

using StoredText = std::optional<std::wstring>;   // nullopt: a null pointer

struct StoredNotification {
    DWORD handle = 0;
    DWORD status = 0;
    bool hasTrigger = false;
    DWORD type = 0;
    DWORD event = 0;
    StoredText application;
    StoredText arguments;
    SYSTEMTIME start = {};
    SYSTEMTIME end = {};
    bool hasUser = false;
    DWORD actionFlags = 0;
    StoredText title;
    StoredText text;
    StoredText sound;
    DWORD maxSound = 0;
};

struct StoreContents {
    DWORD nextHandle = 1;   // the handle the next new entry gets; never handed out twice
    std::vector<StoredNotification> entries;   // in listing order
};

// The parts a program passes to CeSetUserNotificationEx for this entry (its
// handle and status aside), pointing into the copy of the entry kept here.
class NotificationParts {
public:
    explicit NotificationParts(StoredNotification entry);
    NotificationParts(const NotificationParts&) = delete;
    NotificationParts& operator=(const NotificationParts&) = delete;

    CE_NOTIFICATION_TRIGGER* Trigger() { return entry_.hasTrigger ? &trigger_ : nullptr; }
    CE_USER_NOTIFICATION* User() { return entry_.hasUser ? &user_ : nullptr; }

private:
    StoredNotification entry_;
    CE_NOTIFICATION_TRIGGER trigger_ = {};
    CE_USER_NOTIFICATION user_ = {};
};

// The store file the calls work on: %TALLYVANE_STORE% when set, otherwise
// C:\Windows\notifications.txt in the device.
std::wstring NotifyStorePath();

// Point this process at another store file (tests give each case its own).
// An empty path goes back to the default. Drops any cached copy.
void NotifyStoreUsePath(const std::wstring& path);

// Sets the header status (CNS_SIGNALLED or 0, or any other value) of an entry,
// as the handheld's own services do when an entry fires.
BOOL NotifyStoreSetStatus(HANDLE h, DWORD status);

// A consistent copy of every entry, in listing order, with the handle counter.
bool NotifyStoreSnapshot(StoreContents* contents);

// The file's text as a save writes it, and its number of entries: a backup.
bool NotifyStoreText(std::string* text, size_t* entryCount);

// Adds the entries in one step, in order, each under a new handle, keeping
// their status. With replaceAll the entries already there are dropped first;
// the handle counter goes on, so their handles stay stale. handles (may be
// null) receives the new handles.
bool NotifyStoreAddEntries(const std::vector<StoredNotification>& entries, bool replaceAll,
                           std::vector<HANDLE>* handles);

// Removes the entries in one step: all of them, or, when one is not there
// (missing receives those), none.
bool NotifyStoreClearEntries(const std::vector<HANDLE>& handles, std::vector<HANDLE>* missing);

// Removes every entry; the handle counter goes on.
bool NotifyStoreClearAll();

// The last load or save failure in this process: which file and what was
// wrong with it ("line 12: unknown field 'colour'"). Empty when there is none.
std::wstring NotifyStoreLastError();

// The text format (docs/store-format.md): reads a whole store file or a backup
// of one. On a fault returns false with *error saying where and what, as
// NotifyStoreLastError() does after the file's name, and leaves *contents alone.
bool ParseStore(const std::string& bytes, StoreContents* contents, std::wstring* error);

// A decimal or 0x-prefixed hexadecimal number that fits in 32 bits.
bool ParseNumber(const std::string& text, DWORD* value);

// The file's names of the trigger kinds ("event", "time", "period",
// "classictime"), the system events ("time-change", "restore-end", ...) and the
// action flags ("dialog|sound", "0" for none). A code without a name is
// written as its number (flags as one 0x number); reading takes exactly these
// names, or numbers.
std::string TriggerTypeText(DWORD type);
bool ParseTriggerType(const std::string& text, DWORD* type);
std::string EventText(DWORD event);
bool ParseEvent(const std::string& text, DWORD* event);
std::string ActionFlagsText(DWORD flags);
bool ParseActionFlags(const std::string& text, DWORD* flags);

// UTF-16 and UTF-8, converted by Windows itself. The store keeps any UTF-16
// text, including unpaired surrogates, which UTF-8 cannot carry: ToUtf8 turns
// them into U+FFFD, so callers that must keep them write them as escapes.
// LenientFromUtf8 turns malformed input into U+FFFD.
std::string ToUtf8(const std::wstring& text);
std::wstring LenientFromUtf8(const std::string& bytes);

// Backslash escapes for what one line of output cannot hold as it is: tab,
// line ends (\t, \n, \r), other control characters and unpaired surrogates
// (\uXXXX), and each character of alsoEscaped (a backslash before it).
std::wstring Escaped(const std::wstring& text, const wchar_t* alsoEscaped);

// The file on disk, at a path of any length (beyond what Windows takes as it
// is, the calls use its long form, \\?\C:\...). A file (or folder) that is not
// there reads as no bytes and *exists false; any other failure returns false
// with *error set.
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
