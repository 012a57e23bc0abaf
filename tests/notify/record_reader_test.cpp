// The record reader against real entries in a real store: how each field of
// a notification becomes a code or a bounded text, and what a refused read
// leaves behind.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "notify/notification_record.h"
#include "platform/store/test_switches.h"
#include "tests/support/message_boxes.h"
#include "tests/support/test_device.h"

namespace {
// A record whose every field holds a recognisable leftover, to see what a
// read writes and what it leaves alone.
NotificationRecord Stale()
{
    NotificationRecord record;
    record.notifyType = 77;
    record.eventType = 77;
    record.eventStatus = 77;
    record.hasDialog = 77;
    for (WCHAR* text : { record.dialogTitle, record.dialogText, record.application, record.arguments })
        wcscpy(text, L"leftover");
    return record;
}

// ReadNotification with the program's capacities, without the reset of notifyType.
int Read(HANDLE h, NotificationRecord* r)
{
    return ReadNotification(h, &r->notifyType, &r->eventType, &r->eventStatus, &r->hasDialog,
                            r->dialogTitle, RecordTextCapacity, r->dialogText, RecordTextCapacity,
                            r->application, RecordTextCapacity, r->arguments, RecordTextCapacity);
}

NotificationRecord ReadOne(HANDLE h)
{
    NotificationRecord record = Stale();
    EXPECT_EQ(Read(h, &record), ReadOk);
    return record;
}

TestEntry WithApplication(std::optional<std::wstring> application)
{
    TestEntry entry;
    entry.application = std::move(application);
    return entry;
}

bool SameRecord(const NotificationRecord& a, const NotificationRecord& b)
{
    return a.notifyType == b.notifyType && a.eventType == b.eventType &&
           a.eventStatus == b.eventStatus && a.hasDialog == b.hasDialog &&
           !wcscmp(a.dialogTitle, b.dialogTitle) && !wcscmp(a.dialogText, b.dialogText) &&
           !wcscmp(a.application, b.application) && !wcscmp(a.arguments, b.arguments);
}
}  // namespace

TEST(RecordReader, ApplicationIsThePartAfterTheLastBackslash)
{
    TestDevice device;
    const std::wstring longName(100, L'n');
    struct Case {
        std::optional<std::wstring> path;
        std::wstring expected;
    };
    const Case cases[] = {
        { L"\\Windows\\connmgr.exe", L"connmgr.exe" },
        { L"\\Windows\\Startup\\a\\b.exe", L"b.exe" },
        { L"connmgr.exe", L"connmgr.exe" },
        { L"SCRIPT:0x000", L"SCRIPT:0x000" },
        { L"\\Windows\\", L"" },
        { L"\\", L"" },
        { L"", L"" },
        { std::nullopt, L"NULL" },
        { longName, longName.substr(0, 79) },
        { L"\\Windows\\" + longName, longName.substr(0, 79) },
    };
    for (const Case& c : cases) {
        HANDLE h = device.Add(WithApplication(c.path));
        EXPECT_EQ(std::wstring(ReadOne(h).application), c.expected)
            << (c.path ? Narrow(*c.path) : "null");
    }
}

TEST(RecordReader, TriggerFieldsAndArguments)
{
    TestDevice device;
    TestEntry entry;
    entry.type = CNT_PERIOD;
    entry.event = NOTIFICATION_EVENT_RESTORE_END;
    entry.arguments = L"AppRunAfterRestore";
    NotificationRecord r = ReadOne(device.Add(entry));
    EXPECT_EQ(r.notifyType, static_cast<DWORD>(CNT_PERIOD));
    EXPECT_EQ(r.eventType, 10);
    EXPECT_EQ(std::wstring(r.arguments), L"AppRunAfterRestore");

    entry.type = 9;
    entry.event = 0xFFFFFFFE;
    entry.arguments.reset();
    r = ReadOne(device.Add(entry));
    EXPECT_EQ(r.notifyType, 9u) << "unknown kinds pass through";
    EXPECT_EQ(r.eventType, -2);
    EXPECT_EQ(std::wstring(r.arguments), L"(none)");

    entry.arguments = L"";
    EXPECT_EQ(std::wstring(ReadOne(device.Add(entry)).arguments), L"");
    entry.arguments = std::wstring(120, L'a');
    EXPECT_EQ(std::wstring(ReadOne(device.Add(entry)).arguments), std::wstring(79, L'a'));
}

