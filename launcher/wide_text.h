// Bounded operations on terminated wide strings in fixed buffers. None of them
// reads or writes past the capacity it is given; capacities count characters,
// terminator included.
#pragma once

#include <windows.h>

// True when `buffer` holds a terminator within its first `capacity` characters.
bool IsTerminatedWithin(const WCHAR* buffer, DWORD capacity);

// Copies `text` into `buffer`. False, with the buffer unchanged, when `text`
// is null or would not fit.
bool CopyText(WCHAR* buffer, DWORD capacity, LPCWSTR text);

// Appends `text` to the string in `buffer`. False, with the buffer unchanged,
// when `text` is null, the buffer holds no terminated string or the result
// would not fit.
bool AppendText(WCHAR* buffer, DWORD capacity, LPCWSTR text);

// Appends `path` as one command-line argument: in quotation marks when it
// holds a space, as it stands otherwise. False, with the string in the
// buffer as it was, when `path` is null or the result would not fit.
bool AppendPathArgument(WCHAR* buffer, DWORD capacity, LPCWSTR path);
