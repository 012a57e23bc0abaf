#include "tests/dialogs/gdi_count.h"

#include <windows.h>

namespace {

// One entry of Wine's GDI handle table (the same layout for 32- and 64-bit
// processes); a free entry has type 0.
struct WineGdiEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    UINT64 userPointer;
};
static_assert(sizeof(WineGdiEntry) == 24, "Wine's GDI handle entry");
constexpr int WineGdiEntries = 0x10000;
constexpr unsigned PebGdiTableOffset = 0x94;   // PEB.GdiSharedHandleTable, 32-bit

const WineGdiEntry* WineGdiTable()
{
    const BYTE* peb = nullptr;
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));
    return *reinterpret_cast<const WineGdiEntry* const*>(peb + PebGdiTableOffset);
}

long CountWineTable(const WineGdiEntry* table)
{
    long live = 0;
    for (int i = 0; i < WineGdiEntries; ++i)
        live += table[i].type != 0;
    return live;
}

bool TableFollowsObjects(const WineGdiEntry* table)
{
    const long before = CountWineTable(table);
    HGDIOBJ made[3] = { CreateSolidBrush(RGB(1, 2, 3)), CreatePen(PS_SOLID, 1, 0),
                        CreateFontW(12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma") };
    const long during = CountWineTable(table);
    for (HGDIOBJ object : made)
        DeleteObject(object);
    return during == before + 3 && CountWineTable(table) == before;
}

}  // namespace

long LiveGdiObjects()
{
    if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<long>(count);
    const WineGdiEntry* table = WineGdiTable();
    if (!table || IsBadReadPtr(table, sizeof(WineGdiEntry) * WineGdiEntries) || !TableFollowsObjects(table))
        return -1;
    return CountWineTable(table);
}
