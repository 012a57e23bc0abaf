// Watches the arrays that code allocates with new (std::nothrow) T[n]: how
// many are still allocated, and, on request, makes the next one of a given
// size fail as it would when memory runs out.
#pragma once

#include <cstddef>

namespace ArrayTracker {

// Arrays from new (std::nothrow) T[n] not yet given back with delete[].
int LiveArrays();

// The next such allocation of exactly this many bytes returns null.
void FailNextOfSize(std::size_t bytes);
// Whether that failure has happened since it was set.
bool FailureUsed();
void Reset();

}  // namespace ArrayTracker
