// The lookup library shipped with the launcher: it supplies no values of its
// own, so the launcher uses its built-in service name and App Paths key.
#include "launcher/agent_lookup.h"

extern "C" {

BOOLEAN WINAPI LookupAgentServiceName(LPCWSTR, LPWSTR, DWORD) { return 0; }

BOOLEAN WINAPI LookupAgentAppPathKey(LPCWSTR, LPWSTR, DWORD) { return 0; }

}  // extern "C"
