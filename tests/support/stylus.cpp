#include "tests/shell/stylus.h"

#include "tests/support/test_device.h"

namespace {

// One stylus event at a screen point: the position travels with the event,
// so it cannot race a separate cursor move.
INPUT StylusAt(POINT screen, DWORD flags)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (screen.x * 65536 + width - 1) / width;
    input.mi.dy = (screen.y * 65536 + height - 1) / height;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

}  // namespace

// Down and up go in together, as a quick tap does: a menu the down opens
// finds the up already waiting.
void TapAt(POINT screen)
{
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
bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= milliseconds)
            return false;
        PumpMessagesFor(10);
    }
    return true;
}

POINT ScreenCentre(HWND window, RECT client)
{
    POINT centre = { (client.left + client.right) / 2, (client.top + client.bottom) / 2 };
    ClientToScreen(window, &centre);
    return centre;
}
