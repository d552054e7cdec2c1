// The benchmark's floor: a GUI program that does nothing and returns 0,
// without a C runtime, as the launcher is built.
#include <windows.h>

extern "C" DWORD WINAPI EmptyGuiEntry() { return 0; }
