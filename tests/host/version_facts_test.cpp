#include <cstring>

#include "osinfo/osinfo.h"
#include "standin_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// The out-variables of every query, filled with a pattern beforehand so that
// a test sees exactly what was written.
struct Outs {
  LONG family;
  BYTE flag;
  WORD service_pack_major;
  WORD service_pack_minor;
  DWORD value;
};

Outs Untouched() {
  Outs outs;
  std::memset(&outs, 0xAB, sizeof(outs));
  return outs;
}

bool IsUntouched(const Outs& outs) {
  Outs untouched = Untouched();
  return std::memcmp(&outs, &untouched, sizeof(outs)) == 0;
}

struct NamedQuery {
  const char* name;
  BYTE (*ask)(Outs& outs);
  bool takes_snapshot;
};

const NamedQuery kQueries[] = {
    {"GetPlatformFamily", [](Outs& o) { return GetPlatformFamily(&o.family); }, true},
    {"IsWin9xFamily", [](Outs& o) { return IsWin9xFamily(&o.flag); }, true},
    {"IsWinNtFamily", [](Outs& o) { return IsWinNtFamily(&o.flag); }, true},
    {"IsServerProduct", [](Outs& o) { return IsServerProduct(&o.flag); }, true},
    {"GetServicePackVersion",
     [](Outs& o) { return GetServicePackVersion(&o.service_pack_major, &o.service_pack_minor); },
     true},
    {"IsPaeEnabled", [](Outs& o) { return IsPaeEnabled(&o.flag); }, false},
    {"GetOsProductType", [](Outs& o) { return GetOsProductType(&o.value); }, true},
    {"GetOsBuildNumber", [](Outs& o) { return GetOsBuildNumber(&o.value); }, true},
};

const std::vector<std::string> kSnapshotCalls = {
    "GetModuleHandleW Ntdll.dll", "GetProcAddress RtlGetVersion",
    "RtlGetVersion 284"};

TEST_F(StandinTest, WithoutASnapshotOnlyThePaeQueryAnswers) {
  machine().ntdll_loaded = false;
  machine().get_version_ex_takes_extended = false;
  machine().get_version_ex_takes_plain = false;
  machine().pae_feature = TRUE;
  for (const NamedQuery& query : kQueries) {
    SCOPED_TRACE(query.name);
    Outs outs = Untouched();
    EXPECT_EQ(query.ask(outs), query.takes_snapshot ? 0 : 1);
    if (query.takes_snapshot) {
      EXPECT_TRUE(IsUntouched(outs));
    } else {
      EXPECT_EQ(outs.flag, 1);
    }
  }
  EXPECT_EQ(standin::CountCalls("GetProcAddress GetProductInfo"), 0);
}

TEST_F(StandinTest, FactQueriesRejectNullPointersBeforeAnyCall) {
  WORD major = 0xABAB;
  WORD minor = 0xABAB;
  EXPECT_EQ(GetPlatformFamily(nullptr), 0);
  EXPECT_EQ(IsWin9xFamily(nullptr), 0);
  EXPECT_EQ(IsWinNtFamily(nullptr), 0);
  EXPECT_EQ(IsServerProduct(nullptr), 0);
  EXPECT_EQ(GetServicePackVersion(&major, nullptr), 0);
  EXPECT_EQ(GetServicePackVersion(nullptr, &minor), 0);
  EXPECT_EQ(IsPaeEnabled(nullptr), 0);
  EXPECT_EQ(GetOsProductType(nullptr), 0);
  EXPECT_EQ(GetOsBuildNumber(nullptr), 0);
  EXPECT_EQ(major, 0xABAB);
  EXPECT_EQ(minor, 0xABAB);
  EXPECT_THAT(trace().calls, IsEmpty());
}

struct FamilyCase {
  const char* name;
  DWORD platform_id;
  LONG family;
  BYTE is_9x;
  BYTE is_nt;
};

