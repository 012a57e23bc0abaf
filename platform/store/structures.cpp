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

template <typename T>
T* AsOffset(DWORD offset)
{
    return reinterpret_cast<T*>(static_cast<uintptr_t>(offset));
}

// Lays out one entry's block: each piece DWORD aligned at the end, and each
// pointer field holding the offset of what it points to.
class Packer {
public:
    explicit Packer(PackedNotification* packed) : packed_(packed) {}

    DWORD Reserve(DWORD size)
    {
        const DWORD at = static_cast<DWORD>(packed_->bytes.size());
        packed_->bytes.resize(at + Aligned(size));
        return at;
    }

    template <typename T>
    void Put(DWORD at, const T& part) { std::memcpy(packed_->bytes.data() + at, &part, sizeof part); }

    // Makes the pointer field at fieldAt point to the offset `to`.
    template <typename T>
    void Point(T** field, DWORD fieldAt, DWORD to)
    {
        *field = AsOffset<T>(to);
        packed_->pointerAt[packed_->pointerCount++] = fieldAt;
    }

    // Copies the text to the end, for the field at fieldAt to point to.
    void Text(WCHAR** field, DWORD fieldAt, const StoredText& text)
    {
        if (!text)
            return;
        const DWORD at = Reserve(static_cast<DWORD>((text->size() + 1) * sizeof(WCHAR)));
        std::memcpy(packed_->bytes.data() + at, text->c_str(), (text->size() + 1) * sizeof(WCHAR));
        Point(field, fieldAt, at);
    }

private:
    PackedNotification* packed_;
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
    NotificationParts parts(e);
    CE_NOTIFICATION_TRIGGER* trigger = parts.Trigger();
    CE_USER_NOTIFICATION* user = parts.User();
    PackedNotification packed;
    Packer packer(&packed);
    CE_NOTIFICATION_INFO_HEADER header = { HandleFromNumber(e.handle), e.status, nullptr, nullptr };
    const DWORD headerAt = packer.Reserve(sizeof header);
    const DWORD triggerAt = trigger ? packer.Reserve(sizeof *trigger) : 0;
    const DWORD userAt = user ? packer.Reserve(sizeof *user) : 0;
    if (trigger) {
        packer.Text(&trigger->lpszApplication,
                    triggerAt + offsetof(CE_NOTIFICATION_TRIGGER, lpszApplication), e.application);
        packer.Text(&trigger->lpszArguments,
                    triggerAt + offsetof(CE_NOTIFICATION_TRIGGER, lpszArguments), e.arguments);
        packer.Put(triggerAt, *trigger);
        packer.Point(&header.pcent, headerAt + offsetof(CE_NOTIFICATION_INFO_HEADER, pcent), triggerAt);
    }
    if (user) {
        packer.Text(&user->pwszDialogTitle,
                    userAt + offsetof(CE_USER_NOTIFICATION, pwszDialogTitle), e.title);
        packer.Text(&user->pwszDialogText,
                    userAt + offsetof(CE_USER_NOTIFICATION, pwszDialogText), e.text);
        packer.Text(&user->pwszSound, userAt + offsetof(CE_USER_NOTIFICATION, pwszSound), e.sound);
        packer.Put(userAt, *user);
        packer.Point(&header.pceun, headerAt + offsetof(CE_NOTIFICATION_INFO_HEADER, pceun), userAt);
    }
    packer.Put(headerAt, header);
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
    trigger_.dwSize = sizeof trigger_;
    trigger_.dwType = entry_.type;
    trigger_.dwEvent = entry_.event;
    trigger_.lpszApplication = Pointer(entry_.application);
    trigger_.lpszArguments = Pointer(entry_.arguments);
    trigger_.stStartTime = entry_.start;
    trigger_.stEndTime = entry_.end;
    user_.ActionFlags = entry_.actionFlags;
    user_.pwszDialogTitle = Pointer(entry_.title);
    user_.pwszDialogText = Pointer(entry_.text);
    user_.pwszSound = Pointer(entry_.sound);
    user_.nMaxSound = entry_.maxSound;
}
