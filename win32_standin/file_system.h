// The simulated machine's files: an in-memory volume behind the stand-in's
// file calls (CreateFileW, WriteFile, SetFilePointer, SetEndOfFile, LockFile,
// UnlockFile, the file side of GetFileAttributesW and CloseHandle).
//
// Files hold raw bytes, so with the host's 16-bit WCHAR a test reads exactly
// the UTF-16LE bytes the code wrote. Paths compare without regard to case.
// A test can also make the volume misbehave: a file that appears or vanishes
// between an existence test and the open, a volume that fills up part-way
// through a write, a file system without byte-range locks, a lock that
// another process holds, and another process's record arriving while the
// code writes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace standin {

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

typedef std::vector<unsigned char> Bytes;

struct FileEntry {
  Bytes bytes;
  bool read_only = false;
  // The next existence test misses the file, as when another writer creates
  // it just after the test. Later tests see it.
  bool missed_by_next_test = false;
  // The next existence test sees the file, and it is deleted right after.
  bool vanishes_after_next_test = false;
};

// A record another process appends to `path`: it arrives once the file has
// been written to, and goes in at the end of the file as soon as no lock is
// held on the file, as an appender that takes a lock for each record would.
struct ArrivingRecord {
  std::string path;
  Bytes bytes;
  bool arrived = false;
};

struct FileSystem {
  std::map<std::string, FileEntry, NoCaseLess> files;
  // Directories other than drive roots, without a trailing backslash. A
  // drive root ("C:\") always exists.
  std::set<std::string, NoCaseLess> directories;
  // The files CreateFileW created, in order.
  std::vector<std::string> created;
  // What the volume can still take. A write that would grow the files by more
  // writes what fits and fails with ERROR_DISK_FULL.
  std::size_t free_bytes = SIZE_MAX;
  // LockFile fails with ERROR_INVALID_FUNCTION, as on a file system without
  // byte-range locks.
  bool locks_unsupported = false;
  // Files on which another process holds a lock, for this many milliseconds
  // of the clock (INFINITE: it never lets go). Every lock attempt on such a
  // file fails with ERROR_LOCK_VIOLATION meanwhile.
  std::map<std::string, DWORD, NoCaseLess> locked_elsewhere_ms;
  std::vector<ArrivingRecord> arriving_records;
  // GetTickCount: this start plus every millisecond slept through Sleep.
  DWORD tick_start = 0x10000;
};

FileSystem& TheFileSystem();

// An empty volume with no directories beyond the drive roots, no open files
// and no locks. Called by Reset().
void ResetFileSystem();

// For GetFileAttributesW: the attributes of a file or directory of the
// volume, or INVALID_FILE_ATTRIBUTES when there is none.
DWORD FileSystemAttributes(const std::string& path);

// For CloseHandle: forgets an open file handle, releasing its locks.
void CloseFile(HANDLE handle);

}  // namespace standin
