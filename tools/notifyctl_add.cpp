// notifyctl add: registers an entry the way a device's program would, through
// CeSetUserNotificationEx, and prints its handle.
#include "tools/notifyctl.h"

#include <cwchar>

namespace {
constexpr DWORD MostCopies = 10000;

const std::vector<OptionSpec> AddOptions = {
    { L"--app", true },    { L"--no-app", false }, { L"--args", true },   { L"--type", true },
    { L"--event", true },  { L"--status", true },  { L"--dialog", false }, { L"--flags", true },
    { L"--title", true },  { L"--text", true },    { L"--sound", true },  { L"--start", true },
    { L"--end", true },    { L"--no-trigger", false }, { L"--copies", true },
};

// "YYYY-MM-DD", optionally followed by " HH:MM" or "THH:MM", optionally ":SS"; or "now".
bool ParseTime(const std::wstring& text, SYSTEMTIME* time)
{
    if (text == L"now") {
        GetLocalTime(time);
        return true;
    }
    SYSTEMTIME t = {};
    wchar_t separator = L' ';
    int consumed = 0;
    const int fields = std::swscanf(text.c_str(), L"%4hu-%2hu-%2hu%n%lc%2hu:%2hu%n:%2hu%n", &t.wYear,
                                    &t.wMonth, &t.wDay, &consumed, &separator, &t.wHour, &t.wMinute,
                                    &consumed, &t.wSecond, &consumed);
    const bool shapeOk = (fields == 3 || fields == 6 || fields == 7) &&
                         (fields == 3 || separator == L' ' || separator == L'T') &&
                         static_cast<size_t>(consumed) == text.size();
    if (!shapeOk)
        return false;
    FILETIME file;
    if (t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 || !SystemTimeToFileTime(&t, &file) ||
        !FileTimeToSystemTime(&file, time))
        return false;
    return time->wDay == t.wDay;   // the round trip also fills in the day of the week
}

// A code name as the store file writes it, from what a person may type: the
// SDK's constants too (NOTIFICATION_EVENT_TZ_CHANGE, PUN_DIALOG|PUN_SOUND),
// in any letter case. The store itself reads only its own names.
std::string CodeName(const std::wstring& typed, const std::string& prefix)
{
    std::string name;
    for (char c : Ascii(typed))
        name += c == '_' ? '-' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    std::string out;
    for (size_t start = 0, bar = 0; bar != std::string::npos; start = bar + 1) {
        bar = name.find('|', start);
        std::string part = name.substr(start, bar - start);
        if (part.size() > prefix.size() && part.compare(0, prefix.size(), prefix) == 0)
            part.erase(0, prefix.size());
        out += (start == 0 ? "" : "|") + part;
    }
    return out;
}

// The readers of the parts fill in the entry and return ExitOk, or the code
// of the usage error they reported.
int ReadTrigger(const GivenOptions& o, StoredNotification* e)
{
    const wchar_t* const triggerOptions[] = { L"--app", L"--no-app", L"--args", L"--type",
                                              L"--event", L"--start", L"--end" };
    if (o.Has(L"--no-trigger")) {
        for (const wchar_t* name : triggerOptions) {
            if (o.Has(name))
                return UsageError(std::wstring(L"--no-trigger cannot go with ") + name);
        }
        return ExitOk;
    }
    if (o.Has(L"--app") && o.Has(L"--no-app"))
        return UsageError(L"--app and --no-app exclude each other");
    e->hasTrigger = true;
    const std::wstring* app = o.Value(L"--app");
    if (!o.Has(L"--no-app"))
        e->application = app ? *app : L"\\Windows\\clock.exe";
    if (const std::wstring* args = o.Value(L"--args"))
        e->arguments = *args;
    e->type = o.Has(L"--event") ? CNT_EVENT : CNT_TIME;
    if (const std::wstring* type = o.Value(L"--type");
        type && !ParseTriggerType(CodeName(*type, "cnt-"), &e->type))
        return UsageError(L"--type: unknown kind '" + *type + L"'");
    if (const std::wstring* event = o.Value(L"--event");
        event && !ParseEvent(CodeName(*event, "notification-event-"), &e->event))
        return UsageError(L"--event: unknown event '" + *event + L"'");
    const std::wstring now = L"now";
    const std::wstring* start = o.Value(L"--start");
    if (!ParseTime(start ? *start : now, &e->start))
        return UsageError(L"--start: not a time (YYYY-MM-DD HH:MM[:SS]): '" + *start + L"'");
    e->end = e->start;
    const std::wstring* end = o.Value(L"--end");
    if (end && !ParseTime(*end, &e->end))
        return UsageError(L"--end: not a time (YYYY-MM-DD HH:MM[:SS]): '" + *end + L"'");
    return ExitOk;
}

int ReadUserPart(const GivenOptions& o, StoredNotification* e)
{
    const wchar_t* const userOptions[] = { L"--dialog", L"--flags", L"--title", L"--text", L"--sound" };
    for (const wchar_t* name : userOptions)
        e->hasUser = e->hasUser || o.Has(name);
    if (!e->hasUser)
        return ExitOk;
    if (const std::wstring* given = o.Value(L"--flags");
        given && !ParseActionFlags(CodeName(*given, "pun-"), &e->actionFlags))
        return UsageError(L"--flags: not flags '" + *given + L"'");
    if (o.Has(L"--dialog"))
        e->actionFlags |= PUN_DIALOG;
    if (const std::wstring* title = o.Value(L"--title"))
        e->title = *title;
    if (const std::wstring* text = o.Value(L"--text"))
        e->text = *text;
    if (const std::wstring* sound = o.Value(L"--sound"))
        e->sound = *sound;
    return ExitOk;
}

int ReadNumbers(const GivenOptions& o, StoredNotification* e, DWORD* copies)
{
    if (const std::wstring* status = o.Value(L"--status"); status && !ParseWideNumber(*status, &e->status))
        return UsageError(L"--status: not a number '" + *status + L"'");
    if (const std::wstring* given = o.Value(L"--copies")) {
        if (!ParseWideNumber(*given, copies) || *copies == 0 || *copies > MostCopies)
            return UsageError(L"--copies: a number from 1 to " + std::to_wstring(MostCopies) + L", not '" +
                              *given + L"'");
    }
    return ExitOk;
}

// One call per copy, as separate programs would make them.
int Register(const StoredNotification& entry, DWORD copies)
{
    NotificationParts parts(entry);
    for (DWORD i = 0; i < copies; ++i) {
        HANDLE h = CeSetUserNotificationEx(nullptr, parts.Trigger(), parts.User());
        if (!h)
            return StoreFault(L"the store refused the entry");
        if (entry.status != 0 && !NotifyStoreSetStatus(h, entry.status))
            return StoreFault(L"the store refused the status");
        WriteOut(std::to_wstring(HandleNumber(h)) + L"\n");
    }
    return ExitOk;
}
}  // namespace

int AddCommand(const Words& words)
{
    GivenOptions options;
    if (const int refused = ReadOptions(words, AddOptions, L"add takes options only, not", &options))
        return refused;
    StoredNotification entry;
    DWORD copies = 1;
    if (ReadTrigger(options, &entry) || ReadUserPart(options, &entry) || ReadNumbers(options, &entry, &copies))
        return ExitUsage;
    return Register(entry, copies);
}
