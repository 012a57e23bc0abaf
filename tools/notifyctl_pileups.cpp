// notifyctl pileups: the entries the program's Clear would remove from this
// device now, chosen by the program's own selection code, and on request
// removed.
#include "tools/notifyctl.h"

#include "cleanup/clear_selection.h"
#include "platform/store/notify_store.h"
#include "settings/settings_store.h"

namespace {
// Flags each entry a selection walk takes; its steps show nothing here.
class FlagTaken final : public ClearVisitor {
public:
    explicit FlagTaken(std::vector<int>& taken) : taken_(taken) {}
    void Step(DWORD, DWORD) override {}
    void Take(DWORD index) override { taken_[index] = 1; }

private:
    std::vector<int>& taken_;
};

// The two options as the program holds them after its start (read from the
// device's registry; the key is only opened, never made here), then as the
// command line overrides them.
bool ReadClearOptions(const std::vector<GivenOption>& given, ClearOptions* options,
                      std::wstring* error)
{
    ReadSettingValues(&options->removeDuplicates, &options->removeScriptEvents);
    for (const GivenOption& option : given) {
        DWORD* target = option.name == L"--duplicates" ? &options->removeDuplicates
                        : option.name == L"--script"   ? &options->removeScriptEvents
                                                       : nullptr;
        if (!target)
            continue;
        if (option.value == L"on")
            *target = 1;
        else if (option.value == L"off")
            *target = 0;
        else {
            *error = option.name + L": on or off, not '" + option.value + L"'";
            return false;
        }
    }
    return true;
}

// Clear's two walks, without clearing anything: a flag of 1 for each entry
// taken. Clear lists the store afresh for its duplicate walk, once the rule
// walk's entries are gone; flagged, they take no part in it here either.
std::vector<int> SelectPileups(const std::vector<StoredNotification>& entries,
                               const ClearOptions& options)
{
    std::vector<HANDLE> handles;
    for (const StoredNotification& entry : entries)
        handles.push_back(HandleFromNumber(entry.handle));
    const DWORD count = static_cast<DWORD>(handles.size());
    std::vector<int> taken(count, 0);
    FlagTaken flagging(taken);
    SelectByRules(handles.data(), count, options, flagging);
    // On only when exactly 1, as for the program.
    if (options.removeDuplicates == 1)
        SelectLaterCopies(handles.data(), taken.data(), count, flagging);
    return taken;
}
}  // namespace

int PileupsCommand(const Words& words)
{
    std::vector<GivenOption> options;
    Words rest;
    std::wstring error;
    if (!ReadOptions(words,
                     { { L"--json", false }, { L"--clear", false }, { L"--duplicates", true },
                       { L"--script", true } },
                     &options, &rest, &error))
        return UsageError(error);
    if (!rest.empty())
        return UsageError(L"pileups takes no argument '" + rest.front() + L"'");
    bool json = false;
    bool clear = false;
    for (const GivenOption& option : options) {
        json = json || option.name == L"--json";
        clear = clear || option.name == L"--clear";
    }
    if (json && clear)
        return UsageError(L"--json and --clear exclude each other");
    ClearOptions clearOptions;
    if (!ReadClearOptions(options, &clearOptions, &error))
        return UsageError(error);

    StoreContents store;
    if (!NotifyStoreSnapshot(&store))
        return StoreFault(L"cannot read the store");
    const std::vector<int> taken = SelectPileups(store.entries, clearOptions);
    std::vector<StoredNotification> pileups;
    for (size_t i = 0; i < taken.size(); ++i) {
        if (taken[i])
            pileups.push_back(store.entries[i]);
    }
    if (!clear) {
        WriteOut(FormatEntries(pileups, json));
        return ExitOk;
    }
    std::vector<DWORD> handles;
    for (const StoredNotification& entry : pileups)
        handles.push_back(entry.handle);
    return ClearHandles(handles);
}
