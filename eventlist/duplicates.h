// Which rows of the event list repeat an earlier row in all seven columns.
#pragma once

#include <windows.h>

extern int* DuplicateFlags;       // one flag per row at the last marking; null before any
extern int DuplicateFlagCount;    // how many flags DuplicateFlags holds

void MarkDuplicates(HWND list);
void FreeDuplicateFlags();

// The flag of a row, or 0 for a row the flags do not cover.
int DuplicateFlagOf(int row);
