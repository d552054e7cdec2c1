// Every platform call the code makes, failed in turn in every way it can
// fail. A scenario first runs clean to find the calls it makes; then, for
// each call (each occurrence of it) and each of its faults, it runs again
// with that one fault injected and checks that nothing went wrong that the
// fault does not excuse. A call the table below does not know fails the
// sweep, so that a new call cannot slip past it.
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>

#include <gtest/gtest-spi.h>

#include "agent_setup.h"
#include "launcher/launcher.h"
#include "osinfo/osinfo.h"
#include "standin_fixture.h"

namespace {

using standin::Fault;
using standin::Machine;

// The ways each call can go wrong. Calls with no entry here fail the sweep.
const std::map<std::string, std::vector<Fault>>& KnownFaults() {
  static const std::map<std::string, std::vector<Fault>> kFaults = {
      {"GetVersionExW", {Fault::kFailure}},
      {"GetModuleHandleW", {Fault::kFailure}},
      {"GetProcAddress", {Fault::kFailure}},
      {"RtlGetVersion", {Fault::kAbsent, Fault::kFailure, Fault::kAccessDenied}},
      {"RtlVerifyVersionInfo",
       {Fault::kAbsent, Fault::kFailure, Fault::kAccessDenied}},
      {"GetNativeSystemInfo", {Fault::kAbsent, Fault::kFailure}},
      {"GetProductInfo", {Fault::kAbsent, Fault::kFailure}},
      {"GetModuleFileNameW",
       {Fault::kFailure, Fault::kAccessDenied, Fault::kShortAnswer}},
      {"GetShortPathNameW",
       {Fault::kFailure, Fault::kAccessDenied, Fault::kShortAnswer}},
      {"GetFileAttributesW", {Fault::kFailure, Fault::kAccessDenied}},
      {"CreateProcessW", {Fault::kFailure, Fault::kAccessDenied}},
      {"ShellExecuteExW", {Fault::kFailure, Fault::kAccessDenied}},
      {"WaitForSingleObject", {Fault::kFailure}},
      {"CloseHandle", {Fault::kFailure}},
      {"RegOpenKeyExW", {Fault::kFailure, Fault::kAccessDenied}},
      {"RegQueryValueW",
       {Fault::kFailure, Fault::kAccessDenied, Fault::kShortAnswer}},
      {"RegCloseKey", {Fault::kFailure}},
      {"OpenSCManagerW", {Fault::kFailure, Fault::kAccessDenied}},
      {"OpenServiceW", {Fault::kFailure, Fault::kAccessDenied}},
      {"CloseServiceHandle", {Fault::kFailure}},
      {"LookupAgentServiceName", {Fault::kFailure, Fault::kShortAnswer}},
      {"LookupAgentAppPathKey", {Fault::kFailure, Fault::kShortAnswer}},
      {"IsProcessorFeaturePresent", {Fault::kFailure}},
      {"GetSystemMetrics", {Fault::kFailure}},
      // These cannot fail.
      {"Sleep", {}},
      {"VerSetConditionMask", {}},
  };
  return kFaults;
}

struct FaultPoint {
  std::string call;
  int nth;
  Fault kind;
};

std::string Describe(const FaultPoint& point) {
  return point.call + " #" + std::to_string(point.nth) + " " +
         standin::FaultName(point.kind);
}

// How often `call` ran in the clean run, counted as its faults count it: a
// look-up fault by the look-ups of that name.
int Occurrences(const std::string& call, Fault kind) {
  if (kind == Fault::kAbsent) {
    return standin::CountCalls("GetProcAddress " + call);
  }
  return standin::CountCallsNamed(call);
}

std::set<std::string> CallNames() {
  std::set<std::string> names;
  for (const std::string& entry : standin::TheTrace().calls) {
    names.insert(entry.substr(0, entry.find(' ')));
  }
  return names;
}

// Fails for every call made that the table does not know.
void ExpectKnownCalls(const std::string& when) {
  for (const std::string& name : CallNames()) {
    EXPECT_EQ(KnownFaults().count(name), 1u)
        << "the code calls " << name << " (" << when
        << "), which the fault sweep has no faults for";
  }
}

// Runs `arrange` and `run` clean, then once for every fault point of the
// calls made, calling `check` after each faulted run. Returns the number of
// fault points run.
int Sweep(const std::function<void(Machine&)>& arrange,
          const std::function<void()>& run,
          const std::function<void(const FaultPoint&)>& check) {
  standin::Reset();
  arrange(standin::TheMachine());
  run();
  ExpectKnownCalls("clean run");
  std::vector<FaultPoint> points;
  for (const std::string& name : CallNames()) {
    auto known = KnownFaults().find(name);
    if (known == KnownFaults().end()) continue;
    for (Fault kind : known->second) {
      for (int nth = 1; nth <= Occurrences(name, kind); ++nth) {
        points.push_back({name, nth, kind});
      }
    }
  }
  for (const FaultPoint& point : points) {
    SCOPED_TRACE(Describe(point));
    standin::Reset();
    arrange(standin::TheMachine());
    standin::TheMachine().faults[point.call] = {point.kind, point.nth};
    run();
    check(point);
    EXPECT_THAT(standin::OpenHandles(), ::testing::IsEmpty()) << "handles left open";
    EXPECT_THAT(standin::TheTrace().misuses, ::testing::IsEmpty());
    ExpectKnownCalls("with " + Describe(point));
  }
  standin::Reset();
  return static_cast<int>(points.size());
}

// ---- The launch sequence ----------------------------------------------------

const std::string kLongDirectory = "C:\\Deploy Share\\";
const std::string kShortDirectory = "C:\\DEPLOY~1\\";

std::string Argument(const std::string& path) {
  return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
}

struct LaunchScenario {
  const char* name;
  std::function<void(Machine&)> arrange;
  // Calls whose failure may make the agent look missing, so that an install
  // still goes ahead; any call when the agent is missing to begin with.
  std::set<std::string> may_start_after;
  bool agent_missing;
};

void DeployedInSpacedFolder(Machine& m) {
  m.module_file_name = kLongDirectory + "kovlaunch.exe";
  m.short_names = {{kLongDirectory, kShortDirectory}};
}

// The calls whose failure the presence rules count as a missing agent: the
// service, the App Paths key and value, the file, and a platform that is
// neither 9x nor NT.
const std::set<std::string> kAgentHidingCalls = {
    "OpenServiceW", "RegOpenKeyExW", "RegQueryValueW", "GetFileAttributesW",
    "GetVersionExW"};

class LaunchFaultSweep : public ::testing::TestWithParam<LaunchScenario> {};

TEST_P(LaunchFaultSweep, EveryFaultEndsQuietlyAndCleanly) {
  const LaunchScenario& s = GetParam();
  int result = 0;
  int points = Sweep(
      s.arrange, [&] { result = wWinMain(nullptr, nullptr, nullptr, 0); },
      [&](const FaultPoint& point) {
        const standin::Trace& t = standin::TheTrace();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(standin::CountCalls("WaitForSingleObject"), 0);
        size_t starts = t.process_starts.size() + t.shell_starts.size();
        // A refused start was recorded as an attempt only.
        int attempts = standin::CountCalls("CreateProcessW") +
                       standin::CountCalls("ShellExecuteExW");
        EXPECT_LE(attempts, 1);
        if (!s.agent_missing && s.may_start_after.count(point.call) == 0) {
          EXPECT_EQ(attempts, 0) << "an install although the agent is present";
        }
        std::vector<std::string> installers;
        for (const std::string& directory : {kLongDirectory, kShortDirectory}) {
          for (const char* name : {"Kovrimen.exe", "kovrim64.exe"}) {
            installers.push_back(directory + name);
          }
        }
        if (!t.process_starts.empty()) {
          bool well_formed = false;
          // Each directory is taken on its own: one may keep its long form.
          for (const std::string& installer : installers) {
            for (const std::string& directory : {kLongDirectory, kShortDirectory}) {
              well_formed |= t.process_starts[0].command_line ==
                             Argument(installer) + " /SILENT " +
                                 Argument(directory + "tesvol.ini");
            }
          }
          EXPECT_TRUE(well_formed) << t.process_starts[0].command_line;
        }
        if (!t.shell_starts.empty()) {
          EXPECT_THAT(installers, ::testing::Contains(t.shell_starts[0].file));
          EXPECT_EQ(t.shell_starts[0].mask, 0x500u) << "no process handle asked for";
        }
        int sleep = standin::FirstCall("Sleep");
        if (sleep >= 0 && starts > 0) {
          EXPECT_LT(sleep, std::max(standin::FirstCall("CreateProcessW"),
                                    standin::FirstCall("ShellExecuteExW")));
          EXPECT_EQ(t.sleeps, std::vector<DWORD>{45000});
        }
      });
  std::printf("[ fault sweep ] launch sequence, %s: %d fault points\n", s.name,
              points);
  EXPECT_GT(points, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, LaunchFaultSweep,
    ::testing::Values(
        LaunchScenario{"AgentPresentOnNt",
                       [](Machine& m) {
                         InstallAgent(m);
                         DeployedInSpacedFolder(m);
                       },
                       kAgentHidingCalls, false},
        LaunchScenario{"AgentPresentOnWindows9x",
                       [](Machine& m) {
                         InstallAgent(m);
                         SetPlatform(m, VER_PLATFORM_WIN32_WINDOWS);
                         DeployedInSpacedFolder(m);
                       },
                       kAgentHidingCalls, false},
        LaunchScenario{"NoAgent64BitWithShortNames",
                       [](Machine& m) {
                         DeployedInSpacedFolder(m);
                         m.native_architecture = PROCESSOR_ARCHITECTURE_AMD64;
                       },
                       {}, true},
        LaunchScenario{"NoAgentSamRefusedNoShortNames",
                       [](Machine& m) {
                         m.module_file_name = kLongDirectory + "kovlaunch.exe";
                         m.registry.push_back(
                             {"SAM", ERROR_ACCESS_DENIED, false, "", true});
                       },
                       {}, true},
        LaunchScenario{"NoAgentWindows9x",
                       [](Machine& m) {
                         SetPlatform(m, VER_PLATFORM_WIN32_WINDOWS);
                         DeployedInSpacedFolder(m);
                       },
                       {}, true},
        // The lookup library names the service and key in place of the
        // defaults, and the agent is registered under those names.
        LaunchScenario{"AgentPresentUnderLookedUpNames",
                       [](Machine& m) {
                         m.service_name_lookup = {true, "Velmora", false};
                         m.app_path_key_lookup = {true, "SOFTWARE\\Velmora", false};
                         m.services.push_back({"Velmora", ERROR_SUCCESS});
                         m.registry.push_back(
                             {"SOFTWARE\\Velmora", ERROR_SUCCESS, true, kAgentExe, true});
                         m.files.insert(kAgentExe);
                         DeployedInSpacedFolder(m);
                       },
                       // Declined or unusable answers send the check to the
                       // defaults, under which there is no agent.
                       [] {
                         std::set<std::string> calls = kAgentHidingCalls;
                         calls.insert("LookupAgentServiceName");
                         calls.insert("LookupAgentAppPathKey");
                         return calls;
                       }(),
                       false}),
    CaseName());

// ---- The library's operations -----------------------------------------------

const BYTE kUntouchedByte = 0xAB;
const DWORD kUntouchedDword = 0xABABABABu;
const WORD kUntouchedWord = 0xABAB;

bool IsByteBoolean(BYTE value) { return value == 0 || value == 1; }

// Runs one operation and checks the contract its result and out-parameters
// keep, whatever failed beneath it.
struct LibraryOperation {
  const char* name;
  std::function<void()> run_and_check;
};

void CheckPredicate(BYTE (*run)(BYTE*)) {
  BYTE answer = kUntouchedByte;
  BYTE result = run(&answer);
  ASSERT_TRUE(IsByteBoolean(result));
  if (result == 0) {
    EXPECT_EQ(answer, 0) << "a failed predicate leaves its answer cleared";
  } else {
    EXPECT_TRUE(IsByteBoolean(answer));
  }
}

void CheckWrapper(BYTE (*run)(BYTE*)) {
  BYTE answer = kUntouchedByte;
  BYTE result = run(&answer);
  ASSERT_TRUE(IsByteBoolean(result));
  if (result == 0) {
    EXPECT_EQ(answer, kUntouchedByte) << "a failed wrapper leaves its answer alone";
  } else {
    EXPECT_TRUE(IsByteBoolean(answer));
  }
}

template <typename T>
void CheckFact(BYTE (*run)(T*), T untouched, const std::set<T>& allowed) {
  T value = untouched;
  BYTE result = run(&value);
  ASSERT_TRUE(IsByteBoolean(result));
  if (result == 0) {
    EXPECT_EQ(value, untouched) << "a failed query writes nothing";
  } else if (!allowed.empty()) {
    EXPECT_EQ(allowed.count(value), 1u) << value;
  }
}

const std::vector<LibraryOperation>& LibraryOperations() {
  static const std::vector<LibraryOperation> kOperations = {
      {"GetVersionSnapshot",
       [] {
         OsVersionSnapshot snapshot;
         std::memset(&snapshot, kUntouchedByte, sizeof(snapshot));
         BYTE result = GetVersionSnapshot(&snapshot);
         ASSERT_TRUE(IsByteBoolean(result));
         if (result == 0) {
           OsVersionSnapshot untouched;
           std::memset(&untouched, kUntouchedByte, sizeof(untouched));
           EXPECT_EQ(std::memcmp(&snapshot, &untouched, sizeof(snapshot)), 0);
         } else {
           EXPECT_THAT(snapshot.dwOSVersionInfoSize, ::testing::AnyOf(284u, 276u));
         }
       }},
      {"IsNative64BitOs", [] { EXPECT_TRUE(IsByteBoolean(IsNative64BitOs())); }},
      {"IsOsVersionEqual",
       [] { CheckPredicate([](BYTE* a) { return IsOsVersionEqual(5, a); }); }},
      {"IsOsVersionAtLeast",
       [] { CheckPredicate([](BYTE* a) { return IsOsVersionAtLeast(2, a); }); }},
      {"IsOsVersionBelow",
       [] { CheckPredicate([](BYTE* a) { return IsOsVersionBelow(5, 1, 0, a); }); }},
      {"IsServicePackAtLeast",
       [] { CheckPredicate([](BYTE* a) { return IsServicePackAtLeast(1, 0, a); }); }},
      {"IsWindows2000OrLater", [] { CheckWrapper(IsWindows2000OrLater); }},
      {"IsWindowsXpOrLater", [] { CheckWrapper(IsWindowsXpOrLater); }},
      {"GetOsVersionLevel",
       [] {
         OsVersionLevel level = static_cast<OsVersionLevel>(kUntouchedDword);
         BYTE result = GetOsVersionLevel(&level);
         ASSERT_TRUE(IsByteBoolean(result));
         if (result == 0) {
           EXPECT_EQ(level, 0) << "a failed level query leaves 0";
         } else {
           EXPECT_THAT(level, ::testing::AllOf(::testing::Ge(0), ::testing::Le(8)));
         }
       }},
      {"GetPlatformFamily",
       [] {
         CheckFact<LONG>(GetPlatformFamily, static_cast<LONG>(kUntouchedDword),
                         {0, 1, 2});
       }},
      {"IsWin9xFamily", [] { CheckFact<BYTE>(IsWin9xFamily, kUntouchedByte, {0, 1}); }},
      {"IsWinNtFamily", [] { CheckFact<BYTE>(IsWinNtFamily, kUntouchedByte, {0, 1}); }},
      {"IsServerProduct",
       [] { CheckFact<BYTE>(IsServerProduct, kUntouchedByte, {0, 1}); }},
      {"IsPaeEnabled",
       [] {
         BYTE enabled = kUntouchedByte;
         EXPECT_EQ(IsPaeEnabled(&enabled), 1);
         EXPECT_TRUE(IsByteBoolean(enabled));
       }},
      {"GetServicePackVersion",
       [] {
         WORD major = kUntouchedWord;
         WORD minor = kUntouchedWord;
         BYTE result = GetServicePackVersion(&major, &minor);
         ASSERT_TRUE(IsByteBoolean(result));
         if (result == 0) {
           EXPECT_EQ(major, kUntouchedWord);
           EXPECT_EQ(minor, kUntouchedWord);
         }
       }},
      {"GetOsProductType",
       [] { CheckFact<DWORD>(GetOsProductType, kUntouchedDword, {}); }},
      {"GetOsBuildNumber",
       [] { CheckFact<DWORD>(GetOsBuildNumber, kUntouchedDword, {}); }},
      {"GetOsVersionCode",
       [] {
         OsVersionCode code = GetOsVersionCode();
         if (code != 0) {
           ASSERT_THAT(code, ::testing::AllOf(::testing::Ge(50001), ::testing::Le(50043)));
           WCHAR name[64];
           EXPECT_EQ(GetOsVersionName(code, name, 64), 1) << code;
         }
       }},
  };
  return kOperations;
}

struct LibraryMachine {
  const char* name;
  std::function<void(Machine&)> arrange;
};

void Windows7(Machine&) {}

// 64-bit XP reports 5.2 as a workstation, which sends the level query and the
// classification to the R2 metric.
void WindowsXp64(Machine& m) {
  m.version.dwMajorVersion = 5;
  m.version.dwMinorVersion = 2;
  m.version.dwBuildNumber = 3790;
  m.version.wServicePackMajor = 2;
  m.native_architecture = PROCESSOR_ARCHITECTURE_AMD64;
}

// 10 on a 64-bit server: GetVersionExW would say 6.2, RtlGetVersion 10.0.
void Windows10Server(Machine& m) {
  m.version.dwMajorVersion = 10;
  m.version.dwMinorVersion = 0;
  m.version.dwBuildNumber = 17763;
  m.version.wServicePackMajor = 0;
  m.version.wProductType = VER_NT_SERVER;
  m.native_architecture = PROCESSOR_ARCHITECTURE_AMD64;
}

class LibraryFaultSweep : public ::testing::TestWithParam<LibraryMachine> {};

TEST_P(LibraryFaultSweep, EveryFailureKeepsTheOperationsContract) {
  int points = 0;
  for (const LibraryOperation& operation : LibraryOperations()) {
    SCOPED_TRACE(operation.name);
    points += Sweep(GetParam().arrange, operation.run_and_check,
                    [](const FaultPoint&) {});
  }
  std::printf("[ fault sweep ] library operations, %s: %d fault points\n",
              GetParam().name, points);
  EXPECT_GT(points, 0);
}

INSTANTIATE_TEST_SUITE_P(Machines, LibraryFaultSweep,
                         ::testing::Values(LibraryMachine{"Windows7", Windows7},
                                           LibraryMachine{"WindowsXp64", WindowsXp64},
                                           LibraryMachine{"Windows10Server",
                                                          Windows10Server}),
                         CaseName());

// The sweep's own guard: a call the table does not know is noticed.
TEST(FaultSweepGuard, AnUnknownCallFailsTheSweep) {
  EXPECT_NONFATAL_FAILURE(
      Sweep([](Machine&) {},
            [] { standin::TheTrace().calls.push_back("SomeNewCall 1"); },
            [](const FaultPoint&) {}),
      "SomeNewCall");
}

}  // namespace
