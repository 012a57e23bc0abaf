// The entries of notifyctl's demo device and of its soft-reset pile-up.
#include "tools/notifyctl.h"

#include "platform/notify.h"

namespace {
// Local time `days` from today at hour:minute, with its day of the week.
SYSTEMTIME At(int days, WORD hour, WORD minute)
{
    SYSTEMTIME today;
    GetLocalTime(&today);
    today.wHour = hour;
    today.wMinute = minute;
    today.wSecond = 0;
    today.wMilliseconds = 0;
    FILETIME file;
    SystemTimeToFileTime(&today, &file);
    ULARGE_INTEGER value = { { file.dwLowDateTime, file.dwHighDateTime } };
    value.QuadPart += static_cast<ULONGLONG>(days) * 24 * 60 * 60 * 10000000ull;
    file = { value.LowPart, value.HighPart };
    SYSTEMTIME result;
    FileTimeToSystemTime(&file, &result);
    return result;
}

// A program started for a system event.
StoredNotification Event(const wchar_t* application, DWORD event, const wchar_t* arguments)
{
    StoredNotification e;
    e.hasTrigger = true;
    e.type = CNT_EVENT;
    e.event = event;
    if (application)
        e.application = std::wstring(application);
    e.arguments = std::wstring(arguments);
    return e;
}

// A timed entry of a program, with a user part.
StoredNotification Timed(const wchar_t* application, SYSTEMTIME when, DWORD flags,
                         const wchar_t* title, const wchar_t* text)
{
    StoredNotification e = Event(application, NOTIFICATION_EVENT_NONE, L"AppRunAtTime");
    e.type = CNT_TIME;
    e.start = when;
    e.end = when;
    e.hasUser = true;
    e.actionFlags = flags;
    if (title)
        e.title = std::wstring(title);
    if (text)
        e.text = std::wstring(text);
    if (flags & PUN_SOUND)
        e.sound = std::wstring(L"\\Windows\\Alarm1.wav");
    return e;
}

StoredNotification Reminder(SYSTEMTIME when, const wchar_t* title, const wchar_t* text)
{
    return Timed(L"\\Windows\\calendar.exe", when, PUN_DIALOG | PUN_SOUND | PUN_LED, title, text);
}

// What one soft reset leaves behind: the system's own event registrations,
// made again at every boot, and the phone's missed-call alarm script.
void AppendSoftReset(std::vector<StoredNotification>* entries)
{
    struct Registration {
        const wchar_t* application;
        DWORD event;
        const wchar_t* arguments;
    };
    static const Registration AtEveryBoot[] = {
        { L"\\Windows\\connmgr.exe", NOTIFICATION_EVENT_RESTORE_END, L"AppRunAfterRestore" },
        { L"\\Windows\\connmgr.exe", NOTIFICATION_EVENT_TIME_CHANGE, L"AppRunAfterTimeChange" },
        { L"\\Windows\\SSTimeChange", NOTIFICATION_EVENT_TIME_CHANGE, L"AppRunAfterTimeChange" },
        { L"\\Windows\\SSTimeChange", NOTIFICATION_EVENT_TZ_CHANGE, L"AppRunAfterTzChange" },
        { L"\\Windows\\IA_Caller_ID.exe", NOTIFICATION_EVENT_RESTORE_END, L"AppRunAfterRestore" },
        { L"\\Windows\\repllog.exe", NOTIFICATION_EVENT_RS232_DETECTED, L"AppRunAtRs232Detect" },
    };
    for (const Registration& r : AtEveryBoot)
        entries->push_back(Event(r.application, r.event, r.arguments));
    StoredNotification missedCall =
        Timed(L"SCRIPT:0x000A3C", At(0, 0, 0), PUN_LED | PUN_VIBRATE, L"Missed Call", L"1 missed call");
    missedCall.arguments.reset();
    entries->push_back(missedCall);
}
}  // namespace

std::vector<StoredNotification> SoftResetEntries(DWORD times)
{
    std::vector<StoredNotification> entries;
    for (DWORD i = 0; i < times; ++i)
        AppendSoftReset(&entries);
    return entries;
}

std::vector<StoredNotification> DemoEntries()
{
    std::vector<StoredNotification> e;
    AppendSoftReset(&e);
    e.push_back(Reminder(At(1, 8, 45), L"Dentist", L"Dr. Hale, 2nd floor\nBring insurance card"));
    e.push_back(Reminder(At(2, 10, 0), L"Team meeting", L"Room 4B\nQuarterly figures\nBring laptop"));
    e.push_back(Reminder(At(5, 18, 0), L"Mum's birthday", L"Call before 8 pm"));
    e.push_back(Event(L"\\Windows\\repllog.exe", NOTIFICATION_EVENT_SYNC_END, L"AppRunAfterSync"));
    e.push_back(Event(L"\\Windows\\backlight.exe", NOTIFICATION_EVENT_ON_AC_POWER,
                      L"AppRunAfterAcPowerOn"));

    AppendSoftReset(&e);
    StoredNotification lunch = Reminder(At(0, 12, 30), L"Lunch with Sam", L"Caf\u00E9 Lindgren\nTable for two");
    lunch.status = CNS_SIGNALLED;
    e.push_back(lunch);
    StoredNotification conference =
        Reminder(At(10, 9, 0), L"Conference", L"Hall C\nBadge at desk 3");
    conference.type = CNT_PERIOD;
    conference.end = At(12, 17, 0);
    e.push_back(conference);
    e.push_back(Timed(L"\\Windows\\clock.exe", At(1, 6, 30), PUN_DIALOG | PUN_SOUND | PUN_REPEAT,
                      L"Alarm 1", L"Wake up"));
    e.push_back(Timed(L"\\Windows\\clock.exe", At(0, 21, 0), PUN_SOUND | PUN_LED, L"Alarm 2",
                      L"Take medicine"));
    e.push_back(Timed(L"\\Windows\\tasks.exe", At(3, 9, 0), PUN_DIALOG | PUN_LED, nullptr,
                      L"Renew library books"));

    AppendSoftReset(&e);
    e.push_back(Event(L"\\Windows\\backlight.exe", NOTIFICATION_EVENT_OFF_AC_POWER,
                      L"AppRunAfterAcPowerOff"));
    StoredNotification backup;
    backup.hasUser = true;
    backup.actionFlags = PUN_DIALOG | PUN_LED;
    backup.title = std::wstring(L"Backup reminder");
    backup.text = std::wstring(L"Connect to your PC\nto back up your data");
    e.push_back(backup);
    e.push_back(Event(nullptr, NOTIFICATION_EVENT_WAKEUP, L"AppRunAfterWakeup"));
    e.push_back(Event(L"\\Windows\\tmail.exe", NOTIFICATION_EVENT_NET_CONNECT,
                      L"AppRunAfterNetConnect"));
    return e;
}
