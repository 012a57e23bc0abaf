// notifyctl pileups: the entries the program's Clear would remove from this
// device now, chosen by the program's own selection code, and on request
// removed.
#include "tools/notifyctl.h"

#include "cleanup/clear_selection.h"
#include "platform/store/notify_store.h"
#include "settings/settings_store.h"

namespace {
const std::vector<OptionSpec> PileupsOptions = {
    { L"--json", false }, { L"--clear", false }, { L"--duplicates", true }, { L"--script", true },
};

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
// command line overrides them. Returns ExitOk, or the code of the usage error
// it reported.
int ReadClearOptions(const GivenOptions& given, ClearOptions* options)
{
    ReadSettingValues(&options->removeDuplicates, &options->removeScriptEvents);
    for (const GivenOption& option : given.given) {
        DWORD* target = option.name == L"--duplicates" ? &options->removeDuplicates
                        : option.name == L"--script"   ? &options->removeScriptEvents
                                                       : nullptr;
        if (!target)
            continue;
        if (option.value == L"on")
            *target = 1;
        else if (option.value == L"off")
            *target = 0;
        else
            return UsageError(option.name + L": on or off, not '" + option.value + L"'");
    }
    return ExitOk;
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
    GivenOptions options;
    if (const int refused = ReadOptions(words, PileupsOptions, L"pileups takes no argument", &options))
        return refused;
    const bool json = options.Has(L"--json");
    const bool clear = options.Has(L"--clear");
    if (json && clear)
        return UsageError(L"--json and --clear exclude each other");
    ClearOptions clearOptions;
    if (const int refused = ReadClearOptions(options, &clearOptions))
        return refused;

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
