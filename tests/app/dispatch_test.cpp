#include <gtest/gtest.h>

#include <set>

#include "app/main_window.h"
#include "platform/aygshell.h"
#include "resources/resource.h"

TEST(DispatchTables, MessagesInTheirOrder)
{
    const UINT expected[] = { WM_CREATE, WM_PAINT, WM_HIBERNATE, WM_ACTIVATE, WM_DESTROY,
                              WM_COMMAND, WM_CLOSE, WM_NOTIFY, WM_TIMER };
    ASSERT_EQ(std::size(MessageHandlers), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(MessageHandlers[i].message, expected[i]) << "entry " << i;
        EXPECT_NE(MessageHandlers[i].handle, nullptr) << "entry " << i;
    }
}

TEST(DispatchTables, CommandsInTheirOrder)
{
    const UINT expected[] = { IDM_EXIT, IDM_ABOUT, IDM_SETTINGS, IDC_CLEAR, IDC_LOG, IDM_DELETE,
                              IDM_REFRESH };
    ASSERT_EQ(std::size(CommandHandlers), std::size(expected));
    std::set<UINT> seen;
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(CommandHandlers[i].id, expected[i]) << "entry " << i;
        EXPECT_NE(CommandHandlers[i].handle, nullptr) << "entry " << i;
        EXPECT_TRUE(seen.insert(CommandHandlers[i].id).second) << "id twice: " << CommandHandlers[i].id;
    }
}
