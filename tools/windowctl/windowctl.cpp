// windowctl: lets scripts drive a running Tallyvane from outside, as the
// desktop's own tools would: wait for its window, send it a command, close it.
//
//   windowctl wait [SECONDS]       wait until the main window exists
//   windowctl command ID           post WM_COMMAND ID to the main window
//   windowctl boxes                print the message boxes on screen (caption: text)
//   windowctl answer BUTTON        press BUTTON (ok, yes, no, cancel) in every message box
//   windowctl close                post WM_CLOSE to the main window
// Exit code 0 on success, 1 when the window is not there, 2 for bad usage.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr WCHAR ClassAndTitle[] = L"Tallyvane";

HWND MainWindowOnScreen()
{
    return FindWindowW(ClassAndTitle, ClassAndTitle);
}

int Usage()
{
    std::fputs("usage: windowctl wait [SECONDS] | command ID | boxes | answer ok|yes|no|cancel | close\n",
               stderr);
    return 2;
}

std::string Utf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

struct BoxVisit {
    int button;   // 0: only list them
    int found;
};

BOOL CALLBACK VisitBox(HWND window, LPARAM param)
{
    auto* visit = reinterpret_cast<BoxVisit*>(param);
    WCHAR cls[16] = {};
    GetClassNameW(window, cls, ARRAYSIZE(cls));
    if (lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    WCHAR caption[256] = {};
    GetWindowTextW(window, caption, ARRAYSIZE(caption));
    std::wstring text;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR childClass[16] = {};
        GetClassNameW(child, childClass, ARRAYSIZE(childClass));
        WCHAR childText[1024] = {};
        GetWindowTextW(child, childText, ARRAYSIZE(childText));
        if (lstrcmpiW(childClass, L"Static") == 0 && wcslen(childText) > text.size())
            text = childText;
    }
    ++visit->found;
    if (visit->button == 0)
        std::printf("%s: %s\n", Utf8(caption).c_str(), Utf8(text).c_str());
    else
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(visit->button, BN_CLICKED), 0);
    return TRUE;
}

int ButtonId(const wchar_t* name)
{
    if (!_wcsicmp(name, L"ok")) return IDOK;
    if (!_wcsicmp(name, L"yes")) return IDYES;
    if (!_wcsicmp(name, L"no")) return IDNO;
    if (!_wcsicmp(name, L"cancel")) return IDCANCEL;
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Usage();
    const std::wstring verb = argv[1];

    if (verb == L"wait") {
        const DWORD seconds = argc > 2 ? wcstoul(argv[2], nullptr, 10) : 30;
        const DWORD start = GetTickCount();
        while (!MainWindowOnScreen()) {
            if (GetTickCount() - start > seconds * 1000) {
                std::fputs("windowctl: no Tallyvane window\n", stderr);
                return 1;
            }
            Sleep(50);
        }
        return 0;
    }
    if (verb == L"boxes" || verb == L"answer") {
        BoxVisit visit = { 0, 0 };
        if (verb == L"answer") {
            if (argc < 3 || (visit.button = ButtonId(argv[2])) == 0)
                return Usage();
        }
        EnumWindows(VisitBox, reinterpret_cast<LPARAM>(&visit));
        return 0;
    }

    HWND window = MainWindowOnScreen();
    if (verb == L"command" && argc > 2) {
        if (!window)
            return 1;
        const WORD id = static_cast<WORD>(wcstoul(argv[2], nullptr, 10));
        return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0) ? 0 : 1;
    }
    if (verb == L"close") {
        if (!window)
            return 1;
        return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    return Usage();
}
