#include "platform/notify_store_text.h"

namespace {
constexpr char32_t Replacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }
}  // namespace

void AppendUtf8(std::string* out, char32_t c)
{
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUtf16(std::wstring* out, char32_t c)
{
    if (c < 0x10000) {
        out->push_back(static_cast<wchar_t>(c));
        return;
    }
    c -= 0x10000;
    out->push_back(static_cast<wchar_t>(0xD800 | (c >> 10)));
    out->push_back(static_cast<wchar_t>(0xDC00 | (c & 0x3FF)));
}

char32_t NextCodePoint(const std::wstring& text, size_t* pos, bool* unpaired)
{
    char32_t c = static_cast<char16_t>(text[(*pos)++]);
    *unpaired = false;
    if (IsHighSurrogate(c) && *pos < text.size()) {
        char32_t low = static_cast<char16_t>(text[*pos]);
        if (IsLowSurrogate(low)) {
            ++*pos;
            return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    if (IsHighSurrogate(c) || IsLowSurrogate(c))
        *unpaired = true;
    return c;
}

bool DecodeUtf8(const std::string& bytes, size_t* pos, char32_t* c)
{
    const size_t start = *pos;
    const auto lead = static_cast<unsigned char>(bytes[start]);
    size_t length;
    char32_t value;
    char32_t minimum;
    if (lead < 0x80) {
        *c = lead;
        *pos = start + 1;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (bytes.size() - start < length)
        return false;
    for (size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[start + i]);
        if (!IsContinuation(b))
            return false;
        value = (value << 6) | (b & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || IsHighSurrogate(value) || IsLowSurrogate(value))
        return false;
    *c = value;
    *pos = start + length;
    return true;
}

std::string ToUtf8(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        bool unpaired;
        char32_t c = NextCodePoint(text, &pos, &unpaired);
        AppendUtf8(&out, unpaired ? Replacement : c);
    }
    return out;
}

bool FromUtf8(const std::string& bytes, std::wstring* text)
{
    std::wstring out;
    out.reserve(bytes.size());
    size_t pos = 0;
    while (pos < bytes.size()) {
        char32_t c;
        if (!DecodeUtf8(bytes, &pos, &c))
            return false;
        AppendUtf16(&out, c);
    }
    *text = std::move(out);
    return true;
}

std::wstring LenientFromUtf8(const std::string& bytes)
{
    std::wstring out;
    size_t pos = 0;
    while (pos < bytes.size()) {
        char32_t c;
        if (!DecodeUtf8(bytes, &pos, &c)) {
            c = Replacement;
            ++pos;
        }
        AppendUtf16(&out, c);
    }
    return out;
}
