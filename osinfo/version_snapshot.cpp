#include "osinfo/osinfo.h"

#include "osinfo/system_proc.h"
#include "osinfo/version_record.h"

namespace {

typedef LONG(WINAPI* RtlGetVersionFn)(OSVERSIONINFOEXW*);
typedef void(WINAPI* GetNativeSystemInfoFn)(SYSTEM_INFO*);

const DWORD kExtendedRecordSize = sizeof(OSVERSIONINFOEXW);
const DWORD kPlainRecordSize = sizeof(OSVERSIONINFOW);

bool ReadNativeVersion(OSVERSIONINFOEXW* record) {
  RtlGetVersionFn rtl_get_version =
      LookUpSystemProc<RtlGetVersionFn>(L"Ntdll.dll", "RtlGetVersion");
  return rtl_get_version != nullptr && rtl_get_version(record) >= 0;
}

// Windows 95 and NT 4.0 before SP6 know only the plain record and refuse the
// extended one; the fields past it then keep what the record held before.
bool ReadReportedVersion(OSVERSIONINFOEXW* record) {
  OSVERSIONINFOW* plain = reinterpret_cast<OSVERSIONINFOW*>(record);
  if (GetVersionExW(plain) != 0) {
    return true;
  }
  record->dwOSVersionInfoSize = kPlainRecordSize;
  return GetVersionExW(plain) != 0;
}

}  // namespace

BYTE GetVersionSnapshot(OsVersionSnapshot* snapshot) {
  if (snapshot == nullptr) {
    return 0;
  }
  OSVERSIONINFOEXW record = {};
  record.dwOSVersionInfoSize = kExtendedRecordSize;
  if (!ReadNativeVersion(&record) && !ReadReportedVersion(&record)) {
    return 0;
  }
  *snapshot = record;
  return 1;
}

BYTE IsNative64BitOs() {
  SYSTEM_INFO info = {};
  GetNativeSystemInfoFn get_native_system_info =
      LookUpSystemProc<GetNativeSystemInfoFn>(L"Kernel32.dll",
                                              "GetNativeSystemInfo");
  if (get_native_system_info == nullptr) {
    return 0;
  }
  get_native_system_info(&info);
  return Is64BitArchitecture(info.wProcessorArchitecture) ? 1 : 0;
}
