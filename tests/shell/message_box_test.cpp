#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "platform/handheld.h"
#include "platform/store/test_switches.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "tests/support/main_window_fixture.h"

namespace {

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const RECT& r)
{
    std::ostringstream out;
    out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
    return out.str();
}

// The size the static control needs for its whole text at its own width,
// drawn as the control draws it.
SIZE NeededFor(HWND text)
{
    const LONG style = GetWindowLongW(text, GWL_STYLE);
    UINT flags = DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_CALCRECT;
    if (style & SS_NOPREFIX)
        flags |= DT_NOPREFIX;
    if (style & SS_EDITCONTROL)
        flags |= DT_EDITCONTROL;
    RECT client;
    GetClientRect(text, &client);
    WCHAR words[1024] = {};
    GetWindowTextW(text, words, ARRAYSIZE(words));
    HDC dc = GetDC(text);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
    RECT needed = { 0, 0, client.right, 0 };
    DrawTextW(dc, words, -1, &needed, flags);
    SelectObject(dc, previous);
    ReleaseDC(text, dc);
    return { needed.right, needed.bottom };
}

// What does not fit in a shown message box, one line each; empty when it
// all lies inside the screen: the box (caption and close button with it),
// its whole text inside the box and inside its static, its buttons inside
// the box, clear of the text and of each other.
std::string WhatDoesNotFit(HWND box)
{
    std::ostringstream faults;
    RECT window, client;
    GetWindowRect(box, &window);
    GetClientRect(box, &client);
    MapWindowPoints(box, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const RECT screen = HandheldScreenRect();
    if (!Inside(window, screen))
        faults << "  the box " << Describe(window) << " is not inside the screen " << Describe(screen) << "\n";

    HWND text = nullptr;
    std::vector<std::pair<HWND, RECT>> buttons;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE))
            continue;
        RECT r;
        GetWindowRect(child, &r);
        const std::wstring name = ClassOf(child);
        if (!lstrcmpiW(name.c_str(), L"Button"))
            buttons.push_back({ child, r });
        else if (!lstrcmpiW(name.c_str(), L"Static") && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON &&
                 GetWindowTextLengthW(child) > 0)
            text = child;
    }
    if (!text) {
        faults << "  no text\n";
        return faults.str();
    }
    RECT textRect;
    GetWindowRect(text, &textRect);
    if (!Inside(textRect, client))
        faults << "  the text " << Describe(textRect) << " is not inside the box " << Describe(client) << "\n";
    const SIZE needed = NeededFor(text);
    if (needed.cx > textRect.right - textRect.left || needed.cy > textRect.bottom - textRect.top)
        faults << "  the text needs " << needed.cx << "x" << needed.cy << " and has "
               << textRect.right - textRect.left << "x" << textRect.bottom - textRect.top << "\n";
    if (buttons.empty())
        faults << "  no button\n";
    RECT overlap;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const RECT& b = buttons[i].second;
        if (!Inside(b, client))
            faults << "  button " << i << " " << Describe(b) << " is not inside the box\n";
        if (IntersectRect(&overlap, &b, &textRect))
            faults << "  button " << i << " covers the text\n";
        for (size_t j = i + 1; j < buttons.size(); ++j)
            if (IntersectRect(&overlap, &b, &buttons[j].second))
                faults << "  buttons " << i << " and " << j << " overlap\n";
    }
    return faults.str();
}

class MessageBoxFitTest;

// One way to make the program show boxes, and the texts it shows, in order.
struct BoxCase {
    const char* name;
    std::function<void(MessageBoxFitTest&)> show;
    std::vector<std::wstring> texts;
};

class MessageBoxFitTest : public MainWindowTest, public ::testing::WithParamInterface<BoxCase> {
public:
    using MainWindowTest::Command;
    using MainWindowTest::CreateMain;
    using MainWindowTest::device;

    void Start(int entries = 1)
    {
        for (int i = 0; i < entries; ++i)
            device.Add(App(L"\\Windows\\clock.exe"));
        ASSERT_NE(CreateMain(), nullptr);
    }
    void StartWithOptionsOn()
    {
        Start(3);
        RemoveDuplicates = 1;
        NotifyStoreResetFaults();
    }
    void DeleteRowNamed(const std::wstring& name, bool failing)
    {
        const HANDLE entry = device.Add(App(L"\\Windows\\" + name));
        device.Add(App(L"\\Windows\\tmail.exe"));
        ASSERT_NE(CreateMain(), nullptr);
        if (failing)
            NotifyStoreTestFaults().failClear = entry;
        SendMessageW(EventListWindow, LVM_SETSELECTIONMARK, 0, 0);
        boxes.AnswerNext({ IDYES });
        Command(IDM_DELETE);
    }
    NotifyStoreFaults& Faults() { return NotifyStoreTestFaults(); }
};

const std::wstring LongestName(78, L'w');   // what the delete question keeps of a name

