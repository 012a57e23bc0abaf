// Placeholder until the settings store lands.
#include "settings/settings_store.h"
DWORD RemoveDuplicates = 0;
DWORD RemoveScriptEvents = 0;
const WCHAR SettingsKeyPath[] = L"Mossgrove\\Tallyvane";
void CreateSettingsKey() {}
void ReadSettingValue(const WCHAR*, DWORD*) {}
void WriteSettingValue(const WCHAR*, DWORD) {}
void ResetSettingsForTests() {}
