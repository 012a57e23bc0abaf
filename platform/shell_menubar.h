// The menu-bar definition (SHMENUBAR) as the shell's menu bar reads it from a
// program's resources.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_handles.h"

// A button without a drop-down.
constexpr WORD MenuBarNoSubMenu = 0xFFFF;

// One button of the definition, as stored: seven 16-bit words.
struct MenuBarButtonEntry {
    WORD image;     // I_IMAGENONE (0xFFFE): a text button
    WORD command;   // the WM_COMMAND id a tap sends
    WORD state;     // TBSTATE_*
    WORD style;     // TBSTYLE_*; TBSTYLE_DROPDOWN opens the sub-menu
    WORD label;     // string-table id of the label
    WORD reserved;  // 0
    WORD subMenu;   // index of the drop-down in the bar's menu, MenuBarNoSubMenu for none
};
static_assert(sizeof(MenuBarButtonEntry) == 14, "seven words, as in the resource");

struct MenuBarResource {
    WORD menuId = 0;   // the menu whose pop-ups serve as drop-downs
    std::vector<MenuBarButtonEntry> buttons;
};

// Reads a definition from its bytes: the menu id, the number of buttons (at
// least one), then seven words per button, nothing more and nothing less; a
// drop-down button must name its sub-menu. False for anything else.
bool ParseMenuBarResource(const void* data, DWORD size, MenuBarResource* out);

// One button as the bar shows it.
struct MenuBarItem {
    MenuBarButtonEntry button;
    std::wstring label;
    HMENU dropDown;   // a sub-menu of MenuBarContent::menu, or null
};

struct MenuBarContent {
    UniqueMenu menu;
    std::vector<MenuBarItem> items;
};

// The definition `id` of `module` with its labels and menu: false when the
// definition is missing or malformed, a label string or the menu does not
// exist, or a sub-menu index does not name a pop-up of the menu.
bool LoadMenuBarContent(HINSTANCE module, UINT id, MenuBarContent* out);
