#include <functional>

#include "agent_setup.h"
#include "launcher/launcher.h"
#include "standin_fixture.h"

namespace {

using standin::CountCalls;
using standin::FirstCall;
using standin::Machine;

enum class Started { kNothing, kDirect, kShell };

struct LaunchCase {
  const char* name;
  std::function<void(Machine&)> arrange;
  Started started;
  std::string command_line;  // direct: the command line; shell: the file
  std::string parameters;    // shell only
  bool paused;
};

class LaunchSequenceTest : public StandinTest,
                           public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(LaunchSequenceTest, StartsTheRightInstallerTheRightWay) {
  const LaunchCase& c = GetParam();
  c.arrange(machine());

  EXPECT_EQ(wWinMain(nullptr, nullptr, nullptr, 0), 0);

  const standin::Trace& t = trace();
  EXPECT_EQ(t.process_starts.size(), c.started == Started::kDirect ? 1u : 0u);
  EXPECT_EQ(t.shell_starts.size(), c.started == Started::kShell ? 1u : 0u);
  EXPECT_EQ(CountCalls("WaitForSingleObject"), 0) << "never waits";
  if (c.started == Started::kDirect && !t.process_starts.empty()) {
    EXPECT_EQ(t.process_starts[0].command_line, c.command_line);
    EXPECT_EQ(t.process_starts[0].show_window, SW_HIDE);
    EXPECT_EQ(t.process_starts[0].startup_flags, STARTF_USESHOWWINDOW);
  }
  if (c.started == Started::kShell && !t.shell_starts.empty()) {
    EXPECT_EQ(t.shell_starts[0].verb, "runas");
    EXPECT_EQ(t.shell_starts[0].file, c.command_line);
    EXPECT_EQ(t.shell_starts[0].parameters, c.parameters);
    EXPECT_EQ(t.shell_starts[0].show, SW_SHOW);
    EXPECT_EQ(t.shell_starts[0].mask, 0x500u);
  }
  if (c.paused) {
    EXPECT_EQ(t.sleeps, std::vector<DWORD>{45000});
    int start = std::max(FirstCall("CreateProcessW"), FirstCall("ShellExecuteExW"));
    EXPECT_LT(FirstCall("Sleep"), start) << "the pause comes before the start";
  } else {
    EXPECT_TRUE(t.sleeps.empty());
  }
}

void NtAdministrator(Machine&) {}
void SamRefused(Machine& m) { m.registry.push_back({"SAM", ERROR_ACCESS_DENIED, false, "", true}); }
void SpacedDeployFolder(Machine& m) {
  m.module_file_name = "C:\\Deploy Share\\kovlaunch.exe";
}
void SpacedDeployFolderWithShortName(Machine& m) {
  SpacedDeployFolder(m);
  m.short_names = {{"C:\\Deploy Share\\", "C:\\DEPLOY~1\\"}};
}

// A directory long enough that the installer and configuration paths fit
// their buffers but the command line made of both does not.
const std::string kLongDirectory = PaddedText("C:\\", 600) + "\\";

INSTANTIATE_TEST_SUITE_P(
    Scenarios, LaunchSequenceTest,
    ::testing::Values(
        LaunchCase{"AgentPresentStartsNothing", InstallAgent, Started::kNothing, "",
                   "", false},
        LaunchCase{"Nt32BitAdministrator", NtAdministrator, Started::kDirect,
                   "C:\\Deploy\\Kovrimen.exe /SILENT C:\\Deploy\\tesvol.ini", "",
                   false},
        // A 32-bit launcher on 64-bit Windows looks at the native architecture.
        LaunchCase{"Nt64BitAdministrator",
                   [](Machine& m) { m.native_architecture = PROCESSOR_ARCHITECTURE_AMD64; },
                   Started::kDirect,
                   "C:\\Deploy\\kovrim64.exe /SILENT C:\\Deploy\\tesvol.ini", "",
                   false},
        LaunchCase{"ShortNamesKeepSpacesOut", SpacedDeployFolderWithShortName,
                   Started::kDirect,
                   "C:\\DEPLOY~1\\Kovrimen.exe /SILENT C:\\DEPLOY~1\\tesvol.ini", "",
                   false},
        // Unquoted, C:\Deploy.exe would be started in place of the installer.
        LaunchCase{"NoShortNamesQuotesBothPaths", SpacedDeployFolder,
                   Started::kDirect,
                   "\"C:\\Deploy Share\\Kovrimen.exe\" /SILENT \"C:\\Deploy "
                   "Share\\tesvol.ini\"",
                   "", false},
        LaunchCase{"SamRefusedGoesThroughTheShell", SamRefused, Started::kShell,
                   "C:\\Deploy\\Kovrimen.exe", " /SILENT  C:\\Deploy\\tesvol.ini",
                   false},
        LaunchCase{"ShellParametersQuoteASpacedConfigPath",
                   [](Machine& m) {
                     SamRefused(m);
                     SpacedDeployFolder(m);
                   },
                   Started::kShell, "C:\\Deploy Share\\Kovrimen.exe",
                   " /SILENT  \"C:\\Deploy Share\\tesvol.ini\"", false},
        LaunchCase{"Windows9xPausesAndStartsDirectly",
                   [](Machine& m) {
                     SetPlatform(m, VER_PLATFORM_WIN32_WINDOWS);
                     SamRefused(m);
                   },
                   Started::kDirect,
                   "C:\\Deploy\\Kovrimen.exe /SILENT C:\\Deploy\\tesvol.ini", "",
                   true},
        LaunchCase{"UnknownPlatformPausesAndStartsDirectly",
                   [](Machine& m) {
                     SetPlatform(m, 3);
                     SamRefused(m);
                   },
                   Started::kDirect,
                   "C:\\Deploy\\Kovrimen.exe /SILENT C:\\Deploy\\tesvol.ini", "",
                   true},
        LaunchCase{"NoDirectoryStartsNothing",
                   [](Machine& m) { m.module_file_name = "kovlaunch.exe"; },
                   Started::kNothing, "", "", false},
        LaunchCase{"CommandLineTooLongStartsNothing",
                   [](Machine& m) { m.module_file_name = kLongDirectory + "k.exe"; },
                   Started::kNothing, "", "", false},
        LaunchCase{"ShellFileTooLongStartsNothing",
                   [](Machine& m) {
                     SamRefused(m);
                     m.module_file_name = PaddedText("C:\\", 250) + "\\k.exe";
                   },
                   Started::kNothing, "", "", false},
        LaunchCase{"FailedStartEndsQuietly",
                   [](Machine& m) { m.create_process_error = ERROR_FILE_NOT_FOUND; },
                   Started::kDirect,
                   "C:\\Deploy\\Kovrimen.exe /SILENT C:\\Deploy\\tesvol.ini", "",
                   false},
        LaunchCase{"DeclinedElevationEndsQuietly",
                   [](Machine& m) {
                     SamRefused(m);
                     m.shell_execute_error = ERROR_CANCELLED;
                   },
                   Started::kShell, "C:\\Deploy\\Kovrimen.exe",
                   " /SILENT  C:\\Deploy\\tesvol.ini", false}),
    CaseName());

TEST_F(StandinTest, NoPathIsBuiltWhenTheAgentIsPresent) {
  InstallAgent(machine());
  EXPECT_EQ(wWinMain(nullptr, nullptr, nullptr, 0), 0);
  EXPECT_EQ(CountCalls("GetModuleFileNameW"), 0);
  EXPECT_EQ(CountCalls("GetNativeSystemInfo"), 0);
  EXPECT_EQ(CountCalls("RegOpenKeyExW HKLM\\SAM"), 0);
}

TEST_F(StandinTest, BothDirectoriesAreTakenEvenWhenTheFirstFails) {
  machine().module_file_name_fails = true;
  EXPECT_EQ(wWinMain(nullptr, nullptr, nullptr, 0), 0);
  EXPECT_EQ(CountCalls("GetModuleFileNameW"), 2);
  EXPECT_EQ(CountCalls("GetNativeSystemInfo"), 0);
}

TEST_F(StandinTest, StepsRunInTheirOrder) {
  SamRefused(machine());
  EXPECT_EQ(wWinMain(nullptr, nullptr, nullptr, 0), 0);
  std::vector<int> order = {
      FirstCall("OpenSCManagerW"),       FirstCall("GetModuleFileNameW"),
      FirstCall("GetNativeSystemInfo"),  FirstCall("RegOpenKeyExW HKLM\\SAM"),
      FirstCall("ShellExecuteExW")};
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()))
      << ::testing::PrintToString(trace().calls);
  EXPECT_EQ(order.front(), 1) << "the presence check comes first";
}

}  // namespace
