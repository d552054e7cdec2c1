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
LookupSource LookUpOrDefault(LookupFn lookup, LPCWSTR default_value,
                             WCHAR (&value)[kLookupChars]) {
  if (lookup(default_value, value, kLookupChars) != 0) {
    if (IsTerminatedWithin(value, kLookupChars)) {
      return LookupSource::kLookupLibrary;
    }
    CopyText(value, kLookupChars, default_value);
    return LookupSource::kDefaultAfterUnusable;
  }
  CopyText(value, kLookupChars, default_value);
  return LookupSource::kDefault;
}

// NT only: the service control manager and the agent's service in it.
void FindAgentService(AgentPresenceReport& report) {
  report.service_manager_asked = true;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, GENERIC_READ);
  if (manager == nullptr) {
    report.service_manager_error = GetLastError();
    return;
  }
  report.service_manager_opened = true;
  report.service_name_source = LookUpOrDefault(
      LookupAgentServiceName, kDefaultServiceName, report.service_name);
  report.service_asked = true;
  SC_HANDLE service = OpenServiceW(manager, report.service_name, GENERIC_READ);
  if (service != nullptr) {
    report.service_opened = true;
    CloseServiceHandle(service);
  } else {
    report.service_error = GetLastError();
  }
  CloseServiceHandle(manager);
}

// Whether the App Paths key's default value names a file or directory that
// exists. The value is taken as it stands: quotation marks or arguments make
// it miss. Returns the step that failed, or kAgentFileMissing with
// report.file_exists set when everything was found.
PresenceStep FindAgentExecutable(AgentPresenceReport& report) {
  report.app_path_key_asked = true;
  report.app_path_key_source = LookUpOrDefault(
      LookupAgentAppPathKey, kDefaultAppPathKey, report.app_path_key);
  HKEY key = nullptr;
  report.key_open_result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, report.app_path_key,
                                         0, KEY_QUERY_VALUE, &key);
  if (report.key_open_result != ERROR_SUCCESS) {
    return PresenceStep::kAppPathKeyNotOpened;
  }
  report.value_asked = true;
  LONG value_bytes = sizeof(report.value);
  report.value_query_result =
      RegQueryValueW(key, nullptr, report.value, &value_bytes);
  RegCloseKey(key);
  // A stored string need not carry its terminator.
  report.value_terminated = IsTerminatedWithin(report.value, kLookupChars);
  if (report.value_query_result != ERROR_SUCCESS || !report.value_terminated) {
    report.value[0] = L'\0';  // nothing here can be shown as the value
    return PresenceStep::kAppPathValueNotRead;
  }
  report.file_asked = true;
  report.file_exists = GetFileAttributesW(report.value) != INVALID_FILE_ATTRIBUTES;
  return PresenceStep::kAgentFileMissing;
}

PresenceStep DecidePresence(AgentPresenceReport& report) {
  report.platform_id = GetPlatformId();
  if (report.platform_id == VER_PLATFORM_WIN32_NT) {
    FindAgentService(report);
    if (!report.service_manager_opened) {
      return PresenceStep::kServiceManagerUnavailable;
    }
    if (!report.service_opened) {
      return PresenceStep::kServiceNotOpened;
    }
  }
  PresenceStep step = FindAgentExecutable(report);
  if (!report.file_exists) {
    return step;
  }
  if (report.platform_id == VER_PLATFORM_WIN32_WINDOWS) {
    return PresenceStep::kAgentFoundWindows9x;
  }
  if (report.platform_id == VER_PLATFORM_WIN32_NT && report.service_opened) {
    return PresenceStep::kAgentFoundNt;
  }
  return PresenceStep::kPlatformNotRecognised;
}

}  // namespace

BYTE GetAgentPresenceReport(AgentPresenceReport* report) {
  if (report == nullptr) {
    return 0;
  }
  *report = AgentPresenceReport{};
  report->deciding_step = DecidePresence(*report);
  switch (report->deciding_step) {
    case PresenceStep::kServiceManagerUnavailable:
    case PresenceStep::kAgentFoundWindows9x:
    case PresenceStep::kAgentFoundNt:
      report->install_required = FALSE;
      break;
    default:
      report->install_required = TRUE;
      break;
  }
  return 1;
}

BOOL IsAgentInstallRequired() {
  AgentPresenceReport report;
  GetAgentPresenceReport(&report);
  return report.install_required;
}
