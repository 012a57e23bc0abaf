#include "tests/support/program_process.h"

#include <vector>

#include "app/main_window.h"

std::wstring BuiltProgramPath(const wchar_t* name)
{
    WCHAR self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + name;
}

ProgramProcess::ProgramProcess(std::wstring storePath, std::wstring workFolder)
    : store_(std::move(storePath)), folder_(std::move(workFolder))
{
}

ProgramProcess::~ProgramProcess()
{
    if (info_.hProcess) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool ProgramProcess::Start()
{
    std::wstring exe = BuiltProgramPath(L"Tallyvane.exe");
    std::wstring commandLine = L"\"" + exe + L"\"";
    std::vector<WCHAR> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(0);

    // The child inherits the store's location through the environment.
    WCHAR previous[MAX_PATH] = {};
    const bool hadPrevious = GetEnvironmentVariableW(L"TALLYVANE_STORE", previous, MAX_PATH) > 0;
    SetEnvironmentVariableW(L"TALLYVANE_STORE", store_.empty() ? nullptr : store_.c_str());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    const BOOL started = CreateProcessW(exe.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, folder_.c_str(), &startup, &info_);
    SetEnvironmentVariableW(L"TALLYVANE_STORE", hadPrevious ? previous : nullptr);
    return started != FALSE;
}

bool ProgramProcess::HasEnded() const
{
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0;
}

HWND ProgramProcess::WaitForWindow(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        for (HWND window = FindWindowW(MainWindowClass, MainWindowClass); window;
             window = FindWindowExW(nullptr, window, MainWindowClass, MainWindowClass)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == info_.dwProcessId)
                return window;
        }
        Sleep(20);
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}

DWORD ProgramProcess::WaitForExit(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return STILL_ACTIVE;
        DWORD wait = MsgWaitForMultipleObjects(1, &info_.hProcess, FALSE, milliseconds - elapsed,
                                               QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0)
            break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

DWORD RunBuiltProgram(const wchar_t* name, const std::wstring& arguments, DWORD milliseconds)
{
    const std::wstring exe = BuiltProgramPath(name);
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    std::vector<WCHAR> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(0);

    WCHAR previous[MAX_PATH] = {};
    const bool hadPrevious = GetEnvironmentVariableW(L"TALLYVANE_STORE", previous, MAX_PATH) > 0;
    SetEnvironmentVariableW(L"TALLYVANE_STORE", nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const BOOL started = CreateProcessW(exe.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &info);
    if (hadPrevious)
        SetEnvironmentVariableW(L"TALLYVANE_STORE", previous);
    if (!started)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info.hProcess, milliseconds) == WAIT_OBJECT_0) {
        GetExitCodeProcess(info.hProcess, &code);
    } else {
        TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, 5000);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code;
}
