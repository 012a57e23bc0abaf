// Placeholder until the full-screen dialog lands.
#include "platform/aygshell.h"
BOOL SHInitDialog(SHINITDLGINFO*) { return FALSE; }
