// The line log on a real volume under Wine: the exact bytes of the files it
// makes, the files it must leave alone, and several processes appending to one
// file at once.
//
// Started as "line_log_wine_tests --append <path> <writer> <records> <ready>
// <go>" it is one of those appending processes: it tells the semaphore
// <ready> that it is there, waits for the event <go>, appends its records and
// ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "launcher/launcher.h"

namespace {

typedef std::vector<unsigned char> Bytes;

const int kWriters = 4;
const int kRecordsPerWriter = 500;

// The text of a writer's record: its numbers, then a tail whose length varies
// from record to record, now and then far longer than a path or a page.
std::wstring RecordText(int writer, int record) {
  wchar_t head[48];
  std::swprintf(head, 48, L"writer %d record %04d ", writer, record);
  std::wstring text = head;
  std::size_t tail = record % 50 == 49 ? 6000 : static_cast<std::size_t>(record * 37 % 300);
  text.append(tail, static_cast<wchar_t>(L'a' + writer));
  return text;
}

int AppendRecords(const wchar_t* path, int writer, int records,
                  const wchar_t* ready_name, const wchar_t* go_name) {
  HANDLE ready = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, ready_name);
  HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, go_name);
  if (ready == nullptr || go == nullptr) return 2;
  ReleaseSemaphore(ready, 1, nullptr);
  DWORD waited = WaitForSingleObject(go, 60000);
  CloseHandle(ready);
  CloseHandle(go);
  if (waited != WAIT_OBJECT_0) return 3;
  for (int record = 0; record < records; ++record) {
    AppendLogLine(path, RecordText(writer, record).c_str());
  }
  return 0;
}

// A fresh directory of its own in the temporary directory, removed with what
// it holds at the end.
class TempDirectory {
 public:
  TempDirectory() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    wchar_t name[64];
    std::swprintf(name, 64, L"linelog-%lu-%lu", GetCurrentProcessId(), GetTickCount());
    path_ = std::wstring(temp) + name;
    created_ = CreateDirectoryW(path_.c_str(), nullptr) != 0;
  }
  ~TempDirectory() {
    for (const std::wstring& name : Names()) {
      std::wstring file = path_ + L"\\" + name;
      SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileW(file.c_str())) RemoveDirectoryW(file.c_str());
    }
    RemoveDirectoryW(path_.c_str());
  }
  bool created() const { return created_; }
  std::wstring Path(const std::wstring& name) const { return path_ + L"\\" + name; }
  const std::wstring& path() const { return path_; }

  std::set<std::wstring> Names() const {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.insert(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  }

 private:
  std::wstring path_;
  bool created_ = false;
};

bool ReadWholeFile(const std::wstring& path, Bytes* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD size = GetFileSize(file, nullptr);
  bytes->assign(size, 0);
  DWORD read = 0;
  bool ok = size == 0 || (ReadFile(file, bytes->data(), size, &read, nullptr) && read == size);
  CloseHandle(file);
  return ok;
}

bool WriteWholeFile(const std::wstring& path, const Bytes& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                      nullptr) && written == bytes.size();
  CloseHandle(file);
  return ok;
}

Bytes LogRecord(const std::string& ascii) {
  Bytes bytes;
  for (char c : ascii) {
    bytes.push_back(static_cast<unsigned char>(c));
    bytes.push_back(0);
  }
  bytes.insert(bytes.end(), {0x0D, 0x00, 0x0A, 0x00});
  return bytes;
}

