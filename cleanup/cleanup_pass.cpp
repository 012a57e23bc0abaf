// Placeholder until the clean-up pass lands.
#include "cleanup/cleanup_pass.h"
void CleanupPass() {}
