// The store's text file, written and read back: the format is described in
// docs/store-format.md. Nothing here knows about locks, caches or the calls.
#include "platform/store/store_private.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <unordered_map>

namespace {
constexpr char Magic[] = "tallyvane-notifications";
constexpr DWORD FormatVersion = 1;

std::string TimeText(const SYSTEMTIME& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u %u", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
    return text;
}

void AppendField(std::string* out, const char* name, const std::string& value)
{
    *out += "  ";
    *out += name;
    *out += ' ';
    *out += value;
    *out += '\n';
}

void AppendTextField(std::string* out, const char* name, const StoredText& text)
{
    AppendField(out, name, text ? '"' + ToUtf8(Escaped(*text, L"\\\"")) + '"' : "null");
}
}  // namespace

std::string EntryText(const StoredNotification& e)
{
    std::string out = "entry " + std::to_string(e.handle) + "\n";
    AppendField(&out, "status", std::to_string(e.status));
    AppendField(&out, "trigger", e.hasTrigger ? TriggerTypeText(e.type) : "none");
    if (e.hasTrigger) {
        AppendField(&out, "event", EventText(e.event));
        AppendTextField(&out, "application", e.application);
        AppendTextField(&out, "arguments", e.arguments);
        AppendField(&out, "start-time", TimeText(e.start));
        AppendField(&out, "end-time", TimeText(e.end));
    }
    AppendField(&out, "user", e.hasUser ? ActionFlagsText(e.actionFlags) : "none");
    if (e.hasUser) {
        AppendTextField(&out, "title", e.title);
        AppendTextField(&out, "text", e.text);
        AppendTextField(&out, "sound", e.sound);
        AppendField(&out, "max-sound", std::to_string(e.maxSound));
    }
    return out + "end\n\n";
}

std::string StoreText(DWORD nextHandle, const std::vector<std::string_view>& entryTexts)
{
    std::string out = Magic;
    out += " " + std::to_string(FormatVersion) + "\n";
    out += "# Notification store of a Tallyvane device; the format is in docs/store-format.md.\n";
    out += "next-handle " + std::to_string(nextHandle) + "\n\n";
    constexpr char Tail[] = "end-of-store\n";
    size_t size = out.size() + sizeof Tail;
    for (std::string_view text : entryTexts)
        size += text.size();
    out.reserve(size);
    for (std::string_view text : entryTexts)
        out += text;
    out += Tail;
    return out;
}

