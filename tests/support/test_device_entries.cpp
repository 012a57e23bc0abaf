// Entries put into a test's store; a refusal fails the test.
#include "tests/support/test_device.h"

#include <gtest/gtest.h>

#include "platform/store/notify_store.h"
#include "tests/support/message_boxes.h"

TestEntry::TestEntry()
{
    hasTrigger = true;
    type = CNT_EVENT;
    event = NOTIFICATION_EVENT_WAKEUP;
    application = L"\\Windows\\clock.exe";
    arguments = L"AppRunAtTime";
}

TestEntry TestEntry::Dialog(std::wstring application, std::wstring title, std::wstring text)
{
    TestEntry entry;
    entry.application = std::move(application);
    entry.type = CNT_TIME;
    entry.event = NOTIFICATION_EVENT_NONE;
    entry.hasUser = true;
    entry.actionFlags = PUN_DIALOG | PUN_SOUND;
    entry.title = std::move(title);
    entry.text = std::move(text);
    return entry;
}

TestEntry App(std::wstring path)
{
    TestEntry entry;
    entry.application = std::move(path);
    return entry;
}

std::vector<HANDLE> TestDevice::AddAlarms(int count)
{
    std::vector<StoredNotification> entries;
    for (int i = 0; i < count; ++i) {
        entries.push_back(App(L"\\Windows\\alarm" + std::to_wstring(i) + L".exe"));
        entries.back().arguments.reset();
    }
    std::vector<HANDLE> handles;
    EXPECT_TRUE(NotifyStoreAddEntries(entries, false, &handles))
        << "the store refused the entries: " << Narrow(NotifyStoreLastError());
    return handles;
}

HANDLE TestDevice::Add(const TestEntry& spec)
{
    StoredNotification entry = spec;
    GetLocalTime(&entry.start);
    entry.end = entry.start;
    NotificationParts parts(std::move(entry));

    HANDLE h = CeSetUserNotificationEx(nullptr, parts.Trigger(), parts.User());
    EXPECT_NE(h, nullptr) << "the store refused an entry: " << Narrow(NotifyStoreLastError());
    if (h && spec.status != 0) {
        EXPECT_TRUE(NotifyStoreSetStatus(h, spec.status));
    }
    return h;
}
