// The dry run against what the launcher actually does on the same simulated
// machine: the tool runs first, then wWinMain, and the tool's JSON must name
// the verdict, the deciding step, the installer and the start the launcher
// then made.
#include <cstdio>
#include <functional>
#include <map>

#include "agent_setup.h"
#include "launcher/launcher.h"
#include "standin_fixture.h"
#include "tools/dryrun/dryrun.h"

namespace {

using standin::CountCalls;
using standin::Machine;

// ---- a minimal JSON reader: the document flattened to "a.b.c" -> scalar,
// strings decoded, arrays as "a[0]" and "a#" (the element count). Any syntax
// error clears the map.
struct JsonReader {
  const std::string& text;
  std::size_t at = 0;
  std::map<std::string, std::string> values;
  bool ok = true;

  void Space() {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  }
  bool Eat(char c) {
    Space();
    if (at < text.size() && text[at] == c) { ++at; return true; }
    return false;
  }
  std::string String() {
    std::string s;
    if (!Eat('"')) { ok = false; return s; }
    while (ok && at < text.size() && text[at] != '"') {
      char c = text[at++];
      if (static_cast<unsigned char>(c) < 0x20) ok = false;
      if (c != '\\') { s += c; continue; }
      if (at >= text.size()) { ok = false; break; }
      char e = text[at++];
      if (e == '"' || e == '\\' || e == '/') s += e;
      else if (e == 'n') s += '\n';
      else if (e == 't') s += '\t';
      else if (e == 'u' && at + 4 <= text.size()) {
        unsigned long code = std::stoul(text.substr(at, 4), nullptr, 16);
        at += 4;
        if (code >= 0x80) ok = false;  // the tool writes UTF-8 for these
        s += static_cast<char>(code);
      } else ok = false;
    }
    if (!Eat('"')) ok = false;
    return s;
  }
  void Value(const std::string& path) {
    Space();
    if (!ok || at >= text.size()) { ok = false; return; }
    char c = text[at];
    if (c == '{') {
      ++at;
      if (Eat('}')) return;
      do {
        std::string key = String();
        if (!Eat(':')) { ok = false; return; }
        Value(path.empty() ? key : path + "." + key);
      } while (ok && Eat(','));
      if (!Eat('}')) ok = false;
    } else if (c == '[') {
      ++at;
      int count = 0;
      if (!Eat(']')) {
        do Value(path + "[" + std::to_string(count++) + "]");
        while (ok && Eat(','));
        if (!Eat(']')) ok = false;
      }
      values[path + "#"] = std::to_string(count);
    } else if (c == '"') {
      values[path] = String();
    } else {
      std::size_t end = text.find_first_of(",}] \n", at);
      values[path] = text.substr(at, end - at);
      at = end;
    }
  }
};

std::map<std::string, std::string> ParseJson(const std::string& text) {
  JsonReader reader{text, 0, {}, true};
  reader.Value("");
  reader.Space();
  if (!reader.ok || reader.at != text.size()) return {};
  return reader.values;
}

std::string ReadAll(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return text;
}

struct ToolRun {
  int code;
  std::string out;
  std::string err;
};

ToolRun RunTool(const std::vector<std::string>& args) {
  std::vector<std::vector<WCHAR>> wide;
  wide.push_back(Wide("kovlaunch-dryrun.exe"));
  for (const std::string& arg : args) wide.push_back(Wide(arg));
  std::vector<const WCHAR*> argv;
  for (const auto& w : wide) argv.push_back(w.data());
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  int code = RunDryRunTool(static_cast<int>(argv.size()), argv.data(), out, err);
  return {code, ReadAll(out), ReadAll(err)};
}

class DryRunTest : public StandinTest {
 protected:
  // The tool's JSON on the machine as it stands, checked to have started,
  // paused and waited on nothing; the trace is cleared afterwards so that
  // what follows sees only its own calls.
  std::map<std::string, std::string> DryRunJson() {
    ToolRun run = RunTool({"--json"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(CountCalls("CreateProcessW"), 0);
    EXPECT_EQ(CountCalls("ShellExecuteExW"), 0);
    EXPECT_EQ(CountCalls("Sleep"), 0);
    EXPECT_EQ(CountCalls("WaitForSingleObject"), 0);
    std::map<std::string, std::string> json = ParseJson(run.out);
    EXPECT_FALSE(json.empty()) << "not JSON: " << run.out;
    trace() = standin::Trace();
    return json;
  }

  // The installer files the launch looks for, beside the launcher.
  void DeployFiles(const std::string& directory = "C:\\Deploy\\") {
    for (const char* name : {"Kovrimen.exe", "kovrim64.exe", "tesvol.ini"}) {
      machine().files.insert(directory + name);
    }
  }
};

// The last step of the presence check the launcher reached, read from its
// calls: where it stopped looking.
std::string PresenceStopInTrace() {
  const std::vector<std::string>& calls = standin::TheTrace().calls;
  std::string last;
  for (const std::string& call : calls) {
    if (call.rfind("GetModuleFileNameW", 0) == 0) break;
    for (const char* step : {"OpenSCManagerW", "OpenServiceW", "RegOpenKeyExW",
                             "RegQueryValueW", "GetFileAttributesW"}) {
      if (call.rfind(step, 0) == 0) last = step;
    }
  }
  return last;
}

// The call at which each deciding step stops the presence check.
std::string StopCallOf(const std::string& step) {
  static const std::map<std::string, std::string> stop = {
      {"service-manager-unavailable", "OpenSCManagerW"},
      {"service-not-opened", "OpenServiceW"},
      {"app-path-key-not-opened", "RegOpenKeyExW"},
      {"app-path-value-not-read", "RegQueryValueW"},
      {"agent-file-missing", "GetFileAttributesW"},
      {"agent-found-windows9x", "GetFileAttributesW"},
      {"agent-found-nt", "GetFileAttributesW"},
      {"platform-not-recognised", "GetFileAttributesW"}};
  auto it = stop.find(step);
  return it == stop.end() ? "(unknown step " + step + ")" : it->second;
}

// The first call starting with `prefix`, without the prefix and without its
// last word (the access mask).
std::string CallArgument(const std::string& prefix) {
  int index = standin::FirstCall(prefix);
  if (index < 0) return "";
  std::string call = standin::TheTrace().calls[index].substr(prefix.size() + 1);
  return call.substr(0, call.rfind(' '));
}

// ---- presence check

struct PresenceCase {
  const char* name;
  std::function<void(Machine&)> arrange;
  bool install;
  std::string step;
};

class DryRunPresenceTest : public DryRunTest,
                           public ::testing::WithParamInterface<PresenceCase> {};

TEST_P(DryRunPresenceTest, NamesTheLaunchersVerdictAndDecidingStep) {
  const PresenceCase& c = GetParam();
  InstallAgent(machine());
  DeployFiles();
  c.arrange(machine());

  std::map<std::string, std::string> json = DryRunJson();
  EXPECT_EQ(wWinMain(nullptr, nullptr, nullptr, 0), 0);

  bool launcher_went_on = CountCalls("GetModuleFileNameW") > 0;
  EXPECT_EQ(launcher_went_on, c.install);
  EXPECT_EQ(json["presence.installRequired"], launcher_went_on ? "true" : "false");
  EXPECT_EQ(json["presence.decidedBy"], c.step);
  EXPECT_EQ(StopCallOf(json["presence.decidedBy"]), PresenceStopInTrace());
  // The names the launcher used are the ones the tool reports.
  if (CountCalls("OpenServiceW") > 0) {
    EXPECT_EQ(json["presence.service.name"], CallArgument("OpenServiceW"));
  } else {
    EXPECT_EQ(json["presence.service"], "null");
  }
  int key_open = standin::FirstCall("RegOpenKeyExW");
  int paths = standin::FirstCall("GetModuleFileNameW");
  if (key_open >= 0 && (paths < 0 || key_open < paths)) {
    EXPECT_EQ("RegOpenKeyExW HKLM\\" + json["presence.appPathKey.path"] + " 0 0x1",
              trace().calls[key_open]);
  } else {
    EXPECT_EQ(json["presence.appPathKey"], "null");
  }
  if (CountCalls("GetFileAttributesW") > 0) {
    EXPECT_EQ(json["presence.value.text"],
              standin::TheTrace().calls[standin::FirstCall("GetFileAttributesW")].substr(19));
  }
  EXPECT_EQ(json["install"] == "null", !c.install);
}

void SetNt(Machine&) {}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, DryRunPresenceTest,
    ::testing::Values(
        PresenceCase{"NtAgentPresent", SetNt, false, "agent-found-nt"},
        PresenceCase{"NtServiceManagerUnavailable",
                     [](Machine& m) { m.service_manager_error = ERROR_ACCESS_DENIED; },
                     false, "service-manager-unavailable"},
        PresenceCase{"NtServiceAbsent", [](Machine& m) { m.services.clear(); }, true,
                     "service-not-opened"},
        PresenceCase{"NtServiceNotAccessible",
                     [](Machine& m) { m.services[0].open_error = ERROR_ACCESS_DENIED; },
                     true, "service-not-opened"},
        PresenceCase{"NtAppPathKeyAbsent", [](Machine& m) { m.registry.clear(); }, true,
                     "app-path-key-not-opened"},
        PresenceCase{"NtNoDefaultValue",
                     [](Machine& m) { m.registry[0].has_default_value = false; }, true,
                     "app-path-value-not-read"},
        PresenceCase{"NtUnterminatedValueFillingTheBuffer",
                     [](Machine& m) {
                       m.registry[0].default_value = PaddedText("C:\\", 260);
                       m.registry[0].value_terminated = false;
                     },
                     true, "app-path-value-not-read"},
        PresenceCase{"NtFileMissing", [](Machine& m) { m.files.erase(kAgentExe); }, true,
                     "agent-file-missing"},
        PresenceCase{"NtQuotedValue",
                     [](Machine& m) { m.registry[0].default_value = "\"" + kAgentExe + "\""; },
                     true, "agent-file-missing"},
        PresenceCase{"NtValueNamesADirectory",
                     [](Machine& m) {
                       m.files.erase(kAgentExe);
                       m.directories.insert(kAgentExe);
                     },
                     false, "agent-found-nt"},
        PresenceCase{"LookupLibraryNamesAServiceNotThere",
                     [](Machine& m) { m.service_name_lookup = {true, "Velmora", false}; },
                     true, "service-not-opened"},
        PresenceCase{"LookupLibraryNamesTheKey",
                     [](Machine& m) {
                       m.registry[0].path = "SOFTWARE\\Vendor\\Agent";
                       m.app_path_key_lookup = {true, "SOFTWARE\\Vendor\\Agent", false};
                     },
                     false, "agent-found-nt"},
        PresenceCase{"Windows9xAgentPresent",
                     [](Machine& m) { SetPlatform(m, VER_PLATFORM_WIN32_WINDOWS); }, false,
                     "agent-found-windows9x"},
        PresenceCase{"Windows9xKeyAbsent",
                     [](Machine& m) {
                       SetPlatform(m, VER_PLATFORM_WIN32_WINDOWS);
                       m.registry.clear();
                     },
                     true, "app-path-key-not-opened"},
        PresenceCase{"UnknownPlatformAlwaysInstalls",
                     [](Machine& m) { SetPlatform(m, 3); }, true,
                     "platform-not-recognised"}),
    CaseName());

TEST_F(DryRunTest, ReportsTheWindowsErrorsAndWhereTheNamesCameFrom) {
  InstallAgent(machine());
  machine().services[0].open_error = ERROR_ACCESS_DENIED;
  machine().service_name_lookup = {true, "Orvalin", false};
  std::map<std::string, std::string> json = DryRunJson();
  EXPECT_EQ(json["platform.family"], "nt");
  EXPECT_EQ(json["presence.serviceManager.opened"], "true");
  EXPECT_EQ(json["presence.service.opened"], "false");
  EXPECT_EQ(json["presence.service.error"], "5");
  EXPECT_EQ(json["presence.service.nameFromLookup"], "true");

  standin::Reset();
  machine().service_manager_error = 1722;
  json = DryRunJson();
  EXPECT_EQ(json["presence.serviceManager.opened"], "false");
  EXPECT_EQ(json["presence.serviceManager.error"], "1722");
  EXPECT_EQ(json["warnings#"], "1") << "nothing is ever installed here";

  standin::Reset();
  InstallAgent(machine());
  machine().registry[0].open_error = ERROR_ACCESS_DENIED;
  machine().app_path_key_lookup = {true, "S", true};
  json = DryRunJson();
  EXPECT_EQ(json["presence.service.error"], "0");
  EXPECT_EQ(json["presence.service.nameFromLookup"], "false");
  EXPECT_EQ(json["presence.appPathKey.pathSource"], "default-after-unusable-answer");
  EXPECT_EQ(json["presence.appPathKey.path"], kAppPathKey);
  EXPECT_EQ(json["presence.appPathKey.openResult"], "5");
}

// ---- launch paths

enum class Started { kNothing, kDirect, kShell };

struct LaunchCase {
  const char* name;
  std::function<void(Machine&)> arrange;
  Started started;
  std::string plan;
};

class DryRunLaunchTest : public DryRunTest,
                         public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(DryRunLaunchTest, NamesTheInstallerAndStartTheLauncherMakes) {
  const LaunchCase& c = GetParam();
  c.arrange(machine());

  std::map<std::string, std::string> json = DryRunJson();
  EXPECT_EQ(wWinMain(nullptr, nullptr, nullptr, 0), 0);
  const standin::Trace& t = trace();

  EXPECT_EQ(json["install.plan"], c.plan);
  EXPECT_EQ(json["install.wouldStart"], c.started == Started::kNothing ? "false" : "true");
  EXPECT_EQ(t.process_starts.size(), c.started == Started::kDirect ? 1u : 0u);
  EXPECT_EQ(t.shell_starts.size(), c.started == Started::kShell ? 1u : 0u);
  std::string pause = c.plan == "no-module-directory" ? "null" : "0";
  EXPECT_EQ(json["install.pauseMs"], t.sleeps.empty() ? pause : std::to_string(t.sleeps[0]));
  if (c.started == Started::kDirect && !t.process_starts.empty()) {
    EXPECT_EQ(json["install.path"], "direct");
    EXPECT_EQ(json["install.commandLine"], t.process_starts[0].command_line);
    EXPECT_EQ(json["install.showMode"], std::to_string(t.process_starts[0].show_window));
    EXPECT_EQ(json["install.shellFile"], "null");
    EXPECT_NE(t.process_starts[0].command_line.find(json["install.installerName"]),
              std::string::npos);
  }
  if (c.started == Started::kShell && !t.shell_starts.empty()) {
    EXPECT_EQ(json["install.path"], "shell");
    EXPECT_EQ(json["install.shellFile"], t.shell_starts[0].file);
    EXPECT_EQ(json["install.shellVerb"], t.shell_starts[0].verb);
    EXPECT_EQ(json["install.shellParameters"], t.shell_starts[0].parameters);
    EXPECT_EQ(json["install.showMode"], std::to_string(t.shell_starts[0].show));
    EXPECT_EQ(json["install.commandLine"], "null");
    EXPECT_EQ(json["install.installer"], t.shell_starts[0].file);
  }
  if (c.started == Started::kNothing) {
    EXPECT_EQ(json["install.path"], "none");
    EXPECT_EQ(json["install.commandLine"], "null");
    EXPECT_EQ(json["install.shellFile"], "null");
  }
}

void SamRefused(Machine& m) { m.registry.push_back({"SAM", ERROR_ACCESS_DENIED, false, "", true}); }
void SpacedDeployFolder(Machine& m) { m.module_file_name = "C:\\Deploy Share\\kovlaunch.exe"; }

INSTANTIATE_TEST_SUITE_P(
    Scenarios, DryRunLaunchTest,
    ::testing::Values(
        LaunchCase{"Nt32BitAdministrator", SetNt, Started::kDirect, "ready-to-start"},
        LaunchCase{"Nt64BitAdministrator",
                   [](Machine& m) { m.native_architecture = PROCESSOR_ARCHITECTURE_AMD64; },
                   Started::kDirect, "ready-to-start"},
        LaunchCase{"ShortNamesKeepSpacesOut",
                   [](Machine& m) {
                     SpacedDeployFolder(m);
                     m.short_names = {{"C:\\Deploy Share\\", "C:\\DEPLOY~1\\"}};
                   },
                   Started::kDirect, "ready-to-start"},
        LaunchCase{"NoShortNamesQuotesBothPaths", SpacedDeployFolder, Started::kDirect,
                   "ready-to-start"},
        LaunchCase{"SamRefusedGoesThroughTheShell", SamRefused, Started::kShell,
                   "ready-to-start"},
        LaunchCase{"ShellParametersQuoteASpacedConfigPath",
                   [](Machine& m) {
                     SamRefused(m);
                     SpacedDeployFolder(m);
                   },
                   Started::kShell, "ready-to-start"},
        LaunchCase{"Windows9xPausesAndStartsDirectly",
                   [](Machine& m) {
                     SetPlatform(m, VER_PLATFORM_WIN32_WINDOWS);
                     SamRefused(m);
                   },
                   Started::kDirect, "ready-to-start"},
        LaunchCase{"UnknownPlatformPausesAndStartsDirectly",
                   [](Machine& m) {
                     SetPlatform(m, 3);
                     SamRefused(m);
                   },
                   Started::kDirect, "ready-to-start"},
        LaunchCase{"NoDirectoryStartsNothing",
                   [](Machine& m) { m.module_file_name = "kovlaunch.exe"; },
                   Started::kNothing, "no-module-directory"},
        LaunchCase{"CommandLineTooLongStartsNothing",
                   [](Machine& m) {
                     m.module_file_name = PaddedText("C:\\", 600) + "\\k.exe";
                   },
                   Started::kNothing, "command-line-too-long"},
        LaunchCase{"ShellFileTooLongStartsNothing",
                   [](Machine& m) {
                     SamRefused(m);
                     m.module_file_name = PaddedText("C:\\", 250) + "\\k.exe";
                   },
                   Started::kNothing, "shell-file-too-long"}),
    CaseName());

// ---- the files beside the launcher

struct FilesCase {
  const char* name;
  std::function<void(Machine&)> arrange;
  std::string installer_exists;
  std::string config_exists;
  std::vector<std::string> warnings;
};

class DryRunFilesTest : public DryRunTest,
                        public ::testing::WithParamInterface<FilesCase> {};

TEST_P(DryRunFilesTest, WarnsOfAMissingInstallerOrConfiguration) {
  const FilesCase& c = GetParam();
  machine().native_architecture = PROCESSOR_ARCHITECTURE_AMD64;
  DeployFiles();
  c.arrange(machine());
  std::map<std::string, std::string> json = DryRunJson();
  EXPECT_EQ(json["install.installer"], "C:\\Deploy\\kovrim64.exe");
  EXPECT_EQ(json["install.installerExists"], c.installer_exists);
  EXPECT_EQ(json["install.configExists"], c.config_exists);
  std::vector<std::string> warnings;
  for (int i = 0; i < std::stoi(json["warnings#"]); ++i) {
    warnings.push_back(json["warnings[" + std::to_string(i) + "]"]);
  }
  EXPECT_EQ(warnings, c.warnings);
  EXPECT_EQ(json["install.wouldStart"], "true") << "the launcher would try all the same";
}

INSTANTIATE_TEST_SUITE_P(
    Deployments, DryRunFilesTest,
    ::testing::Values(
        FilesCase{"AllThere", [](Machine&) {}, "true", "true", {}},
        // Only the 32-bit installer deployed on a 64-bit machine.
        FilesCase{"ChosenInstallerMissing",
                  [](Machine& m) { m.files.erase("C:\\Deploy\\kovrim64.exe"); },
                  "false", "true", {"installer missing: C:\\Deploy\\kovrim64.exe"}},
        FilesCase{"ConfigurationMissing",
                  [](Machine& m) { m.files.erase("C:\\Deploy\\tesvol.ini"); }, "true",
                  "false", {"configuration file missing: C:\\Deploy\\tesvol.ini"}},
        FilesCase{"InstallerIsADirectory",
                  [](Machine& m) {
                    m.files.erase("C:\\Deploy\\kovrim64.exe");
                    m.directories.insert("C:\\Deploy\\kovrim64.exe");
                  },
                  "false", "true",
                  {"installer is a directory: C:\\Deploy\\kovrim64.exe"}}),
    CaseName());

// ---- output forms and arguments

TEST_F(DryRunTest, EscapesAndEncodesTextInTheJson) {
  machine().service_name_lookup = {true, "V\xe9l \"m\\ora\"\t", false};
  std::map<std::string, std::string> json = DryRunJson();
  EXPECT_EQ(json["presence.service.name"], "V\xc3\xa9l \"m\\ora\"\t");
}

struct Utf8Case {
  const char* name;
  std::vector<WCHAR> text;
  std::string utf8;
};

class NextUtf8Test : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(NextUtf8Test, EncodesEachCodePoint) {
  std::vector<WCHAR> text = GetParam().text;
  text.push_back(0);
  std::string utf8;
  DWORD index = 0;
  while (text[index] != 0) {
    char bytes[4];
    utf8.append(bytes, NextUtf8(text.data(), &index, bytes));
  }
  EXPECT_EQ(utf8, GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NextUtf8Test,
    ::testing::Values(
        Utf8Case{"Ascii", {'C', ':', '\\'}, "C:\\"},
        Utf8Case{"TwoAndThreeBytes", {0xE9, 0x20AC, 0xFFFD}, "\xc3\xa9\xe2\x82\xac\xef\xbf\xbd"},
        Utf8Case{"SurrogatePair", {0xD83D, 0xDE00, 'x'}, "\xf0\x9f\x98\x80x"},
        Utf8Case{"LoneHighSurrogateAtTheEnd", {'a', 0xD800}, "a\xef\xbf\xbd"},
        Utf8Case{"LoneHighSurrogateBeforeText", {0xDBFF, 'b'}, "\xef\xbf\xbd" "b"},
        Utf8Case{"LoneLowSurrogate", {0xDC00, 0xD800}, "\xef\xbf\xbd\xef\xbf\xbd"}),
    CaseName());

TEST_F(DryRunTest, TextReportNamesEachDecision) {
  machine().native_architecture = PROCESSOR_ARCHITECTURE_AMD64;
  SamRefused(machine());
  ToolRun run = RunTool({});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.err, "");
  for (const char* expected :
       {"Platform               NT family (platform id 2)",
        "Service                could not be opened (Windows error 1060)",
        "Decided by             service-not-opened",
        "Native architecture    64-bit, so kovrim64.exe",
        "Installer              C:\\Deploy\\kovrim64.exe  (MISSING)",
        "Privilege probe        HKLM\\SAM refused for writing (access denied)",
        "Shell file             C:\\Deploy\\kovrim64.exe",
        "Shell parameters       \" /SILENT  C:\\Deploy\\tesvol.ini\"",
        "! installer missing: C:\\Deploy\\kovrim64.exe"}) {
    EXPECT_THAT(run.out, ::testing::HasSubstr(expected));
  }
  EXPECT_EQ(CountCalls("ShellExecuteExW"), 0);
}

struct ArgumentsCase {
  const char* name;
  std::vector<std::string> args;
  int code;
  std::string out_starts;
  std::string err_starts;
};

class DryRunArgumentsTest : public DryRunTest,
                            public ::testing::WithParamInterface<ArgumentsCase> {};

TEST_P(DryRunArgumentsTest, AcceptsOnlyJsonAndHelp) {
  const ArgumentsCase& c = GetParam();
  ToolRun run = RunTool(c.args);
  EXPECT_EQ(run.code, c.code);
  EXPECT_EQ(run.out.substr(0, c.out_starts.size()), c.out_starts);
  EXPECT_EQ(run.err.substr(0, c.err_starts.size()), c.err_starts);
  if (c.code != 0) {
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(trace().calls.empty()) << "asks nothing on bad arguments";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, DryRunArgumentsTest,
    ::testing::Values(
        ArgumentsCase{"None", {}, 0, "kovlaunch dry run", ""},
        ArgumentsCase{"Json", {"--json"}, 0, "{\"tool\":\"kovlaunch-dryrun\"", ""},
        ArgumentsCase{"Help", {"--help"}, 0, "usage: kovlaunch-dryrun [--json]", ""},
        ArgumentsCase{"HelpWinsOverJson", {"--json", "--help"}, 0, "usage:", ""},
        ArgumentsCase{"Unknown", {"--jsn"}, 2, "",
                      "kovlaunch-dryrun: unknown argument \"--jsn\"\nusage:"},
        ArgumentsCase{"WindowsStyleSwitch", {"/?"}, 2, "",
                      "kovlaunch-dryrun: unknown argument \"/?\""},
        ArgumentsCase{"CaseCounts", {"--JSON"}, 2, "", "kovlaunch-dryrun: unknown"},
        ArgumentsCase{"Empty", {""}, 2, "", "kovlaunch-dryrun: unknown argument \"\""}),
    CaseName());

TEST_F(DryRunTest, NullArgumentsAreRefused) {
  EXPECT_EQ(CollectDryRunReport(nullptr), 0);
  EXPECT_EQ(GetAgentPresenceReport(nullptr), 0);
  EXPECT_EQ(GetElevationReport(nullptr), 0);
  EXPECT_EQ(PlanInstallerPaths(nullptr), 0);
  EXPECT_EQ(PlanInstallerStart(nullptr), 0);
  EXPECT_EQ(StartPlannedInstaller(nullptr), 0);
  InstallPlan plan = {};
  EXPECT_EQ(PlanInstallerStart(&plan), 0) << "paths not planned yet";
  EXPECT_EQ(StartPlannedInstaller(&plan), 0);
  EXPECT_TRUE(trace().calls.empty());
}

}  // namespace
