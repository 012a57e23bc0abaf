// An entry and the handheld's structures: the bytes CeGetUserNotification
// hands out, and the parts CeSetUserNotificationEx takes, both ways.
#include "platform/store/store_private.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {
// Appends a copy of the bytes, DWORD aligned, and returns where it starts.
DWORD Append(PackedNotification* packed, const void* data, size_t size)
{
    const DWORD at = static_cast<DWORD>(packed->bytes.size());
    packed->bytes.resize((at + size + 3) & ~size_t{ 3 });
    std::memcpy(packed->bytes.data() + at, data, size);
    return at;
}

// Points the pointer field at fieldAt to the offset `target`.
void Point(PackedNotification* packed, DWORD fieldAt, DWORD target)
{
    const uintptr_t value = target;
    std::memcpy(packed->bytes.data() + fieldAt, &value, sizeof value);
    packed->pointerAt[packed->pointerCount++] = fieldAt;
}

void AppendText(PackedNotification* packed, DWORD fieldAt, const StoredText& text)
{
    if (text)
        Point(packed, fieldAt, Append(packed, text->c_str(), (text->size() + 1) * sizeof(WCHAR)));
}

// The fields of the parts that are not texts; each caller points the texts.
void FillParts(const StoredNotification& e, CE_NOTIFICATION_TRIGGER* trigger,
               CE_USER_NOTIFICATION* user)
{
    trigger->dwSize = sizeof *trigger;
    trigger->dwType = e.type;
    trigger->dwEvent = e.event;
    trigger->stStartTime = e.start;
    trigger->stEndTime = e.end;
    user->ActionFlags = e.actionFlags;
    user->nMaxSound = e.maxSound;
}

StoredText TextOf(const WCHAR* text)
{
    return text ? StoredText(text) : std::nullopt;
}

WCHAR* Pointer(StoredText& text)
{
    return text ? &(*text)[0] : nullptr;
}
}  // namespace

PackedNotification PackNotification(const StoredNotification& e)
{
    const CE_NOTIFICATION_INFO_HEADER header = { HandleFromNumber(e.handle), e.status, nullptr, nullptr };
    CE_NOTIFICATION_TRIGGER trigger = {};
    CE_USER_NOTIFICATION user = {};
    FillParts(e, &trigger, &user);
    PackedNotification packed;
    Append(&packed, &header, sizeof header);
    const DWORD triggerAt = e.hasTrigger ? Append(&packed, &trigger, sizeof trigger) : 0;
    const DWORD userAt = e.hasUser ? Append(&packed, &user, sizeof user) : 0;
    if (e.hasTrigger) {
        Point(&packed, offsetof(CE_NOTIFICATION_INFO_HEADER, pcent), triggerAt);
        AppendText(&packed, triggerAt + offsetof(CE_NOTIFICATION_TRIGGER, lpszApplication), e.application);
        AppendText(&packed, triggerAt + offsetof(CE_NOTIFICATION_TRIGGER, lpszArguments), e.arguments);
    }
    if (e.hasUser) {
        Point(&packed, offsetof(CE_NOTIFICATION_INFO_HEADER, pceun), userAt);
        AppendText(&packed, userAt + offsetof(CE_USER_NOTIFICATION, pwszDialogTitle), e.title);
        AppendText(&packed, userAt + offsetof(CE_USER_NOTIFICATION, pwszDialogText), e.text);
        AppendText(&packed, userAt + offsetof(CE_USER_NOTIFICATION, pwszSound), e.sound);
    }
    return packed;
}

void UnpackNotification(const PackedNotification& packed, BYTE* buffer)
{
    std::memcpy(buffer, packed.bytes.data(), packed.bytes.size());
    for (DWORD i = 0; i < packed.pointerCount; ++i) {
        uintptr_t value;
        std::memcpy(&value, buffer + packed.pointerAt[i], sizeof value);
        value += reinterpret_cast<uintptr_t>(buffer);
        std::memcpy(buffer + packed.pointerAt[i], &value, sizeof value);
    }
}

StoredNotification EntryFromParts(const CE_NOTIFICATION_TRIGGER* trigger,
                                  const CE_USER_NOTIFICATION* user)
{
    StoredNotification e;
    if (trigger) {
        e.hasTrigger = true;
        e.type = trigger->dwType;
        e.event = trigger->dwEvent;
        e.application = TextOf(trigger->lpszApplication);
        e.arguments = TextOf(trigger->lpszArguments);
        e.start = trigger->stStartTime;
        e.end = trigger->stEndTime;
    }
    if (user) {
        e.hasUser = true;
        e.actionFlags = user->ActionFlags;
        e.title = TextOf(user->pwszDialogTitle);
        e.text = TextOf(user->pwszDialogText);
        e.sound = TextOf(user->pwszSound);
        e.maxSound = user->nMaxSound;
    }
    return e;
}

NotificationParts::NotificationParts(StoredNotification entry) : entry_(std::move(entry))
{
    FillParts(entry_, &trigger_, &user_);
    trigger_.lpszApplication = Pointer(entry_.application);
    trigger_.lpszArguments = Pointer(entry_.arguments);
    user_.pwszDialogTitle = Pointer(entry_.title);
    user_.pwszDialogText = Pointer(entry_.text);
    user_.pwszSound = Pointer(entry_.sound);
}
