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

// The step of the presence check that gave its answer.
enum class PresenceStep : BYTE {
  kServiceManagerUnavailable,  // NT: no service control manager; not required
  kServiceNotOpened,           // NT: the agent's service did not open; required
  kAppPathKeyNotOpened,        // the App Paths key did not open; required
  kAppPathValueNotRead,        // its default value could not be read; required
  kAgentFileMissing,           // the file the value names is not there; required
  kAgentFoundWindows9x,        // key, value and file found; not required
  kAgentFoundNt,               // service, key, value and file found; not required
  kPlatformNotRecognised,      // neither 9x nor NT: always required
};

// Where a looked-up name came from.
enum class LookupSource : BYTE {
  kDefault,                // the lookup library declined
  kLookupLibrary,          // the lookup library's answer
  kDefaultAfterUnusable,   // it answered, but without a terminator in the buffer
};

// Everything the presence check saw, in the order it saw it. Fields of steps
// the check did not reach stay as GetAgentPresenceReport cleared them; the
// text fields are always terminated.
struct AgentPresenceReport {
  DWORD platform_id;

  bool service_manager_asked;      // NT only
  bool service_manager_opened;
  DWORD service_manager_error;     // GetLastError when it did not open
  bool service_asked;
  WCHAR service_name[kLookupChars];
  LookupSource service_name_source;
  bool service_opened;
  DWORD service_error;             // GetLastError when it did not open

  bool app_path_key_asked;
  WCHAR app_path_key[kLookupChars];  // below HKLM
  LookupSource app_path_key_source;
  LONG key_open_result;
  bool value_asked;
  LONG value_query_result;
  bool value_terminated;           // false: the value is left empty here
  WCHAR value[kLookupChars];
  bool file_asked;
  bool file_exists;                // a directory counts

  BOOL install_required;
  PresenceStep deciding_step;
};

// Runs the presence check that IsAgentInstallRequired answers from and fills
// *report with what it saw and decided. False, having done nothing, when
// `report` is null.
BYTE GetAgentPresenceReport(AgentPresenceReport* report);

// The privilege side of the start: the platform test, the probe (made only on
// NT) and the decision IsElevationRequired gives.
struct ElevationReport {
  BOOL nt_platform;
  bool probe_made;
  BOOL sam_writable;
  BOOL elevation_required;
};

// Fills *report the way IsElevationRequired decides. False, having done
// nothing, when `report` is null.
BYTE GetElevationReport(ElevationReport* report);

// How far planning the installer's start got.
enum class InstallPlanStep : BYTE {
  kNotPlanned,
  kNoModuleDirectory,       // either directory call failed
  kPathTooLong,             // installer or configuration path did not fit
  kPathsReady,              // first phase done
  kCommandLineTooLong,      // direct: the command line did not fit
  kShellParametersTooLong,  // shell: the parameter string did not fit
  kShellFileTooLong,        // shell: the installer path exceeds the shell's buffer
  kReadyToStart,
};

enum class StartPath : BYTE { kNone, kDirect, kShell };

// The launch, planned in two phases so that the launcher can pause between
// them: first the paths and whether to pause, then the way to start.
struct InstallPlan {
  // Phase 1: PlanInstallerPaths.
  BYTE have_installer_directory;
  BYTE have_config_directory;
  WCHAR directory[kPathChars];     // as the first directory call gave it
  bool native_64bit;
  LPCWSTR installer_name;          // a fixed literal, null until chosen
  WCHAR installer[kPathChars];
  WCHAR config[kPathChars];
  bool pause_before_start;         // not NT
  DWORD pause_ms;

  // Phase 2: PlanInstallerStart.
  ElevationReport elevation;
  StartPath path;
  WCHAR command_line[kPathChars];      // direct path
  WCHAR shell_file[kShellFileChars];   // shell path
  LPCWSTR shell_verb;                  // shell path, a fixed literal
  WCHAR shell_parameters[kPathChars];  // shell path
  WORD show_mode;

  InstallPlanStep step;
};

// Phase 1: the launcher's directory (taken twice, as the launch does), the
// installer chosen by the native architecture, the configuration path, and
// whether the launch pauses before the start. Clears *plan first. True when
// the paths are ready; false for a null plan or when they could not be made
// (plan->step says why).
BYTE PlanInstallerPaths(InstallPlan* plan);

// Phase 2, after phase 1 succeeded: the privilege decision and the exact
// command line, or shell file, verb and parameters. Starts nothing. True when
// the start is ready; false otherwise (plan->step says why).
BYTE PlanInstallerStart(InstallPlan* plan);

// Starts what a ready plan names, without waiting. False when the plan is not
// ready or the start failed.
BYTE StartPlannedInstaller(const InstallPlan* plan);

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
