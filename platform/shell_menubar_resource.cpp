// Reading a program's menu-bar definition, its labels and its menu.
#include "platform/shell_menubar.h"

#include <commctrl.h>

#include <cstring>

namespace {

// A label longer than this is cut; the bar has 240 pixels for all its buttons.
constexpr int MaxLabelLength = 64;

bool LoadLabel(HINSTANCE module, UINT id, std::wstring* label)
{
    WCHAR text[MaxLabelLength + 1] = {};
    const int length = LoadStringW(module, id, text, MaxLabelLength + 1);
    if (length <= 0)
        return false;
    label->assign(text, length);
    return true;
}

}  // namespace

bool ParseMenuBarResource(const void* data, DWORD size, MenuBarResource* out)
{
    WORD header[2];   // the menu id, then the number of buttons
    if (!data || size < sizeof header)
        return false;
    std::memcpy(header, data, sizeof header);
    const WORD count = header[1];
    if (count == 0 || size != sizeof header + count * sizeof(MenuBarButtonEntry))
        return false;

    const auto* entries = static_cast<const BYTE*>(data) + sizeof header;
    MenuBarResource parsed;
    parsed.menuId = header[0];
    for (WORD i = 0; i < count; ++i) {
        MenuBarButtonEntry button;
        std::memcpy(&button, entries + i * sizeof button, sizeof button);
        if ((button.style & TBSTYLE_DROPDOWN) && button.subMenu == MenuBarNoSubMenu)
            return false;
        parsed.buttons.push_back(button);
    }
    *out = std::move(parsed);
    return true;
}

bool LoadMenuBarContent(HINSTANCE module, UINT id, MenuBarContent* out)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!found)
        return false;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return false;
    MenuBarResource definition;
    if (!ParseMenuBarResource(LockResource(loaded), SizeofResource(module, found), &definition))
        return false;

    MenuBarContent content;
    content.menu.reset(LoadMenuW(module, MAKEINTRESOURCEW(definition.menuId)));
    if (!content.menu)
        return false;

    for (const MenuBarButtonEntry& button : definition.buttons) {
        MenuBarItem item = { button.command, button.state, button.style, {}, nullptr };
        if (!LoadLabel(module, button.label, &item.label))
            return false;
        if (button.subMenu != MenuBarNoSubMenu) {
            HMENU popup = GetSubMenu(content.menu.get(), button.subMenu);
            if (!popup)
                return false;
            if (button.style & TBSTYLE_DROPDOWN)
                item.dropDown = popup;
        }
        content.items.push_back(std::move(item));
    }
    *out = std::move(content);
    return true;
}
