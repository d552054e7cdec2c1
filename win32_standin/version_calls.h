// The stand-in's version calls that the code reaches through GetProcAddress.
#pragma once

#include <windows.h>

namespace standin {

// Compares the machine's version with `wanted`: the numbers `type_mask`
// selects, of major, minor, service-pack major and service-pack minor, in
// that order, each by its own condition from `condition_mask`, and a later one
// only when all earlier ones are equal. 0 when satisfied,
// STATUS_REVISION_MISMATCH when not, STATUS_INVALID_PARAMETER for a type bit
// it does not know or a selected number without a condition.
LONG WINAPI FakeRtlVerifyVersionInfo(OSVERSIONINFOEXW* wanted, ULONG type_mask,
                                     ULONGLONG condition_mask);

BOOL WINAPI FakeGetProductInfo(DWORD major, DWORD minor,
                               DWORD service_pack_major,
                               DWORD service_pack_minor, DWORD* product_type);

}  // namespace standin
