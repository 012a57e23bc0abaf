// windowctl: lets scripts drive a running Tallyvane from outside, as the
// desktop's own tools would: wait for its window, send it a command, tap and
// hold with the stylus, wait for its windows to come up, close it.
//
//   windowctl wait [SECONDS]       wait until the main window exists
//   windowctl command ID           post WM_COMMAND ID to the main window
//   windowctl boxes                print the message boxes on screen (caption: text)
//   windowctl answer BUTTON        press BUTTON (ok, yes, no, cancel) in every message box
//                                  and dialog, and wait until they have closed
//   windowctl close                post WM_CLOSE to the main window
//   windowctl tap bar N            tap the menu bar's button N (0 is the first)
//   windowctl tap menu             tap the middle of the open popup menu (the tap-and-hold
//                                  menu's one item)
//   windowctl hold ROW             hold the stylus on a row of the list until its popup opens
//   windowctl choose N             choose the open drop-down's command N (1 is the first) by keys
//   windowctl show WINDOW [SECONDS]
//                                  wait until the window (main, menu, box, settings, about,
//                                  progress) is on screen; print its place as WxH+X+Y
//   windowctl freeze STEP [SECONDS]
//                                  stop the program when a pass's progress window shows STEP
//                                  (0: the middle of the pass), to be looked at; prints "armed"
//                                  once a pass started from then on will be caught, then the
//                                  status line
//   windowctl thaw                 let the stopped program go on
// Exit code 0 on success, 1 when the window is not there, 2 for bad usage.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "base/unique_handles.h"
#include "resources/resource.h"
#include "tools/outside/input.h"
#include "tools/outside/program_windows.h"
#include "tools/windowctl/freeze_names.h"

namespace {

constexpr WCHAR ClassAndTitle[] = L"Tallyvane";
constexpr DWORD DefaultSeconds = 30;

HWND MainWindowOnScreen()
{
    return FindWindowW(ClassAndTitle, ClassAndTitle);
}

int Usage()
{
    std::fputs("usage: windowctl wait [SECONDS] | command ID | boxes | answer ok|yes|no|cancel | close\n"
               "       | tap bar N | tap menu | hold ROW | choose N\n"
               "       | show main|menu|box|settings|about|progress [SECONDS] | freeze STEP [SECONDS] | thaw\n",
               stderr);
    return 2;
}

int NotThere(const char* what)
{
    std::fprintf(stderr, "windowctl: %s\n", what);
    return 1;
}

int ButtonId(const wchar_t* name)
{
    if (!_wcsicmp(name, L"ok")) return IDOK;
    if (!_wcsicmp(name, L"yes")) return IDYES;
    if (!_wcsicmp(name, L"no")) return IDNO;
    if (!_wcsicmp(name, L"cancel")) return IDCANCEL;
    return 0;
}

DWORD Seconds(int argc, wchar_t** argv, int at)
{
    return argc > at ? wcstoul(argv[at], nullptr, 10) : DefaultSeconds;
}

// The program that owns the main window, opened for reading its controls.
struct Program {
    HWND main = MainWindowOnScreen();
    DWORD id = 0;
    UniqueHandle process;

    Program()
    {
        if (main && GetWindowThreadProcessId(main, &id))
            process.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id));
    }
};

HWND FindNamed(const Program& program, const std::wstring& name)
{
    auto dialogWith = [&](int control) {
        return FindTopLevel(program.id, [control](HWND window) { return GetDlgItem(window, control) != nullptr; });
    };
    if (name == L"main")
        return IsWindowVisible(program.main) ? program.main : nullptr;
    if (name == L"menu")
        return OpenPopupMenu(program.id);
    if (name == L"box")
        return OpenMessageBox(program.id);
    if (name == L"settings")
        return OpenSettingsDialog(program.id);
    if (name == L"about")
        return dialogWith(IDC_ABOUT_NAME);
    if (name == L"progress")
        return dialogWith(IDC_PROGRESS_BAR);
    return nullptr;
}

int TapBar(const Program& program, int index)
{
    HWND bar = MenuBarOf(program.id, program.main);
    RECT r;
    if (!bar || !MenuBarButtonOnScreen(program.process.get(), bar, index, &r))
        return NotThere("no such button on the menu bar");
    TapAt(CentreOf(r));
    return 0;
}

// Holds the stylus on the row until the popup opens, then slides it off
// below the popup before lifting it: lifted on the popup it would choose.
int Hold(const Program& program, int row)
{
    const OutsideList list(program.process.get(), FindWindowExW(program.main, nullptr, WC_LISTVIEWW, nullptr));
    RECT r;
    if (!list.Window() || !list.RowOnScreen(row, &r))
        return NotThere("no such row in the list");
    const RECT area = list.RowArea();
    const POINT point = { area.left + 30, (r.top + r.bottom) / 2 };
    if (!PtInRect(&area, point))
        return NotThere("the row is not on screen");
    SendStylus(point, MOUSEEVENTF_LEFTDOWN);
    HWND popup = nullptr;
    WaitUntil([&] { return (popup = OpenPopupMenu(program.id)) != nullptr; }, 10000);
    const POINT off = { point.x, std::max<LONG>(point.y, popup ? ScreenRectOf(popup).bottom : 0) + 20 };
    SendStylus(off, 0);
    Sleep(50);
    SendStylus(off, MOUSEEVENTF_LEFTUP);
    return popup ? 0 : NotThere("holding the stylus on the row opened no popup");
}

int Show(const Program& program, const std::wstring& name, DWORD seconds)
{
    HWND window = nullptr;
    if (!WaitUntil([&] { return (window = FindNamed(program, name)) != nullptr; }, seconds * 1000))
        return NotThere("the window did not come up");
    const RECT r = ScreenRectOf(window);
    std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    return 0;
}