TEST(LineLogOnDisk, CreatedFileHoldsExactlyTheRecords) {
  TempDirectory directory;
  ASSERT_TRUE(directory.created());
  std::wstring path = directory.Path(L"agent.log");
  const wchar_t line[] = {L'a', 0x00E9, 0x20AC, 0xD83D, 0xDE00, 0};

  AppendLogLine(path.c_str(), line);
  AppendLogLine(path.c_str(), L"");
  AppendLogLine(path.c_str(), L"b\r\n");

  Bytes bytes;
  ASSERT_TRUE(ReadWholeFile(path, &bytes));
  EXPECT_EQ(bytes, (Bytes{0x61, 0x00, 0xE9, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE,
                          0x0D, 0x00, 0x0A, 0x00,
                          0x0D, 0x00, 0x0A, 0x00,
                          0x62, 0x00, 0x0D, 0x00, 0x0A, 0x00, 0x0D, 0x00, 0x0A, 0x00}));
  EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST(LineLogOnDisk, AppendsToAnExistingFileAsItIs) {
  TempDirectory directory;
  ASSERT_TRUE(directory.created());
  std::wstring path = directory.Path(L"agent.log");
  Bytes before = {0xFF, 0xFE, 'o', 0, 'k'};
  ASSERT_TRUE(WriteWholeFile(path, before));

  AppendLogLine(path.c_str(), L"ab");

  Bytes bytes;
  ASSERT_TRUE(ReadWholeFile(path, &bytes));
  Bytes expected = before;
  Bytes record = LogRecord("ab");
  expected.insert(expected.end(), record.begin(), record.end());
  EXPECT_EQ(bytes, expected);
}

TEST(LineLogOnDisk, PathOfExactly255CharactersIsUsedAndLongerIsRefused) {
  TempDirectory directory;
  ASSERT_TRUE(directory.created());
  std::size_t name_length = 255 - directory.path().size() - 1;
  std::wstring name_255(name_length, L'n');
  std::wstring name_256(name_length + 1, L'm');

  AppendLogLine(directory.Path(name_255).c_str(), L"ab");
  AppendLogLine(directory.Path(name_256).c_str(), L"ab");

  EXPECT_EQ(directory.Names(), std::set<std::wstring>{name_255});
  Bytes bytes;
  ASSERT_TRUE(ReadWholeFile(directory.Path(name_255), &bytes));
  EXPECT_EQ(bytes, LogRecord("ab"));
}

TEST(LineLogOnDisk, MakesNoFileWhereItCannotOpenOne) {
  TempDirectory directory;
  ASSERT_TRUE(directory.created());
  ASSERT_TRUE(CreateDirectoryW(directory.Path(L"sub").c_str(), nullptr));

  AppendLogLine(directory.Path(L"sub").c_str(), L"ab");
  AppendLogLine(directory.Path(L"missing\\agent.log").c_str(), L"ab");
  AppendLogLine(nullptr, L"ab");
  AppendLogLine(directory.Path(L"null-line.log").c_str(), nullptr);

  EXPECT_EQ(directory.Names(), std::set<std::wstring>{L"sub"});
}

TEST(LineLogOnDisk, LeavesAReadOnlyFileAsItIs) {
  TempDirectory directory;
  ASSERT_TRUE(directory.created());
  std::wstring path = directory.Path(L"read-only.log");
  ASSERT_TRUE(WriteWholeFile(path, LogRecord("kept")));
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));

  AppendLogLine(path.c_str(), L"ab");

  Bytes bytes;
  ASSERT_TRUE(ReadWholeFile(path, &bytes));
  EXPECT_EQ(bytes, LogRecord("kept"));
}

// What the appenders left in the shared file, record by record.
struct Tally {
  int intact = 0;
  int torn = 0;  // pieces between line ends that are no writer's record
  int lost = 0;
  int duplicated = 0;
  int out_of_order = 0;  // behind an earlier record of the same writer
  int writer_changes = 0;  // how often the next record is another writer's
  std::size_t bytes = 0;
};

Tally TallyRecords(const std::wstring& path) {
  Tally tally;
  Bytes bytes;
  if (!ReadWholeFile(path, &bytes)) {
    tally.lost = kWriters * kRecordsPerWriter;
    return tally;
  }
  tally.bytes = bytes.size();
  std::wstring text(bytes.size() / 2, L'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  if (bytes.size() % 2 != 0) ++tally.torn;

  std::map<std::wstring, std::pair<int, int>> expected;
  for (int writer = 0; writer < kWriters; ++writer) {
    for (int record = 0; record < kRecordsPerWriter; ++record) {
      expected[RecordText(writer, record)] = {writer, record};
    }
  }
  std::set<std::wstring> seen;
  std::vector<int> last_record(kWriters, -1);
  int last_writer = -1;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(L"\r\n", start);
    std::wstring record =
        text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    start = end == std::wstring::npos ? text.size() : end + 2;
    auto it = expected.find(record);
    if (end == std::wstring::npos || it == expected.end()) {
      ++tally.torn;
    } else if (!seen.insert(record).second) {
      ++tally.duplicated;
    } else {
      int writer = it->second.first;
      if (it->second.second <= last_record[writer]) ++tally.out_of_order;
      last_record[writer] = it->second.second;
      if (last_writer != -1 && writer != last_writer) ++tally.writer_changes;
      last_writer = writer;
    }
  }
  tally.intact = static_cast<int>(seen.size());
  tally.lost = kWriters * kRecordsPerWriter - tally.intact;
  return tally;
}

