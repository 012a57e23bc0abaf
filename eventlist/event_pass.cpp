// The walk over every notification: fill the event list, or append the log.
#include "eventlist/event_pass.h"

#include <commctrl.h>

#include <cstdio>

#include "app/app_state.h"
#include "app/progress.h"
#include "eventlist/duplicates.h"
#include "eventlist/event_list.h"
#include "notify/notification_record.h"

const WCHAR LogFileName[] = L"notify_logfile.txt";
bool LogWriteFailed = false;

void ResetLogWriteFailure()
{
    LogWriteFailed = false;
}

namespace {

constexpr int FormatCapacity = 300;     // the long date, the warning and the log's number lines

// What stops a pass, or the count alone, before any notification is read.
constexpr PassFailure CountFailed = { L"Error in getting number of notifications 1!", L"Error" };
constexpr PassFailure NoNotifications = { L"Number of notifications is zero!", L"Error" };
constexpr PassFailure NoHandleMemory = { L"Could not allocate mem for pHandles!", L"Out of Memory" };
constexpr PassFailure OnlyCountFailed = { L"Failed to count user notification handles!", L"Error" };

void WarnOfLongPass(DWORD n)
{
    WCHAR text[FormatCapacity];
    wsprintfW(text,
              L"Warning: You have %d events on your system which is very high! This may take "
              L"a while to load...",
              static_cast<int>(n));
    MessageBoxW(MainWindow, text, L"Warning", MB_OK);
}

// The version, then today's date in the system's long form; YYYY-MM-DD when
// that cannot be had.
void AppendLogHeader()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    WCHAR date[FormatCapacity];
    if (GetDateFormatW(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, &now, nullptr, date,
                       FormatCapacity) == 0)
        wsprintfW(date, L"%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
    AppendToLog(L"Version 2.0");
    AppendToLog(L"\n");
    AppendToLog(date);
    AppendToLog(L"\n");
}

void AppendNumberLine(const WCHAR* format, int value)
{
    WCHAR line[FormatCapacity];
    wsprintfW(line, format, value);
    AppendToLog(line);
}

void AppendLogBlock(int, HANDLE, const NotificationRecord& record)
{
    AppendToLog(L"Application: ");
    AppendToLog(record.application);
    AppendToLog(L"\n");
    AppendNumberLine(L"Notify Type: %d\n", static_cast<int>(record.notifyType));
    AppendNumberLine(L"Event Status: %d\n", static_cast<int>(record.eventStatus));
    AppendNumberLine(L"Event Type: %d\n", static_cast<int>(record.eventType));
    if (record.hasDialog == 1) {
        AppendToLog(L"Dialog Title:");
        AppendToLog(record.dialogTitle);
        AppendToLog(L"\n");
        AppendToLog(L"Dialog Text:");
        AppendToLog(record.dialogText);
        AppendToLog(L"\n");
    }
    AppendToLog(L"Arguments: ");
    AppendToLog(record.arguments);
    AppendToLog(L"\n");
}

// One row per notification; rows for handles that could not be read are
// simply missing, so row i goes after the last row when fewer are there.
void AddEventRow(int position, HANDLE notification, const NotificationRecord& record)
{
    const int row = static_cast<int>(
        SetEventCell(EventListWindow, position, 0, record.application, notification));
    if (row == -1)
        return;
    const WCHAR* const cells[] = {
        NotifyTypeName(record.notifyType),  EventStatusName(record.eventStatus),
        EventTypeName(record.eventType),    record.dialogTitle,
        record.dialogText,                  record.arguments,
    };
    for (int column = 1; column < EventColumnCount; ++column)
        SetEventCell(EventListWindow, row, column, cells[column - 1], notification);
}

void EmptyList()
{
    SendMessageW(EventListWindow, LVM_DELETEALLITEMS, 0, 0);
}

// Drawing is still off through the marking; one repaint shows the result.
void MarkAndRepaint()
{
    MarkDuplicates(EventListWindow);
    InvalidateRect(EventListWindow, nullptr, TRUE);
}

// What each mode does before the count, for each record read, and after the
// walk (null: nothing). Load empties the list first, so that a pass that
// stops early leaves it empty; Log writes its header even then.
struct PassMode {
    const WCHAR* title;
    void (*begin)();
    void (*take)(int position, HANDLE notification, const NotificationRecord& record);
    void (*end)();
};

constexpr PassMode LoadMode = { L"Loading events", EmptyList, AddEventRow, MarkAndRepaint };
constexpr PassMode LogMode = { L"Logging events", AppendLogHeader, AppendLogBlock, nullptr };

// Every handle that can be read, in listing order.
void WalkHandles(const PassMode& mode, const HandleListing& listing)
{
    NotificationRecord record;
    for (DWORD i = 0; i < listing.got; ++i) {
        PassProgressStep(i + 1, listing.got);
        if (ReadNotificationRecord(listing.handles[i], &record) == ReadOk)
            mode.take(static_cast<int>(i), listing.handles[i], record);
    }
}

}  // namespace

DWORD EventPass(int mode)
{
    const PassMode& pass = mode == Load ? LoadMode : LogMode;
    BusyCursorScope busy;
    pass.begin();

    DWORD n = 0;
    if (!CountNotificationHandles(&n))
        return StopPass(busy, CountFailed);
    if (n == 0)
        return StopPass(busy, NoNotifications);
    if (n >= 300)   // this many notifications take a while to load
        WarnOfLongPass(n);
    // A listing that fails or comes up short still covers what it delivered.
    HandleListing listing = ListNotificationHandles(n);
    if (!listing.handles)
        return StopPass(busy, NoHandleMemory);

    PassProgressOpen(pass.title, listing.got);
    ListDrawingOff drawingOff(EventListWindow);
    WalkHandles(pass, listing);
    listing.handles.reset();
    if (pass.end)
        pass.end();
    // The normal cursor comes back first and the list's drawing last.
    busy.End();
    PassProgressClose();
    return n;
}

DWORD CountNotifications()
{
    BusyCursorScope busy;
    DWORD n = 0;
    if (!CountNotificationHandles(&n))
        return StopPass(busy, OnlyCountFailed);
    return n;
}

// The log is UTF-8 without a byte-order mark, and "\n" is a single line feed
// byte: the file is opened in binary and each piece converted here. A piece
// is converted in slices small enough for a stack buffer, never splitting a
// surrogate pair. fwrite only fills the stream's buffer; the bytes reach the
// file when it is written out, and on a full disk that is where the write
// fails. The explicit flush reports it: some runtimes' fclose (Wine's) writes
// the buffer out but drops that failure. A piece cut short stays as it is:
// the log is only ever appended to, so what was there before is untouched.
void AppendToLog(const WCHAR* piece)
{
    FILE* file = _wfopen(LogFileName, L"ab");
    if (!file) {
        LogWriteFailed = true;
        return;
    }
    constexpr int SliceLength = 256;
    char bytes[SliceLength * 3];
    bool written = true;
    for (const WCHAR* rest = piece; *rest != L'\0';) {
        int length = 0;
        while (length < SliceLength && rest[length] != L'\0')
            ++length;
        if (length == SliceLength && IS_HIGH_SURROGATE(rest[length - 1]))
            --length;
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, rest, length, bytes, sizeof bytes, nullptr, nullptr);
        if (size <= 0 || fwrite(bytes, 1, size, file) != static_cast<size_t>(size))
            written = false;
        rest += length;
    }
    if (fflush(file) != 0)
        written = false;
    if (fclose(file) != 0 || !written)
        LogWriteFailed = true;
}
