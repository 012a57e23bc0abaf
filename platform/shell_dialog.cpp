// The shell's full-screen dialogs: sized to the screen above the menu bar,
// drawn on white as the handheld draws them, with a title strip across the top
// that carries the shell's "ok" button.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/unique_handles.h"
#include "platform/aygshell.h"
#include "platform/handheld.h"

namespace {

// The handheld shows a dialog's title and its "ok" button in the navigation
// bar above it; the emulated screen has no such bar, so the dialog carries its
// own strip of the same height.
constexpr int TitleStripHeight = 26;
constexpr int DoneButtonWidth = 26;
constexpr int DoneButtonHeight = 22;
constexpr int DoneButtonMargin = 3;
constexpr int TitleIndent = 6;

constexpr COLORREF StripFace = RGB(0x10, 0x30, 0x8C);
constexpr COLORREF StripText = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF DonePressedFace = RGB(0x9C, 0xB4, 0xE6);
constexpr COLORREF HandheldStatic = RGB(0xFF, 0xFF, 0xFF);

// What the shell adds to a dialog, kept as the data of its subclass.
struct ShellDialog {
    HWND done = nullptr;       // the "ok" button, or null without SHIDIF_DONEBUTTON
    UniqueFont font;           // title and "ok"
    std::vector<HGDIOBJ> templateImages;   // bitmaps the template's controls loaded
};

void PaintTitleStrip(HWND dialog, const ShellDialog& shell, HDC dc)
{
    RECT client;
    GetClientRect(dialog, &client);
    RECT strip = { 0, 0, client.right, TitleStripHeight };
    FillWithColour(dc, strip, StripFace);

    // The dialog's own title, or its owner's (the program's name) when it has none.
    WCHAR text[128] = {};
    if (GetWindowTextW(dialog, text, ARRAYSIZE(text)) == 0) {
        if (HWND owner = GetWindow(dialog, GW_OWNER))
            GetWindowTextW(owner, text, ARRAYSIZE(text));
    }
    RECT title = strip;
    title.left = TitleIndent;
    title.right -= DoneButtonWidth + 2 * DoneButtonMargin;
    const int saved = SaveDC(dc);
    SelectObject(dc, shell.font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, StripText);
    DrawTextW(dc, text, -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    RestoreDC(dc, saved);
}

// The round "ok" of the handheld's title bar: white on the strip, inverted
// while held down.
void DrawDoneButton(const ShellDialog& shell, const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    FillWithColour(dc, item.rcItem, StripFace);
    const int saved = SaveDC(dc);
    SetDCBrushColor(dc, (item.itemState & ODS_SELECTED) ? DonePressedFace : StripText);
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, item.rcItem.left, item.rcItem.top, item.rcItem.right + 1, item.rcItem.bottom + 1);

    SelectObject(dc, shell.font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, StripFace);
    RECT text = item.rcItem;
    DrawTextW(dc, L"ok", 2, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    RestoreDC(dc, saved);
}

// The bitmaps the dialog's static controls show. A static control keeps the
// bitmap it loaded from the template when it is destroyed, and the shell's
// dialogs are opened and closed again and again: the shell frees those
// bitmaps with the dialog. One the program put in their place is the program's.
std::vector<HGDIOBJ> ShownImages(HWND dialog)
{
    std::vector<HGDIOBJ> images;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP)
            continue;
        if (HGDIOBJ image = reinterpret_cast<HGDIOBJ>(SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0)))
            images.push_back(image);
    }
    return images;
}

