// Reading a program's menu-bar definition, its labels and its menu.
#include "platform/shell_menubar.h"

#include <commctrl.h>

#include <cstring>

namespace {

constexpr DWORD HeaderBytes = 2 * sizeof(WORD);
constexpr DWORD ButtonBytes = 7 * sizeof(WORD);
// A label longer than this is cut; the bar has 240 pixels for all its buttons.
constexpr int MaxLabelLength = 64;

WORD WordAt(const BYTE* bytes, DWORD index)
{
    WORD value;
    std::memcpy(&value, bytes + index * sizeof(WORD), sizeof value);
    return value;
}

bool LoadLabel(HINSTANCE module, UINT id, std::wstring* label)
{
    WCHAR text[MaxLabelLength + 1] = {};
    const int length = LoadStringW(module, id, text, MaxLabelLength + 1);
    if (length <= 0)
        return false;
    label->assign(text, length);
    return true;
}

// The pop-up at `index` of the menu, or null when there is none.
HMENU PopupAt(HMENU menu, WORD index)
{
    if (index >= static_cast<UINT>(GetMenuItemCount(menu)))
        return nullptr;
    return GetSubMenu(menu, index);
}

}  // namespace

bool ParseMenuBarResource(const void* data, DWORD size, MenuBarResource* out)
{
    if (!data || size < HeaderBytes)
        return false;
    const auto* bytes = static_cast<const BYTE*>(data);
    const WORD count = WordAt(bytes, 1);
    if (count == 0 || size != HeaderBytes + count * ButtonBytes)
        return false;

    MenuBarResource parsed;
    parsed.menuId = WordAt(bytes, 0);
    for (WORD i = 0; i < count; ++i) {
        const DWORD first = 2 + i * 7;
        MenuBarButtonEntry button = {
            WordAt(bytes, first),     WordAt(bytes, first + 1), WordAt(bytes, first + 2),
            WordAt(bytes, first + 3), WordAt(bytes, first + 4), WordAt(bytes, first + 5),
            WordAt(bytes, first + 6),
        };
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
            HMENU popup = PopupAt(content.menu.get(), button.subMenu);
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
