// Reading a fuzzer's bytes as values, for the fuzz targets.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return size_ == 0; }

  template <typename T>
  T Take() {
    T value{};
    std::size_t n = size_ < sizeof(T) ? size_ : sizeof(T);
    std::memcpy(&value, data_, n);
    data_ += n;
    size_ -= n;
    return value;
  }

  bool TakeBool() { return (Take<std::uint8_t>() & 1) != 0; }

  // Up to `max_length` bytes, ending at the first zero byte or at the end.
  std::string TakeText(std::size_t max_length) {
    std::string text;
    while (size_ > 0 && text.size() < max_length) {
      char c = static_cast<char>(*data_++);
      --size_;
      if (c == '\0') break;
      text += c;
    }
    return text;
  }

  // Up to `max_length` wide characters, two bytes each, ending at a zero
  // character or the end; returned terminated.
  std::vector<WCHAR> TakeWide(std::size_t max_length) {
    std::vector<WCHAR> text;
    while (size_ >= 2 && text.size() < max_length) {
      WCHAR c = Take<std::uint16_t>();
      if (c == 0) break;
      text.push_back(c);
    }
    text.push_back(0);
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

#define FUZZ_CHECK(condition)                                              \
  do {                                                                     \
    if (!(condition)) {                                                    \
      std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, \
                       __FILE__, __LINE__);                                \
      __builtin_trap();                                                    \
    }                                                                      \
  } while (0)
