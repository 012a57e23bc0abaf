#include "notify/notification_record.h"

#include <notify.h>

#include <cwchar>

namespace {
// Keeps at most capacity - 1 characters and always ends the text; a capacity
// of 0 has no room even for the end.
void CopyBounded(WCHAR* target, DWORD capacity, const WCHAR* source)
{
    if (capacity == 0)
        return;
    DWORD i = 0;
    for (; i < capacity - 1 && source[i] != L'\0'; ++i)
        target[i] = source[i];
    target[i] = L'\0';
}

void CopyOrDefault(WCHAR* target, DWORD capacity, const WCHAR* source, const WCHAR* fallback)
{
    CopyBounded(target, capacity, source ? source : fallback);
}

// The file name of a program path: what follows its last backslash.
const WCHAR* FileNamePart(const WCHAR* path)
{
    const WCHAR* slash = std::wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}
}  // namespace

int ReadNotification(HANDLE notification, DWORD* notifyType, LONG* eventType,
                     DWORD* eventStatus, DWORD* hasDialog,
                     WCHAR* dialogTitle, DWORD dialogTitleCapacity,
                     WCHAR* dialogText, DWORD dialogTextCapacity,
                     WCHAR* application, DWORD applicationCapacity,
                     WCHAR* arguments, DWORD argumentsCapacity)
{
    DWORD size = 0;
    CeGetUserNotification(notification, 0, &size, nullptr);
    if (size == 0)
        return ReadRefused;

    // The heap's blocks are aligned for any type, as the packed structures need.
    std::unique_ptr<BYTE[]> buffer = AllocateArray<BYTE>(size);
    if (!buffer)
        return ReadNoMemory;
    DWORD delivered = 0;
    if (!CeGetUserNotification(notification, size, &delivered, buffer.get()))
        return ReadRefused;

    const auto* header = reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(buffer.get());
    if (const CE_NOTIFICATION_TRIGGER* trigger = header->pcent) {
        if (trigger->lpszApplication)
            CopyBounded(application, applicationCapacity, FileNamePart(trigger->lpszApplication));
        else
            CopyBounded(application, applicationCapacity, L"NULL");
        *eventType = static_cast<LONG>(trigger->dwEvent);
        *notifyType = trigger->dwType;
        CopyOrDefault(arguments, argumentsCapacity, trigger->lpszArguments, L"(none)");
    } else {
        CopyBounded(application, applicationCapacity, L"");
        CopyBounded(arguments, argumentsCapacity, L"(none)");
        *eventType = -1;
    }

    *eventStatus = header->dwStatus == CNS_SIGNALLED ? 1 : 0;

    *hasDialog = 0;
    const CE_USER_NOTIFICATION* user = header->pceun;
    if (user && (user->ActionFlags & PUN_DIALOG)) {
        *hasDialog = 1;
        CopyOrDefault(dialogTitle, dialogTitleCapacity, user->pwszDialogTitle, L"(No Title)");
        CopyOrDefault(dialogText, dialogTextCapacity, user->pwszDialogText, L"(No Text)");
        WCHAR* lineFeed = dialogTextCapacity ? std::wcschr(dialogText, L'\n') : nullptr;
        if (lineFeed)
            *lineFeed = L':';
    } else {
        CopyBounded(dialogTitle, dialogTitleCapacity, L"");
        CopyBounded(dialogText, dialogTextCapacity, L"");
    }
    return ReadOk;
}

int ReadNotificationRecord(HANDLE notification, NotificationRecord* record)
{
    record->notifyType = 0;
    return ReadNotification(notification, &record->notifyType, &record->eventType,
                            &record->eventStatus, &record->hasDialog,
                            record->dialogTitle, RecordTextCapacity,
                            record->dialogText, RecordTextCapacity,
                            record->application, RecordTextCapacity,
                            record->arguments, RecordTextCapacity);
}

bool CountNotificationHandles(DWORD* count)
{
    *count = 0;
    return CeGetUserNotificationHandles(nullptr, 0, count) != FALSE;
}

HandleListing ListNotificationHandles(DWORD count)
{
    HandleListing listing;
    listing.handles = AllocateArray<HANDLE>(count);
    if (!listing.handles)
        return listing;
    listing.listed = CeGetUserNotificationHandles(listing.handles.get(), count, &listing.got);
    if (listing.got > count)
        listing.got = count;
    return listing;
}
