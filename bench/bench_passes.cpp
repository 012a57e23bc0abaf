// Times every pass of the program on stores of growing size, each on the real
// program code with the real main window, next to the floor of the same run:
// N reads of the notification records alone.
//
//   bench_passes [--quick] [--runs N] [--sizes 100,300,...] [--json FILE] [--pieces]
//
// --pieces adds where the time of the passes goes: the same work taken apart
// (progress window, list rows, duplicate marking, log pieces, the clean-up
// pass without its reload, with and without its progress window, store
// clears), each timed alone once per size.
//
// Message boxes (the warning at 300 entries, the Log confirmation) are
// answered at once and the time they were up is left out.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/progress.h"
#include "bench/bench_listing.h"
#include "cleanup/cleanup_pass.h"
#include "eventlist/duplicates.h"
#include "eventlist/event_list.h"
#include "eventlist/event_pass.h"
#include "notify/notification_record.h"
#include "platform/store/notify_store.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "tests/support/message_boxes.h"
#include "tests/support/test_device.h"

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// How long message boxes were up, added up as they are answered (see main),
// and taken off the time of the work that showed them.
double BoxSeconds = 0;

std::wstring Text(const wchar_t* format, int a, int b = 0)
{
    WCHAR buffer[256];
    wsprintfW(buffer, format, a, b);
    return buffer;
}

HANDLE AddEntry(const wchar_t* app, const wchar_t* args, DWORD type, DWORD event, const wchar_t* title,
                const wchar_t* text)
{
    std::wstring a = app, g = args;
    CE_NOTIFICATION_TRIGGER trigger = {};
    trigger.dwSize = sizeof trigger;
    trigger.dwType = type;
    trigger.dwEvent = event;
    trigger.lpszApplication = a.data();
    trigger.lpszArguments = g.data();
    GetLocalTime(&trigger.stStartTime);
    trigger.stEndTime = trigger.stStartTime;
    std::wstring t = title ? title : L"", x = text ? text : L"";
    CE_USER_NOTIFICATION user = {};
    user.ActionFlags = PUN_DIALOG | PUN_SOUND;
    user.pwszDialogTitle = t.data();
    user.pwszDialogText = x.data();
    return CeSetUserNotificationEx(nullptr, &trigger, title ? &user : nullptr);
}

// A realistic mix: reminders with dialogs and long arguments, timed alarms,
// event launches, and about a third of the store repeating earlier entries.
void FillStore(int n)
{
    const int unique = n - n / 3;
    for (int i = 0; i < n; ++i) {
        const int k = i < unique ? i : (i * 7) % unique;   // later entries repeat earlier ones
        switch (k % 4) {
        case 0:
            AddEntry(L"\\Windows\\calendar.exe",
                     Text(L"AppRunAtTime /reminder %d /series weekly-team-meeting-room-4b-"
                          L"with-the-long-argument-list-that-reminders-carry", k).c_str(),
                     CNT_TIME, 0, Text(L"Meeting %d", k).c_str(),
                     Text(L"Room 4B\nBring the figures for week %d", k).c_str());
            break;
        case 1:
            AddEntry(Text(L"\\Program Files\\Tools\\app%d.exe", k).c_str(), L"AppRunAfterWakeup",
                     CNT_EVENT, NOTIFICATION_EVENT_WAKEUP, nullptr, nullptr);
            break;
        case 2:
            AddEntry(L"\\Windows\\clock.exe", Text(L"AppRunAtTime alarm-%d", k).c_str(), CNT_TIME, 0,
                     Text(L"Alarm %d", k).c_str(), L"Wake up");
            break;
        default:
            AddEntry(Text(L"\\Windows\\sync%d.exe", k).c_str(), L"AppRunAfterSync", CNT_EVENT,
                     NOTIFICATION_EVENT_SYNC_END, nullptr, nullptr);
            break;
        }
    }
}

