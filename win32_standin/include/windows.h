// The host stand-in's declarations of the Win32 types, constants and calls
// that the product code uses. Written for this project from what the code
// expects of each call; the layouts are those the calls publish, so that a
// record's size and fields read the same as on Windows wherever pointers play
// no part. Built with -fshort-wchar so that WCHAR is 16 bits, as on Windows.
#pragma once

#include <cstddef>
#include <cstdint>

static_assert(sizeof(wchar_t) == 2, "the host build needs -fshort-wchar");

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned char BOOLEAN;
typedef unsigned short WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef std::uint32_t UINT;
typedef std::uint64_t ULONGLONG;
typedef std::uintptr_t ULONG_PTR;
typedef std::uintptr_t DWORD_PTR;
typedef std::intptr_t INT_PTR;
typedef wchar_t WCHAR;
typedef char CHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef const CHAR* LPCSTR;
typedef BYTE* LPBYTE;
typedef void* LPVOID;
typedef void* HANDLE;
typedef LONG* PLONG;
typedef DWORD* LPDWORD;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;

struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
struct SC_HANDLE__;
typedef SC_HANDLE__* SC_HANDLE;
struct HWND__;
typedef HWND__* HWND;

typedef INT_PTR (*FARPROC)();

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INFINITE 0xFFFFFFFFu
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(0xFFFFFFFFu))
#define FILE_ATTRIBUTE_DIRECTORY 0x10u
#define FILE_ATTRIBUTE_NORMAL 0x80u

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_MORE_DATA 234L
#define ERROR_SERVICE_DOES_NOT_EXIST 1060L
#define ERROR_CANCELLED 1223L

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define VER_NT_WORKSTATION 1
#define VER_NT_DOMAIN_CONTROLLER 2
#define VER_NT_SERVER 3

// Type bits of RtlVerifyVersionInfo, and the conditions VerSetConditionMask
// records for them.
#define VER_MINORVERSION 0x0000001u
#define VER_MAJORVERSION 0x0000002u
#define VER_BUILDNUMBER 0x0000004u
#define VER_PLATFORMID 0x0000008u
#define VER_SERVICEPACKMINOR 0x0000010u
#define VER_SERVICEPACKMAJOR 0x0000020u
#define VER_SUITENAME 0x0000040u
#define VER_PRODUCT_TYPE 0x0000080u
#define VER_EQUAL 1
#define VER_GREATER 2
#define VER_GREATER_EQUAL 3
#define VER_LESS 4
#define VER_LESS_EQUAL 5
#define VER_AND 6
#define VER_OR 7

#define SM_SERVERR2 89
#define PF_PAE_ENABLED 9

#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_IA64 6
#define PROCESSOR_ARCHITECTURE_ALPHA64 7
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_IA32_ON_WIN64 10
#define PROCESSOR_ARCHITECTURE_ARM64 12
#define PROCESSOR_ARCHITECTURE_UNKNOWN 0xFFFF

#define GENERIC_READ 0x80000000u
#define KEY_QUERY_VALUE 0x0001u
#define KEY_WRITE 0x20006u

#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))

#define SW_HIDE 0
#define SW_SHOW 5
#define STARTF_USESHOWWINDOW 0x00000001u

#define SEE_MASK_NOCLOSEPROCESS 0x00000040u
#define SEE_MASK_FLAG_DDEWAIT 0x00000100u
#define SEE_MASK_FLAG_NO_UI 0x00000400u

struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};

struct OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
};

static_assert(sizeof(OSVERSIONINFOW) == 276, "OSVERSIONINFOW is 276 bytes");
static_assert(sizeof(OSVERSIONINFOEXW) == 284, "OSVERSIONINFOEXW is 284 bytes");

// Only the processor architecture is read; the union with dwOemId is left out.
struct SYSTEM_INFO {
  WORD wProcessorArchitecture;
  WORD wReserved;
  DWORD dwPageSize;
  LPVOID lpMinimumApplicationAddress;
  LPVOID lpMaximumApplicationAddress;
  DWORD_PTR dwActiveProcessorMask;
  DWORD dwNumberOfProcessors;
  DWORD dwProcessorType;
  DWORD dwAllocationGranularity;
  WORD wProcessorLevel;
  WORD wProcessorRevision;
};

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

