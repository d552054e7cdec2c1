// The stand-in's version comparison, condition masks, system metric,
// processor feature and product edition calls.
#include "version_calls.h"

#include <cstdio>
#include <string>

#include "machine.h"

namespace standin {
namespace {

const LONG kStatusRevisionMismatch = static_cast<LONG>(0xC0000059u);
const LONG kStatusInvalidParameter = static_cast<LONG>(0xC000000Du);


// The condition recorded for `type_bit`: three bits at three times the bit's
// position in the type mask.
BYTE ConditionOf(ULONGLONG condition_mask, ULONG type_bit) {
  int index = 0;
  while ((type_bit >> index) != 1) ++index;
  return static_cast<BYTE>((condition_mask >> (index * 3)) & 7);
}

// Whether `running` compared with `wanted` meets `condition`.
bool Meets(BYTE condition, DWORD running, DWORD wanted) {
  switch (condition) {
    case VER_EQUAL: return running == wanted;
    case VER_GREATER: return running > wanted;
    case VER_GREATER_EQUAL: return running >= wanted;
    case VER_LESS: return running < wanted;
    case VER_LESS_EQUAL: return running <= wanted;
    default: return false;
  }
}

}  // namespace

LONG WINAPI FakeRtlVerifyVersionInfo(OSVERSIONINFOEXW* wanted, ULONG type_mask,
                                     ULONGLONG condition_mask) {
  Record("RtlVerifyVersionInfo " + Hex(type_mask) + " " + Hex(condition_mask));
  TheTrace().version_checks.push_back({*wanted, type_mask, condition_mask});
  Fault fault;
  if (FaultFor("RtlVerifyVersionInfo", &fault)) {
    return static_cast<LONG>(fault == Fault::kAccessDenied
                                 ? kFaultStatusAccessDenied
                                 : kStatusInvalidParameter);
  }
  const Machine& machine = TheMachine();
  if (machine.rtl_verify_version_info_status) {
    return *machine.rtl_verify_version_info_status;
  }
  const OSVERSIONINFOEXW& running = machine.version;
  struct Number {
    ULONG type_bit;
    DWORD running;
    DWORD wanted;
  };
  const Number numbers[] = {
      {VER_MAJORVERSION, running.dwMajorVersion, wanted->dwMajorVersion},
      {VER_MINORVERSION, running.dwMinorVersion, wanted->dwMinorVersion},
      {VER_SERVICEPACKMAJOR, running.wServicePackMajor,
       wanted->wServicePackMajor},
      {VER_SERVICEPACKMINOR, running.wServicePackMinor,
       wanted->wServicePackMinor},
  };
  const ULONG known = VER_MAJORVERSION | VER_MINORVERSION |
                      VER_SERVICEPACKMAJOR | VER_SERVICEPACKMINOR;
  if (type_mask == 0 || (type_mask & ~known) != 0) {
    return kStatusInvalidParameter;
  }
  bool met = true;
  for (const Number& number : numbers) {
    if ((type_mask & number.type_bit) == 0) continue;
    BYTE condition = ConditionOf(condition_mask, number.type_bit);
    if (condition == 0) return kStatusInvalidParameter;
    met = Meets(condition, number.running, number.wanted);
    if (number.running != number.wanted) break;
  }
  return met ? 0 : kStatusRevisionMismatch;
}

BOOL WINAPI FakeGetProductInfo(DWORD major, DWORD minor,
                               DWORD service_pack_major,
                               DWORD service_pack_minor, DWORD* product_type) {
  Record("GetProductInfo " + std::to_string(major) + " " +
         std::to_string(minor) + " " + std::to_string(service_pack_major) +
         " " + std::to_string(service_pack_minor));
  const Machine& machine = TheMachine();
  Fault fault;
  if (FaultFor("GetProductInfo", &fault)) {
    *product_type = 0;
    return FALSE;
  }
  *product_type = machine.get_product_info_result ? machine.product_info_type : 0;
  return machine.get_product_info_result;
}

}  // namespace standin

using namespace standin;

extern "C" {

ULONGLONG WINAPI VerSetConditionMask(ULONGLONG condition_mask, DWORD type_mask,
                                     BYTE condition) {
  Record("VerSetConditionMask " + Hex(type_mask) + " " +
         std::to_string(condition));
  if (condition == 0) return condition_mask;
  // Three bits for each of the 21 type bits that fit in 64.
  for (int index = 0; index < 21; ++index) {
    if ((type_mask >> index) & 1) {
      condition_mask |= static_cast<ULONGLONG>(condition & 7) << (index * 3);
    }
  }
  return condition_mask;
}

BOOL WINAPI IsProcessorFeaturePresent(DWORD feature) {
  Record("IsProcessorFeaturePresent " + std::to_string(feature));
  Fault fault;
  if (FaultFor("IsProcessorFeaturePresent", &fault)) return FALSE;
  return feature == PF_PAE_ENABLED ? TheMachine().pae_feature : FALSE;
}

int WINAPI GetSystemMetrics(int index) {
  Record("GetSystemMetrics " + std::to_string(index));
  Fault fault;
  if (FaultFor("GetSystemMetrics", &fault)) return 0;
  return index == SM_SERVERR2 ? TheMachine().server_r2_metric : 0;
}

}  // extern "C"
