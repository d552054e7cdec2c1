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

// Version predicates. Each compares the running system against the release
// a level names, through the native RtlVerifyVersionInfo. The result says
// whether the question could be answered (1) or not (0); the answer goes to
// *answer, which the four comparisons clear before anything else and leave
// cleared on failure.

// Running major.minor equals the level's.
BYTE IsOsVersionEqual(OsVersionLevel level, BYTE* answer);
// Running major.minor is the level's or later.
BYTE IsOsVersionAtLeast(OsVersionLevel level, BYTE* answer);
// Running major, minor, service-pack major and minor, in that order, come
// before the level's numbers with the given service pack; equal is not below.
BYTE IsOsVersionBelow(OsVersionLevel level, WORD service_pack_major,
                      WORD service_pack_minor, BYTE* answer);
// Running service pack is the given one or later, whatever the version.
BYTE IsServicePackAtLeast(WORD service_pack_major, WORD service_pack_minor,
                          BYTE* answer);
// IsOsVersionAtLeast with level 1 and 2; on failure *answer is left as it was.
BYTE IsWindows2000OrLater(BYTE* answer);
BYTE IsWindowsXpOrLater(BYTE* answer);
// The level of the running system, 1 to 8, or 0 for a 5.x or 6.x whose minor
// version has no level. False, with *level 0, when there is no snapshot or the
// major version is not 5, 6 or 10.
BYTE GetOsVersionLevel(OsVersionLevel* level);

// Version facts. Each answers one fact through its out-variables and returns
// 1 when it wrote them all, 0 (having written nothing) otherwise.

// 1 = Windows 9x family, 2 = NT family, 0 = any other platform.
BYTE GetPlatformFamily(LONG* family);
BYTE IsWin9xFamily(BYTE* is_9x);
BYTE IsWinNtFamily(BYTE* is_nt);
// Server or domain controller.
BYTE IsServerProduct(BYTE* is_server);
BYTE GetServicePackVersion(WORD* major, WORD* minor);
// Never fails once its pointer is given; reads no version record.
BYTE IsPaeEnabled(BYTE* is_enabled);
// Below major version 6 the record's VER_NT_ product type (1 to 3, or 0 when
// the record has none); from 6 on the PRODUCT_ edition code GetProductInfo
// reports. The two ranges overlap: read the value with the major version.
BYTE GetOsProductType(DWORD* product_type);
BYTE GetOsBuildNumber(DWORD* build_number);

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
