// Placeholder until notifyctl lands.
#include <cstdio>
int wmain() { std::fputs("notifyctl: not built yet\n", stderr); return 3; }