namespace {
// Without the blanks (spaces and tabs) at either end.
std::string Trimmed(const std::string& line)
{
    const size_t start = line.find_first_not_of(" \t");
    return start == std::string::npos ? std::string()
                                      : line.substr(start, line.find_last_not_of(" \t") + 1 - start);
}

// A token from the file for an error message: short, and readable whatever
// bytes it holds; a control character would act on the terminal that shows
// the message.
std::wstring Shown(const std::string& token)
{
    constexpr size_t Longest = 40;
    std::wstring text = Escaped(LenientFromUtf8(token.substr(0, Longest)), L"");
    if (token.size() > Longest)
        text += L"...";
    return L"'" + text + L"'";
}

// A value's fault, for the caller to put after the field's name.
bool Fault(std::wstring* fault, const std::wstring& what)
{
    *fault = what;
    return false;
}

bool ParseEscape(const std::string& v, size_t* pos, std::wstring* out, std::wstring* fault)
{
    if (*pos >= v.size())
        return Fault(fault, L"a backslash ends the text");
    const char c = v[(*pos)++];
    switch (c) {
    case '\\': out->push_back(L'\\'); return true;
    case '"': out->push_back(L'"'); return true;
    case 't': out->push_back(L'\t'); return true;
    case 'n': out->push_back(L'\n'); return true;
    case 'r': out->push_back(L'\r'); return true;
    case 'u': {
        const std::string digits = v.substr(*pos, 4);
        DWORD value;
        if (digits.size() != 4 || !ParseNumber("0x" + digits, &value))
            return Fault(fault, L"bad escape: \\u needs four hexadecimal digits");
        *pos += 4;
        if (value == 0)
            return Fault(fault, L"\\u0000 is not allowed in a text");
        out->push_back(static_cast<wchar_t>(value));
        return true;
    }
    default:
        return Fault(fault, L"bad escape " + Shown(std::string("\\") + c));
    }
}

// The bytes that end a run of plain characters in a text, which converts in
// one go: no UTF-8 sequence holds them.
bool EndsPlainRun(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return c == '"' || c == '\\' || (b < 0x20 && c != '\t') || b == 0x7F;
}

bool ParseText(const std::string& v, StoredText* text, std::wstring* fault)
{
    if (v == "null") {
        text->reset();
        return true;
    }
    if (v.empty() || v[0] != '"')
        return Fault(fault, L"a text is null or in double quotes");
    std::wstring out;
    size_t pos = 1;
    while (true) {
        size_t stop = pos;
        while (stop < v.size() && !EndsPlainRun(v[stop]))
            ++stop;
        std::wstring plain;
        if (!FromUtf8(v.data() + pos, stop - pos, &plain))
            return Fault(fault, L"bad UTF-8 in the text");
        out += plain;
        pos = stop;
        if (pos >= v.size())
            return Fault(fault, L"the text has no closing quote");
        if (v[pos] == '"') {
            ++pos;
            break;
        }
        if (v[pos] != '\\')
            return Fault(fault, L"a control character in a text must be written as an escape");
        ++pos;
        if (!ParseEscape(v, &pos, &out, fault))
            return false;
    }
    if (pos != v.size())
        return Fault(fault, L"text after the closing quote");
    *text = std::move(out);
    return true;
}

// "YYYY-MM-DD hh:mm:ss.mmm D": the eight fields of a SYSTEMTIME, the day of
// the week last, kept as given.
bool ParseTime(const std::string& v, SYSTEMTIME* time)
{
    SYSTEMTIME parsed = {};
    WORD* const fields[] = { &parsed.wYear, &parsed.wMonth, &parsed.wDay, &parsed.wHour,
                             &parsed.wMinute, &parsed.wSecond, &parsed.wMilliseconds,
                             &parsed.wDayOfWeek };
    const char* at = v.data();
    const char* const last = at + v.size();
    for (size_t i = 0; i < 8; ++i) {
        if (i > 0 && (at == last || *at++ != "-- ::. "[i - 1]))
            return false;
        const auto [end, fault] = std::from_chars(at, last, *fields[i]);
        if (fault != std::errc() || end - at > 5)
            return false;
        at = end;
    }
    if (at != last)
        return false;
    *time = parsed;
    return true;
}

// Readers of a field's value into its member of the entry; on a fault they
// say what, for the caller to put after the field's name.
using E = StoredNotification;

template <auto Member, auto Parse>
bool ReadValue(const std::string& v, E* e, std::wstring* fault)
{
    return Parse(v, &(e->*Member)) || Fault(fault, L"bad value " + Shown(v));
}

template <auto Member>
bool ReadText(const std::string& v, E* e, std::wstring* fault)
{
    return ParseText(v, &(e->*Member), fault);
}

// A part's kind or flags, or "none" for an entry without that part.
template <auto Has, auto Member, auto Parse>
bool ReadPart(const std::string& v, E* e, std::wstring* fault)
{
    e->*Has = v != "none";
    return !(e->*Has) || ReadValue<Member, Parse>(v, e, fault);
}

enum class Part { Entry, Trigger, User };

struct Field {
    const char* name;
    Part part;
    bool (*read)(const std::string& v, E* e, std::wstring* fault);
};

constexpr Field Fields[] = {
    { "status", Part::Entry, ReadValue<&E::status, ParseNumber> },
    { "trigger", Part::Entry, ReadPart<&E::hasTrigger, &E::type, ParseTriggerType> },
    { "event", Part::Trigger, ReadValue<&E::event, ParseEvent> },
    { "application", Part::Trigger, ReadText<&E::application> },
    { "arguments", Part::Trigger, ReadText<&E::arguments> },
    { "start-time", Part::Trigger, ReadValue<&E::start, ParseTime> },
    { "end-time", Part::Trigger, ReadValue<&E::end, ParseTime> },
    { "user", Part::Entry, ReadPart<&E::hasUser, &E::actionFlags, ParseActionFlags> },
    { "title", Part::User, ReadText<&E::title> },
    { "text", Part::User, ReadText<&E::text> },
    { "sound", Part::User, ReadText<&E::sound> },
    { "max-sound", Part::User, ReadValue<&E::maxSound, ParseNumber> },
};

class StoreParser {
public:
    StoreParser(const std::string& bytes, std::wstring* error)
        : bytes_(bytes), pos_(bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0), error_(error)
    {
    }

    bool Run(StoreContents* contents)
    {
        if (!ReadHeader())
            return false;
        while (NextSignificant()) {
            if (key_ == "end-of-store" && value_.empty()) {
                if (NextSignificant())
                    return FailHere(L"text after 'end-of-store'");
                contents->nextHandle = nextHandle_;
                contents->entries = std::move(entries_);
                return true;
            }
            if (!ReadEntry())
                return false;
        }
        return FailHere(L"the file ends without 'end-of-store' (truncated)");
    }

private:
    bool Fail(unsigned line, const std::wstring& what)
    {
        *error_ = L"line " + std::to_wstring(line) + L": " + what;
        return false;
    }
    bool FailHere(const std::wstring& what) { return Fail(lineNumber_, what); }

    // The next line: a line feed ends it, a carriage return before that is dropped.
    bool NextLine(std::string* line)
    {
        if (pos_ >= bytes_.size())
            return false;
        const size_t end = std::min(bytes_.find('\n', pos_), bytes_.size());
        line->assign(bytes_, pos_, (end > pos_ && bytes_[end - 1] == '\r' ? end - 1 : end) - pos_);
        pos_ = end + 1;
        ++lineNumber_;
        return true;
    }

