// The Clear command through the real main window and store: what is left in
// the store afterwards, every box, the progress windows and the list's drawing.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/main_window.h"
#include "app/progress.h"
#include "cleanup/cleanup_pass.h"
#include "platform/store/test_switches.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "tests/cleanup/array_tracker.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/pass_recorder.h"

namespace {

using Names = std::vector<std::wstring>;

TestEntry AppEvent(const wchar_t* path, DWORD event)
{
    TestEntry entry = App(path);
    entry.event = event;
    return entry;
}

class ClearTest : public MainWindowTest {
protected:
    ClearTest()
    {
        ArrayTracker::Reset();
        boxes.onShow = [this](HWND) {
            savedAtBox.push_back(SavedCursor);
            liveArraysAtBox.push_back(ArrayTracker::LiveArrays());
            listDrawnAtBox.push_back(ListDrawingOn());
        };
        SetCursor(arrow);
    }
    ~ClearTest() override { ArrayTracker::Reset(); }

    // Starts the program with these options, as if read from the registry.
    void Start(DWORD duplicates, DWORD script)
    {
        ASSERT_NE(CreateMain(), nullptr);
        RemoveDuplicates = duplicates;
        RemoveScriptEvents = script;
        boxes.Clear();
        savedAtBox.clear();
        liveArraysAtBox.clear();
        listDrawnAtBox.clear();
        passes.Clear();
    }

    void Clear()
    {
        liveArraysBefore = ArrayTracker::LiveArrays();
        Command(IDC_CLEAR);
    }

    // The recorded events up to the reload that the Clear command runs last.
    std::vector<PassEvent> CleanupEvents() const
    {
        std::vector<PassEvent> events;
        for (const PassEvent& event : passes.Events()) {
            if (event.kind == PassEvent::Title && event.text == L"Loading events") {
                // Drop the reload's own open and first status line too.
                while (!events.empty() && events.back().kind != PassEvent::Redraw &&
                       events.back().kind != PassEvent::Close)
                    events.pop_back();
                break;
            }
            events.push_back(event);
        }
        return events;
    }

    std::vector<int> CleanupPositions(const std::wstring& title) const
    {
        std::vector<int> positions;
        bool inside = false;
        for (const PassEvent& event : CleanupEvents()) {
            if (event.kind == PassEvent::Title)
                inside = event.text == title;
            else if (event.kind == PassEvent::Close)
                inside = false;
            else if (inside && event.kind == PassEvent::Position)
                positions.push_back(static_cast<int>(event.wParam));
        }
        return positions;
    }

