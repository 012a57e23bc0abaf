// notifyctl list: one line per entry with a header line, or one JSON array.
#include "tools/notifyctl.h"

#include <cwchar>

namespace {
// "YYYY-MM-DD HH:MM:SS" of a stored time, its fields as they are, even
// when they make no date (an event entry's zero times).
std::wstring TimeText(const SYSTEMTIME& t)
{
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    return text;
}

// One field of an entry: its name, which heads the table's column and keys
// the JSON, and the field as each of the two shows it.
struct Field {
    const wchar_t* name;
    std::wstring table;
    std::wstring json;
};

// A code shows by its name in the table, as a number in JSON.
Field Code(const wchar_t* name, bool present, DWORD code, const std::string& text, const wchar_t* absent)
{
    return { name, present ? std::wstring(text.begin(), text.end()) : absent,
             present ? std::to_wstring(code) : L"null" };
}

// A null text, or one of a part the entry lacks, shows as (null) in the
// table and as null in JSON.
Field Text(const wchar_t* name, bool present, const StoredText& text)
{
    if (!present || !text)
        return { name, L"(null)", L"null" };
    return { name, Escaped(*text, L"\\"), L"\"" + Escaped(*text, L"\\\"") + L"\"" };
}

Field Time(const wchar_t* name, bool present, const SYSTEMTIME& time)
{
    return { name, present ? TimeText(time) : L"", present ? L"\"" + TimeText(time) + L"\"" : L"null" };
}

// Columns and fields are only ever added at the end, so that scripts that
// pick them by position keep working as well as those that read the header.
std::vector<Field> FieldsOf(const StoredNotification& e)
{
    const bool trigger = e.hasTrigger;
    const bool user = e.hasUser;
    return {
        { L"handle", std::to_wstring(e.handle), std::to_wstring(e.handle) },
        { L"status", std::to_wstring(e.status), std::to_wstring(e.status) },
        Code(L"type", trigger, e.type, TriggerTypeText(e.type), L"none"),
        Code(L"event", trigger, e.event, EventText(e.event), L"-"),
        Text(L"application", trigger, e.application),
        Text(L"arguments", trigger, e.arguments),
        Code(L"flags", user, e.actionFlags, ActionFlagsText(e.actionFlags), L"none"),
        Text(L"title", user, e.title),
        Text(L"text", user, e.text),
        Time(L"start", trigger, e.start),
        Time(L"end", trigger, e.end),
    };
}

std::wstring TableLine(const std::vector<Field>& fields, bool header)
{
    std::wstring line;
    for (const Field& field : fields)
        line += (line.empty() ? L"" : L"\t") + (header ? field.name : field.table);
    return line + L"\n";
}

std::wstring JsonObject(const std::vector<Field>& fields)
{
    std::wstring object;
    for (const Field& field : fields)
        object += (object.empty() ? L"{\"" : L", \"") + (field.name + (L"\": " + field.json));
    return object + L"}";
}
}  // namespace

std::wstring FormatEntries(const std::vector<StoredNotification>& entries, bool json)
{
    if (!json) {
        std::wstring out = TableLine(FieldsOf({}), true);
        for (const StoredNotification& entry : entries)
            out += TableLine(FieldsOf(entry), false);
        return out;
    }
    std::wstring out = L"[";
    for (size_t i = 0; i < entries.size(); ++i)
        out += (i ? L",\n  " : L"\n  ") + JsonObject(FieldsOf(entries[i]));
    return out + (entries.empty() ? L"]\n" : L"\n]\n");
}

int ListCommand(const Words& words)
{
    GivenOptions options;
    if (const int refused = ReadOptions(words, { { L"--json", false } }, L"list takes no argument", &options))
        return refused;
    StoreContents store;
    if (!NotifyStoreSnapshot(&store))
        return StoreFault(L"cannot read the store");
    WriteOut(FormatEntries(store.entries, options.Has(L"--json")));
    return ExitOk;
}
