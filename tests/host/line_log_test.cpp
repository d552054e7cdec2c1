// The line log against the simulated volume: the bytes it leaves, the files it
// must leave alone, and records that stay whole when the volume fills up or
// another appender writes at the same time.
#include <functional>
#include <map>
#include <numeric>
#include <optional>

#include "file_system.h"
#include "launcher/launcher.h"
#include "standin_fixture.h"

namespace {

using standin::Bytes;
using standin::FileSystem;

const std::string kLog = "C:\\Logs\\agent.log";

Bytes Utf16(const std::string& text) {
  Bytes bytes;
  for (char c : text) {
    bytes.push_back(static_cast<unsigned char>(c));
    bytes.push_back(0);
  }
  return bytes;
}

Bytes LogRecord(const std::string& line) {
  Bytes bytes = Utf16(line);
  bytes.insert(bytes.end(), {0x0D, 0x00, 0x0A, 0x00});
  return bytes;
}

Bytes Joined(std::initializer_list<Bytes> parts) {
  Bytes joined;
  for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

void Append(const std::string& path, const std::string& line) {
  AppendLogLine(Wide(path).data(), Wide(line).data());
}

class LineLogTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    fs().directories.insert("C:\\Logs");
  }

  FileSystem& fs() { return standin::TheFileSystem(); }

  std::map<std::string, Bytes> Contents() {
    std::map<std::string, Bytes> contents;
    for (const auto& [path, file] : fs().files) contents[path] = file.bytes;
    return contents;
  }

  DWORD MillisecondsSlept() {
    return std::accumulate(trace().sleeps.begin(), trace().sleeps.end(), DWORD{0});
  }
};

// A path of exactly `length` characters in C:\Logs.
std::string LogPathOfLength(std::size_t length) {
  return PaddedText("C:\\Logs\\", length - 4) + ".log";
}

struct AppendCase {
  const char* name;
  std::string path;
  std::optional<Bytes> before;  // none: the file does not exist
  bool missed_by_test;          // it turns up between the test and the open
  std::vector<std::string> lines;
  Bytes after;
};

class AppendTest : public LineLogTest, public ::testing::WithParamInterface<AppendCase> {};

