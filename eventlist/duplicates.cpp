// Placeholder until duplicate marking lands.
#include "eventlist/duplicates.h"
int* DuplicateFlags = nullptr;
int DuplicateFlagCount = 0;
void MarkDuplicates(HWND) {}
void FreeDuplicateFlags() {}
int DuplicateFlagOf(int) { return 0; }
