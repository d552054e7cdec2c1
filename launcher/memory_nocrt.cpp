// The memory functions the compiler calls for zero-filled buffers and record
// copies, for the launcher built without the C runtime. Built without
// builtins and loop-to-call rewriting, so that they do not call themselves.
#include <stddef.h>

extern "C" {

void* memset(void* destination, int value, size_t count) {
  unsigned char* bytes = static_cast<unsigned char*>(destination);
  for (size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<unsigned char>(value);
  }
  return destination;
}

void* memcpy(void* destination, const void* source, size_t count) {
  unsigned char* to = static_cast<unsigned char*>(destination);
  const unsigned char* from = static_cast<const unsigned char*>(source);
  for (size_t i = 0; i < count; ++i) {
    to[i] = from[i];
  }
  return destination;
}

void* memmove(void* destination, const void* source, size_t count) {
  unsigned char* to = static_cast<unsigned char*>(destination);
  const unsigned char* from = static_cast<const unsigned char*>(source);
  if (to < from) {
    for (size_t i = 0; i < count; ++i) to[i] = from[i];
  } else {
    for (size_t i = count; i > 0; --i) to[i - 1] = from[i - 1];
  }
  return destination;
}

int memcmp(const void* a, const void* b, size_t count) {
  const unsigned char* x = static_cast<const unsigned char*>(a);
  const unsigned char* y = static_cast<const unsigned char*>(b);
  for (size_t i = 0; i < count; ++i) {
    if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
  }
  return 0;
}

}  // extern "C"