    // Whether the last switch of the list's drawing so far turned it on (the
    // list control keeps that state to itself).
    bool ListDrawingOn() const
    {
        const std::vector<PassEvent> redraws = passes.Only(PassEvent::Redraw);
        return redraws.empty() || redraws.back().wParam == TRUE;
    }

    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    PassRecorder passes;
    std::vector<HCURSOR> savedAtBox;
    std::vector<int> liveArraysAtBox;
    std::vector<bool> listDrawnAtBox;
    int liveArraysBefore = 0;
};

TEST_F(ClearTest, RuleOneTakesTheFileNameExactly)
{
    device.Add(App(L"\\Windows\\connmgr.exe"));
    device.Add(App(L"Connmgr.exe"));
    device.Add(App(L"connmgr.EXE"));
    device.Add(App(L"connmgr.exe"));
    device.Add(App(L"\\Windows\\connmgr.exe.bak"));
    Start(0, 0);
    Clear();
    EXPECT_EQ(device.Applications(), (Names{ L"Connmgr.exe", L"connmgr.EXE",
                                             L"\\Windows\\connmgr.exe.bak" }));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ClearTest, RulesTwoAndThree)
{
    device.Add(App(L"SSTimeChange"));
    device.Add(App(L"\\Windows\\SSTimeChange"));
    device.Add(App(L"sstimechange"));
    device.Add(AppEvent(L"IA_Caller_ID.exe", NOTIFICATION_EVENT_RESTORE_END));
    device.Add(AppEvent(L"\\Windows\\IA_Caller_ID.exe", NOTIFICATION_EVENT_RESTORE_END));
    device.Add(AppEvent(L"IA_Caller_ID.exe", NOTIFICATION_EVENT_WAKEUP));
    device.Add(AppEvent(L"IA_Caller_ID.exe", NOTIFICATION_EVENT_TIME_CHANGE));
    device.Add(AppEvent(L"ia_caller_id.exe", NOTIFICATION_EVENT_RESTORE_END));
    Start(0, 0);
    Clear();
    EXPECT_EQ(device.Applications(),
              (Names{ L"sstimechange", L"IA_Caller_ID.exe", L"IA_Caller_ID.exe", L"ia_caller_id.exe" }));
}

TEST_F(ClearTest, RuleFourOnlyWhenTheScriptOptionIsExactlyOne)
{
    const Names all = { L"SCRIPT:0x000", L"SCRIPT:0x", L"script:0x000", L"SCRIPT:0",
                        L"SCRIPT:0X1", L"\\Windows\\clock.exe" };
    for (const std::wstring& name : all)
        device.Add(App(name.c_str()));
    Start(0, 0);
    for (DWORD off : { 0u, 2u, 0xFFFFFFFFu }) {
        RemoveScriptEvents = off;
        Clear();
        EXPECT_EQ(device.Applications(), all) << "option " << off;
    }
    RemoveScriptEvents = 1;
    Clear();
    EXPECT_EQ(device.Applications(),
              (Names{ L"script:0x000", L"SCRIPT:0", L"SCRIPT:0X1", L"\\Windows\\clock.exe" }));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ClearTest, DuplicatePassRunsOnlyWhenItsOptionIsExactlyOne)
{
    device.Add(App(L"\\Windows\\clock.exe"));
    device.Add(App(L"\\Windows\\clock.exe"));
    Start(2, 0);
    Clear();
    EXPECT_EQ(device.Count(), 2u);
    EXPECT_EQ(passes.Texts(PassEvent::Title),
              (std::vector<std::wstring>{ L"Clearing specific events", L"Loading events" }));

    RemoveDuplicates = 1;
    passes.Clear();
    Clear();
    EXPECT_EQ(device.Count(), 1u);
    EXPECT_EQ(passes.Texts(PassEvent::Title),
              (std::vector<std::wstring>{ L"Clearing specific events", L"Clearing duplicate events",
                                          L"Loading events" }));
}

TEST_F(ClearTest, FirstOfEachGroupStays)
{
    HANDLE a1 = device.Add(App(L"\\Windows\\a.exe"));
    device.Add(App(L"\\Windows\\a.exe"));
    device.Add(App(L"\\Windows\\a.exe"));
    HANDLE b = device.Add(App(L"\\Windows\\b.exe"));
    Start(1, 0);
    Clear();
    EXPECT_EQ(device.Handles(), (std::vector<HANDLE>{ a1, b }));
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(TotalEvents, 2);
    EXPECT_EQ(ListRows().size(), 2u);
}

TEST_F(ClearTest, InterleavedGroupsKeepTheirFirstMembers)
{
    HANDLE a = device.Add(App(L"\\Windows\\a.exe"));
    HANDLE b = device.Add(App(L"\\Windows\\b.exe"));
    device.Add(App(L"\\Windows\\a.exe"));
    device.Add(App(L"\\Windows\\b.exe"));
    Start(1, 0);
    Clear();
    EXPECT_EQ(device.Handles(), (std::vector<HANDLE>{ a, b }));
}

TEST_F(ClearTest, WhatMakesTwoEntriesTheSame)
{
    // Same but for whether they have fired: duplicates.
    TestEntry fired = App(L"\\Windows\\alarm.exe");
    fired.status = CNS_SIGNALLED;
    HANDLE quiet = device.Add(App(L"\\Windows\\alarm.exe"));
    device.Add(fired);
    // Both with a dialog, differing only in the text: kept.
    HANDLE memo1 = device.Add(TestEntry::Dialog(L"\\Windows\\memo.exe", L"Memo", L"first"));
    HANDLE memo2 = device.Add(TestEntry::Dialog(L"\\Windows\\memo.exe", L"Memo", L"second"));
    // ... or only in the title: kept.
    HANDLE memo3 = device.Add(TestEntry::Dialog(L"\\Windows\\memo.exe", L"Note", L"first"));
    // The same without a dialog: kept.
    TestEntry plain = App(L"\\Windows\\memo.exe");
    plain.type = CNT_TIME;
    plain.event = NOTIFICATION_EVENT_NONE;
    HANDLE memo4 = device.Add(plain);
    // A user part without the dialog bit counts as no dialog, whatever its texts.
    TestEntry silent = TestEntry::Dialog(L"\\Windows\\memo.exe", L"Other", L"texts");
    silent.actionFlags = PUN_SOUND;
    device.Add(silent);
    // Another trigger kind or event: kept.
    TestEntry period = plain;
    period.type = CNT_PERIOD;
    HANDLE memo5 = device.Add(period);
    TestEntry evented = plain;
    evented.event = NOTIFICATION_EVENT_WAKEUP;
    HANDLE memo6 = device.Add(evented);
    // An exact copy of a dialog entry: cleared.
    device.Add(TestEntry::Dialog(L"\\Windows\\memo.exe", L"Memo", L"second"));
    Start(1, 0);
    Clear();
    EXPECT_EQ(device.Handles(),
              (std::vector<HANDLE>{ quiet, memo1, memo2, memo3, memo4, memo5, memo6 }));
}

TEST_F(ClearTest, ArgumentsCompareOnlyInTheirFirst79Characters)
{
    const std::wstring stem(78, L'a');
    TestEntry first = App(L"\\Windows\\sync.exe");
    first.arguments = stem + L"b1";
    TestEntry laterOnly = first;
    laterOnly.arguments = stem + L"b2";
    TestEntry within = first;
    within.arguments = stem + L"c1";
    HANDLE kept = device.Add(first);
    device.Add(laterOnly);
    HANDLE different = device.Add(within);
    Start(1, 0);
    Clear();
    EXPECT_EQ(device.Handles(), (std::vector<HANDLE>{ kept, different }));
}

TEST_F(ClearTest, EntriesClearedByRuleTakeNoPartInTheDuplicatePass)
{
    device.Add(App(L"\\Windows\\connmgr.exe"));
    HANDLE a = device.Add(App(L"\\Windows\\a.exe"));
    device.Add(App(L"\\Windows\\a.exe"));
    device.Add(App(L"\\Windows\\connmgr.exe"));
    Start(1, 0);
    Clear();
    EXPECT_EQ(device.Handles(), (std::vector<HANDLE>{ a }));
    std::vector<std::wstring> statuses;
    for (const PassEvent& event : CleanupEvents())
        if (event.kind == PassEvent::Status)
            statuses.push_back(event.text);
    EXPECT_EQ(statuses, (std::vector<std::wstring>{
                            L"Processing 0 of 4 events...", L"Processing 1 of 4 events...",
                            L"Processing 2 of 4 events...", L"Processing 3 of 4 events...",
                            L"Processing 4 of 4 events...", L"Processing 0 of 2 events...",
                            L"Processing 1 of 2 events..." }))
        << passes.Describe();
}

// Both parts as the dialogs and the list see them, up to the reload.
TEST_F(ClearTest, ProgressOfBothPartsAndDrawingOnBeforeTheCursorGoes)
{
    for (const wchar_t* path : { L"\\Windows\\a.exe", L"\\Windows\\b.exe", L"\\Windows\\c.exe",
                                 L"\\Windows\\d.exe" })
        device.Add(App(path));
    Start(1, 0);
    Clear();

    using K = PassEvent;
    struct Step {
        K::Kind kind;
        std::wstring text;
        WPARAM wParam;
    };
    std::vector<Step> expected = {
        { K::Open, L"", 0 },
        { K::Status, L"Processing 0 of 4 events...", 0 },
        { K::Title, L"Clearing specific events", 0 },
        { K::Range, L"", 0 },
        { K::Position, L"", 0 },
        { K::Redraw, L"", FALSE },
    };
    for (int i = 1; i <= 4; ++i) {
        expected.push_back({ K::Status, ProcessingText(i, 4), 0 });
        expected.push_back({ K::Position, L"", static_cast<WPARAM>(i) });
    }
    expected.push_back({ K::Close, L"", 0 });
    expected.push_back({ K::Open, L"", 0 });
    expected.push_back({ K::Status, L"Processing 0 of 4 events...", 0 });
    expected.push_back({ K::Title, L"Clearing duplicate events", 0 });
    expected.push_back({ K::Range, L"", 0 });
    expected.push_back({ K::Position, L"", 0 });
    for (int j = 1; j <= 3; ++j) {
        expected.push_back({ K::Status, ProcessingText(j, 4), 0 });
        expected.push_back({ K::Position, L"", static_cast<WPARAM>(j) });
    }
    expected.push_back({ K::Close, L"", 0 });
    expected.push_back({ K::Redraw, L"", TRUE });

    const std::vector<PassEvent> seen = CleanupEvents();
    ASSERT_EQ(seen.size(), expected.size()) << passes.Describe();
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].kind, expected[i].kind);
        EXPECT_EQ(seen[i].text, expected[i].text);
        EXPECT_EQ(seen[i].wParam, expected[i].wParam);
        EXPECT_TRUE(seen[i].busy) << "the wait cursor stays up to the end";
        if (seen[i].kind == K::Open) {
            EXPECT_EQ(seen[i].owner, MainWindow);
        }
        if (seen[i].kind == K::Range) {
            EXPECT_EQ(seen[i].lParam, MAKELPARAM(0, 4));
        }
    }
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_TRUE(ListDrawingOn());
}

