#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "eventlist/event_list.h"
#include "eventlist/tap_hold.h"
#include "platform/store/test_switches.h"
#include "resources/resource.h"
#include "tests/support/list_rows.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/screen_capture.h"
#include "tests/support/screen_reading.h"
#include "tests/support/stylus.h"

namespace {

// What the tap-and-hold popup showed, seen from its owner: the main window
// gets WM_INITMENUPOPUP when the popup opens and WM_ENTERIDLE once it waits
// for the user. The watch also sees the hold timer's ticks, and can keep them
// from the program for a test of a quick tap, however slow the machine.
struct PopupWatch {
    enum Action { ChooseDelete, Dismiss };
    Action action = ChooseDelete;
    Stylus* stylus = nullptr;   // lifted while the popup is open, as a user would
    bool holdTicksBack = false;
    int ticks = 0;              // hold-timer ticks that reached the program

    int opened = 0;
    bool acted = false;
    std::vector<std::wstring> itemTexts;
    std::vector<UINT> itemIds;
    POINT menuTopLeft = {};
};

PopupWatch* Watch = nullptr;
WNDPROC WatchedMainProc = nullptr;

void ReadPopup(PopupWatch& watch)
{
    HWND menuWindow = FindWindowW(L"#32768", nullptr);
    if (menuWindow == nullptr)
        return;
    RECT r;
    GetWindowRect(menuWindow, &r);
    watch.menuTopLeft = { r.left, r.top };
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        WCHAR text[64] = {};
        GetMenuStringW(menu, i, text, ARRAYSIZE(text), MF_BYPOSITION);
        watch.itemTexts.push_back(text);
        watch.itemIds.push_back(GetMenuItemID(menu, i));
    }
}

void ActOnPopup(PopupWatch& watch)
{
    HWND menuWindow = FindWindowW(L"#32768", nullptr);
    if (watch.stylus)
        watch.stylus->Lift();
    if (watch.action == PopupWatch::ChooseDelete) {
        PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
    } else {
        PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    }
}

LRESULT CALLBACK WatchingMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Watch && message == WM_INITMENUPOPUP) {
        ++Watch->opened;
        Watch->acted = false;
    }
    if (Watch && message == WM_TIMER && wParam == TapHoldTimerId) {
        if (Watch->holdTicksBack)
            return 0;
        ++Watch->ticks;
    }
    if (Watch && message == WM_ENTERIDLE && wParam == MSGF_MENU && !Watch->acted) {
        Watch->acted = true;
        ReadPopup(*Watch);
        ActOnPopup(*Watch);
    }
    return CallWindowProcW(WatchedMainProc, window, message, wParam, lParam);
}

class TapHoldTest : public MainWindowTest {
protected:
    ~TapHoldTest() override
    {
        stylus.Lift();
        PumpMessages();
        Watch = nullptr;
    }

    // The main window over the given store entries, on screen and watched.
    void Open(const std::vector<TestEntry>& entries = {})
    {
        for (const TestEntry& entry : entries)
            handles.push_back(device.Add(entry));
        ASSERT_NE(CreateMain(), nullptr);
        SetForegroundWindow(MainWindow);
        watch.stylus = &stylus;
        Watch = &watch;
        WatchedMainProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingMainProc)));
        PumpMessages();
    }

    // The main window with rows put in by hand (for what needs no store).
    void OpenWithRows(const std::vector<TestRow>& rows)
    {
        Open();
        FillRows(EventListWindow, rows);
        UpdateWindow(EventListWindow);
        boxes.Clear();
    }

    // A point inside a cell, in the list's client coordinates.
    POINT CellPoint(int row, int column) const
    {
        RECT r = {};
        r.top = column;
        r.left = LVIR_LABEL;
        // Sub-item 0 of LVM_GETSUBITEMRECT is the whole row; the label is column 0.
        const UINT message = column == 0 ? LVM_GETITEMRECT : LVM_GETSUBITEMRECT;
        SendMessageW(EventListWindow, message, row, reinterpret_cast<LPARAM>(&r));
        return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
    }

    POINT OnScreen(POINT client) const
    {
        ClientToScreen(EventListWindow, &client);
        return client;
    }

    // Holds the stylus on a list point until the popup opens; the watch
    // lifts it then.
    void HoldOn(POINT client)
    {
        stylus.Press(OnScreen(client));
        PumpUntil([&] { return watch.opened > 0; });
        stylus.Lift();
        PumpMessagesFor(100);
    }

    bool PressedAt(POINT client) const { return TapPoint.x == client.x && TapPoint.y == client.y; }

    bool IsSelected(int row) const
    {
        return SendMessageW(EventListWindow, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED;
    }

    int SelectionMark() const
    {
        return static_cast<int>(SendMessageW(EventListWindow, LVM_GETSELECTIONMARK, 0, 0));
    }

    std::vector<std::wstring> ListApplications() const
    {
        std::vector<std::wstring> names;
        for (const auto& row : ListRows())
            names.push_back(row[0]);
        return names;
    }

    // Timer 1 of the main window was running (killing it is the only probe).
    bool HoldTimerWasRunning() { return KillTimer(MainWindow, TapHoldTimerId) != FALSE; }

    Stylus stylus;
    PopupWatch watch;
    std::vector<HANDLE> handles;
};

