// notifyctl pileups: the entries the program's Clear would remove from this
// device now, chosen by the program's own selection code, and on request
// removed.
#include "tools/notifyctl.h"

#include <cstdint>

#include "cleanup/clear_selection.h"
#include "platform/store/notify_store.h"
#include "settings/settings_store.h"

namespace {
// The listing positions a selection walk takes; its steps show nothing here.
class TakenPositions final : public ClearVisitor {
public:
    void Step(DWORD, DWORD) override {}
    void Take(DWORD index) override { taken.push_back(index); }

    std::vector<DWORD> taken;
};

// The two options as the program holds them after its start (read from the
// device's registry; the key is only opened, never made here), then as the
// command line overrides them.
bool ReadClearOptions(const std::vector<GivenOption>& options, std::wstring* error)
{
    RemoveDuplicates = 0;
    ReadSettingValue(L"duplicates", &RemoveDuplicates);
    RemoveScriptEvents = 0;
    ReadSettingValue(L"script", &RemoveScriptEvents);
    for (const GivenOption& option : options) {
        DWORD* target = option.name == L"--duplicates" ? &RemoveDuplicates
                        : option.name == L"--script"   ? &RemoveScriptEvents
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

// Clear's two walks, without clearing anything. Clear lists the store afresh
// for its duplicate walk, once the rule walk's entries are gone: this listing
// without them is what that second listing holds.
std::vector<bool> SelectPileups(const std::vector<StoredNotification>& entries)
{
    std::vector<HANDLE> handles;
    for (const StoredNotification& entry : entries)
        handles.push_back(HandleFromNumber(entry.handle));
    std::vector<bool> taken(handles.size(), false);
    TakenPositions byRules;
    SelectByRules(handles.data(), static_cast<DWORD>(handles.size()), byRules);
    for (DWORD i : byRules.taken)
        taken[i] = true;
    // On only when exactly 1, as for the program.
    if (RemoveDuplicates != 1)
        return taken;

    std::vector<HANDLE> left;
    std::vector<size_t> positions;
    for (size_t i = 0; i < handles.size(); ++i) {
        if (!taken[i]) {
            left.push_back(handles[i]);
            positions.push_back(i);
        }
    }
    std::vector<int> cleared(left.size(), 0);
    TakenPositions laterCopies;
    SelectLaterCopies(left.data(), cleared.data(), static_cast<DWORD>(left.size()), laterCopies);
    for (DWORD k : laterCopies.taken)
        taken[positions[k]] = true;
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
    if (!ReadClearOptions(options, &error))
        return UsageError(error);

    StoreContents store;
    if (!NotifyStoreSnapshot(&store))
        return StoreFault(L"cannot read the store");
    const std::vector<bool> taken = SelectPileups(store.entries);
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
