// Runs notifyctl.exe (beside the test program) as a separate process on a
// chosen store, the way a user or another program of the device would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/program_process.h"

struct ToolResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;   // standard output, UTF-8
    std::string err;   // standard error, UTF-8
};

// Runs to the end; `input` becomes its standard input.
ToolResult RunNotifyctl(const std::wstring& store, const std::vector<std::wstring>& arguments,
                        const std::string& input = "");

// A notifyctl run that the test waits for, or kills, itself.
class RunningTool {
public:
    RunningTool(const std::wstring& store, const std::vector<std::wstring>& arguments,
                const std::string& input = "");
    ~RunningTool();
    RunningTool(const RunningTool&) = delete;
    RunningTool& operator=(const RunningTool&) = delete;

    bool Started() const { return info_.hProcess != nullptr; }
    ToolResult Wait();                     // to its end
    void Kill() { EndProcess(&info_); }    // TerminateProcess, then waits for it to be gone
    // Stops the tool where it is, or lets it go on; false once it has ended.
    bool Suspend();
    bool Resume();

private:
    PROCESS_INFORMATION info_ = {};
    std::wstring outPath_, errPath_, inPath_;
};

// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string& text);
