// The store shared by several processes of one device: this test program and
// notifyctl.exe runs beside it, as the program and other programs would.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "notify/notification_record.h"
#include "platform/store/notify_store.h"
#include "platform/store/store_private.h"
#include "platform/store/test_switches.h"
#include "tests/support/message_boxes.h"
#include "tests/support/notifyctl_run.h"
#include "tests/support/test_device.h"

namespace {
bool Readable(HANDLE h)
{
    NotificationRecord record;
    return ReadNotificationRecord(h, &record) == ReadOk;
}

// Stops a writer once it has put an entry in the store: between two of its
// writes, as the store's lock is held while it is stopped (and a stopped
// process is never given the lock).
bool StopOnceItHasWritten(RunningTool& writer, const TestDevice& device)
{
    StoreSharing sharing(device.StorePath());
    const size_t before = device.Count();
    bool stopped = false;
    std::wstring error;
    PumpUntil([&] {
        if (!sharing.Lock(&error))
            return false;
        const bool wrote = device.Count() > before;
        stopped = wrote && writer.Suspend();
        sharing.Unlock();
        return wrote;
    });
    return stopped;
}
}  // namespace

TEST(StoreAcrossProcesses, TwoWritersAtOnceLoseNothing)
{
    TestDevice device;
    // Each writer is stopped once it is writing, and both go on together: the
    // two runs overlap however the system schedules their starts.
    RunningTool first(device.StorePath(), { L"add", L"--app", L"\\Windows\\first.exe", L"--copies", L"200" });
    ASSERT_TRUE(StopOnceItHasWritten(first, device));
    RunningTool second(device.StorePath(), { L"add", L"--app", L"\\Windows\\second.exe", L"--copies", L"200" });
    ASSERT_TRUE(StopOnceItHasWritten(second, device));
    ASSERT_TRUE(first.Resume());
    ASSERT_TRUE(second.Resume());
    // This process writes too, in between.
    for (int i = 0; i < 20; ++i) {
        TestEntry entry;
        entry.application = L"\\Windows\\third.exe";
        ASSERT_NE(device.Add(entry), nullptr);
    }
    const ToolResult a = first.Wait();
    const ToolResult b = second.Wait();
    ASSERT_EQ(a.exitCode, 0u) << a.err;
    ASSERT_EQ(b.exitCode, 0u) << b.err;

    std::set<std::string> printed;
    for (const ToolResult* result : { &a, &b }) {
        const std::vector<std::string> lines = Lines(result->out);
        EXPECT_EQ(lines.size(), 200u);
        printed.insert(lines.begin(), lines.end());
    }
    EXPECT_EQ(printed.size(), 400u) << "every handle is handed out once";

    std::map<std::wstring, int> perApplication;
    for (const std::wstring& application : device.Applications())
        ++perApplication[application];
    EXPECT_EQ(perApplication[L"\\Windows\\first.exe"], 200);
    EXPECT_EQ(perApplication[L"\\Windows\\second.exe"], 200);
    EXPECT_EQ(perApplication[L"\\Windows\\third.exe"], 20);
    EXPECT_EQ(device.Count(), 420u);

    // The two runs overlapped: their entries alternate in the listing.
    int switches = 0;
    std::wstring last;
    for (const std::wstring& application : device.Applications()) {
        if (application != L"\\Windows\\third.exe") {
            switches += !last.empty() && application != last;
            last = application;
        }
    }
    EXPECT_GE(switches, 10);
}

TEST(StoreAcrossProcesses, AnotherProcessesChangeIsSeenAtTheNextCall)
{
    TestDevice device;
    HANDLE kept = device.Add(TestEntry());
    HANDLE doomed = device.Add(TestEntry());
    ASSERT_TRUE(Readable(doomed));
    const DWORD loads = NotifyStoreTestStats().diskLoads;
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(Readable(kept));
    EXPECT_EQ(NotifyStoreTestStats().diskLoads, loads) << "warm reads stay in memory";

    char number[16];
    wsprintfA(number, "%lu", static_cast<unsigned long>(HandleNumber(doomed)));
    ToolResult cleared = RunNotifyctl(device.StorePath(), { L"clear", std::wstring(number, number + strlen(number)) });
    ASSERT_EQ(cleared.exitCode, 0u) << cleared.err;
    EXPECT_FALSE(Readable(doomed)) << "the very next read sees the clear";
    EXPECT_TRUE(Readable(kept));
    EXPECT_EQ(NotifyStoreTestStats().diskLoads, loads + 1);

    ToolResult added = RunNotifyctl(device.StorePath(), { L"add", L"--app", L"x.exe" });
    ASSERT_EQ(added.exitCode, 0u) << added.err;
    DWORD count = 0;
    ASSERT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
    EXPECT_EQ(count, 2u);
}

