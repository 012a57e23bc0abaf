#include "tests/support/pointer.h"

// Absolute input is in 1/65536ths of the screen: aim at the pixel's centre.
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
// cursor back where it was, so the move is repeated until it holds.
bool SettlePointer(POINT screen, const std::function<void(DWORD)>& wait)
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
        wait(15);
    }
    return steady >= 3;
}

void SendTap(POINT screen)
{
    INPUT inputs[2] = { StylusAt(screen, MOUSEEVENTF_LEFTDOWN), StylusAt(screen, MOUSEEVENTF_LEFTUP) };
    SendInput(2, inputs, sizeof inputs[0]);
}
