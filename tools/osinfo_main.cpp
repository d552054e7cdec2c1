// osinfo.exe: what the platform identification library says of this machine,
// as readable text or, with --json, as one JSON object for inventory scripts.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "osinfo/osinfo.h"

namespace {

// Facts the library answered; `have_*` is false where it could not answer.
struct Report {
  OsVersionCode code = 0;
  WCHAR name[64] = {};
  bool have_name = false;
  OsVersionSnapshot snapshot = {};
  bool have_snapshot = false;
  bool native_64bit = false;
  OsVersionLevel level = 0;
  bool have_level = false;
  LONG family = 0;
  bool have_family = false;
  BYTE server = 0;
  bool have_server = false;
  WORD service_pack_major = 0;
  WORD service_pack_minor = 0;
  bool have_service_pack = false;
  DWORD product_type = 0;
  bool have_product_type = false;
  DWORD build = 0;
  bool have_build = false;
  BYTE pae = 0;
  bool have_pae = false;
};

Report Collect() {
  Report r;
  r.code = GetOsVersionCode();
  r.have_name = GetOsVersionName(r.code, r.name, sizeof(r.name) / sizeof(r.name[0])) != 0;
  r.have_snapshot = GetVersionSnapshot(&r.snapshot) != 0;
  r.native_64bit = IsNative64BitOs() != 0;
  r.have_level = GetOsVersionLevel(&r.level) != 0;
  r.have_family = GetPlatformFamily(&r.family) != 0;
  r.have_server = IsServerProduct(&r.server) != 0;
  r.have_service_pack =
      GetServicePackVersion(&r.service_pack_major, &r.service_pack_minor) != 0;
  r.have_product_type = GetOsProductType(&r.product_type) != 0;
  r.have_build = GetOsBuildNumber(&r.build) != 0;
  r.have_pae = IsPaeEnabled(&r.pae) != 0;
  return r;
}

// `text` in UTF-8, cut to fit `out`.
void ToUtf8(const WCHAR* text, char* out, int capacity) {
  if (WideCharToMultiByte(CP_UTF8, 0, text, -1, out, capacity, nullptr, nullptr) == 0) {
    out[0] = '\0';
  }
}

void PrintJsonString(const WCHAR* text) {
  char utf8[512];
  ToUtf8(text, utf8, sizeof(utf8));
  std::putchar('"');
  for (const char* c = utf8; *c != '\0'; ++c) {
    unsigned char u = static_cast<unsigned char>(*c);
    if (u == '"' || u == '\\') {
      std::printf("\\%c", u);
    } else if (u < 0x20) {
      std::printf("\\u%04x", u);
    } else {
      std::putchar(u);
    }
  }
  std::putchar('"');
}

const char* Bool(bool value) { return value ? "true" : "false"; }

void PrintJson(const Report& r) {
  std::printf("{\"code\":%ld,\"name\":", static_cast<long>(r.code));
  if (r.have_name) PrintJsonString(r.name); else std::printf("null");
  std::printf(",\"snapshot\":");
  if (r.have_snapshot) {
    const OsVersionSnapshot& s = r.snapshot;
    std::printf("{\"size\":%lu,\"major\":%lu,\"minor\":%lu,\"build\":%lu,\"platformId\":%lu,"
                "\"csdVersion\":",
                static_cast<unsigned long>(s.dwOSVersionInfoSize),
                static_cast<unsigned long>(s.dwMajorVersion),
                static_cast<unsigned long>(s.dwMinorVersion),
                static_cast<unsigned long>(s.dwBuildNumber),
                static_cast<unsigned long>(s.dwPlatformId));
    PrintJsonString(s.szCSDVersion);
    std::printf(",\"servicePackMajor\":%u,\"servicePackMinor\":%u,\"suiteMask\":%u,"
                "\"productType\":%u}",
                s.wServicePackMajor, s.wServicePackMinor, s.wSuiteMask, s.wProductType);
  } else {
    std::printf("null");
  }
  std::printf(",\"native64Bit\":%s", Bool(r.native_64bit));
  if (r.have_level) std::printf(",\"level\":%ld", static_cast<long>(r.level));
  else std::printf(",\"level\":null");
  if (r.have_family) std::printf(",\"platformFamily\":%ld", static_cast<long>(r.family));
  else std::printf(",\"platformFamily\":null");
  std::printf(",\"serverProduct\":%s", r.have_server ? Bool(r.server) : "null");
  if (r.have_service_pack) {
    std::printf(",\"servicePack\":{\"major\":%u,\"minor\":%u}", r.service_pack_major,
                r.service_pack_minor);
  } else {
    std::printf(",\"servicePack\":null");
  }
  if (r.have_product_type) std::printf(",\"productType\":%lu", static_cast<unsigned long>(r.product_type));
  else std::printf(",\"productType\":null");
  if (r.have_build) std::printf(",\"buildNumber\":%lu", static_cast<unsigned long>(r.build));
  else std::printf(",\"buildNumber\":null");
  std::printf(",\"pae\":%s}\n", r.have_pae ? Bool(r.pae) : "null");
}

const char* FamilyName(LONG family) {
  switch (family) {
    case 1: return "Windows 9x family";
    case 2: return "NT family";
    default: return "other";
  }
}

void PrintText(const Report& r) {
  char name[256] = "(not recognised)";
  if (r.have_name) ToUtf8(r.name, name, sizeof(name));
  std::printf("Operating system   %s (code %ld)\n", name, static_cast<long>(r.code));
  if (r.have_snapshot) {
    const OsVersionSnapshot& s = r.snapshot;
    char csd[256];
    ToUtf8(s.szCSDVersion, csd, sizeof(csd));
    std::printf("Version            %lu.%lu build %lu, platform id %lu\n",
                static_cast<unsigned long>(s.dwMajorVersion),
                static_cast<unsigned long>(s.dwMinorVersion),
                static_cast<unsigned long>(s.dwBuildNumber),
                static_cast<unsigned long>(s.dwPlatformId));
    std::printf("Service pack text  %s\n", csd[0] ? csd : "(none)");
    std::printf("Suite mask         0x%04X\n", s.wSuiteMask);
    std::printf("Record product     %u\n", s.wProductType);
    std::printf("Record size        %lu bytes\n", static_cast<unsigned long>(s.dwOSVersionInfoSize));
  } else {
    std::printf("Version            (could not be read)\n");
  }
  std::printf("Native 64-bit      %s\n", r.native_64bit ? "yes" : "no");
  if (r.have_level) std::printf("Release level      %ld\n", static_cast<long>(r.level));
  else std::printf("Release level      (unknown)\n");
  std::printf("Platform family    %s\n", r.have_family ? FamilyName(r.family) : "(unknown)");
  std::printf("Server product     %s\n", r.have_server ? (r.server ? "yes" : "no") : "(unknown)");
  if (r.have_service_pack) {
    std::printf("Service pack       %u.%u\n", r.service_pack_major, r.service_pack_minor);
  } else {
    std::printf("Service pack       (unknown)\n");
  }
  if (r.have_product_type) {
    std::printf("Product type       %lu\n", static_cast<unsigned long>(r.product_type));
  } else {
    std::printf("Product type       (unknown)\n");
  }
  if (r.have_build) std::printf("Build number       %lu\n", static_cast<unsigned long>(r.build));
  else std::printf("Build number       (unknown)\n");
  std::printf("PAE enabled        %s\n", r.have_pae ? (r.pae ? "yes" : "no") : "(unknown)");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bool json = false;
  if (argc == 2 && std::wcscmp(argv[1], L"--json") == 0) {
    json = true;
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: osinfo [--json]\n");
    return 2;
  }
  Report report = Collect();
  if (json) {
    PrintJson(report);
  } else {
    PrintText(report);
  }
  return 0;
}
