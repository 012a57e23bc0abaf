#include "tests/support/screen_reading.h"

#include <algorithm>

#include "resources/resource.h"

namespace {

// Where the program paints its total line, in the main window's client area.
constexpr RECT TotalLine = { 3, 2, 183, 17 };
constexpr int LargestTotalRead = 5000;

bool IsDark(COLORREF colour)
{
    return GetRValue(colour) + GetGValue(colour) + GetBValue(colour) < 3 * 110;
}

bool IsRed(COLORREF colour)
{
    return GetRValue(colour) >= 160 && GetGValue(colour) <= 100 && GetBValue(colour) <= 100;
}

// The total line's text drawn as the program draws it, as a mask of dark pixels
// over the line's rectangle.
class TotalLineDrawing {
public:
    TotalLineDrawing()
    {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = TotalLine.right;
        info.bmiHeader.biHeight = -TotalLine.bottom;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~TotalLineDrawing()
    {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    TotalLineDrawing(const TotalLineDrawing&) = delete;
    TotalLineDrawing& operator=(const TotalLineDrawing&) = delete;

    bool Dark(int x, int y) const
    {
        const DWORD pixel = bits_[y * TotalLine.right + x];   // 0x00RRGGBB
        return IsDark(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }

    void Draw(int total)
    {
        RECT all = { 0, 0, TotalLine.right, TotalLine.bottom };
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        WCHAR text[80];
        wsprintfW(text, L"Total Events = %d", total);
        RECT line = TotalLine;
        DrawTextW(dc_, text, -1, &line, 0);
        GdiFlush();
    }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    DWORD* bits_ = nullptr;
};

bool LineMatches(TotalLineDrawing& drawing, int total, const Screenshot& shot, POINT origin, int right)
{
    drawing.Draw(total);
    for (int y = TotalLine.top; y < TotalLine.bottom; ++y) {
        for (int x = TotalLine.left; x < right; ++x) {
            if (drawing.Dark(x, y) != IsDark(shot.Pixel(origin.x + x, origin.y + y)))
                return false;
        }
    }
    return true;
}

}  // namespace

int TotalShown(const Screenshot& shot, HWND mainWindow)
{
    POINT origin = { 0, 0 };
    ClientToScreen(mainWindow, &origin);
    int right = TotalLine.right;
    if (HWND clear = GetDlgItem(mainWindow, IDC_CLEAR)) {
        RECT button = {};
        GetWindowRect(clear, &button);
        right = std::min<int>(right, button.left - origin.x);
    }
    TotalLineDrawing drawing;
    for (int total = 0; total <= LargestTotalRead; ++total) {
        if (LineMatches(drawing, total, shot, origin, right))
            return total;
    }
    return -1;
}

Ink InkIn(const Screenshot& shot, const RECT& area)
{
    Ink ink;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF colour = shot.Pixel(x, y);
            if (IsRed(colour))
                ++ink.red;
            else if (IsDark(colour))
                ++ink.dark;
        }
    }
    return ink;
}

bool LooksDrawn(const Screenshot& shot, const RECT& area)
{
    const Ink ink = InkIn(shot, area);
    const long pixels = static_cast<long>(area.right - area.left) * (area.bottom - area.top);
    return pixels > 0 && 2L * (ink.dark + ink.red) < pixels;
}

std::vector<RECT> TextLines(const Screenshot& shot, const RECT& area)
{
    std::vector<RECT> lines;
    bool inLine = false;
    for (int y = area.top; y < area.bottom; ++y) {
        bool inked = false;
        for (int x = area.left; x < area.right && !inked; ++x)
            inked = IsDark(shot.Pixel(x, y));
        if (inked && !inLine)
            lines.push_back(RECT{ area.left, y, area.right, y + 1 });
        if (inked)
            lines.back().bottom = y + 1;
        inLine = inked;
    }
    return lines;
}
