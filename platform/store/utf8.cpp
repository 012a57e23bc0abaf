// UTF-16 and UTF-8 for the store file and for notifyctl's output, and the
// escapes for what a line cannot hold as it is.
#include "platform/store/store_private.h"

#include <cwchar>

namespace {
// A UTF-8 byte never makes more than one UTF-16 code unit, so one call
// with that much room converts the whole text.
bool Widen(const char* bytes, size_t size, DWORD flags, std::wstring* text)
{
    text->assign(size, L'\0');
    const int length = size ? MultiByteToWideChar(CP_UTF8, flags, bytes, static_cast<int>(size),
                                                  &(*text)[0], static_cast<int>(size))
                            : 0;
    text->resize(length > 0 ? length : 0);
    return size == 0 || length > 0;
}

// Whether the code unit at `at` is a surrogate without its other half, which
// the conversions refuse (or replace) but cannot say where.
bool IsUnpairedSurrogate(const std::wstring& text, size_t at)
{
    const wchar_t c = text[at];
    if (IS_HIGH_SURROGATE(c))
        return at + 1 >= text.size() || !IS_LOW_SURROGATE(text[at + 1]);
    if (IS_LOW_SURROGATE(c))
        return at == 0 || !IS_HIGH_SURROGATE(text[at - 1]);
    return false;
}
}  // namespace

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    // A code unit never needs more than three UTF-8 bytes (a pair, four).
    // Without WC_ERR_INVALID_CHARS an unpaired surrogate becomes U+FFFD.
    std::string bytes(text.size() * 3, '\0');
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           &bytes[0], static_cast<int>(bytes.size()), nullptr,
                                           nullptr);
    bytes.resize(length);
    return bytes;
}

bool FromUtf8(const char* bytes, size_t size, std::wstring* text)
{
    return Widen(bytes, size, MB_ERR_INVALID_CHARS, text);
}

std::wstring LenientFromUtf8(const std::string& bytes)
{
    std::wstring text;
    Widen(bytes.data(), bytes.size(), 0, &text);
    return text;
}

std::wstring Escaped(const std::wstring& text, const wchar_t* alsoEscaped)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c != 0 && std::wcschr(alsoEscaped, c)) {
            out += L'\\';
            out += c;
        } else if (c == L'\t') {
            out += L"\\t";
        } else if (c == L'\n') {
            out += L"\\n";
        } else if (c == L'\r') {
            out += L"\\r";
        } else if (c < 0x20 || c == 0x7F || IsUnpairedSurrogate(text, i)) {
            wchar_t escape[8];
            std::swprintf(escape, 8, L"\\u%04X", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}
