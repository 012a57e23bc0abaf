// The dispatch tables: not the order they are searched in, which cannot matter,
// but a key twice, and commands given that nothing handles or the reverse.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>

#include "app/main_window.h"
#include "platform/aygshell.h"
#include "resources/resource.h"
#include "tests/support/main_window_fixture.h"

namespace {
// The command ids of a menu's items, its pop-ups' included.
void AddItems(HMENU menu, std::set<UINT>* ids)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU popup = GetSubMenu(menu, i))
            AddItems(popup, ids);
        else if (const UINT id = GetMenuItemID(menu, i))   // 0: a separator
            ids->insert(id);
    }
}
}  // namespace

TEST(DispatchTables, NoKeyTwice)
{
    std::set<UINT> messages, commands;
    for (const MessageHandler& entry : MessageHandlers)
        EXPECT_TRUE(messages.insert(entry.message).second) << "message " << entry.message << " twice";
    for (const CommandHandler& entry : CommandHandlers)
        EXPECT_TRUE(commands.insert(entry.id).second) << "command " << entry.id << " twice";
}

// The menu bar's buttons (a drop-down's items for a drop-down button), the
// row popup's items and the main window's buttons are the commands handled.
TEST_F(MainWindowTest, EveryCommandAPersonCanGiveHasAHandler)
{
    ASSERT_NE(CreateMain(), nullptr);
    ASSERT_NE(MenuBarWindow, nullptr);
    std::set<UINT> given, handled;
    for (int i = 0; i < SendMessageW(MenuBarWindow, TB_BUTTONCOUNT, 0, 0); ++i) {
        TBBUTTON button = {};
        SendMessageW(MenuBarWindow, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (LRESULT dropDown = SendMessageW(MenuBarWindow, SHCMBM_GETSUBMENU, 0, button.idCommand))
            AddItems(reinterpret_cast<HMENU>(dropDown), &given);
        else
            given.insert(button.idCommand);
    }
    HMENU popup = LoadMenuW(AppInstance, MAKEINTRESOURCEW(IDR_EVENT_POPUP));
    AddItems(popup, &given);
    DestroyMenu(popup);
    for (HWND child = GetWindow(MainWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR cls[16] = {};
        if (GetClassNameW(child, cls, ARRAYSIZE(cls)) && lstrcmpiW(cls, WC_BUTTONW) == 0)
            given.insert(GetDlgCtrlID(child));
    }

    for (const CommandHandler& entry : CommandHandlers)
        handled.insert(entry.id);
    EXPECT_EQ(given, handled);
}
