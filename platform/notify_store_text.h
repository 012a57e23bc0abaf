// UTF-16 and UTF-8 for the store file and for notifyctl's output, converted
// by Windows itself. The store keeps any UTF-16 text, including unpaired
// surrogates, which UTF-8 cannot carry: callers that must keep them write
// them as escapes.
#pragma once

#include <string>

// ToUtf8 turns unpaired surrogates into U+FFFD; FromUtf8 fails on malformed
// input (a stray or missing continuation byte, an overlong form, an encoded
// surrogate, a value beyond U+10FFFF); LenientFromUtf8 turns it into U+FFFD.
std::string ToUtf8(const std::wstring& text);
bool FromUtf8(const char* bytes, size_t size, std::wstring* text);
std::wstring LenientFromUtf8(const std::string& bytes);

// Backslash escapes for what one line of output cannot hold as it is: tab,
// line ends (\t, \n, \r), other control characters and unpaired surrogates
// (\uXXXX), and each character of alsoEscaped (a backslash before it).
std::wstring Escaped(const std::wstring& text, const wchar_t* alsoEscaped);