TEST(RecordReader, WithoutTriggerTypeIsLeftAloneAndRecordPresetsIt)
{
    TestDevice device;
    TestEntry timed;
    timed.type = CNT_TIME;
    TestEntry bare = TestEntry::Dialog(L"", L"Backup", L"Connect to your PC");
    bare.hasTrigger = false;
    HANDLE hTimed = device.Add(timed);
    HANDLE hBare = device.Add(bare);

    NotificationRecord r = ReadOne(hBare);
    EXPECT_EQ(r.notifyType, 77u) << "not written without a trigger";
    EXPECT_EQ(r.eventType, -1);
    EXPECT_EQ(std::wstring(r.application), L"");
    EXPECT_EQ(std::wstring(r.arguments), L"(none)");
    EXPECT_EQ(r.hasDialog, 1u);
    EXPECT_EQ(std::wstring(r.dialogTitle), L"Backup");

    NotificationRecord record = Stale();
    ASSERT_EQ(ReadNotificationRecord(hTimed, &record), ReadOk);
    EXPECT_EQ(record.notifyType, static_cast<DWORD>(CNT_TIME));
    ASSERT_EQ(ReadNotificationRecord(hBare, &record), ReadOk);
    EXPECT_EQ(record.notifyType, 0u) << "never the type of the entry read before";
}

TEST(RecordReader, DialogTextsAndTheirDefaults)
{
    TestDevice device;
    struct Case {
        std::optional<std::wstring> title;
        std::optional<std::wstring> text;
        std::wstring expectedTitle;
        std::wstring expectedText;
    };
    const std::wstring hundred = L"T" + std::wstring(98, L'i') + L"E";
    const Case cases[] = {
        { L"Meeting", L"Room 4", L"Meeting", L"Room 4" },
        { std::nullopt, L"Renew books", L"(No Title)", L"Renew books" },
        { L"Alarm", std::nullopt, L"Alarm", L"(No Text)" },
        { L"", L"", L"", L"" },
        { hundred, hundred, hundred.substr(0, 79), hundred.substr(0, 79) },
        { L"a", L"first\nsecond\nthird", L"a", L"first:second\nthird" },
        { L"a", L"\n\n", L"a", L":\n" },
        // A line feed past the kept 79 characters was cut off before it could be replaced.
        { L"a", std::wstring(79, L'x') + L"\nmore", L"a", std::wstring(79, L'x') },
        { L"a", std::wstring(78, L'x') + L"\nmore", L"a", std::wstring(78, L'x') + L":" },
    };
    for (const Case& c : cases) {
        TestEntry entry;
        entry.hasUser = true;
        entry.actionFlags = PUN_DIALOG;
        entry.title = c.title;
        entry.text = c.text;
        NotificationRecord r = ReadOne(device.Add(entry));
        EXPECT_EQ(r.hasDialog, 1u);
        EXPECT_EQ(std::wstring(r.dialogTitle), c.expectedTitle);
        EXPECT_EQ(std::wstring(r.dialogText), c.expectedText);
    }
}

TEST(RecordReader, NoDialogWithoutTheDialogBit)
{
    TestDevice device;
    TestEntry alarm = TestEntry::Dialog(L"\\Windows\\clock.exe", L"Alarm", L"Wake up");
    alarm.actionFlags = PUN_LED | PUN_VIBRATE | PUN_SOUND | PUN_REPEAT | PUN_PRIVATE;
    NotificationRecord r = ReadOne(device.Add(alarm));
    EXPECT_EQ(r.hasDialog, 0u);
    EXPECT_EQ(std::wstring(r.dialogTitle), L"");
    EXPECT_EQ(std::wstring(r.dialogText), L"");

    r = ReadOne(device.Add(TestEntry()));   // no user part at all
    EXPECT_EQ(r.hasDialog, 0u);
    EXPECT_EQ(std::wstring(r.dialogTitle), L"");
    EXPECT_EQ(std::wstring(r.dialogText), L"");
}

