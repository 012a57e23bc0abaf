// An entry and the handheld's structures: the bytes CeGetUserNotification
// hands out, and the parts CeSetUserNotificationEx takes, both ways.
#include "platform/store/store_private.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {
DWORD Aligned(DWORD offset)
{
    return (offset + 3) & ~3u;
}

DWORD TextBytes(const StoredText& text)
{
    return text ? Aligned(static_cast<DWORD>((text->size() + 1) * sizeof(WCHAR))) : 0;
}

template <typename T>
T* AsOffset(DWORD offset)
{
    return reinterpret_cast<T*>(static_cast<uintptr_t>(offset));
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

class Packer {
public:
    explicit Packer(PackedNotification* packed) : packed_(packed) {}

    // Puts the text at the end and records the pointer field at fieldAt.
    WCHAR* Text(const StoredText& text, DWORD fieldAt)
    {
        if (!text)
            return nullptr;
        const DWORD at = end_;
        std::memcpy(packed_->bytes.data() + at, text->c_str(), (text->size() + 1) * sizeof(WCHAR));
        end_ += TextBytes(text);
        Pointer(fieldAt);
        return AsOffset<WCHAR>(at);
    }

    void Pointer(DWORD fieldAt) { packed_->pointerAt[packed_->pointerCount++] = fieldAt; }

    DWORD Reserve(DWORD size)
    {
        const DWORD at = end_;
        end_ += Aligned(size);
        return at;
    }

private:
    PackedNotification* packed_;
    DWORD end_ = 0;
};

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
    DWORD size = sizeof(CE_NOTIFICATION_INFO_HEADER);
    if (e.hasTrigger)
        size += Aligned(sizeof(CE_NOTIFICATION_TRIGGER)) + TextBytes(e.application) +
                TextBytes(e.arguments);
    if (e.hasUser)
        size += Aligned(sizeof(CE_USER_NOTIFICATION)) + TextBytes(e.title) + TextBytes(e.text) +
                TextBytes(e.sound);

    PackedNotification packed;
    packed.bytes.assign(size, 0);
    Packer packer(&packed);

    CE_NOTIFICATION_INFO_HEADER header = { HandleFromNumber(e.handle), e.status, nullptr, nullptr };
    CE_NOTIFICATION_TRIGGER trigger = {};
    CE_USER_NOTIFICATION user = {};
    FillParts(e, &trigger, &user);
    const DWORD headerAt = packer.Reserve(sizeof header);
    const DWORD triggerAt = e.hasTrigger ? packer.Reserve(sizeof trigger) : 0;
    const DWORD userAt = e.hasUser ? packer.Reserve(sizeof user) : 0;

    if (e.hasTrigger) {
        trigger.lpszApplication = packer.Text(
            e.application, triggerAt + offsetof(CE_NOTIFICATION_TRIGGER, lpszApplication));
        trigger.lpszArguments = packer.Text(
            e.arguments, triggerAt + offsetof(CE_NOTIFICATION_TRIGGER, lpszArguments));
        std::memcpy(packed.bytes.data() + triggerAt, &trigger, sizeof trigger);
        header.pcent = AsOffset<CE_NOTIFICATION_TRIGGER>(triggerAt);
        packer.Pointer(headerAt + offsetof(CE_NOTIFICATION_INFO_HEADER, pcent));
    }
    if (e.hasUser) {
        user.pwszDialogTitle =
            packer.Text(e.title, userAt + offsetof(CE_USER_NOTIFICATION, pwszDialogTitle));
        user.pwszDialogText =
            packer.Text(e.text, userAt + offsetof(CE_USER_NOTIFICATION, pwszDialogText));
        user.pwszSound = packer.Text(e.sound, userAt + offsetof(CE_USER_NOTIFICATION, pwszSound));
        std::memcpy(packed.bytes.data() + userAt, &user, sizeof user);
        header.pceun = AsOffset<CE_USER_NOTIFICATION>(userAt);
        packer.Pointer(headerAt + offsetof(CE_NOTIFICATION_INFO_HEADER, pceun));
    }
    std::memcpy(packed.bytes.data() + headerAt, &header, sizeof header);
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
