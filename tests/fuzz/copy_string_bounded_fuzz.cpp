// CopyStringBounded over arbitrary capacities and sources: never a character
// past the capacity, and exactly the documented result and buffer contents.
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "osinfo/osinfo.h"

namespace {

const LONG kInvalidArgument = static_cast<LONG>(0x80070057);
const LONG kInsufficientBuffer = static_cast<LONG>(0x8007007A);
const WCHAR kUntouched = 0xABAB;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  std::uint32_t raw = input.Take<std::uint32_t>();
  bool null_destination = input.Take<std::uint8_t>() == 0x5A;
  std::vector<WCHAR> source = input.TakeWide(600);
  std::size_t source_length = source.size() - 1;

  // A capacity above 2147483647 must be refused untouched; any other gets a
  // buffer of exactly that many characters, so that ASan sees a write past it.
  bool oversized = (raw & 0x80000000u) != 0;
  DWORD capacity = oversized ? raw : raw % 700;
  std::size_t buffer_chars = oversized || capacity == 0 ? 8 : capacity;
  WCHAR* buffer = new WCHAR[buffer_chars];
  for (std::size_t i = 0; i < buffer_chars; ++i) buffer[i] = kUntouched;

  LONG result =
      CopyStringBounded(null_destination ? nullptr : buffer, capacity, source.data());
  if (oversized || capacity == 0 || null_destination) {
    FUZZ_CHECK(result == kInvalidArgument);
    for (std::size_t i = 0; i < buffer_chars; ++i) FUZZ_CHECK(buffer[i] == kUntouched);
  } else if (source_length < capacity) {
    FUZZ_CHECK(result == 0);
    for (std::size_t i = 0; i <= source_length; ++i) FUZZ_CHECK(buffer[i] == source[i]);
  } else {
    FUZZ_CHECK(result == kInsufficientBuffer);
    for (std::size_t i = 0; i + 1 < capacity; ++i) FUZZ_CHECK(buffer[i] == source[i]);
    FUZZ_CHECK(buffer[capacity - 1] == 0);
  }
  // A null source is refused too.
  FUZZ_CHECK(CopyStringBounded(buffer, 1, nullptr) == kInvalidArgument);
  delete[] buffer;
  return 0;
}
