#include "tests/support/message_boxes.h"

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

std::wstring WindowText(HWND window)
{
    WCHAR buffer[1024] = {};
    GetWindowTextW(window, buffer, ARRAYSIZE(buffer));
    return buffer;
}

// Whether a top-level window is a message box (as opposed to a dialog of the
// program's own).
bool IsMessageBox(HWND window)
{
    WCHAR cls[16] = {};
    GetClassNameW(window, cls, ARRAYSIZE(cls));
    if (lstrcmpW(cls, L"#32770") != 0)
        return false;
    // The program's own dialogs run a procedure of this module; a message
    // box runs the system's.
    auto proc = reinterpret_cast<const void*>(GetWindowLongPtrW(window, DWLP_DLGPROC));
    return proc != nullptr && !IsInModule(proc, GetModuleHandleW(nullptr));
}

}  // namespace

// The longest non-icon static text of a message box is its message.
std::wstring MessageBoxText(HWND box)
{
    std::wstring best;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR cls[32] = {};
        GetClassNameW(child, cls, ARRAYSIZE(cls));
        if (lstrcmpiW(cls, L"Static") != 0)
            continue;
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        std::wstring text = WindowText(child);
        if (text.size() > best.size())
            best = text;
    }
    return best;
}

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
    for (HWND seen : seen_)
        if (seen == dialog && IsWindow(dialog))
            return;
    seen_.push_back(dialog);

    ShownBox box;
    box.text = MessageBoxText(dialog);
    box.caption = WindowText(dialog);
    box.owner = GetWindow(dialog, GW_OWNER);
    box.cursor = GetCursor();
    box.progressOpen = ProgressWindow != nullptr && IsWindow(ProgressWindow);
    boxes_.push_back(box);
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

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}
