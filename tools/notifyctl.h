// notifyctl: the command-line tool over a device's notification store. What
// the device's other programs do (add entries, pile up soft-reset entries)
// and what a desktop user needs (list, clear, export, import, a demo set).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/store/notify_store.h"

enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 2,        // bad command line or input file; nothing was changed
    ExitStoreFault = 3,   // the store, or a file named, could not be read or written
};

using Words = std::vector<std::wstring>;

// The commands; each gets the words after its name.
int ListCommand(const Words& words);
int AddCommand(const Words& words);
int ClearCommand(const Words& words);
int ExportCommand(const Words& words);
int ImportCommand(const Words& words);
int SoftResetCommand(const Words& words);
int DemoCommand(const Words& words);
int PileupsCommand(const Words& words);

// The entries as list writes them: a tab-separated table with a header line,
// or one JSON array.
std::wstring FormatEntries(const std::vector<StoredNotification>& entries, bool json);

// Removes these entries; none at all when any of them is not in the store.
int ClearHandles(const std::vector<DWORD>& handles);

// Output as UTF-8 (or straight to a console window).
void WriteOut(const std::wstring& text);
void WriteErr(const std::wstring& text);

// Report and return the exit code. A usage error points at the help; a bad
// input (a file to import, a handle that is not there) is named alone.
int UsageError(const std::wstring& message);
int InputError(const std::wstring& message);
int StoreFault(const std::wstring& fallback);
int FileFault(const std::wstring& message);

// "N entries", "1 entry": how the writing commands say what they did.
std::wstring Entries(size_t count);

// Options of a command: "--name value", "--name=value" or a bare "--flag".
struct OptionSpec {
    const wchar_t* name;
    bool takesValue;
};
struct GivenOption {
    std::wstring name;
    std::wstring value;
};
// The options given to a command, in the order given.
struct GivenOptions {
    std::vector<GivenOption> given;
    // The option's value ("" for a flag), or null when it was not given.
    const std::wstring* Value(const wchar_t* name) const;
    bool Has(const wchar_t* name) const { return Value(name) != nullptr; }
};
// Reads the words of a command that takes options alone. Returns ExitOk, or
// the code of the usage error it reported: an unknown option, a missing
// value, an option given twice, or, once the options are read, another word
// (named after `stray`).
int ReadOptions(const Words& words, const std::vector<OptionSpec>& specs, const wchar_t* stray,
                GivenOptions* options);

// A number in decimal or 0x hexadecimal.
bool ParseWideNumber(const std::wstring& text, DWORD* value);
std::string Ascii(const std::wstring& text);   // for the name tables; non-ASCII becomes '?'

// What a number of soft resets leave behind, and the demo device.
std::vector<StoredNotification> SoftResetEntries(DWORD times);
std::vector<StoredNotification> DemoEntries();
