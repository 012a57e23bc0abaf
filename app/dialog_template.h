// The program's dialogs are built from templates in its own resources.
#pragma once

#include "app/app_state.h"

// The template of one of AppInstance's dialogs, or null when it cannot be had.
inline const DLGTEMPLATE* LoadDialogTemplate(int id)
{
    HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(id), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(AppInstance, found) : nullptr;
    return loaded ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
}
