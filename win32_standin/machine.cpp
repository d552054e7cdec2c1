#include "machine.h"

#include "file_system.h"
#include "launcher/agent_lookup.h"
#include "version_calls.h"

#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

namespace standin {
namespace {

Machine g_machine;
Trace g_trace;
DWORD g_last_error = 0;
std::uintptr_t g_next_handle = 0x1000;
std::map<std::uintptr_t, std::string> g_open_handles;  // value -> kind

const std::uintptr_t kNtdllModule = 0x7001;
const std::uintptr_t kKernel32Module = 0x7002;

bool StartsWithName(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         SameName(text.substr(0, prefix.size()), prefix);
}

std::uintptr_t OpenHandle(const std::string& kind) {
  std::uintptr_t value = g_next_handle;
  g_next_handle += 4;
  g_open_handles[value] = kind;
  return value;
}

bool CloseOpenHandle(const void* handle, const std::string& kind,
                     const std::string& call) {
  auto it = g_open_handles.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == g_open_handles.end() || it->second != kind) {
    g_trace.misuses.push_back(call + " on a handle that is no open " + kind);
    return false;
  }
  g_open_handles.erase(it);
  return true;
}

// Writes `text` and its terminator into `buffer`; the caller has checked room.
void WriteWide(const std::string& text, WCHAR* buffer) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    buffer[i] = static_cast<unsigned char>(text[i]);
  }
  buffer[text.size()] = L'\0';
}

std::string NullableNarrow(const WCHAR* text) {
  return text == nullptr ? "(null)" : Narrow(text);
}

const RegistryKey* FindKey(const std::string& path) {
  for (const RegistryKey& key : g_machine.registry) {
    if (SameName(key.path, path)) return &key;
  }
  return nullptr;
}

// Registry handles opened by the stand-in, and the key each one names.
std::map<std::uintptr_t, std::string> g_key_paths;

LONG WINAPI FakeRtlGetVersion(OSVERSIONINFOEXW* info) {
  Record("RtlGetVersion " + std::to_string(info->dwOSVersionInfoSize));
  Fault fault;
  if (FaultFor("RtlGetVersion", &fault)) {
    return static_cast<LONG>(fault == Fault::kAccessDenied
                                 ? kFaultStatusAccessDenied
                                 : kFaultStatusUnsuccessful);
  }
  if (g_machine.rtl_get_version_status < 0) {
    return g_machine.rtl_get_version_status;
  }
  DWORD size = info->dwOSVersionInfoSize;
  std::memcpy(reinterpret_cast<char*>(info) + sizeof(DWORD),
              reinterpret_cast<const char*>(&g_machine.version) + sizeof(DWORD),
              std::min<DWORD>(size, sizeof(OSVERSIONINFOEXW)) - sizeof(DWORD));
  return g_machine.rtl_get_version_status;
}

void WINAPI FakeGetNativeSystemInfo(SYSTEM_INFO* info) {
  Record("GetNativeSystemInfo");
  Fault fault;
  info->wProcessorArchitecture = FaultFor("GetNativeSystemInfo", &fault)
                                     ? PROCESSOR_ARCHITECTURE_UNKNOWN
                                     : g_machine.native_architecture;
}

BOOLEAN Answer(const char* call, const LookupAnswer& answer, LPWSTR value,
               DWORD capacity) {
  Fault fault;
  if (FaultFor(call, &fault)) {
    if (fault != Fault::kShortAnswer) return 0;
    for (DWORD i = 0; i < capacity; ++i) value[i] = L'Q';
    return 1;
  }
  if (!answer.answers) return 0;
  if (answer.unterminated) {
    WCHAR fill = answer.value.empty() ? L'X' : answer.value[0];
    for (DWORD i = 0; i < capacity; ++i) value[i] = fill;
    return 1;
  }
  if (answer.value.size() < capacity) WriteWide(answer.value, value);
  return 1;
}

}  // namespace

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool SameName(const std::string& a, const std::string& b) {
  return Lower(a) == Lower(b);
}

