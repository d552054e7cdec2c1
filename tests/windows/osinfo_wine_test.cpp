// The library's real bindings under Wine, checked against what the system
// itself answers through the same calls made directly.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "osinfo/osinfo.h"

namespace {

typedef LONG(WINAPI* RtlGetVersionFn)(OSVERSIONINFOEXW*);

static_assert(sizeof(OSVERSIONINFOEXW) == 284, "");
static_assert(sizeof(OSVERSIONINFOW) == 276, "");
static_assert(sizeof(STARTUPINFOW) == 68, "");
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12, "");

TEST(VersionSnapshotUnderWine, MatchesRtlGetVersion) {
  OSVERSIONINFOEXW expected = {};
  expected.dwOSVersionInfoSize = sizeof(expected);
  RtlGetVersionFn rtl_get_version = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void (*)()>(
          GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  ASSERT_NE(rtl_get_version, nullptr);
  ASSERT_GE(rtl_get_version(&expected), 0);

  OSVERSIONINFOEXW snapshot;
  std::memset(&snapshot, 0xCD, sizeof(snapshot));
  ASSERT_EQ(GetVersionSnapshot(&snapshot), 1);
  EXPECT_EQ(std::memcmp(&snapshot, &expected, sizeof(snapshot)), 0);
  EXPECT_EQ(snapshot.dwOSVersionInfoSize, 284u);
  EXPECT_EQ(snapshot.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
}

TEST(NativeArchitectureUnderWine, MatchesGetNativeSystemInfoAndTheProcess) {
  SYSTEM_INFO native = {};
  GetNativeSystemInfo(&native);
  bool native_64 = native.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
  EXPECT_EQ(IsNative64BitOs(), native_64 ? 1 : 0);

  // A 32-bit process on 64-bit Windows runs under WOW64; on 32-bit Windows
  // it does not.
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  EXPECT_EQ(IsNative64BitOs(), wow64 ? 1 : 0);
}

}  // namespace
