#include "osinfo/osinfo.h"

namespace {

const LONG kSuccess = 0;
const LONG kInvalidArgument = static_cast<LONG>(0x80070057);
const LONG kInsufficientBuffer = static_cast<LONG>(0x8007007A);
const DWORD kMaxCapacity = 0x7FFFFFFF;
const DWORD kMaxSourceChars = 0x7FFFFFFE;

// The one place where the display names are written. Lookups visit the rows
// in this order.
const OsNameEntry kOsNames[] = {
    {L"Windows 95", 50023},
    {L"Windows 98", 50024},
    {L"Windows XP Professional", 50016},
    {L"Windows XP Home", 50015},
    {L"Windows NT Workstation", 50020},
    {L"Windows NT Server Standard", 50022},
    {L"Windows NT Server Enterprise", 50021},
    {L"Windows NT 3.51", 50027},
    {L"Windows Server 2003", 50014},
    {L"Windows 2000 Professional", 50019},
    {L"Windows Millennium", 50025},
    {L"Windows 2000 Server", 50028},
    {L"Windows 2000 Advance Server", 50018},
    {L"Windows 2000 Data Center Edition", 50017},
    {L"Windows 2003 Web Edition", 50010},
    {L"Windows 2003 Enterprise Edition", 50009},
    {L"Windows 2003 Standard Edition", 50011},
    {L"Windows 2003 Enterprise 64 bit Edition(Itanium Based)", 50004},
    {L"Windows 2003 Enterprise 64 bit Edition(AMD Based)", 50006},
    {L"Windows Server 2003 R2", 50012},
    {L"Windows Vista", 50001},
    {L"Windows Server 2008", 50002},
    {L"Windows 2003 Data Center Edition", 50008},
    {L"Windows 2003 Standard 64 bit Edition(AMD Based)", 50007},
    {L"Windows 2003 Data Center 64 bit Edition(Itanium Based)", 50003},
    {L"Windows 2003 Data Center 64 bit Edition(AMD Based)", 50005},
    {L"Windows Vista 64 bit", 50026},
    {L"Windows XP Professional 64 bit", 50013},
    {L"Windows Server 2008 64 bit", 50029},
    {L"Windows Server 2008 R2", 50030},
    {L"Windows Server 2008 R2 64 bit", 50031},
    {L"Windows 7", 50032},
    {L"Windows 7 64 bit", 50033},
    {L"Windows 8", 50034},
    {L"Windows 8 64 bit", 50035},
    {L"Windows Server 2012", 50036},
    {L"Windows Server 2012 64 bit", 50037},
    {L"Windows 8.1", 50038},
    {L"Windows 8.1 64 bit", 50039},
    {L"Windows Server 2012 R2 64 bit", 50040},
    {L"Windows 10", 50041},
    {L"Windows 10 64 bit", 50042},
    {L"Windows 10 Server 64 bit", 50043},
};

bool SameText(LPCWSTR a, LPCWSTR b) {
  for (;; ++a, ++b) {
    if (*a != *b) {
      return false;
    }
    if (*a == L'\0') {
      return true;
    }
  }
}

}  // namespace

const OsNameEntry* GetOsNameTable(DWORD* row_count) {
  if (row_count != nullptr) {
    *row_count = sizeof(kOsNames) / sizeof(kOsNames[0]);
  }
  return kOsNames;
}

OsVersionCode GetOsVersionCodeFromName(LPCWSTR name) {
  if (name == nullptr) {
    return 0;
  }
  for (const OsNameEntry& entry : kOsNames) {
    if (SameText(entry.name, name)) {
      return entry.code;
    }
  }
  return 0;
}

BYTE GetOsVersionName(OsVersionCode code, WCHAR* buffer, DWORD capacity) {
  if (buffer == nullptr) {
    return 0;
  }
  for (const OsNameEntry& entry : kOsNames) {
    if (entry.code == code) {
      return CopyStringBounded(buffer, capacity, entry.name) >= 0 ? 1 : 0;
    }
  }
  return 0;
}

LONG CopyStringBounded(WCHAR* destination, DWORD capacity, LPCWSTR source) {
  if (destination == nullptr || source == nullptr || capacity == 0 ||
      capacity > kMaxCapacity) {
    return kInvalidArgument;
  }
  DWORD copied = 0;
  while (copied < capacity && copied < kMaxSourceChars &&
         source[copied] != L'\0') {
    destination[copied] = source[copied];
    ++copied;
  }
  if (copied == capacity) {
    // The source and its terminator did not fit: the last character gives way.
    destination[copied - 1] = L'\0';
    return kInsufficientBuffer;
  }
  destination[copied] = L'\0';
  return kSuccess;
}
