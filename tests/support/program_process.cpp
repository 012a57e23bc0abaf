#include "tests/support/program_process.h"

#include <vector>

#include "app/main_window.h"
#include "tests/support/device_names.h"

std::wstring BuiltProgramPath(const wchar_t* name)
{
    WCHAR self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + name;
}

namespace {
// Starts a program built beside the test programs, giving it TALLYVANE_STORE
// (none when empty): the child inherits the store's location through the
// environment.
bool StartBuilt(const wchar_t* name, const std::wstring& arguments, const std::wstring& store,
                const wchar_t* folder, PROCESS_INFORMATION* info)
{
    const std::wstring exe = BuiltProgramPath(name);
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    std::vector<WCHAR> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(0);

    WCHAR previous[MAX_PATH] = {};
    const bool hadPrevious = GetEnvironmentVariableW(StoreVariable, previous, MAX_PATH) > 0;
    SetEnvironmentVariableW(StoreVariable, store.empty() ? nullptr : store.c_str());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    const BOOL started = CreateProcessW(exe.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, folder, &startup, info);
    SetEnvironmentVariableW(StoreVariable, hadPrevious ? previous : nullptr);
    return started != FALSE;
}
}  // namespace

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
    return StartBuilt(L"Tallyvane.exe", L"", store_, folder_.c_str(), &info_);
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
    PROCESS_INFORMATION info = {};
    if (!StartBuilt(name, arguments, L"", nullptr, &info))
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
