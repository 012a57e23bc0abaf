// windowctl_freeze.dll: stops a running Tallyvane at a chosen step of a pass,
// for `windowctl freeze`. A pass takes no messages, so it cannot be asked to
// wait; and stopping its thread from outside stops it wherever it happens to
// be, a different step on every run. So windowctl hooks the program's thread
// (WH_CALLWNDPROC, with this DLL, which Wine loads into the program for the
// hook) and the pass stops itself: as it is about to write the status line of
// the step after the chosen one, when the line and the bar show the chosen
// step, fully painted. It waits there, on the screen, until `windowctl thaw`.
// The objects it and windowctl share are in freeze_names.h.
#include <windows.h>

#include <cwchar>

#include "base/unique_handles.h"
#include "resources/resource.h"
#include "tools/windowctl/freeze_names.h"

namespace {

// Longest a pass waits for its thaw: a script that died meanwhile leaves no
// program stopped for ever.
constexpr DWORD LongestStop = 5 * 60 * 1000;

// The step the pass is to stop at, or -1 when windowctl set none.
int WantedStep(int total)
{
    const UniqueHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, FreezeObjectName(FreezeStepName).c_str()));
    if (!mapping)
        return -1;
    int step = -1;
    const auto* shared = static_cast<const LONG*>(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof(LONG)));
    if (shared) {
        step = *shared > 0 ? static_cast<int>(*shared) : total / 2;
        UnmapViewOfFile(shared);
    }
    return step;
}

void StopHere()
{
    const UniqueHandle stopped(OpenEventW(EVENT_MODIFY_STATE, FALSE, FreezeObjectName(FreezeStoppedName).c_str()));
    const UniqueHandle thaw(OpenEventW(SYNCHRONIZE, FALSE, FreezeObjectName(FreezeThawName).c_str()));
    if (!stopped || !thaw)
        return;
    // Waiting for messages, even for no time, is when Wine hands what the
    // thread painted to the X screen.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
    SetEvent(stopped.get());
    WaitForSingleObject(thaw.get(), LongestStop);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK StopAtStep(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_SETTEXT && call->lParam &&
        GetDlgCtrlID(call->hwnd) == IDC_PROGRESS_STATUS) {
        int done = 0, total = 0;
        if (swscanf(reinterpret_cast<const WCHAR*>(call->lParam), L"Processing %d of %d", &done, &total) == 2 &&
            done - 1 == WantedStep(total))
            StopHere();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    // Wine loads and frees a hook's DLL around each call of the hook; kept
    // loaded, the program pays for it once.
    if (reason == DLL_PROCESS_ATTACH) {
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&StopAtStep), &pinned);
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}
