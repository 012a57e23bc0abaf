#include "tools/outside/input.h"

#include "tools/outside/program_windows.h"

namespace {

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

}  // namespace

void SendStylus(POINT screen, DWORD flags)
{
    INPUT input = StylusAt(screen, flags);
    SendInput(1, &input, sizeof input);
}

// Under Wine the X server's own pointer events can arrive late and put the
// cursor back where it was, so the move is repeated until it holds.
bool SettlePointer(POINT screen, const std::function<void(DWORD)>& wait)
{
    int steady = 0;
    for (int attempt = 0; attempt < 40 && steady < 3; ++attempt) {
        POINT now = {};
        GetCursorPos(&now);
        if (now.x == screen.x && now.y == screen.y) {
            ++steady;
        } else {
            steady = 0;
            SendStylus(screen, 0);
        }
        wait(15);
    }
    return steady >= 3;
}

// Down and up in one go, as a quick tap does: a menu the down opens finds the
// up already waiting. The wait between looks at the pointer takes no
// messages: a tap made from inside a menu's loop leaves the menu's alone.
bool TapAt(POINT screen)
{
    const bool settled = SettlePointer(screen, [](DWORD ms) { Sleep(ms); });
    INPUT inputs[2] = { StylusAt(screen, MOUSEEVENTF_LEFTDOWN), StylusAt(screen, MOUSEEVENTF_LEFTUP) };
    SendInput(2, inputs, sizeof inputs[0]);
    return settled;
}

bool TapWindow(HWND window)
{
    return TapAt(CentreOf(ScreenRectOf(window)));
}

void PressKey(WORD virtualKey)
{
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = virtualKey;
        key.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof keys[0]);
}
