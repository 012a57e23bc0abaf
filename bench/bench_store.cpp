// Costs of the notification store on a 1,000-entry device: a warm
// CeGetUserNotification, a ReadNotificationRecord, the duplicate pass's
// n(n-1)/2 reads, and how soon a change by another process is seen.
//
//   bench_store [--entries N]
//
// notifyctl.exe must sit beside this program (it plays the other process).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_listing.h"
#include "notify/notification_record.h"
#include "platform/store/notify_store.h"
#include "platform/store/test_switches.h"
#include "tests/support/program_process.h"
#include "tests/support/test_device.h"

namespace {
double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median cost of one call, from batches of calls timed together.
template <typename Call>
double MedianMicroseconds(Call call, size_t batches = 101, size_t perBatch = 1000)
{
    std::vector<double> costs;
    for (size_t b = 0; b < batches; ++b) {
        const double start = Now();
        for (size_t i = 0; i < perBatch; ++i)
            call(i);
        costs.push_back((Now() - start) * 1e6 / static_cast<double>(perBatch));
    }
    return Median(costs);
}

StoredNotification Entry(size_t i)
{
    StoredNotification e;
    e.hasTrigger = true;
    e.type = i % 3 ? CNT_EVENT : CNT_TIME;
    e.event = static_cast<DWORD>(i % 13);
    e.application = L"\\Windows\\program" + std::to_wstring(i % 40) + L".exe";
    e.arguments = L"AppRunAfterRestore";
    e.hasUser = i % 2 == 0;
    e.actionFlags = PUN_DIALOG | PUN_SOUND;
    e.title = L"Reminder number " + std::to_wstring(i);
    e.text = L"First line of the text\nsecond line of entry " + std::to_wstring(i);
    return e;
}

// Starts notifyctl with these arguments on the store, its output going
// nowhere; the caller waits.
HANDLE StartNotifyctl(const std::wstring& store, const std::wstring& arguments)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process = {};
    if (!StartBuiltProgram(L"notifyctl.exe", arguments, store, nullptr, &process, &startup))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

struct Sighting {
    double seenAfterStart = 0;    // from starting the other process to the first call that saw its change
    double exitAfterStart = 0;    // from its start to its end, as far as this loop noticed it
    double seeingCallUs = 0;      // the call that saw the change (it reloads the store)
};

// notifyctl clears `watched` while this process keeps reading it.
bool WatchAClear(const std::wstring& store, HANDLE watched, Sighting* sighting)
{
    const std::wstring arguments = L"clear " + std::to_wstring(HandleNumber(watched));
    const double start = Now();
    HANDLE process = StartNotifyctl(store, arguments);
    if (!process)
        return false;
    std::vector<DWORD> buffer(1024);
    bool seen = false;
    bool ended = false;
    while (!seen || !ended) {
        if (!seen) {
            DWORD size = 0;
            const double before = Now();
            const BOOL ok = CeGetUserNotification(watched, 4096, &size,
                                                  reinterpret_cast<LPBYTE>(buffer.data()));
            const double after = Now();
            if (!ok) {
                seen = true;
                sighting->seenAfterStart = after - start;
                sighting->seeingCallUs = (after - before) * 1e6;
            }
        }
        if (!ended && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
            ended = true;
            sighting->exitAfterStart = Now() - start;
        }
        if (Now() - start > 30)
            break;
    }
    CloseHandle(process);
    return seen;
}
}  // namespace

int main(int argc, char** argv)
{
    size_t entries = 1000;
    if (argc == 3 && std::strcmp(argv[1], "--entries") == 0)
        entries = static_cast<size_t>(std::strtoul(argv[2], nullptr, 10));
    if (entries < 2) {
        std::fputs("usage: bench_store [--entries N]  (N at least 2)\n", stderr);
        return 2;
    }

    TestDevice device;
    std::vector<StoredNotification> list;
    for (size_t i = 0; i < entries; ++i)
        list.push_back(Entry(i));
    if (!NotifyStoreAddEntries(list, true, nullptr)) {
        std::fprintf(stderr, "cannot fill the store: %ls\n", NotifyStoreLastError().c_str());
        return 1;
    }
    NotifyStoreUsePath(device.StorePath());
    const std::vector<HANDLE> handles = AllNotificationHandles();
    std::printf("store: %zu entries, %zu bytes on disk\n", handles.size(),
                ReadFileBytes(device.StorePath()).size());

    // Warm: the first listing loaded the store; nothing changes from here on.
    const DWORD loadsBefore = NotifyStoreTestStats().diskLoads;
    std::vector<DWORD> buffer(2048);
    const double sizeQuery = MedianMicroseconds([&](size_t i) {
        DWORD size = 0;
        CeGetUserNotification(handles[i % handles.size()], 0, &size, nullptr);
    });
    const double read = MedianMicroseconds([&](size_t i) {
        DWORD size = 0;
        CeGetUserNotification(handles[i % handles.size()], sizeof(DWORD) * 2048, &size,
                              reinterpret_cast<LPBYTE>(buffer.data()));
    });
    NotificationRecord record;
    const double record1 = MedianMicroseconds([&](size_t i) {
        ReadNotificationRecord(handles[i % handles.size()], &record);
    });
    std::printf("warm CeGetUserNotification, size query: median %.3f us\n", sizeQuery);
    std::printf("warm CeGetUserNotification, with buffer: median %.3f us\n", read);
    std::printf("ReadNotificationRecord (both calls, allocation, copies): median %.3f us\n", record1);

    // The duplicate pass: every pair read once more for each anchor.
    size_t reads = 0;
    const double passStart = Now();
    for (size_t j = 0; j + 1 < handles.size(); ++j) {
        NotificationRecord anchor, candidate;
        ReadNotificationRecord(handles[j], &anchor);
        ++reads;
        for (size_t k = j + 1; k < handles.size(); ++k, ++reads)
            ReadNotificationRecord(handles[k], &candidate);
    }
    const double passSeconds = Now() - passStart;
    std::printf("duplicate-pass pattern: %zu ReadNotificationRecord calls in %.3f s (%.3f us each)\n",
                reads, passSeconds, passSeconds * 1e6 / static_cast<double>(reads));
    std::printf("disk loads during all warm reads: %lu\n",
                static_cast<unsigned long>(NotifyStoreTestStats().diskLoads - loadsBefore));

    // Another process clears an entry this one keeps reading.
    std::vector<double> seen, exited, seeing;
    for (int round = 0; round < 7; ++round) {
        Sighting sighting;
        if (!WatchAClear(device.StorePath(), handles[round * 7 + 1], &sighting)) {
            std::fprintf(stderr, "the other process's clear was never seen\n");
            return 1;
        }
        seen.push_back(sighting.seenAfterStart * 1e3);
        exited.push_back(sighting.exitAfterStart * 1e3);
        seeing.push_back(sighting.seeingCallUs / 1e3);
    }
    std::printf("change by another process (notifyctl clear), median of %zu:\n", seen.size());
    std::printf("  first call that saw it: %.1f ms after that process was started; "
                "the process ended %.1f ms after its start\n",
                Median(seen), Median(exited));
    std::printf("  the call that saw it took %.2f ms (it reloads the %zu-entry store)\n",
                Median(seeing), handles.size());
    return 0;
}