    // The next line that is neither blank nor a comment, split into its key
    // and the value after the first space.
    bool NextSignificant()
    {
        std::string line;
        while (NextLine(&line)) {
            line = Trimmed(line);
            if (line.empty() || line[0] == '#')
                continue;
            const size_t space = line.find(' ');
            key_ = line.substr(0, space);
            value_ = space == std::string::npos ? std::string() : Trimmed(line.substr(space + 1));
            return true;
        }
        return false;
    }

    bool ReadHeader()
    {
        std::string line;
        const std::wstring notStore =
            L"not a notification store: the first line must be 'tallyvane-notifications 1'";
        if (!NextLine(&line))
            return Fail(1, L"the file is empty; " + notStore);
        line = Trimmed(line);
        const size_t space = line.find(' ');
        DWORD version;
        if (line.substr(0, space) != Magic || space == std::string::npos ||
            !ParseNumber(line.substr(space + 1), &version))
            return Fail(1, notStore);
        if (version != FormatVersion)
            return Fail(1, L"format version " + std::to_wstring(version) +
                               L" is not supported (this program reads version 1)");
        if (!NextSignificant() || key_ != "next-handle")
            return FailHere(L"expected 'next-handle' after the first line");
        if (!ParseNumber(value_, &nextHandle_) || nextHandle_ == 0)
            return FailHere(L"bad next-handle " + Shown(value_));
        return true;
    }

    // One block, from "entry N" to its "end".
    bool ReadEntry()
    {
        if (key_ != "entry")
            return FailHere(L"expected 'entry' or 'end-of-store', found " + Shown(key_));
        DWORD handle;
        if (!ParseNumber(value_, &handle))
            return FailHere(L"bad handle " + Shown(value_));
        if (handle == 0)
            return FailHere(L"handle 0 is not allowed");
        if (handle >= nextHandle_)
            return FailHere(L"handle " + std::to_wstring(handle) + L" is not below next-handle " +
                            std::to_wstring(nextHandle_));
        const auto first = firstLine_.find(handle);
        if (first != firstLine_.end())
            return FailHere(L"handle " + std::to_wstring(handle) + L" appears twice (first at line " +
                            std::to_wstring(first->second) + L")");
        firstLine_.emplace(handle, lineNumber_);
        entry_ = StoredNotification();
        entry_.handle = handle;
        for (unsigned& line : seenAt_)
            line = 0;
        while (NextSignificant()) {
            if (key_ == "end" && value_.empty())
                return EndEntry();
            if (!FieldLine())
                return false;
        }
        return FailHere(L"the file ends inside entry " + std::to_wstring(handle) + L" (truncated)");
    }

    bool FieldLine()
    {
        const Field* field = nullptr;
        for (const Field& candidate : Fields) {
            if (key_ == candidate.name)
                field = &candidate;
        }
        if (!field) {
            if (key_ == "entry" || key_ == "end-of-store")
                return FailHere(L"entry " + std::to_wstring(entry_.handle) + L" has no 'end' line");
            return FailHere(L"unknown field " + Shown(key_));
        }
        unsigned& seen = seenAt_[field - Fields];
        if (seen)
            return FailHere(L"field " + Shown(field->name) + L" given twice (first at line " +
                            std::to_wstring(seen) + L")");
        seen = lineNumber_;
        std::wstring fault;
        if (!field->read(value_, &entry_, &fault))
            return FailHere(L"field " + Shown(field->name) + L": " + fault);
        return true;
    }

    // Every field of a part that is there must be given; none of a part that is not.
    bool EndEntry()
    {
        for (const Field& field : Fields) {
            const bool wanted = field.part == Part::Entry ||
                                (field.part == Part::Trigger && entry_.hasTrigger) ||
                                (field.part == Part::User && entry_.hasUser);
            const unsigned seen = seenAt_[&field - Fields];
            if (wanted && !seen)
                return FailHere(L"entry " + std::to_wstring(entry_.handle) + L" has no " + Shown(field.name));
            if (!wanted && seen)
                return Fail(seen, L"field " + Shown(field.name) + L" in an entry with " +
                                      (field.part == Part::Trigger ? L"trigger none" : L"user none"));
        }
        entries_.push_back(entry_);
        return true;
    }

    const std::string& bytes_;
    size_t pos_;                 // where the next line starts
    unsigned lineNumber_ = 0;    // of the line last read
    std::wstring* error_;
    std::string key_;
    std::string value_;
    DWORD nextHandle_ = 1;
    StoredNotification entry_;
    unsigned seenAt_[std::size(Fields)] = {};   // the line of each field in this entry
    std::unordered_map<DWORD, unsigned> firstLine_;
    std::vector<StoredNotification> entries_;
};
}  // namespace

bool ParseStore(const std::string& bytes, StoreContents* contents, std::wstring* error)
{
    return StoreParser(bytes, error).Run(contents);
}
