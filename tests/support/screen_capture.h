// Pictures of the whole screen as a person sees it, taken by the X server's
// screenshot tool. GDI's screen device context would not do: under Wine it
// holds only what the desktop itself drew, not the other processes' windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class Screenshot {
public:
    // RGB() of a screen pixel; white outside the picture.
    COLORREF Pixel(int x, int y) const;

    // Reads a binary PPM (P6, 8 bits a channel) as ImageMagick writes it, its
    // header without comments. False for anything else.
    bool LoadPpm(const std::string& bytes);

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;   // rows from the top
};

// Takes the screen into *shot. With a PNG path the picture is also kept there
// as a test artefact. False, with *error saying why, when no picture came.
bool CaptureScreen(const std::wstring& pngPath, Screenshot* shot, std::string* error);
