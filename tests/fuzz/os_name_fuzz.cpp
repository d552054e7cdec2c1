// The OS name table's two look-ups over arbitrary names, codes and buffers:
// a name found gives back the same name, a code's name gives back the code,
// every code from 50001 to 50043 has a name, and no copy runs past its buffer.
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "osinfo/osinfo.h"

namespace {

bool SameText(const WCHAR* a, const WCHAR* b) {
  for (;; ++a, ++b) {
    if (*a != *b) return false;
    if (*a == 0) return true;
  }
}

std::vector<WCHAR> CopyOf(const WCHAR* text) {
  std::vector<WCHAR> copy;
  for (; *text != 0; ++text) copy.push_back(*text);
  copy.push_back(0);
  return copy;
}

// A name near a table row: the row's name, cut, extended or with one
// character changed, as the fuzzer's bytes say.
std::vector<WCHAR> NearName(FuzzInput& input) {
  DWORD rows = 0;
  const OsNameEntry* table = GetOsNameTable(&rows);
  std::vector<WCHAR> name = CopyOf(table[input.Take<std::uint8_t>() % rows].name);
  name.pop_back();
  switch (input.Take<std::uint8_t>() % 4) {
    case 0: break;
    case 1: name.resize(name.size() * input.Take<std::uint8_t>() / 256); break;
    case 2: name.push_back(input.Take<std::uint16_t>()); break;
    case 3:
      if (!name.empty()) name[input.Take<std::uint8_t>() % name.size()] = input.Take<std::uint16_t>();
      break;
  }
  for (WCHAR& c : name) {
    if (c == 0) c = L' ';
  }
  name.push_back(0);
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  std::vector<WCHAR> name = input.TakeBool() ? NearName(input) : input.TakeWide(100);
  OsVersionCode code = GetOsVersionCodeFromName(name.data());
  FUZZ_CHECK(code == 0 || (code >= 50001 && code <= 50043));
  if (code != 0) {
    WCHAR back[128];
    FUZZ_CHECK(GetOsVersionName(code, back, 128) == 1);
    FUZZ_CHECK(SameText(back, name.data()));
  }

  // A code, mostly near the table's range, into a buffer of exactly
  // `capacity` characters.
  OsVersionCode asked = 50000 + static_cast<OsVersionCode>(input.Take<std::uint8_t>() % 48);
  if (input.TakeBool()) asked = input.Take<OsVersionCode>();
  DWORD capacity = input.Take<std::uint8_t>() % 80;
  std::vector<WCHAR> buffer(capacity == 0 ? 1 : capacity, 0xABAB);
  BYTE copied = GetOsVersionName(asked, capacity == 0 ? nullptr : buffer.data(), capacity);
  WCHAR whole[128];
  BYTE named = GetOsVersionName(asked, whole, 128);
  FUZZ_CHECK(named == (asked >= 50001 && asked <= 50043 ? 1 : 0));
  if (named) {
    FUZZ_CHECK(GetOsVersionCodeFromName(whole) == asked);
  }
  if (copied) {
    FUZZ_CHECK(named && SameText(buffer.data(), whole));
  } else if (named && capacity > 0) {
    // Cut: the first capacity - 1 characters and a terminator.
    for (DWORD i = 0; i + 1 < capacity; ++i) FUZZ_CHECK(buffer[i] == whole[i]);
    FUZZ_CHECK(buffer[capacity - 1] == 0);
  } else if (capacity > 0) {
    FUZZ_CHECK(buffer[0] == 0xABAB);
  }
  return 0;
}
