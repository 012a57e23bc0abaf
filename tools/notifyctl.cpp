#include "tools/notifyctl.h"

#include <algorithm>
#include <cwchar>

namespace {
int HelpCommand(const Words& words);

struct Command {
    const wchar_t* name;
    int (*run)(const Words& words);
};

constexpr Command Commands[] = {
    { L"list", ListCommand },
    { L"add", AddCommand },
    { L"clear", ClearCommand },
    { L"export", ExportCommand },
    { L"import", ImportCommand },
    { L"soft-reset", SoftResetCommand },
    { L"demo", DemoCommand },
    { L"pileups", PileupsCommand },
    { L"help", HelpCommand },
};

constexpr wchar_t Usage[] =
    L"Usage: notifyctl COMMAND [ARGUMENTS]\n"
    L"\n"
    L"Works on the notification store of the device: %TALLYVANE_STORE%, or\n"
    L"C:\\Windows\\notifications.txt. Handles are decimal; 0x hexadecimal is accepted.\n"
    L"\n"
    L"  list [--json]            every entry in listing order, tab-separated with a\n"
    L"                           header line (or one JSON array)\n"
    L"  add [OPTIONS]            add an entry and print its handle:\n"
    L"      --app TEXT | --no-app    program to run (default \\Windows\\clock.exe)\n"
    L"      --args TEXT              its command line (default none)\n"
    L"      --type KIND              event, time, period, classictime or a number\n"
    L"                               (default time, or event with --event)\n"
    L"      --event EVENT            time-change, sync-end, on-ac-power, off-ac-power,\n"
    L"                               net-connect, net-disconnect, device-change,\n"
    L"                               ir-discovered, rs232-detected, restore-end,\n"
    L"                               wakeup, tz-change, none or a number\n"
    L"      --start TIME, --end TIME YYYY-MM-DD[ HH:MM[:SS]] or now (default now)\n"
    L"      --no-trigger             an entry without trigger\n"
    L"      --dialog                 show a dialog (sets the dialog flag)\n"
    L"      --flags FLAGS            led|vibrate|dialog|sound|repeat|private or a number\n"
    L"      --title TEXT, --text TEXT, --sound TEXT\n"
    L"      --status N               header status (1: fired and active)\n"
    L"      --copies N               add N identical entries, one call each\n"
    L"                           Texts are taken as given; a user part exists when any\n"
    L"                           of --dialog, --flags, --title, --text, --sound is given.\n"
    L"  pileups [OPTIONS]        the entries the program's Clear would remove now,\n"
    L"                           listed as list does; its two options are read from\n"
    L"                           the device's registry unless given:\n"
    L"      --duplicates on|off      later copies of a duplicated entry\n"
    L"      --script on|off          missed-call SCRIPT:0x alarms\n"
    L"      --json                   one JSON array\n"
    L"      --clear                  remove them instead, as clear HANDLE... does\n"
    L"  clear HANDLE...          remove these entries (all must exist)\n"
    L"  clear --all              remove every entry\n"
    L"  export FILE              write the store in its own text format (- for output)\n"
    L"  import FILE              add the entries of such a file under new handles\n"
    L"  soft-reset [--times N]   add what N soft resets leave behind (default 1)\n"
    L"  demo                     replace the store with a demo device\n"
    L"  help                     this text\n"
    L"\n"
    L"Exit codes: 0 done, 2 bad command line or input (nothing changed),\n"
    L"3 the store, the device or a file named could not be read or written,\n"
    L"4 (./notifyctl) notifyctl could not be installed, built or started.\n";

int HelpCommand(const Words& words)
{
    if (!words.empty())
        return UsageError(L"help takes no arguments");
    WriteOut(Usage);
    return ExitOk;
}

// The Linux name of a path of the device, which is what a person can open;
// empty when not under Wine. Wine's kernel32 exports the translation.
std::wstring UnixName(const std::wstring& windowsPath)
{
    using UnixNameOf = char*(CDECL*)(const WCHAR*);
    const auto unixNameOf = reinterpret_cast<UnixNameOf>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixNameOf ? unixNameOf(windowsPath.c_str()) : nullptr;
    if (!name)
        return L"";
    const std::wstring wide = LenientFromUtf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return wide;
}
}  // namespace

int UsageError(const std::wstring& message)
{
    WriteErr(L"notifyctl: " + message + L"\nRun 'notifyctl help' for usage.\n");
    return ExitUsage;
}

int InputError(const std::wstring& message)
{
    WriteErr(L"notifyctl: " + message + L"\n");
    return ExitUsage;
}

// The store's faults start with its Windows path; its Linux name follows it.
int StoreFault(const std::wstring& fallback)
{
    const std::wstring path = NotifyStorePath();
    std::wstring error = NotifyStoreLastError();
    if (error.empty())
        error = path + L": " + fallback;
    const std::wstring unixName = UnixName(path);
    if (!unixName.empty() && error.compare(0, path.size(), path) == 0)
        error.insert(path.size(), L" (" + unixName + L")");
    return FileFault(error);
}

int FileFault(const std::wstring& message)
{
    WriteErr(L"notifyctl: " + message + L"\n");
    return ExitStoreFault;
}

std::wstring Entries(size_t count)
{
    return std::to_wstring(count) + (count == 1 ? L" entry" : L" entries");
}

const std::wstring* GivenOptions::Value(const wchar_t* name) const
{
    for (const GivenOption& option : given) {
        if (option.name == name)
            return &option.value;
    }
    return nullptr;
}

int ReadOptions(const Words& words, const std::vector<OptionSpec>& specs, const wchar_t* stray,
                GivenOptions* options)
{
    const std::wstring* other = nullptr;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::wstring& word = words[i];
        if (word.size() < 3 || word.compare(0, 2, L"--") != 0) {
            other = other ? other : &word;
            continue;
        }
        const size_t equals = word.find(L'=');
        const std::wstring name = word.substr(0, equals);
        const auto spec = std::find_if(specs.begin(), specs.end(),
                                       [&](const OptionSpec& candidate) { return name == candidate.name; });
        if (spec == specs.end())
            return UsageError(L"unknown option " + name);
        if (options->Has(name.c_str()))
            return UsageError(name + L" given twice");
        std::wstring value;
        if (spec->takesValue) {
            if (equals != std::wstring::npos)
                value = word.substr(equals + 1);
            else if (i + 1 < words.size())
                value = words[++i];
            else
                return UsageError(name + L" needs a value");
        } else if (equals != std::wstring::npos) {
            return UsageError(name + L" takes no value");
        }
        options->given.push_back({ name, value });
    }
    if (other)
        return UsageError(stray + (L" '" + *other + L"'"));
    return ExitOk;
}

std::string Ascii(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

bool ParseWideNumber(const std::wstring& text, DWORD* value)
{
    return ParseNumber(Ascii(text), value);
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return UsageError(L"no command given");
    const std::wstring name = argv[1];
    const Words words(argv + 2, argv + argc);
    for (const Command& command : Commands) {
        if (name == command.name)
            return command.run(words);
    }
    if (name == L"--help" || name == L"-h")
        return HelpCommand({});
    return UsageError(L"unknown command '" + name + L"'");
}
