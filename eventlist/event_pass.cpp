// The walk over every notification: fill the event list, or append the log.
#include "eventlist/event_pass.h"

#include <commctrl.h>
#include <notify.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>

#include "app/main_window.h"
#include "app/progress.h"
#include "eventlist/duplicates.h"
#include "eventlist/event_list.h"
#include "notify/notification_record.h"

const WCHAR LogFileName[] = L"notify_logfile.txt";
const WCHAR VersionText[] = L"Version 2.0";
bool LogWriteFailed = false;

void ResetLogWriteFailure()
{
    LogWriteFailed = false;
}

namespace {

constexpr int FormatCapacity = 300;     // the long date, the warning, progress and log lines
constexpr DWORD WarningLevel = 300;     // this many notifications take a while to load

const WCHAR ProcessingFormat[] = L"Processing %d of %d events...";

// An array of n entries, or null when the memory cannot be had. A count too
// large to be a size at all makes new (std::nothrow) T[n] throw rather than
// return null, so that case is caught first.
template <class T>
std::unique_ptr<T[]> AllocateArray(DWORD n)
{
    if (n > PTRDIFF_MAX / sizeof(T))
        return nullptr;
    return std::unique_ptr<T[]>(new (std::nothrow) T[n]);
}

void ShowError(const WCHAR* text, const WCHAR* caption = L"Error")
{
    MessageBoxW(nullptr, text, caption, MB_OK);
}

// Today's date in the system's long form; YYYY-MM-DD when that cannot be had.
void FormatToday(WCHAR* buffer)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (GetDateFormatW(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, &now, nullptr, buffer,
                       FormatCapacity) == 0)
        wsprintfW(buffer, L"%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
}

void AppendLogHeader()
{
    WCHAR date[FormatCapacity];
    FormatToday(date);
    AppendToLog(VersionText);
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

void AppendLogBlock(const NotificationRecord& record)
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

}  // namespace

DWORD EventPass(int mode)
{
    BusyCursor(1);
    const bool load = mode == Load;
    const WCHAR* title;
    if (load) {
        SendMessageW(EventListWindow, LVM_DELETEALLITEMS, 0, 0);
        title = L"Loading events";
    } else {
        AppendLogHeader();
        title = L"Logging events";
    }

    DWORD n = 0;
    if (!CeGetUserNotificationHandles(nullptr, 0, &n)) {
        BusyCursor(0);
        ShowError(L"Error in getting number of notifications 1!");
        return 0;
    }
    if (n == 0) {
        BusyCursor(0);
        ShowError(L"Number of notifications is zero!");
        return 0;
    }

    WCHAR text[FormatCapacity];
    if (n >= WarningLevel) {
        wsprintfW(text,
                  L"Warning: You have %d events on your system which is very high! This may take "
                  L"a while to load...",
                  static_cast<int>(n));
        MessageBoxW(MainWindow, text, L"Warning", MB_OK);
    }

    std::unique_ptr<HANDLE[]> handles = AllocateArray<HANDLE>(n);
    if (!handles) {
        BusyCursor(0);
        ShowError(L"Could not allocate mem for pHandles!", L"Out of Memory");
        return 0;
    }

    // A listing that fails or comes up short still covers what it delivered.
    DWORD got = 0;
    CeGetUserNotificationHandles(handles.get(), n, &got);
    if (got > n)
        got = n;
    const int total = static_cast<int>(got);

    ProgressWindow = ProgressOpen(MainWindow);
    wsprintfW(text, ProcessingFormat, 0, total);
    ProgressStart(ProgressWindow, text, title, 0, total);
    SetListRedraw(EventListWindow, FALSE);

    NotificationRecord record;
    for (int i = 0; i < total; ++i) {
        wsprintfW(text, ProcessingFormat, i + 1, total);
        ProgressStep(ProgressWindow, text, i + 1);
        if (ReadNotificationRecord(handles[i], &record) != ReadOk)
            continue;
        if (load)
            AddEventRow(i, handles[i], record);
        else
            AppendLogBlock(record);
    }
    handles.reset();

    // Drawing stays off through the marking; one repaint shows the result.
    if (load) {
        MarkDuplicates(EventListWindow);
        InvalidateRect(EventListWindow, nullptr, TRUE);
    }
    BusyCursor(0);
    ProgressClose(ProgressWindow);
    ProgressWindow = nullptr;
    SetListRedraw(EventListWindow, TRUE);
    return n;
}

DWORD CountNotifications()
{
    BusyCursor(1);
    DWORD n = 0;
    const BOOL counted = CeGetUserNotificationHandles(nullptr, 0, &n);
    BusyCursor(0);
    if (!counted) {
        ShowError(L"Failed to count user notification handles!");
        return 0;
    }
    return n;
}

// The log is UTF-8 without a byte-order mark, and "\n" is a single line feed
// byte: the file is opened in binary and each piece converted here. A piece
// is converted in slices small enough for a stack buffer, never splitting a
// surrogate pair.
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
    if (fclose(file) != 0 || !written)
        LogWriteFailed = true;
}
