#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "eventlist/duplicates.h"
#include "eventlist/event_list.h"
#include "eventlist/tap_hold.h"
#include "resources/resource.h"
#include "tests/support/list_rows.h"
#include "tests/support/main_window_fixture.h"

namespace {

// A plain top-level window to hold a list made outside the main window.
class ParentWindow {
public:
    ParentWindow()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"EventListTestParent";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 300,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~ParentWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

struct ColumnInfo {
    int format;
    int width;
    std::wstring title;
};

ColumnInfo ReadColumn(HWND list, int index)
{
    WCHAR title[260] = {};
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.pszText = title;
    column.cchTextMax = ARRAYSIZE(title);
    EXPECT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column)))
        << "column " << index;
    return { column.fmt & LVCFMT_JUSTIFYMASK, column.cx, title };
}

int ColumnWidth(HWND list, int index)
{
    return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, index, 0));
}

int HeaderColumnCount(HWND list)
{
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
}

}  // namespace

TEST(EventListControl, IsAReportViewChildWithFullRowSelectAndTheTapHoldProcedure)
{
    ResetEventListStateForTests();
    ParentWindow parent;
    HWND list = CreateEventList(parent.get(), 0, 20, 241, 275);
    ASSERT_NE(list, nullptr);

    WCHAR className[64] = {};
    GetClassNameW(list, className, ARRAYSIZE(className));
    EXPECT_STREQ(className, L"SysListView32");
    const DWORD style = GetWindowLongW(list, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_BORDER), DWORD(WS_CHILD | WS_VISIBLE | WS_BORDER));
    EXPECT_EQ(style & LVS_TYPEMASK, DWORD(LVS_REPORT));
    EXPECT_EQ(GetDlgCtrlID(list), IDC_EVENT_LIST);
    EXPECT_EQ(GetParent(list), parent.get());
    EXPECT_TRUE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);

    RECT r;
    GetWindowRect(list, &r);
    MapWindowPoints(nullptr, parent.get(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, 241);
    EXPECT_EQ(r.bottom - r.top, 275);

    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongW(list, GWL_WNDPROC)), EventListSubclassProc);
    ASSERT_NE(PrevListProc, nullptr);
    EXPECT_NE(PrevListProc, EventListSubclassProc);
    // The list still works through the procedure it had before.
    AddEventColumn(list, LVCFMT_LEFT, 0, L"Application");
    EXPECT_EQ(SetEventCell(list, 0, 0, L"clock.exe", nullptr), 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
}

TEST(EventListControl, FailedCreationSubclassesNothing)
{
    ResetEventListStateForTests();
    ParentWindow parent;
    HWND bogusParent = parent.get();
    DestroyWindow(bogusParent);
    EXPECT_EQ(CreateEventList(bogusParent, 0, 20, 241, 275), nullptr);
    EXPECT_EQ(PrevListProc, nullptr);
}

TEST(EventListControl, NewColumnStartsAt75PixelsWithItsTitleCutTo99Characters)
{
    ParentWindow parent;
    HWND list = CreateEventList(parent.get(), 0, 20, 241, 275);
    ASSERT_NE(list, nullptr);
    const std::wstring longTitle(150, L'T');
    AddEventColumn(list, LVCFMT_LEFT, 0, longTitle.c_str());
    EXPECT_EQ(ReadColumn(list, 0).title, longTitle.substr(0, 99));
    EXPECT_EQ(ReadColumn(list, 0).width, 75);
}

TEST(EventListControl, FitWidensColumnsToTheirTitles)
{
    ParentWindow parent;
    HWND list = CreateEventList(parent.get(), 0, 20, 241, 275);
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 3; ++i)
        AddEventColumn(list, LVCFMT_LEFT, i, L"A much longer column title");
    // More columns asked for than exist: the fit ends there, without harm.
    // The titles are wider than 75 pixels and the rows are empty, so a fit
    // that uses the header widens the columns (the last one is left out: the
    // list stretches or keeps it as it likes).
    FitEventColumns(list, 7);
    for (int i = 0; i < 2; ++i)
        EXPECT_GT(ColumnWidth(list, i), 75) << "column " << i;
    EXPECT_EQ(HeaderColumnCount(list), 3);

    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, 20);
    FitEventColumns(list, 0);
    EXPECT_EQ(ColumnWidth(list, 0), 20);
}

TEST(EventListNames, NotifyTypes)
{
    const struct {
        DWORD code;
        const WCHAR* name;
    } cases[] = {
        { 0, L"UKNOWN" },     { 1, L"CNT_EVENT" },       { 2, L"CNT_TIME" },
        { 3, L"CNT_PERIOD" }, { 4, L"CNT_CLASSICTIME" }, { 5, L"UKNOWN" },
        { 0xFFFFFFFF, L"UKNOWN" },
    };
    for (const auto& c : cases)
        EXPECT_STREQ(NotifyTypeName(c.code), c.name) << "code " << c.code;
}

