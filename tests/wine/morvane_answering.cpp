// A lookup library that names its own agent service, "Velmora", and leaves
// the App Paths key to the launcher's default.
#include "launcher/agent_lookup.h"

extern "C" {

BOOLEAN WINAPI LookupAgentServiceName(LPCWSTR, LPWSTR value, DWORD capacity) {
  const WCHAR kName[] = L"Velmora";
  const DWORD kLength = sizeof(kName) / sizeof(kName[0]);
  if (value == nullptr || capacity < kLength) {
    return 0;
  }
  for (DWORD i = 0; i < kLength; ++i) {
    value[i] = kName[i];
  }
  return 1;
}

BOOLEAN WINAPI LookupAgentAppPathKey(LPCWSTR, LPWSTR, DWORD) { return 0; }

}  // extern "C"
