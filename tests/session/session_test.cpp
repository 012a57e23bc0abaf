// One session with the real Tallyvane.exe on a fresh demo device, driven only
// from outside as a person would: taps on the buttons and the menu bar, a
// press-and-hold on a row, taps and keys in the boxes and dialogs. What the
// session did is read back from the store, the log file, the registry and
// screenshots, which are kept beside the test programs in session-shots.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/notify.h"
#include "resources/resource.h"
#include "tests/session/fresh_device.h"
#include "tests/support/message_boxes.h"
#include "tests/support/program_process.h"
#include "tests/support/screen_capture.h"
#include "tests/support/screen_reading.h"
#include "tests/support/stylus.h"
#include "tests/support/test_device.h"
#include "tools/outside/input.h"
#include "tools/outside/program_windows.h"

namespace {

constexpr size_t DemoEntryCount = 35;
constexpr size_t EntriesLeftByClear = 15;   // the demo set without its pile-up and copies
constexpr int HeldRow = 2;
constexpr DWORD StartTimeout = 20000;
constexpr DWORD WindowTimeout = 10000;
constexpr DWORD PassTimeout = 20000;

enum MenuBarButton { RefreshButton, OptionsButton, ExitButton };
const char* const MenuBarLabels[] = { "Refresh", "Options", "Exit" };

std::string Describe(const EntryView& view)
{
    return Narrow(view.application + L" " + view.arguments + (view.hasDialog ? L" [" + view.title + L"]" : L""));
}

std::string Describe(const std::vector<StoredNotification>& entries)
{
    std::ostringstream out;
    for (const StoredNotification& entry : entries)
        out << "\n  " << entry.handle << ": " << Describe(ViewOf(entry));
    return out.str();
}

std::vector<DWORD> HandlesOf(const std::vector<StoredNotification>& entries)
{
    std::vector<DWORD> handles;
    for (const StoredNotification& entry : entries)
        handles.push_back(entry.handle);
    return handles;
}

// The entries the clean-up's rules name: the connection manager's and the
// time-change registrations, the caller id's restore entry and, with the
// option on, the missed-call scripts.
bool IsPileUp(const EntryView& view, bool scriptsToo)
{
    return view.application == L"connmgr.exe" || view.application == L"SSTimeChange" ||
           (view.application == L"IA_Caller_ID.exe" && view.event == NOTIFICATION_EVENT_RESTORE_END) ||
           (scriptsToo && view.application.compare(0, 9, L"SCRIPT:0x") == 0);
}

// Two entries the clean-up takes for copies of one another (the status does
// not count; the dialog's texts count when both have a dialog).
bool AreCopies(const EntryView& a, const EntryView& b)
{
    return a.application == b.application && a.type == b.type && a.event == b.event &&
           a.hasDialog == b.hasDialog && (!a.hasDialog || (a.title == b.title && a.text == b.text)) &&
           a.arguments == b.arguments;
}

// What Clear with both options on leaves of a store: no pile-up entries, and
// of each group of copies only the first.
std::vector<DWORD> LeftByClear(const std::vector<StoredNotification>& entries)
{
    std::vector<EntryView> kept;
    std::vector<DWORD> handles;
    for (const StoredNotification& entry : entries) {
        const EntryView view = ViewOf(entry);
        if (IsPileUp(view, true))
            continue;
        if (std::any_of(kept.begin(), kept.end(), [&](const EntryView& k) { return AreCopies(k, view); }))
            continue;
        kept.push_back(view);
        handles.push_back(entry.handle);
    }
    return handles;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    }
    return lines;
}

std::string Show(const std::optional<long long>& value)
{
    if (!value)
        return "missing";
    return *value < 0 ? "not a REG_DWORD" : std::to_string(*value);
}

