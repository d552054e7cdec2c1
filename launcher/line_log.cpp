// The line log: one UTF-16LE record per call, line then CR LF, appended under
// a byte-range lock that every appender takes, so that no other appender's
// record can fall inside it. Appending at the end alone does not give that:
// the line and its line end are two writes, and Wine (8.0 at least) and
// network redirectors place a write at the end the writer last saw, not at
// the end of the moment.
#include "launcher/launcher.h"
#include "launcher/wide_text.h"

namespace {

// Appenders take turns through one byte that no log holds: the last below
// 4 GiB, past the largest file FAT32 can hold, and within the 32-bit offsets
// that Windows 9x and older file servers lock. A lock over the data itself
// would make readers of the log fail while a record is being written.
const DWORD kRecordLockOffsetLow = 0xFFFFFFFFu;
const DWORD kRecordLockOffsetHigh = 0;
const DWORD kRecordLockBytes = 1;

// How long to wait for other appenders before giving up on the record. A
// holder that crashed loses its lock with its handle, but a hung one, or a
// client cut off from the file server, keeps it for minutes. LockFile, unlike
// a waiting LockFileEx, returns at once, and exists on Windows 9x too.
const DWORD kRecordLockWaitMs = 5000;
const DWORD kRecordLockRetryMs = 1;

// The record's byte count must fit in a DWORD.
const DWORD kMaxLineChars = (0xFFFFFFFFu - 4) / 2;

const WCHAR kLineEnd[] = {L'\r', L'\n'};

enum class RecordLock { kHeld, kUnsupported, kBusy };

RecordLock LockRecords(HANDLE file) {
  DWORD started = GetTickCount();
  for (;;) {
    if (LockFile(file, kRecordLockOffsetLow, kRecordLockOffsetHigh,
                 kRecordLockBytes, 0)) {
      return RecordLock::kHeld;
    }
    DWORD error = GetLastError();
    if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
        error == ERROR_CALL_NOT_IMPLEMENTED) {
      return RecordLock::kUnsupported;  // no appender can lock here
    }
    // Tick counts wrap after 49.7 days; the difference does not care.
    if (GetTickCount() - started >= kRecordLockWaitMs) {
      return RecordLock::kBusy;
    }
    Sleep(kRecordLockRetryMs);
  }
}

bool WriteAll(HANDLE file, const void* bytes, DWORD count) {
  if (count == 0) {
    return true;
  }
  DWORD written = 0;
  return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

// SetFilePointer's answer, which is ambiguous for files of 4 GiB and more.
bool MoveFilePointer(HANDLE file, DWORD low, LONG* high, DWORD method,
                     DWORD* new_low) {
  SetLastError(NO_ERROR);
  *new_low = SetFilePointer(file, static_cast<LONG>(low), high, method);
  return *new_low != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR;
}

// Writes the record at the end of the file. When it does not go out whole
// (the volume is full, say) and the lock keeps other appenders out, its
// remains are cut off again, so that the next record does not run on from
// them.
void WriteRecord(HANDLE file, LPCWSTR line, DWORD line_bytes, bool locked) {
  LONG end_high = 0;
  DWORD end_low = 0;
  if (!MoveFilePointer(file, 0, &end_high, FILE_END, &end_low)) {
    return;
  }
  if (WriteAll(file, line, line_bytes) &&
      WriteAll(file, kLineEnd, sizeof(kLineEnd))) {
    return;
  }
  DWORD ignored = 0;
  if (locked && MoveFilePointer(file, end_low, &end_high, FILE_BEGIN, &ignored)) {
    SetEndOfFile(file);
  }
}

}  // namespace

void AppendLogLine(LPCWSTR path, LPCWSTR line) {
  if (path == nullptr || line == nullptr) {
    return;
  }
  WCHAR log_path[kLogPathChars] = {};
  if (!CopyText(log_path, kLogPathChars, path)) {
    return;
  }
  DWORD line_chars = 0;
  while (line[line_chars] != L'\0') {
    if (line_chars == kMaxLineChars) {
      return;
    }
    ++line_chars;
  }

  // A directory exists too, and then the open fails. Both opens leave what
  // the file holds: a file that turns up after the test is appended to.
  DWORD attributes = GetFileAttributesW(log_path);
  bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  // Wine run by root opens a read-only file for writing all the same.
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return;
  }
  HANDLE file = CreateFileW(log_path, GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            exists ? OPEN_EXISTING : OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  RecordLock lock = LockRecords(file);
  // A lock that stays taken may belong to an appender stopped half-way
  // through its record; writing now would split that record.
  if (lock != RecordLock::kBusy) {
    WriteRecord(file, line, line_chars * static_cast<DWORD>(sizeof(WCHAR)),
                lock == RecordLock::kHeld);
  }
  if (lock == RecordLock::kHeld) {
    UnlockFile(file, kRecordLockOffsetLow, kRecordLockOffsetHigh,
               kRecordLockBytes, 0);
  }
  CloseHandle(file);
}
