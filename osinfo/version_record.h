// Readings of the version record and of the native system information that
// several of the library's operations share.
#pragma once

#include <windows.h>

// A server or a domain controller. A workstation is not, and neither is a
// record without a product type (Windows 9x, NT before 4.0 SP6).
inline bool IsServerProductType(BYTE product_type) {
  return product_type == VER_NT_SERVER ||
         product_type == VER_NT_DOMAIN_CONTROLLER;
}

// Itanium, Alpha64, AMD64 and IA32 on Win64. ARM64 is not counted.
inline bool Is64BitArchitecture(WORD architecture) {
  switch (architecture) {
    case PROCESSOR_ARCHITECTURE_IA64:
    case PROCESSOR_ARCHITECTURE_ALPHA64:
    case PROCESSOR_ARCHITECTURE_AMD64:
    case PROCESSOR_ARCHITECTURE_IA32_ON_WIN64:
      return true;
    default:
      return false;
  }
}
