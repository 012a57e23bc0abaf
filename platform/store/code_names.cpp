// Names for the trigger kinds, system events and action flags, as the store
// file and notifyctl write them ("restore-end", "dialog|sound"). Reading
// accepts the names in any letter case, with '_' for '-', with or without the
// constants' prefixes (NOTIFICATION_EVENT_RESTORE_END), or plain numbers.
#include "platform/store/store_private.h"

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

// Lower case, '-' for '_', and without the constant's prefix.
std::string Normalised(const std::string& text, const char* prefix)
{
    std::string out;
    for (char c : text)
        out.push_back(c == '_' ? '-' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c);
    const std::string lead = prefix;
    if (out.size() > lead.size() && out.compare(0, lead.size(), lead) == 0)
        out.erase(0, lead.size());
    return out;
}

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
bool ParseNameOrNumber(const NamedValue (&table)[N], const char* prefix, const std::string& text,
                       DWORD* value)
{
    const std::string name = Normalised(text, prefix);
    for (const NamedValue& entry : table) {
        if (name == entry.name) {
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
    const size_t start = hex ? 2 : 0;
    if (text.size() == start)
        return false;
    unsigned long long result = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        result = result * (hex ? 16 : 10) + digit;
        if (result > 0xFFFFFFFFull)
            return false;
    }
    *value = static_cast<DWORD>(result);
    return true;
}

std::string TriggerTypeText(DWORD type)
{
    return NameOrNumber(TriggerTypes, type);
}

bool ParseTriggerType(const std::string& text, DWORD* type)
{
    return ParseNameOrNumber(TriggerTypes, "cnt-", text, type);
}

std::string EventText(DWORD event)
{
    return NameOrNumber(Events, event);
}

bool ParseEvent(const std::string& text, DWORD* event)
{
    return ParseNameOrNumber(Events, "notification-event-", text, event);
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
    size_t start = 0;
    while (true) {
        const size_t bar = text.find('|', start);
        const std::string part = text.substr(start, bar == std::string::npos ? std::string::npos
                                                                              : bar - start);
        DWORD bits;
        if (!ParseNameOrNumber(ActionFlags, "pun-", part, &bits))
            return false;
        result |= bits;
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    *flags = result;
    return true;
}
