// Runs the real Tallyvane.exe as a process of its own on a test device, and
// finds the programs built beside the test or benchmark that runs.
#pragma once

#include <windows.h>

#include <string>

class ProgramProcess {
public:
    // The program will use this store file and start in this folder. An empty
    // store path leaves the program the device's own store, as a user's start
    // does (TALLYVANE_STORE is kept from it).
    ProgramProcess(std::wstring storePath, std::wstring workFolder)
        : store_(std::move(storePath)), folder_(std::move(workFolder)) {}
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
    HANDLE Handle() const { return info_.hProcess; }

private:
    std::wstring store_;
    std::wstring folder_;
    PROCESS_INFORMATION info_ = {};
};

// A program built beside this one (Tallyvane.exe, notifyctl.exe...).
std::wstring BuiltProgramPath(const wchar_t* name);

// Starts a program built beside this one with these arguments (already quoted
// as needed) in a folder (null: this process's), TALLYVANE_STORE naming the
// store for the child alone (none when empty). Given standard handles
// (STARTF_USESTDHANDLES), the child inherits them and gets no console window.
bool StartBuiltProgram(const wchar_t* name, const std::wstring& arguments, const std::wstring& store,
                       const wchar_t* folder, PROCESS_INFORMATION* info,
                       const STARTUPINFOW* handles = nullptr);

// Ends a started process if it still runs (exit code 99), waits until it is
// gone, and closes its handles.
void EndProcess(PROCESS_INFORMATION* info);

// Runs a program built beside this one with these arguments (already
// quoted as needed) in the device's own settings (no TALLYVANE_STORE) and
// waits for it. Returns its exit code, or STILL_ACTIVE when it did not end in
// time (it is then ended).
DWORD RunBuiltProgram(const wchar_t* name, const std::wstring& arguments, DWORD milliseconds);