TEST_F(ClearTest, SingleEntryOpensTheDuplicatePassWithoutAStep)
{
    device.Add(App(L"\\Windows\\clock.exe"));
    Start(1, 0);
    Clear();
    EXPECT_EQ(device.Count(), 1u);
    EXPECT_EQ(CleanupPositions(L"Clearing duplicate events"), (std::vector<int>{ 0 }));
    const std::vector<std::wstring> statuses = passes.Texts(PassEvent::Status);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), L"Processing 0 of 1 events..."), 3)
        << "the start of both parts and of the reload";
    EXPECT_EQ(passes.Count(PassEvent::Close), 3u);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ClearTest, SecondListingWithNoHandlesEndsQuietly)
{
    device.Add(App(L"\\Windows\\a.exe"));
    device.Add(App(L"\\Windows\\a.exe"));
    Start(1, 0);
    NotifyStoreResetFaults();
    NotifyStoreTestFaults().listingShortBy = 2;
    NotifyStoreTestFaults().listingShortAt = 2;
    Clear();
    EXPECT_EQ(device.Count(), 2u) << "nothing was compared";
    EXPECT_EQ(CleanupPositions(L"Clearing duplicate events"), (std::vector<int>{ 0 }));
    std::vector<std::wstring> titles = passes.Texts(PassEvent::Title);
    ASSERT_GE(titles.size(), 2u);
    EXPECT_EQ(titles[1], L"Clearing duplicate events");
    const std::vector<std::wstring> statuses = passes.Texts(PassEvent::Status);
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), L"Processing 0 of 0 events..."),
              statuses.end());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ClearTest, EmptyStoreShowsOnlyTheZeroCount)
{
    Start(1, 1);
    Clear();
    // The first box is the clean-up's, the second the reload's own.
    EXPECT_TRUE(BoxesAre(boxes, { { L"Number of notifications is zero!", L"Error", nullptr },
                                  { L"Number of notifications is zero!", L"Error", nullptr } }));
    EXPECT_NE(boxes.Boxes()[0].cursor, wait);
    EXPECT_EQ(savedAtBox[0], nullptr);
    EXPECT_EQ(passes.Count(PassEvent::Open), 0u) << "no part of the pass ran";
    EXPECT_EQ(GetCursor(), arrow);

    boxes.Clear();
    CleanupPass();
    EXPECT_TRUE(BoxesAre(boxes, { { L"Number of notifications is zero!", L"Error", nullptr } }));
}

