// Stands in for the agent installers in tests and in the demonstration. It
// writes the command line it was started with, in UTF-8, to
// "<its own path>.cmdline". While a file named "hold" lies beside it, it
// waits (up to a minute) before writing "<its own path>.done", so that a
// test can see whether whoever started it waited for it.
#include <windows.h>

namespace {

const DWORD kPathChars = 1024;

void WriteUtf8File(const WCHAR* path, const WCHAR* text) {
  char utf8[4 * kPathChars] = {};
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8),
                                  nullptr, nullptr);
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD written = 0;
  if (bytes > 1) {
    WriteFile(file, utf8, static_cast<DWORD>(bytes - 1), &written, nullptr);
  }
  CloseHandle(file);
}

bool WithSuffix(const WCHAR* base, const WCHAR* suffix, WCHAR* out) {
  DWORD n = 0;
  for (; base[n] != L'\0'; ++n) {
    if (n + 1 >= kPathChars) return false;
    out[n] = base[n];
  }
  for (DWORD i = 0; suffix[i] != L'\0'; ++i, ++n) {
    if (n + 1 >= kPathChars) return false;
    out[n] = suffix[i];
  }
  out[n] = L'\0';
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  WCHAR self[kPathChars] = {};
  DWORD length = GetModuleFileNameW(nullptr, self, kPathChars);
  if (length == 0 || length >= kPathChars) {
    return 1;
  }
  WCHAR record[kPathChars] = {};
  WCHAR done[kPathChars] = {};
  WCHAR hold[kPathChars] = {};
  if (!WithSuffix(self, L".cmdline", record) || !WithSuffix(self, L".done", done)) {
    return 1;
  }
  WriteUtf8File(record, GetCommandLineW());

  DWORD directory_end = length;
  while (directory_end > 0 && self[directory_end - 1] != L'\\') --directory_end;
  self[directory_end] = L'\0';
  if (!WithSuffix(self, L"hold", hold)) {
    return 1;
  }
  for (int i = 0; i < 600 && GetFileAttributesW(hold) != INVALID_FILE_ATTRIBUTES; ++i) {
    Sleep(100);
  }
  WriteUtf8File(done, L"done");
  return 0;
}
