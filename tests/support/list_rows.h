// Rows put into a real event list the way the load does it, and the flags the
// marking made for them.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "eventlist/duplicates.h"
#include "eventlist/event_list.h"

struct TestRow {
    std::array<std::wstring, EventColumnCount> cells;
    HANDLE handle = nullptr;
};

// A typical row: a named application with plain texts in the other columns.
inline TestRow SampleRow(const std::wstring& application, HANDLE handle = nullptr)
{
    return { { application, L"CNT_EVENT", L"InActive", L"WAKEUP", L"", L"", L"AppRunAtTime" },
             handle };
}

// Empties the list and adds every row: column 0 inserts, 1 to 6 set the cells.
inline void FillRows(HWND list, const std::vector<TestRow>& rows)
{
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        const int at = static_cast<int>(
            SetEventCell(list, static_cast<int>(i), 0, rows[i].cells[0].c_str(), rows[i].handle));
        ASSERT_EQ(at, static_cast<int>(i));
        for (int column = 1; column < EventColumnCount; ++column)
            ASSERT_TRUE(SetEventCell(list, at, column, rows[i].cells[column].c_str(), nullptr));
    }
}

inline std::vector<int> CurrentFlags()
{
    if (DuplicateFlags == nullptr)
        return {};
    return std::vector<int>(DuplicateFlags, DuplicateFlags + DuplicateFlagCount);
}
