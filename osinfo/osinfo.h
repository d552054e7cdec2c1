// Platform identification: what Windows this is, and on what processor.
//
// Every operation is a free function without state; each one asks the system
// anew. Booleans are single bytes holding 1 or 0. Operations that can fail say
// so through their result and write their answer through the caller's
// out-parameters.
#pragma once

#include <windows.h>

// The running system's version record, OSVERSIONINFOEXW (284 bytes). Its size
// field reads 284, or 276 when only the plain OSVERSIONINFOW could be had.
typedef OSVERSIONINFOEXW OsVersionSnapshot;

// A Windows release named for the version predicates: 1 = 5.0, 2 = 5.1 (5.2
// when the native architecture is 64-bit), 3 = 5.2, 4 = 6.0, 5 = 6.1,
// 6 = 6.2, 7 = 6.3, every other value = 10.0.
typedef LONG OsVersionLevel;

// One release, edition and bitness, 50001 to 50043; 0 when not recognised.
typedef LONG OsVersionCode;

// Fills *snapshot with the running system's version record: from the native
// layer where it answers (it tells the truth on 8.1 and later, which
// GetVersionExW does not unless the manifest declares them), else from
// GetVersionExW. False, with *snapshot untouched, when no record could be had.
BYTE GetVersionSnapshot(OsVersionSnapshot* snapshot);

// True when the machine's native processor architecture is 64-bit, also for a
// 32-bit process on 64-bit Windows. False on every failure.
BYTE IsNative64BitOs();

// The running system's OsVersionCode, or 0 when it is not recognised or its
// facts cannot be read.
OsVersionCode GetOsVersionCode();

// One row of the OS name table.
struct OsNameEntry {
  LPCWSTR name;
  OsVersionCode code;
};

// The OS name table, read-only, and its number of rows.
const OsNameEntry* GetOsNameTable(DWORD* row_count);

// The code whose display name equals `name` exactly (case and spaces count);
// 0 for a null name or a name no row holds.
OsVersionCode GetOsVersionCodeFromName(LPCWSTR name);

// Copies the display name of `code` into `buffer` (`capacity` characters,
// terminator included). False when the buffer is null, the code has no name
// or the capacity is 0 or above 2147483647 (buffer untouched), or when the
// name does not fit (buffer holds its first capacity - 1 characters).
BYTE GetOsVersionName(OsVersionCode code, WCHAR* buffer, DWORD capacity);

// Copies `source` into `destination` of `capacity` characters, cutting it to
// capacity - 1 characters when it does not fit; the destination is always
// terminated once the capacity is accepted. Returns 0 on a whole copy,
// 0x8007007A when cut, 0x80070057 (destination untouched) for a capacity of 0
// or above 2147483647 or a null pointer.
LONG CopyStringBounded(WCHAR* destination, DWORD capacity, LPCWSTR source);
