// The number of GDI objects this process holds, to catch leaks.
#pragma once

// -1 when it cannot be told: the system's own count is unimplemented in Wine,
// so Wine's shared handle table is read instead, and believed only after it
// has been seen to follow objects being made and deleted.
long LiveGdiObjects();