// The handheld draws dialogs and their controls on white; the desktop's
// default is its 3D grey. Where the dialog left the colours to the system, the
// handheld's are given; a dialog's own answer stands.
LRESULT HandheldColours(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT brush = DefSubclassProc(dialog, message, wParam, lParam);
    if (brush != 0 && reinterpret_cast<HBRUSH>(brush) != GetSysColorBrush(COLOR_3DFACE))
        return brush;
    SetBkColor(reinterpret_cast<HDC>(wParam), HandheldStatic);
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

// A dialog that selects a font into a static control's device context while
// answering its colours means the control to draw with it, as the handheld's
// static control does. The desktop's static selects its own font over it
// afterwards, so such a control gives its own font up.
LRESULT AnswerStaticColours(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    HDC dc = reinterpret_cast<HDC>(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    const HGDIOBJ before = GetCurrentObject(dc, OBJ_FONT);
    const LRESULT brush = HandheldColours(dialog, WM_CTLCOLORSTATIC, wParam, lParam);
    if (GetCurrentObject(dc, OBJ_FONT) != before && SendMessageW(control, WM_GETFONT, 0, 0))
        SendMessageW(control, WM_SETFONT, 0, FALSE);
    return brush;
}

LRESULT CALLBACK ShellDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR data)
{
    auto* shell = reinterpret_cast<ShellDialog*>(data);
    switch (message) {
    case WM_ERASEBKGND: {
        const LRESULT erased = DefSubclassProc(dialog, message, wParam, lParam);
        if (shell->done)
            PaintTitleStrip(dialog, *shell, reinterpret_cast<HDC>(wParam));
        return erased;
    }
    case WM_CTLCOLORSTATIC:
        return AnswerStaticColours(dialog, wParam, lParam);
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
        return HandheldColours(dialog, message, wParam, lParam);
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (shell->done && item->hwndItem == shell->done) {
            DrawDoneButton(*shell, *item);
            return TRUE;
        }
        break;
    }
    case WM_DESTROY:
        for (HGDIOBJ image : ShownImages(dialog)) {
            const std::vector<HGDIOBJ>& loaded = shell->templateImages;
            if (std::find(loaded.begin(), loaded.end(), image) != loaded.end())
                DeleteObject(image);
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(dialog, ShellDialogProc, 0);
        delete shell;
        break;
    default:
        break;
    }
    return DefSubclassProc(dialog, message, wParam, lParam);
}

// The handheld clips every window by its siblings and children; without it
// the desktop lets a control's background paint over a neighbour it overlaps.
void ClipLikeHandheld(HWND dialog)
{
    SetWindowLongW(dialog, GWL_STYLE, GetWindowLongW(dialog, GWL_STYLE) | WS_CLIPCHILDREN);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SetWindowLongW(child, GWL_STYLE, GetWindowLongW(child, GWL_STYLE) | WS_CLIPSIBLINGS);
}

// Makes room for the strip: the template's controls move down under it, and a
// dialog that keeps its own size grows by the strip.
void MakeRoomForStrip(HWND dialog, bool grow)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(child, nullptr, r.left, r.top + TitleStripHeight, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (grow) {
        RECT r;
        GetWindowRect(dialog, &r);
        SetWindowPos(dialog, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + TitleStripHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// At the right end of the strip, whatever size the dialog has now.
void PlaceDoneButton(HWND dialog, HWND done)
{
    RECT client;
    GetClientRect(dialog, &client);
    SetWindowPos(done, HWND_TOP, client.right - DoneButtonMargin - DoneButtonWidth,
                 (TitleStripHeight - DoneButtonHeight) / 2, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

// The dialog is subclassed once, whatever SHInitDialog is asked later.
ShellDialog* AttachShell(HWND dialog)
{
    DWORD_PTR attached = 0;
    if (GetWindowSubclass(dialog, ShellDialogProc, 0, &attached))
        return reinterpret_cast<ShellDialog*>(attached);
    auto shell = std::make_unique<ShellDialog>();
    shell->font = CreateShellFont(12);
    shell->templateImages = ShownImages(dialog);
    if (!SetWindowSubclass(dialog, ShellDialogProc, 0, reinterpret_cast<DWORD_PTR>(shell.get())))
        return nullptr;
    return shell.release();
}

}  // namespace

BOOL SHInitDialog(SHINITDLGINFO* pshidi)
{
    if (!pshidi || !(pshidi->dwMask & SHIDIM_FLAGS) || !IsWindow(pshidi->hDlg)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HWND dialog = pshidi->hDlg;
    ShellDialog* shell = AttachShell(dialog);
    if (!shell)
        return FALSE;

    ClipLikeHandheld(dialog);
    const bool fullScreen = (pshidi->dwFlags & (SHIDIF_SIZEDLG | SHIDIF_SIZEDLGFULLSCREEN)) != 0;
    if (fullScreen) {
        const RECT screen = HandheldScreenRect();
        SetWindowPos(dialog, nullptr, screen.left, screen.top, screen.right - screen.left,
                     screen.bottom - screen.top - HandheldMenuBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if ((pshidi->dwFlags & SHIDIF_DONEBUTTON) && !shell->done) {
        MakeRoomForStrip(dialog, !fullScreen);
        shell->done = CreateWindowExW(0, L"button", L"ok", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0,
                                      DoneButtonWidth, DoneButtonHeight, dialog,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
                                      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)),
                                      nullptr);
        if (!shell->done)
            return FALSE;
    }
    if (shell->done)
        PlaceDoneButton(dialog, shell->done);
    InvalidateRect(dialog, nullptr, TRUE);
    return TRUE;
}
