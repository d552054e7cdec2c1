// The launcher's process entry point. The launcher carries no C runtime, so
// that it starts on every Windows from 95 on without a runtime DLL: this
// takes the runtime start-up's place and ends the process with wWinMain's
// exit code.
#include <windows.h>

extern "C" void WINAPI KovlaunchEntry() {
  int exit_code = wWinMain(GetModuleHandleW(nullptr), nullptr, GetCommandLineW(),
                           SW_SHOWDEFAULT);
  ExitProcess(static_cast<UINT>(exit_code));
}
