// The shell's menu bar: the common controls' toolbar as a strip along the
// bottom of the screen, with text buttons; a tap on a button sends its command
// to the program's window, a tap on a drop-down button opens its menu above
// the bar. What the handheld adds to the toolbar is here: its colours, its
// top edge, the drop-downs, and keeping the bar above its program.
//
// Keeping the bar above its program takes a trick on the desktop. Wine keeps
// two stackings, its own and the X screen's, and passes a change of its own on
// to the screen only for a window that ends up at the very top; yet when it
// shows a window or makes it active it raises that window, without the
// windows it owns, and tells them nothing. Both happen to the bar's owner
// right after the bar is made: the program shows its window after making the
// bar in WM_CREATE, and the bar hands activation back to its owner
// (OnActivate). Each time, the bar is placed after its owner once more
// (RaiseOnScreen). The owner's showing is the one moment the bar cannot see
// for itself, so it watches its owner's messages until then and no longer
// (UntilOwnerShown): the program's passes, which send its window thousands of
// notifications, pay nothing for it. Without either, the program's window
// covers the bar (ProgramMenuBarTest.MainWindowKeepsTheTopAndTheBarTheBottomStrip,
// ...BarIsOnTheScreenBehindTheWarningAndTheFirstLoad, and
// OtherProgramTest.SecondCopyBringsTheFirstForwardWithItsMenuBar fail).
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "base/unique_handles.h"
#include "platform/aygshell.h"
#include "platform/handheld.h"
#include "platform/shell_menubar.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// The handheld shell's own class name for its menu bars, registered by the
// module this code is linked into.
const WCHAR MenuBarClass[] = L"menu_worker";
const HINSTANCE ThisModule = reinterpret_cast<HINSTANCE>(&__ImageBase);

constexpr int EdgeHeight = 1;   // the line along the bar's top, outside its buttons
constexpr COLORREF BarFace = RGB(0xDE, 0xDF, 0xE6);
constexpr COLORREF BarEdge = RGB(0x7B, 0x7D, 0x84);
constexpr COLORREF LabelColour = RGB(0x00, 0x00, 0x00);
constexpr COLORREF PressedFace = RGB(0x08, 0x24, 0x6B);
constexpr COLORREF PressedLabel = RGB(0xFF, 0xFF, 0xFF);

// Posted by the bar to itself to open a drop-down (wParam: the button's command).
constexpr UINT OpenDropDownMessage = WM_APP;

// The toolbar's own window procedure, which the bar's class extends (once registered).
WNDPROC ToolbarProc = nullptr;

struct MenuBar {
    HWND parent = nullptr;    // the program's window: owner, commands, drop-downs
    MenuBarContent content;   // the menu whose pop-ups are the drop-downs
    UniqueFont font;          // the labels' font, which the toolbar does not own
};

// Placed after its owner, the bar goes right above it in Wine's order (an
// owned window stays above its owner); when nothing else is above the owner
// that is the top, which Wine passes on to the screen. It is painted at once:
// the first load runs on without taking a message.
void RaiseOnScreen(HWND bar, HWND owner)
{
    HWND top = GetWindow(owner, GW_HWNDFIRST);
    while (top && (top == bar || !IsWindowVisible(top)))
        top = GetWindow(top, GW_HWNDNEXT);
    if (top != owner)
        return;
    SetWindowPos(bar, owner, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    UpdateWindow(bar);
}

// The bar's watch on its owner (the subclass's id is the bar), from the bar's
// making to the owner's first showing.
LRESULT CALLBACK UntilOwnerShown(HWND owner, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR bar,
                                 DWORD_PTR)
{
    const LRESULT result = DefSubclassProc(owner, message, wParam, lParam);
    if (message == WM_WINDOWPOSCHANGED && (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW)) {
        RemoveWindowSubclass(owner, UntilOwnerShown, bar);
        RaiseOnScreen(reinterpret_cast<HWND>(bar), owner);
    }
    return result;
}

MenuBar* BarOf(HWND window)
{
    return reinterpret_cast<MenuBar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CallToolbar(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(ToolbarProc, window, message, wParam, lParam);
}

// Text buttons from the left edge, as tall as the bar below its edge line.
// The toolbar puts a label two pixels, the image width, the list gap and two
// more pixels in from the button's edge, images or not, and ends the button
// its padding (seven pixels) after the label: the smallest image it takes, one
// pixel, and a gap of two leave seven pixels each side, as on the handheld. A
// drop-down button gets the toolbar's arrow on top of that.
void AddButtons(HWND window, const MenuBar& bar)
{
    SendMessageW(window, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(bar.font.get()), FALSE);
    SendMessageW(window, TB_SETBITMAPSIZE, 0, MAKELPARAM(1, 1));
    SendMessageW(window, TB_SETLISTGAP, 2, 0);
    std::vector<TBBUTTON> buttons;
    for (const MenuBarItem& item : bar.content.items) {
        TBBUTTON button = {};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = item.button.command;
        button.fsState = static_cast<BYTE>(item.button.state);
        button.fsStyle = static_cast<BYTE>(item.button.style | (item.dropDown ? BTNS_WHOLEDROPDOWN : 0));
        button.iString = reinterpret_cast<INT_PTR>(item.label.c_str());
        buttons.push_back(button);
    }
    SendMessageW(window, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    const LRESULT size = SendMessageW(window, TB_GETBUTTONSIZE, 0, 0);
    SendMessageW(window, TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(LOWORD(size), HandheldMenuBarHeight - EdgeHeight));
}

// The handheld's pressed look, a dark face with a white label, in place of
// the toolbar's sunken edge.
LRESULT OnCustomDraw(NMTBCUSTOMDRAW* draw)
{
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT)
        return CDRF_DODEFAULT;
    draw->clrText = LabelColour;
    if ((draw->nmcd.uItemState & CDIS_SELECTED) && !(draw->nmcd.uItemState & CDIS_DISABLED)) {
        FillWithColour(draw->nmcd.hdc, draw->nmcd.rc, PressedFace);
        draw->clrText = PressedLabel;
    }
    return CDRF_DODEFAULT | TBCDRF_NOEDGES | TBCDRF_NOOFFSET;
}

// Opens a button's menu above the bar, the button shown pressed meanwhile. The
// menu belongs to the program's window: it gets the menu's messages and the
// chosen item's WM_COMMAND, as on the handheld.
LRESULT OnOpenDropDown(HWND window, WPARAM command, LPARAM)
{
    MenuBar* bar = BarOf(window);
    const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(window, SHCMBM_GETSUBMENU, 0, command));
    const LRESULT index = SendMessageW(window, TB_COMMANDTOINDEX, command, 0);
    RECT button = {};
    if (!bar || !menu || !SendMessageW(window, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&button)))
        return 0;
    SendMessageW(window, TB_PRESSBUTTON, command, TRUE);
    UpdateWindow(window);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&button), 2);
    TPMPARAMS keepClear = { sizeof keepClear, button };
    TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_LEFTBUTTON | TPM_VERTICAL, button.left,
                     button.top, bar->parent, &keepClear);
    // The program may have dropped the bar while its menu was open.
    if (IsWindow(window) && BarOf(window) == bar)
        SendMessageW(window, TB_PRESSBUTTON, command, FALSE);
    return 0;
}

