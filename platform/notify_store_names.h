// Names for the trigger kinds, system events and action flags, as the store
// file and notifyctl write them ("restore-end", "dialog|sound"). Reading
// accepts the names in any letter case, with '_' for '-', with or without the
// constants' prefixes (NOTIFICATION_EVENT_RESTORE_END), or plain numbers.
#pragma once

#include <windows.h>

#include <string>

// A decimal or 0x-prefixed hexadecimal number that fits in 32 bits.
bool ParseNumber(const std::string& text, DWORD* value);

// "event", "time", "period", "classictime", or the number for other kinds.
std::string TriggerTypeText(DWORD type);
bool ParseTriggerType(const std::string& text, DWORD* type);

// "time-change", "restore-end", ..., or the number for other codes.
std::string EventText(DWORD event);
bool ParseEvent(const std::string& text, DWORD* event);

// "dialog|sound"; bits without a name as one hexadecimal number; "0" for none.
std::string ActionFlagsText(DWORD flags);
bool ParseActionFlags(const std::string& text, DWORD* flags);
