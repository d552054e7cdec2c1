#include "launcher/launcher.h"

DWORD GetPlatformId() {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  GetVersionExW(&info);
  return info.dwPlatformId;
}

BOOL IsNtPlatform() {
  return GetPlatformId() == VER_PLATFORM_WIN32_NT ? TRUE : FALSE;
}

BOOL CanWriteSamKey() {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SAM", 0, KEY_WRITE, &key);
  if (result == ERROR_ACCESS_DENIED) {
    return FALSE;
  }
  if (result == ERROR_SUCCESS) {
    RegCloseKey(key);
  }
  return TRUE;
}

BYTE GetElevationReport(ElevationReport* report) {
  if (report == nullptr) {
    return 0;
  }
  *report = ElevationReport{};
  report->nt_platform = IsNtPlatform();
  if (report->nt_platform) {
    report->probe_made = true;
    report->sam_writable = CanWriteSamKey();
    report->elevation_required = report->sam_writable ? FALSE : TRUE;
  }
  return 1;
}

BOOL IsElevationRequired() {
  ElevationReport report;
  GetElevationReport(&report);
  return report.elevation_required;
}
