// Which notifications Clear takes. Kept apart from the pass's window, progress
// and messages so that everything that must know (the pass itself, and the
// command-line preview of what a Clear would remove) asks the same code.
#pragma once

#include <windows.h>

#include "notify/notification_record.h"

// What a selection walk reports back: a step before each entry it looks at,
// and each entry it takes.
class ClearVisitor {
public:
    virtual void Step(DWORD done, DWORD total) = 0;
    virtual void Take(DWORD index) = 0;   // handles[index] is taken

protected:
    ~ClearVisitor() = default;
};

// The two options that steer a Clear, each on only when exactly 1: the
// program passes its settings, notifyctl pileups the values of its own run.
struct ClearOptions {
    DWORD removeDuplicates;     // after the rules, take every later copy
    DWORD removeScriptEvents;   // the rules take the missed-call script alarms too
};

// Reads every handle once and takes those the rules hold for. An entry that
// cannot be read is skipped.
void SelectByRules(const HANDLE* handles, DWORD count, const ClearOptions& options,
                   ClearVisitor& visitor);

// Keeps the first of every group of matching entries, in listing order, and
// takes the rest. cleared holds count flags: an entry flagged 1 on entry takes
// no part (Clear passes all 0), and a taken entry's flag becomes 1. Candidates
// are read anew for every anchor.
void SelectLaterCopies(const HANDLE* handles, int* cleared, DWORD count, ClearVisitor& visitor);
