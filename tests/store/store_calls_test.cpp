// The handheld's four calls over the store: what they deliver, how they pack
// an entry, how they treat bad arguments and stale handles.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/store/notify_store.h"
#include "platform/store/test_switches.h"
#include "tests/store/store_test_util.h"
#include "tests/support/test_device.h"

namespace {
TestEntry FullEntry()
{
    TestEntry entry = TestEntry::Dialog(L"\\Windows\\calendar.exe", L"Dentist", L"Room 4\nBring card");
    entry.arguments = L"AppRunAtTime";
    return entry;
}

std::wstring Text(const WCHAR* text)
{
    return text ? std::wstring(text) : std::wstring(L"<null>");
}
}  // namespace

TEST(StoreCalls, ReadPacksEveryPartInsideTheCallersBuffer)
{
    TestDevice device;
    HANDLE h = device.Add(FullEntry());
    ASSERT_NE(h, nullptr);

    DeliveredEntry entry = Deliver(h);
    ASSERT_GT(entry.size, 0u);
    const CE_NOTIFICATION_INFO_HEADER* header = entry.Header();
    EXPECT_EQ(header->hNotification, h);
    ASSERT_NE(header->pcent, nullptr);
    ASSERT_NE(header->pceun, nullptr);
    EXPECT_TRUE(entry.Inside(header->pcent, sizeof *header->pcent));
    EXPECT_TRUE(entry.Inside(header->pceun, sizeof *header->pceun));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(header->pcent) % 4, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(header->pceun) % 4, 0u);

    const CE_NOTIFICATION_TRIGGER* trigger = header->pcent;
    EXPECT_EQ(trigger->dwSize, sizeof(CE_NOTIFICATION_TRIGGER));
    EXPECT_EQ(trigger->dwType, static_cast<DWORD>(CNT_TIME));
    const WCHAR* texts[] = { trigger->lpszApplication, trigger->lpszArguments,
                             header->pceun->pwszDialogTitle, header->pceun->pwszDialogText };
    for (const WCHAR* text : texts) {
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(entry.Inside(text, (wcslen(text) + 1) * sizeof(WCHAR))) << Utf8(text);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(text) % 4, 0u);
    }
    EXPECT_EQ(Text(trigger->lpszApplication), L"\\Windows\\calendar.exe");
    EXPECT_EQ(Text(trigger->lpszArguments), L"AppRunAtTime");
    EXPECT_EQ(Text(header->pceun->pwszDialogTitle), L"Dentist");
    EXPECT_EQ(Text(header->pceun->pwszDialogText), L"Room 4\nBring card");
    EXPECT_EQ(header->pceun->ActionFlags, static_cast<DWORD>(PUN_DIALOG | PUN_SOUND));
    EXPECT_EQ(header->pceun->pwszSound, nullptr);
}