TEST(EventListNames, EventTypes)
{
    const struct {
        LONG code;
        const WCHAR* name;
    } cases[] = {
        { -1, L"UKNOWN" },   { 0, L"NONE" },         { 1, L"TIME_CHANGE" },
        { 5, L"NET_CONNECT" }, { 7, L"_DEVICE_CHANGE" }, { 11, L"WAKEUP" },
        { 12, L"TZ_CHANGE" }, { 13, L"UKNOWN" },      { LONG(0x80000000), L"UKNOWN" },
    };
    for (const auto& c : cases)
        EXPECT_STREQ(EventTypeName(c.code), c.name) << "code " << c.code;
}

TEST(EventListNames, OnlyStatusOneIsActive)
{
    EXPECT_STREQ(EventStatusName(1), L"Active");
    for (DWORD status : { 0UL, 2UL, 0x80000001UL, 0xFFFFFFFFUL })
        EXPECT_STREQ(EventStatusName(status), L"InActive") << "status " << status;
}

class EventListWindowTest : public MainWindowTest {
protected:
    void SetUp() override { ASSERT_NE(CreateMain(), nullptr); }

    // A custom-draw notification as the list sends it to the main window.
    LRESULT Notify(NMLVCUSTOMDRAW& draw, WPARAM id = IDC_EVENT_LIST)
    {
        draw.nmcd.hdr.hwndFrom = EventListWindow;
        draw.nmcd.hdr.idFrom = id;
        if (draw.nmcd.hdr.code == 0)
            draw.nmcd.hdr.code = NM_CUSTOMDRAW;
        return SendMessageW(MainWindow, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&draw));
    }

    // The text colour the main window gives a row, starting from a colour that
    // is neither answer.
    COLORREF RowColour(DWORD_PTR row, LRESULT* answer = nullptr)
    {
        NMLVCUSTOMDRAW draw = {};
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.dwItemSpec = row;
        draw.clrText = RGB(1, 2, 3);
        const LRESULT result = Notify(draw);
        if (answer)
            *answer = result;
        return draw.clrText;
    }
};

constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Black = RGB(0, 0, 0);

TEST_F(EventListWindowTest, CreationFitsTheColumnsAndWidensDialogText)
{
    EXPECT_EQ(HeaderColumnCount(EventListWindow), EventColumnCount);
    EXPECT_EQ(ColumnWidth(EventListWindow, DialogTextColumn), 150);

    SendMessageW(EventListWindow, LVM_SETCOLUMNWIDTH, DialogTextColumn, 40);
    SendMessageW(EventListWindow, LVM_SETCOLUMNWIDTH, 0, 300);
    Command(IDM_REFRESH);
    EXPECT_EQ(ColumnWidth(EventListWindow, DialogTextColumn), 150);
    EXPECT_LT(ColumnWidth(EventListWindow, 0), 300) << "column 0 was not fitted again";
}

TEST_F(EventListWindowTest, ColumnsHaveTheirTitlesAndFormats)
{
    const struct {
        int format;
        std::wstring title;
    } expected[] = {
        { LVCFMT_LEFT, L"Application" },   { LVCFMT_CENTER, L"Notify Type" }, { LVCFMT_CENTER, L"Event Status" },
        { LVCFMT_CENTER, L"Event Type" },  { LVCFMT_LEFT, L"Dialog Title" },  { LVCFMT_LEFT, L"Dialog Text" },
        { LVCFMT_LEFT, L"Arguments" },
    };
    ASSERT_EQ(HeaderColumnCount(EventListWindow), static_cast<int>(std::size(expected)));
    for (int i = 0; i < EventColumnCount; ++i) {
        const ColumnInfo got = ReadColumn(EventListWindow, i);
        EXPECT_EQ(got.format, expected[i].format) << "column " << i;
        EXPECT_EQ(got.title, expected[i].title) << "column " << i;
    }
}

// The list writes its rows in the font it was given, whose text the font
// mapper makes 12 pixels tall.
TEST_F(EventListWindowTest, ListWearsItsOwnFont)
{
    ASSERT_NE(ListFont, nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(EventListWindow, WM_GETFONT, 0, 0)), ListFont);
    HDC dc = GetDC(EventListWindow);
    const HGDIOBJ previous = SelectObject(dc, ListFont);
    TEXTMETRICW metrics = {};
    EXPECT_TRUE(GetTextMetricsW(dc, &metrics));
    SelectObject(dc, previous);
    ReleaseDC(EventListWindow, dc);
    EXPECT_EQ(metrics.tmHeight, 12);
}

TEST_F(EventListWindowTest, PrepaintAsksForEveryRow)
{
    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(Notify(draw), CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT);
}

