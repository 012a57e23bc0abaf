#include "tests/support/screen_capture.h"

#include <cstdio>
#include <cstdlib>

#include "platform/store/notify_store.h"
#include "tests/support/test_device.h"
#include "tools/outside/program_windows.h"

namespace {

constexpr DWORD CaptureTimeout = 15000;

using UnixNameOf = char*(CDECL*)(const WCHAR*);
using DosNameOf = WCHAR*(CDECL*)(const char*);

template <typename Function>
Function WineExport(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

std::wstring DosPath(const char* unixPath)
{
    auto dosNameOf = WineExport<DosNameOf>("wine_get_dos_file_name");
    WCHAR* name = dosNameOf ? dosNameOf(unixPath) : nullptr;
    if (!name)
        return L"";
    std::wstring path = name;
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

// The Unix file name of a Windows path ("" when Wine cannot tell).
std::string UnixPath(const std::wstring& windowsPath)
{
    auto unixNameOf = WineExport<UnixNameOf>("wine_get_unix_file_name");
    char* name = unixNameOf ? unixNameOf(windowsPath.c_str()) : nullptr;
    if (!name)
        return "";
    std::string path = name;
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

// A path as one word of the shell's command line.
std::string ShellWord(const std::string& path)
{
    return "'" + path + "'";
}

std::wstring TemporaryName(const wchar_t* suffix)
{
    static unsigned counter = 0;
    WCHAR folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    WCHAR name[80];
    wsprintfW(name, L"tallyvane-shot-%lu-%u%s", GetCurrentProcessId(), ++counter, suffix);
    return std::wstring(folder) + name;
}

// The picture, the shell's errors and its exit status, removed at the end.
struct CaptureFiles {
    std::wstring picture = TemporaryName(L".ppm");
    std::wstring errors = TemporaryName(L".err");
    std::wstring done = TemporaryName(L".done");
    ~CaptureFiles()
    {
        for (const std::wstring* path : { &picture, &errors, &done })
            DeleteFileW(path->c_str());
    }
};

}  // namespace

COLORREF Screenshot::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return RGB(255, 255, 255);
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

bool Screenshot::LoadPpm(const std::string& bytes)
{
    int width = 0, height = 0, maximum = 0, header = 0;
    if (sscanf(bytes.c_str(), "P6 %5d %5d %3d%n", &width, &height, &maximum, &header) != 3 || maximum != 255 ||
        width <= 0 || height <= 0)
        return false;
    const size_t at = header + 1;   // the one blank after the header
    const size_t count = static_cast<size_t>(width) * height;
    if (bytes.size() < at + 3 * count)
        return false;
    pixels_.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at + 3 * i);
        pixels_[i] = RGB(p[0], p[1], p[2]);
    }
    width_ = width;
    height_ = height;
    return true;
}

// Wine starts a Unix program like a Windows one but gives no handle to wait
// on, so the shell leaves a file behind when it is done.
bool CaptureScreen(const std::wstring& pngPath, Screenshot* shot, std::string* error)
{
    if (!getenv("DISPLAY")) {
        *error = "no DISPLAY: the screenshots need the X screen the tests run on";
        return false;
    }
    const CaptureFiles files;
    const std::string picture = UnixPath(files.picture);
    const std::string errors = UnixPath(files.errors);
    const std::string done = UnixPath(files.done);
    const std::string png = pngPath.empty() ? "" : UnixPath(pngPath);
    const std::wstring shell = DosPath("/bin/sh");
    if (picture.empty() || shell.empty() || (!pngPath.empty() && png.empty())) {
        *error = "Wine cannot name the files of the screenshot on the Unix side";
        return false;
    }

    // The picture is read once the status is there: only the status, and the
    // PNG kept for a person to look at, appear whole under their names.
    std::string steps = "import -window root -depth 8 ppm:" + ShellWord(picture);
    if (!png.empty())
        steps += " && convert " + ShellWord(picture) + " png:" + ShellWord(png + ".part") + " && mv " +
                 ShellWord(png + ".part") + " " + ShellWord(png);
    const std::string script = "{ " + steps + "; } 2>" + ShellWord(errors) + "; echo $? >" +
                               ShellWord(done + ".part") + "; mv " + ShellWord(done + ".part") + " " +
                               ShellWord(done);
    std::wstring commandLine = L"/bin/sh -c \"" + LenientFromUtf8(script) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(shell.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        *error = "cannot start /bin/sh for the screenshot (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);

    if (!WaitUntil([&] { return GetFileAttributesW(files.done.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   CaptureTimeout)) {
        *error = "no screenshot within 15 s (ImageMagick's import on " + std::string(getenv("DISPLAY")) + ")";
        return false;
    }
    const std::string status = ReadFileBytes(files.done);
    if (atoi(status.c_str()) != 0) {
        *error = "the screenshot failed: " + ReadFileBytes(files.errors);
        return false;
    }
    if (!shot->LoadPpm(ReadFileBytes(files.picture))) {
        *error = "the screenshot is not a picture that can be read";
        return false;
    }
    return true;
}
