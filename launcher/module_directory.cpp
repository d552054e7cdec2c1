#include "launcher/launcher.h"
#include "launcher/wide_text.h"

BYTE GetModuleDirectoryShort(WCHAR* directory) {
  if (directory == nullptr) {
    return 0;
  }
  WCHAR scratch[kPathChars] = {};
  DWORD length = GetModuleFileNameW(nullptr, scratch, kPathChars);
  // A name that fills the buffer has been cut, and before Vista it is left
  // without a terminator: its directory cannot be trusted.
  if (length == 0 || length >= kPathChars) {
    return 0;
  }
  DWORD after_last_backslash = 0;
  for (DWORD i = 0; i < length; ++i) {
    if (scratch[i] == L'\\') {
      after_last_backslash = i + 1;
    }
  }
  if (after_last_backslash == 0) {
    return 0;
  }
  scratch[after_last_backslash] = L'\0';
  // Leaves the long form in place when the volume has no short names or the
  // short form would not fit.
  GetShortPathNameW(scratch, scratch, kPathChars);
  return CopyText(directory, kPathChars, scratch) ? 1 : 0;
}
