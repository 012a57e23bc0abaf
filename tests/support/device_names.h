// The names by which the tests and benchmarks reach the device's store and
// settings from outside the program's code. They are written here once, and
// apart from the program's own, so that a test still sees when those change.
#pragma once

// The environment variable that names the store file a process works on.
constexpr wchar_t StoreVariable[] = L"TALLYVANE_STORE";
// The key of the two options, under HKEY_CLASSES_ROOT.
constexpr wchar_t SettingsKey[] = L"Mossgrove\\Tallyvane";
