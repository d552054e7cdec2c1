// The launcher's dry run: what kovlaunch.exe would do on this machine and why,
// found through the launcher's own presence check and launch plan, with
// nothing started and nothing changed. Built for Windows as
// kovlaunch-dryrun.exe and on the host against the simulated machine.
#pragma once

#include <windows.h>

#include <cstdio>

#include "launcher/launcher.h"
#include "osinfo/osinfo.h"

const DWORD kOsNameChars = 128;

enum class PlatformFamily : BYTE { kNt, kWindows9x, kOther };

struct DryRunReport {
  OsVersionCode os_code;
  bool have_os_name;
  WCHAR os_name[kOsNameChars];
  PlatformFamily platform;

  AgentPresenceReport presence;

  // Only when the presence check asks for the installer.
  bool install_planned;
  InstallPlan plan;
  // Only once the plan's paths are ready: the files beside the launcher.
  bool files_checked;
  DWORD installer_attributes;  // INVALID_FILE_ATTRIBUTES when not there
  DWORD config_attributes;
};

// Goes through the launcher's decisions without the pause and without the
// start. False, having done nothing, when `report` is null.
BYTE CollectDryRunReport(DryRunReport* report);

// A file, not a directory, is there.
bool IsPresentFile(DWORD attributes);

// The report as one JSON object on one line, or as text for a person.
void WriteDryRunJson(const DryRunReport& report, std::FILE* out);
void WriteDryRunText(const DryRunReport& report, std::FILE* out);

// The whole tool: reads the arguments (--json, --help), collects and writes
// the report. 0 when it answered, 2 on bad arguments, 1 when the report could
// not be written.
int RunDryRunTool(int argc, const WCHAR* const* argv, std::FILE* out,
                  std::FILE* err);

// UTF-8 of the UTF-16 text at `text`: one code point per call from
// text[*index], advancing *index past it; unpaired surrogates become U+FFFD.
// Writes 1 to 4 bytes into `utf8` and returns how many.
int NextUtf8(const WCHAR* text, DWORD* index, char (&utf8)[4]);
