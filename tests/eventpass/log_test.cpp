// The Log command through the real main window, store and file: the log is
// compared byte for byte, and every box is checked.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "eventlist/event_pass.h"
#include "platform/store/test_switches.h"
#include "resources/resource.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/pass_recorder.h"

namespace {

const std::wstring Confirmation = L"Generated file \"notify_logfile.txt\" in main folder";

// "Version 2.0", today's long date, each on its own line, as UTF-8.
std::string Header()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    WCHAR date[300] = {};
    EXPECT_GT(GetDateFormatW(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, &now, nullptr, date, 300), 0);
    return "Version 2.0\n" + Narrow(date) + "\n";
}

class LogTest : public MainWindowTest {
protected:
    std::string Log() const { return ReadFileBytes(device.LogPath()); }
    ExpectedBox Confirmed() const { return { Confirmation, L"Message", MainWindow }; }
    ExpectedBox Unwritable() const
    {
        return { L"Unable to write \"notify_logfile.txt\"", L"Error", MainWindow };
    }
};

// The block that App(L"\\Windows\\clock.exe") gets in the log.
const std::string ClockBlock = "Application: clock.exe\n"
                               "Notify Type: 1\n"
                               "Event Status: 0\n"
                               "Event Type: 11\n"
                               "Arguments: AppRunAtTime\n";

TEST_F(LogTest, WorkedExampleAndTwoRunsGiveTwoHeaders)
{
    TestEntry connmgr = App(L"\\Windows\\connmgr.exe");
    connmgr.type = CNT_EVENT;
    connmgr.event = NOTIFICATION_EVENT_RESTORE_END;
    connmgr.arguments.reset();
    device.Add(connmgr);
    ASSERT_NE(CreateMain(), nullptr);
    ASSERT_TRUE(Log().empty()) << "loading writes no log";

    Command(IDC_LOG);
    Command(IDC_LOG);
    const std::string block = "Application: connmgr.exe\n"
                              "Notify Type: 1\n"
                              "Event Status: 0\n"
                              "Event Type: 10\n"
                              "Arguments: (none)\n";
    EXPECT_EQ(Log(), Header() + block + Header() + block);
    EXPECT_TRUE(BoxesAre(boxes, { Confirmed(), Confirmed() }));
}

TEST_F(LogTest, BlocksInListingOrderWithDialogLines)
{
    TestEntry fired = TestEntry::Dialog(L"\\Windows\\calendar.exe", L"Meeting", L"Room 4");
    fired.status = CNS_SIGNALLED;
    device.Add(App(L"\\Windows\\clock.exe"));
    device.Add(fired);
    device.Add(TestEntry::Dialog(L"\\Windows\\tasks.exe", L"Call", L"Anna\nBring notes\nAgenda"));
    ASSERT_NE(CreateMain(), nullptr);

    Command(IDC_LOG);
    EXPECT_EQ(Log(), Header() + ClockBlock +
                         "Application: calendar.exe\n"
                         "Notify Type: 2\n"
                         "Event Status: 1\n"
                         "Event Type: 0\n"
                         "Dialog Title:Meeting\n"
                         "Dialog Text:Room 4\n"
                         "Arguments: AppRunAtTime\n"
                         "Application: tasks.exe\n"
                         "Notify Type: 2\n"
                         "Event Status: 0\n"
                         "Event Type: 0\n"
                         "Dialog Title:Call\n"
                         "Dialog Text:Anna:Bring notes\n"
                         "Agenda\n"
                         "Arguments: AppRunAtTime\n");
    EXPECT_TRUE(BoxesAre(boxes, { Confirmed() }));
}