TEST_F(ClearTest, ClearingEverythingEndsWithTheReloadsBoxAndAnEmptyList)
{
    device.Add(App(L"\\Windows\\connmgr.exe"));
    device.Add(App(L"SSTimeChange"));
    Start(0, 0);
    ASSERT_EQ(ListRows().size(), 2u);
    Clear();
    EXPECT_EQ(device.Count(), 0u);
    EXPECT_TRUE(BoxesAre(boxes, { { L"Number of notifications is zero!", L"Error", nullptr } }));
    EXPECT_TRUE(ListRows().empty());
    EXPECT_EQ(TotalEvents, 0);
    EXPECT_TRUE(ListDrawingOn());
}

TEST_F(ClearTest, WithoutTheProgressDialogTheClearStillCompletes)
{
    device.Add(App(L"\\Windows\\connmgr.exe"));
    device.Add(App(L"\\Windows\\a.exe"));
    device.Add(App(L"\\Windows\\a.exe"));
    Start(1, 0);
    AppInstance = GetModuleHandleW(L"kernel32.dll");
    Clear();
    EXPECT_EQ(device.Applications(), (Names{ L"\\Windows\\a.exe" }));
    EXPECT_EQ(passes.Count(PassEvent::Open), 0u);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(ListRows().size(), 1u);
}

