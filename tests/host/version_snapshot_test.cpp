#include <cstring>

#include "osinfo/osinfo.h"
#include "standin_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

struct SnapshotCase {
  const char* name;
  bool ntdll_loaded;
  bool has_rtl_get_version;
  LONG rtl_status;
  bool takes_extended;
  bool takes_plain;
  BYTE expected_result;
  DWORD expected_size;
  std::vector<std::string> expected_calls;
};

class GetVersionSnapshotTest : public StandinTest,
                               public ::testing::WithParamInterface<SnapshotCase> {};

TEST_P(GetVersionSnapshotTest, TakesTheFirstSourceThatAnswers) {
  const SnapshotCase& c = GetParam();
  machine().ntdll_loaded = c.ntdll_loaded;
  machine().has_rtl_get_version = c.has_rtl_get_version;
  machine().rtl_get_version_status = c.rtl_status;
  machine().get_version_ex_takes_extended = c.takes_extended;
  machine().get_version_ex_takes_plain = c.takes_plain;
  OSVERSIONINFOEXW snapshot;
  std::memset(&snapshot, 0xAB, sizeof(snapshot));

  EXPECT_EQ(GetVersionSnapshot(&snapshot), c.expected_result);

  EXPECT_THAT(trace().calls, ElementsAreArray(c.expected_calls));
  if (c.expected_result == 0) {
    OSVERSIONINFOEXW untouched;
    std::memset(&untouched, 0xAB, sizeof(untouched));
    EXPECT_EQ(std::memcmp(&snapshot, &untouched, sizeof(snapshot)), 0);
    return;
  }
  EXPECT_EQ(snapshot.dwOSVersionInfoSize, c.expected_size);
  EXPECT_EQ(snapshot.dwMajorVersion, 6u);
  EXPECT_EQ(snapshot.dwMinorVersion, 1u);
  EXPECT_EQ(snapshot.dwBuildNumber, 7601u);
  EXPECT_EQ(snapshot.dwPlatformId, 2u);
  EXPECT_EQ(standin::Narrow(snapshot.szCSDVersion), "Service Pack 1");
  if (c.expected_size == sizeof(OSVERSIONINFOEXW)) {
    EXPECT_EQ(snapshot.wServicePackMajor, 1);
    EXPECT_EQ(snapshot.wProductType, 1);
  } else {
    // Only the plain record was filled; the rest is the initial zero fill.
    EXPECT_EQ(snapshot.wServicePackMajor, 0);
    EXPECT_EQ(snapshot.wServicePackMinor, 0);
    EXPECT_EQ(snapshot.wSuiteMask, 0);
    EXPECT_EQ(snapshot.wProductType, 0);
    EXPECT_EQ(snapshot.wReserved, 0);
  }
}

const std::string kNtdll = "GetModuleHandleW Ntdll.dll";
const std::string kLookUp = "GetProcAddress RtlGetVersion";

INSTANTIATE_TEST_SUITE_P(
    Sources, GetVersionSnapshotTest,
    ::testing::Values(
        // Windows 2000 and later: the native layer answers, also on 8.1 and
        // 10 where GetVersionExW would say 6.2.
        SnapshotCase{"NativeLayerAnswers", true, true, 0, true, true, 1, 284,
                     {kNtdll, kLookUp, "RtlGetVersion 284"}},
        // NT 4.0 SP6: ntdll without RtlGetVersion.
        SnapshotCase{"NoRtlGetVersion", true, false, 0, true, true, 1, 284,
                     {kNtdll, kLookUp, "GetVersionExW 284"}},
        SnapshotCase{"RtlGetVersionFailsOnce", true, true,
                     static_cast<LONG>(0xC0000001), true, true, 1, 284,
                     {kNtdll, kLookUp, "RtlGetVersion 284", "GetVersionExW 284"}},
        // Windows 95: no ntdll, and only the plain record is understood.
        SnapshotCase{"Windows95PlainRecordOnly", false, false, 0, false, true, 1,
                     276, {kNtdll, "GetVersionExW 284", "GetVersionExW 276"}},
        SnapshotCase{"EverySourceFails", false, false, 0, false, false, 0, 0,
                     {kNtdll, "GetVersionExW 284", "GetVersionExW 276"}}),
    CaseName());

TEST_F(StandinTest, GetVersionSnapshotRejectsANullRecordBeforeAnyCall) {
  EXPECT_EQ(GetVersionSnapshot(nullptr), 0);
  EXPECT_THAT(trace().calls, ::testing::IsEmpty());
}

TEST_F(StandinTest, GetVersionSnapshotIgnoresTheCallersSizeField) {
  OSVERSIONINFOEXW snapshot = {};
  snapshot.dwOSVersionInfoSize = 12;
  ASSERT_EQ(GetVersionSnapshot(&snapshot), 1);
  EXPECT_EQ(snapshot.dwOSVersionInfoSize, 284u);
}

struct ArchitectureCase {
  WORD architecture;
  BYTE expected;
};

class IsNative64BitOsTest : public StandinTest,
                            public ::testing::WithParamInterface<ArchitectureCase> {};

TEST_P(IsNative64BitOsTest, CountsOnlyTheFour64BitArchitectures) {
  machine().native_architecture = GetParam().architecture;
  EXPECT_EQ(IsNative64BitOs(), GetParam().expected);
  EXPECT_EQ(standin::CountCalls("GetNativeSystemInfo"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Architectures, IsNative64BitOsTest,
    ::testing::Values(ArchitectureCase{PROCESSOR_ARCHITECTURE_INTEL, 0},
                      ArchitectureCase{5, 0},  // ARM
                      ArchitectureCase{PROCESSOR_ARCHITECTURE_IA64, 1},
                      ArchitectureCase{PROCESSOR_ARCHITECTURE_ALPHA64, 1},
                      ArchitectureCase{PROCESSOR_ARCHITECTURE_AMD64, 1},
                      ArchitectureCase{PROCESSOR_ARCHITECTURE_IA32_ON_WIN64, 1},
                      // Windows on ARM64 is not counted as 64-bit.
                      ArchitectureCase{PROCESSOR_ARCHITECTURE_ARM64, 0},
                      ArchitectureCase{PROCESSOR_ARCHITECTURE_UNKNOWN, 0}));

TEST_F(StandinTest, IsNative64BitOsIsFalseWithoutGetNativeSystemInfo) {
  // Windows 2000 lacks GetNativeSystemInfo, whatever the processor.
  machine().native_architecture = PROCESSOR_ARCHITECTURE_AMD64;
  machine().has_get_native_system_info = false;
  EXPECT_EQ(IsNative64BitOs(), 0);
  EXPECT_THAT(trace().calls, ElementsAre("GetModuleHandleW Kernel32.dll",
                                         "GetProcAddress GetNativeSystemInfo"));
}

TEST_F(StandinTest, IsNative64BitOsIsFalseWithoutAKernel32Handle) {
  machine().native_architecture = PROCESSOR_ARCHITECTURE_AMD64;
  machine().kernel32_loaded = false;
  EXPECT_EQ(IsNative64BitOs(), 0);
  EXPECT_THAT(trace().calls, ElementsAre("GetModuleHandleW Kernel32.dll"));
}

}  // namespace