struct Figure {
    std::string pass;
    int n;
    std::vector<double> seconds;
    double floor;   // median of N record reads in the same run
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double ReadAllRecords()
{
    const std::vector<HANDLE> handles = AllNotificationHandles();
    NotificationRecord record;
    const double start = Now();
    for (HANDLE handle : handles)
        ReadNotificationRecord(handle, &record);
    return Now() - start;
}

double Timed(const std::function<void()>& work)
{
    BoxSeconds = 0;
    const double start = Now();
    work();
    return Now() - start - BoxSeconds;
}

SIZE_T PeakMemory()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

struct Piece {
    const char* name;
    int n;
    double seconds;
};

// The passes' work taken apart, on the store and window of one size.
void TimePieces(int n, const std::function<void()>& freshStore, const std::wstring& logPath,
                std::vector<Piece>& pieces)
{
    freshStore();
    const std::vector<HANDLE> handles = AllNotificationHandles();
    const int total = static_cast<int>(handles.size());
    WCHAR line[300];

    HWND progress = ProgressOpen(MainWindow);
    ProgressStart(progress, L"Processing 0 of 0 events...", L"Loading events", 0, total);
    pieces.push_back({ "progress open+close", 10, Timed([] {
        for (int i = 0; i < 10; ++i)
            ProgressClose(ProgressOpen(MainWindow));
    }) });
    pieces.push_back({ "progress steps", n, Timed([&] {
        for (int i = 0; i < total; ++i) {
            wsprintfW(line, L"Processing %d of %d events...", i + 1, total);
            ProgressStep(progress, line, i + 1);
        }
    }) });
    HWND status = GetDlgItem(progress, IDC_PROGRESS_STATUS);
    pieces.push_back({ "- status line", n, Timed([&] {
        for (int i = 0; i < total; ++i) {
            wsprintfW(line, L"Processing %d of %d events...", i + 1, total);
            SetWindowTextW(status, line);
            UpdateWindow(status);
        }
    }) });
    HWND bar = GetDlgItem(progress, IDC_PROGRESS_BAR);
    pieces.push_back({ "- bar position", n, Timed([&] {
        for (int i = 0; i < total; ++i)
            SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(i + 1), 0);
    }) });
    ProgressClose(progress);

    SendMessageW(EventListWindow, LVM_DELETEALLITEMS, 0, 0);
    SetListRedraw(EventListWindow, FALSE);
    NotificationRecord record;
    pieces.push_back({ "list rows", n, Timed([&] {
        for (int i = 0; i < total; ++i) {
            ReadNotificationRecord(handles[i], &record);
            const WCHAR* const cells[] = {
                record.application, NotifyTypeName(record.notifyType),
                EventStatusName(record.eventStatus), EventTypeName(record.eventType),
                record.dialogTitle, record.dialogText, record.arguments,
            };
            const int row = static_cast<int>(SetEventCell(EventListWindow, i, 0, cells[0], handles[i]));
            for (int column = 1; column < EventColumnCount; ++column)
                SetEventCell(EventListWindow, row, column, cells[column], handles[i]);
        }
    }) });
    pieces.push_back({ "duplicate marking", n, Timed([] { MarkDuplicates(EventListWindow); }) });
    SetListRedraw(EventListWindow, TRUE);

    DeleteFileW(logPath.c_str());
    pieces.push_back({ "log pieces", n, Timed([&] {
        for (int i = 0; i < total; ++i) {
            ReadNotificationRecord(handles[i], &record);
            for (const WCHAR* piece : std::initializer_list<const WCHAR*>{ L"Application: ", record.application, L"\n", L"Notify Type: 1\n",
                                        L"Event Status: 0\n", L"Event Type: 0\n", L"Dialog Title:",
                                        record.dialogTitle, L"\n", L"Dialog Text:", record.dialogText,
                                        L"\n", L"Arguments: ", record.arguments, L"\n" })
                AppendToLog(piece);
        }
    }) });

