// Which rows of the event list repeat an earlier row in all seven columns.
#include "eventlist/duplicates.h"

#include <commctrl.h>

#include <new>

#include "eventlist/event_list.h"

int* DuplicateFlags = nullptr;
int DuplicateFlagCount = 0;

namespace {

constexpr int CellCapacity = 100;
using CellText = WCHAR[CellCapacity];

// The cells are read through the list's own window procedure, the one kept
// when the list was subclassed: the marking reads millions of cells on a
// large store, and SendMessageW would take each read through the stylus
// subclass as well, which only passes it on.
struct ListCells {
    HWND list;
    WNDPROC procedure;
};

// Only the first 99 characters of a cell take part in the comparison.
void ReadCell(const ListCells& cells, int row, int column, CellText& text)
{
    text[0] = L'\0';
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = CellCapacity;
    CallWindowProcW(cells.procedure, cells.list, LVM_GETITEMTEXTW, row,
                    reinterpret_cast<LPARAM>(&item));
    text[CellCapacity - 1] = L'\0';
}

// Every column is read and compared, even after the first difference.
bool RowEquals(const ListCells& cells, int row, const CellText (&base)[EventColumnCount])
{
    bool same = true;
    CellText candidate;
    for (int column = 0; column < EventColumnCount; ++column) {
        ReadCell(cells, row, column, candidate);
        if (wcscmp(candidate, base[column]) != 0)
            same = false;
    }
    return same;
}

}  // namespace

void MarkDuplicates(HWND list)
{
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    // An empty list keeps the old flags: no row will ask for them.
    if (count <= 0)
        return;

    FreeDuplicateFlags();
    DuplicateFlags = new (std::nothrow) int[count]();
    if (DuplicateFlags == nullptr)
        return;
    DuplicateFlagCount = count;

    const ListCells cells{ list, PrevListProc };
    if (!cells.procedure)
        return;   // a list that was never subclassed cannot be read: every flag stays 0
    CellText base[EventColumnCount];
    for (int i = 0; i < count - 1; ++i) {
        // A flagged row's group was already found through its first member.
        if (DuplicateFlags[i] == 1)
            continue;
        for (int column = 0; column < EventColumnCount; ++column)
            ReadCell(cells, i, column, base[column]);
        for (int j = i + 1; j < count; ++j) {
            if (RowEquals(cells, j, base))
                DuplicateFlags[j] = 1;
        }
    }
}

void FreeDuplicateFlags()
{
    delete[] DuplicateFlags;
    DuplicateFlags = nullptr;
    DuplicateFlagCount = 0;
}

int DuplicateFlagOf(int row)
{
    if (DuplicateFlags == nullptr || row < 0 || row >= DuplicateFlagCount)
        return 0;
    return DuplicateFlags[row];
}
