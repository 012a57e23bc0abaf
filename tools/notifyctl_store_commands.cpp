// notifyctl clear, export and import.
#include "tools/notifyctl.h"

#include <algorithm>
#include <cstdint>

#include "platform/notify_store.h"
#include "platform/notify_store_file.h"
#include "platform/notify_store_text.h"

namespace {
int ClearAll()
{
    if (!NotifyStoreAddEntries({}, true, nullptr))
        return StoreFault(L"cannot clear the store");
    return ExitOk;
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

bool OneFileArgument(const wchar_t* command, const Words& words, std::wstring* file, int* exitCode)
{
    if (words.size() != 1 || words[0].empty()) {
        *exitCode = UsageError(std::wstring(command) + L" needs one FILE (or - )");
        return false;
    }
    *file = words[0];
    return true;
}
}  // namespace

int ClearCommand(const Words& words)
{
    if (words.size() == 1 && words[0] == L"--all")
        return ClearAll();
    if (words.empty())
        return UsageError(L"clear needs HANDLE... or --all");

    std::vector<DWORD> handles;
    for (const std::wstring& word : words) {
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
        entries.push_back(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle)));
    std::vector<HANDLE> absent;
    if (NotifyStoreClearEntries(entries, &absent))
        return ExitOk;
    if (absent.empty())
        return StoreFault(L"cannot clear the entries");
    std::wstring missing;
    for (HANDLE handle : absent)
        missing += (missing.empty() ? L"" : L", ") +
                   std::to_wstring(static_cast<DWORD>(reinterpret_cast<uintptr_t>(handle)));
    return UsageError(L"no entry with handle " + missing + L"; nothing was cleared");
}

int ExportCommand(const Words& words)
{
    std::wstring file;
    int exitCode;
    if (!OneFileArgument(L"export", words, &file, &exitCode))
        return exitCode;
    StoreContents store;
    if (!NotifyStoreSnapshot(&store))
        return StoreFault(L"cannot read the store");
    const std::string text = FormatStore(store);
    if (file == L"-") {
        WriteOut(LenientFromUtf8(text));
        return ExitOk;
    }
    std::wstring error;
    if (!ReplaceWholeFile(file, text, &error)) {
        WriteErr(L"notifyctl: " + file + L": " + error + L"\n");
        return ExitStoreFault;
    }
    return ExitOk;
}

int ImportCommand(const Words& words)
{
    std::wstring file;
    int exitCode;
    if (!OneFileArgument(L"import", words, &file, &exitCode))
        return exitCode;
    std::string bytes;
    std::wstring error;
    if (file == L"-") {
        if (!ReadStandardInput(&bytes))
            return UsageError(L"cannot read the standard input");
    } else {
        bool exists;
        if (!ReadWholeFile(file, &bytes, &exists, &error))
            return UsageError(file + L": " + error);
        if (!exists)
            return UsageError(file + L": no such file");
    }
    StoreContents imported;
    if (!ParseStore(bytes, &imported, &error))
        return UsageError(file + L": " + error + L"; nothing was imported");
    if (!NotifyStoreAddEntries(imported.entries, false, nullptr))
        return StoreFault(L"cannot add the entries");
    WriteOut(L"imported " + std::to_wstring(imported.entries.size()) + L" entries\n");
    return ExitOk;
}

int SoftResetCommand(const Words& words)
{
    std::vector<GivenOption> options;
    Words rest;
    std::wstring error;
    if (!ReadOptions(words, { { L"--times", true } }, &options, &rest, &error))
        return UsageError(error);
    if (!rest.empty())
        return UsageError(L"soft-reset takes no argument '" + rest.front() + L"'");
    DWORD times = 1;
    constexpr DWORD MostResets = 1000;
    if (!options.empty() &&
        (!ParseWideNumber(options[0].value, &times) || times == 0 || times > MostResets))
        return UsageError(L"--times: a number from 1 to " + std::to_wstring(MostResets) + L", not '" +
                          options[0].value + L"'");
    const std::vector<StoredNotification> entries = SoftResetEntries(times);
    if (!NotifyStoreAddEntries(entries, false, nullptr))
        return StoreFault(L"cannot add the entries");
    WriteOut(L"added " + std::to_wstring(entries.size()) + L" entries for " + std::to_wstring(times) +
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
    WriteOut(L"demo device: " + std::to_wstring(entries.size()) + L" entries\n");
    return ExitOk;
}