TEST_F(EventListWindowTest, OtherStagesAndOtherControlsGetTheDefault)
{
    for (DWORD stage : { DWORD(CDDS_POSTPAINT), DWORD(CDDS_ITEMPOSTPAINT), DWORD(CDDS_PREERASE) }) {
        NMLVCUSTOMDRAW draw = {};
        draw.nmcd.dwDrawStage = stage;
        EXPECT_EQ(Notify(draw), CDRF_DODEFAULT) << "stage " << stage;
    }

    FillRows(EventListWindow, { SampleRow(L"a.exe"), SampleRow(L"a.exe") });
    MarkDuplicates(EventListWindow);
    for (WPARAM id : { WPARAM(IDC_CLEAR), WPARAM(1000) }) {
        NMLVCUSTOMDRAW draw = {};
        draw.nmcd.dwDrawStage = CDDS_PREPAINT;
        EXPECT_EQ(Notify(draw, id), 0) << "control " << id;
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.dwItemSpec = 1;
        draw.clrText = RGB(1, 2, 3);
        EXPECT_EQ(Notify(draw, id), 0) << "control " << id;
        EXPECT_EQ(draw.clrText, RGB(1, 2, 3)) << "control " << id;
    }

    NMLVCUSTOMDRAW click = {};
    click.nmcd.hdr.code = NM_CLICK;
    click.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(Notify(click), 0);
}

TEST_F(EventListWindowTest, FlaggedRowsAreRedOthersBlack)
{
    FillRows(EventListWindow, { SampleRow(L"a.exe"), SampleRow(L"b.exe"), SampleRow(L"a.exe") });
    MarkDuplicates(EventListWindow);
    LRESULT answer = 0;
    EXPECT_EQ(RowColour(0, &answer), Black);
    EXPECT_EQ(answer, CDRF_NOTIFYPOSTPAINT);
    EXPECT_EQ(RowColour(1), Black);
    EXPECT_EQ(RowColour(2, &answer), Red);
    EXPECT_EQ(answer, CDRF_NOTIFYPOSTPAINT);
}

TEST_F(EventListWindowTest, RowThatIsNoLongerADuplicateTurnsBlack)
{
    FillRows(EventListWindow, { SampleRow(L"a.exe"), SampleRow(L"a.exe") });
    MarkDuplicates(EventListWindow);
    ASSERT_EQ(RowColour(1), Red);

    FillRows(EventListWindow, { SampleRow(L"a.exe"), SampleRow(L"b.exe") });
    MarkDuplicates(EventListWindow);
    EXPECT_EQ(RowColour(1), Black);
}

TEST_F(EventListWindowTest, RowsBeyondTheFlagsAreBlackAndNotRead)
{
    // Flags for two rows, with a marked neighbour just past their end: reading
    // beyond the count would find it.
    int flags[4] = { 1, 1, 1, 1 };
    int* const saved = DuplicateFlags;
    const int savedCount = DuplicateFlagCount;
    DuplicateFlags = flags;
    DuplicateFlagCount = 2;
    const COLORREF inside = RowColour(1);
    const COLORREF justPast = RowColour(2);
    const COLORREF farPast = RowColour(3);
    const COLORREF negative = RowColour(static_cast<DWORD_PTR>(-1));
    DuplicateFlags = saved;
    DuplicateFlagCount = savedCount;

    EXPECT_EQ(inside, Red);
    EXPECT_EQ(justPast, Black);
    EXPECT_EQ(farPast, Black);
    EXPECT_EQ(negative, Black);
}

TEST_F(EventListWindowTest, RowsWithoutAnyFlagsAreBlack)
{
    FreeDuplicateFlags();
    FillRows(EventListWindow, { SampleRow(L"a.exe"), SampleRow(L"a.exe") });
    LRESULT answer = 0;
    EXPECT_EQ(RowColour(1, &answer), Black);
    EXPECT_EQ(answer, CDRF_NOTIFYPOSTPAINT);
}

namespace {
// Counts the pixels of a row's rectangle, as painted on screen, whose colour is
// clearly red (text drawn in RGB(255, 0, 0), smoothing allowed for).
int RedPixelsInRow(HWND list, int row)
{
    RECT r = {};
    r.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    RECT client;
    GetClientRect(list, &client);
    IntersectRect(&r, &r, &client);
    HDC dc = GetDC(list);
    int red = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            if (GetRValue(c) > 150 && GetGValue(c) < 90 && GetBValue(c) < 90)
                ++red;
        }
    }
    ReleaseDC(list, dc);
    return red;
}
}  // namespace

TEST_F(EventListWindowTest, DuplicateRowsArePaintedRedOnScreen)
{
    SetForegroundWindow(MainWindow);
    FillRows(EventListWindow, { SampleRow(L"clock.exe"), SampleRow(L"repllog.exe"),
                                SampleRow(L"clock.exe"), SampleRow(L"repllog.exe") });
    MarkDuplicates(EventListWindow);
    RedrawWindow(EventListWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessages();

    EXPECT_EQ(RedPixelsInRow(EventListWindow, 0), 0);
    EXPECT_EQ(RedPixelsInRow(EventListWindow, 1), 0);
    EXPECT_GT(RedPixelsInRow(EventListWindow, 2), 20);
    EXPECT_GT(RedPixelsInRow(EventListWindow, 3), 20);
}