class PlatformFamilyTest : public StandinTest,
                           public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(PlatformFamilyTest, NamesTheFamilyOfThePlatformIdentifier) {
  const FamilyCase& c = GetParam();
  machine().version.dwPlatformId = c.platform_id;
  Outs family = Untouched();
  Outs is_9x = Untouched();
  Outs is_nt = Untouched();
  ASSERT_EQ(GetPlatformFamily(&family.family), 1);
  ASSERT_EQ(IsWin9xFamily(&is_9x.flag), 1);
  ASSERT_EQ(IsWinNtFamily(&is_nt.flag), 1);
  EXPECT_EQ(family.family, c.family);
  EXPECT_EQ(is_9x.flag, c.is_9x);
  EXPECT_EQ(is_nt.flag, c.is_nt);
}

INSTANTIATE_TEST_SUITE_P(
    Platforms, PlatformFamilyTest,
    ::testing::Values(FamilyCase{"Win32s", VER_PLATFORM_WIN32s, 0, 0, 0},
                      FamilyCase{"Windows9x", VER_PLATFORM_WIN32_WINDOWS, 1, 1, 0},
                      FamilyCase{"WindowsNt", VER_PLATFORM_WIN32_NT, 2, 0, 1},
                      FamilyCase{"Unknown3", 3, 0, 0, 0},
                      FamilyCase{"UnknownHigh", 0x80000002u, 0, 0, 0}),
    CaseName());

struct ServerCase {
  const char* name;
  BYTE product_type;
  BYTE is_server;
};

class ServerProductTest : public StandinTest,
                          public ::testing::WithParamInterface<ServerCase> {};

TEST_P(ServerProductTest, CountsServersAndDomainControllers) {
  machine().version.wProductType = GetParam().product_type;
  Outs outs = Untouched();
  ASSERT_EQ(IsServerProduct(&outs.flag), 1);
  EXPECT_EQ(outs.flag, GetParam().is_server);
}

INSTANTIATE_TEST_SUITE_P(
    ProductTypes, ServerProductTest,
    ::testing::Values(ServerCase{"NoProductType", 0, 0},
                      ServerCase{"Workstation", VER_NT_WORKSTATION, 0},
                      ServerCase{"DomainController", VER_NT_DOMAIN_CONTROLLER, 1},
                      ServerCase{"Server", VER_NT_SERVER, 1},
                      ServerCase{"Unknown", 4, 0},
                      ServerCase{"UnknownHigh", 0xFF, 0}),
    CaseName());

TEST_F(StandinTest, ServicePackAndBuildComeFromTheSnapshot) {
  machine().version.dwMajorVersion = 5;
  machine().version.dwMinorVersion = 1;
  machine().version.dwBuildNumber = 2600;
  machine().version.wServicePackMajor = 3;
  machine().version.wServicePackMinor = 0xFFFF;
  Outs outs = Untouched();
  ASSERT_EQ(GetServicePackVersion(&outs.service_pack_major, &outs.service_pack_minor), 1);
  EXPECT_EQ(outs.service_pack_major, 3);
  EXPECT_EQ(outs.service_pack_minor, 0xFFFF);
  ASSERT_EQ(GetOsBuildNumber(&outs.value), 1);
  EXPECT_EQ(outs.value, 2600u);
  // A fresh snapshot for each call.
  EXPECT_EQ(standin::CountCalls("RtlGetVersion"), 2);
}

struct PaeCase {
  const char* name;
  BOOL feature;
  BYTE expected;
};

class PaeTest : public StandinTest, public ::testing::WithParamInterface<PaeCase> {};

TEST_P(PaeTest, AsksTheProcessorFeatureOnly) {
  machine().pae_feature = GetParam().feature;
  Outs outs = Untouched();
  ASSERT_EQ(IsPaeEnabled(&outs.flag), 1);
  EXPECT_EQ(outs.flag, GetParam().expected);
  EXPECT_THAT(trace().calls, ElementsAre("IsProcessorFeaturePresent 9"));
}

INSTANTIATE_TEST_SUITE_P(Answers, PaeTest,
                         ::testing::Values(PaeCase{"NotEnabled", FALSE, 0},
                                           PaeCase{"Enabled", TRUE, 1},
                                           PaeCase{"AnyNonzero", 0x100, 1}),
                         CaseName());

