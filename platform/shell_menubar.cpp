// The shell's menu bar: a strip along the bottom of the screen with text
// buttons; a tap on a button sends its command to the program's window, a tap
// on a drop-down button opens its menu above the bar.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>

#include "app/unique_handles.h"
#include "platform/aygshell.h"
#include "platform/handheld.h"
#include "platform/shell_menubar.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// The handheld shell's own class name for its menu bars.
const WCHAR MenuBarClass[] = L"menu_worker";

constexpr int ButtonPadding = 7;      // left and right of a label
constexpr int ArrowWidth = 9;         // room for a drop-down's arrow after the label
constexpr COLORREF BarFace = RGB(0xDE, 0xDF, 0xE6);
constexpr COLORREF BarEdge = RGB(0x7B, 0x7D, 0x84);
constexpr COLORREF LabelColour = RGB(0x00, 0x00, 0x00);
constexpr COLORREF DisabledColour = RGB(0x94, 0x96, 0x9C);
constexpr COLORREF PressedFace = RGB(0x08, 0x24, 0x6B);
constexpr COLORREF PressedLabel = RGB(0xFF, 0xFF, 0xFF);

struct MenuBar {
    HWND parent = nullptr;
    MenuBarContent content;
    UniqueFont font;
    std::vector<RECT> buttons;   // each button's rectangle in the bar
    int tracked = -1;            // the button the stylus went down on, or -1
    int pressed = -1;            // the button shown pressed, or -1
    bool ownedByWindow = false;  // the window deletes this at WM_NCDESTROY
};

// On the desktop an owner can end up above its bar: the bar is made before the
// program's window is first shown, and Wine raises an activated or shown window
// without the windows it owns, sometimes without telling the owner anything.
// So each bar puts itself back directly above its owner (a) after each of the
// owner's messages that can come with a change of stacking, seen through a
// subclass of the owner, and (b) whenever the thread takes a message from its
// queue. Neither sees the messages sent to other windows, so a pass that sends
// the list tens of thousands of messages pays nothing for the bar. The
// subclass is a plain window procedure with its state kept here: the common
// controls' subclassing looks its state up in a window property, a trip to the
// Wine server on every one of the owner's messages.
struct WatchedOwner {
    HWND owner;
    HWND bar;           // null once the bar is gone but the subclass could not be undone
    WNDPROC previous;   // the owner's procedure before the watch
};
thread_local std::vector<WatchedOwner> WatchedOwners;
thread_local std::vector<HWND> BarsOfThread;
thread_local HHOOK QueueWatch = nullptr;

WatchedOwner* WatchOf(HWND owner)
{
    for (WatchedOwner& watch : WatchedOwners) {
        if (watch.owner == owner)
            return &watch;
    }
    return nullptr;
}

void KeepAbove(HWND bar, HWND owner)
{
    HWND above = GetWindow(owner, GW_HWNDPREV);
    if (above == bar)
        return;
    SetWindowPos(bar, above ? above : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

bool MayChangeStacking(UINT message)
{
    switch (message) {
    case WM_WINDOWPOSCHANGED:
    case WM_ACTIVATE:
    case WM_NCACTIVATE:
    case WM_SHOWWINDOW:
    case WM_NCPAINT:
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK OwnerWatch(HWND owner, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WatchedOwner* watch = WatchOf(owner);
    if (!watch)
        return DefWindowProcW(owner, message, wParam, lParam);
    // Copies: the list of watches may change while the owner handles this.
    const WNDPROC previous = watch->previous;
    const HWND bar = watch->bar;
    if (message == WM_NCDESTROY) {
        WatchedOwners.erase(WatchedOwners.begin() + (watch - WatchedOwners.data()));
        return CallWindowProcW(previous, owner, message, wParam, lParam);
    }
    const LRESULT result = CallWindowProcW(previous, owner, message, wParam, lParam);
    if (bar && MayChangeStacking(message) && IsWindow(bar))
        KeepAbove(bar, owner);
    return result;
}

LRESULT CALLBACK OnTakenMessage(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        for (HWND bar : BarsOfThread) {
            if (HWND owner = GetWindow(bar, GW_OWNER))
                KeepAbove(bar, owner);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void WatchOwnerOf(HWND bar)
{
    if (HWND owner = GetWindow(bar, GW_OWNER)) {
        if (WatchedOwner* watch = WatchOf(owner)) {
            watch->bar = bar;   // an owner keeps its newest bar above it
        } else {
            const auto previous = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnerWatch)));
            if (previous)
                WatchedOwners.push_back({ owner, bar, previous });
        }
    }
    BarsOfThread.push_back(bar);
    if (!QueueWatch)
        QueueWatch = SetWindowsHookExW(WH_GETMESSAGE, OnTakenMessage, nullptr, GetCurrentThreadId());
}

void StopWatching(HWND bar)
{
    for (auto watch = WatchedOwners.begin(); watch != WatchedOwners.end(); ++watch) {
        if (watch->bar != bar)
            continue;
        // Undone only if nobody subclassed the owner after us; otherwise the
        // watch stays in the chain and just passes messages on.
        const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(watch->owner, GWLP_WNDPROC));
        if (current == OwnerWatch) {
            SetWindowLongPtrW(watch->owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watch->previous));
            WatchedOwners.erase(watch);
        } else {
            watch->bar = nullptr;
        }
        break;
    }
    BarsOfThread.erase(std::remove(BarsOfThread.begin(), BarsOfThread.end(), bar), BarsOfThread.end());
    if (BarsOfThread.empty() && QueueWatch) {
        UnhookWindowsHookEx(QueueWatch);
        QueueWatch = nullptr;
    }
}

MenuBar* BarOf(HWND window)
{
    return reinterpret_cast<MenuBar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool IsEnabled(const MenuBarItem& item)
{
    return (item.state & TBSTATE_ENABLED) && !(item.state & TBSTATE_HIDDEN);
}

UniqueFont CreateBarFont()
{
    LOGFONTW font = {};
    font.lfHeight = -11;
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpyW(font.lfFaceName, L"Tahoma");
    return UniqueFont(CreateFontIndirectW(&font));
}

// Autosized buttons from the left edge, below the bar's top line; hidden
// buttons take no room.
void LayOutButtons(MenuBar& bar, int height)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bar.font.get());
    int x = 0;
    for (const MenuBarItem& item : bar.content.items) {
        SIZE text = {};
        GetTextExtentPoint32W(dc, item.label.c_str(), static_cast<int>(item.label.size()), &text);
        int width = text.cx + 2 * ButtonPadding + (item.dropDown ? ArrowWidth : 0);
        if (item.state & TBSTATE_HIDDEN)
            width = 0;
        bar.buttons.push_back(RECT{ x, 1, x + width, height });
        x += width;
    }
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
}

