#include "tests/dialogs/modal_script.h"

namespace {
ModalScript* Active = nullptr;
constexpr DWORD Patience = 3000;   // milliseconds a dialog may stay open after its script
}

ModalScript::ModalScript(std::function<void(HWND)> script) : script_(std::move(script))
{
    Active = this;
    hook_ = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    timer_ = SetTimer(nullptr, 0, 20, OnTimer);
}

ModalScript::~ModalScript()
{
    KillTimer(nullptr, timer_);
    UnhookWindowsHookEx(hook_);
    Active = nullptr;
}

LRESULT CALLBACK ModalScript::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && Active) {
        WCHAR cls[16] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), cls, ARRAYSIZE(cls));
        if (lstrcmpW(cls, L"#32770") == 0) {
            Active->dialog_ = reinterpret_cast<HWND>(wParam);
            ++Active->created_;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK ModalScript::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (Active)
        Active->Tick();
}

void ModalScript::Tick()
{
    if (!dialog_ || !IsWindow(dialog_) || !IsWindowVisible(dialog_))
        return;
    if (!ran_) {
        ran_ = true;
        ranAt_ = GetTickCount();
        RedrawWindow(dialog_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        script_(dialog_);
        return;
    }
    if (GetTickCount() - ranAt_ > Patience) {
        timedOut_ = true;
        EndDialog(dialog_, 0);
    }
}
