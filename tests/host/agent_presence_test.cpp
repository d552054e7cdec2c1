#include <functional>

#include "agent_setup.h"
#include "launcher/launcher.h"
#include "standin_fixture.h"

namespace {

using standin::CountCalls;
using standin::FirstCall;
using standin::Machine;

struct PresenceCase {
  const char* name;
  std::function<void(Machine&)> arrange;
  BOOL expected;
  bool service_manager_asked;
  bool service_asked;
  bool registry_read;
};

class IsAgentInstallRequiredTest
    : public StandinTest,
      public ::testing::WithParamInterface<PresenceCase> {};

TEST_P(IsAgentInstallRequiredTest, DecidesFromServiceRegistryAndFile) {
  const PresenceCase& c = GetParam();
  InstallAgent(machine());
  c.arrange(machine());

  EXPECT_EQ(IsAgentInstallRequired(), c.expected);

  EXPECT_EQ(FirstCall("GetVersionExW"), 0);
  EXPECT_EQ(CountCalls("OpenSCManagerW"), c.service_manager_asked ? 1 : 0);
  EXPECT_EQ(CountCalls("OpenServiceW"), c.service_asked ? 1 : 0);
  EXPECT_EQ(CountCalls("LookupAgentServiceName"), c.service_asked ? 1 : 0);
  EXPECT_EQ(CountCalls("LookupAgentAppPathKey"), c.registry_read ? 1 : 0);
  EXPECT_EQ(CountCalls("RegOpenKeyExW"), c.registry_read ? 1 : 0);
  if (c.service_asked) {
    EXPECT_LT(FirstCall("OpenSCManagerW"), FirstCall("LookupAgentServiceName"));
    EXPECT_EQ(trace().calls[FirstCall("OpenSCManagerW")],
              "OpenSCManagerW (null) (null) 0x80000000");
  }
  if (c.registry_read) {
    EXPECT_EQ(trace().calls[FirstCall("RegOpenKeyExW")],
              "RegOpenKeyExW HKLM\\" + kAppPathKey + " 0 0x1");
  }
}

Machine& Nothing(Machine& m) { return m; }

INSTANTIATE_TEST_SUITE_P(
    Scenarios, IsAgentInstallRequiredTest,
    ::testing::Values(
        PresenceCase{"NtAgentPresent", Nothing, 0, true, true, true},
        // The only failure that suppresses the installation.
        PresenceCase{"NtServiceManagerUnavailable",
                     [](Machine& m) { m.service_manager_error = ERROR_ACCESS_DENIED; },
                     0, true, false, false},
        PresenceCase{"NtServiceAbsent", [](Machine& m) { m.services.clear(); }, 1,
                     true, true, false},
        PresenceCase{"NtServiceNotAccessible",
                     [](Machine& m) { m.services[0].open_error = ERROR_ACCESS_DENIED; },
                     1, true, true, false},
        PresenceCase{"NtAppPathKeyAbsent", [](Machine& m) { m.registry.clear(); }, 1,
                     true, true, true},
        PresenceCase{"NtAppPathKeyRefused",
                     [](Machine& m) { m.registry[0].open_error = ERROR_ACCESS_DENIED; },
                     1, true, true, true},
        PresenceCase{"NtNoDefaultValue",
                     [](Machine& m) { m.registry[0].has_default_value = false; }, 1,
                     true, true, true},
        PresenceCase{"NtFileMissing", [](Machine& m) { m.files.clear(); }, 1, true,
                     true, true},
        PresenceCase{"NtValueNamesADirectory",
                     [](Machine& m) {
                       m.files.clear();
                       m.directories.insert(kAgentExe);
                     },
                     0, true, true, true},
        // The value is taken as it stands: no quotes removed, no arguments split.
        PresenceCase{"NtQuotedValue",
                     [](Machine& m) { m.registry[0].default_value = "\"" + kAgentExe + "\""; },
                     1, true, true, true},
        PresenceCase{"NtValueWithArguments",
                     [](Machine& m) { m.registry[0].default_value = kAgentExe + " /service"; },
                     1, true, true, true},
        PresenceCase{"NtLongestValueThatFits",
                     [](Machine& m) {
                       std::string path = PaddedText("C:\\", 259);
                       m.registry[0].default_value = path;
                       m.files.insert(path);
                     },
                     0, true, true, true},
        PresenceCase{"NtValueTooLongForTheBuffer",
                     [](Machine& m) {
                       std::string path = PaddedText("C:\\", 260);
                       m.registry[0].default_value = path;
                       m.files.insert(path);
                     },
                     1, true, true, true},
        // A stored string without its terminator that fills the buffer exactly
        // is not used: reading on would run past the buffer.
        PresenceCase{"NtUnterminatedValueFillingTheBuffer",
                     [](Machine& m) {
                       std::string path = PaddedText("C:\\", 260);
                       m.registry[0].default_value = path;
                       m.registry[0].value_terminated = false;
                       m.files.insert(path);
                     },
                     1, true, true, true},
        PresenceCase{"Windows9xAgentPresent",
                     [](Machine& m) { SetPlatform(m, VER_PLATFORM_WIN32_WINDOWS); }, 0,
                     false, false, true},
        PresenceCase{"Windows9xKeyAbsent",
                     [](Machine& m) {
                       SetPlatform(m, VER_PLATFORM_WIN32_WINDOWS);
                       m.registry.clear();
                     },
                     1, false, false, true},
        PresenceCase{"Windows9xIgnoresTheServiceManager",
                     [](Machine& m) {
                       SetPlatform(m, VER_PLATFORM_WIN32_WINDOWS);
                       m.service_manager_error = ERROR_ACCESS_DENIED;
                       m.services.clear();
                     },
                     0, false, false, true},
        PresenceCase{"Win32sAlwaysInstalls",
                     [](Machine& m) { SetPlatform(m, VER_PLATFORM_WIN32s); }, 1, false,
                     false, true},
        PresenceCase{"UnknownPlatformAlwaysInstalls",
                     [](Machine& m) { SetPlatform(m, 3); }, 1, false, false, true}),
    CaseName());

TEST_F(StandinTest, LookupLibraryNamesTheServiceToOpen) {
  InstallAgent(machine());
  machine().service_name_lookup = {true, "Velmora", false};
  EXPECT_EQ(IsAgentInstallRequired(), 1) << "Orvalin is not the service asked for";
  EXPECT_EQ(trace().calls[FirstCall("LookupAgentServiceName")],
            "LookupAgentServiceName Orvalin 260");
  EXPECT_EQ(trace().calls[FirstCall("OpenServiceW")], "OpenServiceW Velmora 0x80000000");

  standin::Reset();
  InstallAgent(machine());
  machine().services[0].name = "Velmora";
  machine().service_name_lookup = {true, "Velmora", false};
  EXPECT_EQ(IsAgentInstallRequired(), 0);
}

TEST_F(StandinTest, LookupLibraryNamesTheAppPathKeyToRead) {
  InstallAgent(machine());
  machine().registry[0].path = "SOFTWARE\\Vendor\\Agent";
  machine().app_path_key_lookup = {true, "SOFTWARE\\Vendor\\Agent", false};
  EXPECT_EQ(IsAgentInstallRequired(), 0);
  EXPECT_EQ(trace().calls[FirstCall("LookupAgentAppPathKey")],
            "LookupAgentAppPathKey " + kAppPathKey + " 260");
  EXPECT_EQ(trace().calls[FirstCall("RegOpenKeyExW")],
            "RegOpenKeyExW HKLM\\SOFTWARE\\Vendor\\Agent 0 0x1");
  EXPECT_EQ(trace().calls[FirstCall("RegQueryValueW")], "RegQueryValueW (null) 520");
}

TEST_F(StandinTest, UnterminatedLookupAnswersFallBackToTheDefaults) {
  InstallAgent(machine());
  machine().service_name_lookup = {true, "V", true};
  machine().app_path_key_lookup = {true, "S", true};
  EXPECT_EQ(IsAgentInstallRequired(), 0);
  EXPECT_EQ(trace().calls[FirstCall("OpenServiceW")], "OpenServiceW Orvalin 0x80000000");
  EXPECT_EQ(trace().calls[FirstCall("RegOpenKeyExW")],
            "RegOpenKeyExW HKLM\\" + kAppPathKey + " 0 0x1");
}

}  // namespace
