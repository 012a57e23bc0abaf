// The shell's message boxes. The handheld's shell lays a message box out for
// its 240-pixel screen: the text wrapped to the screen's width, the buttons
// below it, the whole box on the screen above the menu bar. Desktop Win32
// makes its box for a desktop (its text is wrapped at about 300 pixels) and
// centres it on the work area, so that a long warning runs off both sides of
// the emulated screen. The program calls MessageBoxW as on the handheld; its
// import slot (import_slots.cpp) leads here. user32 makes its box as always, and
// right after user32 has laid it out (its WM_INITDIALOG, before it is shown)
// the box is laid out again for the screen. It stays user32's box, with its
// static text and buttons, so that whatever finds and answers message boxes
// (a hook, a tool from outside) finds and answers this one.
#include "platform/handheld.h"
#include "platform/import_slots.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// user32's space above and below the text, and below the buttons.
constexpr int Margin = 8;

std::wstring TextOf(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

RECT RectInClient(HWND box, HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

struct BoxParts {
    HWND text = nullptr;
    HWND icon = nullptr;
    std::vector<HWND> buttons;   // those the box shows, left to right (the box itself is not shown yet)
};

BoxParts PartsOf(HWND box)
{
    BoxParts parts;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR name[32] = {};
        GetClassNameW(child, name, ARRAYSIZE(name));
        if (!lstrcmpiW(name, L"Static")) {
            if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                parts.icon = child;
            else if (!parts.text || TextOf(child).size() > TextOf(parts.text).size())
                parts.text = child;
        } else if (!lstrcmpiW(name, L"Button") && (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) {
            parts.buttons.push_back(child);
        }
    }
    std::sort(parts.buttons.begin(), parts.buttons.end(), [box](HWND a, HWND b) {
        return RectInClient(box, a).left < RectInClient(box, b).left;
    });
    return parts;
}

// The text's height as the static control draws it: with SS_EDITCONTROL it
// breaks a word that is longer than a line (a file name in the delete
// question) where the desktop would let it run out of the box.
int TextHeight(HWND text, int width)
{
    const UINT flags = DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_EDITCONTROL |
                       ((GetWindowLongW(text, GWL_STYLE) & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    const std::wstring words = TextOf(text);
    HDC dc = GetDC(text);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
    RECT r = { 0, 0, width, 0 };
    DrawTextW(dc, words.c_str(), -1, &r, flags | DT_CALCRECT);
    SelectObject(dc, previous);
    ReleaseDC(text, dc);
    return r.bottom - r.top;
}

void Place(HWND window, int x, int y, int width, int height)
{
    SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

// FitToScreen -- user32's layout kept where it fits (its margins, button
// sizes and text width), narrowed to the screen where it does not; then the
// text measured again at the width it has, and the box centred above the
// menu bar.
void FitToScreen(HWND box)
{
    BoxParts parts = PartsOf(box);
    if (!parts.text)
        return;
    SetWindowLongW(parts.text, GWL_STYLE, GetWindowLongW(parts.text, GWL_STYLE) | SS_EDITCONTROL);

    RECT area = HandheldScreenRect();
    area.bottom -= HandheldMenuBarHeight;
    RECT window, client;
    GetWindowRect(box, &window);
    GetClientRect(box, &client);
    const int frameWidth = (window.right - window.left) - client.right;
    const int frameHeight = (window.bottom - window.top) - client.bottom;
    const int widest = (area.right - area.left) - frameWidth;
    const int tallest = (area.bottom - area.top) - frameHeight;

    const RECT text = RectInClient(box, parts.text);
    int iconLeft = text.left, iconHeight = 0;
    if (parts.icon) {
        const RECT icon = RectInClient(box, parts.icon);
        iconLeft = icon.left;
        if (SendMessageW(parts.icon, STM_GETICON, 0, 0))
            iconHeight = icon.bottom - icon.top;
    }
    // user32 leaves the icon's left margin on the right of the text too.
    const int sides = text.left + iconLeft;

    const int count = static_cast<int>(parts.buttons.size());
    int buttonWidth = 0, buttonHeight = 0, gap = 0;
    if (count > 0) {
        const RECT first = RectInClient(box, parts.buttons[0]);
        buttonWidth = first.right - first.left;
        buttonHeight = first.bottom - first.top;
        gap = count > 1 ? RectInClient(box, parts.buttons[1]).left - first.right : buttonWidth / 3;
        if (count * buttonWidth + (count + 1) * gap > widest)
            gap = std::max(2, (widest - count * buttonWidth) / (count + 1));
        if (count * buttonWidth + (count + 1) * gap > widest)
            buttonWidth = (widest - (count + 1) * gap) / count;
    }
    const int row = count * buttonWidth + (count - 1) * gap;

    const int width = std::min(widest, std::max<int>(sides + (text.right - text.left), row + 2 * gap));
    const int textWidth = width - sides;
    // A text taller than the screen is cut rather than pushing the buttons off it.
    const int textHeight =
        std::min(TextHeight(parts.text, textWidth), tallest - 3 * Margin - buttonHeight);
    const int upper = 2 * Margin + std::max(iconHeight, textHeight);
    const int height = upper + buttonHeight + Margin;

    const int boxWidth = width + frameWidth, boxHeight = height + frameHeight;
    Place(box, area.left + (area.right - area.left - boxWidth) / 2,
          area.top + (area.bottom - area.top - boxHeight) / 2, boxWidth, boxHeight);
    if (iconHeight > 0)
        SetWindowPos(parts.icon, nullptr, iconLeft, (upper - iconHeight) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    Place(parts.text, text.left, (upper - textHeight) / 2, textWidth, textHeight);
    int x = (width - row) / 2;
    for (HWND button : parts.buttons) {
        Place(button, x, upper, buttonWidth, buttonHeight);
        x += buttonWidth + gap;
    }
}

// user32 lays the box out at its WM_INITDIALOG, and the layout for the
// screen follows at once.
constexpr NewWindowReshape LaidOutForTheScreen = { L"#32770", WM_INITDIALOG, false, FitToScreen };

}  // namespace

int WINAPI MessageBoxAsHandheld(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    static const auto show = User32Function<decltype(&MessageBoxAsHandheld)>("MessageBoxW");
    const ReshapingNewWindow layout(&LaidOutForTheScreen);
    return show(owner, text, caption, type);
}