    // Clear without its reload, both options on as in the main table.
    freshStore();
    pieces.push_back({ "cleanup pass", n, Timed([] { CleanupPass(); }) });
    // The same with no progress window: the dialog resource is looked for in
    // a module that has none, so every progress call does nothing.
    freshStore();
    const HINSTANCE program = AppInstance;
    AppInstance = GetModuleHandleW(L"kernel32.dll");
    pieces.push_back({ "- without progress", n, Timed([] { CleanupPass(); }) });
    AppInstance = program;
    freshStore();
    // As many clears as the duplicate pass makes: a third of the store.
    pieces.push_back({ "store clears", total / 3, Timed([&] {
        for (int i = total - total / 3; i < total; ++i)
            CeClearUserNotification(handles[i]);
    }) });
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes = { 100, 300, 1000, 3000 };
    int runs = 5;
    std::string json;
    bool wantPieces = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--quick") {
            sizes = { 100, 300, 1000 };
            runs = 3;
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (arg == "--sizes" && i + 1 < argc) {
            sizes.clear();
            for (char* p = argv[++i]; *p;) {
                sizes.push_back(static_cast<int>(std::strtol(p, &p, 10)));
                if (*p == ',')
                    ++p;
            }
        } else if (arg == "--pieces") {
            wantPieces = true;
        } else if (arg == "--json" && i + 1 < argc) {
            json = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_passes [--quick] [--runs N] [--sizes A,B,...] [--json FILE] [--pieces]\n");
            return 2;
        }
    }

    MessageBoxRecorder boxes;   // answers every box with OK
    double boxShownAt = 0;
    boxes.onShow = [&](HWND) { boxShownAt = Now(); };
    boxes.onClose = [&](HWND) { BoxSeconds += Now() - boxShownAt; };
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterMainClass(instance);

    std::vector<Figure> figures;
    std::vector<std::pair<int, SIZE_T>> peaks;
    std::vector<Piece> pieces;
    for (int n : sizes) {
        std::fprintf(stderr, "N = %d: %d runs...", n, runs);
        const double sizeStart = Now();
        TestDevice device;
        const std::wstring base = device.Folder() + L"\\base.txt";
        NotifyStoreUsePath(base);
        FillStore(n);
        const std::wstring work = device.Folder() + L"\\work.txt";
        auto freshStore = [&] {
            CopyFileW(base.c_str(), work.c_str(), FALSE);
            NotifyStoreUsePath(work);
        };
        freshStore();
        CreateMainWindow(instance, SW_SHOW);
        PumpMessages();

        Figure load{ "first load", n, {}, 0 }, count{ "count", n, {}, 0 },
            refresh{ "refresh", n, {}, 0 }, log{ "log", n, {}, 0 }, clear{ "clear", n, {}, 0 };
        std::vector<double> floors;
        for (int r = 0; r < runs; ++r) {
            freshStore();
            floors.push_back(ReadAllRecords());
            load.seconds.push_back(Timed([] { EventPass(Load); }));
            count.seconds.push_back(Timed([] { CountNotifications(); }));
            refresh.seconds.push_back(Timed([] {
                SendMessageW(MainWindow, WM_COMMAND, MAKEWPARAM(IDM_REFRESH, 0), 0);
            }));
            DeleteFileW(device.LogPath().c_str());
            log.seconds.push_back(Timed([] {
                SendMessageW(MainWindow, WM_COMMAND, MAKEWPARAM(IDC_LOG, 0), 0);
            }));
            RemoveDuplicates = 1;
            RemoveScriptEvents = 1;
            clear.seconds.push_back(Timed([] {
                SendMessageW(MainWindow, WM_COMMAND, MAKEWPARAM(IDC_CLEAR, 0), 0);
            }));
            PumpMessages();
        }
        const double floor = Median(floors);
        for (Figure* f : { &load, &count, &refresh, &log, &clear }) {
            f->floor = floor;
            figures.push_back(*f);
        }
        if (wantPieces)
            TimePieces(n, freshStore, device.LogPath(), pieces);
        DestroyWindow(MainWindow);
        PumpMessages();
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        peaks.emplace_back(n, PeakMemory());
        std::fprintf(stderr, " %.1f s\n", Now() - sizeStart);
    }

    // The floor is microseconds where the passes take tenths of seconds: in
    // seconds it would print as 0.0000 beside its ratio.
    std::printf("%-11s %6s %10s %10s %10s %10s %9s\n", "pass", "N", "median s", "min s", "max s",
                "floor us", "x floor");
    for (const Figure& f : figures) {
        const double median = Median(f.seconds);
        std::printf("%-11s %6d %10.4f %10.4f %10.4f %10.1f %9.1f\n", f.pass.c_str(), f.n, median,
                    *std::min_element(f.seconds.begin(), f.seconds.end()),
                    *std::max_element(f.seconds.begin(), f.seconds.end()), f.floor * 1e6,
                    f.floor > 0 ? median / f.floor : 0.0);
    }
    if (!pieces.empty()) {
        std::printf("\n%-18s %6s %10s %12s\n", "piece", "N", "seconds", "us per item");
        for (const Piece& p : pieces)
            std::printf("%-18s %6d %10.4f %12.1f\n", p.name, p.n, p.seconds,
                        p.n ? p.seconds * 1e6 / p.n : 0.0);
        std::printf("\n");
    }
    for (const auto& [n, peak] : peaks)
        std::printf("peak memory after N = %d: %.1f MB\n", n, peak / (1024.0 * 1024.0));

    if (!json.empty()) {
        FILE* out = std::fopen(json.c_str(), "w");
        if (!out) {
            std::fprintf(stderr, "bench_passes: cannot write %s\n", json.c_str());
            return 3;
        }
        std::fprintf(out, "{\n  \"runs\": %d,\n  \"figures\": [\n", runs);
        for (size_t i = 0; i < figures.size(); ++i) {
            const Figure& f = figures[i];
            std::fprintf(out,
                         "    {\"pass\": \"%s\", \"n\": %d, \"median\": %.6f, \"min\": %.6f, "
                         "\"max\": %.6f, \"floor\": %.9f}%s\n",
                         f.pass.c_str(), f.n, Median(f.seconds),
                         *std::min_element(f.seconds.begin(), f.seconds.end()),
                         *std::max_element(f.seconds.begin(), f.seconds.end()), f.floor,
                         i + 1 < figures.size() ? "," : "");
        }
        std::fprintf(out, "  ],\n  \"peak_memory_bytes\": {");
        for (size_t i = 0; i < peaks.size(); ++i)
            std::fprintf(out, "%s\"%d\": %lu", i ? ", " : "", peaks[i].first,
                         static_cast<unsigned long>(peaks[i].second));
        std::fprintf(out, "}\n}\n");
        std::fclose(out);
    }
    return 0;
}