std::string Join(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += "\n  " + line;
    return out;
}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        shotFolder_ = BuiltProgramPath(L"session-shots");
        CreateDirectoryW(shotFolder_.c_str(), nullptr);
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((shotFolder_ + L"\\*.png").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((shotFolder_ + L"\\" + found.cFileName).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }

    // The screen now, kept as NN-name.png.
    Screenshot Shot(const std::string& name)
    {
        Screenshot shot;
        std::string error;
        if (!CaptureScreen(NextShotPath(name), &shot, &error))
            ADD_FAILURE() << "screenshot " << name << ": " << error;
        return shot;
    }

    // The screen once these windows are drawn (a window just shown is black
    // on the X screen until it has painted itself).
    Screenshot ShotOnceDrawn(const std::string& name, const std::vector<HWND>& windows)
    {
        const std::wstring path = NextShotPath(name);
        Screenshot shot;
        std::string error;
        const bool drawn = PumpUntil([&] {
            if (!CaptureScreen(path, &shot, &error))
                return false;
            return std::all_of(windows.begin(), windows.end(),
                               [&](HWND window) { return LooksDrawn(shot, ScreenRectOf(window)); });
        }, WindowTimeout);
        if (!drawn)
            ADD_FAILURE() << "screenshot " << name << ": " << (error.empty() ? "the windows were not drawn" : error);
        return shot;
    }

    std::wstring NextShotPath(const std::string& name)
    {
        WCHAR number[8];
        wsprintfW(number, L"%02d-", ++shotCount_);
        return shotFolder_ + L"\\" + number + std::wstring(name.begin(), name.end()) + L".png";
    }

    // The steps of the session, in order.
    void FreshDemoDevice();
    void StartShowsTheDemoEntries();
    void LogWritesEveryEntry();
    void SettingsSwitchBothOptionsOn();
    void ClearRemovesPileUpAndCopies();
    void HoldAndDeleteOneRow();
    void RefreshReadsTheStoreAgain();
    void ExitEndsWithCodeZero();
    void SecondStartReadsTheOptionsBack();

    // What a person does and sees.
    bool StartProgram(const char* what);
    void TapMenuBar(MenuBarButton button);
    void ChooseFromOptions(size_t line, const std::string& shotName);
    HWND WaitForSettingsDialog();
    struct Answered {
        std::wstring caption;
        std::wstring text;
    };
    Answered AnswerMessageBox(int button, const std::string& shotName);
    void ExpectTotalShown(int expected, const std::string& shotName);
    void ExpectRowColours(const Screenshot& shot, const std::string& when, bool someRed);
    std::vector<StoredNotification> Store();
    OutsideList List() const;

    FreshDevice device_;
    std::unique_ptr<ProgramProcess> program_;
    HWND main_ = nullptr;
    std::vector<StoredNotification> demo_;
    std::wstring shotFolder_;
    int shotCount_ = 0;
};

#define SESSION_STEP(title, step)                                  \
    do {                                                           \
        SCOPED_TRACE("session step: " title);                      \
        step();                                                    \
        if (HasFailure()) {                                        \
            Shot("failed");                                        \
            FAIL() << "The session stopped at step \"" title "\"."; \
        }                                                          \
    } while (0)

std::vector<StoredNotification> SessionTest::Store()
{
    std::vector<StoredNotification> entries;
    EXPECT_TRUE(StoreEntries(&entries)) << "the store cannot be read";
    return entries;
}

OutsideList SessionTest::List() const
{
    return OutsideList(program_->Handle(), FindWindowExW(main_, nullptr, WC_LISTVIEWW, nullptr));
}

bool SessionTest::StartProgram(const char* what)
{
    program_ = std::make_unique<ProgramProcess>(L"", FreshDevice::Root());
    if (!program_->Start()) {
        ADD_FAILURE() << "Tallyvane.exe did not start (" << what << ")";
        return false;
    }
    main_ = program_->WaitForWindow(StartTimeout);
    if (!main_ || !Responds(main_, StartTimeout)) {
        ADD_FAILURE() << "no main window of Tallyvane.exe within " << StartTimeout << " ms (" << what << ")";
        return false;
    }
    return true;
}

