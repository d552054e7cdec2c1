#include "osinfo/osinfo.h"

#include "osinfo/system_proc.h"
#include "osinfo/version_record.h"

namespace {

typedef LONG(WINAPI* RtlVerifyVersionInfoFn)(OSVERSIONINFOEXW*, ULONG,
                                              ULONGLONG);

const LONG kStatusRevisionMismatch = static_cast<LONG>(0xC0000059u);

// What one predicate asks RtlVerifyVersionInfo: the numbers it selects by
// `type_mask`, each compared with `condition`.
struct Comparison {
  ULONG type_mask;
  BYTE condition;
  bool level_based;
  OsVersionLevel level;
  WORD service_pack_major;
  WORD service_pack_minor;
};

void LevelVersion(OsVersionLevel level, DWORD* major, DWORD* minor) {
  switch (level) {
    case 1: *major = 5; *minor = 0; return;
    // 64-bit XP is built on Server 2003 and reports 5.2.
    case 2: *major = 5; *minor = IsNative64BitOs() ? 2 : 1; return;
    case 3: *major = 5; *minor = 2; return;
    case 4: *major = 6; *minor = 0; return;
    case 5: *major = 6; *minor = 1; return;
    case 6: *major = 6; *minor = 2; return;
    case 7: *major = 6; *minor = 3; return;
    default: *major = 10; *minor = 0; return;
  }
}

BYTE Compare(const Comparison& comparison, BYTE* answer) {
  if (answer == nullptr) {
    return 0;
  }
  *answer = 0;
  RtlVerifyVersionInfoFn rtl_verify_version_info =
      LookUpSystemProc<RtlVerifyVersionInfoFn>(L"Ntdll.dll",
                                               "RtlVerifyVersionInfo");
  if (rtl_verify_version_info == nullptr) {
    return 0;
  }
  OSVERSIONINFOEXW wanted = {};
  wanted.dwOSVersionInfoSize = sizeof(wanted);
  if (comparison.level_based) {
    LevelVersion(comparison.level, &wanted.dwMajorVersion,
                 &wanted.dwMinorVersion);
  }
  wanted.wServicePackMajor = comparison.service_pack_major;
  wanted.wServicePackMinor = comparison.service_pack_minor;

  // The order in which the numbers are compared, most significant first.
  const ULONG kOrder[] = {VER_MAJORVERSION, VER_MINORVERSION,
                          VER_SERVICEPACKMAJOR, VER_SERVICEPACKMINOR};
  ULONGLONG condition_mask = 0;
  for (ULONG type_bit : kOrder) {
    if ((comparison.type_mask & type_bit) != 0) {
      condition_mask =
          VerSetConditionMask(condition_mask, type_bit, comparison.condition);
    }
  }
  LONG status =
      rtl_verify_version_info(&wanted, comparison.type_mask, condition_mask);
  if (status >= 0) {
    *answer = 1;
    return 1;
  }
  return status == kStatusRevisionMismatch ? 1 : 0;
}

const ULONG kVersionNumbers = VER_MAJORVERSION | VER_MINORVERSION;
const ULONG kServicePack = VER_SERVICEPACKMAJOR | VER_SERVICEPACKMINOR;

BYTE CopiedAnswer(BYTE (*predicate)(OsVersionLevel, BYTE*),
                  OsVersionLevel level, BYTE* answer) {
  if (answer == nullptr) {
    return 0;
  }
  BYTE local = 0;
  if (predicate(level, &local) == 0) {
    return 0;
  }
  *answer = local;
  return 1;
}

}  // namespace

BYTE IsOsVersionEqual(OsVersionLevel level, BYTE* answer) {
  return Compare({kVersionNumbers, VER_EQUAL, true, level, 0, 0}, answer);
}

BYTE IsOsVersionAtLeast(OsVersionLevel level, BYTE* answer) {
  return Compare({kVersionNumbers, VER_GREATER_EQUAL, true, level, 0, 0},
                 answer);
}

BYTE IsOsVersionBelow(OsVersionLevel level, WORD service_pack_major,
                      WORD service_pack_minor, BYTE* answer) {
  return Compare({kVersionNumbers | kServicePack, VER_LESS, true, level,
                  service_pack_major, service_pack_minor},
                 answer);
}

BYTE IsServicePackAtLeast(WORD service_pack_major, WORD service_pack_minor,
                          BYTE* answer) {
  return Compare({kServicePack, VER_GREATER_EQUAL, false, 0,
                  service_pack_major, service_pack_minor},
                 answer);
}

BYTE IsWindows2000OrLater(BYTE* answer) {
  return CopiedAnswer(IsOsVersionAtLeast, 1, answer);
}

BYTE IsWindowsXpOrLater(BYTE* answer) {
  return CopiedAnswer(IsOsVersionAtLeast, 2, answer);
}

BYTE GetOsVersionLevel(OsVersionLevel* level) {
  if (level == nullptr) {
    return 0;
  }
  *level = 0;
  OSVERSIONINFOEXW snapshot;
  if (GetVersionSnapshot(&snapshot) == 0) {
    return 0;
  }
  DWORD minor = snapshot.dwMinorVersion;
  switch (snapshot.dwMajorVersion) {
    case 5:
      if (minor == 0) {
        *level = 1;
      } else if (minor == 1) {
        *level = 2;
      } else if (minor == 2) {
        // 5.2 is Server 2003 or 64-bit XP. A workstation product type is
        // counted as Server 2003 only when the R2 metric says so.
        bool server = IsServerProductType(snapshot.wProductType);
        *level = server || GetSystemMetrics(SM_SERVERR2) != 0 ? 3 : 2;
      }
      return 1;
    case 6:
      if (minor <= 3) {
        *level = static_cast<OsVersionLevel>(4 + minor);
      }
      return 1;
    case 10:
      *level = 8;
      return 1;
    default:
      return 0;
  }
}
