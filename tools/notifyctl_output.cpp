// notifyctl's output: UTF-8 bytes into a pipe or file, wide text into a
// console, so that every character arrives whole either way.
#include "tools/notifyctl.h"

namespace {
void Write(DWORD which, const std::wstring& text)
{
    HANDLE out = GetStdHandle(which);
    if (!out || out == INVALID_HANDLE_VALUE || text.empty())
        return;
    DWORD mode;
    DWORD written;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = ToUtf8(text);
    size_t done = 0;
    while (done < bytes.size()) {
        if (!WriteFile(out, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                       nullptr) ||
            written == 0)
            return;
        done += written;
    }
}
}  // namespace

void WriteOut(const std::wstring& text)
{
    Write(STD_OUTPUT_HANDLE, text);
}

void WriteErr(const std::wstring& text)
{
    Write(STD_ERROR_HANDLE, text);
}
