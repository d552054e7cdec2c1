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
