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

BOOL IsElevationRequired() {
  if (!IsNtPlatform()) {
    return FALSE;
  }
  return CanWriteSamKey() ? FALSE : TRUE;
}