int ButtonAt(const MenuBar& bar, POINT point)
{
    for (size_t i = 0; i < bar.buttons.size(); ++i) {
        if (PtInRect(&bar.buttons[i], point))
            return static_cast<int>(i);
    }
    return -1;
}

int IndexOfCommand(const MenuBar& bar, WPARAM command)
{
    for (size_t i = 0; i < bar.content.items.size(); ++i) {
        if (bar.content.items[i].command == command)
            return static_cast<int>(i);
    }
    return -1;
}

void SetPressed(HWND window, MenuBar& bar, int index)
{
    if (bar.pressed == index)
        return;
    bar.pressed = index;
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

// A small up-pointing triangle: the drop-down opens upwards.
void DrawArrow(HDC dc, int right, int middle, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    for (int row = 0; row < 3; ++row) {
        RECT line = { right - 7 + 2 - row, middle - 1 + row, right - 7 + 3 + row, middle + row };
        FillRect(dc, &line, brush);
    }
    DeleteObject(brush);
}

void DrawButton(HDC dc, const MenuBar& bar, size_t index)
{
    const MenuBarItem& item = bar.content.items[index];
    RECT box = bar.buttons[index];
    if (box.right <= box.left)
        return;
    const bool pressed = static_cast<int>(index) == bar.pressed;
    COLORREF colour = IsEnabled(item) ? LabelColour : DisabledColour;
    if (pressed) {
        HBRUSH face = CreateSolidBrush(PressedFace);
        FillRect(dc, &box, face);
        DeleteObject(face);
        colour = PressedLabel;
    }
    SetTextColor(dc, colour);
    RECT text = box;
    text.left += ButtonPadding;
    text.right -= ButtonPadding + (item.dropDown ? ArrowWidth : 0);
    DrawTextW(dc, item.label.c_str(), static_cast<int>(item.label.size()), &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (item.dropDown)
        DrawArrow(dc, box.right - ButtonPadding + 2, (box.top + box.bottom) / 2, colour);
}

LRESULT OnPaint(HWND window, WPARAM, LPARAM)
{
    MenuBar* bar = BarOf(window);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH face = CreateSolidBrush(BarFace);
    FillRect(dc, &client, face);
    DeleteObject(face);
    HBRUSH edge = CreateSolidBrush(BarEdge);
    RECT top = { client.left, client.top, client.right, client.top + 1 };
    FillRect(dc, &top, edge);
    DeleteObject(edge);

    if (bar) {
        HGDIOBJ previous = SelectObject(dc, bar->font.get());
        SetBkMode(dc, TRANSPARENT);
        for (size_t i = 0; i < bar->buttons.size(); ++i)
            DrawButton(dc, *bar, i);
        SelectObject(dc, previous);
    }
    EndPaint(window, &ps);
    return 0;
}

// Opens a button's menu above the bar, the button shown pressed meanwhile. The
// menu belongs to the program's window: it gets the menu's messages and the
// chosen item's WM_COMMAND, as on the handheld.
void OpenDropDown(HWND window, MenuBar& bar, int index)
{
    SetPressed(window, bar, index);
    RECT button = bar.buttons[index];
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&button), 2);
    TPMPARAMS keepClear = { sizeof keepClear, button };
    TrackPopupMenuEx(bar.content.items[index].dropDown,
                     TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_LEFTBUTTON | TPM_VERTICAL, button.left,
                     button.top, bar.parent, &keepClear);
    // The program may have dropped the bar while its menu was open.
    if (IsWindow(window) && BarOf(window) == &bar)
        SetPressed(window, bar, -1);
}