TEST_F(LogTest, EntryWithoutTriggerDoesNotInheritTheTypeBeforeIt)
{
    TestEntry period = App(L"\\Windows\\sync.exe");
    period.type = CNT_PERIOD;
    period.event = NOTIFICATION_EVENT_NONE;
    TestEntry bare;
    bare.hasTrigger = false;
    device.Add(period);
    device.Add(bare);
    ASSERT_NE(CreateMain(), nullptr);

    Command(IDC_LOG);
    EXPECT_EQ(Log(), Header() +
                         "Application: sync.exe\n"
                         "Notify Type: 3\n"
                         "Event Status: 0\n"
                         "Event Type: 0\n"
                         "Arguments: AppRunAtTime\n"
                         "Application: \n"
                         "Notify Type: 0\n"
                         "Event Status: 0\n"
                         "Event Type: -1\n"
                         "Arguments: (none)\n");
}

TEST_F(LogTest, PercentSignsAreWrittenUnchanged)
{
    TestEntry entry = TestEntry::Dialog(L"\\Windows\\100%sure.exe", L"%d%% done %s", L"50%n");
    entry.arguments = L"%ls %1";
    device.Add(entry);
    ASSERT_NE(CreateMain(), nullptr);

    Command(IDC_LOG);
    EXPECT_EQ(Log(), Header() +
                         "Application: 100%sure.exe\n"
                         "Notify Type: 2\n"
                         "Event Status: 0\n"
                         "Event Type: 0\n"
                         "Dialog Title:%d%% done %s\n"
                         "Dialog Text:50%n\n"
                         "Arguments: %ls %1\n");
}

TEST_F(LogTest, EveryCharacterIsWrittenAsUtf8WithoutByteOrderMark)
{
    TestEntry entry = TestEntry::Dialog(L"\\Windows\\Ξυπνητήρι.exe", L"目覚まし", L"Ça sonne\n¡Ya!");
    entry.arguments = L"bell \U0001F514 €";
    device.Add(entry);
    ASSERT_NE(CreateMain(), nullptr);

    Command(IDC_LOG);
    const std::string expected =
        "Application: \xCE\x9E\xCF\x85\xCF\x80\xCE\xBD\xCE\xB7\xCF\x84\xCE\xAE\xCF\x81\xCE\xB9.exe\n"
        "Notify Type: 2\n"
        "Event Status: 0\n"
        "Event Type: 0\n"
        "Dialog Title:\xE7\x9B\xAE\xE8\xA6\x9A\xE3\x81\xBE\xE3\x81\x97\n"
        "Dialog Text:\xC3\x87" "a sonne:\xC2\xA1Ya!\n"
        "Arguments: bell \xF0\x9F\x94\x94 \xE2\x82\xAC\n";
    EXPECT_EQ(Log(), Header() + expected);
}

TEST_F(LogTest, LongPieceKeepsEverySurrogatePair)
{
    // A piece longer than any slice the writer converts at once, with pairs
    // on every boundary a slice could fall on.
    std::wstring piece = L"x";
    std::string expected = "x";
    for (int i = 0; i < 400; ++i) {
        piece += L"\U0001F514";
        expected += "\xF0\x9F\x94\x94";
    }
    ASSERT_NE(CreateMain(), nullptr);
    DeleteFileW(device.LogPath().c_str());
    ResetLogWriteFailure();
    AppendToLog(piece.c_str());
    AppendToLog(L"\n");
    EXPECT_EQ(Log(), expected + "\n");
    EXPECT_FALSE(LogWriteFailed);
}

TEST_F(LogTest, EmptyStoreWritesTheHeaderThenConfirms)
{
    ASSERT_NE(CreateMain(), nullptr);
    boxes.Clear();
    Command(IDC_LOG);
    EXPECT_EQ(Log(), Header());
    EXPECT_TRUE(BoxesAre(boxes, { { L"Number of notifications is zero!", L"Error", nullptr },
                                  Confirmed() }));
}

TEST_F(LogTest, FailedCountStillLeavesTheHeader)
{
    device.Add(App(L"\\Windows\\clock.exe"));
    ASSERT_NE(CreateMain(), nullptr);
    NotifyStoreTestFaults().failCount = true;
    Command(IDC_LOG);
    EXPECT_EQ(Log(), Header());
    EXPECT_TRUE(BoxesAre(boxes, { { L"Error in getting number of notifications 1!", L"Error", nullptr },
                                  Confirmed() }));
    EXPECT_NE(boxes.Boxes()[0].cursor, LoadCursorW(nullptr, IDC_WAIT));
}

