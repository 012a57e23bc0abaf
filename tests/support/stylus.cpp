#include "tests/support/stylus.h"

#include <gtest/gtest.h>

#include "tests/support/pointer.h"
#include "tests/support/test_device.h"

namespace {

// Pumping lets this thread's own windows turn late pointer events into moves
// meanwhile; a tap made from inside a menu's loop must leave the menu's
// messages alone.
void MoveTo(POINT screen, bool pump)
{
    const bool settled = pump ? SettlePointer(screen, PumpMessagesFor)
                              : SettlePointer(screen, [](DWORD ms) { Sleep(ms); });
    if (!settled)
        ADD_FAILURE() << "the pointer did not stay at " << screen.x << "," << screen.y;
}

void SendButton(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

}  // namespace

// The pointer is there first, so that a late move left from an earlier tap
// cannot come between down and up and slide the tap off its button.
void TapAt(POINT screen)
{
    MoveTo(screen, false);
    SendTap(screen);
}

void SlideTap(POINT down, POINT up)
{
    INPUT press = StylusAt(down, MOUSEEVENTF_LEFTDOWN);
    SendInput(1, &press, sizeof press);
    PumpMessagesFor(30);
    INPUT move = StylusAt(up, 0);
    SendInput(1, &move, sizeof move);
    PumpMessagesFor(30);
    INPUT release = StylusAt(up, MOUSEEVENTF_LEFTUP);
    SendInput(1, &release, sizeof release);
}

void Stylus::Press(POINT screen)
{
    MoveTo(screen, true);
    SendButton(MOUSEEVENTF_LEFTDOWN);
    down_ = true;
}

void Stylus::Slide(POINT screen)
{
    MoveTo(screen, true);
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
