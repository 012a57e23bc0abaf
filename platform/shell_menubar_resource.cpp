// Reading a program's menu-bar definition, its labels and its menu.
#include "platform/shell_menubar.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

// A label longer than this is cut; the bar has 240 pixels for all its buttons.
constexpr int MaxLabelLength = 64;

bool ParseMenuBarResource(const void* data, DWORD size, MenuBarResource* out)
{
    WORD header[2];   // the menu id, then the number of buttons
    if (!data || size < sizeof header)
        return false;
    std::memcpy(header, data, sizeof header);
    const WORD count = header[1];
    if (count == 0 || size != sizeof header + count * sizeof(MenuBarButtonEntry))
        return false;

    MenuBarResource parsed;
    parsed.menuId = header[0];
    parsed.buttons.resize(count);
    std::memcpy(parsed.buttons.data(), static_cast<const BYTE*>(data) + sizeof header,
                count * sizeof(MenuBarButtonEntry));
    for (const MenuBarButtonEntry& button : parsed.buttons) {
        if ((button.style & TBSTYLE_DROPDOWN) && button.subMenu == MenuBarNoSubMenu)
            return false;
    }
    *out = std::move(parsed);
    return true;
}

bool LoadMenuBarContent(HINSTANCE module, UINT id, MenuBarContent* out)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    MenuBarResource definition;
    if (!loaded || !ParseMenuBarResource(LockResource(loaded), SizeofResource(module, found), &definition))
        return false;

    MenuBarContent content;
    content.menu.reset(LoadMenuW(module, MAKEINTRESOURCEW(definition.menuId)));
    if (!content.menu)
        return false;

    for (const MenuBarButtonEntry& button : definition.buttons) {
        // With no buffer, LoadStringW points at the string in the resource.
        const WCHAR* label = nullptr;
        const int length = LoadStringW(module, button.label, reinterpret_cast<LPWSTR>(&label), 0);
        if (length <= 0)
            return false;
        MenuBarItem item = { button, std::wstring(label, std::min(length, MaxLabelLength)), nullptr };
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
