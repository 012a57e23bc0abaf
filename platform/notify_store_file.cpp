#include "platform/notify_store_file.h"

#include <cwchar>

#include "app/unique_handles.h"

namespace {
// How long a caller waits for another process to finish with the store.
constexpr DWORD StoreLockTimeoutMs = 10000;

// "Access is denied." for a system error code, without the line break.
std::wstring SystemMessage(DWORD code)
{
    WCHAR* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<WCHAR*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' '))
        message.pop_back();
    if (message.empty())
        message = L"system error " + std::to_wstring(code);
    return message;
}

// The name part shared by the store's named objects: a hash of the path in
// upper case, since the file system ignores letter case.
std::wstring ObjectSuffix(const std::wstring& fullPath)
{
    std::wstring upper(fullPath);
    if (!upper.empty())
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, fullPath.c_str(),
                     static_cast<int>(fullPath.size()), &upper[0], static_cast<int>(upper.size()));
    unsigned long long hash = 14695981039346656037ull;
    for (wchar_t c : upper) {
        hash ^= static_cast<unsigned short>(c);
        hash *= 1099511628211ull;
    }
    wchar_t text[32];
    std::swprintf(text, 32, L"%016llX", hash);
    return text;
}

// Windows takes a folder name of up to MAX_PATH - 12 characters as it is;
// the temporary file's name adds 4 to the store's.
constexpr size_t LongestPlainPath = MAX_PATH - 12 - 4 - 1;

std::wstring LongForm(const std::wstring& path)
{
    if (path.size() <= LongestPlainPath || path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    const std::wstring full = FullPath(path);
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// Makes the folder and those above it that are missing. A plain file in the
// way sets no system error, so *error names it rather than quoting one.
bool CreateFolders(const std::wstring& folder, std::wstring* error)
{
    if (folder.empty())
        return true;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return true;
        *error = L"cannot create its folder: " + folder + L" is a file";
        return false;
    }
    const size_t slash = folder.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 0 && folder[slash - 1] != L':' &&
        !CreateFolders(folder.substr(0, slash), error))
        return false;
    if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    *error = L"cannot create its folder " + folder + L": " + SystemMessage(GetLastError());
    return false;
}
}  // namespace

std::wstring FullPath(const std::wstring& path)
{
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = size ? GetFullPathNameW(path.c_str(), size, &full[0], nullptr) : 0;
    return length > 0 && length < size ? full.substr(0, length) : path;
}

StoreSharing::StoreSharing(const std::wstring& fullPath)
{
    const std::wstring suffix = ObjectSuffix(fullPath);
    mutex_ = CreateMutexW(nullptr, FALSE, (L"Local\\TallyvaneStoreLock-" + suffix).c_str());
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG),
                                  (L"Local\\TallyvaneStoreChanges-" + suffix).c_str());
    if (mapping_)
        counter_ = static_cast<volatile LONG*>(
            MapViewOfFile(mapping_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
}

StoreSharing::~StoreSharing()
{
    if (counter_)
        UnmapViewOfFile(const_cast<LONG*>(counter_));
    if (mapping_)
        CloseHandle(mapping_);
    if (mutex_)
        CloseHandle(mutex_);
}

bool StoreSharing::Lock(std::wstring* error)
{
    if (!mutex_) {
        *error = L"cannot create the store's lock";
        return false;
    }
    switch (WaitForSingleObject(mutex_, StoreLockTimeoutMs)) {
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
    ReleaseMutex(mutex_);
}

bool FileStamp::operator==(const FileStamp& other) const
{
    return exists == other.exists && written.dwLowDateTime == other.written.dwLowDateTime &&
           written.dwHighDateTime == other.written.dwHighDateTime && sizeHigh == other.sizeHigh &&
           sizeLow == other.sizeLow;
}

FileStamp StampOf(const std::wstring& path)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(LongForm(path).c_str(), GetFileExInfoStandard, &data)) {
        stamp.exists = true;
        stamp.written = data.ftLastWriteTime;
        stamp.sizeHigh = data.nFileSizeHigh;
        stamp.sizeLow = data.nFileSizeLow;
    }
    return stamp;
}

bool IsReadOnlyFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(LongForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes, bool* exists, std::wstring* error)
{
    bytes->clear();
    *exists = false;
    UniqueHandle file(CreateFileW(LongForm(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            return true;
        *error = L"cannot open it: " + SystemMessage(code);
        return false;
    }
    *exists = true;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        *error = L"cannot read it: " + SystemMessage(GetLastError());
        return false;
    }
    constexpr LONGLONG Largest = 256ll << 20;
    if (size.QuadPart > Largest) {
        *error = L"the file is larger than 256 MB";
        return false;
    }
    // One read: a file takes its whole size at once, or what is left of it.
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file.get(), &(*bytes)[0], static_cast<DWORD>(bytes->size()), &got, nullptr)) {
        *error = L"cannot read it: " + SystemMessage(GetLastError());
        return false;
    }
    bytes->resize(got);
    return true;
}

bool ReplaceWholeFile(const std::wstring& path, const std::string& bytes, std::wstring* error)
{
    const std::wstring target = LongForm(path);
    const size_t slash = target.find_last_of(L"\\/");
    if (slash != std::wstring::npos && !CreateFolders(target.substr(0, slash), error))
        return false;
    // One fixed name: writers take turns under the lock, and a file left by a
    // writer that died is simply written over by the next one.
    const std::wstring temporary = target + L".new";
    UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        *error = L"cannot write " + path + L".new: " + SystemMessage(GetLastError());
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.get())) {
        const DWORD code = GetLastError();
        file.reset();
        DeleteFileW(temporary.c_str());
        *error = L"cannot write " + path + L".new: " + SystemMessage(code);
        return false;
    }
    file.reset();
    if (!MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        DeleteFileW(temporary.c_str());
        *error = L"cannot replace it: " + SystemMessage(code);
        return false;
    }
    return true;
}
