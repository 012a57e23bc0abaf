#include "tests/support/message_boxes.h"

#include <algorithm>

#include "app/progress.h"

namespace {
MessageBoxRecorder* ActiveRecorder = nullptr;

bool IsInModule(const void* address, HMODULE module)
{
    HMODULE owner = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(address), &owner);
    return owner == module;
}

// Whether a top-level window is a message box (as opposed to a dialog of the
// program's own).
bool IsMessageBox(HWND window)
{
    if (ClassOf(window) != L"#32770")
        return false;
    // The program's own dialogs run a procedure of this module; a message
    // box runs the system's.
    auto proc = reinterpret_cast<const void*>(GetWindowLongPtrW(window, DWLP_DLGPROC));
    return proc != nullptr && !IsInModule(proc, GetModuleHandleW(nullptr));
}

}  // namespace

MessageBoxRecorder::MessageBoxRecorder()
{
    ActiveRecorder = this;
    hook_ = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    if (hook_)
        UnhookWindowsHookEx(hook_);
    if (ActiveRecorder == this)
        ActiveRecorder = nullptr;
}

void MessageBoxRecorder::AnswerNext(std::initializer_list<int> buttons)
{
    answers_.insert(answers_.end(), buttons.begin(), buttons.end());
}

LRESULT CALLBACK MessageBoxRecorder::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && ActiveRecorder)
        ActiveRecorder->OnActivate(window);
    else if (code == HCBT_DESTROYWND && ActiveRecorder && ActiveRecorder->onClose &&
             IsMessageBox(window))
        ActiveRecorder->onClose(window);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxRecorder::OnActivate(HWND dialog)
{
    if (!IsMessageBox(dialog))
        return;
    // A box is activated again when focus comes back to it; record it once.
    if (IsWindow(dialog) && std::find(seen_.begin(), seen_.end(), dialog) != seen_.end())
        return;
    seen_.push_back(dialog);
    boxes_.push_back({ MessageBoxText(dialog), TextOf(dialog), GetWindow(dialog, GW_OWNER), GetCursor(),
                       ProgressWindow != nullptr && IsWindow(ProgressWindow) });
    if (onShow)
        onShow(dialog);

    int answer = defaultAnswer_;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, answer)));
}
