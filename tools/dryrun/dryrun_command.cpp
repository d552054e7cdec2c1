#include "tools/dryrun/dryrun.h"

namespace {

const char kUsage[] =
    "usage: kovlaunch-dryrun [--json]\n"
    "\n"
    "Run in the launcher's deployment folder, beside kovlaunch.exe. Goes\n"
    "through the launcher's decisions on this machine and prints each with its\n"
    "reason; starts nothing and changes nothing.\n"
    "\n"
    "  --json   the report as one JSON object\n"
    "  --help   this text\n"
    "\n"
    "The privilege probe answers for the account that runs this tool; the\n"
    "launcher asks for administrator rights, so run it elevated to see what\n"
    "the launcher sees.\n";

// `arg` equals the ASCII `option` exactly.
bool IsOption(const WCHAR* arg, const char* option) {
  DWORD i = 0;
  for (; option[i] != '\0'; ++i) {
    if (arg[i] != static_cast<WCHAR>(option[i])) return false;
  }
  return arg[i] == L'\0';
}

}  // namespace

int RunDryRunTool(int argc, const WCHAR* const* argv, std::FILE* out,
                  std::FILE* err) {
  bool json = false;
  bool help = false;
  for (int i = 1; i < argc; ++i) {
    const WCHAR* arg = argv[i];
    if (arg != nullptr && IsOption(arg, "--json")) {
      json = true;
    } else if (arg != nullptr && IsOption(arg, "--help")) {
      help = true;
    } else {
      std::fputs("kovlaunch-dryrun: unknown argument \"", err);
      if (arg != nullptr) {
        DWORD index = 0;
        while (arg[index] != L'\0') {
          char utf8[4];
          int count = NextUtf8(arg, &index, utf8);
          std::fwrite(utf8, 1, static_cast<std::size_t>(count), err);
        }
      }
      std::fputs("\"\n", err);
      std::fputs(kUsage, err);
      return 2;
    }
  }
  if (help) {
    std::fputs(kUsage, out);
    return std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
  }
  DryRunReport report;
  CollectDryRunReport(&report);
  if (json) {
    WriteDryRunJson(report, out);
  } else {
    WriteDryRunText(report, out);
  }
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fputs("kovlaunch-dryrun: the report could not be written\n", err);
    return 1;
  }
  return 0;
}
