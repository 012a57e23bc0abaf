// The busy cursor and the progress window on their own: real cursors, the
// real dialog built from the program's template, the real progress bar.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/progress.h"
#include "resources/resource.h"
#include "tests/support/pass_recorder.h"

namespace {

// The cursor display count, read without changing it.
int CursorDisplayCount()
{
    const int raised = ShowCursor(TRUE);
    ShowCursor(FALSE);
    return raised - 1;
}

std::wstring ControlText(HWND dialog, int id)
{
    WCHAR text[200] = {};
    GetDlgItemTextW(dialog, id, text, ARRAYSIZE(text));
    return text;
}

class ProgressTest : public ::testing::Test {
protected:
    ProgressTest()
    {
        INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_PROGRESS_CLASS };
        InitCommonControlsEx(&controls);
        AppInstance = GetModuleHandleW(nullptr);
    }
    ~ProgressTest() override
    {
        for (HWND dialog : opened_)
            if (IsWindow(dialog))
                DestroyWindow(dialog);
        ResetProgressStateForTests();
        ResetMainWindowStateForTests();
    }

    HWND Open(HWND owner = nullptr)
    {
        HWND dialog = ProgressOpen(owner);
        if (dialog)
            opened_.push_back(dialog);
        return dialog;
    }

    HWND Bar(HWND dialog) { return GetDlgItem(dialog, IDC_PROGRESS_BAR); }

    std::vector<HWND> opened_;
};

TEST_F(ProgressTest, BusyCursorShowsWaitCursorAndAnyOtherValueRestores)
{
    const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    for (int off : { 0, 2, -1, 100 }) {
        SCOPED_TRACE(off);
        SetCursor(arrow);
        const int shown = CursorDisplayCount();

        BusyCursor(1);
        EXPECT_EQ(GetCursor(), wait);
        EXPECT_EQ(SavedCursor, arrow);
        EXPECT_EQ(CursorDisplayCount(), shown + 1);

        BusyCursor(off);
        EXPECT_EQ(GetCursor(), arrow);
        EXPECT_EQ(SavedCursor, nullptr);
        EXPECT_EQ(CursorDisplayCount(), shown);
    }
}

TEST_F(ProgressTest, BusyCursorGivesBackWhateverCursorWasCurrent)
{
    const HCURSOR cross = LoadCursorW(nullptr, IDC_CROSS);
    SetCursor(cross);
    BusyCursor(1);
    BusyCursor(0);
    EXPECT_EQ(GetCursor(), cross);
}

TEST_F(ProgressTest, OpenShowsTheTemplateOwnedByTheGivenWindow)
{
    HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                 nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    HWND dialog = Open(owner);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
    EXPECT_EQ(ControlText(dialog, IDC_PROGRESS_STATUS), L"Processed 0 of 100 events...");
    EXPECT_EQ(ControlText(dialog, IDC_PROGRESS_TITLE), L"Loading Events");
    WCHAR cls[32] = {};
    GetClassNameW(Bar(dialog), cls, ARRAYSIZE(cls));
    EXPECT_STREQ(cls, PROGRESS_CLASSW);
    DestroyWindow(dialog);
    DestroyWindow(owner);
}

TEST_F(ProgressTest, StartShowsBothLinesAndAnEmptyBar)
{
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    // Leave the bar part-way first, so that an empty bar afterwards means Start emptied it.
    ProgressStep(dialog, L"Processing 3 of 10 events...", 30);
    ASSERT_EQ(SendMessageW(Bar(dialog), PBM_GETPOS, 0, 0), 30);

    ProgressStart(dialog, L"Processing 0 of 7 events...", L"Logging events", 0, 7);
    EXPECT_EQ(ControlText(dialog, IDC_PROGRESS_STATUS), L"Processing 0 of 7 events...");
    EXPECT_EQ(ControlText(dialog, IDC_PROGRESS_TITLE), L"Logging events");
    EXPECT_EQ(SendMessageW(Bar(dialog), PBM_GETPOS, 0, 0), 0);
    PBRANGE range = {};
    SendMessageW(Bar(dialog), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 7);
}

TEST_F(ProgressTest, StepChangesOnlyTheStatusLineAndThePosition)
{
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ProgressStart(dialog, L"Processing 0 of 5 events...", L"Loading events", 0, 5);
    ProgressStep(dialog, L"Processing 4 of 5 events...", 4);
    EXPECT_EQ(ControlText(dialog, IDC_PROGRESS_STATUS), L"Processing 4 of 5 events...");
    EXPECT_EQ(ControlText(dialog, IDC_PROGRESS_TITLE), L"Loading events");
    EXPECT_EQ(SendMessageW(Bar(dialog), PBM_GETPOS, 0, 0), 4);
}

