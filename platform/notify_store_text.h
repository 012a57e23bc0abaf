// UTF-16 and UTF-8 for the store file and for notifyctl's output. The store
// keeps any UTF-16 text, including unpaired surrogates, which UTF-8 cannot
// carry: callers that must keep them write them as escapes.
#pragma once

#include <string>

// Appends one code point as UTF-8.
void AppendUtf8(std::string* out, char32_t c);

// Appends one code point as UTF-16.
void AppendUtf16(std::wstring* out, char32_t c);

// Reads the code point that starts at *pos and moves *pos past it. At an
// unpaired surrogate it returns that surrogate and sets *unpaired.
char32_t NextCodePoint(const std::wstring& text, size_t* pos, bool* unpaired);

// Decodes one UTF-8 sequence at *pos; false (and *pos unchanged) when it is
// malformed: a stray or missing continuation byte, an overlong form, an
// encoded surrogate, or a value beyond U+10FFFF.
bool DecodeUtf8(const std::string& bytes, size_t* pos, char32_t* c);

// Whole-text conversions. ToUtf8 turns unpaired surrogates into U+FFFD;
// FromUtf8 fails on malformed input; LenientFromUtf8 turns it into U+FFFD.
std::string ToUtf8(const std::wstring& text);
bool FromUtf8(const std::string& bytes, std::wstring* text);
std::wstring LenientFromUtf8(const std::string& bytes);
