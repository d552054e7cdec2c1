// The agent maker's lookup library, morvane.dll, bound by ordinal when the
// executable loads. Each function may put another value in place of the
// default it is given: nonzero when it wrote one into `value` (at most
// `capacity` characters), zero when the caller keeps the default.
#pragma once

#include <windows.h>

extern "C" {

// Ordinal 12: the name of the agent's service.
BOOLEAN WINAPI LookupAgentServiceName(LPCWSTR default_name, LPWSTR value,
                                      DWORD capacity);

// Ordinal 8: the path, under HKLM, of the agent's App Paths key.
BOOLEAN WINAPI LookupAgentAppPathKey(LPCWSTR default_path, LPWSTR value,
                                     DWORD capacity);

}  // extern "C"