LRESULT OnLButtonDown(HWND window, WPARAM, LPARAM lParam)
{
    MenuBar* bar = BarOf(window);
    const POINT point = { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    const int index = bar ? ButtonAt(*bar, point) : -1;
    // While the program's window is disabled (a modal dialog is open) the bar
    // takes no taps.
    if (index < 0 || !IsEnabled(bar->content.items[index]) || !IsWindowEnabled(bar->parent))
        return 0;
    if (bar->content.items[index].dropDown) {
        OpenDropDown(window, *bar, index);
        return 0;
    }
    SetCapture(window);
    bar->tracked = index;
    SetPressed(window, *bar, index);
    return 0;
}

// The button stays pressed only while the stylus is on it.
LRESULT OnMouseMove(HWND window, WPARAM, LPARAM lParam)
{
    MenuBar* bar = BarOf(window);
    if (!bar || bar->tracked < 0)
        return 0;
    const POINT point = { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    SetPressed(window, *bar, ButtonAt(*bar, point) == bar->tracked ? bar->tracked : -1);
    return 0;
}

LRESULT OnLButtonUp(HWND window, WPARAM, LPARAM lParam)
{
    MenuBar* bar = BarOf(window);
    if (!bar || bar->tracked < 0)
        return 0;
    const POINT point = { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    const int index = bar->tracked;
    const bool chosen = ButtonAt(*bar, point) == index;
    ReleaseCapture();
    if (!chosen)
        return 0;
    const WORD command = bar->content.items[index].command;
    // Last: the command may destroy the bar (Exit closes the program).
    SendMessageW(bar->parent, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                 reinterpret_cast<LPARAM>(window));
    return 0;
}

LRESULT OnCaptureChanged(HWND window, WPARAM, LPARAM)
{
    if (MenuBar* bar = BarOf(window)) {
        bar->tracked = -1;
        SetPressed(window, *bar, -1);
    }
    return 0;
}

// A tap on the bar leaves the program's window active.
LRESULT OnMouseActivate(HWND, WPARAM, LPARAM)
{
    return MA_NOACTIVATE;
}

// Wine hands activation to the next visible window when the active one goes
// away, and that can be the bar; the bar gives it to its program at once.
LRESULT OnActivate(HWND window, WPARAM wParam, LPARAM)
{
    if (LOWORD(wParam) == WA_INACTIVE)
        return 0;
    HWND owner = GetWindow(window, GW_OWNER);
    if (!owner)
        return 0;
    HWND target = IsWindowEnabled(owner) ? owner : GetLastActivePopup(owner);
    SetActiveWindow(target);
    return 0;
}

LRESULT OnGetSubMenu(HWND window, WPARAM, LPARAM lParam)
{
    const MenuBar* bar = BarOf(window);
    const int index = bar ? IndexOfCommand(*bar, lParam) : -1;
    return index < 0 ? 0 : reinterpret_cast<LRESULT>(bar->content.items[index].dropDown);
}

LRESULT OnGetMenu(HWND window, WPARAM, LPARAM)
{
    const MenuBar* bar = BarOf(window);
    return bar ? reinterpret_cast<LRESULT>(bar->content.menu.get()) : 0;
}

// The bar answers the toolbar queries a handheld program may send its bar.
LRESULT OnButtonCount(HWND window, WPARAM, LPARAM)
{
    const MenuBar* bar = BarOf(window);
    return bar ? static_cast<LRESULT>(bar->content.items.size()) : 0;
}

LRESULT OnGetItemRect(HWND window, WPARAM index, LPARAM lParam)
{
    const MenuBar* bar = BarOf(window);
    auto* rect = reinterpret_cast<RECT*>(lParam);
    if (!bar || !rect || index >= bar->buttons.size())
        return FALSE;
    *rect = bar->buttons[index];
    return TRUE;
}

LRESULT OnCommandToIndex(HWND window, WPARAM command, LPARAM)
{
    const MenuBar* bar = BarOf(window);
    return bar ? IndexOfCommand(*bar, command) : -1;
}

// Length of the label of the button with this command; copied when there is
// room (the caller's buffer must hold the length plus the terminator).
LRESULT OnGetButtonText(HWND window, WPARAM command, LPARAM lParam)
{
    const MenuBar* bar = BarOf(window);
    const int index = bar ? IndexOfCommand(*bar, command) : -1;
    if (index < 0)
        return -1;
    const std::wstring& label = bar->content.items[index].label;
    if (auto* buffer = reinterpret_cast<WCHAR*>(lParam))
        lstrcpyW(buffer, label.c_str());
    return static_cast<LRESULT>(label.size());
}

LRESULT OnGetButton(HWND window, WPARAM index, LPARAM lParam)
{
    const MenuBar* bar = BarOf(window);
    auto* button = reinterpret_cast<TBBUTTON*>(lParam);
    if (!bar || !button || index >= bar->content.items.size())
        return FALSE;
    const MenuBarItem& item = bar->content.items[index];
    *button = TBBUTTON{};
    button->iBitmap = I_IMAGENONE;
    button->idCommand = item.command;
    button->fsState = static_cast<BYTE>(item.state);
    button->fsStyle = static_cast<BYTE>(item.style);
    button->iString = reinterpret_cast<INT_PTR>(item.label.c_str());
    return TRUE;
}

LRESULT OnNcCreate(HWND window, WPARAM, LPARAM lParam)
{
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(window, WM_NCCREATE, 0, lParam);
}

// The bar's menu and font go with the bar.
LRESULT OnNcDestroy(HWND window, WPARAM wParam, LPARAM lParam)
{
    MenuBar* bar = BarOf(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    StopWatching(window);
    if (bar && bar->ownedByWindow)
        delete bar;
    return DefWindowProcW(window, WM_NCDESTROY, wParam, lParam);
}

struct MessageHandler {
    UINT message;
    LRESULT (*handle)(HWND, WPARAM, LPARAM);
};

constexpr MessageHandler MenuBarHandlers[] = {
    { WM_NCCREATE, OnNcCreate },
    { WM_PAINT, OnPaint },
    { WM_MOUSEACTIVATE, OnMouseActivate },
    { WM_ACTIVATE, OnActivate },
    { WM_LBUTTONDOWN, OnLButtonDown },
    { WM_MOUSEMOVE, OnMouseMove },
    { WM_LBUTTONUP, OnLButtonUp },
    { WM_CAPTURECHANGED, OnCaptureChanged },
    { SHCMBM_GETSUBMENU, OnGetSubMenu },
    { SHCMBM_GETMENU, OnGetMenu },
    { TB_BUTTONCOUNT, OnButtonCount },
    { TB_GETITEMRECT, OnGetItemRect },
    { TB_COMMANDTOINDEX, OnCommandToIndex },
    { TB_GETBUTTONTEXTW, OnGetButtonText },
    { TB_GETBUTTON, OnGetButton },
    { WM_NCDESTROY, OnNcDestroy },
};

LRESULT CALLBACK MenuBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const MessageHandler& entry : MenuBarHandlers) {
        if (entry.message == message)
            return entry.handle(window, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HINSTANCE ThisModule()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

bool RegisterMenuBarClass()
{
    WNDCLASSW existing;
    if (GetClassInfoW(ThisModule(), MenuBarClass, &existing))
        return true;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = MenuBarProc;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = MenuBarClass;
    return RegisterClassW(&wc) != 0;
}

}  // namespace

BOOL SHCreateMenuBar(SHMENUBARINFO* pmbi)
{
    if (!pmbi || pmbi->cbSize != sizeof(SHMENUBARINFO) || !IsWindow(pmbi->hwndParent)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto bar = std::make_unique<MenuBar>();
    bar->parent = pmbi->hwndParent;
    if (!LoadMenuBarContent(pmbi->hInstRes, pmbi->nToolBarId, &bar->content)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    bar->font = CreateBarFont();
    if (!RegisterMenuBarClass())
        return FALSE;

    const RECT screen = HandheldScreenRect();
    const int width = screen.right - screen.left;
    LayOutButtons(*bar, HandheldMenuBarHeight);

    // Not a child: the bar is a window of its own along the bottom of the
    // screen, owned by the program's window so that it stays above it. It is
    // shown without activation; a visible creation would take the focus.
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, MenuBarClass, L"",
                                  WS_POPUP | WS_CLIPSIBLINGS, screen.left,
                                  screen.bottom - HandheldMenuBarHeight, width, HandheldMenuBarHeight,
                                  pmbi->hwndParent, nullptr, ThisModule(), bar.get());
    if (!window)
        return FALSE;
    bar->ownedByWindow = true;
    bar.release();
    WatchOwnerOf(window);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    KeepAbove(window, pmbi->hwndParent);
    pmbi->hwndMB = window;
    return TRUE;
}
