#include <climits>
#include <cstring>
#include <optional>

#include "osinfo/osinfo.h"
#include "standin_fixture.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

typedef BYTE (*Predicate)(BYTE* answer);

const LONG kRevisionMismatch = static_cast<LONG>(0xC0000059u);
const LONG kInvalidParameter = static_cast<LONG>(0xC000000Du);

const std::string kNtdll = "GetModuleHandleW Ntdll.dll";
const std::string kLookUpVerify = "GetProcAddress RtlVerifyVersionInfo";
const std::vector<std::string> kNativeArchitecture = {
    "GetModuleHandleW Kernel32.dll", "GetProcAddress GetNativeSystemInfo",
    "GetNativeSystemInfo"};

const std::vector<std::string> kEqualPairs = {"VerSetConditionMask 0x2 1",
                                              "VerSetConditionMask 0x1 1"};
const std::vector<std::string> kAtLeastPairs = {"VerSetConditionMask 0x2 3",
                                                "VerSetConditionMask 0x1 3"};
const std::vector<std::string> kBelowPairs = {
    "VerSetConditionMask 0x2 4", "VerSetConditionMask 0x1 4",
    "VerSetConditionMask 0x20 4", "VerSetConditionMask 0x10 4"};
const std::vector<std::string> kServicePackPairs = {
    "VerSetConditionMask 0x20 3", "VerSetConditionMask 0x10 3"};

// Condition masks as the platform encodes them: three bits per type bit, at
// three times the bit's position (minor 0, major 1, service-pack minor 4,
// service-pack major 5).
const ULONGLONG kEqualMask = 0x9;          // major 1, minor 1
const ULONGLONG kAtLeastMask = 0x1B;       // major 3, minor 3
const ULONGLONG kBelowMask = 0x24024;      // all four 4
const ULONGLONG kServicePackMask = 0x1B000;  // both service-pack numbers 3

// What a predicate hands RtlVerifyVersionInfo.
struct RequestCase {
  const char* name;
  Predicate predicate;
  WORD native_architecture;
  bool asks_native_architecture;
  DWORD major;
  DWORD minor;
  WORD service_pack_major;
  WORD service_pack_minor;
  std::vector<std::string> pairs;
  ULONG type_mask;
  ULONGLONG condition_mask;
};

class PredicateRequestTest : public StandinTest,
                             public ::testing::WithParamInterface<RequestCase> {};

TEST_P(PredicateRequestTest, HandsTheLevelsNumbersAndMasksToTheSystem) {
  const RequestCase& c = GetParam();
  machine().native_architecture = c.native_architecture;
  BYTE answer = 0xAA;

  ASSERT_EQ(c.predicate(&answer), 1);

  std::vector<std::string> calls = {kNtdll, kLookUpVerify};
  if (c.asks_native_architecture) {
    calls.insert(calls.end(), kNativeArchitecture.begin(),
                 kNativeArchitecture.end());
  }
  calls.insert(calls.end(), c.pairs.begin(), c.pairs.end());
  char verify[64];
  std::snprintf(verify, sizeof(verify), "RtlVerifyVersionInfo 0x%X 0x%llX",
                c.type_mask, static_cast<unsigned long long>(c.condition_mask));
  calls.push_back(verify);
  EXPECT_THAT(trace().calls, ElementsAreArray(calls));

  ASSERT_EQ(trace().version_checks.size(), 1u);
  const standin::VersionCheck& check = trace().version_checks[0];
  EXPECT_EQ(check.type_mask, c.type_mask);
  EXPECT_EQ(check.condition_mask, c.condition_mask);
  // Zero-filled apart from the size and the numbers compared.
  OSVERSIONINFOEXW expected = {};
  expected.dwOSVersionInfoSize = 284;
  expected.dwMajorVersion = c.major;
  expected.dwMinorVersion = c.minor;
  expected.wServicePackMajor = c.service_pack_major;
  expected.wServicePackMinor = c.service_pack_minor;
  EXPECT_EQ(std::memcmp(&check.record, &expected, sizeof(expected)), 0)
      << check.record.dwMajorVersion << "." << check.record.dwMinorVersion
      << " SP " << check.record.wServicePackMajor << "."
      << check.record.wServicePackMinor;
}

