// Entries put into a test's store; a refusal fails the test.
#include "tests/support/test_device.h"

#include <gtest/gtest.h>

#include "platform/notify_store.h"
#include "tests/support/message_boxes.h"

TestEntry TestEntry::Dialog(std::wstring application, std::wstring title, std::wstring text)
{
    TestEntry entry;
    entry.application = std::move(application);
    entry.type = CNT_TIME;
    entry.event = NOTIFICATION_EVENT_NONE;
    entry.hasUserPart = true;
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

namespace {
WCHAR* OptionalText(std::optional<std::wstring>& text)
{
    return text ? text->data() : nullptr;
}
}  // namespace

std::vector<HANDLE> TestDevice::AddAlarms(int count)
{
    std::vector<StoredNotification> entries(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        StoredNotification& entry = entries[static_cast<size_t>(i)];
        entry.hasTrigger = true;
        entry.type = CNT_EVENT;
        entry.event = NOTIFICATION_EVENT_WAKEUP;
        entry.application = L"\\Windows\\alarm" + std::to_wstring(i) + L".exe";
    }
    std::vector<HANDLE> handles;
    EXPECT_TRUE(NotifyStoreAddEntries(entries, false, &handles))
        << "the store refused the entries: " << Narrow(NotifyStoreLastError());
    return handles;
}

HANDLE TestDevice::Add(const TestEntry& spec)
{
    TestEntry entry = spec;
    CE_NOTIFICATION_TRIGGER trigger = {};
    trigger.dwSize = sizeof trigger;
    trigger.dwType = entry.type;
    trigger.dwEvent = entry.event;
    trigger.lpszApplication = OptionalText(entry.application);
    trigger.lpszArguments = OptionalText(entry.arguments);
    GetLocalTime(&trigger.stStartTime);
    trigger.stEndTime = trigger.stStartTime;

    CE_USER_NOTIFICATION user = {};
    user.ActionFlags = entry.actionFlags;
    user.pwszDialogTitle = OptionalText(entry.title);
    user.pwszDialogText = OptionalText(entry.text);

    HANDLE h = CeSetUserNotificationEx(nullptr, entry.hasTrigger ? &trigger : nullptr,
                                       entry.hasUserPart ? &user : nullptr);
    EXPECT_NE(h, nullptr) << "the store refused an entry: " << Narrow(NotifyStoreLastError());
    if (h && entry.status != 0) {
        EXPECT_TRUE(NotifyStoreSetStatus(h, entry.status));
    }
    return h;
}

