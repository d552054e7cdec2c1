#include "file_system.h"

#include "machine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace standin {
namespace {

struct OpenFile {
  std::string path;
  DWORD access = 0;  // FILE_READ_DATA, FILE_WRITE_DATA, FILE_APPEND_DATA
  DWORD share = 0;
  std::uint64_t position = 0;
};

struct Lock {
  std::uintptr_t handle;
  std::string path;
  std::uint64_t start;
  std::uint64_t end;  // one past the last byte
};

FileSystem g_file_system;
std::map<std::uintptr_t, OpenFile> g_open_files;
std::vector<Lock> g_locks;


std::string WithoutTrailingBackslash(const std::string& path) {
  return path.size() > 1 && path.back() == '\\'
             ? path.substr(0, path.size() - 1)
             : path;
}

bool IsDriveRoot(const std::string& path) {
  return path.size() == 2 && path[1] == ':';
}

bool IsDirectory(const std::string& path) {
  std::string bare = WithoutTrailingBackslash(path);
  return IsDriveRoot(bare) || g_file_system.directories.count(bare) > 0;
}

bool ParentExists(const std::string& path) {
  std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return true;  // the current directory
  return IsDirectory(path.substr(0, slash));
}

OpenFile* FindOpenFile(HANDLE handle, const std::string& call) {
  auto it = g_open_files.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == g_open_files.end() || HandleKind(handle) != "file") {
    TheTrace().misuses.push_back(call + " on a handle that is no open file");
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &it->second;
}

DWORD SpecificAccess(DWORD desired) {
  DWORD access = desired & (FILE_READ_DATA | FILE_WRITE_DATA | FILE_APPEND_DATA);
  if (desired & GENERIC_READ) access |= FILE_READ_DATA;
  if (desired & GENERIC_WRITE) access |= FILE_WRITE_DATA | FILE_APPEND_DATA;
  return access;
}

bool Writes(DWORD access) {
  return (access & (FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
}

// Whether an open with `access` and `share` agrees with the handles already
// open on `path`, both ways.
bool SharingAllows(const std::string& path, DWORD access, DWORD share) {
  for (const auto& [value, open] : g_open_files) {
    if (!SameName(open.path, path)) continue;
    if ((access & FILE_READ_DATA) && !(open.share & FILE_SHARE_READ)) return false;
    if (Writes(access) && !(open.share & FILE_SHARE_WRITE)) return false;
    if ((open.access & FILE_READ_DATA) && !(share & FILE_SHARE_READ)) return false;
    if (Writes(open.access) && !(share & FILE_SHARE_WRITE)) return false;
  }
  return true;
}

bool LockedElsewhere(const std::string& path) {
  auto it = g_file_system.locked_elsewhere_ms.find(path);
  if (it == g_file_system.locked_elsewhere_ms.end()) return false;
  DWORD elapsed = GetTickCount() - g_file_system.tick_start;
  return it->second == INFINITE || elapsed < it->second;
}

bool AnyLockOn(const std::string& path) {
  for (const Lock& lock : g_locks) {
    if (SameName(lock.path, path)) return true;
  }
  return LockedElsewhere(path);
}

// Appends the records of other processes that have arrived at `path`, once
// nobody holds a lock on it.
void DeliverArrivedRecords(const std::string& path) {
  if (AnyLockOn(path)) return;
  auto& records = g_file_system.arriving_records;
  for (auto it = records.begin(); it != records.end();) {
    auto file = g_file_system.files.find(it->path);
    if (!it->arrived || !SameName(it->path, path) ||
        file == g_file_system.files.end()) {
      ++it;
      continue;
    }
    file->second.bytes.insert(file->second.bytes.end(), it->bytes.begin(),
                              it->bytes.end());
    it = records.erase(it);
  }
}

void TakeBackSpace(std::size_t bytes) {
  if (g_file_system.free_bytes != SIZE_MAX) g_file_system.free_bytes += bytes;
}

// A 64-bit offset or count from the two halves the lock calls take.
std::uint64_t Join(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

}  // namespace

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  return Lower(a) < Lower(b);
}

FileSystem& TheFileSystem() { return g_file_system; }

void ResetFileSystem() {
  g_file_system = FileSystem();
  g_open_files.clear();
  g_locks.clear();
}

DWORD FileSystemAttributes(const std::string& path) {
  if (IsDirectory(path)) return FILE_ATTRIBUTE_DIRECTORY;
  auto it = g_file_system.files.find(path);
  if (it == g_file_system.files.end()) return INVALID_FILE_ATTRIBUTES;
  FileEntry& file = it->second;
  if (file.missed_by_next_test) {
    file.missed_by_next_test = false;
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = file.read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
  if (file.vanishes_after_next_test) {
    TakeBackSpace(file.bytes.size());
    g_file_system.files.erase(it);
  }
  return attributes;
}

void CloseFile(HANDLE handle) {
  std::uintptr_t value = reinterpret_cast<std::uintptr_t>(handle);
  auto it = g_open_files.find(value);
  if (it == g_open_files.end()) return;
  std::string path = it->second.path;
  g_open_files.erase(it);
  g_locks.erase(std::remove_if(g_locks.begin(), g_locks.end(),
                               [&](const Lock& lock) { return lock.handle == value; }),
                g_locks.end());
  DeliverArrivedRecords(path);
}

}  // namespace standin

using namespace standin;

extern "C" {

HANDLE WINAPI CreateFileW(LPCWSTR file_name, DWORD desired_access,
                          DWORD share_mode, LPSECURITY_ATTRIBUTES,
                          DWORD creation_disposition, DWORD flags_and_attributes,
                          HANDLE) {
  std::string path = file_name == nullptr ? "(null)" : Narrow(file_name);
  Record("CreateFileW " + path + " " + Hex(desired_access) + " " +
         Hex(share_mode) + " " + std::to_string(creation_disposition) + " " +
         Hex(flags_and_attributes));
  DWORD access = SpecificAccess(desired_access);
  if (file_name == nullptr || !ParentExists(path)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (IsDirectory(path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  auto it = g_file_system.files.find(path);
  DWORD error = NO_ERROR;
  if (it != g_file_system.files.end()) {
    FileEntry& file = it->second;
    if (creation_disposition == CREATE_NEW) {
      SetLastError(ERROR_FILE_EXISTS);
      return INVALID_HANDLE_VALUE;
    }
    if (file.read_only && Writes(access)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    if (!SharingAllows(path, access, share_mode)) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return INVALID_HANDLE_VALUE;
    }
    if (creation_disposition == CREATE_ALWAYS ||
        creation_disposition == TRUNCATE_EXISTING) {
      TakeBackSpace(file.bytes.size());
      file.bytes.clear();
    }
    if (creation_disposition == CREATE_ALWAYS ||
        creation_disposition == OPEN_ALWAYS) {
      error = ERROR_ALREADY_EXISTS;
    }
  } else {
    if (creation_disposition == OPEN_EXISTING ||
        creation_disposition == TRUNCATE_EXISTING) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    FileEntry file;
    file.read_only = (flags_and_attributes & FILE_ATTRIBUTE_READONLY) != 0;
    g_file_system.files[path] = file;
    g_file_system.created.push_back(path);
  }
  HANDLE handle = OpenTrackedHandle("file");
  OpenFile open;
  open.path = path;
  open.access = access;
  open.share = share_mode;
  g_open_files[reinterpret_cast<std::uintptr_t>(handle)] = open;
  SetLastError(error);
  return handle;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytes_to_write,
                      LPDWORD bytes_written, LPOVERLAPPED overlapped) {
  Record("WriteFile " + std::to_string(bytes_to_write));
  if (bytes_written != nullptr) *bytes_written = 0;
  OpenFile* open = FindOpenFile(handle, "WriteFile");
  if (open == nullptr) return FALSE;
  if (overlapped != nullptr || bytes_written == nullptr) {
    TheTrace().misuses.push_back("WriteFile with arguments not modelled");
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!Writes(open->access)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  Bytes& bytes = g_file_system.files[open->path].bytes;
  // A handle with append access only writes at the end, whatever its position.
  std::uint64_t start =
      (open->access & FILE_WRITE_DATA) ? open->position : bytes.size();
  std::uint64_t end = start + bytes_to_write;
  for (const Lock& lock : g_locks) {
    if (lock.handle != reinterpret_cast<std::uintptr_t>(handle) &&
        SameName(lock.path, open->path) && lock.start < end && start < lock.end) {
      SetLastError(ERROR_LOCK_VIOLATION);
      return FALSE;
    }
  }
  std::uint64_t growth = end > bytes.size() ? end - bytes.size() : 0;
  DWORD count = bytes_to_write;
  if (growth > g_file_system.free_bytes) {
    count -= static_cast<DWORD>(growth - g_file_system.free_bytes);
    growth = g_file_system.free_bytes;
  }
  if (start + count > bytes.size()) bytes.resize(start + count);
  const unsigned char* source = static_cast<const unsigned char*>(buffer);
  std::copy(source, source + count, bytes.begin() + static_cast<std::ptrdiff_t>(start));
  if (g_file_system.free_bytes != SIZE_MAX) g_file_system.free_bytes -= growth;
  open->position = start + count;
  *bytes_written = count;
  for (ArrivingRecord& record : g_file_system.arriving_records) {
    if (SameName(record.path, open->path)) record.arrived = true;
  }
  DeliverArrivedRecords(open->path);
  if (count < bytes_to_write) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE handle, LONG distance, PLONG distance_high,
                            DWORD move_method) {
  Record("SetFilePointer " + std::to_string(distance) + " " +
         (distance_high ? std::to_string(*distance_high) : "(null)") + " " +
         std::to_string(move_method));
  OpenFile* open = FindOpenFile(handle, "SetFilePointer");
  if (open == nullptr) return INVALID_SET_FILE_POINTER;
  std::int64_t move =
      distance_high == nullptr
          ? distance
          : static_cast<std::int64_t>(
                (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distance_high)) << 32) |
                static_cast<std::uint32_t>(distance));
  std::int64_t base = 0;
  if (move_method == FILE_CURRENT) {
    base = static_cast<std::int64_t>(open->position);
  } else if (move_method == FILE_END) {
    base = static_cast<std::int64_t>(g_file_system.files[open->path].bytes.size());
  } else if (move_method != FILE_BEGIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (base + move < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  open->position = static_cast<std::uint64_t>(base + move);
  if (distance_high != nullptr) {
    *distance_high = static_cast<LONG>(open->position >> 32);
  }
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(open->position & 0xFFFFFFFFu);
}

BOOL WINAPI SetEndOfFile(HANDLE handle) {
  Record("SetEndOfFile");
  OpenFile* open = FindOpenFile(handle, "SetEndOfFile");
  if (open == nullptr) return FALSE;
  if (!(open->access & FILE_WRITE_DATA)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  Bytes& bytes = g_file_system.files[open->path].bytes;
  if (open->position < bytes.size()) {
    TakeBackSpace(bytes.size() - open->position);
  }
  bytes.resize(open->position);
  return TRUE;
}

BOOL WINAPI LockFile(HANDLE handle, DWORD offset_low, DWORD offset_high,
                     DWORD bytes_low, DWORD bytes_high) {
  std::uint64_t start = Join(offset_high, offset_low);
  std::uint64_t length = Join(bytes_high, bytes_low);
  Record("LockFile " + Hex(start) + " " + Hex(length));
  OpenFile* open = FindOpenFile(handle, "LockFile");
  if (open == nullptr) return FALSE;
  if (g_file_system.locks_unsupported) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
  if (length == 0 || start + length < start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (LockedElsewhere(open->path)) {
    SetLastError(ERROR_LOCK_VIOLATION);
    return FALSE;
  }
  for (const Lock& lock : g_locks) {
    if (SameName(lock.path, open->path) && lock.start < start + length &&
        start < lock.end) {
      SetLastError(ERROR_LOCK_VIOLATION);
      return FALSE;
    }
  }
  g_locks.push_back(
      Lock{reinterpret_cast<std::uintptr_t>(handle), open->path, start, start + length});
  return TRUE;
}

BOOL WINAPI UnlockFile(HANDLE handle, DWORD offset_low, DWORD offset_high,
                       DWORD bytes_low, DWORD bytes_high) {
  std::uint64_t start = Join(offset_high, offset_low);
  std::uint64_t length = Join(bytes_high, bytes_low);
  Record("UnlockFile " + Hex(start) + " " + Hex(length));
  OpenFile* open = FindOpenFile(handle, "UnlockFile");
  if (open == nullptr) return FALSE;
  for (auto it = g_locks.begin(); it != g_locks.end(); ++it) {
    if (it->handle == reinterpret_cast<std::uintptr_t>(handle) &&
        it->start == start && it->end == start + length) {
      g_locks.erase(it);
      DeliverArrivedRecords(open->path);
      return TRUE;
    }
  }
  TheTrace().misuses.push_back("UnlockFile of a range not locked");
  SetLastError(ERROR_NOT_LOCKED);
  return FALSE;
}

DWORD WINAPI GetTickCount() {
  DWORD now = g_file_system.tick_start;
  for (DWORD slept : TheTrace().sleeps) now += slept;
  return now;
}

}  // extern "C"
