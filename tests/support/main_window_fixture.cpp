#include "tests/support/main_window_fixture.h"

#include <commctrl.h>

#include "app/main_window.h"
#include "eventlist/event_list.h"

MainWindowTest::~MainWindowTest()
{
    if (MainWindow && IsWindow(MainWindow))
        DestroyWindow(MainWindow);
    PumpMessages();
    // WM_DESTROY posts a quit message; drop it so the next test starts clean.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

HWND MainWindowTest::CreateMain(int showCommand)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW existing;
    if (!GetClassInfoW(instance, MainWindowClass, &existing)) {
        EXPECT_EQ(RegisterMainClass(instance), 0);
    }
    HWND window = CreateMainWindow(instance, showCommand);
    PumpMessages();
    return window;
}

LRESULT MainWindowTest::Command(WORD id)
{
    return SendMessageW(MainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

std::wstring ListCell(HWND list, int row, int column)
{
    WCHAR text[260] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = ARRAYSIZE(text);
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<std::vector<std::wstring>> MainWindowTest::ListRows() const
{
    std::vector<std::vector<std::wstring>> rows;
    const int count = static_cast<int>(SendMessageW(EventListWindow, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < EventColumnCount; ++column)
            cells.push_back(ListCell(EventListWindow, row, column));
        rows.push_back(cells);
    }
    return rows;
}
