// notifyctl list: one line per entry with a header line, or one JSON array.
#include "tools/notifyctl.h"

#include "platform/notify_store.h"
#include "platform/notify_store_names.h"
#include "platform/notify_store_text.h"

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
           L", \"text\": " + JsonText(e.hasUser ? e.text : std::nullopt) + L"}";
}
}  // namespace

int ListCommand(const Words& words)
{
    std::vector<GivenOption> options;
    Words rest;
    std::wstring error;
    if (!ReadOptions(words, { { L"--json", false } }, &options, &rest, &error))
        return UsageError(error);
    if (!rest.empty())
        return UsageError(L"list takes no argument '" + rest.front() + L"'");
    StoreContents store;
    if (!NotifyStoreSnapshot(&store))
        return StoreFault(L"cannot read the store");

    std::wstring out;
    if (options.empty()) {
        out = L"handle\tstatus\ttype\tevent\tapplication\targuments\tflags\ttitle\ttext\n";
        for (const StoredNotification& entry : store.entries)
            out += TableRow(entry);
    } else {
        out = L"[";
        for (size_t i = 0; i < store.entries.size(); ++i)
            out += (i ? L",\n  " : L"\n  ") + JsonRow(store.entries[i]);
        out += store.entries.empty() ? L"]\n" : L"\n]\n";
    }
    WriteOut(out);
    return ExitOk;
}
