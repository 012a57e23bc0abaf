// The two options and their registry values. Nothing here is shown to the
// user: a registry failure leaves the option as it was.
#include "settings/settings_store.h"

#include "base/unique_handles.h"

DWORD RemoveDuplicates = 0;
DWORD RemoveScriptEvents = 0;

const WCHAR SettingsKeyPath[] = L"Mossgrove\\Tallyvane";

namespace {

// The handheld's registry ignores the access mask and the program passes 0;
// the desktop's enforces it (0 would read and write nothing), so each call
// asks for the least it needs.
UniqueKey OpenSettingsKey(REGSAM access)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, SettingsKeyPath, 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return UniqueKey(key);
}

}  // namespace

// An existing key is opened, not replaced; the values in it stay.
void CreateSettingsKey()
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, SettingsKeyPath, 0, nullptr, 0, KEY_QUERY_VALUE, nullptr,
                        &key, &disposition) == ERROR_SUCCESS)
        UniqueKey created(key);
}

// Any value of at most 4 bytes is taken whatever its type: shorter data fills
// the low-order bytes, so a one-byte 1 reads as 1 and the string "1" as 49.
void ReadSettingValue(const WCHAR* name, DWORD* option)
{
    UniqueKey key = OpenSettingsKey(KEY_QUERY_VALUE);
    if (!key)
        return;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
        ERROR_SUCCESS)
        *option = value;
}

void ReadSettingValues(DWORD* duplicates, DWORD* script)
{
    *duplicates = 0;
    ReadSettingValue(L"duplicates", duplicates);
    *script = 0;
    ReadSettingValue(L"script", script);
}

// The key is only opened: a key that has gone is not made again here.
void WriteSettingValue(const WCHAR* name, DWORD value)
{
    UniqueKey key = OpenSettingsKey(KEY_SET_VALUE);
    if (!key)
        return;
    RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void ResetSettingsForTests()
{
    RemoveDuplicates = 0;
    RemoveScriptEvents = 0;
}
