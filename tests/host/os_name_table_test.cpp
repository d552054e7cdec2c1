#include <cstring>
#include <set>

#include "osinfo/osinfo.h"
#include "standin_fixture.h"

namespace {

const char kLongestName[] = "Windows 2003 Data Center 64 bit Edition(Itanium Based)";

std::vector<WCHAR> Filled(std::size_t count) { return std::vector<WCHAR>(count, L'#'); }

TEST(OsNameTable, HoldsEveryCodeAndEveryNameOnce) {
  DWORD rows = 0;
  const OsNameEntry* table = GetOsNameTable(&rows);
  ASSERT_EQ(rows, 43u);
  std::set<OsVersionCode> codes;
  std::set<std::string> names;
  std::size_t longest = 0;
  for (DWORD i = 0; i < rows; ++i) {
    codes.insert(table[i].code);
    std::string name = standin::Narrow(table[i].name);
    names.insert(name);
    longest = std::max(longest, name.size());
  }
  EXPECT_EQ(names.size(), 43u);
  ASSERT_EQ(codes.size(), 43u);
  EXPECT_EQ(*codes.begin(), 50001);
  EXPECT_EQ(*codes.rbegin(), 50043);
  EXPECT_EQ(longest, 54u);
  EXPECT_EQ(GetOsVersionCodeFromName(Wide(kLongestName).data()), 50003);
}

TEST(OsNameTable, EveryNameLeadsBackToItsCode) {
  for (OsVersionCode code = 50001; code <= 50043; ++code) {
    WCHAR name[55];
    ASSERT_EQ(GetOsVersionName(code, name, 55), 1) << code;
    EXPECT_EQ(GetOsVersionCodeFromName(name), code) << standin::Narrow(name);
  }
}

struct NameCase {
  const char* name;
  std::string text;
  OsVersionCode expected;
};

class GetOsVersionCodeFromNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(GetOsVersionCodeFromNameTest, MatchesWholeNamesExactly) {
  EXPECT_EQ(GetOsVersionCodeFromName(Wide(GetParam().text).data()),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, GetOsVersionCodeFromNameTest,
    ::testing::Values(
        NameCase{"Exact", "Windows 7", 50032},
        NameCase{"LowerCase", "windows 7", 0},
        NameCase{"TrailingSpace", "Windows 7 ", 0},
        NameCase{"LeadingSpace", " Windows 7", 0},
        NameCase{"Prefix", "Windows", 0},
        NameCase{"Empty", "", 0},
        NameCase{"AdvanceAsWritten", "Windows 2000 Advance Server", 50018},
        NameCase{"AdvancedIsNotAName", "Windows 2000 Advanced Server", 0},
        NameCase{"NoSpaceBeforeParenthesis",
                 "Windows 2003 Enterprise 64 bit Edition(AMD Based)", 50006},
        NameCase{"SpaceBeforeParenthesis",
                 "Windows 2003 Enterprise 64 bit Edition (AMD Based)", 0},
        NameCase{"LongerThanAnyName", std::string(kLongestName) + "x", 0}),
    CaseName());

TEST(GetOsVersionCodeFromName, NullNameIsNoName) {
  EXPECT_EQ(GetOsVersionCodeFromName(nullptr), 0);
}

struct CopyCase {
  const char* name;
  OsVersionCode code;
  DWORD capacity;
  BYTE expected_result;
  bool buffer_touched;
  std::string expected_text;  // when touched
};

class GetOsVersionNameTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(GetOsVersionNameTest, CopiesTheNameOrSaysWhyNot) {
  const CopyCase& c = GetParam();
  std::vector<WCHAR> buffer = Filled(64);
  EXPECT_EQ(GetOsVersionName(c.code, buffer.data(), c.capacity), c.expected_result);
  if (!c.buffer_touched) {
    EXPECT_EQ(buffer, Filled(64));
    return;
  }
  EXPECT_EQ(standin::Narrow(buffer.data()), c.expected_text);
  std::size_t end = c.expected_text.size() + 1;
  EXPECT_EQ(std::vector<WCHAR>(buffer.begin() + end, buffer.end()), Filled(64 - end))
      << "written past the terminator";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetOsVersionNameTest,
    ::testing::Values(
        CopyCase{"FitsExactly", 50032, 10, 1, true, "Windows 7"},
        CopyCase{"OneShortIsCut", 50032, 9, 0, true, "Windows "},
        CopyCase{"LongestNameFits", 50003, 55, 1, true, kLongestName},
        CopyCase{"LongestNameOneShort", 50003, 54, 0, true,
                 std::string(kLongestName).substr(0, 53)},
        CopyCase{"CapacityOneHoldsOnlyTheTerminator", 50032, 1, 0, true, ""},
        CopyCase{"CodeZero", 0, 64, 0, false, ""},
        CopyCase{"CodeBelowTheRange", 50000, 64, 0, false, ""},
        CopyCase{"CodeAboveTheRange", 50044, 64, 0, false, ""},
        CopyCase{"CapacityZero", 50032, 0, 0, false, ""},
        // A negative count passed as unsigned.
        CopyCase{"CapacityAboveTheLimit", 50032, 0x80000000u, 0, false, ""},
        CopyCase{"CapacityMinusOne", 50032, 0xFFFFFFFFu, 0, false, ""}),
    CaseName());

TEST(GetOsVersionName, NullBufferIsRefused) {
  EXPECT_EQ(GetOsVersionName(50032, nullptr, 64), 0);
}

struct BoundedCase {
  const char* name;
  std::string source;
  DWORD capacity;
  LONG expected_status;
  std::string expected_text;  // empty with an untouched buffer on E_INVALIDARG
};

class CopyStringBoundedTest : public ::testing::TestWithParam<BoundedCase> {};

TEST_P(CopyStringBoundedTest, NeverWritesPastTheCapacity) {
  const BoundedCase& c = GetParam();
  std::vector<WCHAR> buffer = Filled(16);
  EXPECT_EQ(CopyStringBounded(buffer.data(), c.capacity, Wide(c.source).data()),
            c.expected_status);
  if (c.expected_status == static_cast<LONG>(0x80070057)) {
    EXPECT_EQ(buffer, Filled(16));
    return;
  }
  EXPECT_EQ(standin::Narrow(buffer.data()), c.expected_text);
  std::size_t end = c.expected_text.size() + 1;
  EXPECT_EQ(std::vector<WCHAR>(buffer.begin() + end, buffer.end()), Filled(16 - end));
}

INSTANTIATE_TEST_SUITE_P(
    Capacities, CopyStringBoundedTest,
    ::testing::Values(
        BoundedCase{"Zero", "abc", 0, static_cast<LONG>(0x80070057), ""},
        BoundedCase{"One", "abc", 1, static_cast<LONG>(0x8007007A), ""},
        BoundedCase{"ExactlyFitting", "abc", 4, 0, "abc"},
        BoundedCase{"OneShort", "abc", 3, static_cast<LONG>(0x8007007A), "ab"},
        BoundedCase{"Roomy", "abc", 12, 0, "abc"},
        BoundedCase{"EmptySource", "", 1, 0, ""},
        BoundedCase{"LargestAccepted", "abc", 0x7FFFFFFFu, 0, "abc"},
        BoundedCase{"AboveTheLimit", "abc", 0x80000000u,
                    static_cast<LONG>(0x80070057), ""}),
    CaseName());

TEST(CopyStringBounded, RefusesNullPointersWithoutTouchingAnything) {
  std::vector<WCHAR> buffer = Filled(4);
  EXPECT_EQ(CopyStringBounded(buffer.data(), 4, nullptr), static_cast<LONG>(0x80070057));
  EXPECT_EQ(buffer, Filled(4));
  EXPECT_EQ(CopyStringBounded(nullptr, 4, L"abc"), static_cast<LONG>(0x80070057));
}

}  // namespace