TEST_F(ProgressTest, EachDialogKeepsItsOwnControlsAcrossOpensAndCloses)
{
    HWND first = Open();
    HWND second = Open();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ProgressStart(first, L"Processing 0 of 4 events...", L"Loading events", 0, 4);
    ProgressStart(second, L"Processing 0 of 9 events...", L"Logging events", 0, 9);
    ProgressStep(first, L"Processing 1 of 4 events...", 1);
    ProgressStep(second, L"Processing 2 of 9 events...", 2);
    EXPECT_EQ(ControlText(first, IDC_PROGRESS_STATUS), L"Processing 1 of 4 events...");
    EXPECT_EQ(ControlText(first, IDC_PROGRESS_TITLE), L"Loading events");
    EXPECT_EQ(SendMessageW(Bar(first), PBM_GETPOS, 0, 0), 1);
    EXPECT_EQ(ControlText(second, IDC_PROGRESS_STATUS), L"Processing 2 of 9 events...");
    EXPECT_EQ(ControlText(second, IDC_PROGRESS_TITLE), L"Logging events");
    EXPECT_EQ(SendMessageW(Bar(second), PBM_GETPOS, 0, 0), 2);

    // A dialog opened after the last one served is closed gets its own controls.
    ProgressClose(second);
    HWND third = Open();
    ASSERT_NE(third, nullptr);
    ProgressStep(third, L"Processing 3 of 9 events...", 3);
    EXPECT_EQ(ControlText(third, IDC_PROGRESS_STATUS), L"Processing 3 of 9 events...");
    EXPECT_EQ(SendMessageW(Bar(third), PBM_GETPOS, 0, 0), 3);
    EXPECT_EQ(ControlText(first, IDC_PROGRESS_STATUS), L"Processing 1 of 4 events...");
}

TEST_F(ProgressTest, BoundsAreCutTo16BitsWhilePositionsKeep32)
{
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    PassRecorder recorder;
    ProgressStart(dialog, L"s", L"t", 0x10003, 70000);
    PBRANGE range = {};
    SendMessageW(Bar(dialog), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 3);
    EXPECT_EQ(range.iHigh, 70000 - 65536);

    ProgressStep(dialog, L"s", 70000);
    const std::vector<PassEvent> ranges = recorder.Only(PassEvent::Range);
    ASSERT_EQ(ranges.size(), 1u) << recorder.Describe();
    EXPECT_EQ(ranges[0].wParam, 0u);
    EXPECT_EQ(ranges[0].lParam, MAKELPARAM(3, 70000 - 65536));
    EXPECT_EQ(recorder.Positions(), (std::vector<int>{ 0, 70000 })) << recorder.Describe();
}

TEST_F(ProgressTest, CloseDestroysTheDialogAndIgnoresNull)
{
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ProgressClose(nullptr);
    EXPECT_TRUE(IsWindow(dialog));
    ProgressClose(dialog);
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(ProgressTest, WithoutTheDialogResourceNothingOpensAndNothingChanges)
{
    // A dialog of the program's own is open as the running pass's window;
    // calls with a null dialog must not reach it.
    HWND other = Open();
    ASSERT_NE(other, nullptr);
    ProgressWindow = other;

    AppInstance = GetModuleHandleW(L"kernel32.dll");
    ASSERT_EQ(FindResourceW(AppInstance, MAKEINTRESOURCEW(IDD_PROGRESS), RT_DIALOG), nullptr);
    PassRecorder recorder;
    HWND dialog = ProgressOpen(nullptr);
    EXPECT_EQ(dialog, nullptr);
    ProgressStart(dialog, L"Processing 0 of 3 events...", L"Clearing specific events", 0, 3);
    ProgressStep(dialog, L"Processing 1 of 3 events...", 1);
    ProgressClose(dialog);

    EXPECT_TRUE(recorder.Events().empty()) << recorder.Describe();
    EXPECT_TRUE(IsWindow(other));
    EXPECT_EQ(ControlText(other, IDC_PROGRESS_STATUS), L"Processed 0 of 100 events...");
    EXPECT_EQ(ControlText(other, IDC_PROGRESS_TITLE), L"Loading Events");
}

}  // namespace
