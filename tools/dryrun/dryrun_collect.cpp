#include "tools/dryrun/dryrun.h"

namespace {

PlatformFamily FamilyOf(DWORD platform_id) {
  switch (platform_id) {
    case VER_PLATFORM_WIN32_NT:
      return PlatformFamily::kNt;
    case VER_PLATFORM_WIN32_WINDOWS:
      return PlatformFamily::kWindows9x;
    default:
      return PlatformFamily::kOther;
  }
}

}  // namespace

bool IsPresentFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

BYTE CollectDryRunReport(DryRunReport* report) {
  if (report == nullptr) {
    return 0;
  }
  *report = DryRunReport{};
  report->os_code = GetOsVersionCode();
  report->have_os_name =
      GetOsVersionName(report->os_code, report->os_name, kOsNameChars) != 0;
  if (!report->have_os_name) {
    report->os_name[0] = L'\0';
  }

  GetAgentPresenceReport(&report->presence);
  report->platform = FamilyOf(report->presence.platform_id);
  if (!report->presence.install_required) {
    return 1;
  }
  report->install_planned = true;
  // The launcher pauses between the two phases off NT; a dry run does not.
  if (!PlanInstallerPaths(&report->plan)) {
    return 1;
  }
  PlanInstallerStart(&report->plan);
  report->files_checked = true;
  report->installer_attributes = GetFileAttributesW(report->plan.installer);
  report->config_attributes = GetFileAttributesW(report->plan.config);
  return 1;
}
