// Which notifications Clear takes: the pile-up rules and the duplicate test.
#include "cleanup/clear_selection.h"

#include <notify.h>

#include <cwchar>

namespace {

constexpr LONG AnyEvent = -2;   // no NOTIFICATION_EVENT_* code

struct ClearRule {
    const WCHAR* application;
    size_t prefixLength;          // 0: the whole name must be equal
    LONG eventType;               // AnyEvent, or the one event code the rule takes
    DWORD ClearOptions::*option;  // null, or the option that must be exactly 1
};

const ClearRule ClearRules[] = {
    { L"connmgr.exe", 0, AnyEvent, nullptr },
    { L"SSTimeChange", 0, AnyEvent, nullptr },
    { L"IA_Caller_ID.exe", 0, NOTIFICATION_EVENT_RESTORE_END, nullptr },
    { L"SCRIPT:0x", 9, AnyEvent, &ClearOptions::removeScriptEvents },
};

// The entries that system components register anew at every boot, and the
// missed-call script alarms when that option is exactly 1.
bool TakenByRules(const NotificationRecord& record, const ClearOptions& options)
{
    for (const ClearRule& rule : ClearRules) {
        if (rule.option && options.*rule.option != 1)
            continue;
        const bool named =
            rule.prefixLength == 0
                ? wcscmp(record.application, rule.application) == 0
                : wcsncmp(record.application, rule.application, rule.prefixLength) == 0;
        if (named && (rule.eventType == AnyEvent || record.eventType == rule.eventType))
            return true;
    }
    return false;
}

// The later entry would do exactly what the earlier one does; whether either
// has fired takes no part.
bool SameNotification(const NotificationRecord& anchor, const NotificationRecord& candidate)
{
    if (wcscmp(anchor.application, candidate.application) != 0)
        return false;
    if (anchor.notifyType != candidate.notifyType)
        return false;
    if (anchor.eventType != candidate.eventType)
        return false;
    if (anchor.hasDialog != candidate.hasDialog)
        return false;
    if (anchor.hasDialog == 1 && (wcscmp(anchor.dialogTitle, candidate.dialogTitle) != 0 ||
                                  wcscmp(anchor.dialogText, candidate.dialogText) != 0))
        return false;
    return wcscmp(anchor.arguments, candidate.arguments) == 0;
}

}  // namespace

void SelectByRules(const HANDLE* handles, DWORD count, const ClearOptions& options,
                   ClearVisitor& visitor)
{
    NotificationRecord candidate;
    for (DWORD i = 0; i < count; ++i) {
        visitor.Step(i + 1, count);
        if (ReadNotificationRecord(handles[i], &candidate) == ReadOk &&
            TakenByRules(candidate, options))
            visitor.Take(i);
    }
}

void SelectLaterCopies(const HANDLE* handles, int* cleared, DWORD count, ClearVisitor& visitor)
{
    NotificationRecord anchor;
    NotificationRecord candidate;
    for (DWORD j = 0; j + 1 < count; ++j) {
        visitor.Step(j + 1, count);
        if (cleared[j] == 1 || ReadNotificationRecord(handles[j], &anchor) != ReadOk)
            continue;
        for (DWORD k = j + 1; k < count; ++k) {
            if (cleared[k] != 1 && ReadNotificationRecord(handles[k], &candidate) == ReadOk &&
                SameNotification(anchor, candidate)) {
                cleared[k] = 1;
                visitor.Take(k);
            }
        }
    }
}
