// Loading the event list through the real main window and store: rows, the
// boxes of every failure, the warning, progress, Refresh and the total line.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <optional>

#include "app/main_window.h"
#include "app/progress.h"
#include "eventlist/event_pass.h"
#include "platform/store/test_switches.h"
#include "resources/resource.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/pass_recorder.h"

namespace {

using Rows = std::vector<std::vector<std::wstring>>;

// The main window on a fresh device, with the progress dialog and the list's
// drawing watched, and the state of the busy cursor kept for every box.
class EventPassTest : public MainWindowTest {
protected:
    EventPassTest()
    {
        boxes.onShow = [this](HWND) { savedAtBox.push_back(SavedCursor); };
        SetCursor(arrow);
    }

    // A box shown after the pass had put the normal cursor back.
    void ExpectShownIdle(size_t index)
    {
        ASSERT_LT(index, boxes.Boxes().size());
        EXPECT_NE(boxes.Boxes()[index].cursor, wait) << "box " << index;
        EXPECT_EQ(savedAtBox[index], nullptr) << "box " << index;
        EXPECT_FALSE(boxes.Boxes()[index].progressOpen) << "box " << index;
    }

    HANDLE RowHandle(int row)
    {
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        SendMessageW(EventListWindow, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return reinterpret_cast<HANDLE>(item.lParam);
    }

    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    std::optional<PassRecorder> recorder{ std::in_place };
    std::vector<HCURSOR> savedAtBox;
};

TEST_F(EventPassTest, LoadFillsOneRowPerNotificationWithItsHandle)
{
    TestEntry signalled = App(L"\\Windows\\alarm1.exe");
    signalled.type = CNT_TIME;
    signalled.event = NOTIFICATION_EVENT_NONE;
    signalled.status = CNS_SIGNALLED;
    std::vector<HANDLE> added = {
        device.Add(App(L"\\Windows\\alarm0.exe")),
        device.Add(signalled),
        device.Add(TestEntry::Dialog(L"\\Windows\\calendar.exe", L"Meeting", L"Room 4\nBring notes")),
    };
    ASSERT_NE(CreateMain(), nullptr);

    const Rows expected = {
        { L"alarm0.exe", L"CNT_EVENT", L"InActive", L"WAKEUP", L"", L"", L"AppRunAtTime" },
        { L"alarm1.exe", L"CNT_TIME", L"Active", L"NONE", L"", L"", L"AppRunAtTime" },
        { L"calendar.exe", L"CNT_TIME", L"InActive", L"NONE", L"Meeting", L"Room 4:Bring notes",
          L"AppRunAtTime" },
    };
    EXPECT_EQ(ListRows(), expected);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(RowHandle(row), added[row]) << "row " << row;
    EXPECT_EQ(TotalEvents, 3);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(EventPass(Load), 3u);
    EXPECT_EQ(ListRows(), expected) << "a second load starts from an empty list";
}

TEST_F(EventPassTest, EmptyStoreLeavesListEmptyWithItsBox)
{
    device.Add(App(L"\\Windows\\alarm0.exe"));
    device.Add(App(L"\\Windows\\alarm1.exe"));
    ASSERT_NE(CreateMain(), nullptr);
    ASSERT_EQ(ListRows().size(), 2u);

    for (HANDLE h : device.Handles())
        ASSERT_TRUE(CeClearUserNotification(h));
    EXPECT_EQ(EventPass(Load), 0u);
    EXPECT_TRUE(ListRows().empty());
    EXPECT_TRUE(BoxesAre(boxes, { { L"Number of notifications is zero!", L"Error", nullptr } }));
    ExpectShownIdle(0);
    EXPECT_EQ(GetCursor(), arrow);
}

TEST_F(EventPassTest, FailedCountsShowTheirBoxesWithTheCursorAlreadyBack)
{
    device.Add(App(L"\\Windows\\alarm0.exe"));
    NotifyStoreTestFaults().failCount = true;
    ASSERT_NE(CreateMain(), nullptr);
    EXPECT_EQ(TotalEvents, 0);
    EXPECT_TRUE(ListRows().empty());

    Command(IDM_REFRESH);
    EXPECT_TRUE(BoxesAre(boxes, {
                                    { L"Error in getting number of notifications 1!", L"Error", nullptr },
                                    { L"Failed to count user notification handles!", L"Error", nullptr },
                                    { L"Error in getting number of notifications 1!", L"Error", nullptr },
                                }));
    for (size_t i = 0; i < boxes.Boxes().size(); ++i)
        ExpectShownIdle(i);
    EXPECT_EQ(TotalEvents, 0);
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_EQ(recorder->Count(PassEvent::Open), 0u);
    EXPECT_EQ(recorder->Count(PassEvent::Redraw), 0u) << "an early stop leaves drawing as it was";
}

TEST_F(EventPassTest, HandleArrayThatCannotBeHadStopsTheLoadAfterTheWarning)
{
    device.Add(App(L"\\Windows\\alarm0.exe"));
    // A count no 32-bit process can hold handles for.
    NotifyStoreTestFaults().reportedCount = 0x3FFFFFFF;
    ASSERT_NE(CreateMain(), nullptr);
    EXPECT_TRUE(BoxesAre(
        boxes,
        { { L"Warning: You have 1073741823 events on your system which is very high! This may "
            L"take a while to load...",
            L"Warning", nullptr },
          { L"Could not allocate mem for pHandles!", L"Out of Memory", nullptr } }));
    EXPECT_EQ(boxes.Boxes()[0].cursor, wait) << "the warning comes while the pass is busy";
    ExpectShownIdle(1);
    EXPECT_EQ(TotalEvents, 0);
    EXPECT_TRUE(ListRows().empty());
}

// The owner during the first load at creation (none) is checked with the
// allocation failure above; two loads of 300 rows are slow enough already.
TEST_F(EventPassTest, WarningFromThreeHundredOwnedByTheMainWindow)
{
    // The hook that watches the dialog costs a round trip to the server for
    // every message; with 300 rows duplicate marking alone sends 45 000 x 7.
    recorder.reset();
    const std::vector<HANDLE> handles = device.AddAlarms(300);
    ASSERT_EQ(handles.size(), 300u);
    ASSERT_TRUE(CeClearUserNotification(handles.back()));
    ASSERT_NE(CreateMain(), nullptr);
    EXPECT_TRUE(boxes.Boxes().empty()) << "299 give no warning";
    EXPECT_EQ(ListRows().size(), 299u);
    EXPECT_EQ(TotalEvents, 299);

    device.Add(App(L"\\Windows\\alarm299.exe"));
    Command(IDM_REFRESH);
    EXPECT_TRUE(BoxesAre(boxes, { { L"Warning: You have 300 events on your system which is very "
                                    L"high! This may take a while to load...",
                                    L"Warning", MainWindow } }));
    EXPECT_EQ(ListRows().size(), 300u) << "the pass goes on after the warning";
    EXPECT_EQ(TotalEvents, 300);
}

TEST_F(EventPassTest, UnreadableNotificationLeavesNoGap)
{
    std::vector<HANDLE> added;
    for (int i = 0; i < 5; ++i) {
        WCHAR path[64];
        wsprintfW(path, L"\\Windows\\alarm%d.exe", i);
        added.push_back(device.Add(App(path)));
    }
    NotifyStoreTestFaults().failRead = added[2];
    ASSERT_NE(CreateMain(), nullptr);

    EXPECT_EQ(TotalEvents, 5);
    const Rows rows = ListRows();
    const Rows expected = {
        { L"alarm0.exe", L"CNT_EVENT", L"InActive", L"WAKEUP", L"", L"", L"AppRunAtTime" },
        { L"alarm1.exe", L"CNT_EVENT", L"InActive", L"WAKEUP", L"", L"", L"AppRunAtTime" },
        { L"alarm3.exe", L"CNT_EVENT", L"InActive", L"WAKEUP", L"", L"", L"AppRunAtTime" },
        { L"alarm4.exe", L"CNT_EVENT", L"InActive", L"WAKEUP", L"", L"", L"AppRunAtTime" },
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(RowHandle(2), added[3]);
    EXPECT_EQ(RowHandle(3), added[4]);
    EXPECT_TRUE(boxes.Boxes().empty());

    NotifyStoreResetFaults();
    NotifyStoreTestFaults().zeroSizeRead = added[0];
    EXPECT_EQ(EventPass(Load), 5u);
    EXPECT_EQ(ListRows().size(), 4u);
    EXPECT_EQ(RowHandle(0), added[1]);
}

TEST_F(EventPassTest, ShortListingCoversWhatWasDelivered)
{
    for (const wchar_t* path : { L"\\Windows\\a.exe", L"\\Windows\\b.exe", L"\\Windows\\c.exe" })
        device.Add(App(path));
    NotifyStoreTestFaults().listingShortBy = 1;
    ASSERT_NE(CreateMain(), nullptr);
    EXPECT_EQ(TotalEvents, 3);
    EXPECT_EQ(ListRows().size(), 2u);
    EXPECT_EQ(recorder->Texts(PassEvent::Status).back(), L"Processing 2 of 2 events...");
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(EventPassTest, ListingWithNoHandlesOpensAndClosesTheProgressWindow)
{
    for (const wchar_t* path : { L"\\Windows\\a.exe", L"\\Windows\\b.exe", L"\\Windows\\c.exe" })
        device.Add(App(path));
    NotifyStoreTestFaults().listingShortBy = 3;
    ASSERT_NE(CreateMain(), nullptr);
    EXPECT_EQ(TotalEvents, 3);
    EXPECT_TRUE(ListRows().empty());
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(recorder->Count(PassEvent::Open), 1u);
    EXPECT_EQ(recorder->Count(PassEvent::Close), 1u);
    EXPECT_EQ(recorder->Texts(PassEvent::Status),
              (std::vector<std::wstring>{ L"Processing 0 of 0 events..." }));
    EXPECT_EQ(recorder->Positions(), (std::vector<int>{ 0 })) << recorder->Describe();
}

// The whole load as the dialog and the list see it, in order.
TEST_F(EventPassTest, ProgressCountsEveryHandleAndDrawingComesBackLast)
{
    for (int i = 0; i < 5; ++i) {
        WCHAR path[64];
        wsprintfW(path, L"\\Windows\\alarm%d.exe", i);
        device.Add(App(path));
    }
    ASSERT_NE(CreateMain(), nullptr);

    using K = PassEvent;
    struct Step {
        K::Kind kind;
        std::wstring text;
        WPARAM wParam;
        bool busy;
    };
    std::vector<Step> expected = {
        { K::Open, L"", 0, true },
        { K::Status, L"Processing 0 of 5 events...", 0, true },
        { K::Title, L"Loading events", 0, true },
        { K::Range, L"", 0, true },
        { K::Position, L"", 0, true },
        { K::Redraw, L"", FALSE, true },
    };
    for (int i = 1; i <= 5; ++i) {
        expected.push_back({ K::Status, ProcessingText(i, 5), 0, true });
        expected.push_back({ K::Position, L"", static_cast<WPARAM>(i), true });
    }
    expected.push_back({ K::Close, L"", 0, false });
    expected.push_back({ K::Redraw, L"", TRUE, false });

    const std::vector<PassEvent>& seen = recorder->Events();
    ASSERT_EQ(seen.size(), expected.size()) << recorder->Describe();
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].kind, expected[i].kind);
        EXPECT_EQ(seen[i].text, expected[i].text);
        EXPECT_EQ(seen[i].wParam, expected[i].wParam);
        EXPECT_EQ(seen[i].busy, expected[i].busy);
    }
    EXPECT_EQ(seen[0].owner, nullptr) << "the first load runs before MainWindow is set";
    EXPECT_EQ(seen[3].lParam, MAKELPARAM(0, 5));
    EXPECT_EQ(GetCursor(), arrow);