void Record(const std::string& call) { g_trace.calls.push_back(call); }

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof(text), "0x%llX",
                static_cast<unsigned long long>(value));
  return text;
}


Machine& TheMachine() { return g_machine; }
Trace& TheTrace() { return g_trace; }

void Reset() {
  g_machine = Machine();
  OSVERSIONINFOEXW& v = g_machine.version;
  v.dwMajorVersion = 6;
  v.dwMinorVersion = 1;
  v.dwBuildNumber = 7601;
  v.dwPlatformId = VER_PLATFORM_WIN32_NT;
  WriteWide("Service Pack 1", v.szCSDVersion);
  v.wServicePackMajor = 1;
  v.wProductType = 1;
  g_trace = Trace();
  g_last_error = 0;
  g_open_handles.clear();
  g_key_paths.clear();
  ResetFileSystem();
}

std::vector<std::string> OpenHandles() {
  std::vector<std::string> open;
  for (const auto& [value, kind] : g_open_handles) {
    open.push_back(kind + " " + Hex(static_cast<std::uint32_t>(value)));
  }
  return open;
}

HANDLE OpenTrackedHandle(const std::string& kind) {
  return reinterpret_cast<HANDLE>(OpenHandle(kind));
}

std::string HandleKind(HANDLE handle) {
  auto it = g_open_handles.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == g_open_handles.end() ? "closed" : it->second;
}

int CountCalls(const std::string& prefix) {
  return static_cast<int>(std::count_if(
      g_trace.calls.begin(), g_trace.calls.end(),
      [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }));
}

