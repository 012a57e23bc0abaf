// notifyctl pileups against the program's own Clear, run in this process with
// the real main window on the same store: the tool names exactly the entries
// that Clear removes, and its --clear leaves the store as Clear leaves it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/main_window.h"
#include "platform/store/notify_store.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/notifyctl_run.h"

namespace {

struct SettingValue {
    const wchar_t* name;
    DWORD value;
};

struct PileupCase {
    const char* name;
    std::vector<SettingValue> registry;   // written before the tool runs; none: no key at all
    std::vector<std::wstring> overrides;  // the tool's option words
    DWORD duplicates;                     // the options Clear runs with
    DWORD script;
};

const PileupCase PileupCases[] = {
    { "NeitherOption", {}, {}, 0, 0 },
    { "DuplicatesByOverride", { { L"duplicates", 0 }, { L"script", 1 } },
      { L"--duplicates", L"on", L"--script", L"off" }, 1, 0 },
    // On only when exactly 1, so the 2 leaves the duplicates off.
    { "ScriptFromTheRegistry", { { L"duplicates", 2 }, { L"script", 1 } }, {}, 2, 1 },
    { "BothFromTheRegistry", { { L"duplicates", 1 }, { L"script", 1 } }, {}, 1, 1 },
};

void PrintTo(const PileupCase& pileupCase, std::ostream* out)
{
    *out << pileupCase.name;
}

// The first column of a table as list writes it, below its header.
std::vector<HANDLE> TableHandles(const std::string& table)
{
    std::vector<HANDLE> handles;
    const std::vector<std::string> lines = Lines(table);
    for (size_t i = 1; i < lines.size(); ++i)
        handles.push_back(HandleFromNumber(std::stoul(lines[i].substr(0, lines[i].find('\t')))));
    return handles;
}

class PileupsTest : public MainWindowTest, public ::testing::WithParamInterface<PileupCase> {};

TEST_P(PileupsTest, NamesExactlyWhatClearRemoves)
{
    const PileupCase& given = GetParam();
    ASSERT_EQ(RunNotifyctl(device.StorePath(), { L"demo" }).exitCode, 0u);
    if (!given.registry.empty()) {
        CreateSettingsKey();
        for (const SettingValue& setting : given.registry)
            WriteSettingValue(setting.name, setting.value);
    }
    std::vector<std::wstring> words = { L"pileups" };
    words.insert(words.end(), given.overrides.begin(), given.overrides.end());
    const ToolResult named = RunNotifyctl(device.StorePath(), words);
    ASSERT_EQ(named.exitCode, 0u) << named.err;
    EXPECT_EQ(SettingsKeyExists(), !given.registry.empty()) << "the tool only reads the options";

    const std::wstring copy = device.Folder() + L"\\copy.txt";
    ASSERT_TRUE(CopyFileW(device.StorePath().c_str(), copy.c_str(), FALSE));
    words.push_back(L"--clear");
    const ToolResult cleared = RunNotifyctl(copy, words);
    ASSERT_EQ(cleared.exitCode, 0u) << cleared.err;

    const std::vector<HANDLE> before = device.Handles();
    ASSERT_NE(CreateMain(), nullptr);
    RemoveDuplicates = given.duplicates;
    RemoveScriptEvents = given.script;
    Command(IDC_CLEAR);
    const std::vector<HANDLE> after = device.Handles();
    std::vector<HANDLE> removed;
    for (HANDLE h : before) {
        if (std::find(after.begin(), after.end(), h) == after.end())
            removed.push_back(h);
    }

    EXPECT_EQ(TableHandles(named.out), removed);
    EXPECT_EQ(cleared.out, "cleared " + std::to_string(removed.size()) + " entries\n");
    EXPECT_TRUE(ReadFileBytes(copy) == ReadFileBytes(device.StorePath()))
        << "--clear leaves the store as Clear leaves it";
}

INSTANTIATE_TEST_SUITE_P(EachPairOfOptions, PileupsTest, ::testing::ValuesIn(PileupCases),
                         [](const ::testing::TestParamInfo<PileupCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
