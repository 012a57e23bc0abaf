#include "tests/support/notifyctl_run.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/support/test_device.h"

namespace {
// One argument as the C runtime of the child splits it back: backslashes are
// literal unless they come before a quotation mark.
std::wstring Quoted(const std::wstring& argument)
{
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

std::wstring TemporaryFile(const wchar_t* prefix)
{
    WCHAR folder[MAX_PATH], name[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, prefix, 0, name);
    return name;
}

HANDLE Inheritable(const std::wstring& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, nullptr, TRUE };
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}
}  // namespace

RunningTool::RunningTool(const std::wstring& store, const std::vector<std::wstring>& arguments,
                         const std::string& input)
    : outPath_(TemporaryFile(L"out")), errPath_(TemporaryFile(L"err")), inPath_(TemporaryFile(L"in"))
{
    std::ofstream(std::filesystem::path(inPath_), std::ios::binary) << input;
    std::wstring line;
    for (const std::wstring& argument : arguments)
        line += (line.empty() ? L"" : L" ") + Quoted(argument);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inheritable(inPath_, GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = Inheritable(outPath_, GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = Inheritable(errPath_, GENERIC_WRITE, CREATE_ALWAYS);
    const bool started = StartBuiltProgram(L"notifyctl.exe", line, store, nullptr, &info_, &startup);
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    EXPECT_TRUE(started) << "cannot start notifyctl: error " << GetLastError();
}

RunningTool::~RunningTool()
{
    EndProcess(&info_);
    for (const std::wstring& path : { outPath_, errPath_, inPath_ })
        DeleteFileW(path.c_str());
}

bool RunningTool::Suspend()
{
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT &&
           SuspendThread(info_.hThread) != DWORD(-1);
}

bool RunningTool::Resume()
{
    return info_.hProcess && ResumeThread(info_.hThread) != DWORD(-1);
}

ToolResult RunningTool::Wait()
{
    ToolResult result;
    if (!info_.hProcess)
        return result;
    EXPECT_EQ(WaitForSingleObject(info_.hProcess, 60000), WAIT_OBJECT_0) << "notifyctl did not end";
    GetExitCodeProcess(info_.hProcess, &result.exitCode);
    EndProcess(&info_);
    result.out = ReadFileBytes(outPath_);
    result.err = ReadFileBytes(errPath_);
    return result;
}

ToolResult RunNotifyctl(const std::wstring& store, const std::vector<std::wstring>& arguments,
                        const std::string& input)
{
    return RunningTool(store, arguments, input).Wait();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}