TEST_F(LogTest, UnreadableEntryGetsNoBlock)
{
    device.Add(App(L"\\Windows\\a.exe"));
    HANDLE broken = device.Add(App(L"\\Windows\\b.exe"));
    device.Add(App(L"\\Windows\\c.exe"));
    ASSERT_NE(CreateMain(), nullptr);
    NotifyStoreTestFaults().failRead = broken;
    Command(IDC_LOG);
    const std::string log = Log();
    EXPECT_NE(log.find("Application: a.exe\n"), std::string::npos);
    EXPECT_EQ(log.find("b.exe"), std::string::npos);
    EXPECT_NE(log.find("Arguments: AppRunAtTime\nApplication: c.exe\n"), std::string::npos);
    EXPECT_TRUE(BoxesAre(boxes, { Confirmed() }));
}

TEST_F(LogTest, ProgressShowsLoggingEvents)
{
    device.Add(App(L"\\Windows\\a.exe"));
    device.Add(App(L"\\Windows\\b.exe"));
    ASSERT_NE(CreateMain(), nullptr);
    PassRecorder passes;
    Command(IDC_LOG);
    EXPECT_EQ(passes.Texts(PassEvent::Title), (std::vector<std::wstring>{ L"Logging events" }));
    EXPECT_EQ(passes.Texts(PassEvent::Status),
              (std::vector<std::wstring>{ L"Processing 0 of 2 events...",
                                          L"Processing 1 of 2 events...",
                                          L"Processing 2 of 2 events..." }));
    ASSERT_EQ(passes.Count(PassEvent::Open), 1u);
    EXPECT_EQ(passes.Only(PassEvent::Open)[0].owner, MainWindow);
    EXPECT_EQ(passes.Count(PassEvent::Close), 1u);
    // Drawing of the list goes off and on in this mode too.
    ASSERT_EQ(passes.Count(PassEvent::Redraw), 2u);
    EXPECT_EQ(passes.Only(PassEvent::Redraw)[1].wParam, static_cast<WPARAM>(TRUE));
}

TEST_F(LogTest, UnopenableLogReportsTheFailureInsteadOfConfirming)
{
    device.Add(App(L"\\Windows\\clock.exe"));
    ASSERT_NE(CreateMain(), nullptr);
    // A folder where the file should be: every open fails.
    ASSERT_TRUE(CreateDirectoryW(device.LogPath().c_str(), nullptr));
    Command(IDC_LOG);
    EXPECT_TRUE(BoxesAre(boxes, { Unwritable() }));

    // Once the file can be written again, so is the whole log.
    ASSERT_TRUE(RemoveDirectoryW(device.LogPath().c_str()));
    Command(IDC_LOG);
    EXPECT_TRUE(BoxesAre(boxes, { Unwritable(), Confirmed() }));
    EXPECT_EQ(Log(), Header() + ClockBlock);
}

TEST_F(LogTest, FailedWriteOutReportsTheFailureInsteadOfConfirming)
{
    // A working folder whose log is /dev/full (made by the build): the runtime
    // takes every piece into its buffer, and writing that out fails for want
    // of room, as on a full disk.
    std::wstring fullDisk = L"Z:" FULL_DISK_LOG_FOLDER;
    for (wchar_t& c : fullDisk)
        c = c == L'/' ? L'\\' : c;
    device.Add(App(L"\\Windows\\clock.exe"));
    ASSERT_NE(CreateMain(), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryW(fullDisk.c_str()));
    Command(IDC_LOG);
    ASSERT_TRUE(SetCurrentDirectoryW(device.Folder().c_str()));
    Command(IDC_LOG);
    EXPECT_TRUE(BoxesAre(boxes, { Unwritable(), Confirmed() }));
    EXPECT_EQ(Log(), Header() + ClockBlock);
}

}  // namespace
