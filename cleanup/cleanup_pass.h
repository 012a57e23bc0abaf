// Clear: remove the notifications known to pile up after soft resets and,
// when enabled, every later copy of a duplicated notification.
#pragma once

void CleanupPass();
