// The file on disk: how it looked, reading it whole, and replacing it so that
// no reader sees half of it and a save reported done survives a power loss.
#include "platform/store/store_private.h"

#include <cstring>
#include <cwchar>
#include <vector>

#include "base/unique_handles.h"

namespace {
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

// The folder a file is in, as CreateFileW takes it: "C:" alone would be the
// drive's current folder, so a drive's root keeps its backslash.
std::wstring FolderOf(const std::wstring& file)
{
    const size_t slash = file.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return L".";
    std::wstring folder = file.substr(0, slash);
    if (folder.empty() || folder.back() == L':')
        folder += L'\\';
    return folder;
}

// Makes a move into the folder survive a power loss: the move is only on the
// disk once the folder is, and Wine has no move that waits for it (it ignores
// MOVEFILE_WRITE_THROUGH). Under Wine a folder opened for writing takes
// FlushFileBuffers as an fsync of the folder (for reading only, the flush is
// refused). A file system that cannot open or flush a folder this way gets no
// flush: the file has been replaced by then, and the save stands, as SQLite's
// Unix layer does with its folder sync.
void FlushFolder(const std::wstring& folder)
{
    UniqueHandle handle(CreateFileW(folder.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (handle.get() != INVALID_HANDLE_VALUE)
        FlushFileBuffers(handle.get());
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
    if (CreateDirectoryW(folder.c_str(), nullptr)) {
        // The new folder is only on the disk once the folder it is in is.
        FlushFolder(FolderOf(folder));
        return true;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    *error = L"cannot create its folder " + folder + L": " + SystemMessage(GetLastError());
    return false;
}

// Writes every byte and flushes them. On a disk with too little room, Wine's
// WriteFile takes what fits and reports success without an error code: the
// rest is written again, and that call names the cause (one that takes
// nothing and says nothing is taken for a full disk as well).
bool WriteAndFlush(HANDLE file, const std::string& bytes, DWORD* code)
{
    for (size_t done = 0; done < bytes.size();) {
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                       nullptr)) {
            *code = GetLastError();
            return false;
        }
        if (written == 0) {
            *code = ERROR_DISK_FULL;
            return false;
        }
        done += written;
    }
    if (!FlushFileBuffers(file)) {
        *code = GetLastError();
        return false;
    }
    return true;
}

// Opens the temporary file that a replace writes (see Temporary), for writing
// and for its move; *suffix is what its name adds to the target's. The
// store's is written over; a name of its own is taken only when nothing has it.
HANDLE CreateTemporary(const std::wstring& target, Temporary kind, std::wstring* suffix)
{
    const bool storeNew = kind == Temporary::StoreNew;
    for (unsigned attempt = 0;; ++attempt) {
        wchar_t unique[32];
        std::swprintf(unique, 32, L".%lx-%u.tmp", GetCurrentProcessId(), attempt);
        *suffix = storeNew ? L".new" : unique;
        HANDLE file = CreateFileW((target + *suffix).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                  storeNew ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS || attempt == 99)
            return file;
    }
}
}  // namespace

std::wstring SystemMessage(DWORD code)
{
    if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL)
        return L"the disk is full";
    WCHAR* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<WCHAR*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    message.erase(message.find_last_not_of(L"\r\n ") + 1);
    return message.empty() ? L"system error " + std::to_wstring(code) : message;
}

std::wstring FullPath(const std::wstring& path)
{
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = size ? GetFullPathNameW(path.c_str(), size, &full[0], nullptr) : 0;
    return length > 0 && length < size ? full.substr(0, length) : path;
}

FileStamp StampOf(const std::wstring& path)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(LongForm(path).c_str(), GetFileExInfoStandard, &data)) {
        stamp.exists = true;
        stamp.written = data.ftLastWriteTime;
        stamp.size = (ULONGLONG{ data.nFileSizeHigh } << 32) | data.nFileSizeLow;
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
    const auto cannotRead = [&] {
        *error = L"cannot read it: " + SystemMessage(GetLastError());
        return false;
    };
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size))
        return cannotRead();
    constexpr LONGLONG Largest = 256ll << 20;
    if (size.QuadPart > Largest) {
        *error = L"the file is larger than 256 MB";
        return false;
    }
    // One read: a file takes its whole size at once, or what is left of it.
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file.get(), &(*bytes)[0], static_cast<DWORD>(bytes->size()), &got, nullptr))
        return cannotRead();
    bytes->resize(got);
    return true;
}

bool ReplaceWholeFile(const std::wstring& path, const std::string& bytes, std::wstring* error,
                      Temporary kind)
{
    const std::wstring target = LongForm(path);
    const std::wstring folder = FolderOf(target);
    if (!CreateFolders(folder, error))
        return false;
    // The new file is moved over the target through its own handle (hence
    // DELETE): under Wine that spares MoveFileExW's opening of the file again,
    // round trips to the wineserver on every save, which the folder's flush
    // already adds to.
    std::wstring suffix;
    UniqueHandle file(CreateTemporary(target, kind, &suffix));
    const std::wstring temporary = target + suffix;
    const std::wstring shownTemporary = path + suffix;
    if (file.get() == INVALID_HANDLE_VALUE) {
        *error = L"cannot write " + shownTemporary + L": " + SystemMessage(GetLastError());
        return false;
    }
    // A write or move that fails leaves no temporary file behind.
    const auto fail = [&](const std::wstring& what, DWORD code) {
        file.reset();
        DeleteFileW(temporary.c_str());
        *error = what + SystemMessage(code);
        return false;
    };
    DWORD code = ERROR_SUCCESS;
    if (!WriteAndFlush(file.get(), bytes, &code))
        return fail(L"cannot write " + shownTemporary + L": ", code);
    // The file is flushed: from here on only the move can fail.
    const DWORD nameBytes = static_cast<DWORD>(target.size() * sizeof(WCHAR));
    std::vector<BYTE> rename(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(rename.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = nameBytes;
    std::memcpy(info->FileName, target.data(), nameBytes);
    if (!SetFileInformationByHandle(file.get(), FileRenameInfo, info, static_cast<DWORD>(rename.size())))
        return fail(L"cannot replace it: ", GetLastError());
    file.reset();
    FlushFolder(folder);
    return true;
}
