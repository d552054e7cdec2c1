#include "launcher/wide_text.h"

namespace {

// Characters before the terminator, or `limit` when there is none before it.
DWORD BoundedLength(const WCHAR* text, DWORD limit) {
  DWORD length = 0;
  while (length < limit && text[length] != L'\0') {
    ++length;
  }
  return length;
}

bool ContainsSpace(LPCWSTR text) {
  for (; *text != L'\0'; ++text) {
    if (*text == L' ') {
      return true;
    }
  }
  return false;
}

}  // namespace

bool IsTerminatedWithin(const WCHAR* buffer, DWORD capacity) {
  return BoundedLength(buffer, capacity) < capacity;
}

bool CopyText(WCHAR* buffer, DWORD capacity, LPCWSTR text) {
  if (text == nullptr || capacity == 0) {
    return false;
  }
  DWORD length = BoundedLength(text, capacity);
  if (length >= capacity) {
    return false;
  }
  for (DWORD i = 0; i < length; ++i) {
    buffer[i] = text[i];
  }
  buffer[length] = L'\0';
  return true;
}

bool AppendText(WCHAR* buffer, DWORD capacity, LPCWSTR text) {
  DWORD used = BoundedLength(buffer, capacity);
  if (used >= capacity) {
    return false;
  }
  return CopyText(buffer + used, capacity - used, text);
}

bool AppendPathArgument(WCHAR* buffer, DWORD capacity, LPCWSTR path) {
  if (path == nullptr || !ContainsSpace(path)) {
    return AppendText(buffer, capacity, path);
  }
  DWORD used = BoundedLength(buffer, capacity);
  if (AppendText(buffer, capacity, L"\"") && AppendText(buffer, capacity, path) &&
      AppendText(buffer, capacity, L"\"")) {
    return true;
  }
  if (used < capacity) {
    buffer[used] = L'\0';
  }
  return false;
}
