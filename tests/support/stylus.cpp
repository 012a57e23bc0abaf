#include "tests/support/stylus.h"

#include <gtest/gtest.h>

#include "tests/support/test_device.h"

namespace {

// One stylus event at a screen point: the position travels with the event,
// so it cannot race a separate cursor move. Absolute input is in 1/65536ths
// of the screen: aim at the pixel's centre.
INPUT StylusAt(POINT screen, DWORD flags)
{
    const LONG cx = GetSystemMetrics(SM_CXSCREEN);
    const LONG cy = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (2 * screen.x + 1) * 65536 / (2 * cx);
    input.mi.dy = (2 * screen.y + 1) * 65536 / (2 * cy);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

// Under Wine the X server's own pointer events can arrive late and put the
// cursor back where it was, so the move is repeated until it holds. Pumping
// lets this thread's own windows turn such events into moves meanwhile; a tap
// made from inside a menu's loop must leave the menu's messages alone.
void MoveTo(POINT screen, bool pump)
{
    INPUT input = StylusAt(screen, 0);
    int steady = 0;
    for (int attempt = 0; attempt < 40 && steady < 3; ++attempt) {
        POINT now = {};
        GetCursorPos(&now);
        if (now.x == screen.x && now.y == screen.y) {
            ++steady;
        } else {
            steady = 0;
            SendInput(1, &input, sizeof input);
        }
        if (pump)
            PumpMessagesFor(15);
        else
            Sleep(15);
    }
    if (steady < 3)
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

// Down and up go in together, as a quick tap does: a menu the down opens
// finds the up already waiting. The pointer is there first, so that a late
// move left from an earlier tap cannot come between them and slide the tap
// off its button.
void TapAt(POINT screen)
{
    MoveTo(screen, false);
    INPUT inputs[2] = { StylusAt(screen, MOUSEEVENTF_LEFTDOWN), StylusAt(screen, MOUSEEVENTF_LEFTUP) };
    SendInput(2, inputs, sizeof inputs[0]);
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