// Each way the pass can fail, set up through the store's faults (counted from
// the moment the test sets them) or by starving one allocation.
struct FailureCase {
    const char* name;
    DWORD duplicates;
    void (*arrange)(TestDevice& device);
    std::wstring text;
    std::wstring caption;
    size_t clearedBeforeFailure;   // entries the rule pass had already cleared
};

// One entry for the rule pass to clear, two for the duplicate pass to compare.
void AddThree(TestDevice& device)
{
    device.Add(App(L"\\Windows\\connmgr.exe"));
    device.Add(App(L"\\Windows\\a.exe"));
    device.Add(App(L"\\Windows\\b.exe"));
}

// Three entries the rule pass keeps; the second listing delivers two of them,
// so the flag array is the pass's only array of 8 bytes.
void ArrangeStarvedFlags(TestDevice& device)
{
    device.Add(App(L"\\Windows\\a.exe"));
    device.Add(App(L"\\Windows\\b.exe"));
    device.Add(App(L"\\Windows\\c.exe"));
    NotifyStoreTestFaults().listingShortBy = 1;
    NotifyStoreTestFaults().listingShortAt = 2;
    ArrayTracker::FailNextOfSize(2 * sizeof(int));
}

const FailureCase FailureCases[] = {
    { "FirstCountFails", 1,
      [](TestDevice& device) {
          AddThree(device);
          NotifyStoreTestFaults().failCount = true;
          NotifyStoreTestFaults().failCountAt = 1;
      },
      L"Failed CeGetUserNotificationHandles!", L"Error", 0 },
    { "FirstHandleArrayCannotBeHad", 1,
      [](TestDevice& device) {
          AddThree(device);
          NotifyStoreTestFaults().reportedCount = 0x3FFFFFFF;
          NotifyStoreTestFaults().reportedCountAt = 1;
      },
      L"Could not allocate mem for pHandles!", L"Out of Memory", 0 },
    { "FirstListingFails", 1,
      [](TestDevice& device) {
          AddThree(device);
          NotifyStoreTestFaults().failListing = true;
          NotifyStoreTestFaults().failListingAt = 1;
      },
      L"Error with CeGetUserNotificationHandles!", L"Error", 0 },
    { "SecondCountFails", 1,
      [](TestDevice& device) {
          AddThree(device);
          NotifyStoreTestFaults().failCount = true;
          NotifyStoreTestFaults().failCountAt = 2;
      },
      L"Error in getting number of notifications 2!", L"Error", 1 },
    { "SecondCountIsZero", 1,
      [](TestDevice& device) {
          device.Add(App(L"\\Windows\\connmgr.exe"));
          device.Add(App(L"SSTimeChange"));
      },
      L"Number of events is zero!", L"Error", 2 },
    { "SecondHandleArrayCannotBeHad", 1,
      [](TestDevice& device) {
          AddThree(device);
          NotifyStoreTestFaults().reportedCount = 0x3FFFFFFF;
          NotifyStoreTestFaults().reportedCountAt = 2;
      },
      L"Could not allocate mem for pHandles!", L"Out of Memory", 1 },
    { "SecondListingFails", 1,
      [](TestDevice& device) {
          AddThree(device);
          NotifyStoreTestFaults().failListing = true;
          NotifyStoreTestFaults().failListingAt = 2;
      },
      L"Error with CeGetUserNotificationHandles!", L"Error", 1 },
    { "ClearedFlagsCannotBeHad", 1, ArrangeStarvedFlags,
      L"Could not allocate memory for deletedArray!", L"Error", 0 },
};