// The toolbar reports to the bar itself (see OnNcCreate). A drop-down opens
// once the toolbar is done with the tap: the program may drop the bar while
// its menu is open, and the toolbar still has work to do after it asks.
LRESULT OnNotify(HWND window, WPARAM wParam, LPARAM lParam)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->hwndFrom != window)
        return CallToolbar(window, WM_NOTIFY, wParam, lParam);
    switch (header->code) {
    case NM_CUSTOMDRAW:
        return OnCustomDraw(reinterpret_cast<NMTBCUSTOMDRAW*>(lParam));
    case TBN_DROPDOWN:
        PostMessageW(window, OpenDropDownMessage, reinterpret_cast<NMTOOLBARW*>(lParam)->iItem, 0);
        return TBDDRET_DEFAULT;
    default:
        return 0;
    }
}

// A tapped button's command goes to the program's window, from the bar.
// Posted, as a menu's commands are: the command may destroy the bar (Exit
// closes the program) while the toolbar is still handling the tap.
LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    const MenuBar* bar = BarOf(window);
    if (bar && reinterpret_cast<HWND>(lParam) == window)
        PostMessageW(bar->parent, WM_COMMAND, wParam, lParam);
    return 0;
}

// While the program's window is disabled (a modal dialog is open) the bar
// takes no taps.
LRESULT OnLButtonDown(HWND window, WPARAM wParam, LPARAM lParam)
{
    const MenuBar* bar = BarOf(window);
    if (!bar || !IsWindowEnabled(bar->parent))
        return 0;
    return CallToolbar(window, WM_LBUTTONDOWN, wParam, lParam);
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
    RaiseOnScreen(window, owner);
    return 0;
}

// The bar's own face: a flat toolbar has its parent window paint its
// background, and for the bar that would be the program's window.
LRESULT OnEraseBackground(HWND window, WPARAM wParam, LPARAM)
{
    RECT client;
    GetClientRect(window, &client);
    FillWithColour(reinterpret_cast<HDC>(wParam), client, BarFace);
    return TRUE;
}

// The edge line along the top is the bar's frame, so that the buttons below
// it start at the toolbar's first row.
LRESULT OnNcCalcSize(HWND window, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CallToolbar(window, WM_NCCALCSIZE, wParam, lParam);
    reinterpret_cast<RECT*>(lParam)->top += EdgeHeight;
    return result;
}

LRESULT OnNcPaint(HWND window, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CallToolbar(window, WM_NCPAINT, wParam, lParam);
    RECT edge;
    GetWindowRect(window, &edge);
    edge = { 0, 0, edge.right - edge.left, EdgeHeight };
    HDC dc = GetWindowDC(window);
    FillWithColour(dc, edge, BarEdge);
    ReleaseDC(window, dc);
    return result;
}

