// Placeholder until the menu bar lands.
#include "platform/aygshell.h"
BOOL SHCreateMenuBar(SHMENUBARINFO*) { return FALSE; }