TEST(StoreCalls, SizeQueryThenExactBufferSucceedsAndSmallerFails)
{
    TestDevice device;
    HANDLE h = device.Add(FullEntry());

    DWORD needed = 0;
    SetLastError(0);
    EXPECT_FALSE(CeGetUserNotification(h, 0, &needed, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_GT(needed, sizeof(CE_NOTIFICATION_INFO_HEADER));

    std::vector<DWORD> buffer(needed / 4 + 1);
    auto* bytes = reinterpret_cast<LPBYTE>(buffer.data());
    DWORD second = 0;
    EXPECT_FALSE(CeGetUserNotification(h, needed - 1, &second, bytes));
    EXPECT_EQ(second, needed) << "a too-small buffer still tells the size";

    second = 0;
    EXPECT_TRUE(CeGetUserNotification(h, needed, &second, bytes));
    EXPECT_EQ(second, needed);
    // Nothing beyond the size it asked for was written.
    buffer.back() = 0xA5A5A5A5;
    EXPECT_TRUE(CeGetUserNotification(h, needed, &second, bytes));
    if (needed % 4 == 0) {
        EXPECT_EQ(buffer.back(), 0xA5A5A5A5u);
    }

    EXPECT_FALSE(CeGetUserNotification(h, needed, nullptr, bytes)) << "no size variable";
}

TEST(StoreCalls, UnknownNullAndStaleHandlesFailTheirRead)
{
    TestDevice device;
    HANDLE kept = device.Add(TestEntry());
    HANDLE cleared = device.Add(TestEntry());
    ASSERT_TRUE(CeClearUserNotification(cleared));

    for (HANDLE h : { static_cast<HANDLE>(nullptr), cleared,
                      HandleFromNumber(0x7777),
                      INVALID_HANDLE_VALUE }) {
        DWORD needed = 1234;
        EXPECT_FALSE(CeGetUserNotification(h, 0, &needed, nullptr)) << h;
        EXPECT_EQ(needed, 0u) << h;
        std::vector<DWORD> buffer(64);
        needed = 1234;
        EXPECT_FALSE(CeGetUserNotification(h, 256, &needed, reinterpret_cast<LPBYTE>(buffer.data())))
            << h;
        EXPECT_FALSE(CeClearUserNotification(h)) << h;
    }
    EXPECT_EQ(device.Handles(), std::vector<HANDLE>{ kept });
    EXPECT_FALSE(CeClearUserNotification(cleared)) << "cleared twice";
}

TEST(StoreCalls, ListingKeepsInsertionOrderAndReplaceKeepsThePlace)
{
    TestDevice device;
    TestEntry a, b, c;
    a.application = L"\\Windows\\a.exe";
    b.application = L"\\Windows\\b.exe";
    c.application = L"\\Windows\\c.exe";
    HANDLE ha = device.Add(a);
    HANDLE hb = device.Add(b);
    HANDLE hc = device.Add(c);
    EXPECT_EQ(device.Handles(), (std::vector<HANDLE>{ ha, hb, hc }));

    ASSERT_TRUE(NotifyStoreSetStatus(hb, CNS_SIGNALLED));
    CE_NOTIFICATION_TRIGGER trigger = {};
    trigger.dwSize = sizeof trigger;
    trigger.dwType = CNT_EVENT;
    trigger.dwEvent = NOTIFICATION_EVENT_SYNC_END;
    trigger.lpszApplication = const_cast<WCHAR*>(L"\\Windows\\repllog.exe");
    EXPECT_EQ(CeSetUserNotificationEx(hb, &trigger, nullptr), hb);
    EXPECT_EQ(device.Handles(), (std::vector<HANDLE>{ ha, hb, hc }));
    EXPECT_EQ(device.Applications(), (std::vector<std::wstring>{
                                          L"\\Windows\\a.exe", L"\\Windows\\repllog.exe",
                                          L"\\Windows\\c.exe" }));
    EXPECT_EQ(Deliver(hb).Header()->dwStatus, 0u) << "a replaced entry has not fired";

    HANDLE unknown = HandleFromNumber(0x5000);
    EXPECT_EQ(CeSetUserNotificationEx(unknown, &trigger, nullptr), nullptr);
    EXPECT_EQ(device.Count(), 3u);
}

TEST(StoreCalls, HandlesAreNeverZeroNorReusedAfterClear)
{
    TestDevice device;
    std::vector<HANDLE> seen;
    for (int round = 0; round < 5; ++round) {
        HANDLE h = device.Add(TestEntry());
        ASSERT_NE(h, nullptr);
        for (HANDLE earlier : seen)
            EXPECT_NE(h, earlier);
        seen.push_back(h);
        ASSERT_TRUE(CeClearUserNotification(h));
        ReloadFromDisk(device.StorePath());   // the counter survives on disk, not only in memory
    }
    EXPECT_EQ(device.Count(), 0u);
}

TEST(StoreCalls, ListingArgumentsAndCapacity)
{
    TestDevice device;
    HANDLE first = device.Add(TestEntry());
    HANDLE second = device.Add(TestEntry());
    device.Add(TestEntry());

    DWORD count = 99;
    EXPECT_FALSE(CeGetUserNotificationHandles(nullptr, 0, nullptr));
    EXPECT_FALSE(CeGetUserNotificationHandles(nullptr, 3, &count)) << "no array, capacity 3";
    ASSERT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
    EXPECT_EQ(count, 3u);

    HANDLE handles[3] = { nullptr, nullptr, HandleFromNumber(0x99) };
    DWORD got = 0;
    ASSERT_TRUE(CeGetUserNotificationHandles(handles, 2, &got));
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(handles[0], first);
    EXPECT_EQ(handles[1], second);
    EXPECT_EQ(handles[2], HandleFromNumber(0x99)) << "written beyond the capacity";
}

TEST(StoreCalls, SetAcceptsEveryShapeTheProgramCanShow)
{
    TestDevice device;
    TestEntry noTrigger;
    noTrigger.hasTrigger = false;
    noTrigger.hasUser = true;
    noTrigger.actionFlags = PUN_DIALOG;
    noTrigger.title = L"Backup";
    TestEntry nothing;
    nothing.hasTrigger = false;
    TestEntry nullTexts;
    nullTexts.application.reset();
    nullTexts.arguments.reset();
    nullTexts.hasUser = true;
    nullTexts.actionFlags = PUN_DIALOG;
    TestEntry emptyTexts = TestEntry::Dialog(L"", L"", L"");
    emptyTexts.arguments = L"";
    TestEntry userWithoutDialog = TestEntry::Dialog(L"\\Windows\\clock.exe", L"Alarm", L"Wake up");
    userWithoutDialog.actionFlags = PUN_LED | PUN_VIBRATE;

    const HANDLE hNoTrigger = device.Add(noTrigger);
    const HANDLE hNothing = device.Add(nothing);
    const HANDLE hNull = device.Add(nullTexts);
    const HANDLE hEmpty = device.Add(emptyTexts);
    const HANDLE hUser = device.Add(userWithoutDialog);
    ReloadFromDisk(device.StorePath());

    DeliveredEntry e = Deliver(hNoTrigger);
    ASSERT_GT(e.size, 0u);
    EXPECT_EQ(e.Header()->pcent, nullptr);
    ASSERT_NE(e.Header()->pceun, nullptr);
    EXPECT_EQ(Text(e.Header()->pceun->pwszDialogTitle), L"Backup");
    EXPECT_EQ(e.Header()->pceun->pwszDialogText, nullptr);

    e = Deliver(hNothing);
    ASSERT_GT(e.size, 0u);
    EXPECT_EQ(e.Header()->pcent, nullptr);
    EXPECT_EQ(e.Header()->pceun, nullptr);
    EXPECT_EQ(e.size, sizeof(CE_NOTIFICATION_INFO_HEADER));

    e = Deliver(hNull);
    ASSERT_GT(e.size, 0u);
    EXPECT_EQ(e.Header()->pcent->lpszApplication, nullptr);
    EXPECT_EQ(e.Header()->pcent->lpszArguments, nullptr);
    EXPECT_EQ(e.Header()->pceun->pwszDialogTitle, nullptr);
    EXPECT_EQ(e.Header()->pceun->pwszDialogText, nullptr);

    e = Deliver(hEmpty);
    ASSERT_GT(e.size, 0u);
    EXPECT_EQ(Text(e.Header()->pcent->lpszApplication), L"");
    EXPECT_EQ(Text(e.Header()->pcent->lpszArguments), L"");
    EXPECT_EQ(Text(e.Header()->pceun->pwszDialogTitle), L"");
    EXPECT_EQ(Text(e.Header()->pceun->pwszDialogText), L"");

    e = Deliver(hUser);
    ASSERT_GT(e.size, 0u);
    EXPECT_EQ(e.Header()->pceun->ActionFlags, static_cast<DWORD>(PUN_LED | PUN_VIBRATE));
    EXPECT_EQ(Text(e.Header()->pceun->pwszDialogTitle), L"Alarm");
}

TEST(StoreCalls, SetRefusesATriggerOfTheWrongSize)
{
    TestDevice device;
    CE_NOTIFICATION_TRIGGER trigger = {};
    trigger.dwType = CNT_EVENT;
    EXPECT_EQ(CeSetUserNotificationEx(nullptr, &trigger, nullptr), nullptr);
    EXPECT_EQ(device.Count(), 0u);
}

TEST(StoreCalls, StatusComesFromTheEntry)
{
    TestDevice device;
    HANDLE h = device.Add(TestEntry());
    EXPECT_EQ(Deliver(h).Header()->dwStatus, 0u);
    for (DWORD status : { 1u, 2u, 0xFFFFFFFFu, 0u }) {
        ASSERT_TRUE(NotifyStoreSetStatus(h, status));
        ReloadFromDisk(device.StorePath());
        EXPECT_EQ(Deliver(h).Header()->dwStatus, status);
    }
    EXPECT_FALSE(NotifyStoreSetStatus(HandleFromNumber(0x4444), 1));
}

TEST(StoreCalls, AddingManyInOneStepAndReplacingAllKeepsTheCounter)
{
    TestDevice device;
    HANDLE old = device.Add(TestEntry());
    std::vector<StoredNotification> entries(3);
    entries[1].status = CNS_SIGNALLED;
    entries[2].hasTrigger = true;
    entries[2].application = L"x.exe";
    std::vector<HANDLE> handles;
    ASSERT_TRUE(NotifyStoreAddEntries(entries, true, &handles));
    ASSERT_EQ(handles.size(), 3u);
    EXPECT_EQ(device.Handles(), handles);
    for (HANDLE h : handles)
        EXPECT_GT(HandleNumber(h), HandleNumber(old));
    EXPECT_EQ(Deliver(old).size, 0u);
    EXPECT_EQ(Deliver(handles[1]).Header()->dwStatus, static_cast<DWORD>(CNS_SIGNALLED));
    EXPECT_EQ(device.Applications(), (std::vector<std::wstring>{ L"(null)", L"(null)", L"x.exe" }));
}

TEST(StoreCalls, ClearingManyInOneStepTakesAllOrNone)
{
    TestDevice device;
    HANDLE a = device.Add(TestEntry());
    HANDLE b = device.Add(TestEntry());
    HANDLE c = device.Add(TestEntry());
    HANDLE stale = device.Add(TestEntry());
    ASSERT_TRUE(CeClearUserNotification(stale));

    std::vector<HANDLE> missing;
    EXPECT_FALSE(NotifyStoreClearEntries({ a, stale, c }, &missing));
    EXPECT_EQ(missing, std::vector<HANDLE>{ stale });
    EXPECT_EQ(device.Handles(), (std::vector<HANDLE>{ a, b, c }));

    const DWORD savesBefore = NotifyStoreTestStats().diskSaves;
    ASSERT_TRUE(NotifyStoreClearEntries({ a, c }, &missing));
    EXPECT_TRUE(missing.empty());
    EXPECT_EQ(NotifyStoreTestStats().diskSaves, savesBefore + 1);   // one replace of the file
    ReloadFromDisk(device.StorePath());
    EXPECT_EQ(device.Handles(), std::vector<HANDLE>{ b });
}