void SessionTest::TapMenuBar(MenuBarButton button)
{
    HWND bar = MenuBarOf(program_->Id(), main_);
    ASSERT_NE(bar, nullptr) << "the program has no menu bar on screen";
    ASSERT_EQ(MenuBarButtonCount(bar), 3);
    RECT r;
    ASSERT_TRUE(MenuBarButtonOnScreen(program_->Handle(), bar, button, &r))
        << "cannot find the menu bar's " << MenuBarLabels[button] << " button";
    EXPECT_TRUE(TapAt(CentreOf(r)));
}

// Taps Options on the menu bar and then one line of its drop-down, found on
// the screen like a person finds it: the lines of text in the menu.
void SessionTest::ChooseFromOptions(size_t line, const std::string& shotName)
{
    TapMenuBar(OptionsButton);
    HWND menu = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (menu = OpenPopupMenu(program_->Id())) != nullptr; }, WindowTimeout))
        << "tapping Options opened no drop-down";
    RECT options = {};
    MenuBarButtonOnScreen(program_->Handle(), MenuBarOf(program_->Id(), main_), OptionsButton, &options);
    const RECT r = ScreenRectOf(menu);
    EXPECT_LE(r.bottom, options.top) << "the drop-down covers the Options button";
    std::vector<RECT> lines;
    // The menu is drawn once it waits for the stylus.
    PumpUntil([&] {
        Screenshot shot;
        std::string error;
        const RECT inside = { r.left + 4, r.top + 4, r.right - 4, r.bottom - 4 };
        lines = CaptureScreen(L"", &shot, &error) ? TextLines(shot, inside) : std::vector<RECT>();
        return lines.size() == 2;
    }, WindowTimeout);
    Shot(shotName);
    ASSERT_EQ(lines.size(), 2u) << "the drop-down should show two lines (Settings..., About...)";
    ASSERT_LT(line, lines.size());
    EXPECT_TRUE(TapAt(CentreOf(lines[line])));
    ASSERT_TRUE(PumpUntil([&] { return OpenPopupMenu(program_->Id()) == nullptr; }, WindowTimeout))
        << "the drop-down did not close after the tap";
}

HWND SessionTest::WaitForSettingsDialog()
{
    HWND dialog = nullptr;
    PumpUntil([&] { return (dialog = OpenSettingsDialog(program_->Id())) != nullptr; }, WindowTimeout);
    return dialog;
}

SessionTest::Answered SessionTest::AnswerMessageBox(int button, const std::string& shotName)
{
    Answered answered;
    HWND box = nullptr;
    if (!PumpUntil([&] { return (box = OpenMessageBox(program_->Id())) != nullptr; }, PassTimeout)) {
        ADD_FAILURE() << "no message box came up";
        return answered;
    }
    answered.caption = TextOf(box);
    answered.text = MessageBoxText(box);
    HWND answer = GetDlgItem(box, button);
    ShotOnceDrawn(shotName, { box, answer ? answer : box });
    if (!answer) {
        ADD_FAILURE() << "the box \"" << Narrow(answered.text) << "\" has no button " << button;
        return answered;
    }
    // A person taps once the box has come up and settled: it is in front and
    // its program is waiting for input.
    PumpUntil([&] { return GetForegroundWindow() == box && Responds(box, 200); }, WindowTimeout);
    EXPECT_TRUE(TapWindow(answer));
    if (!PumpUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, WindowTimeout))
        ADD_FAILURE() << "the box \"" << Narrow(answered.text) << "\" stayed open after the tap on its button";
    return answered;
}

// The total line is painted when the program gets round to it: wait for the
// expected number and say what the line showed when it does not come.
void SessionTest::ExpectTotalShown(int expected, const std::string& shotName)
{
    int shown = -1;
    PumpUntil([&] {
        Screenshot shot;
        std::string error;
        return CaptureScreen(L"", &shot, &error) && (shown = TotalShown(shot, main_)) == expected;
    }, WindowTimeout);
    const Screenshot kept = Shot(shotName);
    EXPECT_EQ(shown, expected) << "the total line should read \"Total Events = " << expected << "\" but reads "
                               << (shown < 0 ? std::string("no number") : std::to_string(shown));
}

