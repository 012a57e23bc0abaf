// The stylus for tests that drive their own windows: slides and holds made
// while the test's thread takes its messages, and waiting for what they
// cause. A tap is TapAt (tools/outside/input.h).
#pragma once

#include <windows.h>

#include "tools/outside/input.h"

// Down at one point, up at another (a tap that slides off its button).
void SlideTap(POINT down, POINT up);
// The centre of a rectangle given in a window's client coordinates, on the screen.
POINT ScreenCentre(HWND window, RECT client);

// The stylus held down (the mouse's left button). A test that ended with the
// stylus down would leave it down for the next one, so it is lifted at the end.
class Stylus {
public:
    Stylus() = default;
    ~Stylus() { Lift(); }
    Stylus(const Stylus&) = delete;
    Stylus& operator=(const Stylus&) = delete;

    // Moves to the point and puts the stylus down there.
    void Press(POINT screen);
    // Moves the stylus that is down to another point.
    void Slide(POINT screen);
    void Lift();

private:
    bool down_ = false;
};