LRESULT OnGetSubMenu(HWND window, WPARAM, LPARAM lParam)
{
    if (const MenuBar* bar = BarOf(window)) {
        for (const MenuBarItem& item : bar->content.items) {
            if (item.button.command == lParam)
                return reinterpret_cast<LRESULT>(item.dropDown);
        }
    }
    return 0;
}

LRESULT OnGetMenu(HWND window, WPARAM, LPARAM)
{
    const MenuBar* bar = BarOf(window);
    return bar ? reinterpret_cast<LRESULT>(bar->content.menu.get()) : 0;
}

// The toolbar tells its parent window about taps, drop-downs and drawing; for
// a window without a parent that would be the program's window. The bar
// answers those itself, from before the toolbar's first question.
LRESULT OnNcCreate(HWND window, WPARAM wParam, LPARAM lParam)
{
    const LRESULT created = CallToolbar(window, WM_NCCREATE, wParam, lParam);
    if (created)
        CallToolbar(window, TB_SETPARENT, reinterpret_cast<WPARAM>(window), 0);
    return created;
}

// The toolbar hands these on to its parent window, which is the bar itself,
// and would again: the bar has no owner-drawn parts or list children, so they
// end here.
LRESULT OnHandedOn(HWND, WPARAM, LPARAM)
{
    return 0;
}

// The bar's menu and font go with the bar, after the toolbar is done with them.
LRESULT OnNcDestroy(HWND window, WPARAM wParam, LPARAM lParam)
{
    std::unique_ptr<MenuBar> bar(BarOf(window));
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (bar)
        RemoveWindowSubclass(bar->parent, UntilOwnerShown, reinterpret_cast<UINT_PTR>(window));
    return CallToolbar(window, WM_NCDESTROY, wParam, lParam);
}

struct MessageHandler {
    UINT message;
    LRESULT (*handle)(HWND, WPARAM, LPARAM);
};

constexpr MessageHandler MenuBarHandlers[] = {
    { WM_NCCREATE, OnNcCreate },
    { WM_NCCALCSIZE, OnNcCalcSize },
    { WM_NCPAINT, OnNcPaint },
    { WM_ERASEBKGND, OnEraseBackground },
    { WM_MOUSEACTIVATE, OnMouseActivate },
    { WM_ACTIVATE, OnActivate },
    { WM_LBUTTONDOWN, OnLButtonDown },
    { WM_NOTIFY, OnNotify },
    { WM_COMMAND, OnCommand },
    { OpenDropDownMessage, OnOpenDropDown },
    { SHCMBM_GETSUBMENU, OnGetSubMenu },
    { SHCMBM_GETMENU, OnGetMenu },
    { WM_DRAWITEM, OnHandedOn },
    { WM_MEASUREITEM, OnHandedOn },
    { WM_CHARTOITEM, OnHandedOn },
    { WM_VKEYTOITEM, OnHandedOn },
    { WM_NCDESTROY, OnNcDestroy },
};

// Everything else, the toolbar queries a handheld program may send its bar
// among them, is the toolbar's.
LRESULT CALLBACK MenuBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const MessageHandler& entry : MenuBarHandlers) {
        if (entry.message == message)
            return entry.handle(window, wParam, lParam);
    }
    return CallToolbar(window, message, wParam, lParam);
}

// The toolbar's class under the shell's name, with the bar's procedure in
// front. Without double clicks: a second quick tap is another tap, and goes
// through the same check as the first.
bool RegisterMenuBarClass()
{
    if (ToolbarProc)
        return true;
    INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_BAR_CLASSES };
    InitCommonControlsEx(&controls);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(nullptr, TOOLBARCLASSNAMEW, &wc))
        return false;
    ToolbarProc = wc.lpfnWndProc;
    wc.style &= ~(CS_GLOBALCLASS | CS_DBLCLKS);
    wc.lpfnWndProc = MenuBarProc;
    wc.hInstance = ThisModule;
    wc.lpszClassName = MenuBarClass;
    return RegisterClassExW(&wc) != 0;
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
    bar->font = CreateShellFont(11);
    if (!RegisterMenuBarClass())
        return FALSE;

    // Not a child: the bar is a window of its own along the bottom of the
    // screen, owned by the program's window so that it stays above it. It is
    // shown without activation; a visible creation would take the focus.
    // Flat, so that the buttons start at the top of the client area; the bar
    // keeps the place and size it is given.
    const RECT screen = HandheldScreenRect();
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, MenuBarClass, L"",
                                  WS_POPUP | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                                      CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                                  screen.left, screen.bottom - HandheldMenuBarHeight,
                                  screen.right - screen.left, HandheldMenuBarHeight, pmbi->hwndParent,
                                  nullptr, ThisModule, nullptr);
    if (!window)
        return FALSE;
    AddButtons(window, *bar);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bar.release()));
    SetWindowSubclass(pmbi->hwndParent, UntilOwnerShown, reinterpret_cast<UINT_PTR>(window), 0);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    // The shell's bar is drawn by the shell from the moment it is made; the
    // program may go on without taking a message (its first load does).
    UpdateWindow(window);
    pmbi->hwndMB = window;
    return TRUE;
}