TEST(StoreAcrossProcesses, HandlesAreNeverReusedAcrossProcesses)
{
    TestDevice device;
    HANDLE mine = device.Add(TestEntry());
    ASSERT_TRUE(CeClearUserNotification(mine));

    ToolResult added = RunNotifyctl(device.StorePath(), { L"add" });
    ASSERT_EQ(added.exitCode, 0u) << added.err;
    const unsigned long theirs = std::stoul(added.out);
    EXPECT_GT(theirs, HandleNumber(mine));

    ASSERT_EQ(RunNotifyctl(device.StorePath(), { L"clear", L"--all" }).exitCode, 0u);
    HANDLE next = device.Add(TestEntry());
    EXPECT_GT(HandleNumber(next), theirs);
    EXPECT_FALSE(Readable(HandleFromNumber(theirs)));
}

TEST(StoreAcrossProcesses, AWriterKilledMidwayNeverLeavesAnUnreadableStore)
{
    TestDevice device;
    device.Add(TestEntry());
    DWORD previous = 1;
    for (int round = 0; round < 8; ++round) {
        RunningTool writer(device.StorePath(), { L"add", L"--title", L"x", L"--copies", L"2000" });
        ASSERT_TRUE(writer.Started());
        // Killed once it has got entries in, wherever in a write it is then.
        ASSERT_TRUE(PumpUntil([&] { return device.Count() > previous + round; })) << "round " << round;
        writer.Kill();

        DWORD count = 0;
        ASSERT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count))
            << "round " << round << ": " << Narrow(NotifyStoreLastError());
        EXPECT_GE(count, previous) << "round " << round;
        previous = count;
    }
    // The lock of a killed writer is free again.
    ToolResult after = RunNotifyctl(device.StorePath(), { L"add" });
    EXPECT_EQ(after.exitCode, 0u) << after.err;
    EXPECT_EQ(device.Count(), previous + 1);
    EXPECT_GT(previous, 1u) << "the writers got some entries in before they were killed";
}

TEST(StoreAcrossProcesses, ADamagedStoreFailsHereAndInNotifyctl)
{
    TestDevice device;
    device.Add(TestEntry());
    std::string file = ReadFileBytes(device.StorePath());
    file.replace(file.find("  status 0"), 10, "  colour 0");
    FILE* out = _wfopen(device.StorePath().c_str(), L"wb");
    ASSERT_NE(out, nullptr);
    fwrite(file.data(), 1, file.size(), out);
    fclose(out);

    DWORD count = 0;
    EXPECT_FALSE(CeGetUserNotificationHandles(nullptr, 0, &count));
    for (const std::vector<std::wstring>& command :
         { std::vector<std::wstring>{ L"list" }, { L"add" }, { L"clear", L"1" }, { L"export", L"-" },
           { L"soft-reset" }, { L"demo" } }) {
        ToolResult result = RunNotifyctl(device.StorePath(), command);
        EXPECT_EQ(result.exitCode, 3u) << Narrow(command[0]) << ": " << result.err;
        // The store's Windows path and its Linux name (checked in notifyctl_test), then the fault.
        const std::string fault = "): line 6: unknown field 'colour'\n";
        EXPECT_EQ(result.err.rfind("notifyctl: " + Narrow(device.StorePath()) + " (/", 0), 0u)
            << Narrow(command[0]) << ": " << result.err;
        EXPECT_TRUE(result.err.size() > fault.size() &&
                    result.err.compare(result.err.size() - fault.size(), fault.size(), fault) == 0)
            << Narrow(command[0]) << ": " << result.err;
    }
    EXPECT_EQ(ReadFileBytes(device.StorePath()), file);
}