// Each row on screen is written in red exactly when its seven texts repeat an
// earlier row's.
void SessionTest::ExpectRowColours(const Screenshot& shot, const std::string& when, bool someRed)
{
    const OutsideList list = List();
    const RECT area = list.RowArea();
    std::vector<std::vector<std::wstring>> rows;
    int redShown = 0, blackShown = 0;
    for (int row = 0; row < list.Count(); ++row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < 7; ++column)
            cells.push_back(list.Cell(row, column));
        const bool repeats = std::find(rows.begin(), rows.end(), cells) != rows.end();
        rows.push_back(cells);

        RECT r;
        ASSERT_TRUE(list.RowOnScreen(row, &r)) << "no rectangle for row " << row;
        if (r.top < area.top || r.bottom > area.bottom)
            continue;
        r.left = std::max(r.left, area.left);
        r.right = std::min(r.right, area.right);
        const Ink ink = InkIn(shot, r);
        const bool red = ink.red > ink.dark;
        EXPECT_EQ(red, repeats) << when << ": row " << row << " (" << Narrow(cells[0]) << ", "
                                << Narrow(cells[6]) << (red ? ") is" : ") is not") << " written in red"
                                << " (red pixels " << ink.red << ", dark " << ink.dark << ")";
        EXPECT_GT(ink.red + ink.dark, 0) << when << ": row " << row << " shows no text";
        (red ? redShown : blackShown)++;
    }
    EXPECT_GT(blackShown, 0) << when << ": no row on screen in black";
    if (someRed) {
        EXPECT_GT(redShown, 0) << when << ": no row on screen in red";
    }
}

