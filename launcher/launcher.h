// The logon launcher's operations. BOOL results hold 1 or 0 and are tested
// whole; BYTE results are single-byte booleans.
#pragma once

#include <windows.h>

// Capacities in wide characters, terminator included.
const DWORD kPathChars = 1024;       // directories, paths, command lines
const DWORD kShellFileChars = 260;   // the shell's file path
const DWORD kLookupChars = 260;      // service name, key path, key value

// Runs the whole launch: checks for the agent and, when it is missing, starts
// the installer that lies beside the executable. Never waits for it.
void RunLaunchSequence();

// The launcher's own directory, in short (8.3) form where the volume has one,
// ending in a backslash, into `directory` (at least kPathChars characters).
BYTE GetModuleDirectoryShort(WCHAR* directory);

// The platform identifier GetVersionExW reports: 1 for the Windows 9x family,
// 2 for NT, 0 when the call fails.
DWORD GetPlatformId();
BOOL IsNtPlatform();

// The privilege probe: false only when opening HKLM\SAM for writing is
// refused with access denied.
BOOL CanWriteSamKey();

// NT, and the privilege probe refused. The probe is made only on NT.
BOOL IsElevationRequired();

// Starts `command_line` as a new process with `show_mode`; waits for it only
// when `wait` is set. False when it could not be started.
BOOL StartProcess(LPCWSTR command_line, WORD show_mode, BOOL wait);

// Starts `file` through the shell with `verb` and `parameters`; waits for it
// only when `wait` is set. False when the shell could not start it.
BYTE ShellStartProcess(LPCWSTR file, LPCWSTR verb, LPCWSTR parameters,
                       WORD show_mode, BYTE wait);

// 1 when the security agent must be installed on this machine, 0 when it is
// present or the service control manager cannot be asked.
BOOL IsAgentInstallRequired();

// Characters of the line log's path buffer, terminator included: paths of up
// to 255 characters.
const DWORD kLogPathChars = 256;

// Appends `line` and CR LF to the file at `path` as UTF-16LE without a
// byte-order mark, creating the file when it does not exist. Each record
// reaches the file whole, also with other writers appending at the same time
// in this or other processes, wherever the file system has byte-range locks.
// Reports nothing: a null argument, a path too long for kLogPathChars, a file
// that cannot be opened, a record lock that stays taken or a record that
// cannot be written whole leave the file as it was.
void AppendLogLine(LPCWSTR path, LPCWSTR line);
