// The store's file: what it looks like, what survives a reload, and how a
// damaged, missing or half-replaced file is met.
#include <gtest/gtest.h>

#include "platform/store/notify_store.h"
#include "platform/store/test_switches.h"
#include "tests/store/store_test_util.h"
#include "tests/support/test_device.h"

namespace {
std::string Header(unsigned nextHandle)
{
    return "tallyvane-notifications 1\nnext-handle " + std::to_string(nextHandle) + "\n";
}

const char EventEntry[] =
    "entry 1\n"
    "  status 0\n"
    "  trigger event\n"
    "  event restore-end\n"
    "  application \"\\\\Windows\\\\connmgr.exe\"\n"
    "  arguments \"AppRunAfterRestore\"\n"
    "  start-time 2024-03-05 08:30:00.000 2\n"
    "  end-time 2024-03-05 08:30:00.000 2\n"
    "  user none\n"
    "end\n";

bool CountFails()
{
    DWORD n = 0;
    return !CeGetUserNotificationHandles(nullptr, 0, &n);
}
}  // namespace

TEST(StoreFile, WrittenAsDocumentedText)
{
    TestDevice device;
    CE_NOTIFICATION_TRIGGER trigger = {};
    trigger.dwSize = sizeof trigger;
    trigger.dwType = CNT_TIME;
    trigger.lpszApplication = const_cast<WCHAR*>(L"\\Windows\\clock.exe");
    trigger.stStartTime = { 2024, 3, 2, 5, 7, 0, 0, 0 };
    trigger.stEndTime = trigger.stStartTime;
    CE_USER_NOTIFICATION user = {};
    user.ActionFlags = PUN_DIALOG | PUN_SOUND | 0x100;
    user.pwszDialogTitle = const_cast<WCHAR*>(L"Alarm \"1\"");
    user.pwszDialogText = const_cast<WCHAR*>(L"Wake\tup\nnow \\o/");
    user.nMaxSound = 3;
    ASSERT_NE(CeSetUserNotificationEx(nullptr, &trigger, &user), nullptr);

    EXPECT_EQ(ReadFileBytes(device.StorePath()),
              "tallyvane-notifications 1\n"
              "# Notification store of a Tallyvane device; the format is in docs/store-format.md.\n"
              "next-handle 2\n"
              "\n"
              "entry 1\n"
              "  status 0\n"
              "  trigger time\n"
              "  event none\n"
              "  application \"\\\\Windows\\\\clock.exe\"\n"
              "  arguments null\n"
              "  start-time 2024-03-05 07:00:00.000 2\n"
              "  end-time 2024-03-05 07:00:00.000 2\n"
              "  user dialog|sound|0x100\n"
              "  title \"Alarm \\\"1\\\"\"\n"
              "  text \"Wake\\tup\\nnow \\\\o/\"\n"
              "  sound null\n"
              "  max-sound 3\n"
              "end\n"
              "\n"
              "end-of-store\n");
}

TEST(StoreFile, EveryTextSurvivesAReload)
{
    TestDevice device;
    const std::wstring texts[] = {
        L"tab\there, line\nfeed, return\r, back\\slash, \"quotes\"",
        L"Gr\u00FC\u00DFe \u65E5\u672C \U0001F600 \u20AC",
        L"control \x01\x1F\x7F end",
        std::wstring(L"lone ") + wchar_t(0xD800) + L" and " + wchar_t(0xDC01) + L" surrogates",
        L"",
        std::wstring(3000, L'x'),
    };
    std::vector<HANDLE> handles;
    for (const std::wstring& text : texts)
        handles.push_back(device.Add(TestEntry::Dialog(text, text, text)));
    ReloadFromDisk(device.StorePath());

    for (size_t i = 0; i < handles.size(); ++i) {
        DeliveredEntry e = Deliver(handles[i]);
        ASSERT_GT(e.size, 0u) << i;
        EXPECT_EQ(std::wstring(e.Header()->pcent->lpszApplication), texts[i]) << i;
        EXPECT_EQ(std::wstring(e.Header()->pceun->pwszDialogTitle), texts[i]) << i;
        EXPECT_EQ(std::wstring(e.Header()->pceun->pwszDialogText), texts[i]) << i;
    }
    const std::string file = ReadFileBytes(device.StorePath());
    EXPECT_NE(file.find("Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"),
              std::string::npos)
        << "non-ASCII text is kept as UTF-8";
    EXPECT_NE(file.find("lone \\uD800 and \\uDC01 surrogates"), std::string::npos);
}

TEST(StoreFile, AMissingFileIsAnEmptyStoreAndTheFolderIsMadeOnSave)
{
    TestDevice device;
    const std::wstring nested = device.Folder() + L"\\deeper\\still\\notifications.txt";
    NotifyStoreUsePath(nested);
    DWORD n = 5;
    ASSERT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &n));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(NotifyStoreLastError(), L"");
    EXPECT_NE(CeSetUserNotificationEx(nullptr, nullptr, nullptr), nullptr);
    EXPECT_NE(ReadFileBytes(nested).find("entry 1"), std::string::npos);
}

