#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "launcher/launcher.h"
#include "launcher/wide_text.h"

BOOL StartProcess(LPCWSTR command_line, WORD show_mode, BOOL wait) {
  // CreateProcessW may write into the command line, so it gets a copy.
  WCHAR command_copy[kPathChars] = {};
  if (!CopyText(command_copy, kPathChars, command_line)) {
    return FALSE;
  }
  SECURITY_ATTRIBUTES process_attributes = {};
  process_attributes.nLength = sizeof(process_attributes);
  process_attributes.lpSecurityDescriptor = nullptr;
  process_attributes.bInheritHandle = FALSE;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show_mode;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command_copy, &process_attributes, nullptr,
                      FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return FALSE;
  }
  if (wait) {
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return TRUE;
}

BYTE ShellStartProcess(LPCWSTR file, LPCWSTR verb, LPCWSTR parameters,
                       WORD show_mode, BYTE wait) {
  WCHAR file_copy[kShellFileChars] = {};
  if (!CopyText(file_copy, kShellFileChars, file)) {
    return 0;
  }
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
  if (wait) {
    info.fMask |= SEE_MASK_NOCLOSEPROCESS;
  }
  info.hwnd = nullptr;
  info.lpVerb = verb;
  info.lpFile = file_copy;
  info.lpParameters = parameters;
  info.lpDirectory = nullptr;
  info.nShow = show_mode;
  if (!ShellExecuteExW(&info)) {
    return 0;
  }
  // The shell hands back no process when it reused a running one (DDE).
  if (wait && info.hProcess != nullptr) {
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
  }
  return 1;
}
