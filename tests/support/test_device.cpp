#include "tests/support/test_device.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/main_window.h"
#include "app/progress.h"
#include "eventlist/duplicates.h"
#include "eventlist/event_list.h"
#include "eventlist/event_pass.h"
#include "eventlist/tap_hold.h"
#include "platform/store/notify_store.h"
#include "platform/store/test_switches.h"
#include "settings/settings_store.h"
#include "tests/support/device_names.h"
#include "tools/outside/program_windows.h"

namespace {
void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// Puts every module's process-wide state back to its start value.
void ResetProgramState()
{
    ResetMainWindowStateForTests();
    ResetProgressStateForTests();
    ResetEventListStateForTests();
    FreeDuplicateFlags();
    ResetTapHoldStateForTests();
    ResetSettingsForTests();
    ResetLogWriteFailure();
    NotifyStoreResetFaults();
}
}  // namespace

TestDevice::TestDevice()
{
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static unsigned counter = 0;
    folder_ = temp + (L"tallyvane-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
    RemoveTree(folder_);
    CreateDirectoryW(folder_.c_str(), nullptr);
    store_ = folder_ + L"\\notifications.txt";

    GetCurrentDirectoryW(MAX_PATH, previousFolder_);
    SetCurrentDirectoryW(folder_.c_str());

    ResetProgramState();
    NotifyStoreUsePath(store_);
}

TestDevice::~TestDevice()
{
    ResetProgramState();
    NotifyStoreUsePath(L"");
    SetCurrentDirectoryW(previousFolder_);
    RemoveTree(folder_);
}

std::wstring TestDevice::LogPath() const
{
    return folder_ + L"\\" + LogFileName;
}

std::vector<HANDLE> TestDevice::Handles() const
{
    // Counting and listing here must not trip a fault set for the code under test.
    NotifyStoreFaults saved = NotifyStoreTestFaults();
    NotifyStoreResetFaults();
    DWORD count = 0;
    std::vector<HANDLE> handles;
    if (CeGetUserNotificationHandles(nullptr, 0, &count) && count > 0) {
        handles.resize(count);
        DWORD got = 0;
        CeGetUserNotificationHandles(handles.data(), count, &got);
        handles.resize(got < count ? got : count);
    }
    NotifyStoreTestFaults() = saved;
    return handles;
}

std::vector<std::wstring> TestDevice::Applications() const
{
    std::vector<std::wstring> names;
    for (HANDLE h : Handles()) {
        DWORD size = 0;
        CeGetUserNotification(h, 0, &size, nullptr);
        std::vector<BYTE> buffer(size + 4);
        auto* header = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(buffer.data());
        if (size == 0 || !CeGetUserNotification(h, size, &size, buffer.data())) {
            names.push_back(L"(unreadable)");
            continue;
        }
        if (header->pcent && header->pcent->lpszApplication)
            names.push_back(header->pcent->lpszApplication);
        else
            names.push_back(L"(null)");
    }
    return names;
}

void DeleteSettingsKey()
{
    RegDeleteKeyW(HKEY_CLASSES_ROOT, SettingsKey);
    RegDeleteKeyW(HKEY_CLASSES_ROOT, L"Mossgrove");
}

bool SettingsKeyExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, SettingsKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void PumpMessagesFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        PumpMessages();
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    return WaitUntil(condition, milliseconds, PumpMessagesFor);
}

std::string ReadFileBytes(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}
