// The launch sequence over arbitrary module file names and short names:
// nothing is written past a buffer (ASan), the launcher ends with 0 and
// leaves no handle open, and in every command line it starts, a path with a
// space is in quotation marks.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "launcher/launcher.h"
#include "launcher/wide_text.h"
#include "machine.h"

namespace {

// A path of `length` characters drawn from a small alphabet that favours
// backslashes and spaces; Windows allows no quotation mark in a path.
std::string TakePath(FuzzInput& input, std::size_t length) {
  const char kAlphabet[] = "\\\\\\ \\  aZ~.1:C";
  std::string path;
  for (std::size_t i = 0; i < length && !input.empty(); ++i) {
    std::uint8_t byte = input.Take<std::uint8_t>();
    char c = byte < 128 ? kAlphabet[byte % (sizeof(kAlphabet) - 1)]
                        : static_cast<char>(byte % 94 + 33);
    path += c == '"' ? '_' : c;
  }
  return path;
}

std::size_t TakeLength(FuzzInput& input) {
  std::uint16_t raw = input.Take<std::uint16_t>();
  // Mostly short, sometimes around the 1024-character buffers.
  return (raw & 0x8000) ? 900 + raw % 300 : raw % 64;
}

// One argument at the start of `text`: a quoted path, or a path without a
// space. Moves past it; false when it is neither.
bool TakeArgument(const std::string& text, std::size_t* at, std::string* path) {
  if (*at < text.size() && text[*at] == '"') {
    std::size_t close = text.find('"', *at + 1);
    if (close == std::string::npos) return false;
    *path = text.substr(*at + 1, close - *at - 1);
    *at = close + 1;
    return true;
  }
  std::size_t end = text.find(' ', *at);
  if (end == std::string::npos) end = text.size();
  *path = text.substr(*at, end - *at);
  *at = end;
  return !path->empty();
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  standin::Reset();
  standin::Machine& m = standin::TheMachine();
  std::uint8_t flags = input.Take<std::uint8_t>();
  if (flags & 1) m.registry.push_back({"SAM", ERROR_ACCESS_DENIED, false, "", true});
  if (flags & 2) m.native_architecture = PROCESSOR_ARCHITECTURE_AMD64;
  if (flags & 4) m.version.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  m.cut_module_name_unterminated = (flags & 8) != 0;
  m.module_file_name = TakePath(input, TakeLength(input));
  std::string long_prefix = TakePath(input, TakeLength(input));
  std::string short_prefix = TakePath(input, TakeLength(input));
  // (The directory's short form may even come back empty here, which leaves
  // bare file names: still never a path with an unquoted space.)
  if (!long_prefix.empty()) m.short_names = {{long_prefix, short_prefix}};

  FUZZ_CHECK(wWinMain(nullptr, nullptr, nullptr, 0) == 0);
  const standin::Trace& t = standin::TheTrace();
  FUZZ_CHECK(standin::OpenHandles().empty());
  FUZZ_CHECK(t.misuses.empty());
  FUZZ_CHECK(t.process_starts.size() + t.shell_starts.size() <= 1);
  if (!t.process_starts.empty()) {
    const std::string& line = t.process_starts[0].command_line;
    std::size_t at = 0;
    std::string installer, config;
    FUZZ_CHECK(TakeArgument(line, &at, &installer));
    FUZZ_CHECK(line.compare(at, 9, " /SILENT ") == 0);
    at += 9;
    FUZZ_CHECK(TakeArgument(line, &at, &config));
    FUZZ_CHECK(at == line.size());
    FUZZ_CHECK(EndsWith(installer, "Kovrimen.exe") || EndsWith(installer, "kovrim64.exe"));
    FUZZ_CHECK(EndsWith(config, "tesvol.ini"));
  }
  if (!t.shell_starts.empty()) {
    const std::string& parameters = t.shell_starts[0].parameters;
    FUZZ_CHECK(parameters.compare(0, 10, " /SILENT  ") == 0);
    std::size_t at = 10;
    std::string config;
    FUZZ_CHECK(TakeArgument(parameters, &at, &config));
    FUZZ_CHECK(at == parameters.size());
    FUZZ_CHECK(EndsWith(config, "tesvol.ini"));
  }

  // The composition on its own, into a buffer of a fuzzed size.
  DWORD capacity = input.Take<std::uint8_t>() % 40 + 1;
  WCHAR* buffer = new WCHAR[capacity];
  buffer[0] = 0;
  std::string path = TakePath(input, input.Take<std::uint8_t>() % 48);
  std::vector<WCHAR> wide(path.begin(), path.end());
  wide.push_back(0);
  if (AppendPathArgument(buffer, capacity, wide.data())) {
    std::string written = standin::Narrow(buffer);
    bool spaced = path.find(' ') != std::string::npos;
    FUZZ_CHECK(written == (spaced ? "\"" + path + "\"" : path));
  } else {
    FUZZ_CHECK(buffer[0] == 0);
  }
  delete[] buffer;
  return 0;
}
