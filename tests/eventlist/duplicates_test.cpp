#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "eventlist/duplicates.h"
#include "eventlist/event_list.h"
#include "resources/resource.h"
#include "tests/support/list_rows.h"
#include "tests/support/main_window_fixture.h"

namespace {
bool FailNothrowArrays = false;
}

// The flags are allocated with new (std::nothrow); this program's own
// replacement lets a test take that memory away.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (FailNothrowArrays)
        return nullptr;
    return std::malloc(size ? size : 1);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}

namespace {

class DuplicateMarkingTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_NE(CreateMain(), nullptr);
        FreeDuplicateFlags();
    }

    std::vector<int> Mark(const std::vector<TestRow>& rows)
    {
        FillRows(EventListWindow, rows);
        MarkDuplicates(EventListWindow);
        return CurrentFlags();
    }
};

using Flags = std::vector<int>;

TestRow WithCell(TestRow row, int column, const std::wstring& text)
{
    row.cells[column] = text;
    return row;
}

TEST_F(DuplicateMarkingTest, EmptyListLeavesTheFlagsAsTheyWere)
{
    Mark({});
    EXPECT_EQ(DuplicateFlags, nullptr);
    EXPECT_EQ(DuplicateFlagCount, 0);

    ASSERT_EQ(Mark({ SampleRow(L"a.exe"), SampleRow(L"a.exe") }), (Flags{ 0, 1 }));
    int* const before = DuplicateFlags;
    Mark({});
    EXPECT_EQ(DuplicateFlags, before);
    EXPECT_EQ(CurrentFlags(), (Flags{ 0, 1 }));
}

TEST_F(DuplicateMarkingTest, SingleRowIsNoDuplicate)
{
    EXPECT_EQ(Mark({ SampleRow(L"a.exe") }), (Flags{ 0 }));
}

TEST_F(DuplicateMarkingTest, LaterCopiesAreFlaggedTheFirstIsNot)
{
    const TestRow a = SampleRow(L"a.exe");
    const TestRow b = SampleRow(L"b.exe");
    const TestRow c = SampleRow(L"c.exe");
    EXPECT_EQ(Mark({ a, a, a }), (Flags{ 0, 1, 1 }));
    EXPECT_EQ(Mark({ a, b, a, b }), (Flags{ 0, 0, 1, 1 }));
    EXPECT_EQ(Mark({ c, a, a, b, c, a, b }), (Flags{ 0, 0, 1, 0, 1, 1, 1 }));
    EXPECT_EQ(Mark({ a, b, c }), (Flags{ 0, 0, 0 }));
}

TEST_F(DuplicateMarkingTest, EachMarkingReplacesTheFlags)
{
    const TestRow a = SampleRow(L"a.exe");
    ASSERT_EQ(Mark({ a, a, a, a, a }), (Flags{ 0, 1, 1, 1, 1 }));
    EXPECT_EQ(Mark({ a, SampleRow(L"b.exe") }), (Flags{ 0, 0 }));
    EXPECT_EQ(DuplicateFlagCount, 2);
}

TEST_F(DuplicateMarkingTest, ADifferenceInAnySingleColumnKeepsRowsApart)
{
    const TestRow base = { { L"a.exe", L"CNT_EVENT", L"InActive", L"WAKEUP", L"Title", L"Text",
                             L"AppRunAtTime" } };
    for (int column = 0; column < EventColumnCount; ++column) {
        const TestRow other = WithCell(base, column, base.cells[column] + L"x");
        EXPECT_EQ(Mark({ base, other }), (Flags{ 0, 0 })) << "column " << column;
    }
}

TEST_F(DuplicateMarkingTest, LetterCaseCounts)
{
    const TestRow base = { { L"a.exe", L"CNT_EVENT", L"InActive", L"WAKEUP", L"Title", L"Text",
                             L"AppRunAtTime" } };
    const std::wstring upper[EventColumnCount] = { L"A.exe", L"cnt_event", L"Inactive", L"wakeup",
                                                   L"TITLE", L"text", L"apprunattime" };
    for (int column = 0; column < EventColumnCount; ++column) {
        EXPECT_EQ(Mark({ base, WithCell(base, column, upper[column]) }), (Flags{ 0, 0 }))
            << "column " << column;
    }
}

TEST_F(DuplicateMarkingTest, HandlesTakeNoPart)
{
    EXPECT_EQ(Mark({ SampleRow(L"a.exe", reinterpret_cast<HANDLE>(0x101)),
                     SampleRow(L"a.exe", reinterpret_cast<HANDLE>(0x202)) }),
              (Flags{ 0, 1 }));
}

TEST_F(DuplicateMarkingTest, OnlyTheFirst99CharactersCompare)
{
    const std::wstring prefix(99, L'p');
    for (int column : { 0, 6 }) {
        const TestRow first = WithCell(SampleRow(L"a.exe"), column, prefix + L"first tail");
        const TestRow second = WithCell(SampleRow(L"a.exe"), column, prefix + L"other");
        EXPECT_EQ(Mark({ first, second }), (Flags{ 0, 1 })) << "column " << column;

        std::wstring differsAt99th = prefix;
        differsAt99th[98] = L'q';
        const TestRow third = WithCell(SampleRow(L"a.exe"), column, differsAt99th);
        EXPECT_EQ(Mark({ first, third }), (Flags{ 0, 0 })) << "column " << column;
    }
}

TEST_F(DuplicateMarkingTest, NoMemoryLeavesNoFlagsAndPlainRows)
{
    const TestRow a = SampleRow(L"a.exe");
    ASSERT_EQ(Mark({ a, a }), (Flags{ 0, 1 }));

    FillRows(EventListWindow, { a, a, a });
    FailNothrowArrays = true;
    MarkDuplicates(EventListWindow);
    FailNothrowArrays = false;
    EXPECT_EQ(DuplicateFlags, nullptr);
    EXPECT_EQ(DuplicateFlagCount, 0);

    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.hdr.hwndFrom = EventListWindow;
    draw.nmcd.hdr.idFrom = IDC_EVENT_LIST;
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.dwItemSpec = 1;
    draw.clrText = RGB(255, 0, 0);
    SendMessageW(MainWindow, WM_NOTIFY, IDC_EVENT_LIST, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(draw.clrText, RGB(0, 0, 0));
}

}  // namespace
