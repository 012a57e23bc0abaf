// notifyctl list: one line per entry with a header line, or one JSON array.
#include "tools/notifyctl.h"

#include <cwchar>

namespace {
std::wstring Wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

// A null text shows as (null) in the table and as null in JSON.
std::wstring TableText(const StoredText& text)
{
    return text ? Escaped(*text, L"\\") : L"(null)";
}

std::wstring JsonText(const StoredText& text)
{
    return text ? L"\"" + Escaped(*text, L"\\\"") + L"\"" : L"null";
}

// "YYYY-MM-DD HH:MM:SS" of a stored time, its fields as they are, even
// when they make no date (an event entry's zero times).
std::wstring TimeText(const SYSTEMTIME& t)
{
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    return text;
}

std::wstring TableRow(const StoredNotification& e)
{
    const std::wstring none = L"(null)";
    const std::wstring fields[] = {
        std::to_wstring(e.handle),
        std::to_wstring(e.status),
        e.hasTrigger ? Wide(TriggerTypeText(e.type)) : L"none",
        e.hasTrigger ? Wide(EventText(e.event)) : L"-",
        e.hasTrigger ? TableText(e.application) : none,
        e.hasTrigger ? TableText(e.arguments) : none,
        e.hasUser ? Wide(ActionFlagsText(e.actionFlags)) : L"none",
        e.hasUser ? TableText(e.title) : none,
        e.hasUser ? TableText(e.text) : none,
        e.hasTrigger ? TimeText(e.start) : L"",
        e.hasTrigger ? TimeText(e.end) : L"",
    };
    std::wstring row;
    for (const std::wstring& field : fields)
        row += (row.empty() ? L"" : L"\t") + field;
    return row + L"\n";
}

std::wstring JsonNumber(bool present, DWORD value)
{
    return present ? std::to_wstring(value) : L"null";
}

std::wstring JsonTime(bool present, const SYSTEMTIME& time)
{
    return present ? L"\"" + TimeText(time) + L"\"" : L"null";
}

std::wstring JsonRow(const StoredNotification& e)
{
    return L"{\"handle\": " + std::to_wstring(e.handle) +
           L", \"status\": " + std::to_wstring(e.status) +
           L", \"type\": " + JsonNumber(e.hasTrigger, e.type) +
           L", \"event\": " + JsonNumber(e.hasTrigger, e.event) +
           L", \"application\": " + JsonText(e.hasTrigger ? e.application : std::nullopt) +
           L", \"arguments\": " + JsonText(e.hasTrigger ? e.arguments : std::nullopt) +
           L", \"flags\": " + JsonNumber(e.hasUser, e.actionFlags) +
           L", \"title\": " + JsonText(e.hasUser ? e.title : std::nullopt) +
           L", \"text\": " + JsonText(e.hasUser ? e.text : std::nullopt) +
           L", \"start\": " + JsonTime(e.hasTrigger, e.start) +
           L", \"end\": " + JsonTime(e.hasTrigger, e.end) + L"}";
}
}  // namespace

// Columns and fields are only ever added at the end, so that scripts that
// pick them by position keep working as well as those that read the header.
std::wstring FormatEntries(const std::vector<StoredNotification>& entries, bool json)
{
    std::wstring out;
    if (!json) {
        out = L"handle\tstatus\ttype\tevent\tapplication\targuments\tflags\ttitle\ttext"
              L"\tstart\tend\n";
        for (const StoredNotification& entry : entries)
            out += TableRow(entry);
        return out;
    }
    out = L"[";
    for (size_t i = 0; i < entries.size(); ++i)
        out += (i ? L",\n  " : L"\n  ") + JsonRow(entries[i]);
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
