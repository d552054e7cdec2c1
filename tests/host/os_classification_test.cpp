#include <set>

#include "osinfo/osinfo.h"
#include "standin_fixture.h"

namespace {

const BYTE kNoType = 0, kWorkstation = 1, kDomainController = 2, kServer = 3;
const WORD kEnterprise = 0x2, kDatacenter = 0x80, kPersonal = 0x200, kBlade = 0x400;
const WORD kX86 = PROCESSOR_ARCHITECTURE_INTEL, kItanium = 6, kAlpha64 = 7,
           kAmd64 = 9, kWow64 = 10, kArm64 = PROCESSOR_ARCHITECTURE_ARM64;

struct ClassCase {
  const char* name;
  DWORD platform;
  DWORD major;
  DWORD minor;
  BYTE product_type;
  WORD suite;
  WORD architecture;
  int server_r2;
  OsVersionCode expected;
};

class GetOsVersionCodeTest : public StandinTest,
                         public ::testing::WithParamInterface<ClassCase> {};

TEST_P(GetOsVersionCodeTest, FollowsTheDecisionTree) {
  const ClassCase& c = GetParam();
  OSVERSIONINFOEXW& v = machine().version;
  v.dwPlatformId = c.platform;
  v.dwMajorVersion = c.major;
  v.dwMinorVersion = c.minor;
  v.wProductType = c.product_type;
  v.wSuiteMask = c.suite;
  machine().native_architecture = c.architecture;
  machine().server_r2_metric = c.server_r2;

  EXPECT_EQ(GetOsVersionCode(), c.expected);
  // The native-architecture test is made before the platform is looked at.
  EXPECT_EQ(standin::CountCalls("GetNativeSystemInfo"),
            c.platform == VER_PLATFORM_WIN32_NT ? 2 : 1);
}

const DWORD k9x = VER_PLATFORM_WIN32_WINDOWS, kNt = VER_PLATFORM_WIN32_NT;

const ClassCase kCases[] = {
    ClassCase{"Windows95", k9x, 4, 0, 0, 0, kX86, 0, 50023},
    ClassCase{"Windows98", k9x, 4, 10, 0, 0, kX86, 0, 50024},
    ClassCase{"WindowsMe", k9x, 4, 90, 0, 0, kX86, 0, 50025},
    ClassCase{"Windows9xUnknownMinor", k9x, 4, 3, 0, 0, kX86, 0, 0},
    ClassCase{"Win32s", VER_PLATFORM_WIN32s, 3, 10, 0, 0, kX86, 0, 0},
    ClassCase{"PlatformThree", 3, 10, 0, kWorkstation, 0, kAmd64, 0, 0},
        // Windows 10, any build, recognised by the exact-release test.
    ClassCase{"Windows10", kNt, 10, 0, kWorkstation, 0, kX86, 0, 50041},
    ClassCase{"Windows10x64", kNt, 10, 0, kWorkstation, 0, kAmd64, 0, 50042},
    ClassCase{"Windows10OnArm64IsNot64Bit", kNt, 10, 0, kWorkstation, 0, kArm64, 0,
              50041},
    ClassCase{"Server2016x64", kNt, 10, 0, kServer, 0, kAmd64, 0, 50043},
        // A 32-bit 10.0 server goes on through the tree and matches nothing.
    ClassCase{"Server10x86GoesOn", kNt, 10, 0, kServer, 0, kX86, 0, 0},
    ClassCase{"Windows10WithoutProductType", kNt, 10, 0, kNoType, 0, kAmd64, 0,
              50043},
    ClassCase{"Windows81", kNt, 6, 3, kWorkstation, 0, kX86, 0, 50038},
    ClassCase{"Windows81x64", kNt, 6, 3, kWorkstation, 0, kAmd64, 0, 50039},
    ClassCase{"Server2012R2", kNt, 6, 3, kDomainController, 0, kAmd64, 0, 50040},
    ClassCase{"Server63x86GoesOn", kNt, 6, 3, kServer, 0, kX86, 0, 0},
    ClassCase{"Windows8", kNt, 6, 2, kWorkstation, 0, kX86, 0, 50034},
    ClassCase{"Windows8x64", kNt, 6, 2, kWorkstation, 0, kAmd64, 0, 50035},
    ClassCase{"Server2012", kNt, 6, 2, kServer, 0, kX86, 0, 50036},
    ClassCase{"Server2012x64", kNt, 6, 2, kServer, 0, kAmd64, 0, 50037},
    ClassCase{"Windows7", kNt, 6, 1, kWorkstation, 0, kX86, 0, 50032},
    ClassCase{"Windows7x64", kNt, 6, 1, kWorkstation, 0, kAmd64, 0, 50033},
    ClassCase{"Server2008R2", kNt, 6, 1, kServer, 0, kX86, 0, 50030},
    ClassCase{"Server2008R2x64", kNt, 6, 1, kServer, 0, kAmd64, 0, 50031},
        // Vista tests the architecture against the whole 64-bit set itself.
    ClassCase{"Vista", kNt, 6, 0, kWorkstation, 0, kX86, 0, 50001},
    ClassCase{"VistaX64", kNt, 6, 0, kWorkstation, 0, kAmd64, 0, 50026},
    ClassCase{"VistaWow64Architecture", kNt, 6, 0, kWorkstation, 0, kWow64, 0, 50026},
    ClassCase{"Server2008", kNt, 6, 0, kServer, 0, kX86, 0, 50002},
    ClassCase{"Server2008Itanium", kNt, 6, 0, kServer, 0, kItanium, 0, 50029},
    ClassCase{"Server2008Alpha64", kNt, 6, 0, kServer, 0, kAlpha64, 0, 50029},
    ClassCase{"Version64NotListed", kNt, 6, 4, kWorkstation, 0, kX86, 0, 0},
        // Server 2003: Itanium, then AMD64, then any other architecture.
    ClassCase{"Server2003ItaniumDatacenter", kNt, 5, 2, kServer,
              kDatacenter | kEnterprise, kItanium, 0, 50003},
    ClassCase{"Server2003ItaniumEnterprise", kNt, 5, 2, kServer, kEnterprise | kBlade,
              kItanium, 0, 50004},
    ClassCase{"Server2003ItaniumBladeGoesOnToR2", kNt, 5, 2, kServer, kBlade, kItanium,
              1, 50012},
    ClassCase{"Server2003ItaniumBladeGoesOn", kNt, 5, 2, kServer, kBlade, kItanium, 0,
              50014},
    ClassCase{"Server2003Amd64Datacenter", kNt, 5, 2, kServer, kDatacenter, kAmd64, 0,
              50005},
    ClassCase{"Server2003Amd64Enterprise", kNt, 5, 2, kDomainController, kEnterprise,
              kAmd64, 0, 50006},
    ClassCase{"Server2003Amd64Standard", kNt, 5, 2, kServer, kBlade, kAmd64, 1, 50007},
    ClassCase{"Server2003Datacenter", kNt, 5, 2, kServer, kDatacenter | kBlade, kX86,
              0, 50008},
    ClassCase{"Server2003Enterprise", kNt, 5, 2, kServer, kEnterprise | kBlade, kX86,
              0, 50009},
    ClassCase{"Server2003Web", kNt, 5, 2, kServer, kBlade, kX86, 0, 50010},
        // Even on R2 a standard server keeps its edition code.
    ClassCase{"Server2003StandardOnR2", kNt, 5, 2, kServer, 0, kX86, 1, 50011},
    ClassCase{"Server2003R2Metric", kNt, 5, 2, kWorkstation, 0, kAmd64, 1, 50012},
    ClassCase{"XpProfessionalX64", kNt, 5, 2, kWorkstation, 0, kAmd64, 0, 50013},
    ClassCase{"Workstation52OnItanium", kNt, 5, 2, kWorkstation, 0, kItanium, 0, 50014},
    ClassCase{"Version52WithoutProductType", kNt, 5, 2, kNoType, 0, kAmd64, 0, 50014},
    ClassCase{"XpOnAmd64", kNt, 5, 1, kWorkstation, kPersonal, kAmd64, 0, 50013},
    ClassCase{"XpHome", kNt, 5, 1, kWorkstation, kPersonal, kX86, 0, 50015},
    ClassCase{"XpProfessional", kNt, 5, 1, kWorkstation, 0, kX86, 0, 50016},
    ClassCase{"Windows2000Professional", kNt, 5, 0, kWorkstation, kDatacenter, kX86, 0,
              50019},
    ClassCase{"Windows2000Datacenter", kNt, 5, 0, kServer, kDatacenter | kEnterprise,
              kX86, 0, 50017},
    ClassCase{"Windows2000AdvancedServer", kNt, 5, 0, kDomainController, kEnterprise,
              kX86, 0, 50018},
    ClassCase{"Windows2000Server", kNt, 5, 0, kServer, kBlade, kX86, 0, 50028},
    ClassCase{"Windows2000WithoutProductType", kNt, 5, 0, kNoType, 0, kX86, 0, 0},
    ClassCase{"NtServerEnterprise", kNt, 4, 0, kServer, kEnterprise, kX86, 0, 50021},
    ClassCase{"NtServerDatacenterBitOnly", kNt, 4, 0, kServer, kDatacenter, kX86, 0,
              50022},
    ClassCase{"NtWorkstation", kNt, 4, 0, kWorkstation, kEnterprise, kX86, 0, 50020},
    ClassCase{"NtWithoutProductType", kNt, 4, 0, kNoType, 0, kX86, 0, 50020},
    ClassCase{"Nt351", kNt, 3, 51, kNoType, 0, kX86, 0, 50027},
    ClassCase{"Nt35", kNt, 3, 50, kWorkstation, 0, kX86, 0, 0},
    ClassCase{"Nt31", kNt, 3, 10, kWorkstation, 0, kX86, 0, 0}};

INSTANTIATE_TEST_SUITE_P(Releases, GetOsVersionCodeTest, ::testing::ValuesIn(kCases),
                     CaseName());

TEST(GetOsVersionCodeTable, ReachesEveryCode) {
  // Every code is reached by at least one row of the table above.
  std::set<OsVersionCode> reached;
  for (const ClassCase& c : kCases) reached.insert(c.expected);
  reached.erase(0);
  EXPECT_EQ(reached.size(), 43u);
}

TEST_F(StandinTest, GetOsVersionCodeIsZeroWithoutASnapshot) {
  machine().ntdll_loaded = false;
  machine().get_version_ex_takes_extended = false;
  machine().get_version_ex_takes_plain = false;
  EXPECT_EQ(GetOsVersionCode(), 0);
  EXPECT_EQ(standin::CountCalls("GetNativeSystemInfo"), 0);
}

TEST_F(StandinTest, GetOsVersionCodeIsZeroOnNtWithoutAKernel32Handle) {
  machine().kernel32_loaded = false;
  EXPECT_EQ(GetOsVersionCode(), 0);
  EXPECT_EQ(standin::CountCalls("RtlVerifyVersionInfo"), 0);
}

TEST_F(StandinTest, GetOsVersionCodeTakesEverySystemAs32BitWithoutGetNativeSystemInfo) {
  // Windows XP x64 without the function: the AMD64 rules cannot match.
  machine().version.dwMajorVersion = 5;
  machine().version.dwMinorVersion = 1;
  machine().native_architecture = kAmd64;
  machine().has_get_native_system_info = false;
  EXPECT_EQ(GetOsVersionCode(), 50016);
}

TEST_F(StandinTest, GetOsVersionCodeCannotNameTenOrEightOneWithoutTheExactTest) {
  machine().has_rtl_verify_version_info = false;
  for (DWORD minor : {0u, 3u}) {
    machine().version.dwMajorVersion = minor == 0 ? 10 : 6;
    machine().version.dwMinorVersion = minor;
    EXPECT_EQ(GetOsVersionCode(), 0) << minor;
  }
  machine().version.dwMajorVersion = 6;
  machine().version.dwMinorVersion = 1;
  EXPECT_EQ(GetOsVersionCode(), 50032) << "the snapshot rules still apply";
}

}  // namespace
