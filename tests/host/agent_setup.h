// Ready-made machine states for the presence check and the launch sequence.
#pragma once

#include <string>

#include "machine.h"

inline const std::string kAppPathKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\PELDORAX.EXE";
inline const std::string kAgentExe = "C:\\Program Files\\Peldorax\\peldorax.exe";

// The agent as its installer leaves it: service, App Paths value, file.
inline void InstallAgent(standin::Machine& machine) {
  machine.services.push_back({"Orvalin", ERROR_SUCCESS});
  machine.registry.push_back({kAppPathKey, ERROR_SUCCESS, true, kAgentExe, true});
  machine.files.insert(kAgentExe);
}

inline void SetPlatform(standin::Machine& machine, DWORD platform) {
  machine.version.dwPlatformId = platform;
  if (platform == VER_PLATFORM_WIN32_WINDOWS) {
    machine.version.dwMajorVersion = 4;
    machine.version.dwMinorVersion = 10;
  }
}
