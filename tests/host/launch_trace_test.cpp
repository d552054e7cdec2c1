// The launch's Win32 calls, whole and in order, for each way it can start the
// installer: the pause must fall between the platform test and the privilege
// probe, and planning the start must add no call of its own.
#include <functional>

#include "agent_setup.h"
#include "launcher/launcher.h"
#include "standin_fixture.h"

namespace {

using standin::Machine;

const std::vector<std::string> kPresenceCheckNtServiceMissing = {
    "GetVersionExW 276",
    "OpenSCManagerW (null) (null) 0x80000000",
    "LookupAgentServiceName Orvalin 260",
    "OpenServiceW Orvalin 0x80000000",
    "CloseServiceHandle service manager",
};
const std::vector<std::string> kPathsAndArchitecture = {
    "GetModuleFileNameW self 1024",
    "GetShortPathNameW C:\\Deploy\\ 1024 in place",
    "GetModuleFileNameW self 1024",
    "GetShortPathNameW C:\\Deploy\\ 1024 in place",
    "GetModuleHandleW Kernel32.dll",
    "GetProcAddress GetNativeSystemInfo",
    "GetNativeSystemInfo",
};

std::vector<std::string> Join(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct TraceCase {
  const char* name;
  std::function<void(Machine&)> arrange;
  std::vector<std::string> calls;
};

class LaunchTraceTest : public StandinTest,
                        public ::testing::WithParamInterface<TraceCase> {};

TEST_P(LaunchTraceTest, MakesExactlyTheseCalls) {
  GetParam().arrange(machine());
  EXPECT_EQ(wWinMain(nullptr, nullptr, nullptr, 0), 0);
  EXPECT_EQ(trace().calls, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, LaunchTraceTest,
    ::testing::Values(
        TraceCase{"NtDirect", [](Machine&) {},
                  Join({kPresenceCheckNtServiceMissing, kPathsAndArchitecture,
                        {"GetVersionExW 276", "GetVersionExW 276",
                         "RegOpenKeyExW HKLM\\SAM 0 0x20006",
                         "CreateProcessW C:\\Deploy\\Kovrimen.exe /SILENT "
                         "C:\\Deploy\\tesvol.ini",
                         "CloseHandle thread", "CloseHandle process"}})},
        TraceCase{"NtShell",
                  [](Machine& m) {
                    m.registry.push_back({"SAM", ERROR_ACCESS_DENIED, false, "", true});
                  },
                  Join({kPresenceCheckNtServiceMissing, kPathsAndArchitecture,
                        {"GetVersionExW 276", "GetVersionExW 276",
                         "RegOpenKeyExW HKLM\\SAM 0 0x20006",
                         "ShellExecuteExW runas C:\\Deploy\\Kovrimen.exe"}})},
        TraceCase{"Windows9xPauseBetweenPlatformTestAndStart",
                  [](Machine& m) { SetPlatform(m, VER_PLATFORM_WIN32_WINDOWS); },
                  Join({{"GetVersionExW 276",
                         "LookupAgentAppPathKey " + kAppPathKey + " 260",
                         "RegOpenKeyExW HKLM\\" + kAppPathKey + " 0 0x1"},
                        kPathsAndArchitecture,
                        {"GetVersionExW 276", "Sleep 45000", "GetVersionExW 276",
                         "CreateProcessW C:\\Deploy\\Kovrimen.exe /SILENT "
                         "C:\\Deploy\\tesvol.ini",
                         "CloseHandle thread", "CloseHandle process"}})}),
    CaseName());

}  // namespace
