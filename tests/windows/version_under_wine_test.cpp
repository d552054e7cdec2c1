// The version predicates and fact queries under Wine, checked against what
// Wine itself reports through RtlGetVersion and the other calls made
// directly. tests/wine/version_under_wine.py runs this program once for each
// of several Windows versions set in a prefix of its own; each run names the
// version it set with --expect-version=MAJOR.MINOR.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "osinfo/osinfo.h"

namespace {

typedef LONG(WINAPI* RtlGetVersionFn)(OSVERSIONINFOEXW*);
typedef BOOL(WINAPI* GetProductInfoFn)(DWORD, DWORD, DWORD, DWORD, DWORD*);

// What the driver set in the prefix; -1 when the program runs on its own.
long g_expected_major = -1;
long g_expected_minor = -1;

FARPROC Proc(const wchar_t* module, const char* name) {
  return GetProcAddress(GetModuleHandleW(module), name);
}

OSVERSIONINFOEXW Reported() {
  OSVERSIONINFOEXW reported = {};
  reported.dwOSVersionInfoSize = sizeof(reported);
  RtlGetVersionFn rtl_get_version = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void (*)()>(Proc(L"ntdll.dll", "RtlGetVersion")));
  EXPECT_NE(rtl_get_version, nullptr);
  if (rtl_get_version != nullptr) {
    EXPECT_GE(rtl_get_version(&reported), 0);
  }
  return reported;
}

