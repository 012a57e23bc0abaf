#include "tests/support/main_window_fixture.h"

#include <commctrl.h>

#include <algorithm>
#include <sstream>

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

namespace {
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
}  // namespace

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

::testing::AssertionResult BoxesAre(const MessageBoxRecorder& recorder,
                                    const std::vector<ExpectedBox>& expected)
{
    const auto& shown = recorder.Boxes();
    if (std::equal(shown.begin(), shown.end(), expected.begin(), expected.end(),
                   [](const ShownBox& s, const ExpectedBox& e) {
                       return s.text == e.text && s.caption == e.caption && s.owner == e.owner;
                   }))
        return ::testing::AssertionSuccess();
    std::ostringstream out;
    const auto list = [&out](const char* heading, const auto& boxes) {
        out << heading;
        for (const auto& box : boxes)
            out << "  \"" << Narrow(box.text) << "\" / \"" << Narrow(box.caption) << "\" owner "
                << box.owner << "\n";
    };
    list("boxes shown:\n", shown);
    list("boxes expected:\n", expected);
    return ::testing::AssertionFailure() << out.str();
}