void PrintTo(const FailureCase& failure, std::ostream* out)
{
    *out << failure.name;
}

class ClearFailureTest : public ClearTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ClearFailureTest, ShowsItsBoxWithNothingLeftBehindAndTheReloadStillRuns)
{
    const FailureCase& failure = GetParam();
    Start(failure.duplicates, 0);
    const size_t before = device.Count();
    NotifyStoreResetFaults();
    failure.arrange(device);
    const size_t added = device.Count() - before;
    Clear();

    ASSERT_FALSE(boxes.Boxes().empty());
    const ShownBox& shown = boxes.Boxes()[0];
    EXPECT_EQ(shown.text, failure.text);
    EXPECT_EQ(shown.caption, failure.caption);
    EXPECT_EQ(shown.owner, nullptr);
    EXPECT_NE(shown.cursor, wait) << "the normal cursor is back before the box";
    EXPECT_EQ(savedAtBox[0], nullptr);
    EXPECT_FALSE(shown.progressOpen);
    EXPECT_EQ(liveArraysAtBox[0], liveArraysBefore) << "every array is freed before the box";
    EXPECT_TRUE(listDrawnAtBox[0]) << "the list is drawn again before the box";
    EXPECT_EQ(device.Count(), added - failure.clearedBeforeFailure) << "the rule pass's clears stay";

    // Drawing off and on are paired, and on comes while the pass is still busy.
    const std::vector<PassEvent> redraws = [&] {
        std::vector<PassEvent> picked;
        for (const PassEvent& event : CleanupEvents())
            if (event.kind == PassEvent::Redraw)
                picked.push_back(event);
        return picked;
    }();
    if (!redraws.empty()) {
        ASSERT_EQ(redraws.size(), 2u) << passes.Describe();
        EXPECT_EQ(redraws[1].wParam, static_cast<WPARAM>(TRUE));
        EXPECT_TRUE(redraws[1].busy);
    }

    // The Clear command goes on: a new count and a reload.
    EXPECT_EQ(TotalEvents, static_cast<int>(device.Count()));
    EXPECT_EQ(ListRows().size(), device.Count());
    EXPECT_EQ(GetCursor(), arrow);
    const std::vector<std::wstring> titles = passes.Texts(PassEvent::Title);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), L"Loading events"),
              device.Count() ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(EveryFailure, ClearFailureTest, ::testing::ValuesIn(FailureCases),
                         [](const ::testing::TestParamInfo<FailureCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ClearTest, FlagAllocationFailureReallyStarvedTheFlags)
{
    Start(1, 0);
    NotifyStoreResetFaults();
    ArrangeStarvedFlags(device);
    CleanupPass();
    EXPECT_TRUE(ArrayTracker::FailureUsed());
    EXPECT_TRUE(BoxesAre(boxes, { { L"Could not allocate memory for deletedArray!", L"Error", nullptr } }));
}

}  // namespace