// The pass stops itself, in the hook put into the program (freeze_hook.cpp
// says why). The hook is set before anything else, so that a pass started
// after "armed" is printed (by a box answered from another call) is caught
// too; it lasts as long as this call.
int Freeze(const Program& program, int step, DWORD seconds)
{
    const DWORD thread = GetWindowThreadProcessId(program.main, nullptr);
    const UniqueHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG),
                                                  FreezeObjectName(FreezeStepName, program.id).c_str()));
    const UniqueHandle stopped(
        CreateEventW(nullptr, TRUE, FALSE, FreezeObjectName(FreezeStoppedName, program.id).c_str()));
    const UniqueHandle thaw(CreateEventW(nullptr, TRUE, FALSE, FreezeObjectName(FreezeThawName, program.id).c_str()));
    auto* shared = mapping && stopped && thaw
                       ? static_cast<LONG*>(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(LONG)))
                       : nullptr;
    if (!shared)
        return NotThere("cannot make the objects to stop the program with");
    *shared = step;   // where the hook reads it
    UnmapViewOfFile(shared);
    // Found beside windowctl.exe, the first folder a bare name is looked for in.
    HMODULE hook = LoadLibraryW(L"windowctl_freeze.dll");
    const auto stop = hook ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void (*)()>(GetProcAddress(hook, "StopAtStep")))
                           : nullptr;
    HHOOK hooked = stop ? SetWindowsHookExW(WH_CALLWNDPROC, stop, hook, thread) : nullptr;
    if (!hooked)
        return NotThere("cannot hook the program (windowctl_freeze.dll)");
    std::printf("armed\n");
    std::fflush(stdout);

    const DWORD start = GetTickCount();
    DWORD waited = WAIT_TIMEOUT;
    while (waited == WAIT_TIMEOUT && IsWindow(program.main) && GetTickCount() - start < seconds * 1000)
        waited = WaitForSingleObject(stopped.get(), 50);
    UnhookWindowsHookEx(hooked);
    if (waited != WAIT_OBJECT_0)
        return NotThere("the pass did not come to that step");
    HWND progress = FindNamed(program, L"progress");
    std::printf("%s\n", Narrow(progress ? TextOf(GetDlgItem(progress, IDC_PROGRESS_STATUS)) : L"").c_str());
    return 0;
}

int Thaw(const Program& program)
{
    const std::wstring name = FreezeObjectName(FreezeThawName, program.id);
    const UniqueHandle thaw(OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str()));
    if (!thaw)
        return NotThere("the program is not stopped");
    SetEvent(thaw.get());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Usage();
    const std::wstring verb = argv[1];

    if (verb == L"wait") {
        if (!WaitUntil([] { return MainWindowOnScreen() != nullptr; }, Seconds(argc, argv, 2) * 1000))
            return NotThere("no Tallyvane window");
        return 0;
    }
    if (verb == L"boxes" || verb == L"answer") {
        int button = 0;   // 0: only list them
        if (verb == L"answer" && (argc < 3 || (button = ButtonId(argv[2])) == 0))
            return Usage();
        const std::vector<HWND> boxes = VisibleTopLevels([](HWND window) { return ClassOf(window) == L"#32770"; });
        for (HWND box : boxes) {
            if (button == 0)
                std::printf("%s: %s\n", Narrow(TextOf(box)).c_str(), Narrow(MessageBoxText(box)).c_str());
            else
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        }
        if (button == 0)
            return 0;
        // A script's next tap must not land on a box that is still closing.
        return WaitUntil([&] {
            return std::none_of(boxes.begin(), boxes.end(), [](HWND box) { return IsWindow(box) && IsWindowVisible(box); });
        }, 5000) ? 0 : NotThere("a box stayed open");
    }

    const wchar_t* const onTheWindow[] = { L"command", L"close", L"tap", L"hold", L"choose", L"show", L"freeze", L"thaw" };
    if (std::none_of(std::begin(onTheWindow), std::end(onTheWindow), [&](const wchar_t* v) { return verb == v; }))
        return Usage();
    const Program program;
    if (!program.main)
        return NotThere("no Tallyvane window");
    const std::wstring what = argc > 2 ? argv[2] : L"";
    if (verb == L"command" && argc > 2)
        return PostMessageW(program.main, WM_COMMAND, MAKEWPARAM(wcstoul(argv[2], nullptr, 10), 0), 0) ? 0 : 1;
    if (verb == L"close")
        return PostMessageW(program.main, WM_CLOSE, 0, 0) ? 0 : 1;
    if (verb == L"tap" && what == L"bar" && argc > 3)
        return TapBar(program, _wtoi(argv[3]));
    if (verb == L"tap" && what == L"menu") {
        HWND menu = OpenPopupMenu(program.id);
        if (!menu)
            return NotThere("no popup menu is open");
        TapWindow(menu);
        return 0;
    }
    if (verb == L"hold" && argc > 2)
        return Hold(program, _wtoi(argv[2]));
    if (verb == L"choose" && argc > 2) {
        for (int i = 0; i < _wtoi(argv[2]); ++i)
            PressKey(VK_DOWN);
        PressKey(VK_RETURN);
        return 0;
    }
    if (verb == L"show" && argc > 2)
        return Show(program, what, Seconds(argc, argv, 3));
    if (verb == L"freeze" && argc > 2)
        return Freeze(program, _wtoi(argv[2]), Seconds(argc, argv, 3));
    if (verb == L"thaw")
        return Thaw(program);
    return Usage();
}