struct ProductTypeCase {
  const char* name;
  DWORD major;
  DWORD minor;
  WORD service_pack_major;
  WORD service_pack_minor;
  BYTE record_product_type;
  bool kernel32_loaded;
  bool has_get_product_info;
  BOOL get_product_info_result;
  BYTE expected_result;
  DWORD expected_value;  // only when the result is 1
  std::vector<std::string> calls_after_snapshot;
};

class GetOsProductTypeTest : public StandinTest,
                             public ::testing::WithParamInterface<ProductTypeCase> {};

TEST_P(GetOsProductTypeTest, ReadsTheRecordBeforeVistaAndAsksTheEditionFromVistaOn) {
  const ProductTypeCase& c = GetParam();
  machine().version.dwMajorVersion = c.major;
  machine().version.dwMinorVersion = c.minor;
  machine().version.wServicePackMajor = c.service_pack_major;
  machine().version.wServicePackMinor = c.service_pack_minor;
  machine().version.wProductType = c.record_product_type;
  machine().kernel32_loaded = c.kernel32_loaded;
  machine().has_get_product_info = c.has_get_product_info;
  machine().get_product_info_result = c.get_product_info_result;
  machine().product_info_type = 0x7;  // PRODUCT_STANDARD_SERVER
  Outs outs = Untouched();

  EXPECT_EQ(GetOsProductType(&outs.value), c.expected_result);

  if (c.expected_result == 1) {
    EXPECT_EQ(outs.value, c.expected_value);
  } else {
    EXPECT_TRUE(IsUntouched(outs));
  }
  std::vector<std::string> calls = kSnapshotCalls;
  calls.insert(calls.end(), c.calls_after_snapshot.begin(),
               c.calls_after_snapshot.end());
  EXPECT_THAT(trace().calls, ElementsAreArray(calls));
}

const std::vector<std::string> kNoCalls = {};
const std::string kKernel32 = "GetModuleHandleW Kernel32.dll";
const std::string kLookUpProductInfo = "GetProcAddress GetProductInfo";

INSTANTIATE_TEST_SUITE_P(
    Systems, GetOsProductTypeTest,
    ::testing::Values(
        ProductTypeCase{"XpSp3", 5, 1, 3, 0, VER_NT_WORKSTATION, true, true, TRUE, 1, 1, kNoCalls},
        ProductTypeCase{"Server2003DomainController", 5, 2, 2, 0, VER_NT_DOMAIN_CONTROLLER,
                        true, true, TRUE, 1, 2, kNoCalls},
        // Before Vista GetProductInfo is not even looked for.
        ProductTypeCase{"Windows2000WithoutKernel32Lookup", 5, 0, 4, 0, VER_NT_SERVER,
                        false, false, FALSE, 1, 3, kNoCalls},
        ProductTypeCase{"Nt4PlainRecord", 4, 0, 6, 0, 0, true, true, TRUE, 1, 0, kNoCalls},
        ProductTypeCase{"Windows7Sp1", 6, 1, 1, 0, VER_NT_WORKSTATION, true, true, TRUE, 1, 7,
                        {kKernel32, kLookUpProductInfo, "GetProductInfo 6 1 1 0"}},
        ProductTypeCase{"VistaServicePackWidened", 6, 0, 0xFFFF, 0x8001, VER_NT_SERVER,
                        true, true, TRUE, 1, 7,
                        {kKernel32, kLookUpProductInfo, "GetProductInfo 6 0 65535 32769"}},
        ProductTypeCase{"Windows10", 10, 0, 0, 0, VER_NT_WORKSTATION, true, true, TRUE, 1, 7,
                        {kKernel32, kLookUpProductInfo, "GetProductInfo 10 0 0 0"}},
        ProductTypeCase{"NoKernel32Handle", 6, 1, 1, 0, VER_NT_WORKSTATION, false, true, TRUE,
                        0, 0, {kKernel32}},
        ProductTypeCase{"NoGetProductInfo", 6, 0, 0, 0, VER_NT_WORKSTATION, true, false, TRUE,
                        0, 0, {kKernel32, kLookUpProductInfo}},
        ProductTypeCase{"GetProductInfoFails", 6, 2, 0, 0, VER_NT_WORKSTATION, true, true, FALSE,
                        0, 0, {kKernel32, kLookUpProductInfo, "GetProductInfo 6 2 0 0"}}),
    CaseName());

}  // namespace