const WORD kX86 = PROCESSOR_ARCHITECTURE_INTEL;
const WORD kX64 = PROCESSOR_ARCHITECTURE_AMD64;

template <OsVersionLevel level>
BYTE EqualAt(BYTE* answer) { return IsOsVersionEqual(level, answer); }
template <OsVersionLevel level>
BYTE AtLeastAt(BYTE* answer) { return IsOsVersionAtLeast(level, answer); }

INSTANTIATE_TEST_SUITE_P(
    Levels, PredicateRequestTest,
    ::testing::Values(
        RequestCase{"Level1", EqualAt<1>, kX64, false, 5, 0, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"Level2On32BitWindows", EqualAt<2>, kX86, true, 5, 1, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"Level2On64BitWindows", EqualAt<2>, kX64, true, 5, 2, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"Level3", EqualAt<3>, kX86, false, 5, 2, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"Level4", EqualAt<4>, kX86, false, 6, 0, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"Level5", EqualAt<5>, kX86, false, 6, 1, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"Level6", EqualAt<6>, kX86, false, 6, 2, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"Level7", EqualAt<7>, kX86, false, 6, 3, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"Level8", EqualAt<8>, kX86, false, 10, 0, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"Level9", EqualAt<9>, kX86, false, 10, 0, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"Level0", EqualAt<0>, kX86, false, 10, 0, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"LevelMinus1", EqualAt<-1>, kX86, false, 10, 0, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"LevelMin", EqualAt<INT_MIN>, kX86, false, 10, 0, 0, 0, kEqualPairs, 3, kEqualMask},
        RequestCase{"LevelMax", EqualAt<INT_MAX>, kX86, false, 10, 0, 0, 0, kEqualPairs, 3, kEqualMask}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Predicates, PredicateRequestTest,
    ::testing::Values(
        RequestCase{"AtLeast", AtLeastAt<4>, kX86, false, 6, 0, 0, 0, kAtLeastPairs, 3, kAtLeastMask},
        RequestCase{"Below", [](BYTE* a) { return IsOsVersionBelow(1, 4, 1, a); },
                    kX86, false, 5, 0, 4, 1, kBelowPairs, 0x33, kBelowMask},
        RequestCase{"BelowLevel2On64BitWindows", [](BYTE* a) { return IsOsVersionBelow(2, 2, 0, a); },
                    kX64, true, 5, 2, 2, 0, kBelowPairs, 0x33, kBelowMask},
        RequestCase{"ServicePackAtLeast", [](BYTE* a) { return IsServicePackAtLeast(2, 65535, a); },
                    kX64, false, 0, 0, 2, 65535, kServicePackPairs, 0x30, kServicePackMask},
        RequestCase{"Windows2000OrLater", IsWindows2000OrLater, kX64, false, 5, 0, 0, 0, kAtLeastPairs, 3, kAtLeastMask},
        RequestCase{"WindowsXpOrLaterOn32BitWindows", IsWindowsXpOrLater, kX86, true, 5, 1, 0, 0, kAtLeastPairs, 3, kAtLeastMask},
        RequestCase{"WindowsXpOrLaterOn64BitWindows", IsWindowsXpOrLater, kX64, true, 5, 2, 0, 0, kAtLeastPairs, 3, kAtLeastMask}),
    CaseName());

// The answers on a given system, the stand-in comparing as the system does.
struct AnswerCase {
  const char* name;
  DWORD major;
  DWORD minor;
  WORD service_pack_major;
  WORD service_pack_minor;
  WORD native_architecture;
  Predicate predicate;
  BYTE expected;
};

class PredicateAnswerTest : public StandinTest,
                            public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(PredicateAnswerTest, AnswersForTheRunningSystem) {
  const AnswerCase& c = GetParam();
  machine().version.dwMajorVersion = c.major;
  machine().version.dwMinorVersion = c.minor;
  machine().version.wServicePackMajor = c.service_pack_major;
  machine().version.wServicePackMinor = c.service_pack_minor;
  machine().native_architecture = c.native_architecture;
  BYTE answer = 0xAA;
  EXPECT_EQ(c.predicate(&answer), 1);
  EXPECT_EQ(answer, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, PredicateAnswerTest,
    ::testing::Values(
        // 64-bit XP and Server 2003 x64 report 5.2: level 2 is 5.2 there.
        AnswerCase{"Equal2On52With64BitNative", 5, 2, 0, 0, kX64, EqualAt<2>, 1},
        AnswerCase{"Equal3On52With64BitNative", 5, 2, 0, 0, kX64, EqualAt<3>, 1},
        AnswerCase{"Equal2On51With64BitNative", 5, 1, 0, 0, kX64, EqualAt<2>, 0},
        AnswerCase{"Equal2On51", 5, 1, 3, 0, kX86, EqualAt<2>, 1},
        AnswerCase{"Equal2On52", 5, 2, 0, 0, kX86, EqualAt<2>, 0},
        AnswerCase{"Equal8On10", 10, 0, 0, 0, kX64, EqualAt<8>, 1},
        AnswerCase{"Equal0On10", 10, 0, 0, 0, kX64, EqualAt<0>, 1},
        AnswerCase{"Equal7On10", 10, 0, 0, 0, kX64, EqualAt<7>, 0},
        AnswerCase{"AtLeast2On32BitServer2003", 5, 2, 2, 0, kX86, AtLeastAt<2>, 1},
        AnswerCase{"AtLeast4On32BitServer2003", 5, 2, 2, 0, kX86, AtLeastAt<4>, 0},
        AnswerCase{"AtLeast5On61", 6, 1, 0, 0, kX86, AtLeastAt<5>, 1},
        AnswerCase{"AtLeast5On60", 6, 0, 2, 0, kX86, AtLeastAt<5>, 0},
        // A later major wins over a smaller minor.
        AnswerCase{"AtLeast7On100", 10, 0, 0, 0, kX86, AtLeastAt<7>, 1},
        AnswerCase{"AtLeast9On63", 6, 3, 0, 0, kX86, AtLeastAt<9>, 0},
        AnswerCase{"BelowOn2000Sp3", 5, 0, 3, 0, kX86,
                   [](BYTE* a) { return IsOsVersionBelow(1, 4, 0, a); }, 1},
        AnswerCase{"BelowOn2000Sp4IsNotBelow", 5, 0, 4, 0, kX86,
                   [](BYTE* a) { return IsOsVersionBelow(1, 4, 0, a); }, 0},
        AnswerCase{"BelowOn2000Sp4ComparesMinor", 5, 0, 4, 0, kX86,
                   [](BYTE* a) { return IsOsVersionBelow(1, 4, 1, a); }, 1},
        // An earlier release is below whatever its service pack.
        AnswerCase{"BelowOnXpSp3AgainstVista", 5, 1, 3, 0, kX86,
                   [](BYTE* a) { return IsOsVersionBelow(4, 0, 0, a); }, 1},
        AnswerCase{"BelowOnVistaAgainstXpSp3", 6, 0, 0, 0, kX86,
                   [](BYTE* a) { return IsOsVersionBelow(2, 3, 0, a); }, 0},
        AnswerCase{"ServicePackOn7Sp3", 6, 1, 3, 0, kX86,
                   [](BYTE* a) { return IsServicePackAtLeast(2, 0, a); }, 1},
        AnswerCase{"ServicePackOn2000Sp3", 5, 0, 3, 0, kX86,
                   [](BYTE* a) { return IsServicePackAtLeast(2, 0, a); }, 1},
        AnswerCase{"ServicePackOn10Sp0", 10, 0, 0, 0, kX86,
                   [](BYTE* a) { return IsServicePackAtLeast(1, 0, a); }, 0},
        AnswerCase{"ServicePackMinorShort", 5, 1, 2, 0, kX86,
                   [](BYTE* a) { return IsServicePackAtLeast(2, 1, a); }, 0},
        AnswerCase{"Windows2000OrLaterOnNt4", 4, 0, 6, 0, kX86, IsWindows2000OrLater, 0},
        AnswerCase{"Windows2000OrLaterOn2000", 5, 0, 0, 0, kX86, IsWindows2000OrLater, 1},
        AnswerCase{"XpOrLaterOn2000", 5, 0, 4, 0, kX86, IsWindowsXpOrLater, 0},
        AnswerCase{"XpOrLaterOnXp", 5, 1, 0, 0, kX86, IsWindowsXpOrLater, 1},
        // 5.1 on a 64-bit machine is below 5.2, the 64-bit reading of level 2.
        AnswerCase{"XpOrLaterOn51With64BitNative", 5, 1, 0, 0, kX64, IsWindowsXpOrLater, 0}),
    CaseName());

// Every predicate, and whether it is one of the two wrappers.
struct NamedPredicate {
  const char* name;
  Predicate predicate;
  bool wrapper;
};

const NamedPredicate kPredicates[] = {
    {"IsOsVersionEqual", EqualAt<2>, false},
    {"IsOsVersionAtLeast", AtLeastAt<2>, false},
    {"IsOsVersionBelow", [](BYTE* a) { return IsOsVersionBelow(2, 0, 0, a); }, false},
    {"IsServicePackAtLeast", [](BYTE* a) { return IsServicePackAtLeast(0, 0, a); }, false},
    {"IsWindows2000OrLater", IsWindows2000OrLater, true},
    {"IsWindowsXpOrLater", IsWindowsXpOrLater, true},
};

// How the system answered, and what each predicate makes of it.
struct OutcomeCase {
  const char* name;
  bool ntdll_loaded;
  bool has_rtl_verify_version_info;
  std::optional<LONG> status;
  BYTE expected_result;
  BYTE expected_answer;  // on failure: the core predicates' cleared byte
};

class PredicateOutcomeTest : public StandinTest,
                             public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(PredicateOutcomeTest, ResultAndAnswerFollowTheStatus) {
  const OutcomeCase& c = GetParam();
  for (const NamedPredicate& p : kPredicates) {
    SCOPED_TRACE(p.name);
    standin::Reset();
    machine().native_architecture = kX64;
    machine().ntdll_loaded = c.ntdll_loaded;
    machine().has_rtl_verify_version_info = c.has_rtl_verify_version_info;
    machine().rtl_verify_version_info_status = c.status;
    BYTE answer = 0xAA;

    EXPECT_EQ(p.predicate(&answer), c.expected_result);

    // The wrappers leave the caller's byte alone when they fail.
    BYTE expected = c.expected_result == 0 && p.wrapper ? 0xAA : c.expected_answer;
    EXPECT_EQ(answer, expected);
    if (!c.ntdll_loaded || !c.has_rtl_verify_version_info) {
      // Nothing is asked of a system that cannot compare, not even the
      // architecture for level 2.
      EXPECT_THAT(trace().calls, Not(Contains(StartsWith("GetNativeSystemInfo"))));
      EXPECT_THAT(trace().calls, Not(Contains(StartsWith("VerSetConditionMask"))));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, PredicateOutcomeTest,
    ::testing::Values(
        OutcomeCase{"Satisfied", true, true, 0, 1, 1},
        OutcomeCase{"PositiveStatus", true, true, 0x103, 1, 1},
        OutcomeCase{"RevisionMismatch", true, true, kRevisionMismatch, 1, 0},
        OutcomeCase{"InvalidParameter", true, true, kInvalidParameter, 0, 0},
        OutcomeCase{"MostNegativeStatus", true, true, INT_MIN, 0, 0},
        OutcomeCase{"NoNtdll", false, true, std::nullopt, 0, 0},
        // Windows 2000 and older: ntdll without RtlVerifyVersionInfo.
        OutcomeCase{"NoRtlVerifyVersionInfo", true, false, std::nullopt, 0, 0}),
    CaseName());

TEST_F(StandinTest, PredicatesRejectANullAnswerBeforeAnyCall) {
  EXPECT_EQ(IsOsVersionEqual(2, nullptr), 0);
  EXPECT_EQ(IsOsVersionAtLeast(2, nullptr), 0);
  EXPECT_EQ(IsOsVersionBelow(2, 0, 0, nullptr), 0);
  EXPECT_EQ(IsServicePackAtLeast(0, 0, nullptr), 0);
  EXPECT_EQ(IsWindows2000OrLater(nullptr), 0);
  EXPECT_EQ(IsWindowsXpOrLater(nullptr), 0);
  EXPECT_EQ(GetOsVersionLevel(nullptr), 0);
  EXPECT_THAT(trace().calls, IsEmpty());
}

TEST_F(StandinTest, EveryCallLooksTheComparisonUpAgain) {
  BYTE answer = 0;
  ASSERT_EQ(IsOsVersionAtLeast(5, &answer), 1);
  machine().has_rtl_verify_version_info = false;
  EXPECT_EQ(IsOsVersionAtLeast(5, &answer), 0);
  EXPECT_EQ(standin::CountCalls(kLookUpVerify), 2);
}

struct LevelCase {
  const char* name;
  DWORD major;
  DWORD minor;
  BYTE product_type;
  int server_r2_metric;
  BYTE expected_result;
  OsVersionLevel expected_level;
  bool asks_server_r2;
};

class GetOsVersionLevelTest : public StandinTest,
                              public ::testing::WithParamInterface<LevelCase> {};

TEST_P(GetOsVersionLevelTest, MapsTheRunningVersionToItsLevel) {
  const LevelCase& c = GetParam();
  machine().version.dwMajorVersion = c.major;
  machine().version.dwMinorVersion = c.minor;
  machine().version.wProductType = c.product_type;
  machine().server_r2_metric = c.server_r2_metric;
  OsVersionLevel level = 77;

  EXPECT_EQ(GetOsVersionLevel(&level), c.expected_result);
  EXPECT_EQ(level, c.expected_level);
  EXPECT_EQ(standin::CountCalls("GetSystemMetrics 89"), c.asks_server_r2 ? 1 : 0);
  EXPECT_EQ(standin::CountCalls("GetSystemMetrics"),
            standin::CountCalls("GetSystemMetrics 89"));
}

const BYTE kWorkstation = VER_NT_WORKSTATION;
const BYTE kDomainController = VER_NT_DOMAIN_CONTROLLER;
const BYTE kServer = VER_NT_SERVER;

INSTANTIATE_TEST_SUITE_P(
    Versions, GetOsVersionLevelTest,
    ::testing::Values(
        LevelCase{"Windows2000", 5, 0, kServer, 1, 1, 1, false},
        LevelCase{"WindowsXp", 5, 1, kWorkstation, 1, 1, 2, false},
        LevelCase{"Server2003", 5, 2, kServer, 0, 1, 3, false},
        LevelCase{"Server2003DomainController", 5, 2, kDomainController, 0, 1, 3, false},
        LevelCase{"Xp64Bit", 5, 2, kWorkstation, 0, 1, 2, true},
        LevelCase{"WorkstationWithR2Metric", 5, 2, kWorkstation, 1, 1, 3, true},
        LevelCase{"NoProductTypeWithR2Metric", 5, 2, 0, 5, 1, 3, true},
        LevelCase{"NoProductTypeWithoutR2Metric", 5, 2, 0, 0, 1, 2, true},
        LevelCase{"UnlistedMinor5", 5, 3, kWorkstation, 0, 1, 0, false},
        LevelCase{"Vista", 6, 0, kWorkstation, 0, 1, 4, false},
        LevelCase{"Windows7", 6, 1, kWorkstation, 0, 1, 5, false},
        LevelCase{"Windows8", 6, 2, kServer, 0, 1, 6, false},
        LevelCase{"Windows81", 6, 3, kWorkstation, 0, 1, 7, false},
        // The Windows 10 previews reported 6.4.
        LevelCase{"UnlistedMinor6", 6, 4, kWorkstation, 0, 1, 0, false},
        LevelCase{"Windows10", 10, 0, kWorkstation, 0, 1, 8, false},
        LevelCase{"AnyMinorOf10", 10, 7, kServer, 0, 1, 8, false},
        LevelCase{"Nt4", 4, 0, kWorkstation, 1, 0, 0, false},
        LevelCase{"Major11", 11, 0, kWorkstation, 0, 0, 0, false}),
    CaseName());

TEST_F(StandinTest, GetOsVersionLevelWithoutASnapshotIsFalseWithLevel0) {
  machine().ntdll_loaded = false;
  machine().get_version_ex_takes_extended = false;
  machine().get_version_ex_takes_plain = false;
  OsVersionLevel level = 77;
  EXPECT_EQ(GetOsVersionLevel(&level), 0);
  EXPECT_EQ(level, 0);
}

}  // namespace