TEST(StoreFile, HandEditedFileIsReadAndCommentsAndLineEndsAreAccepted)
{
    TestDevice device;
    std::string text = "\xEF\xBB\xBF" + Header(9) + "# kept by hand\r\n\r\n" + EventEntry +
                       "entry 8\n  status 1\n  trigger none\n  user 0\n  title null\n"
                       "  text \"caf\xC3\xA9\\u00e9\"\n  sound \"\\\\Windows\\\\Alarm1.wav\"\n"
                       "  max-sound 0x10\nend\nend-of-store\n\n# trailing comment\n";
    WriteBytes(device.StorePath(), text);
    ASSERT_EQ(device.Handles(),
              (std::vector<HANDLE>{ HandleFromNumber(1), HandleFromNumber(8) }));
    DeliveredEntry e = Deliver(HandleFromNumber(8));
    ASSERT_GT(e.size, 0u);
    EXPECT_EQ(e.Header()->dwStatus, 1u);
    EXPECT_EQ(e.Header()->pcent, nullptr);
    EXPECT_EQ(std::wstring(e.Header()->pceun->pwszDialogText), L"caf\u00E9\u00E9");
    EXPECT_EQ(e.Header()->pceun->nMaxSound, 16u);
    EXPECT_EQ(device.Applications()[0], L"\\Windows\\connmgr.exe");

    HANDLE added = device.Add(TestEntry());
    EXPECT_EQ(added, HandleFromNumber(9)) << "next-handle from the file";
}

