// Drives a modal dialog from inside its own message loop: once the dialog the
// code under test opens is on screen, a thread timer runs the script with it.
#pragma once

#include <windows.h>

#include <functional>

class ModalScript {
public:
    explicit ModalScript(std::function<void(HWND dialog)> script);
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    HWND Dialog() const { return dialog_; }   // the last dialog created, or null
    int DialogsCreated() const { return created_; }
    bool Ran() const { return ran_; }
    // The script left the dialog open and it had to be ended for it.
    bool TimedOut() const { return timedOut_; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();

    std::function<void(HWND)> script_;
    HHOOK hook_ = nullptr;
    UINT_PTR timer_ = 0;
    HWND dialog_ = nullptr;
    int created_ = 0;
    bool ran_ = false;
    bool timedOut_ = false;
    DWORD ranAt_ = 0;
};