    recorder->Clear();
    Command(IDM_REFRESH);
    ASSERT_FALSE(recorder->Events().empty());
    EXPECT_EQ(recorder->Events()[0].kind, PassEvent::Open);
    EXPECT_EQ(recorder->Events()[0].owner, MainWindow);
}

TEST_F(EventPassTest, WithoutTheProgressDialogTheLoadStillCompletes)
{
    device.Add(App(L"\\Windows\\alarm0.exe"));
    ASSERT_NE(CreateMain(), nullptr);
    device.Add(App(L"\\Windows\\alarm1.exe"));
    recorder->Clear();
    AppInstance = GetModuleHandleW(L"kernel32.dll");
    Command(IDM_REFRESH);
    EXPECT_EQ(ListRows().size(), 2u);
    EXPECT_EQ(TotalEvents, 2);
    EXPECT_EQ(recorder->Count(PassEvent::Open), 0u);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(GetCursor(), arrow);
}

// Whether the total line shows exactly this text: the window's pixels against
// the same text drawn with a device context's defaults. The "Clear" button
// covers the line from x 125 on, so only what lies left of it is compared.
bool TotalLineShows(HWND window, const wchar_t* text)
{
    UpdateWindow(window);
    const RECT line = { 3, 2, 183, 17 };
    const int visibleWidth = 125 - line.left;
    const int width = line.right - line.left;
    const int height = line.bottom - line.top;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT area = { 0, 0, width, height };
    FillRect(memory, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawTextW(memory, text, -1, &area, 0);
    bool same = true;
    for (int y = 0; y < height && same; ++y)
        for (int x = 0; x < visibleWidth && same; ++x)
            same = GetPixel(screen, line.left + x, line.top + y) == GetPixel(memory, x, y);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return same;
}

TEST_F(EventPassTest, RefreshCountsLoadsFitsAndRepaintsTheTotal)
{
    device.Add(App(L"\\Windows\\alarm0.exe"));
    device.Add(App(L"\\Windows\\alarm1.exe"));
    ASSERT_NE(CreateMain(), nullptr);
    EXPECT_TRUE(TotalLineShows(MainWindow, L"Total Events = 2"));

    for (const wchar_t* path : { L"\\Windows\\a.exe", L"\\Windows\\b.exe", L"\\Windows\\c.exe" })
        device.Add(App(path));
    SendMessageW(EventListWindow, LVM_SETCOLUMNWIDTH, 0, 7);
    SendMessageW(EventListWindow, LVM_SETCOLUMNWIDTH, 5, 40);
    Command(IDM_REFRESH);

    EXPECT_EQ(TotalEvents, 5);
    EXPECT_EQ(ListRows().size(), 5u);
    EXPECT_GT(SendMessageW(EventListWindow, LVM_GETCOLUMNWIDTH, 0, 0), 7) << "fitted again";
    EXPECT_EQ(SendMessageW(EventListWindow, LVM_GETCOLUMNWIDTH, 5, 0), 150);
    EXPECT_TRUE(TotalLineShows(MainWindow, L"Total Events = 5"));
    EXPECT_FALSE(TotalLineShows(MainWindow, L"Total Events = 2"));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(EventPassTest, RefreshTakesTheTotalFromItsOwnCount)
{
    device.Add(App(L"\\Windows\\alarm0.exe"));
    device.Add(App(L"\\Windows\\alarm1.exe"));
    ASSERT_NE(CreateMain(), nullptr);
    device.Add(App(L"\\Windows\\alarm2.exe"));
    // Count calls so far: the first load's. Refresh counts (2), then loads (3).
    NotifyStoreTestFaults().failCount = true;
    NotifyStoreTestFaults().failCountAt = 3;
    Command(IDM_REFRESH);
    EXPECT_EQ(TotalEvents, 3);
    EXPECT_TRUE(ListRows().empty());
    EXPECT_TRUE(BoxesAre(boxes,
                         { { L"Error in getting number of notifications 1!", L"Error", nullptr } }));
}

}  // namespace
