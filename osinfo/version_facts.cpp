#include "osinfo/osinfo.h"

#include "osinfo/system_proc.h"
#include "osinfo/version_record.h"

namespace {

typedef BOOL(WINAPI* GetProductInfoFn)(DWORD, DWORD, DWORD, DWORD, DWORD*);

const LONG kFamilyOther = 0;
const LONG kFamily9x = 1;
const LONG kFamilyNt = 2;

BYTE IsFamily(LONG wanted, BYTE* is_family) {
  if (is_family == nullptr) {
    return 0;
  }
  LONG family = kFamilyOther;
  if (GetPlatformFamily(&family) == 0) {
    return 0;
  }
  *is_family = family == wanted ? 1 : 0;
  return 1;
}

}  // namespace

BYTE GetPlatformFamily(LONG* family) {
  if (family == nullptr) {
    return 0;
  }
  OSVERSIONINFOEXW snapshot;
  if (GetVersionSnapshot(&snapshot) == 0) {
    return 0;
  }
  switch (snapshot.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS: *family = kFamily9x; break;
    case VER_PLATFORM_WIN32_NT: *family = kFamilyNt; break;
    default: *family = kFamilyOther; break;
  }
  return 1;
}

BYTE IsWin9xFamily(BYTE* is_9x) { return IsFamily(kFamily9x, is_9x); }

BYTE IsWinNtFamily(BYTE* is_nt) { return IsFamily(kFamilyNt, is_nt); }

BYTE IsServerProduct(BYTE* is_server) {
  if (is_server == nullptr) {
    return 0;
  }
  OSVERSIONINFOEXW snapshot;
  if (GetVersionSnapshot(&snapshot) == 0) {
    return 0;
  }
  *is_server = IsServerProductType(snapshot.wProductType) ? 1 : 0;
  return 1;
}

BYTE GetServicePackVersion(WORD* major, WORD* minor) {
  if (major == nullptr || minor == nullptr) {
    return 0;
  }
  OSVERSIONINFOEXW snapshot;
  if (GetVersionSnapshot(&snapshot) == 0) {
    return 0;
  }
  *major = snapshot.wServicePackMajor;
  *minor = snapshot.wServicePackMinor;
  return 1;
}

BYTE IsPaeEnabled(BYTE* is_enabled) {
  if (is_enabled == nullptr) {
    return 0;
  }
  *is_enabled = IsProcessorFeaturePresent(PF_PAE_ENABLED) != 0 ? 1 : 0;
  return 1;
}

BYTE GetOsProductType(DWORD* product_type) {
  if (product_type == nullptr) {
    return 0;
  }
  OSVERSIONINFOEXW snapshot;
  if (GetVersionSnapshot(&snapshot) == 0) {
    return 0;
  }
  if (snapshot.dwMajorVersion < 6) {
    // GetProductInfo came with Vista; before it the record's type is all.
    *product_type = snapshot.wProductType;
    return 1;
  }
  GetProductInfoFn get_product_info =
      LookUpSystemProc<GetProductInfoFn>(L"Kernel32.dll", "GetProductInfo");
  if (get_product_info == nullptr) {
    return 0;
  }
  DWORD edition = 0;
  if (get_product_info(snapshot.dwMajorVersion, snapshot.dwMinorVersion,
                       snapshot.wServicePackMajor, snapshot.wServicePackMinor,
                       &edition) == 0) {
    return 0;
  }
  *product_type = edition;
  return 1;
}

BYTE GetOsBuildNumber(DWORD* build_number) {
  if (build_number == nullptr) {
    return 0;
  }
  OSVERSIONINFOEXW snapshot;
  if (GetVersionSnapshot(&snapshot) == 0) {
    return 0;
  }
  *build_number = snapshot.dwBuildNumber;
  return 1;
}
