#include "launcher/launcher.h"
#include "launcher/wide_text.h"
#include "osinfo/osinfo.h"

namespace {

const WCHAR kInstaller64[] = L"kovrim64.exe";
const WCHAR kInstaller32[] = L"Kovrimen.exe";
const WCHAR kConfigFileName[] = L"tesvol.ini";
const WCHAR kSilentSwitch[] = L" /SILENT ";
const WCHAR kShellVerb[] = L"runas";
// Off NT the installer is held back while the rest of the logon settles.
const DWORD kNonNtPauseMs = 45000;

// installer /SILENT config, each path quoted when it holds a space.
bool BuildDirectCommandLine(LPCWSTR installer, LPCWSTR config,
                            WCHAR (&command_line)[kPathChars]) {
  return AppendPathArgument(command_line, kPathChars, installer) &&
         AppendText(command_line, kPathChars, kSilentSwitch) &&
         AppendPathArgument(command_line, kPathChars, config);
}

// The shell's parameters: the switch and the configuration path joined by a
// space, giving " /SILENT  config".
bool BuildShellParameters(LPCWSTR config, WCHAR (&parameters)[kPathChars]) {
  return AppendText(parameters, kPathChars, kSilentSwitch) &&
         AppendText(parameters, kPathChars, L" ") &&
         AppendPathArgument(parameters, kPathChars, config);
}

// Stops the plan at `step`; the composed text of a failed step is cleared so
// that no half-built command is ever shown or used.
BYTE Stop(InstallPlan* plan, InstallPlanStep step) {
  plan->step = step;
  plan->command_line[0] = L'\0';
  plan->shell_parameters[0] = L'\0';
  plan->shell_file[0] = L'\0';
  return 0;
}

}  // namespace

BYTE PlanInstallerPaths(InstallPlan* plan) {
  if (plan == nullptr) {
    return 0;
  }
  *plan = InstallPlan{};
  plan->have_installer_directory = GetModuleDirectoryShort(plan->installer);
  plan->have_config_directory = GetModuleDirectoryShort(plan->config);
  if (!plan->have_installer_directory || !plan->have_config_directory) {
    return Stop(plan, InstallPlanStep::kNoModuleDirectory);
  }
  CopyText(plan->directory, kPathChars, plan->installer);
  plan->native_64bit = IsNative64BitOs() != 0;
  plan->installer_name = plan->native_64bit ? kInstaller64 : kInstaller32;
  if (!AppendText(plan->installer, kPathChars, plan->installer_name) ||
      !AppendText(plan->config, kPathChars, kConfigFileName)) {
    return Stop(plan, InstallPlanStep::kPathTooLong);
  }
  plan->pause_before_start = !IsNtPlatform();
  plan->pause_ms = plan->pause_before_start ? kNonNtPauseMs : 0;
  plan->step = InstallPlanStep::kPathsReady;
  return 1;
}

BYTE PlanInstallerStart(InstallPlan* plan) {
  if (plan == nullptr || plan->step != InstallPlanStep::kPathsReady) {
    return 0;
  }
  GetElevationReport(&plan->elevation);
  if (plan->elevation.elevation_required) {
    plan->path = StartPath::kShell;
    plan->shell_verb = kShellVerb;
    plan->show_mode = SW_SHOW;
    if (!BuildShellParameters(plan->config, plan->shell_parameters)) {
      return Stop(plan, InstallPlanStep::kShellParametersTooLong);
    }
    // The shell start takes the installer path into a buffer of its own,
    // and starts nothing when it does not fit there.
    if (!CopyText(plan->shell_file, kShellFileChars, plan->installer)) {
      return Stop(plan, InstallPlanStep::kShellFileTooLong);
    }
  } else {
    plan->path = StartPath::kDirect;
    plan->show_mode = SW_HIDE;
    if (!BuildDirectCommandLine(plan->installer, plan->config,
                                plan->command_line)) {
      return Stop(plan, InstallPlanStep::kCommandLineTooLong);
    }
  }
  plan->step = InstallPlanStep::kReadyToStart;
  return 1;
}

BYTE StartPlannedInstaller(const InstallPlan* plan) {
  if (plan == nullptr || plan->step != InstallPlanStep::kReadyToStart) {
    return 0;
  }
  if (plan->path == StartPath::kShell) {
    return ShellStartProcess(plan->shell_file, plan->shell_verb,
                             plan->shell_parameters, plan->show_mode, 0);
  }
  return StartProcess(plan->command_line, plan->show_mode, FALSE) ? 1 : 0;
}

void RunLaunchSequence() {
  if (!IsAgentInstallRequired()) {
    return;
  }
  InstallPlan plan;
  if (!PlanInstallerPaths(&plan)) {
    return;
  }
  if (plan.pause_before_start) {
    Sleep(plan.pause_ms);
  }
  if (PlanInstallerStart(&plan)) {
    StartPlannedInstaller(&plan);
  }
}
