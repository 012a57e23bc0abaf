#include "tests/support/program_process.h"

#include <filesystem>

#include "app/main_window.h"
#include "tests/support/device_names.h"
#include "tests/support/test_device.h"
#include "tools/outside/program_windows.h"

std::wstring BuiltProgramPath(const wchar_t* name)
{
    WCHAR self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(self).replace_filename(name).wstring();
}

bool StartBuiltProgram(const wchar_t* name, const std::wstring& arguments, const std::wstring& store,
                       const wchar_t* folder, PROCESS_INFORMATION* info, const STARTUPINFOW* handles)
{
    const std::wstring exe = BuiltProgramPath(name);
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);

    // The child inherits the store's location through the environment.
    const DWORD size = GetEnvironmentVariableW(StoreVariable, nullptr, 0);
    std::wstring previous(size, L'\0');
    const bool hadPrevious = size > 0 && GetEnvironmentVariableW(StoreVariable, &previous[0], size) > 0;
    SetEnvironmentVariableW(StoreVariable, store.empty() ? nullptr : store.c_str());
    STARTUPINFOW startup = {};
    if (handles)
        startup = *handles;
    startup.cb = sizeof startup;
    const BOOL started = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr,
                                        handles != nullptr, handles ? CREATE_NO_WINDOW : 0, nullptr,
                                        folder, &startup, info);
    SetEnvironmentVariableW(StoreVariable, hadPrevious ? previous.c_str() : nullptr);
    return started != FALSE;
}

void EndProcess(PROCESS_INFORMATION* info)
{
    if (!info->hProcess)
        return;
    // A process told to end is gone long before the wait is up.
    if (WaitForSingleObject(info->hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info->hProcess, 99);
        WaitForSingleObject(info->hProcess, 60000);
    }
    CloseHandle(info->hProcess);
    CloseHandle(info->hThread);
    *info = {};
}

ProgramProcess::~ProgramProcess()
{
    EndProcess(&info_);
}

bool ProgramProcess::Start()
{
    return StartBuiltProgram(L"Tallyvane.exe", L"", store_, folder_.c_str(), &info_);
}

HWND ProgramProcess::WaitForWindow(DWORD milliseconds)
{
    HWND found = nullptr;
    WaitUntil([&] {
        for (found = FindWindowW(MainWindowClass, MainWindowClass); found;
             found = FindWindowExW(nullptr, found, MainWindowClass, MainWindowClass)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            if (owner == info_.dwProcessId)
                return true;
        }
        return false;
    }, milliseconds);
    return found;
}

DWORD ProgramProcess::WaitForExit(DWORD milliseconds)
{
    DWORD code = STILL_ACTIVE;
    if (PumpUntil([&] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }, milliseconds))
        GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

DWORD RunBuiltProgram(const wchar_t* name, const std::wstring& arguments, DWORD milliseconds)
{
    PROCESS_INFORMATION info = {};
    if (!StartBuiltProgram(name, arguments, L"", nullptr, &info))
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info.hProcess, milliseconds) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    EndProcess(&info);
    return code;
}