struct STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};
typedef STARTUPINFOW* LPSTARTUPINFOW;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
typedef PROCESS_INFORMATION* LPPROCESS_INFORMATION;

extern "C" {

// kernel32
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD error);
BOOL WINAPI GetVersionExW(OSVERSIONINFOW* info);
HMODULE WINAPI GetModuleHandleW(LPCWSTR module_name);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR proc_name);
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR file_name, DWORD size);
DWORD WINAPI GetShortPathNameW(LPCWSTR long_path, LPWSTR short_path, DWORD size);
DWORD WINAPI GetFileAttributesW(LPCWSTR file_name);
BOOL WINAPI CreateProcessW(LPCWSTR application_name, LPWSTR command_line,
                           LPSECURITY_ATTRIBUTES process_attributes,
                           LPSECURITY_ATTRIBUTES thread_attributes,
                           BOOL inherit_handles, DWORD creation_flags,
                           LPVOID environment, LPCWSTR current_directory,
                           LPSTARTUPINFOW startup_info,
                           LPPROCESS_INFORMATION process_information);
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL WINAPI CloseHandle(HANDLE handle);
void WINAPI Sleep(DWORD milliseconds);
ULONGLONG WINAPI VerSetConditionMask(ULONGLONG condition_mask, DWORD type_mask,
                                     BYTE condition);
BOOL WINAPI IsProcessorFeaturePresent(DWORD feature);

// user32
int WINAPI GetSystemMetrics(int index);

// advapi32
LONG WINAPI RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD options,
                          REGSAM desired, PHKEY result);
LONG WINAPI RegQueryValueW(HKEY key, LPCWSTR sub_key, LPWSTR data,
                           PLONG data_bytes);
LONG WINAPI RegCloseKey(HKEY key);
SC_HANDLE WINAPI OpenSCManagerW(LPCWSTR machine_name, LPCWSTR database_name,
                                DWORD desired);
SC_HANDLE WINAPI OpenServiceW(SC_HANDLE manager, LPCWSTR service_name,
                              DWORD desired);
BOOL WINAPI CloseServiceHandle(SC_HANDLE handle);

}  // extern "C"

// The GUI entry point, called by the startup code.
extern "C" int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous_instance,
                               LPWSTR command_line, int show_command);

// File access
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-1)))
#define INVALID_SET_FILE_POINTER (static_cast<DWORD>(0xFFFFFFFFu))

#define NO_ERROR 0L
#define ERROR_INVALID_FUNCTION 1L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_LOCK_VIOLATION 33L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_DISK_FULL 112L
#define ERROR_CALL_NOT_IMPLEMENTED 120L
#define ERROR_NEGATIVE_SEEK 131L
#define ERROR_NOT_LOCKED 158L
#define ERROR_ALREADY_EXISTS 183L

#define GENERIC_WRITE 0x40000000u
#define FILE_READ_DATA 0x0001u
#define FILE_WRITE_DATA 0x0002u
#define FILE_APPEND_DATA 0x0004u

#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u

#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u

#define FILE_ATTRIBUTE_READONLY 0x01u

#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u

typedef const void* LPCVOID;

struct OVERLAPPED {
  ULONG_PTR Internal;
  ULONG_PTR InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
};
typedef OVERLAPPED* LPOVERLAPPED;

extern "C" {

HANDLE WINAPI CreateFileW(LPCWSTR file_name, DWORD desired_access,
                          DWORD share_mode,
                          LPSECURITY_ATTRIBUTES security_attributes,
                          DWORD creation_disposition, DWORD flags_and_attributes,
                          HANDLE template_file);
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes_to_write,
                      LPDWORD bytes_written, LPOVERLAPPED overlapped);
DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distance_high,
                            DWORD move_method);
BOOL WINAPI SetEndOfFile(HANDLE file);
BOOL WINAPI LockFile(HANDLE file, DWORD offset_low, DWORD offset_high,
                     DWORD bytes_low, DWORD bytes_high);
BOOL WINAPI UnlockFile(HANDLE file, DWORD offset_low, DWORD offset_high,
                       DWORD bytes_low, DWORD bytes_high);
DWORD WINAPI GetTickCount();

}  // extern "C"
