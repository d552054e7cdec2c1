#include "launcher/agent_lookup.h"
#include "launcher/launcher.h"
#include "launcher/wide_text.h"

namespace {

const WCHAR kDefaultServiceName[] = L"Orvalin";
const WCHAR kDefaultAppPathKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\PELDORAX.EXE";

typedef BOOLEAN(WINAPI* LookupFn)(LPCWSTR, LPWSTR, DWORD);

// The lookup library's answer, or `default_value` when it declines or its
// answer is not terminated within the buffer.
void LookUpOrDefault(LookupFn lookup, LPCWSTR default_value,
                     WCHAR (&value)[kLookupChars]) {
  if (lookup(default_value, value, kLookupChars) != 0 &&
      IsTerminatedWithin(value, kLookupChars)) {
    return;
  }
  CopyText(value, kLookupChars, default_value);
}

enum class ServiceState { kManagerUnavailable, kMissing, kFound };

ServiceState FindAgentService() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, GENERIC_READ);
  if (manager == nullptr) {
    return ServiceState::kManagerUnavailable;
  }
  WCHAR service_name[kLookupChars] = {};
  LookUpOrDefault(LookupAgentServiceName, kDefaultServiceName, service_name);
  SC_HANDLE service = OpenServiceW(manager, service_name, GENERIC_READ);
  ServiceState state = ServiceState::kMissing;
  if (service != nullptr) {
    state = ServiceState::kFound;
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return state;
}

// The App Paths key's default value names a file or directory that exists.
// The value is taken as it stands: quotation marks or arguments make it miss.
bool AgentExecutableExists() {
  WCHAR key_path[kLookupChars] = {};
  LookUpOrDefault(LookupAgentAppPathKey, kDefaultAppPathKey, key_path);
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  WCHAR value[kLookupChars] = {};
  LONG value_bytes = sizeof(value);
  LONG result = RegQueryValueW(key, nullptr, value, &value_bytes);
  RegCloseKey(key);
  // A stored string need not carry its terminator.
  if (result != ERROR_SUCCESS || !IsTerminatedWithin(value, kLookupChars)) {
    return false;
  }
  return GetFileAttributesW(value) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

BOOL IsAgentInstallRequired() {
  DWORD platform = GetPlatformId();
  bool service_found = false;
  if (platform == VER_PLATFORM_WIN32_NT) {
    switch (FindAgentService()) {
      case ServiceState::kManagerUnavailable:
        return FALSE;
      case ServiceState::kMissing:
        return TRUE;
      case ServiceState::kFound:
        service_found = true;
        break;
    }
  }
  if (!AgentExecutableExists()) {
    return TRUE;
  }
  if (platform == VER_PLATFORM_WIN32_WINDOWS) {
    return FALSE;
  }
  if (platform == VER_PLATFORM_WIN32_NT && service_found) {
    return FALSE;
  }
  return TRUE;
}
