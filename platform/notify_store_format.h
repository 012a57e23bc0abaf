// The store's text file: the entries as the store keeps them, and how they
// are written to and read back from UTF-8 text. The format is described in
// docs/store-format.md. Nothing here knows about locks, caches or the calls.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

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

// The largest handle value; the store is full once nextHandle reaches it.
constexpr DWORD LastHandleValue = 0xFFFFFFFEu;

std::string FormatStore(const StoreContents& contents);

// The same file in pieces: the lines before the entries, each entry's own
// text, and the last line. A store that keeps its entries' texts writes
// itself by joining them, without formatting every entry again.
std::string StoreFileHead(DWORD nextHandle);
std::string FormatEntry(const StoredNotification& entry);
constexpr char StoreFileTail[] = "end-of-store\n";

// Reads a whole file. On any fault returns false with *error saying where and
// what ("line 12: unknown field 'colour'") and leaves *contents alone.
bool ParseStore(const std::string& bytes, StoreContents* contents, std::wstring* error);