int FirstCall(const std::string& prefix) {
  for (std::size_t i = 0; i < g_trace.calls.size(); ++i) {
    if (g_trace.calls[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
  }
  return -1;
}

std::string Narrow(const WCHAR* text, std::size_t length) {
  std::string narrow;
  for (std::size_t i = 0; i < length; ++i) {
    narrow += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
  }
  return narrow;
}

std::string Narrow(const WCHAR* text) {
  std::size_t length = 0;
  while (text[length] != L'\0') ++length;
  return Narrow(text, length);
}

}  // namespace standin

using namespace standin;

extern "C" {

DWORD WINAPI GetLastError() { return g_last_error; }
void WINAPI SetLastError(DWORD error) { g_last_error = error; }

BOOL WINAPI GetVersionExW(OSVERSIONINFOW* info) {
  DWORD size = info->dwOSVersionInfoSize;
  Record("GetVersionExW " + std::to_string(size));
  Fault fault;
  if (FaultFor("GetVersionExW", &fault)) {
    g_last_error = kFaultError;
    return FALSE;
  }
  bool accepted = (size == sizeof(OSVERSIONINFOEXW) &&
                   g_machine.get_version_ex_takes_extended) ||
                  (size == sizeof(OSVERSIONINFOW) &&
                   g_machine.get_version_ex_takes_plain);
  if (!accepted) {
    g_last_error = 122;
    return FALSE;
  }
  std::memcpy(reinterpret_cast<char*>(info) + sizeof(DWORD),
              reinterpret_cast<const char*>(&g_machine.version) + sizeof(DWORD),
              size - sizeof(DWORD));
  return TRUE;
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR module_name) {
  std::string name = NullableNarrow(module_name);
  Record("GetModuleHandleW " + name);
  Fault fault;
  if (FaultFor("GetModuleHandleW", &fault)) {
    g_last_error = ERROR_MOD_NOT_FOUND;
    return nullptr;
  }
  if (SameName(name, "ntdll.dll") && g_machine.ntdll_loaded) {
    return reinterpret_cast<HMODULE>(kNtdllModule);
  }
  if (SameName(name, "kernel32.dll") && g_machine.kernel32_loaded) {
    return reinterpret_cast<HMODULE>(kKernel32Module);
  }
  return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR proc_name) {
  std::string name = proc_name;
  std::uintptr_t which = reinterpret_cast<std::uintptr_t>(module);
  Record("GetProcAddress " + name);
  void (*proc)() = nullptr;
  Fault fault;
  if (LookUpIsAbsent(name) || FaultFor("GetProcAddress", &fault)) {
    g_last_error = ERROR_PROC_NOT_FOUND;
    return nullptr;
  }
  if (which == kNtdllModule && name == "RtlGetVersion" &&
      g_machine.has_rtl_get_version) {
    proc = reinterpret_cast<void (*)()>(&FakeRtlGetVersion);
  } else if (which == kKernel32Module && name == "GetNativeSystemInfo" &&
             g_machine.has_get_native_system_info) {
    proc = reinterpret_cast<void (*)()>(&FakeGetNativeSystemInfo);
  } else if (which == kNtdllModule && name == "RtlVerifyVersionInfo" &&
             g_machine.has_rtl_verify_version_info) {
    proc = reinterpret_cast<void (*)()>(&FakeRtlVerifyVersionInfo);
  } else if (which == kKernel32Module && name == "GetProductInfo" &&
             g_machine.has_get_product_info) {
    proc = reinterpret_cast<void (*)()>(&FakeGetProductInfo);
  }
  return reinterpret_cast<FARPROC>(proc);
}

DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR file_name, DWORD size) {
  Record(std::string("GetModuleFileNameW ") + (module ? "module" : "self") +
         " " + std::to_string(size));
  Fault fault;
  if (FaultFor("GetModuleFileNameW", &fault)) {
    if (fault != Fault::kShortAnswer) {
      g_last_error = fault == Fault::kAccessDenied ? ERROR_ACCESS_DENIED
                                                   : kFaultError;
      return 0;
    }
    // Cut to the buffer with no terminator, as before Vista.
    const std::string& name = g_machine.module_file_name;
    for (DWORD i = 0; i < size; ++i) {
      file_name[i] = i < name.size() ? static_cast<unsigned char>(name[i]) : L'A';
    }
    g_last_error = ERROR_INSUFFICIENT_BUFFER;
    return size;
  }
  if (g_machine.module_file_name_fails || size == 0) {
    g_last_error = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  const std::string& name = g_machine.module_file_name;
  if (name.size() < size) {
    WriteWide(name, file_name);
    return static_cast<DWORD>(name.size());
  }
  DWORD kept = g_machine.cut_module_name_unterminated ? size : size - 1;
  for (DWORD i = 0; i < kept; ++i) {
    file_name[i] = static_cast<unsigned char>(name[i]);
  }
  if (kept < size) file_name[kept] = L'\0';
  g_last_error = ERROR_INSUFFICIENT_BUFFER;
  return size;
}

DWORD WINAPI GetShortPathNameW(LPCWSTR long_path, LPWSTR short_path,
                               DWORD size) {
  std::string path = Narrow(long_path);
  Record("GetShortPathNameW " + path + " " + std::to_string(size) +
         (long_path == short_path ? " in place" : ""));
  Fault fault;
  if (FaultFor("GetShortPathNameW", &fault)) {
    if (fault == Fault::kShortAnswer) {
      return size + 1;  // the characters it would need; nothing written
    }
    g_last_error = fault == Fault::kAccessDenied ? ERROR_ACCESS_DENIED
                                                 : kFaultError;
    return 0;
  }
  std::string result = path;
  std::size_t best = 0;
  for (const auto& [long_prefix, short_prefix] : g_machine.short_names) {
    if (long_prefix.size() > best && StartsWithName(path, long_prefix)) {
      result = short_prefix + path.substr(long_prefix.size());
      best = long_prefix.size();
    }
  }
  if (result.size() + 1 > size) {
    return static_cast<DWORD>(result.size() + 1);
  }
  WriteWide(result, short_path);
  return static_cast<DWORD>(result.size());
}

DWORD WINAPI GetFileAttributesW(LPCWSTR file_name) {
  std::string path = Narrow(file_name);
  Record("GetFileAttributesW " + path);
  Fault fault;
  if (FaultFor("GetFileAttributesW", &fault)) {
    g_last_error = fault == Fault::kAccessDenied ? ERROR_ACCESS_DENIED
                                                 : kFaultError;
    return INVALID_FILE_ATTRIBUTES;
  }
  for (const std::string& file : g_machine.files) {
    if (SameName(file, path)) return FILE_ATTRIBUTE_NORMAL;
  }
  for (const std::string& directory : g_machine.directories) {
    if (SameName(directory, path)) return FILE_ATTRIBUTE_DIRECTORY;
  }
  DWORD attributes = FileSystemAttributes(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) return attributes;
  g_last_error = ERROR_FILE_NOT_FOUND;
  return INVALID_FILE_ATTRIBUTES;
}

BOOL WINAPI CreateProcessW(LPCWSTR application_name, LPWSTR command_line,
                           LPSECURITY_ATTRIBUTES process_attributes,
                           LPSECURITY_ATTRIBUTES thread_attributes,
                           BOOL inherit_handles, DWORD creation_flags,
                           LPVOID environment, LPCWSTR current_directory,
                           LPSTARTUPINFOW startup_info,
                           LPPROCESS_INFORMATION process_information) {
  ProcessStart start;
  start.application_name_null = application_name == nullptr;
  start.command_line = NullableNarrow(command_line);
  start.process_attributes_given = process_attributes != nullptr;
  if (process_attributes != nullptr) {
    start.process_attributes_length = process_attributes->nLength;
    start.process_security_descriptor_null =
        process_attributes->lpSecurityDescriptor == nullptr;
    start.process_handle_inheritable = process_attributes->bInheritHandle;
  }
  start.thread_attributes_null = thread_attributes == nullptr;
  start.inherit_handles = inherit_handles;
  start.creation_flags = creation_flags;
  start.environment_null = environment == nullptr;
  start.current_directory_null = current_directory == nullptr;
  start.startup_size = startup_info->cb;
  start.startup_flags = startup_info->dwFlags;
  start.show_window = startup_info->wShowWindow;
  STARTUPINFOW expected = {};
  expected.cb = startup_info->cb;
  expected.dwFlags = startup_info->dwFlags;
  expected.wShowWindow = startup_info->wShowWindow;
  start.startup_other_fields_zero =
      std::memcmp(&expected, startup_info, sizeof(expected)) == 0;
  g_trace.process_starts.push_back(start);
  Record("CreateProcessW " + start.command_line);
  Fault fault;
  if (FaultFor("CreateProcessW", &fault)) {
    g_trace.process_starts.pop_back();
    g_last_error = fault == Fault::kAccessDenied ? ERROR_ACCESS_DENIED
                                                 : kFaultError;
    return FALSE;
  }
  if (g_machine.create_process_error != ERROR_SUCCESS) {
    g_last_error = g_machine.create_process_error;
    return FALSE;
  }
  process_information->hProcess =
      reinterpret_cast<HANDLE>(OpenHandle("process"));
  process_information->hThread = reinterpret_cast<HANDLE>(OpenHandle("thread"));
  process_information->dwProcessId = 4242;
  process_information->dwThreadId = 4243;
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto it = g_open_handles.find(reinterpret_cast<std::uintptr_t>(handle));
  std::string kind = it == g_open_handles.end() ? "closed" : it->second;
  Record("WaitForSingleObject " + kind + " " + Hex(milliseconds));
  if (it == g_open_handles.end()) {
    g_trace.misuses.push_back("WaitForSingleObject on a handle not open");
  }
  Fault fault;
  if (FaultFor("WaitForSingleObject", &fault)) {
    g_last_error = kFaultError;
    return 0xFFFFFFFFu;  // WAIT_FAILED
  }
  return 0;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  auto it = g_open_handles.find(reinterpret_cast<std::uintptr_t>(handle));
  std::string kind = it == g_open_handles.end() ? "closed" : it->second;
  Record("CloseHandle " + kind);
  if (kind != "process" && kind != "thread" && kind != "file") {
    g_trace.misuses.push_back("CloseHandle on a handle that is no open object");
    return FALSE;
  }
  g_open_handles.erase(it);
  if (kind == "file") CloseFile(handle);
  // A failed close still leaves the handle unusable.
  Fault fault;
  if (FaultFor("CloseHandle", &fault)) {
    g_last_error = kFaultError;
    return FALSE;
  }
  return TRUE;
}

void WINAPI Sleep(DWORD milliseconds) {
  Record("Sleep " + std::to_string(milliseconds));
  g_trace.sleeps.push_back(milliseconds);
}

LONG WINAPI RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD options,
                          REGSAM desired, PHKEY result) {
  std::string path = NullableNarrow(sub_key);
  Record("RegOpenKeyExW " +
         std::string(key == HKEY_LOCAL_MACHINE ? "HKLM\\" : "?\\") + path +
         " " + std::to_string(options) + " " + Hex(desired));
  Fault fault;
  if (FaultFor("RegOpenKeyExW", &fault)) {
    return fault == Fault::kAccessDenied ? ERROR_ACCESS_DENIED
                                         : static_cast<LONG>(kFaultError);
  }
  const RegistryKey* found =
      key == HKEY_LOCAL_MACHINE ? FindKey(path) : nullptr;
  if (found == nullptr) return ERROR_FILE_NOT_FOUND;
  if (found->open_error != ERROR_SUCCESS) return found->open_error;
  std::uintptr_t handle = OpenHandle("registry key");
  g_key_paths[handle] = found->path;
  *result = reinterpret_cast<HKEY>(handle);
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueW(HKEY key, LPCWSTR sub_key, LPWSTR data,
                           PLONG data_bytes) {
  Record("RegQueryValueW " + NullableNarrow(sub_key) + " " +
         (data_bytes ? std::to_string(*data_bytes) : "(null)"));
  auto path = g_key_paths.find(reinterpret_cast<std::uintptr_t>(key));
  if (path == g_key_paths.end() ||
      g_open_handles.count(reinterpret_cast<std::uintptr_t>(key)) == 0) {
    return ERROR_INVALID_HANDLE;
  }
  const RegistryKey* found = FindKey(path->second);
  if (sub_key != nullptr || found == nullptr || !found->has_default_value) {
    return ERROR_FILE_NOT_FOUND;
  }
  Fault fault;
  if (FaultFor("RegQueryValueW", &fault)) {
    if (fault != Fault::kShortAnswer) {
      return fault == Fault::kAccessDenied ? ERROR_ACCESS_DENIED
                                           : static_cast<LONG>(kFaultError);
    }
    // A stored string that fills the buffer exactly, without terminator.
    for (LONG i = 0; i < *data_bytes / static_cast<LONG>(sizeof(WCHAR)); ++i) {
      data[i] = L'R';
    }
    return ERROR_SUCCESS;
  }
  const std::string& value = found->default_value;
  std::size_t units = value.size() + (found->value_terminated ? 1 : 0);
  LONG needed = static_cast<LONG>(units * sizeof(WCHAR));
  LONG capacity = *data_bytes;
  *data_bytes = needed;
  if (needed > capacity) return ERROR_MORE_DATA;
  for (std::size_t i = 0; i < value.size(); ++i) {
    data[i] = static_cast<unsigned char>(value[i]);
  }
  if (found->value_terminated) data[value.size()] = L'\0';
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key) {
  Record("RegCloseKey");
  g_key_paths.erase(reinterpret_cast<std::uintptr_t>(key));
  if (!CloseOpenHandle(key, "registry key", "RegCloseKey")) {
    return ERROR_INVALID_HANDLE;
  }
  Fault fault;
  return FaultFor("RegCloseKey", &fault) ? static_cast<LONG>(kFaultError)
                                         : ERROR_SUCCESS;
}

SC_HANDLE WINAPI OpenSCManagerW(LPCWSTR machine_name, LPCWSTR database_name,
                                DWORD desired) {
  Record("OpenSCManagerW " + NullableNarrow(machine_name) + " " +
         NullableNarrow(database_name) + " " + Hex(desired));
  Fault fault;
  if (FaultFor("OpenSCManagerW", &fault)) {
    g_last_error = fault == Fault::kAccessDenied ? ERROR_ACCESS_DENIED
                                                 : kFaultError;
    return nullptr;
  }
  if (g_machine.service_manager_error != ERROR_SUCCESS) {
    g_last_error = g_machine.service_manager_error;
    return nullptr;
  }
  return reinterpret_cast<SC_HANDLE>(OpenHandle("service manager"));
}

SC_HANDLE WINAPI OpenServiceW(SC_HANDLE manager, LPCWSTR service_name,
                              DWORD desired) {
  std::string name = NullableNarrow(service_name);
  Record("OpenServiceW " + name + " " + Hex(desired));
  Fault fault;
  if (FaultFor("OpenServiceW", &fault)) {
    g_last_error = fault == Fault::kAccessDenied ? ERROR_ACCESS_DENIED
                                                 : kFaultError;
    return nullptr;
  }
  auto it = g_open_handles.find(reinterpret_cast<std::uintptr_t>(manager));
  if (it == g_open_handles.end() || it->second != "service manager") {
    g_last_error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  for (const Service& service : g_machine.services) {
    if (!SameName(service.name, name)) continue;
    if (service.open_error != ERROR_SUCCESS) {
      g_last_error = service.open_error;
      return nullptr;
    }
    return reinterpret_cast<SC_HANDLE>(OpenHandle("service"));
  }
  g_last_error = ERROR_SERVICE_DOES_NOT_EXIST;
  return nullptr;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE handle) {
  auto it = g_open_handles.find(reinterpret_cast<std::uintptr_t>(handle));
  std::string kind = it == g_open_handles.end() ? "closed" : it->second;
  Record("CloseServiceHandle " + kind);
  if (kind != "service" && kind != "service manager") {
    g_trace.misuses.push_back("CloseServiceHandle on a handle not open");
    return FALSE;
  }
  g_open_handles.erase(it);
  Fault fault;
  if (FaultFor("CloseServiceHandle", &fault)) {
    g_last_error = kFaultError;
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI ShellExecuteExW(LPSHELLEXECUTEINFOW info) {
  ShellStart start;
  start.size = info->cbSize;
  start.mask = info->fMask;
  start.window_null = info->hwnd == nullptr;
  start.verb = NullableNarrow(info->lpVerb);
  start.file = NullableNarrow(info->lpFile);
  start.parameters = NullableNarrow(info->lpParameters);
  start.directory_null = info->lpDirectory == nullptr;
  start.show = info->nShow;
  g_trace.shell_starts.push_back(start);
  Record("ShellExecuteExW " + start.verb + " " + start.file);
  Fault fault;
  if (FaultFor("ShellExecuteExW", &fault)) {
    g_trace.shell_starts.pop_back();
    g_last_error = fault == Fault::kAccessDenied ? ERROR_ACCESS_DENIED
                                                 : kFaultError;
    return FALSE;
  }
  if (g_machine.shell_execute_error != ERROR_SUCCESS) {
    g_last_error = g_machine.shell_execute_error;
    return FALSE;
  }
  if (info->fMask & SEE_MASK_NOCLOSEPROCESS) {
    info->hProcess = reinterpret_cast<HANDLE>(OpenHandle("process"));
  }
  return TRUE;
}

// The lookup library morvane.dll, as the test sets its answers.
BOOLEAN WINAPI LookupAgentServiceName(LPCWSTR default_name, LPWSTR value,
                                      DWORD capacity) {
  Record("LookupAgentServiceName " + NullableNarrow(default_name) + " " +
         std::to_string(capacity));
  return Answer("LookupAgentServiceName", g_machine.service_name_lookup, value, capacity);
}

BOOLEAN WINAPI LookupAgentAppPathKey(LPCWSTR default_path, LPWSTR value,
                                     DWORD capacity) {
  Record("LookupAgentAppPathKey " + NullableNarrow(default_path) + " " +
         std::to_string(capacity));
  return Answer("LookupAgentAppPathKey", g_machine.app_path_key_lookup, value, capacity);
}

}  // extern "C"
