// The classification over arbitrary machines: any version record, platform,
// product type, suite, architecture, metric and set of missing or failing
// calls. The code is always 0 or 50001 to 50043, every nonzero code has a
// name, and the level query and predicates keep their answers in range.
#include <cstdint>

#include "fuzz_input.h"
#include "machine.h"
#include "osinfo/osinfo.h"

namespace {

// Mostly versions that exist, sometimes anything.
DWORD TakeVersionNumber(FuzzInput& input, const DWORD* likely, std::size_t count) {
  std::uint8_t pick = input.Take<std::uint8_t>();
  return pick < 200 ? likely[pick % count] : input.Take<DWORD>();
}

void SetMachine(FuzzInput& input) {
  standin::Reset();
  standin::Machine& m = standin::TheMachine();
  const DWORD kMajors[] = {3, 4, 5, 6, 10};
  const DWORD kMinors[] = {0, 1, 2, 3, 10, 51, 90};
  m.version.dwMajorVersion = TakeVersionNumber(input, kMajors, 5);
  m.version.dwMinorVersion = TakeVersionNumber(input, kMinors, 7);
  m.version.dwBuildNumber = input.Take<DWORD>();
  m.version.dwPlatformId = input.Take<std::uint8_t>() % 4;
  m.version.wServicePackMajor = input.Take<std::uint8_t>() % 5;
  m.version.wServicePackMinor = input.Take<std::uint8_t>() % 3;
  m.version.wSuiteMask = input.Take<WORD>();
  m.version.wProductType = input.Take<std::uint8_t>() % 5;
  std::uint8_t architecture = input.Take<std::uint8_t>();
  m.native_architecture = architecture < 250 ? architecture % 13 : 0xFFFF;
  m.server_r2_metric = input.Take<std::uint8_t>() % 3 == 0 ? 1 : 0;
  std::uint16_t flags = input.Take<std::uint16_t>();
  m.ntdll_loaded = (flags & 0x001) == 0;
  m.kernel32_loaded = (flags & 0x002) == 0;
  m.has_rtl_get_version = (flags & 0x004) == 0;
  m.rtl_get_version_status = (flags & 0x008) ? static_cast<LONG>(0xC0000001u) : 0;
  m.get_version_ex_takes_extended = (flags & 0x010) == 0;
  m.get_version_ex_takes_plain = (flags & 0x020) == 0;
  m.has_get_native_system_info = (flags & 0x040) == 0;
  m.has_rtl_verify_version_info = (flags & 0x080) == 0;
  if (flags & 0x100) m.rtl_verify_version_info_status = input.Take<LONG>();
  m.has_get_product_info = (flags & 0x200) == 0;
  m.get_product_info_result = (flags & 0x400) ? FALSE : TRUE;
  m.product_info_type = input.Take<DWORD>();
  m.pae_feature = (flags & 0x800) ? TRUE : FALSE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  SetMachine(input);

  OsVersionCode code = GetOsVersionCode();
  FUZZ_CHECK(code == 0 || (code >= 50001 && code <= 50043));
  if (code != 0) {
    WCHAR name[128];
    FUZZ_CHECK(GetOsVersionName(code, name, 128) == 1);
  }

  OsVersionLevel level = 99;
  BYTE have_level = GetOsVersionLevel(&level);
  FUZZ_CHECK(level >= 0 && level <= 8);
  FUZZ_CHECK(have_level == 1 || level == 0);

  BYTE answer = 0xAB;
  OsVersionLevel asked = input.Take<OsVersionLevel>();
  BYTE answered = IsOsVersionAtLeast(asked, &answer);
  FUZZ_CHECK(answered <= 1 && answer <= 1);
  FUZZ_CHECK(answered == 1 || answer == 0);

  FUZZ_CHECK(IsNative64BitOs() <= 1);
  FUZZ_CHECK(standin::OpenHandles().empty());
  return 0;
}
