#include "tests/support/stylus.h"

#include <gtest/gtest.h>

#include "tests/support/test_device.h"

namespace {

void SendButton(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

}  // namespace

void SlideTap(POINT down, POINT up)
{
    SendStylus(down, MOUSEEVENTF_LEFTDOWN);
    PumpMessagesFor(30);
    SendStylus(up, 0);
    PumpMessagesFor(30);
    SendStylus(up, MOUSEEVENTF_LEFTUP);
}

void Stylus::Press(POINT screen)
{
    Slide(screen);
    SendButton(MOUSEEVENTF_LEFTDOWN);
    down_ = true;
}

// Pumping lets this thread's own windows turn late pointer events into moves
// meanwhile.
void Stylus::Slide(POINT screen)
{
    if (!SettlePointer(screen, PumpMessagesFor))
        ADD_FAILURE() << "the pointer did not stay at " << screen.x << "," << screen.y;
}

void Stylus::Lift()
{
    if (down_)
        SendButton(MOUSEEVENTF_LEFTUP);
    down_ = false;
}

POINT ScreenCentre(HWND window, RECT client)
{
    POINT centre = { (client.left + client.right) / 2, (client.top + client.bottom) / 2 };
    ClientToScreen(window, &centre);
    return centre;
}
