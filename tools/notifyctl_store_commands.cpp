// notifyctl clear, export and import.
#include "tools/notifyctl.h"

#include <algorithm>

namespace {
bool IsFolder(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// What stands in the way of writing a file at this name, as the user typed
// it, or nothing: the folder it goes in must exist (as with cp, a typo in a
// backup's path creates nothing), and a read-only file there is kept, as the
// store keeps its own.
std::wstring WhyNotExportTo(const std::wstring& file)
{
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (IsFolder(attributes))
        return L"it is a folder";
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return L"the file is read-only";
    const size_t slash = file.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return L"";
    // "/x.txt" and "C:\x.txt" lie in a root, which is always there.
    const std::wstring folder = file.substr(0, slash);
    if (folder.empty() || (folder.size() == 2 && folder[1] == L':'))
        return L"";
    const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES)
        return L"there is no folder '" + folder + L"'";
    if (!IsFolder(folderAttributes))
        return L"'" + folder + L"' is a file, not a folder";
    return L"";
}

bool ReadStandardInput(std::string* bytes)
{
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    char chunk[65536];
    while (true) {
        DWORD got = 0;
        if (!ReadFile(in, chunk, sizeof chunk, &got, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE;
        if (got == 0)
            return true;
        bytes->append(chunk, got);
    }
}

// ExitOk with the file, or the code of the usage error it reported.
int OneFileArgument(const wchar_t* command, const Words& words, std::wstring* file)
{
    if (words.size() != 1 || words[0].empty())
        return UsageError(std::wstring(command) + L" needs one FILE (or - )");
    *file = words[0];
    return ExitOk;
}
}  // namespace

int ClearCommand(const Words& words)
{
    if (words.empty())
        return UsageError(L"clear needs HANDLE... or --all");
    if (std::find(words.begin(), words.end(), L"--all") != words.end()) {
        for (const std::wstring& word : words) {
            if (word != L"--all")
                return UsageError(L"clear --all takes nothing else, not '" + word + L"'");
        }
        if (words.size() > 1)
            return UsageError(L"--all given twice");
        if (!NotifyStoreClearAll())
            return StoreFault(L"cannot clear the store");
        WriteOut(L"cleared all entries\n");
        return ExitOk;
    }

    std::vector<DWORD> handles;
    for (const std::wstring& word : words) {
        if (word.size() > 2 && word.compare(0, 2, L"--") == 0)
            return UsageError(L"unknown option " + word);
        DWORD handle;
        if (!ParseWideNumber(word, &handle) || handle == 0)
            return UsageError(L"not a handle: '" + word + L"'");
        if (std::find(handles.begin(), handles.end(), handle) == handles.end())
            handles.push_back(handle);
    }
    return ClearHandles(handles);
}

int ClearHandles(const std::vector<DWORD>& handles)
{
    std::vector<HANDLE> entries;
    for (DWORD handle : handles)
        entries.push_back(HandleFromNumber(handle));
    std::vector<HANDLE> absent;
    if (NotifyStoreClearEntries(entries, &absent)) {
        WriteOut(L"cleared " + Entries(entries.size()) + L"\n");
        return ExitOk;
    }
    if (absent.empty())
        return StoreFault(L"cannot clear the entries");
    std::wstring missing;
    for (HANDLE handle : absent)
        missing += (missing.empty() ? L"" : L", ") + std::to_wstring(HandleNumber(handle));
    return InputError(L"no entry with handle " + missing + L"; nothing was cleared");
}

int ExportCommand(const Words& words)
{
    std::wstring file;
    if (const int refused = OneFileArgument(L"export", words, &file))
        return refused;
    std::string text;
    size_t entries;
    if (!NotifyStoreText(&text, &entries))
        return StoreFault(L"cannot read the store");
    if (file == L"-") {
        WriteOut(LenientFromUtf8(text));
        return ExitOk;
    }
    if (const std::wstring why = WhyNotExportTo(file); !why.empty())
        return FileFault(L"cannot export to '" + file + L"': " + why);
    std::wstring error;
    if (!ReplaceWholeFile(file, text, &error, Temporary::NewTemporary))
        return FileFault(file + L": " + error);
    WriteOut(L"exported " + Entries(entries) + L" to " + file + L"\n");
    return ExitOk;
}

int ImportCommand(const Words& words)
{
    std::wstring file;
    if (const int refused = OneFileArgument(L"import", words, &file))
        return refused;
    std::string bytes;
    std::wstring error;
    if (file == L"-") {
        if (!ReadStandardInput(&bytes))
            return UsageError(L"cannot read the standard input");
    } else {
        bool exists;
        if (IsFolder(GetFileAttributesW(file.c_str())))
            return InputError(file + L": is a folder, not a file of entries");
        if (!ReadWholeFile(file, &bytes, &exists, &error))
            return InputError(file + L": " + error);
        if (!exists)
            return InputError(file + L": no such file");
    }
    StoreContents imported;
    if (!ParseStore(bytes, &imported, &error))
        return InputError(file + L": " + error + L"; nothing was imported");
    if (!NotifyStoreAddEntries(imported.entries, false, nullptr))
        return StoreFault(L"cannot add the entries");
    WriteOut(L"imported " + Entries(imported.entries.size()) + L"\n");
    return ExitOk;
}

int SoftResetCommand(const Words& words)
{
    GivenOptions options;
    if (const int refused = ReadOptions(words, { { L"--times", true } }, L"soft-reset takes no argument", &options))
        return refused;
    DWORD times = 1;
    constexpr DWORD MostResets = 1000;
    const std::wstring* given = options.Value(L"--times");
    if (given && (!ParseWideNumber(*given, &times) || times == 0 || times > MostResets))
        return UsageError(L"--times: a number from 1 to " + std::to_wstring(MostResets) + L", not '" + *given +
                          L"'");
    const std::vector<StoredNotification> entries = SoftResetEntries(times);
    if (!NotifyStoreAddEntries(entries, false, nullptr))
        return StoreFault(L"cannot add the entries");
    WriteOut(L"added " + Entries(entries.size()) + L" for " + std::to_wstring(times) +
             (times == 1 ? L" soft reset\n" : L" soft resets\n"));
    return ExitOk;
}

int DemoCommand(const Words& words)
{
    if (!words.empty())
        return UsageError(L"demo takes no arguments");
    const std::vector<StoredNotification> entries = DemoEntries();
    if (!NotifyStoreAddEntries(entries, true, nullptr))
        return StoreFault(L"cannot write the demo entries");
    WriteOut(L"replaced the store with the demo device's " + Entries(entries.size()) + L"\n");
    return ExitOk;
}