void ExpectEveryRecordWhole(const char* writers, const std::wstring& path,
                            DWORD elapsed_ms) {
  Tally tally = TallyRecords(path);
  std::printf("line log, %d %s appending at once: records %d, intact %d, torn %d, "
              "lost %d, duplicated %d, out of order %d, writer changes %d, "
              "file %lu bytes, %lu ms\n",
              kWriters, writers, kWriters * kRecordsPerWriter, tally.intact, tally.torn,
              tally.lost, tally.duplicated, tally.out_of_order, tally.writer_changes,
              static_cast<unsigned long>(tally.bytes),
              static_cast<unsigned long>(elapsed_ms));
  std::fflush(stdout);
  EXPECT_EQ(tally.torn, 0);
  EXPECT_EQ(tally.lost, 0);
  EXPECT_EQ(tally.duplicated, 0);
  EXPECT_EQ(tally.out_of_order, 0);
}

TEST(LineLogUnderContention, ProcessesAppendingAtOnceKeepEveryRecordWhole) {
  TempDirectory directory;
  ASSERT_TRUE(directory.created());
  std::wstring path = directory.Path(L"shared.log");
  wchar_t ready_name[64];
  wchar_t go_name[64];
  std::swprintf(ready_name, 64, L"Local\\linelog-ready-%lu", GetCurrentProcessId());
  std::swprintf(go_name, 64, L"Local\\linelog-go-%lu", GetCurrentProcessId());
  HANDLE ready = CreateSemaphoreW(nullptr, 0, kWriters, ready_name);
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, go_name);
  ASSERT_NE(ready, nullptr);
  ASSERT_NE(go, nullptr);
  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);

  std::vector<HANDLE> writers;
  for (int writer = 0; writer < kWriters; ++writer) {
    wchar_t numbers[32];
    std::swprintf(numbers, 32, L" %d %d ", writer, kRecordsPerWriter);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --append \"" + path +
                           L"\"" + numbers + ready_name + L" " + go_name;
    std::vector<wchar_t> command_line(command.begin(), command.end());
    command_line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE,
                               0, nullptr, nullptr, &startup, &process));
    CloseHandle(process.hThread);
    writers.push_back(process.hProcess);
  }
  // The writers start appending together, once all of them are there.
  for (int writer = 0; writer < kWriters; ++writer) {
    ASSERT_EQ(WaitForSingleObject(ready, 60000), WAIT_OBJECT_0);
  }
  DWORD started = GetTickCount();
  SetEvent(go);
  ASSERT_EQ(WaitForMultipleObjects(static_cast<DWORD>(writers.size()), writers.data(),
                                   TRUE, 300000),
            WAIT_OBJECT_0);
  DWORD elapsed = GetTickCount() - started;
  for (HANDLE writer : writers) {
    DWORD exit_code = 99;
    GetExitCodeProcess(writer, &exit_code);
    EXPECT_EQ(exit_code, 0u);
    CloseHandle(writer);
  }
  CloseHandle(ready);
  CloseHandle(go);

  ExpectEveryRecordWhole("processes", path, elapsed);
}

struct ThreadWriter {
  const wchar_t* path;
  int writer;
  HANDLE go;
};

DWORD WINAPI AppendFromThread(LPVOID parameter) {
  const ThreadWriter* writer = static_cast<const ThreadWriter*>(parameter);
  WaitForSingleObject(writer->go, INFINITE);
  for (int record = 0; record < kRecordsPerWriter; ++record) {
    AppendLogLine(writer->path, RecordText(writer->writer, record).c_str());
  }
  return 0;
}

TEST(LineLogUnderContention, ThreadsAppendingAtOnceKeepEveryRecordWhole) {
  TempDirectory directory;
  ASSERT_TRUE(directory.created());
  std::wstring path = directory.Path(L"shared.log");
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(go, nullptr);
  std::vector<ThreadWriter> parameters;
  for (int writer = 0; writer < kWriters; ++writer) {
    parameters.push_back(ThreadWriter{path.c_str(), writer, go});
  }
  std::vector<HANDLE> threads;
  for (ThreadWriter& parameter : parameters) {
    HANDLE thread = CreateThread(nullptr, 0, AppendFromThread, &parameter, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    threads.push_back(thread);
  }
  DWORD started = GetTickCount();
  SetEvent(go);
  ASSERT_EQ(WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(),
                                   TRUE, 300000),
            WAIT_OBJECT_0);
  DWORD elapsed = GetTickCount() - started;
  for (HANDLE thread : threads) CloseHandle(thread);
  CloseHandle(go);

  ExpectEveryRecordWhole("threads", path, elapsed);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 7 && std::wstring(argv[1]) == L"--append") {
    return AppendRecords(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), argv[5], argv[6]);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
