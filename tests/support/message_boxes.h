// Records every message box the code under test shows on this thread (text,
// caption, owner, the cursor at that moment) and presses a scripted button.
// The benchmarks answer their boxes with it too: it needs no GoogleTest.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

// MessageBoxText and Narrow, which the tests use with the recorder.
#include "tools/outside/program_windows.h"

struct ShownBox {
    std::wstring text;
    std::wstring caption;
    HWND owner = nullptr;
    HCURSOR cursor = nullptr;   // GetCursor() when the box came up
    bool progressOpen = false;  // a progress dialog of the program was open then
};

class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    // Every box is answered with this button (IDOK unless told otherwise)...
    void AnswerAll(int button) { defaultAnswer_ = button; }
    // ...except the next ones, answered in this order.
    void AnswerNext(std::initializer_list<int> buttons);

    // Called when a box comes up, before it is answered (for extra checks),
    // and when it is destroyed.
    std::function<void(HWND box)> onShow;
    std::function<void(HWND box)> onClose;

    const std::vector<ShownBox>& Boxes() const { return boxes_; }
    void Clear() { boxes_.clear(); }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    void OnActivate(HWND dialog);

    HHOOK hook_ = nullptr;
    int defaultAnswer_ = IDOK;
    std::deque<int> answers_;
    std::vector<ShownBox> boxes_;
    std::vector<HWND> seen_;
};
