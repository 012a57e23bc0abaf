// Placeholder until the handheld idioms land.
#include "platform/handheld.h"
RECT HandheldScreenRect() { return RECT{ 0, 0, HandheldScreenWidth, HandheldScreenHeight }; }
void HandheldPlaceNextDefaultWindow() {}
BOOL HandheldSetForegroundWindow(HWND h) { return SetForegroundWindow(h); }