TEST_P(AppendTest, LeavesExactlyTheRecordsAfterWhatWasThere) {
  const AppendCase& c = GetParam();
  if (c.before) {
    fs().files[c.path].bytes = *c.before;
    fs().files[c.path].missed_by_next_test = c.missed_by_test;
  }

  for (const std::string& line : c.lines) Append(c.path, line);

  ASSERT_EQ(fs().files.count(c.path), 1u);
  EXPECT_EQ(fs().files[c.path].bytes, c.after);
  EXPECT_FALSE(fs().files[c.path].read_only);
  EXPECT_EQ(fs().created.size(), c.before ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppendTest,
    ::testing::Values(
        AppendCase{"NewFileStartsWithTheLineNoByteOrderMark", kLog, std::nullopt,
                   false, {"ab"}, {0x61, 0x00, 0x62, 0x00, 0x0D, 0x00, 0x0A, 0x00}},
        AppendCase{"SecondCallAppends", kLog, std::nullopt, false,
                   {"first", "second"},
                   Joined({LogRecord("first"), LogRecord("second")})},
        AppendCase{"EmptyLineAddsOnlyTheLineEnd", kLog, LogRecord("x"), false,
                   {""}, {'x', 0, 0x0D, 0, 0x0A, 0, 0x0D, 0, 0x0A, 0}},
        AppendCase{"LineBreaksInTheLineGoInUnchanged", kLog, std::nullopt, false,
                   {"a\r\nb\n"}, LogRecord("a\r\nb\n")},
        // Its encoding is not examined: an odd byte count and a byte-order
        // mark stay as they are.
        AppendCase{"ExistingContentIsKeptAsItIs", kLog,
                   Bytes{0xFF, 0xFE, 'o', 0, 'k'}, false, {"ab"},
                   Joined({Bytes{0xFF, 0xFE, 'o', 0, 'k'}, LogRecord("ab")})},
        AppendCase{"FileTurningUpAfterTheTestIsAppendedToNotOverwritten", kLog,
                   LogRecord("other writer"), true, {"ours"},
                   Joined({LogRecord("other writer"), LogRecord("ours")})},
        AppendCase{"PathOfExactly255Characters", LogPathOfLength(255),
                   std::nullopt, false, {"ab"}, LogRecord("ab")},
        AppendCase{"LineLongerThanAnyPathOrBuffer", kLog, std::nullopt, false,
                   {PaddedText("long", 5000)}, LogRecord(PaddedText("long", 5000))}),
    CaseName());

TEST_F(LineLogTest, WritesCodeUnitsLowByteFirst) {
  const WCHAR line[] = {0x00E9, 0x20AC, 0xD83D, 0xDE00, 0x0100, 0};
  AppendLogLine(Wide(kLog).data(), line);
  EXPECT_EQ(fs().files[kLog].bytes,
            (Bytes{0xE9, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0x01,
                   0x0D, 0x00, 0x0A, 0x00}));
}

// The opens let others read and write the file meanwhile, never delete it.
TEST_F(LineLogTest, SharesReadAndWriteButNotDeleteAndCreatesNoReadOnlyFile) {
  Append(kLog, "new");
  Append(kLog, "existing");
  std::vector<std::string> opens;
  for (const std::string& call : trace().calls) {
    if (call.rfind("CreateFileW", 0) == 0) opens.push_back(call);
  }
  // access, sharing, disposition, attributes
  EXPECT_THAT(opens, ::testing::ElementsAre(
                         ::testing::EndsWith(" 0xC0000000 0x3 4 0x80"),
                         ::testing::EndsWith(" 0xC0000000 0x3 3 0x80")));
}

TEST_F(LineLogTest, AppendsWhileAnotherProcessHasTheFileOpenForReadAndWrite) {
  fs().files[kLog].bytes = LogRecord("one");
  HANDLE reader = CreateFileW(Wide(kLog).data(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  Append(kLog, "two");
  CloseHandle(reader);
  EXPECT_EQ(fs().files[kLog].bytes, Joined({LogRecord("one"), LogRecord("two")}));
}

struct NothingWrittenCase {
  const char* name;
  std::function<void(FileSystem&)> arrange;
  std::optional<std::string> path;  // none: a null pointer
  std::optional<std::string> line;
};

class NothingWrittenTest : public LineLogTest,
                           public ::testing::WithParamInterface<NothingWrittenCase> {};

TEST_P(NothingWrittenTest, LeavesEveryFileAsItWas) {
  const NothingWrittenCase& c = GetParam();
  c.arrange(fs());
  std::map<std::string, Bytes> before = Contents();
  for (const auto& [name, file] : fs().files) {
    if (file.vanishes_after_next_test) before.erase(name);
  }

  std::vector<WCHAR> path = Wide(c.path.value_or(""));
  std::vector<WCHAR> line = Wide(c.line.value_or(""));
  AppendLogLine(c.path ? path.data() : nullptr, c.line ? line.data() : nullptr);

  EXPECT_EQ(Contents(), before);
  EXPECT_THAT(fs().created, ::testing::IsEmpty());
}

const std::string kPath256 = LogPathOfLength(256);

INSTANTIATE_TEST_SUITE_P(
    Cases, NothingWrittenTest,
    ::testing::Values(
        NothingWrittenCase{"PathNamesADirectory", [](FileSystem&) {}, "C:\\Logs", "ab"},
        NothingWrittenCase{"ParentDirectoryMissing", [](FileSystem&) {},
                           "C:\\Missing\\agent.log", "ab"},
        NothingWrittenCase{"ReadOnlyFile",
                           [](FileSystem& fs) {
                             fs.files[kLog].bytes = LogRecord("kept");
                             fs.files[kLog].read_only = true;
                           },
                           kLog, "ab"},
        NothingWrittenCase{"ReadOnlyFileTurningUpAfterTheTest",
                           [](FileSystem& fs) {
                             fs.files[kLog].bytes = LogRecord("kept");
                             fs.files[kLog].read_only = true;
                             fs.files[kLog].missed_by_next_test = true;
                           },
                           kLog, "ab"},
        // Gone between the test and the open: not made anew either.
        NothingWrittenCase{"FileVanishingAfterTheTest",
                           [](FileSystem& fs) {
                             fs.files[kLog].bytes = LogRecord("old");
                             fs.files[kLog].vanishes_after_next_test = true;
                           },
                           kLog, "ab"},
        // One character too many for the path buffer, in a directory that
        // exists: a cut path would name another file.
        NothingWrittenCase{"PathOf256Characters", [](FileSystem&) {}, kPath256, "ab"},
        NothingWrittenCase{"PathOf256CharactersWhoseCutFormExists",
                           [](FileSystem& fs) {
                             fs.files[kPath256.substr(0, 255)].bytes = LogRecord("x");
                           },
                           kPath256, "ab"},
        NothingWrittenCase{"NullPath",
                           [](FileSystem& fs) { fs.files[kLog].bytes = LogRecord("x"); },
                           std::nullopt, "ab"},
        NothingWrittenCase{"NullLine",
                           [](FileSystem& fs) { fs.files[kLog].bytes = LogRecord("x"); },
                           kLog, std::nullopt}),
    CaseName());

TEST_F(LineLogTest, RefusesOverlongPathsWithoutTouchingTheFileSystem) {
  Append(kPath256, "ab");
  Append(LogPathOfLength(2000), "ab");
  EXPECT_EQ(standin::CountCalls("GetFileAttributesW"), 0);
  EXPECT_EQ(standin::CountCalls("CreateFileW"), 0);
}

// Another appender's record that arrives while ours is being written goes in
// before or after ours, never inside it.
struct ConcurrentCase {
  const char* name;
  std::optional<Bytes> before;
  std::string line;
};

class ConcurrentAppenderTest : public LineLogTest,
                               public ::testing::WithParamInterface<ConcurrentCase> {};

TEST_P(ConcurrentAppenderTest, KeepsBothRecordsWhole) {
  const ConcurrentCase& c = GetParam();
  if (c.before) fs().files[kLog].bytes = *c.before;
  fs().arriving_records.push_back({kLog, LogRecord("theirs"), false});

  Append(kLog, c.line);

  EXPECT_EQ(fs().files[kLog].bytes,
            Joined({c.before.value_or(Bytes{}), LogRecord(c.line), LogRecord("theirs")}));
  EXPECT_THAT(fs().arriving_records, ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConcurrentAppenderTest,
    ::testing::Values(ConcurrentCase{"ShortLineToExistingFile", LogRecord("old"), "ours"},
                      ConcurrentCase{"ShortLineToNewFile", std::nullopt, "ours"},
                      ConcurrentCase{"LongLine", LogRecord("old"), PaddedText("ours", 70000)}),
    CaseName());

// The volume fills up part-way through the record: what was written of it is
// cut off again, so that the next record does not run on from its remains.
struct ShortWriteCase {
  const char* name;
  std::size_t free_bytes;
  bool whole;
};

class ShortWriteTest : public LineLogTest,
                       public ::testing::WithParamInterface<ShortWriteCase> {};

TEST_P(ShortWriteTest, LeavesOnlyWholeRecords) {
  const ShortWriteCase& c = GetParam();
  fs().files[kLog].bytes = LogRecord("old");
  fs().free_bytes = c.free_bytes;

  Append(kLog, "abcd");  // 8 bytes and 4 of line end

  Bytes expected = LogRecord("old");
  if (c.whole) expected = Joined({expected, LogRecord("abcd")});
  EXPECT_EQ(fs().files[kLog].bytes, expected);

  fs().free_bytes = SIZE_MAX;
  Append(kLog, "next");
  expected = Joined({expected, LogRecord("next")});
  EXPECT_EQ(fs().files[kLog].bytes, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortWriteTest,
    ::testing::Values(ShortWriteCase{"NoRoomAtAll", 0, false},
                      ShortWriteCase{"LineCutShort", 5, false},
                      ShortWriteCase{"LineEndCutShort", 10, false},
                      ShortWriteCase{"ExactlyEnoughRoom", 12, true}),
    CaseName());

TEST_F(LineLogTest, ShortWriteIntoANewFileLeavesItEmpty) {
  fs().free_bytes = 3;
  Append(kLog, "ab");
  EXPECT_EQ(fs().files[kLog].bytes, Bytes{});
}

// Another appender holds the record lock. The wait for it is bounded, also
// when the tick count wraps meanwhile.
struct LockWaitCase {
  const char* name;
  DWORD tick_start;
  DWORD held_ms;
  bool written;
};

class LockWaitTest : public LineLogTest,
                     public ::testing::WithParamInterface<LockWaitCase> {};

TEST_P(LockWaitTest, WaitsForTheHolderButNotForever) {
  const LockWaitCase& c = GetParam();
  fs().tick_start = c.tick_start;
  fs().files[kLog].bytes = LogRecord("old");
  fs().locked_elsewhere_ms[kLog] = c.held_ms;

  Append(kLog, "ours");

  Bytes expected = LogRecord("old");
  if (c.written) {
    expected = Joined({expected, LogRecord("ours")});
    EXPECT_GE(MillisecondsSlept(), c.held_ms);
    EXPECT_LT(MillisecondsSlept(), c.held_ms + 100);
  } else {
    // Long enough for a holder that is merely slow, short enough for a caller.
    EXPECT_GE(MillisecondsSlept(), 1000u);
    EXPECT_LE(MillisecondsSlept(), 30000u);
  }
  EXPECT_EQ(fs().files[kLog].bytes, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LockWaitTest,
    ::testing::Values(LockWaitCase{"ReleasedSoon", 0x10000, 300, true},
                      LockWaitCase{"ReleasedSoonAsTheTickCountWraps", 0xFFFFFF00u, 300, true},
                      LockWaitCase{"ReleasedJustInTime", 0x10000, 4000, true},
                      LockWaitCase{"NeverReleased", 0x10000, INFINITE, false},
                      LockWaitCase{"NeverReleasedAsTheTickCountWraps", 0xFFFFFF00u,
                                   INFINITE, false}),
    CaseName());

// Where the file system cannot lock there is no appender to wait for.
TEST_F(LineLogTest, WritesWithoutWaitingWhereTheFileSystemCannotLock) {
  fs().locks_unsupported = true;
  Append(kLog, "one");
  Append(kLog, "two");
  EXPECT_EQ(fs().files[kLog].bytes, Joined({LogRecord("one"), LogRecord("two")}));
  EXPECT_THAT(trace().sleeps, ::testing::IsEmpty());
}

}  // namespace