TestEntry InWindows(const std::wstring& name)
{
    TestEntry entry;
    entry.application = L"\\Windows\\" + name;
    return entry;
}

using Names = std::vector<std::wstring>;

TEST_F(TapHoldTest, HoldOnARowOpensTheDeletePopupAtTheTapPoint)
{
    OpenWithRows({ SampleRow(L"clock.exe"), SampleRow(L"connmgr.exe") });
    watch.action = PopupWatch::Dismiss;
    const POINT tap = CellPoint(1, 0);
    HoldOn(tap);

    ASSERT_EQ(watch.opened, 1);
    EXPECT_EQ(watch.itemTexts, (Names{ L"Delete" }));
    EXPECT_EQ(watch.itemIds, (std::vector<UINT>{ IDM_DELETE }));
    EXPECT_EQ(TapPoint.x, tap.x);
    EXPECT_EQ(TapPoint.y, tap.y);
    // The tap point is taken as the main window's client coordinates.
    POINT expected = tap;
    ClientToScreen(MainWindow, &expected);
    EXPECT_EQ(watch.menuTopLeft.x, expected.x);
    EXPECT_EQ(watch.menuTopLeft.y, expected.y);
    EXPECT_FALSE(HoldTimerWasRunning());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(TapHoldTest, HoldOnAnotherColumnOpensThePopupToo)
{
    OpenWithRows({ SampleRow(L"clock.exe"), SampleRow(L"connmgr.exe") });
    watch.action = PopupWatch::Dismiss;
    const POINT tap = CellPoint(0, 2);
    RECT client;
    GetClientRect(EventListWindow, &client);
    ASSERT_TRUE(PtInRect(&client, tap)) << "column 2 is off screen";
    HoldOn(tap);
    EXPECT_EQ(watch.opened, 1);
    EXPECT_EQ(SelectionMark(), 0);
}

TEST_F(TapHoldTest, QuickTapSelectsThenDeselectsAndOpensNothing)
{
    OpenWithRows({ SampleRow(L"clock.exe"), SampleRow(L"connmgr.exe") });
    watch.holdTicksBack = true;
    stylus.Press(OnScreen(CellPoint(1, 0)));
    PumpUntil([&] { return IsSelected(1); });
    const bool selectedWhileDown = IsSelected(1);
    stylus.Lift();
    PumpUntil([&] { return !IsSelected(1); });
    const bool timerAfterLift = HoldTimerWasRunning();
    watch.holdTicksBack = false;
    PumpMessagesFor(TapHoldDelay + 200);

    EXPECT_TRUE(selectedWhileDown);
    EXPECT_FALSE(IsSelected(1));
    EXPECT_FALSE(timerAfterLift) << "lifting the stylus must stop the hold timer";
    EXPECT_EQ(watch.opened, 0);
    EXPECT_EQ(SelectionMark(), 1);
}

TEST_F(TapHoldTest, PressOnARowArmsTheTimer)
{
    OpenWithRows({ SampleRow(L"clock.exe") });
    watch.holdTicksBack = true;
    stylus.Press(OnScreen(CellPoint(0, 0)));
    PumpUntil([&] { return PressedAt(CellPoint(0, 0)); });
    EXPECT_TRUE(HoldTimerWasRunning());
    stylus.Lift();
    PumpMessagesFor(50);
}

TEST_F(TapHoldTest, HoldBelowTheLastRowStartsNoTimerAndOpensNothing)
{
    OpenWithRows({ SampleRow(L"clock.exe"), SampleRow(L"connmgr.exe") });
    POINT below = CellPoint(1, 0);
    below.y += 40;
    RECT client;
    GetClientRect(EventListWindow, &client);
    ASSERT_TRUE(PtInRect(&client, below));

    stylus.Press(OnScreen(below));
    PumpUntil([&] { return PressedAt(below); });
    const bool armed = HoldTimerWasRunning();
    PumpMessagesFor(TapHoldDelay + 200);
    stylus.Lift();
    PumpMessagesFor(50);

    EXPECT_FALSE(armed);
    EXPECT_EQ(watch.opened, 0);
    // Every pen-down on the list is kept, row or not.
    EXPECT_EQ(TapPoint.x, below.x);
    EXPECT_EQ(TapPoint.y, below.y);
}

TEST_F(TapHoldTest, TimerFiringWithTheStylusUpOnlyStopsItself)
{
    OpenWithRows({ SampleRow(L"clock.exe") });
    SetTimer(MainWindow, TapHoldTimerId, 20, nullptr);
    PumpUntil([&] { return watch.ticks > 0; });
    EXPECT_EQ(watch.opened, 0);
    EXPECT_FALSE(HoldTimerWasRunning()) << "the handler must kill the timer the first time";
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(TapHoldTest, DeleteConfirmedClearsTheEntryAndReloads)
{
    Open({ InWindows(L"clock.exe"), InWindows(L"connmgr.exe"), InWindows(L"repllog.exe") });
    ASSERT_EQ(ListApplications(), (Names{ L"clock.exe", L"connmgr.exe", L"repllog.exe" }));
    ASSERT_EQ(TotalEvents, 3);
    SendMessageW(EventListWindow, LVM_SETCOLUMNWIDTH, 0, 33);
    boxes.AnswerNext({ IDYES });

    HoldOn(CellPoint(1, 0));

    ASSERT_EQ(watch.opened, 1);
    EXPECT_TRUE(BoxesAre(boxes, { { L"Delete event 'connmgr.exe'?", L"Warning", MainWindow } }));
    EXPECT_EQ(device.Applications(), (Names{ L"\\Windows\\clock.exe", L"\\Windows\\repllog.exe" }));
    EXPECT_EQ(ListApplications(), (Names{ L"clock.exe", L"repllog.exe" }));
    EXPECT_EQ(TotalEvents, 2);
    EXPECT_FALSE(IsSelected(0));
    EXPECT_FALSE(IsSelected(1));
    EXPECT_EQ(SendMessageW(EventListWindow, LVM_GETCOLUMNWIDTH, 0, 0), 33) << "columns refitted";
    // What the line on the screen says, once the program is idle again.
    PumpMessages();
    Screenshot shot;
    std::string error;
    ASSERT_TRUE(CaptureScreen(L"", &shot, &error)) << error;
    EXPECT_EQ(TotalShown(shot, MainWindow), 2) << "the total line still shows the count before the delete";
}

TEST_F(TapHoldTest, DeleteAnsweredNoKeepsTheEntryAndDoesNotReload)
{
    Open({ InWindows(L"clock.exe"), InWindows(L"connmgr.exe"), InWindows(L"repllog.exe") });
    // Added behind the program's back: only a reload would show it.
    device.Add(InWindows(L"tmail.exe"));
    boxes.AnswerNext({ IDNO });

    HoldOn(CellPoint(1, 0));

    ASSERT_EQ(watch.opened, 1);
    EXPECT_TRUE(BoxesAre(boxes, { { L"Delete event 'connmgr.exe'?", L"Warning", MainWindow } }));
    EXPECT_EQ(device.Count(), 4u);
    EXPECT_EQ(ListApplications(), (Names{ L"clock.exe", L"connmgr.exe", L"repllog.exe" }));
    EXPECT_EQ(TotalEvents, 3);
    EXPECT_FALSE(IsSelected(1));
}

TEST_F(TapHoldTest, FailedClearIsReportedAndTheListStillReloads)
{
    Open({ InWindows(L"clock.exe"), InWindows(L"connmgr.exe"), InWindows(L"repllog.exe") });
    device.Add(InWindows(L"tmail.exe"));
    NotifyStoreTestFaults().failClear = handles[1];
    boxes.AnswerNext({ IDYES });

    HoldOn(CellPoint(1, 0));

    ASSERT_EQ(watch.opened, 1);
    EXPECT_TRUE(BoxesAre(boxes, { { L"Delete event 'connmgr.exe'?", L"Warning", MainWindow },
                                  { L"Unable to delete notification", L"Error", MainWindow } }));
    EXPECT_EQ(device.Count(), 4u);
    EXPECT_EQ(ListApplications(),
              (Names{ L"clock.exe", L"connmgr.exe", L"repllog.exe", L"tmail.exe" }));
    EXPECT_EQ(TotalEvents, 4);
}

class DeleteCommandTest : public TapHoldTest {
protected:
    void Mark(int row) { SendMessageW(EventListWindow, LVM_SETSELECTIONMARK, 0, row); }
    void Select(int row)
    {
        LVITEMW item = {};
        item.state = LVIS_SELECTED;
        item.stateMask = LVIS_SELECTED;
        SendMessageW(EventListWindow, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
};

TEST_F(DeleteCommandTest, LongApplicationNameIsCutTo78Characters)
{
    std::wstring name;
    for (int i = 0; i < 100; ++i)
        name += static_cast<WCHAR>(L'a' + i % 26);
    Open({ InWindows(L"clock.exe"), InWindows(name) });
    ASSERT_EQ(ListApplications().size(), 2u);
    Mark(1);
    boxes.AnswerNext({ IDNO });
    EXPECT_EQ(Command(IDM_DELETE), 0);
    EXPECT_TRUE(BoxesAre(boxes, { { L"Delete event '" + name.substr(0, 78) + L"'?", L"Warning",
                                    MainWindow } }));
}

TEST_F(DeleteCommandTest, AnswerNoDeselectsTheRow)
{
    OpenWithRows({ SampleRow(L"clock.exe"), SampleRow(L"connmgr.exe") });
    Mark(1);
    Select(1);
    boxes.AnswerNext({ IDNO });
    Command(IDM_DELETE);
    EXPECT_TRUE(BoxesAre(boxes, { { L"Delete event 'connmgr.exe'?", L"Warning", MainWindow } }));
    EXPECT_FALSE(IsSelected(1));
    EXPECT_EQ(ListApplications(), (Names{ L"clock.exe", L"connmgr.exe" }));
}

TEST_F(DeleteCommandTest, NoSelectionMarkDoesNothing)
{
    OpenWithRows({ SampleRow(L"clock.exe") });
    Mark(-1);
    EXPECT_EQ(Command(IDM_DELETE), 0);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(ListApplications(), (Names{ L"clock.exe" }));
}

TEST_F(DeleteCommandTest, RowWithoutAHandleReloadsWithoutAnError)
{
    Open({ InWindows(L"clock.exe"), InWindows(L"connmgr.exe") });
    FillRows(EventListWindow, { SampleRow(L"ghost.exe", nullptr) });
    boxes.Clear();
    Mark(0);
    boxes.AnswerNext({ IDYES });
    Command(IDM_DELETE);
    EXPECT_TRUE(BoxesAre(boxes, { { L"Delete event 'ghost.exe'?", L"Warning", MainWindow } }));
    EXPECT_EQ(device.Count(), 2u);
    EXPECT_EQ(ListApplications(), (Names{ L"clock.exe", L"connmgr.exe" }));
    EXPECT_EQ(TotalEvents, 2);
}

// While the question is up the user can still reach the menu bar; a Refresh
// then moves the rows, and the entry cleared must still be the one named.
TEST_F(DeleteCommandTest, ClearsTheEntryAskedAboutEvenIfTheListMovedMeanwhile)
{
    Open({ InWindows(L"clock.exe"), InWindows(L"connmgr.exe"), InWindows(L"repllog.exe") });
    Mark(1);
    const HANDLE first = handles[0];
    boxes.onShow = [&](HWND) {
        if (boxes.Boxes().size() != 1)
            return;
        CeClearUserNotification(first);   // another program removes the first entry
        PostMessageW(MainWindow, WM_COMMAND, IDM_REFRESH, 0);
    };
    boxes.AnswerNext({ IDYES });
    Command(IDM_DELETE);
    PumpMessages();

    EXPECT_TRUE(BoxesAre(boxes, { { L"Delete event 'connmgr.exe'?", L"Warning", MainWindow } }));
    EXPECT_EQ(device.Applications(), (Names{ L"\\Windows\\repllog.exe" }));
    EXPECT_EQ(ListApplications(), (Names{ L"repllog.exe" }));
}

}  // namespace