TEST(RecordReader, OnlyStatusOneIsActive)
{
    TestDevice device;
    const std::pair<DWORD, DWORD> cases[] = { { 0, 0 }, { 1, 1 }, { 2, 0 }, { 3, 0 }, { 0xFFFFFFFF, 0 } };
    for (const auto& c : cases) {
        TestEntry entry;
        entry.status = c.first;
        EXPECT_EQ(ReadOne(device.Add(entry)).eventStatus, c.second) << c.first;
    }
}

TEST(RecordReader, CopyRuleHonoursEachCapacity)
{
    TestDevice device;
    TestEntry entry = TestEntry::Dialog(L"\\Windows\\calendar.exe", L"Dentist", L"one\ntwo");
    entry.arguments = L"AppRunAtTime";
    HANDLE h = device.Add(entry);

    WCHAR title[8], text[8], application[8], arguments[8];
    for (WCHAR* buffer : { title, text, application, arguments })
        wmemset(buffer, L'#', 8);
    DWORD type, status, dialog;
    LONG event;
    ASSERT_EQ(ReadNotification(h, &type, &event, &status, &dialog, title, 3, text, 5, application, 1,
                               arguments, 7),
              ReadOk);
    EXPECT_EQ(std::wstring(title), L"De");
    EXPECT_EQ(std::wstring(text), L"one:");
    EXPECT_EQ(std::wstring(application), L"");
    EXPECT_EQ(std::wstring(arguments), L"AppRun");
    EXPECT_EQ(title[3], L'#') << "nothing written past the capacity";
    EXPECT_EQ(text[5], L'#');
    EXPECT_EQ(application[1], L'#');
    EXPECT_EQ(arguments[7], L'#');

    // A capacity of 0 leaves no room even for the terminator: nothing is written.
    WCHAR untouched[2] = { L'#', L'#' };
    ASSERT_EQ(ReadNotification(h, &type, &event, &status, &dialog, title, 8, untouched + 1, 0,
                               application, 8, arguments, 8),
              ReadOk);
    EXPECT_EQ(untouched[0], L'#');
    EXPECT_EQ(untouched[1], L'#');
}

TEST(RecordReader, RefusedReadsLeaveEveryOutputAlone)
{
    TestDevice device;
    HANDLE zero = device.Add(TestEntry::Dialog(L"\\Windows\\clock.exe", L"A", L"B"));
    HANDLE refused = device.Add(TestEntry::Dialog(L"\\Windows\\clock.exe", L"A", L"B"));
    HANDLE gone = device.Add(TestEntry());
    ASSERT_TRUE(CeClearUserNotification(gone));
    NotifyStoreTestFaults().zeroSizeRead = zero;
    NotifyStoreTestFaults().failRead = refused;

    for (HANDLE h : { zero, refused, gone, static_cast<HANDLE>(nullptr) }) {
        NotificationRecord record = Stale();
        EXPECT_EQ(Read(h, &record), ReadRefused) << h;
        EXPECT_TRUE(SameRecord(record, Stale())) << h;
    }
    NotifyStoreResetFaults();
    NotificationRecord record = Stale();
    EXPECT_EQ(Read(refused, &record), ReadOk);
    EXPECT_EQ(std::wstring(record.dialogTitle), L"A");
}

TEST(RecordReader, SeesTheStoreAsItIsNow)
{
    TestDevice device;
    HANDLE h = device.Add(TestEntry::Dialog(L"\\Windows\\calendar.exe", L"Old", L"x"));
    TestEntry replacement = TestEntry::Dialog(L"\\Windows\\calendar.exe", L"New", L"y");
    CE_NOTIFICATION_TRIGGER trigger = {};
    trigger.dwSize = sizeof trigger;
    trigger.dwType = CNT_TIME;
    trigger.lpszApplication = replacement.application->data();
    CE_USER_NOTIFICATION user = {};
    user.ActionFlags = PUN_DIALOG;
    user.pwszDialogTitle = replacement.title->data();
    user.pwszDialogText = replacement.text->data();
    ASSERT_EQ(ReadOne(h).dialogTitle, std::wstring(L"Old"));
    ASSERT_EQ(CeSetUserNotificationEx(h, &trigger, &user), h);
    EXPECT_EQ(ReadOne(h).dialogTitle, std::wstring(L"New"));
}
