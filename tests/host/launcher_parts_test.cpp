// The launcher's small operations: its own directory, the platform and
// privilege tests, and the two ways of starting a process.
#include <shellapi.h>

#include <cstring>

#include "launcher/launcher.h"
#include "standin_fixture.h"

namespace {

using ::testing::ElementsAre;

struct DirectoryCase {
  const char* name;
  std::string module_file_name;
  std::vector<std::pair<std::string, std::string>> short_names;
  bool cut_name_unterminated;
  BYTE expected_result;
  std::string expected_directory;
};

class GetModuleDirectoryShortTest
    : public StandinTest,
      public ::testing::WithParamInterface<DirectoryCase> {};

TEST_P(GetModuleDirectoryShortTest, YieldsTheShortDirectoryOrFails) {
  const DirectoryCase& c = GetParam();
  machine().module_file_name = c.module_file_name;
  machine().short_names = c.short_names;
  machine().cut_module_name_unterminated = c.cut_name_unterminated;
  WCHAR directory[kPathChars];
  std::memset(directory, 0x55, sizeof(directory));

  EXPECT_EQ(GetModuleDirectoryShort(directory), c.expected_result);

  EXPECT_EQ(standin::FirstCall("GetModuleFileNameW"), 0);
  EXPECT_EQ(trace().calls[0], "GetModuleFileNameW self 1024");
  if (c.expected_result == 0) {
    EXPECT_EQ(directory[0], 0x5555) << "nothing written on failure";
    EXPECT_EQ(standin::CountCalls("GetShortPathNameW"), 0);
    return;
  }
  EXPECT_EQ(standin::Narrow(directory), c.expected_directory);
  ASSERT_EQ(trace().calls.size(), 2u);
  EXPECT_THAT(trace().calls[1], ::testing::EndsWith(" 1024 in place"));
}

const std::string k1023 = PaddedText("C:\\", 1009) + "\\kovlaunch.exe";
const std::string k1024 = PaddedText("C:\\", 1010) + "\\kovlaunch.exe";

INSTANTIATE_TEST_SUITE_P(
    Names, GetModuleDirectoryShortTest,
    ::testing::Values(
        DirectoryCase{"PlainDirectory", "C:\\Deploy\\kovlaunch.exe", {}, false, 1,
                      "C:\\Deploy\\"},
        DirectoryCase{"ShortFormOfASpacedDirectory",
                      "C:\\Deploy Share\\kovlaunch.exe",
                      {{"C:\\Deploy Share\\", "C:\\DEPLOY~1\\"}}, false, 1,
                      "C:\\DEPLOY~1\\"},
        DirectoryCase{"VolumeWithoutShortNames", "C:\\Deploy Share\\kovlaunch.exe",
                      {}, false, 1, "C:\\Deploy Share\\"},
        DirectoryCase{"NetworkShare", "\\\\server\\netlogon\\kovlaunch.exe", {},
                      false, 1, "\\\\server\\netlogon\\"},
        DirectoryCase{"NoBackslash", "kovlaunch.exe", {}, false, 0, ""},
        DirectoryCase{"LongestNameThatFits", k1023, {}, false, 1,
                      k1023.substr(0, 1010)},
        // A cut name is refused: its directory may not be the launcher's.
        DirectoryCase{"CutName", k1024, {}, false, 0, ""},
        DirectoryCase{"CutNameWithoutTerminatorAsOnXp", k1024, {}, true, 0, ""}),
    CaseName());

TEST_F(StandinTest, GetModuleDirectoryShortFailsWhenTheNameCannotBeRead) {
  machine().module_file_name_fails = true;
  WCHAR directory[kPathChars] = {};
  EXPECT_EQ(GetModuleDirectoryShort(directory), 0);
  EXPECT_EQ(GetModuleDirectoryShort(nullptr), 0);
  EXPECT_EQ(standin::CountCalls("GetModuleFileNameW"), 1);
}

struct ElevationCase {
  const char* name;
  DWORD platform;
  bool plain_record_accepted;
  bool sam_exists;
  LONG sam_open_error;
  BOOL expected_can_write;
  BOOL expected_elevation;
};

class ElevationTest : public StandinTest,
                      public ::testing::WithParamInterface<ElevationCase> {
 protected:
  void SetUpMachine() {
    const ElevationCase& c = GetParam();
    machine().version.dwPlatformId = c.platform;
    machine().get_version_ex_takes_plain = c.plain_record_accepted;
    if (c.sam_exists) machine().registry.push_back({"SAM", c.sam_open_error, false, "", true});
  }
};

TEST_P(ElevationTest, ProbesSamForWritingOnNtOnly) {
  const ElevationCase& c = GetParam();
  SetUpMachine();
  EXPECT_EQ(CanWriteSamKey(), c.expected_can_write);
  EXPECT_EQ(trace().calls[0], "RegOpenKeyExW HKLM\\SAM 0 0x20006");
  trace().calls.clear();

  EXPECT_EQ(IsElevationRequired(), c.expected_elevation);
  EXPECT_EQ(trace().calls[0], "GetVersionExW 276");
  bool nt = c.platform == VER_PLATFORM_WIN32_NT && c.plain_record_accepted;
  EXPECT_EQ(standin::CountCalls("RegOpenKeyExW"), nt ? 1 : 0);
  EXPECT_EQ(IsNtPlatform(), nt ? TRUE : FALSE);
}

INSTANTIATE_TEST_SUITE_P(
    Probes, ElevationTest,
    ::testing::Values(
        ElevationCase{"NtAdministrator", 2, true, true, ERROR_SUCCESS, 1, 0},
        ElevationCase{"NtRefused", 2, true, true, ERROR_ACCESS_DENIED, 0, 1},
        ElevationCase{"NtSamAbsentCountsAsWritable", 2, true, false, 0, 1, 0},
        ElevationCase{"NtOtherErrorCountsAsWritable", 2, true, true,
                      ERROR_INVALID_HANDLE, 1, 0},
        ElevationCase{"Windows9xNeverProbed", 1, true, true, ERROR_ACCESS_DENIED,
                      0, 0},
        ElevationCase{"Win32sNeverProbed", 0, true, true, ERROR_ACCESS_DENIED, 0,
                      0},
        ElevationCase{"UnknownPlatformNeverProbed", 3, true, true,
                      ERROR_ACCESS_DENIED, 0, 0},
        // The platform call's own result is not examined: a refused record
        // leaves the zero-filled platform identifier, which is not NT.
        ElevationCase{"VersionCallFails", 2, false, true, ERROR_ACCESS_DENIED, 0,
                      0}),
    CaseName());

TEST_F(StandinTest, StartProcessCreatesAHiddenProcessAndClosesItsHandles) {
  EXPECT_EQ(StartProcess(L"C:\\D\\setup.exe /SILENT C:\\D\\a.ini", SW_HIDE, FALSE),
            TRUE);
  ASSERT_EQ(trace().process_starts.size(), 1u);
  const standin::ProcessStart& start = trace().process_starts[0];
  EXPECT_TRUE(start.application_name_null);
  EXPECT_EQ(start.command_line, "C:\\D\\setup.exe /SILENT C:\\D\\a.ini");
  EXPECT_TRUE(start.process_attributes_given);
  EXPECT_EQ(start.process_attributes_length, sizeof(SECURITY_ATTRIBUTES));
  EXPECT_TRUE(start.process_security_descriptor_null);
  EXPECT_EQ(start.process_handle_inheritable, FALSE);
  EXPECT_TRUE(start.thread_attributes_null);
  EXPECT_EQ(start.inherit_handles, FALSE);
  EXPECT_EQ(start.creation_flags, 0u);
  EXPECT_TRUE(start.environment_null);
  EXPECT_TRUE(start.current_directory_null);
  EXPECT_EQ(start.startup_size, sizeof(STARTUPINFOW));
  EXPECT_EQ(start.startup_flags, STARTF_USESHOWWINDOW);
  EXPECT_EQ(start.show_window, SW_HIDE);
  EXPECT_TRUE(start.startup_other_fields_zero);
  EXPECT_EQ(standin::CountCalls("WaitForSingleObject"), 0);
  EXPECT_EQ(standin::CountCalls("CloseHandle"), 2);
}

TEST_F(StandinTest, StartProcessWaitsOnlyWhenAsked) {
  EXPECT_EQ(StartProcess(L"a.exe", SW_SHOW, TRUE), TRUE);
  EXPECT_THAT(trace().calls,
              ElementsAre("CreateProcessW a.exe",
                          "WaitForSingleObject process 0xFFFFFFFF",
                          "CloseHandle thread", "CloseHandle process"));
  EXPECT_EQ(trace().process_starts[0].show_window, SW_SHOW);
}

TEST_F(StandinTest, StartProcessFailsWithoutWaitingOrClosing) {
  machine().create_process_error = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(StartProcess(L"a.exe", SW_HIDE, TRUE), FALSE);
  EXPECT_THAT(trace().calls, ElementsAre("CreateProcessW a.exe"));
}

TEST_F(StandinTest, StartProcessRefusesACommandLineThatDoesNotFit) {
  std::string fits = PaddedText("C:\\a.exe ", 1023);
  EXPECT_EQ(StartProcess(Wide(fits).data(), SW_HIDE, FALSE), TRUE);
  EXPECT_EQ(StartProcess(Wide(fits + "b").data(), SW_HIDE, FALSE), FALSE);
  EXPECT_EQ(StartProcess(nullptr, SW_HIDE, FALSE), FALSE);
  ASSERT_EQ(trace().process_starts.size(), 1u);
  EXPECT_EQ(trace().process_starts[0].command_line, fits);
}

TEST_F(StandinTest, ShellStartProcessWithoutWaitAsksForNoProcessHandle) {
  EXPECT_EQ(ShellStartProcess(L"C:\\D\\setup.exe", L"runas", L" /SILENT  x.ini",
                              SW_SHOW, 0),
            1);
  ASSERT_EQ(trace().shell_starts.size(), 1u);
  const standin::ShellStart& start = trace().shell_starts[0];
  EXPECT_EQ(start.size, sizeof(SHELLEXECUTEINFOW));
  EXPECT_EQ(start.mask, 0x500u);
  EXPECT_TRUE(start.window_null);
  EXPECT_EQ(start.verb, "runas");
  EXPECT_EQ(start.file, "C:\\D\\setup.exe");
  EXPECT_EQ(start.parameters, " /SILENT  x.ini");
  EXPECT_TRUE(start.directory_null);
  EXPECT_EQ(start.show, SW_SHOW);
  EXPECT_EQ(standin::CountCalls("WaitForSingleObject"), 0);
}

TEST_F(StandinTest, ShellStartProcessWaitsForAndClosesTheProcessWhenAsked) {
  EXPECT_EQ(ShellStartProcess(L"a.exe", L"open", L"", SW_HIDE, 1), 1);
  EXPECT_EQ(trace().shell_starts[0].mask, 0x540u);
  EXPECT_THAT(trace().calls,
              ElementsAre("ShellExecuteExW open a.exe",
                          "WaitForSingleObject process 0xFFFFFFFF",
                          "CloseHandle process"));
}

TEST_F(StandinTest, ShellStartProcessReportsTheShellsRefusal) {
  machine().shell_execute_error = ERROR_CANCELLED;  // the user said no
  EXPECT_EQ(ShellStartProcess(L"a.exe", L"runas", L"", SW_SHOW, 1), 0);
  EXPECT_EQ(standin::CountCalls("WaitForSingleObject"), 0);
}

TEST_F(StandinTest, ShellStartProcessRefusesAFilePathThatDoesNotFit) {
  std::string fits = PaddedText("C:\\", 259);
  EXPECT_EQ(ShellStartProcess(Wide(fits).data(), L"runas", L"", SW_SHOW, 0), 1);
  EXPECT_EQ(ShellStartProcess(Wide(fits + "b").data(), L"runas", L"", SW_SHOW, 0), 0);
  ASSERT_EQ(trace().shell_starts.size(), 1u);
  EXPECT_EQ(trace().shell_starts[0].file, fits);
}

}  // namespace
