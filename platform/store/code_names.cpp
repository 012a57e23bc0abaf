// Names for the trigger kinds, system events and action flags, as the store
// file writes them ("restore-end", "dialog|sound"), and back. Only the store
// writes the file, so reading takes exactly its names, and numbers: the file
// writes a code without a name as its number.
#include "platform/store/store_private.h"

#include <charconv>
#include <cstdio>

namespace {
struct NamedValue {
    DWORD value;
    const char* name;
};

constexpr NamedValue TriggerTypes[] = {
    { CNT_EVENT, "event" },
    { CNT_TIME, "time" },
    { CNT_PERIOD, "period" },
    { CNT_CLASSICTIME, "classictime" },
};

constexpr NamedValue Events[] = {
    { NOTIFICATION_EVENT_NONE, "none" },
    { NOTIFICATION_EVENT_TIME_CHANGE, "time-change" },
    { NOTIFICATION_EVENT_SYNC_END, "sync-end" },
    { NOTIFICATION_EVENT_ON_AC_POWER, "on-ac-power" },
    { NOTIFICATION_EVENT_OFF_AC_POWER, "off-ac-power" },
    { NOTIFICATION_EVENT_NET_CONNECT, "net-connect" },
    { NOTIFICATION_EVENT_NET_DISCONNECT, "net-disconnect" },
    { NOTIFICATION_EVENT_DEVICE_CHANGE, "device-change" },
    { NOTIFICATION_EVENT_IR_DISCOVERED, "ir-discovered" },
    { NOTIFICATION_EVENT_RS232_DETECTED, "rs232-detected" },
    { NOTIFICATION_EVENT_RESTORE_END, "restore-end" },
    { NOTIFICATION_EVENT_WAKEUP, "wakeup" },
    { NOTIFICATION_EVENT_TZ_CHANGE, "tz-change" },
};

constexpr NamedValue ActionFlags[] = {
    { PUN_LED, "led" },
    { PUN_VIBRATE, "vibrate" },
    { PUN_DIALOG, "dialog" },
    { PUN_SOUND, "sound" },
    { PUN_REPEAT, "repeat" },
    { PUN_PRIVATE, "private" },
};

template <size_t N>
std::string NameOrNumber(const NamedValue (&table)[N], DWORD value)
{
    for (const NamedValue& entry : table) {
        if (entry.value == value)
            return entry.name;
    }
    return std::to_string(value);
}

template <size_t N>
bool ParseNameOrNumber(const NamedValue (&table)[N], const std::string& text, DWORD* value)
{
    for (const NamedValue& entry : table) {
        if (text == entry.name) {
            *value = entry.value;
            return true;
        }
    }
    return ParseNumber(text, value);
}
}  // namespace

bool ParseNumber(const std::string& text, DWORD* value)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* const last = text.data() + text.size();
    DWORD parsed;
    const auto [end, fault] = std::from_chars(text.data() + (hex ? 2 : 0), last, parsed, hex ? 16 : 10);
    if (fault != std::errc() || end != last)
        return false;
    *value = parsed;
    return true;
}

std::string TriggerTypeText(DWORD type)
{
    return NameOrNumber(TriggerTypes, type);
}

bool ParseTriggerType(const std::string& text, DWORD* type)
{
    return ParseNameOrNumber(TriggerTypes, text, type);
}

std::string EventText(DWORD event)
{
    return NameOrNumber(Events, event);
}

bool ParseEvent(const std::string& text, DWORD* event)
{
    return ParseNameOrNumber(Events, text, event);
}

std::string ActionFlagsText(DWORD flags)
{
    if (flags == 0)
        return "0";
    std::string out;
    DWORD rest = flags;
    for (const NamedValue& entry : ActionFlags) {
        if (flags & entry.value) {
            out += out.empty() ? "" : "|";
            out += entry.name;
            rest &= ~entry.value;
        }
    }
    if (rest != 0) {
        char number[16];
        std::snprintf(number, sizeof number, "0x%lX", static_cast<unsigned long>(rest));
        out += out.empty() ? "" : "|";
        out += number;
    }
    return out;
}

bool ParseActionFlags(const std::string& text, DWORD* flags)
{
    DWORD result = 0;
    for (size_t start = 0, bar = 0; bar != std::string::npos; start = bar + 1) {
        bar = text.find('|', start);
        DWORD bits;
        if (!ParseNameOrNumber(ActionFlags, text.substr(start, bar - start), &bits))
            return false;
        result |= bits;
    }
    *flags = result;
    return true;
}