bool Native64Bit() {
  SYSTEM_INFO native = {};
  GetNativeSystemInfo(&native);
  return native.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

// The release each level names.
struct Release {
  DWORD major;
  DWORD minor;
};

Release ReleaseOf(OsVersionLevel level) {
  switch (level) {
    case 1: return {5, 0};
    case 2: return {5, Native64Bit() ? 2u : 1u};
    case 3: return {5, 2};
    case 4: return {6, 0};
    case 5: return {6, 1};
    case 6: return {6, 2};
    case 7: return {6, 3};
    default: return {10, 0};
  }
}

long Compare(DWORD a_major, DWORD a_minor, DWORD b_major, DWORD b_minor) {
  if (a_major != b_major) return a_major < b_major ? -1 : 1;
  if (a_minor != b_minor) return a_minor < b_minor ? -1 : 1;
  return 0;
}

TEST(VersionUnderWine, ReportsTheVersionSetInThePrefix) {
  if (g_expected_major < 0) {
    GTEST_SKIP() << "no --expect-version given";
  }
  OSVERSIONINFOEXW reported = Reported();
  EXPECT_EQ(reported.dwMajorVersion, static_cast<DWORD>(g_expected_major));
  EXPECT_EQ(reported.dwMinorVersion, static_cast<DWORD>(g_expected_minor));
}

TEST(VersionUnderWine, LevelPredicatesAgreeWithRtlGetVersion) {
  OSVERSIONINFOEXW reported = Reported();
  for (OsVersionLevel level = -1; level <= 9; ++level) {
    Release release = ReleaseOf(level);
    long order = Compare(reported.dwMajorVersion, reported.dwMinorVersion,
                         release.major, release.minor);
    SCOPED_TRACE(level);
    BYTE equal = 0xAA;
    BYTE at_least = 0xAA;
    ASSERT_EQ(IsOsVersionEqual(level, &equal), 1);
    ASSERT_EQ(IsOsVersionAtLeast(level, &at_least), 1);
    EXPECT_EQ(equal, order == 0 ? 1 : 0);
    EXPECT_EQ(at_least, order >= 0 ? 1 : 0);
  }
  BYTE answer = 0xAA;
  ASSERT_EQ(IsWindows2000OrLater(&answer), 1);
  EXPECT_EQ(answer, 1);
  ASSERT_EQ(IsWindowsXpOrLater(&answer), 1);
  EXPECT_EQ(answer, Compare(reported.dwMajorVersion, reported.dwMinorVersion,
                            ReleaseOf(2).major, ReleaseOf(2).minor) >= 0
                        ? 1
                        : 0);
}

TEST(VersionUnderWine, ServicePackPredicatesAgreeWithRtlGetVersion) {
  OSVERSIONINFOEXW reported = Reported();
  WORD sp_major = reported.wServicePackMajor;
  WORD sp_minor = reported.wServicePackMinor;
  BYTE answer = 0xAA;
  ASSERT_EQ(IsServicePackAtLeast(sp_major, sp_minor, &answer), 1);
  EXPECT_EQ(answer, 1);
  ASSERT_EQ(IsServicePackAtLeast(static_cast<WORD>(sp_major + 1), 0, &answer), 1);
  EXPECT_EQ(answer, 0);

  OsVersionLevel level = 0;
  ASSERT_EQ(GetOsVersionLevel(&level), 1);
  if (level == 0) return;
  // Level 2 names 5.2 on 64-bit Windows, so a 5.1 there is below its own
  // level; otherwise the same numbers are not below, one service pack more is.
  Release release = ReleaseOf(level);
  bool below_release = Compare(reported.dwMajorVersion, reported.dwMinorVersion,
                               release.major, release.minor) < 0;
  ASSERT_EQ(IsOsVersionBelow(level, sp_major, sp_minor, &answer), 1);
  EXPECT_EQ(answer, below_release ? 1 : 0);
  ASSERT_EQ(IsOsVersionBelow(level, static_cast<WORD>(sp_major + 1), 0, &answer), 1);
  EXPECT_EQ(answer, 1);
}

TEST(VersionUnderWine, LevelMatchesTheReportedRelease) {
  OSVERSIONINFOEXW reported = Reported();
  OsVersionLevel expected = 0;
  DWORD major = reported.dwMajorVersion;
  DWORD minor = reported.dwMinorVersion;
  if (major == 10) {
    expected = 8;
  } else if (major == 6 && minor <= 3) {
    expected = static_cast<OsVersionLevel>(4 + minor);
  } else if (major == 5 && minor < 2) {
    expected = static_cast<OsVersionLevel>(1 + minor);
  } else if (major == 5 && minor == 2) {
    bool server = reported.wProductType == VER_NT_SERVER ||
                  reported.wProductType == VER_NT_DOMAIN_CONTROLLER;
    expected = server || GetSystemMetrics(SM_SERVERR2) != 0 ? 3 : 2;
  }
  OsVersionLevel level = 77;
  ASSERT_EQ(GetOsVersionLevel(&level), 1);
  EXPECT_EQ(level, expected);
}

TEST(VersionUnderWine, FactsAgreeWithTheSnapshot) {
  OSVERSIONINFOEXW snapshot = {};
  ASSERT_EQ(GetVersionSnapshot(&snapshot), 1);

  DWORD build = 0;
  ASSERT_EQ(GetOsBuildNumber(&build), 1);
  EXPECT_EQ(build, snapshot.dwBuildNumber);

  WORD sp_major = 0xABAB;
  WORD sp_minor = 0xABAB;
  ASSERT_EQ(GetServicePackVersion(&sp_major, &sp_minor), 1);
  EXPECT_EQ(sp_major, snapshot.wServicePackMajor);
  EXPECT_EQ(sp_minor, snapshot.wServicePackMinor);

  BYTE server = 0xAA;
  ASSERT_EQ(IsServerProduct(&server), 1);
  EXPECT_EQ(server, snapshot.wProductType == VER_NT_SERVER ||
                            snapshot.wProductType == VER_NT_DOMAIN_CONTROLLER
                        ? 1
                        : 0);

  LONG family = -1;
  ASSERT_EQ(GetPlatformFamily(&family), 1);
  EXPECT_EQ(family, 2);
  BYTE is_nt = 0xAA;
  BYTE is_9x = 0xAA;
  ASSERT_EQ(IsWinNtFamily(&is_nt), 1);
  ASSERT_EQ(IsWin9xFamily(&is_9x), 1);
  EXPECT_EQ(is_nt, 1);
  EXPECT_EQ(is_9x, 0);

  BYTE pae = 0xAA;
  ASSERT_EQ(IsPaeEnabled(&pae), 1);
  EXPECT_EQ(pae, IsProcessorFeaturePresent(PF_PAE_ENABLED) ? 1 : 0);
}

TEST(VersionUnderWine, ProductTypeIsTheRecordsOrTheEditionGetProductInfoReports) {
  OSVERSIONINFOEXW snapshot = {};
  ASSERT_EQ(GetVersionSnapshot(&snapshot), 1);
  DWORD expected = snapshot.wProductType;
  if (snapshot.dwMajorVersion >= 6) {
    GetProductInfoFn get_product_info = reinterpret_cast<GetProductInfoFn>(
        reinterpret_cast<void (*)()>(Proc(L"kernel32.dll", "GetProductInfo")));
    ASSERT_NE(get_product_info, nullptr);
    ASSERT_TRUE(get_product_info(snapshot.dwMajorVersion, snapshot.dwMinorVersion,
                                 snapshot.wServicePackMajor,
                                 snapshot.wServicePackMinor, &expected));
  }
  DWORD product_type = 0xABABABAB;
  ASSERT_EQ(GetOsProductType(&product_type), 1);
  EXPECT_EQ(product_type, expected);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::sscanf(argv[i], "--expect-version=%ld.%ld", &g_expected_major,
                    &g_expected_minor) == 2) {
      continue;
    }
    std::fprintf(stderr, "unknown argument %s\n", argv[i]);
    return 2;
  }
  return RUN_ALL_TESTS();
}