const BoxCase BoxCases[] = {
    { "WarningAt300", [](MessageBoxFitTest& t) { t.device.AddAlarms(300); t.Start(0); },
      { L"Warning: You have 300 events on your system which is very high! This may take a while to load..." } },
    { "WarningAt2147", [](MessageBoxFitTest& t) { t.Faults().reportedCount = 2147; t.Start(); },
      { L"Warning: You have 2147 events on your system which is very high! This may take a while to load..." } },
    { "WarningAtTheLargestCountAndNoMemory", [](MessageBoxFitTest& t) { t.Faults().reportedCount = 0x3FFFFFFF; t.Start(); },
      { L"Warning: You have 1073741823 events on your system which is very high! This may take a while to load...",
        L"Could not allocate mem for pHandles!" } },
    { "LoadCountFails", [](MessageBoxFitTest& t) { t.Faults().failCount = true; t.Start(); },
      { L"Error in getting number of notifications 1!" } },
    { "LoadFindsNothing", [](MessageBoxFitTest& t) { t.Start(0); }, { L"Number of notifications is zero!" } },
    { "RefreshCountFails",
      [](MessageBoxFitTest& t) {
          t.Start();
          t.Faults().failCount = true;
          t.Command(IDM_REFRESH);
      },
      { L"Failed to count user notification handles!", L"Error in getting number of notifications 1!" } },
    { "DeleteQuestionWithTheLongestName", [](MessageBoxFitTest& t) { t.DeleteRowNamed(LongestName, false); },
      { L"Delete event '" + LongestName + L"'?" } },
    { "DeleteFails", [](MessageBoxFitTest& t) { t.DeleteRowNamed(L"clock.exe", true); },
      { L"Delete event 'clock.exe'?", L"Unable to delete notification" } },
    { "LogWritten", [](MessageBoxFitTest& t) { t.Start(); t.Command(IDC_LOG); },
      { L"Generated file \"notify_logfile.txt\" in main folder" } },
    { "LogNotWritten",
      [](MessageBoxFitTest& t) {
          t.Start();
          CreateDirectoryW(t.device.LogPath().c_str(), nullptr);
          t.Command(IDC_LOG);
      },
      { L"Unable to write \"notify_logfile.txt\"" } },
    { "ClearCountFails",
      [](MessageBoxFitTest& t) {
          t.StartWithOptionsOn();
          t.Faults().failCount = true;
          t.Faults().failCountAt = 1;
          t.Command(IDC_CLEAR);
      },
      { L"Failed CeGetUserNotificationHandles!" } },
    { "ClearListingFails",
      [](MessageBoxFitTest& t) {
          t.StartWithOptionsOn();
          t.Faults().failListing = true;
          t.Faults().failListingAt = 1;
          t.Command(IDC_CLEAR);
      },
      { L"Error with CeGetUserNotificationHandles!" } },
    { "ClearSecondCountFails",
      [](MessageBoxFitTest& t) {
          t.StartWithOptionsOn();
          t.Faults().failCount = true;
          t.Faults().failCountAt = 2;
          t.Command(IDC_CLEAR);
      },
      { L"Error in getting number of notifications 2!" } },
    { "ClearLeavesNothingForTheDuplicates",
      [](MessageBoxFitTest& t) {
          t.device.Add(App(L"\\Windows\\connmgr.exe"));
          t.device.Add(App(L"SSTimeChange"));
          ASSERT_NE(t.CreateMain(), nullptr);
          RemoveDuplicates = 1;
          t.Command(IDC_CLEAR);
      },
      { L"Number of events is zero!", L"Number of notifications is zero!" } },
    // The clean-up's flag array can only be refused through the clean-up
    // tests' allocation tracker; the box is the program's, shown as Clear shows it.
    { "ClearHasNoMemoryForItsFlags",
      [](MessageBoxFitTest& t) {
          t.Start();
          MessageBoxW(nullptr, L"Could not allocate memory for deletedArray!", L"Error", MB_OK);
      },
      { L"Could not allocate memory for deletedArray!" } },
};

void PrintTo(const BoxCase& c, std::ostream* out)
{
    *out << c.name;
}

// Looks at a box once its message loop runs: the recorder sees the box when
// user32 first activates it, halfway through laying it out, and answers it
// with a posted message; this look is posted just before the answer.
class LaterLook {
public:
    LaterLook()
    {
        static const bool registered = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"MessageBoxFitLook";
            return RegisterClassW(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        window_ = CreateWindowExW(0, L"MessageBoxFitLook", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~LaterLook() { DestroyWindow(window_); }
    LaterLook(const LaterLook&) = delete;
    LaterLook& operator=(const LaterLook&) = delete;

    void Post(HWND box) { PostMessageW(window_, WM_APP, reinterpret_cast<WPARAM>(box), 0); }
    int looked = 0;
    std::vector<std::string> faults;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* look = reinterpret_cast<LaterLook*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message != WM_APP || !look)
            return DefWindowProcW(window, message, wParam, lParam);
        HWND box = reinterpret_cast<HWND>(wParam);
        ++look->looked;
        const std::string fault = IsWindowVisible(box) ? WhatDoesNotFit(box) : "  not shown\n";
        if (!fault.empty())
            look->faults.push_back(Narrow(MessageBoxText(box)) + ":\n" + fault);
        return 0;
    }

    HWND window_ = nullptr;
};

TEST_P(MessageBoxFitTest, EveryBoxLiesWhollyInsideTheScreenWithItsWholeText)
{
    LaterLook look;
    boxes.onShow = [&](HWND box) { look.Post(box); };
    GetParam().show(*this);
    PumpMessages();

    std::vector<std::wstring> shown;
    for (const ShownBox& box : boxes.Boxes())
        shown.push_back(box.text);
    EXPECT_EQ(shown, GetParam().texts);
    EXPECT_EQ(look.looked, static_cast<int>(shown.size()));
    for (const std::string& fault : look.faults)
        ADD_FAILURE() << fault;
}

INSTANTIATE_TEST_SUITE_P(EveryBoxOfTheProgram, MessageBoxFitTest, ::testing::ValuesIn(BoxCases),
                         [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

}  // namespace
