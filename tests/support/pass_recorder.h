// Watches, through a WH_CALLWNDPROC hook on this thread, what a pass does to
// the progress dialog and to the event list's drawing, in the order it
// happens, and whether the wait cursor was up at each moment. Header-only, so
// the pass tests of every area can use it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/progress.h"
#include "resources/resource.h"
#include "tests/support/message_boxes.h"

struct PassEvent {
    enum Kind { Open, Title, Status, Range, Position, Close, Redraw } kind;
    std::wstring text;      // Title, Status
    WPARAM wParam = 0;      // Range, Position, Redraw
    LPARAM lParam = 0;      // Range
    HWND owner = nullptr;   // Open
    bool busy = false;      // the wait cursor was up
};

class PassRecorder {
public:
    PassRecorder()
    {
        Active() = this;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    }
    ~PassRecorder()
    {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        if (Active() == this)
            Active() = nullptr;
    }
    PassRecorder(const PassRecorder&) = delete;
    PassRecorder& operator=(const PassRecorder&) = delete;

    const std::vector<PassEvent>& Events() const { return events_; }
    void Clear() { events_.clear(); }

    std::vector<PassEvent> Only(PassEvent::Kind kind) const
    {
        std::vector<PassEvent> picked;
        for (const PassEvent& event : events_)
            if (event.kind == kind)
                picked.push_back(event);
        return picked;
    }
    std::vector<std::wstring> Texts(PassEvent::Kind kind) const
    {
        std::vector<std::wstring> texts;
        for (const PassEvent& event : Only(kind))
            texts.push_back(event.text);
        return texts;
    }
    std::vector<int> Positions() const
    {
        std::vector<int> positions;
        for (const PassEvent& event : Only(PassEvent::Position))
            positions.push_back(static_cast<int>(event.wParam));
        return positions;
    }
    size_t Count(PassEvent::Kind kind) const { return Only(kind).size(); }

    // A readable line per event, for failure messages.
    std::string Describe() const
    {
        static const char* const names[] = { "open",     "title", "status", "range",
                                             "position", "close", "redraw" };
        std::ostringstream out;
        for (const PassEvent& event : events_) {
            out << "  " << names[event.kind];
            if (!event.text.empty())
                out << " \"" << Narrow(event.text) << "\"";
            if (event.kind == PassEvent::Range || event.kind == PassEvent::Position ||
                event.kind == PassEvent::Redraw)
                out << " " << event.wParam << "/" << std::hex << event.lParam << std::dec;
            out << (event.busy ? " busy" : "") << "\n";
        }
        return out.str();
    }

private:
    static PassRecorder*& Active()
    {
        static PassRecorder* active = nullptr;
        return active;
    }

    static bool IsProgressDialog(HWND window)
    {
        return window &&
               GetWindowLongPtrW(window, DWLP_DLGPROC) ==
                   reinterpret_cast<LONG_PTR>(ProgressDialogProc);
    }

    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HC_ACTION && Active())
            Active()->Seen(*reinterpret_cast<const CWPSTRUCT*>(lParam));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    void Seen(const CWPSTRUCT& message)
    {
        // Most messages a pass sends are none of these: they go by at once.
        PassEvent event{};
        switch (message.message) {
        case WM_INITDIALOG:
            if (!IsProgressDialog(message.hwnd))
                return;
            event.kind = PassEvent::Open;
            event.owner = GetWindow(message.hwnd, GW_OWNER);
            break;
        case WM_DESTROY:
            if (!IsProgressDialog(message.hwnd))
                return;
            event.kind = PassEvent::Close;
            break;
        case WM_SETTEXT: {
            const int id = GetDlgCtrlID(message.hwnd);
            if (!IsProgressDialog(GetParent(message.hwnd)) || (id != IDC_PROGRESS_STATUS && id != IDC_PROGRESS_TITLE))
                return;
            event.kind = id == IDC_PROGRESS_STATUS ? PassEvent::Status : PassEvent::Title;
            event.text = reinterpret_cast<const WCHAR*>(message.lParam);
            break;
        }
        case PBM_SETRANGE:
        case PBM_SETPOS:
            if (!IsProgressDialog(GetParent(message.hwnd)) || GetDlgCtrlID(message.hwnd) != IDC_PROGRESS_BAR)
                return;
            event.kind = message.message == PBM_SETRANGE ? PassEvent::Range : PassEvent::Position;
            event.wParam = message.wParam;
            event.lParam = message.lParam;
            break;
        case WM_SETREDRAW:
            if (message.hwnd != EventListWindow || !EventListWindow)
                return;
            event.kind = PassEvent::Redraw;
            event.wParam = message.wParam;
            break;
        default:
            return;
        }
        event.busy = GetCursor() == LoadCursorW(nullptr, IDC_WAIT);
        events_.push_back(event);
    }

    HHOOK hook_ = nullptr;
    std::vector<PassEvent> events_;
};

// "Processing %d of %d events..." for the expectations.
inline std::wstring ProcessingText(int done, int total)
{
    WCHAR text[100];
    wsprintfW(text, L"Processing %d of %d events...", done, total);
    return text;
}
