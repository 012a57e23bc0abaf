// The named objects through which `windowctl freeze` and `thaw` talk to the
// hook they put into the program (freeze_hook.cpp), named after the
// program's process id.
#pragma once

#include <windows.h>

#include <string>

constexpr const wchar_t FreezeStepName[] = L"FreezeStep";         // mapping: the step, 0 for the middle
constexpr const wchar_t FreezeStoppedName[] = L"FreezeStopped";   // event: the pass has stopped
constexpr const wchar_t FreezeThawName[] = L"FreezeThaw";         // event: let it go on

inline std::wstring FreezeObjectName(const wchar_t* what, DWORD process = GetCurrentProcessId())
{
    return std::wstring(L"Local\\Tallyvane") + what + L"-" + std::to_wstring(process);
}
