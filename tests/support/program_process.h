// Runs the real Tallyvane.exe as a process of its own on a test device.
#pragma once

#include <windows.h>

#include <string>

class ProgramProcess {
public:
    // The program will use this store file and start in this folder.
    ProgramProcess(std::wstring storePath, std::wstring workFolder);
    ~ProgramProcess();   // ends the process if it still runs
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Start();
    // The process's main window, once it exists (null after the timeout).
    HWND WaitForWindow(DWORD milliseconds);
    // Waits for the process to end, pumping this thread's messages meanwhile.
    // Returns the exit code, or STILL_ACTIVE after the timeout.
    DWORD WaitForExit(DWORD milliseconds);
    DWORD Id() const { return info_.dwProcessId; }

private:
    std::wstring store_;
    std::wstring folder_;
    PROCESS_INFORMATION info_ = {};
};

// A program built beside the test programs (Tallyvane.exe, notifyctl.exe...).
std::wstring BuiltProgramPath(const wchar_t* name);
