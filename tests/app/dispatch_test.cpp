// The dispatch tables. The order they are searched in cannot matter; what can
// go wrong is a key written twice (its second handler never runs) and a
// command a person can give that no handler takes, or a handler for a command
// nothing sends.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>

#include "app/main_window.h"
#include "platform/aygshell.h"
#include "resources/resource.h"
#include "tests/support/main_window_fixture.h"

namespace {

// The command ids of a menu's items and of its pop-ups' items.
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

// The commands of the menu bar (a drop-down button's are its items), of the
// row's popup and of the main window's buttons are the ones handled.
TEST_F(MainWindowTest, EveryCommandAPersonCanGiveHasAHandler)
{
    ASSERT_NE(CreateMain(), nullptr);
    ASSERT_NE(MenuBarWindow, nullptr);
    std::set<UINT> given;
    const int buttons = static_cast<int>(SendMessageW(MenuBarWindow, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < buttons; ++i) {
        TBBUTTON button = {};
        SendMessageW(MenuBarWindow, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (HMENU dropDown = reinterpret_cast<HMENU>(
                SendMessageW(MenuBarWindow, SHCMBM_GETSUBMENU, 0, button.idCommand)))
            AddItems(dropDown, &given);
        else
            given.insert(button.idCommand);
    }
    HMENU popup = LoadMenuW(AppInstance, MAKEINTRESOURCEW(IDR_EVENT_POPUP));
    AddItems(popup, &given);
    DestroyMenu(popup);
    for (HWND child = GetWindow(MainWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR cls[16] = {};
        GetClassNameW(child, cls, ARRAYSIZE(cls));
        if (lstrcmpiW(cls, WC_BUTTONW) == 0)
            given.insert(GetDlgCtrlID(child));
    }

    std::set<UINT> handled;
    for (const CommandHandler& entry : CommandHandlers)
        handled.insert(entry.id);
    EXPECT_EQ(given, handled);
}
