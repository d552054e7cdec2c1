#include "osinfo/osinfo.h"
#include "osinfo/system_proc.h"
#include "osinfo/version_record.h"

namespace {

typedef void(WINAPI* GetNativeSystemInfoFn)(SYSTEM_INFO*);

// Product types of the version record.
const BYTE kWorkstation = 1;

// Suite-mask bits.
const WORD kSuiteEnterprise = 0x0002;
const WORD kSuiteDatacenter = 0x0080;
const WORD kSuitePersonal = 0x0200;
const WORD kSuiteBlade = 0x0400;

const WORD kArchitectureItanium = 6;
const WORD kArchitectureAmd64 = 9;

const int kServerR2Metric = 89;  // SM_SERVERR2

struct Facts {
  DWORD major;
  DWORD minor;
  bool workstation;
  bool server;
  WORD suite;
  bool is_64bit;       // the native-architecture test
  WORD architecture;   // 0 when GetNativeSystemInfo is missing
};

bool IsVersion(const Facts& facts, DWORD major, DWORD minor) {
  return facts.major == major && facts.minor == minor;
}

bool IsExactlyLevel(OsVersionLevel level) {
  BYTE equal = 0;
  return IsOsVersionEqual(level, &equal) && equal;
}

OsVersionCode ClassifyWindows9x(const Facts& facts) {
  if (IsVersion(facts, 4, 0)) return 50023;   // Windows 95
  if (IsVersion(facts, 4, 10)) return 50024;  // Windows 98
  if (IsVersion(facts, 4, 90)) return 50025;  // Windows Millennium
  return 0;
}

// A workstation, 64-bit or not, and what else the release was sold as.
OsVersionCode ByProductAndBitness(const Facts& facts, bool is_64bit,
                                  OsVersionCode workstation,
                                  OsVersionCode workstation_64,
                                  OsVersionCode other,
                                  OsVersionCode other_64) {
  if (facts.workstation) {
    return is_64bit ? workstation_64 : workstation;
  }
  return is_64bit ? other_64 : other;
}

// Server 2003 editions by suite bit, tested in this order.
OsVersionCode ClassifyServer2003(const Facts& facts) {
  WORD suite = facts.suite;
  if (facts.server && facts.architecture == kArchitectureItanium) {
    if (suite & kSuiteDatacenter) return 50003;
    if (suite & kSuiteEnterprise) return 50004;
  } else if (facts.server && facts.architecture == kArchitectureAmd64) {
    if (suite & kSuiteDatacenter) return 50005;
    if (suite & kSuiteEnterprise) return 50006;
    return 50007;
  } else if (facts.server) {
    if (suite & kSuiteDatacenter) return 50008;
    if (suite & kSuiteEnterprise) return 50009;
    if (suite & kSuiteBlade) return 50010;
    return 50011;
  }
  // Not a server, or an Itanium server of neither edition above.
  if (GetSystemMetrics(kServerR2Metric) != 0) return 50012;
  if (facts.workstation && facts.architecture == kArchitectureAmd64) {
    return 50013;  // XP Professional x64 reports 5.2
  }
  return 50014;
}

OsVersionCode ClassifyNt(const Facts& facts) {
  // 8.1 and 10 report 6.2 to programs that do not declare them in their
  // manifest, so they are recognised by the exact-release test.
  if (IsExactlyLevel(8)) {
    if (facts.workstation) return facts.is_64bit ? 50042 : 50041;
    if (facts.is_64bit) return 50043;
  }
  if (IsExactlyLevel(7)) {
    if (facts.workstation) return facts.is_64bit ? 50039 : 50038;
    if (facts.is_64bit) return 50040;
  }
  if (IsVersion(facts, 6, 2)) {
    return ByProductAndBitness(facts, facts.is_64bit, 50034, 50035, 50036, 50037);
  }
  if (IsVersion(facts, 6, 1)) {
    return ByProductAndBitness(facts, facts.is_64bit, 50032, 50033, 50030, 50031);
  }
  if (IsVersion(facts, 6, 0)) {
    // Vista's rule reads the architecture fetched here, not the 64-bit answer.
    return ByProductAndBitness(facts, Is64BitArchitecture(facts.architecture),
                               50001, 50026, 50002, 50029);
  }
  if (IsVersion(facts, 5, 2)) {
    return ClassifyServer2003(facts);
  }
  if (IsVersion(facts, 5, 1)) {
    if (facts.workstation && facts.architecture == kArchitectureAmd64) return 50013;
    if (facts.suite & kSuitePersonal) return 50015;
    return 50016;
  }
  if (IsVersion(facts, 5, 0)) {
    if (facts.workstation) return 50019;
    if (!facts.server) return 0;
    if (facts.suite & kSuiteDatacenter) return 50017;
    if (facts.suite & kSuiteEnterprise) return 50018;
    return 50028;
  }
  if (IsVersion(facts, 4, 0)) {
    if (!facts.server) return 50020;
    return (facts.suite & kSuiteEnterprise) ? 50021 : 50022;
  }
  if (IsVersion(facts, 3, 51)) return 50027;
  return 0;
}

}  // namespace

OsVersionCode GetOsVersionCode() {
  SYSTEM_INFO native = {};
  OSVERSIONINFOEXW snapshot = {};
  if (!GetVersionSnapshot(&snapshot)) {
    return 0;
  }
  Facts facts = {};
  facts.major = snapshot.dwMajorVersion;
  facts.minor = snapshot.dwMinorVersion;
  facts.workstation = snapshot.wProductType == kWorkstation;
  facts.server = IsServerProductType(snapshot.wProductType);
  facts.suite = snapshot.wSuiteMask;
  facts.is_64bit = IsNative64BitOs() != 0;

  if (snapshot.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    return ClassifyWindows9x(facts);
  }
  if (snapshot.dwPlatformId != VER_PLATFORM_WIN32_NT) {
    return 0;
  }
  HMODULE kernel32 = GetModuleHandleW(L"Kernel32.dll");
  if (kernel32 == nullptr) {
    return 0;
  }
  GetNativeSystemInfoFn get_native_system_info =
      ProcAs<GetNativeSystemInfoFn>(GetProcAddress(kernel32, "GetNativeSystemInfo"));
  if (get_native_system_info != nullptr) {
    get_native_system_info(&native);
  }
  facts.architecture = native.wProcessorArchitecture;
  return ClassifyNt(facts);
}
