#include "launcher/launcher.h"
#include "launcher/wide_text.h"
#include "osinfo/osinfo.h"

namespace {

const WCHAR kInstaller64[] = L"kovrim64.exe";
const WCHAR kInstaller32[] = L"Kovrimen.exe";
const WCHAR kConfigFileName[] = L"tesvol.ini";
const WCHAR kSilentSwitch[] = L" /SILENT ";
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

void StartInstaller(LPCWSTR installer, LPCWSTR config) {
  if (IsElevationRequired()) {
    WCHAR parameters[kPathChars] = {};
    if (BuildShellParameters(config, parameters)) {
      ShellStartProcess(installer, L"runas", parameters, SW_SHOW, 0);
    }
    return;
  }
  WCHAR command_line[kPathChars] = {};
  if (BuildDirectCommandLine(installer, config, command_line)) {
    StartProcess(command_line, SW_HIDE, FALSE);
  }
}

}  // namespace

void RunLaunchSequence() {
  if (!IsAgentInstallRequired()) {
    return;
  }
  WCHAR installer[kPathChars] = {};
  WCHAR config[kPathChars] = {};
  BYTE have_installer_directory = GetModuleDirectoryShort(installer);
  BYTE have_config_directory = GetModuleDirectoryShort(config);
  if (!have_installer_directory || !have_config_directory) {
    return;
  }
  LPCWSTR installer_name = IsNative64BitOs() ? kInstaller64 : kInstaller32;
  if (!AppendText(installer, kPathChars, installer_name) ||
      !AppendText(config, kPathChars, kConfigFileName)) {
    return;
  }
  if (!IsNtPlatform()) {
    Sleep(kNonNtPauseMs);
  }
  StartInstaller(installer, config);
}