TEST(StoreFile, DamageMakesEveryCallFailAndNamesFileLineAndFault)
{
    struct Damage {
        std::string text;
        std::string expected;   // what NotifyStoreLastError() must say after the path
    };
    const std::string entry = EventEntry;
    const std::string end = "end-of-store\n";
    const Damage damages[] = {
        { "", "line 1: the file is empty" },
        { "tallyvane-notifications\n", "line 1: not a notification store" },
        { "some other file\n", "line 1: not a notification store" },
        { "tallyvane-notifications 2\nnext-handle 1\n" + end, "line 1: format version 2 is not supported" },
        { "tallyvane-notifications 1\nentry 1\n", "line 2: expected 'next-handle'" },
        { Header(0) + end, "line 2: bad next-handle '0'" },
        { Header(5) + "entry x1\n", "line 3: bad handle 'x1'" },
        { Header(5) + "entry 0\n", "line 3: handle 0 is not allowed" },
        { Header(1) + entry + end, "line 3: handle 1 is not below next-handle 1" },
        { Header(5) + entry + entry + end, "line 13: handle 1 appears twice (first at line 3)" },
        { Header(5) + "entry 2\n  colour blue\n", "line 4: unknown field 'colour'" },
        { Header(5) + "entry 2\n  col\x1B[31mour\x07 blue\n", "line 4: unknown field 'col\\u001B[31mour\\u0007'" },
        { Header(5) + "entry 2\n  status 1\n  status 2\n", "line 5: field 'status' given twice" },
        { Header(5) + "entry 2\n  status -1\n", "line 4: field 'status': bad value '-1'" },
        { Header(5) + "entry 2\n  status 4294967296\n", "line 4: field 'status': bad value" },
        { Header(5) + "entry 2\n  trigger sometimes\n", "line 4: field 'trigger': bad value 'sometimes'" },
        { Header(5) + "entry 2\n  trigger event\n  event RESTORE_END\n", "line 5: field 'event': bad value 'RESTORE_END'" },
        { Header(5) + "entry 2\n  user dialog|blink\n", "line 4: field 'user': bad value" },
        { Header(5) + "entry 2\n  user 0\n  title \"a\\qb\"\n", "line 5: field 'title': bad escape '\\q'" },
        { Header(5) + "entry 2\n  user 0\n  title \"a\\u00\"\n", "line 5: field 'title': bad escape: \\u needs" },
        { Header(5) + "entry 2\n  user 0\n  title \"a\\u0000\"\n", "line 5: field 'title': \\u0000 is not allowed" },
        { Header(5) + "entry 2\n  user 0\n  title \"open\n", "line 5: field 'title': the text has no closing quote" },
        { Header(5) + "entry 2\n  user 0\n  title \"a\" b\n", "line 5: field 'title': text after the closing quote" },
        { Header(5) + "entry 2\n  user 0\n  title bare\n", "line 5: field 'title': a text is null or in double quotes" },
        { Header(5) + "entry 2\n  user 0\n  title \"\xC3\x28\"\n", "line 5: field 'title': bad UTF-8" },
        { Header(5) + "entry 2\n  user 0\n  title \"\xED\xA0\x80\"\n", "line 5: field 'title': bad UTF-8" },
        { Header(5) + "entry 2\n  user 0\n  title \"\xC0\xAF\"\n", "line 5: field 'title': bad UTF-8" },
        { Header(5) + "entry 2\n  trigger time\n  start-time 2024-03-05 08:30 2\n",
          "line 5: field 'start-time': bad value" },
        { Header(5) + "entry 2\n  status 0\n  trigger none\n  event wakeup\n  user none\nend\n",
          "line 6: field 'event' in an entry with trigger none" },
        { Header(5) + "entry 2\n  status 0\n  trigger none\n  user 0\n  title null\nend\n",
          "line 8: entry 2 has no 'text'" },
        { Header(5) + "entry 2\n  trigger none\n  user none\nend\n", "line 6: entry 2 has no 'status'" },
        { Header(5) + "entry 2\n  status 0\n  trigger none\n  user none\nentry 3\n",
          "line 7: entry 2 has no 'end' line" },
        { Header(5) + entry, "line 12: the file ends without 'end-of-store' (truncated)" },
        { Header(5) + entry.substr(0, entry.size() - 16), "the file ends inside entry 1 (truncated)" },
        { Header(5) + end + "entry 2\n", "line 4: text after 'end-of-store'" },
        { Header(5) + "status 0\n", "line 3: expected 'entry' or 'end-of-store', found 'status'" },
    };
    for (const Damage& damage : damages) {
        TestDevice device;
        WriteBytes(device.StorePath(), damage.text);
        SCOPED_TRACE(damage.expected);
        EXPECT_TRUE(CountFails());
        const std::string error = Utf8(NotifyStoreLastError());
        EXPECT_EQ(error.rfind(Utf8(device.StorePath()) + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(damage.expected), std::string::npos) << error;

        HANDLE handles[4];
        DWORD got = 9;
        EXPECT_FALSE(CeGetUserNotificationHandles(handles, 4, &got));
        EXPECT_EQ(got, 0u);
        DWORD size = 9;
        EXPECT_FALSE(CeGetUserNotification(HandleFromNumber(1), 0, &size, nullptr));
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(CeSetUserNotificationEx(nullptr, nullptr, nullptr), nullptr);
        EXPECT_FALSE(CeClearUserNotification(HandleFromNumber(1)));
        EXPECT_EQ(ReadFileBytes(device.StorePath()), damage.text) << "a damaged file is never overwritten";
    }
}

TEST(StoreFile, RepairedFileIsReadAgainAndTheErrorGoes)
{
    TestDevice device;
    WriteBytes(device.StorePath(), Header(5) + "entry 2\n");
    EXPECT_TRUE(CountFails());
    EXPECT_NE(NotifyStoreLastError(), L"");
    WriteBytes(device.StorePath(), Header(5) + EventEntry + "end-of-store\n");
    EXPECT_FALSE(CountFails());
    EXPECT_EQ(NotifyStoreLastError(), L"");
    EXPECT_EQ(device.Count(), 1u);
}

TEST(StoreFile, LeftoverOfAKilledWriterDoesNotDisturb)
{
    TestDevice device;
    HANDLE h = device.Add(TestEntry());
    // A writer died half-way through its temporary file.
    WriteBytes(device.StorePath() + L".new", Header(9) + "entry 3\n  stat");
    ReloadFromDisk(device.StorePath());
    EXPECT_EQ(device.Handles(), std::vector<HANDLE>{ h });
    HANDLE next = device.Add(TestEntry());
    EXPECT_NE(next, nullptr);
    ReloadFromDisk(device.StorePath());
    EXPECT_EQ(device.Handles(), (std::vector<HANDLE>{ h, next }));
    EXPECT_EQ(GetFileAttributesW((device.StorePath() + L".new").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the next save used it up";
}

TEST(StoreFile, WarmReadsStayInMemoryAndAHandEditIsSeenAtTheNextCount)
{
    TestDevice device;
    HANDLE h = device.Add(TestEntry());
    ReloadFromDisk(device.StorePath());
    ASSERT_EQ(device.Count(), 1u);
    const DWORD loads = NotifyStoreTestStats().diskLoads;
    const DWORD reads = NotifyStoreTestStats().reads;
    for (int i = 0; i < 100; ++i)
        ASSERT_GT(Deliver(h).size, 0u);
    EXPECT_EQ(NotifyStoreTestStats().diskLoads, loads);
    EXPECT_EQ(NotifyStoreTestStats().reads, reads + 100);

    // An editor rewrites the file behind the store's back.
    Sleep(20);
    WriteBytes(device.StorePath(), Header(9) + "entry 7\n  status 0\n  trigger none\n  user none\nend\n"
                                   "end-of-store\n");
    EXPECT_EQ(device.Handles(), std::vector<HANDLE>{ HandleFromNumber(7) });
    EXPECT_EQ(NotifyStoreTestStats().diskLoads, loads + 1);
}
