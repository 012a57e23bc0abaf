// The two options and their registry values under
// HKEY_CLASSES_ROOT\Mossgrove\Tallyvane.
#pragma once

#include <windows.h>

extern DWORD RemoveDuplicates;     // "duplicates": on only when exactly 1
extern DWORD RemoveScriptEvents;   // "script": on only when exactly 1

extern const WCHAR SettingsKeyPath[];   // "Mossgrove\Tallyvane"

void CreateSettingsKey();
void ReadSettingValue(const WCHAR* name, DWORD* option);
// Both options as the program reads them at its start: each 0 unless its
// value can be read.
void ReadSettingValues(DWORD* duplicates, DWORD* script);
void WriteSettingValue(const WCHAR* name, DWORD value);

void ResetSettingsForTests();
