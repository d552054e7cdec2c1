// The simulated Windows machine behind the host stand-in's Win32 calls.
//
// A test sets the machine's state, runs product code, then reads what the
// code did: every call in order, the processes it started, and the handles it
// left open. Strings are held narrow (the tests use ASCII); paths, registry
// keys, service and module names compare without regard to case, as on
// Windows.
#pragma once

#include <windows.h>

#include "faults.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace standin {

struct RegistryKey {
  std::string path;              // below HKLM, e.g. "SOFTWARE\\Vendor"
  LONG open_error = ERROR_SUCCESS;  // answer to every open of this key
  bool has_default_value = false;
  std::string default_value;
  bool value_terminated = true;  // stored with its terminator
};

struct Service {
  std::string name;
  DWORD open_error = ERROR_SUCCESS;
};

// An answer of the lookup library: declines, or writes `value`. When
// `unterminated` is set it fills the whole buffer with `value`'s first
// character and writes no terminator.
struct LookupAnswer {
  bool answers = false;
  std::string value;
  bool unterminated = false;
};

struct Machine {
  // Version: what GetVersionExW and RtlGetVersion report (its size field is
  // ignored), and which of the calls work.
  OSVERSIONINFOEXW version = {};
  bool ntdll_loaded = true;
  bool kernel32_loaded = true;
  bool has_rtl_get_version = true;
  LONG rtl_get_version_status = 0;
  bool get_version_ex_takes_extended = true;
  bool get_version_ex_takes_plain = true;
  bool has_get_native_system_info = true;
  WORD native_architecture = PROCESSOR_ARCHITECTURE_INTEL;
  // RtlVerifyVersionInfo compares against `version` unless a status is set
  // here, which it then returns whatever it was asked.
  bool has_rtl_verify_version_info = true;
  std::optional<LONG> rtl_verify_version_info_status;
  // What GetSystemMetrics(SM_SERVERR2) and
  // IsProcessorFeaturePresent(PF_PAE_ENABLED) return.
  int server_r2_metric = 0;
  BOOL pae_feature = FALSE;
  // GetProductInfo: whether Kernel32 exports it, what it returns, and the
  // edition it stores (on failure it stores PRODUCT_UNDEFINED, 0).
  bool has_get_product_info = true;
  BOOL get_product_info_result = TRUE;
  DWORD product_info_type = 0x30;  // PRODUCT_PROFESSIONAL

  // The executable's own file name. A name that does not fit is cut; before
  // Vista the cut name carried no terminator.
  std::string module_file_name = "C:\\Deploy\\kovlaunch.exe";
  bool module_file_name_fails = false;
  bool cut_module_name_unterminated = false;
  // Short forms of long directory names: {long prefix, short prefix}. A path
  // under none of them has no short form and comes back unchanged.
  std::vector<std::pair<std::string, std::string>> short_names;

  std::vector<RegistryKey> registry;

  DWORD service_manager_error = ERROR_SUCCESS;
  std::vector<Service> services;

  std::set<std::string> files;
  std::set<std::string> directories;

  LookupAnswer service_name_lookup;
  LookupAnswer app_path_key_lookup;

  DWORD create_process_error = ERROR_SUCCESS;
  DWORD shell_execute_error = ERROR_SUCCESS;

  // Faults injected into calls by name (see faults.h).
  std::map<std::string, InjectedFault> faults;
};

struct ProcessStart {
  bool application_name_null = false;
  std::string command_line;
  bool process_attributes_given = false;
  DWORD process_attributes_length = 0;
  bool process_security_descriptor_null = false;
  BOOL process_handle_inheritable = FALSE;
  bool thread_attributes_null = false;
  BOOL inherit_handles = FALSE;
  DWORD creation_flags = 0;
  bool environment_null = false;
  bool current_directory_null = false;
  DWORD startup_size = 0;
  DWORD startup_flags = 0;
  WORD show_window = 0;
  bool startup_other_fields_zero = false;
};

struct ShellStart {
  DWORD size = 0;
  ULONG mask = 0;
  bool window_null = false;
  std::string verb;
  std::string file;
  std::string parameters;
  bool directory_null = false;
  int show = 0;
};

// One call of RtlVerifyVersionInfo: the record, type mask and condition mask
// it was handed.
struct VersionCheck {
  OSVERSIONINFOEXW record;
  ULONG type_mask;
  ULONGLONG condition_mask;
};

struct Trace {
  std::vector<std::string> calls;
  std::vector<VersionCheck> version_checks;
  std::vector<ProcessStart> process_starts;
  std::vector<ShellStart> shell_starts;
  std::vector<DWORD> sleeps;
  std::vector<std::string> misuses;  // closes and waits on handles not open
};

// The machine a test sets up, and what the code did on it.
Machine& TheMachine();
Trace& TheTrace();

// A fresh machine: Windows 7 SP1 workstation, x86, nothing installed, the
// executable at C:\Deploy\kovlaunch.exe. Clears the trace and all handles.
void Reset();

// Descriptions of the handles opened and not yet closed.
std::vector<std::string> OpenHandles();

// The handle bookkeeping, for the stand-in's other parts: a new open handle of
// `kind`, and the kind of a handle ("closed" when it is not open).
HANDLE OpenTrackedHandle(const std::string& kind);
std::string HandleKind(HANDLE handle);

// How many recorded calls begin with `prefix`, and the index of the first
// one (-1 when there is none).
int CountCalls(const std::string& prefix);
int FirstCall(const std::string& prefix);

std::string Narrow(const WCHAR* text);
std::string Narrow(const WCHAR* text, std::size_t length);

// For the stand-in's own parts: names compared as Windows compares paths,
// service and module names (without regard to case), a call recorded in the
// trace, and a number written as the trace writes it.
std::string Lower(std::string text);
bool SameName(const std::string& a, const std::string& b);
void Record(const std::string& call);
std::string Hex(std::uint64_t value);

}  // namespace standin