// 1. A fresh device: the demo store at the device's own place (the device
// object has already cleared the store, the log and the settings away).
void SessionTest::FreshDemoDevice()
{
    ASSERT_EQ(FindWindowW(L"Tallyvane", L"Tallyvane"), nullptr)
        << "a Tallyvane window is already open on the test device";
    ASSERT_FALSE(ReadOptionsFromRegistry().keyExists);
    ASSERT_EQ(GetFileAttributesW(FreshDevice::LogPath().c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(RunBuiltProgram(L"notifyctl.exe", L"demo", 30000), 0u) << "notifyctl demo failed";
    demo_ = Store();
    ASSERT_EQ(demo_.size(), DemoEntryCount) << "the demo store:" << Describe(demo_);
}

// 2. The program starts on it and lists every entry, copies in red.
void SessionTest::StartShowsTheDemoEntries()
{
    ASSERT_TRUE(StartProgram("first start"));
    const OutsideList list = List();
    ASSERT_NE(list.Window(), nullptr) << "the main window has no list";
    ASSERT_TRUE(PumpUntil([&] { return list.Count() == static_cast<int>(demo_.size()); }, WindowTimeout))
        << "the list holds " << list.Count() << " rows for " << demo_.size() << " entries";
    for (size_t i = 0; i < demo_.size(); ++i)
        EXPECT_EQ(Narrow(list.Cell(static_cast<int>(i), 0)), Narrow(ViewOf(demo_[i]).application)) << "row " << i;

    ExpectTotalShown(static_cast<int>(demo_.size()), "start");
    Screenshot shot;
    std::string error;
    ASSERT_TRUE(CaptureScreen(L"", &shot, &error)) << error;
    ExpectRowColours(shot, "at start", true);

    HWND bar = MenuBarOf(program_->Id(), main_);
    ASSERT_NE(bar, nullptr) << "no menu bar";
    for (int button = RefreshButton; button <= ExitButton; ++button) {
        RECT r;
        ASSERT_TRUE(MenuBarButtonOnScreen(program_->Handle(), bar, button, &r));
        EXPECT_GT(InkIn(shot, r).dark, 0) << "the menu bar's " << MenuBarLabels[button] << " button shows no label";
    }
}

// 3. Log: the confirmation, and a log file in the device's root with every entry.
void SessionTest::LogWritesEveryEntry()
{
    EXPECT_TRUE(TapWindow(GetDlgItem(main_, IDC_LOG)));
    const Answered box = AnswerMessageBox(IDOK, "log-confirmation");
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(Narrow(box.caption), "Message");
    EXPECT_EQ(Narrow(box.text), "Generated file \"notify_logfile.txt\" in main folder");
    ASSERT_TRUE(Responds(main_, PassTimeout));

    const std::string log = ReadFileBytes(FreshDevice::LogPath());
    ASSERT_FALSE(log.empty()) << "no log file at " << Narrow(FreshDevice::LogPath());
    EXPECT_EQ(log.compare(0, 12, "Version 2.0\n"), 0) << "the log starts: " << log.substr(0, 40);
    EXPECT_EQ(log.find('\r'), std::string::npos) << "the log's lines must end in a line feed alone";

    // One block per entry, in the store's order.
    std::vector<std::string> applications, arguments;
    for (const StoredNotification& entry : demo_) {
        const EntryView view = ViewOf(entry);
        applications.push_back("Application: " + Narrow(view.application));
        arguments.push_back("Arguments: " + Narrow(view.arguments));
    }
    const std::vector<std::string> loggedApplications = LinesStartingWith(log, "Application: ");
    EXPECT_EQ(loggedApplications, applications)
        << "logged:" << Join(loggedApplications) << "\nin the store:" << Join(applications);
    const std::vector<std::string> loggedArguments = LinesStartingWith(log, "Arguments: ");
    EXPECT_EQ(loggedArguments, arguments)
        << "logged:" << Join(loggedArguments) << "\nin the store:" << Join(arguments);
}

// 4. Options > Settings..., both boxes ticked, ok: both options saved.
void SessionTest::SettingsSwitchBothOptionsOn()
{
    ChooseFromOptions(0, "options-drop-down");
    ASSERT_FALSE(HasFailure());
    HWND dialog = WaitForSettingsDialog();
    ASSERT_NE(dialog, nullptr) << "Settings... opened no Settings dialog";
    HWND duplicates = GetDlgItem(dialog, IDC_REMOVE_DUPLICATES);
    HWND scripts = GetDlgItem(dialog, IDC_REMOVE_SCRIPT);
    ShotOnceDrawn("settings-open", { dialog, duplicates, scripts, GetDlgItem(dialog, IDOK) });
    ASSERT_EQ(SendMessageW(duplicates, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "an option is on on a fresh device";
    ASSERT_EQ(SendMessageW(scripts, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "an option is on on a fresh device";

    for (HWND box : { duplicates, scripts }) {
        EXPECT_TRUE(TapWindow(box));
        EXPECT_TRUE(PumpUntil([&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }, WindowTimeout))
            << "the tap did not tick \"" << Narrow(TextOf(box)) << "\"";
    }
    ShotOnceDrawn("settings-both-ticked", { duplicates, scripts });
    HWND ok = GetDlgItem(dialog, IDOK);
    ASSERT_NE(ok, nullptr) << "the dialog has no ok button";
    EXPECT_EQ(Narrow(TextOf(ok)), "ok");
    EXPECT_TRUE(TapWindow(ok));
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, WindowTimeout)) << "ok did not close the dialog";

    const SavedOptions saved = ReadOptionsFromRegistry();
    EXPECT_EQ(Show(saved.duplicates), "1") << "\"duplicates\" after ok";
    EXPECT_EQ(Show(saved.script), "1") << "\"script\" after ok";
}

// 5. Clear: the pile-up and the later copies go, the first copies stay.
void SessionTest::ClearRemovesPileUpAndCopies()
{
    const std::vector<StoredNotification> before = Store();
    const std::vector<DWORD> expected = LeftByClear(before);
    ASSERT_EQ(expected.size(), EntriesLeftByClear) << "the store before Clear:" << Describe(before);

    EXPECT_TRUE(TapWindow(GetDlgItem(main_, IDC_CLEAR)));
    std::vector<std::string> boxes;
    const bool settled = PumpUntil([&] {
        if (HWND box = OpenMessageBox(program_->Id())) {
            boxes.push_back(Narrow(TextOf(box) + L": " + MessageBoxText(box)));
            ShotOnceDrawn("clear-box", { box });
            EXPECT_TRUE(TapWindow(GetDlgItem(box, IDOK)));
            PumpUntil([&] { return !IsWindow(box); }, WindowTimeout);
            return false;
        }
        return Responds(main_, 200) && List().Count() == static_cast<int>(expected.size()) &&
               HandlesOf(Store()) == expected;
    }, PassTimeout);
    for (const std::string& box : boxes)
        ADD_FAILURE() << "Clear showed a box: " << box;
    const std::vector<StoredNotification> after = Store();
    ASSERT_TRUE(settled) << "after Clear the list holds " << List().Count() << " rows; the store:" << Describe(after)
                         << "\nexpected " << expected.size() << " entries";
    for (const StoredNotification& entry : after)
        EXPECT_FALSE(IsPileUp(ViewOf(entry), true)) << "left by Clear: " << Describe(ViewOf(entry));

    ExpectTotalShown(static_cast<int>(after.size()), "after-clear");
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(Narrow(List().Cell(static_cast<int>(i), 0)), Narrow(ViewOf(after[i]).application)) << "row " << i;
    Screenshot shot;
    std::string error;
    ASSERT_TRUE(CaptureScreen(L"", &shot, &error)) << error;
    ExpectRowColours(shot, "after Clear", false);
}

// 6. A press-and-hold on a row opens the popup; Delete, Yes: that entry is gone.
void SessionTest::HoldAndDeleteOneRow()
{
    const std::vector<StoredNotification> before = Store();
    const OutsideList list = List();
    ASSERT_GT(list.Count(), HeldRow);
    const std::wstring name = list.Cell(HeldRow, 0);
    const DWORD handle = static_cast<DWORD>(list.ItemData(HeldRow));
    ASSERT_EQ(handle, before[HeldRow].handle) << "row " << HeldRow << " is not the store's entry " << HeldRow;

    RECT row;
    ASSERT_TRUE(list.RowOnScreen(HeldRow, &row));
    const RECT area = list.RowArea();
    const POINT point = { area.left + 30, (row.top + row.bottom) / 2 };
    ASSERT_TRUE(PtInRect(&area, point)) << "row " << HeldRow << " is not on screen";

    HWND popup = nullptr;
    {
        Stylus stylus;
        stylus.Press(point);
        ASSERT_TRUE(PumpUntil([&] { return (popup = OpenPopupMenu(program_->Id())) != nullptr; }, WindowTimeout))
            << "holding the stylus on row " << HeldRow << " opened no popup";
        EXPECT_EQ(list.SelectionMark(), HeldRow) << "the hold marked another row";
        ShotOnceDrawn("hold-popup", { popup });
        // The popup opens just above the stylus, and lifting it on the popup
        // could choose the item: the stylus slides off downwards first.
        const RECT menu = ScreenRectOf(popup);
        stylus.Slide(POINT{ point.x, std::max<LONG>(point.y, menu.bottom) + 20 });
    }
    PumpMessagesFor(50);
    ASSERT_TRUE(IsWindowVisible(popup)) << "the popup closed when the stylus was lifted off it";
    EXPECT_TRUE(TapWindow(popup));

    const Answered question = AnswerMessageBox(IDYES, "delete-question");
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(Narrow(question.caption), "Warning");
    EXPECT_EQ(Narrow(question.text), "Delete event '" + Narrow(name) + "'?");

    std::vector<DWORD> expected = HandlesOf(before);
    expected.erase(std::find(expected.begin(), expected.end(), handle));
    ASSERT_TRUE(PumpUntil([&] {
        return Responds(main_, 200) && HandlesOf(Store()) == expected && List().Count() == static_cast<int>(expected.size());
    }, PassTimeout)) << "after the delete the store holds:" << Describe(Store()) << "\nthe list " << List().Count()
                     << " rows; expected entry " << handle << " alone to be gone";
    Shot("after-delete");
}

// 7. Another program adds two equal entries; Refresh on the menu bar shows
// them, the second in red.
void SessionTest::RefreshReadsTheStoreAgain()
{
    ASSERT_EQ(RunBuiltProgram(L"notifyctl.exe",
                              L"add --app \"\\Windows\\clock.exe\" --args AppRunAtTime --type time --dialog "
                              L"--title \"Session\" --text \"Added while running\" --copies 2",
                              30000),
              0u)
        << "notifyctl add failed";
    const std::vector<StoredNotification> entries = Store();
    TapMenuBar(RefreshButton);
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(PumpUntil([&] { return Responds(main_, 200) && List().Count() == static_cast<int>(entries.size()); },
                          PassTimeout))
        << "after Refresh the list holds " << List().Count() << " rows for " << entries.size() << " entries";
    EXPECT_EQ(Narrow(List().Cell(static_cast<int>(entries.size()) - 1, 4)), "Session") << "the added entry's title";
    ExpectTotalShown(static_cast<int>(entries.size()), "after-refresh");
    Screenshot shot;
    std::string error;
    ASSERT_TRUE(CaptureScreen(L"", &shot, &error)) << error;
    ExpectRowColours(shot, "after Refresh", true);
}

// 8. Exit on the menu bar ends the program with exit code 0.
void SessionTest::ExitEndsWithCodeZero()
{
    TapMenuBar(ExitButton);
    ASSERT_FALSE(HasFailure());
    const DWORD code = program_->WaitForExit(WindowTimeout);
    ASSERT_NE(code, static_cast<DWORD>(STILL_ACTIVE)) << "the program did not end after Exit";
    EXPECT_EQ(code, 0u) << "exit code";
    Shot("after-exit");
}

// 9. The options are in the registry, and a second start shows them ticked.
void SessionTest::SecondStartReadsTheOptionsBack()
{
    const SavedOptions saved = ReadOptionsFromRegistry();
    ASSERT_TRUE(saved.keyExists);
    EXPECT_EQ(Show(saved.duplicates), "1") << "\"duplicates\" as a REG_DWORD";
    EXPECT_EQ(Show(saved.script), "1") << "\"script\" as a REG_DWORD";

    ASSERT_TRUE(StartProgram("second start"));
    ChooseFromOptions(0, "second-start-drop-down");
    ASSERT_FALSE(HasFailure());
    HWND dialog = WaitForSettingsDialog();
    ASSERT_NE(dialog, nullptr) << "Settings... opened no Settings dialog";
    ShotOnceDrawn("second-start-settings", { dialog, GetDlgItem(dialog, IDC_REMOVE_DUPLICATES),
                                             GetDlgItem(dialog, IDC_REMOVE_SCRIPT) });
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_REMOVE_DUPLICATES), BM_GETCHECK, 0, 0), BST_CHECKED)
        << "\"Remove duplicate events\" after a new start";
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_REMOVE_SCRIPT), BM_GETCHECK, 0, 0), BST_CHECKED)
        << "\"Remove SCRIPT:0x000 events\" after a new start";

    PressKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, WindowTimeout)) << "Escape did not close the dialog";
    TapMenuBar(ExitButton);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(program_->WaitForExit(WindowTimeout), 0u) << "exit code of the second start";
}

TEST_F(SessionTest, DemoDeviceFromFirstStartToSecondStart)
{
    SESSION_STEP("1 fresh demo device", FreshDemoDevice);
    SESSION_STEP("2 start lists the demo entries", StartShowsTheDemoEntries);
    SESSION_STEP("3 Log writes every entry", LogWritesEveryEntry);
    SESSION_STEP("4 Settings: both options on", SettingsSwitchBothOptionsOn);
    SESSION_STEP("5 Clear removes the pile-up and the copies", ClearRemovesPileUpAndCopies);
    SESSION_STEP("6 hold a row and delete it", HoldAndDeleteOneRow);
    SESSION_STEP("7 Refresh reads the store again", RefreshReadsTheStoreAgain);
    SESSION_STEP("8 Exit ends with code 0", ExitEndsWithCodeZero);
    SESSION_STEP("9 a second start reads the options back", SecondStartReadsTheOptionsBack);
}

}  // namespace
