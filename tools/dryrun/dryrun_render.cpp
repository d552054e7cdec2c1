#include "tools/dryrun/dryrun.h"

#include <initializer_list>

namespace {

const WCHAR kEmpty[] = {0};

bool IsHighSurrogate(WCHAR unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(WCHAR unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// ---- names of the report's values, shared by both forms

const char* FamilyKey(PlatformFamily family) {
  switch (family) {
    case PlatformFamily::kNt: return "nt";
    case PlatformFamily::kWindows9x: return "windows9x";
    default: return "other";
  }
}

const char* FamilyText(PlatformFamily family) {
  switch (family) {
    case PlatformFamily::kNt: return "NT family";
    case PlatformFamily::kWindows9x: return "Windows 9x family";
    default: return "other (neither NT nor Windows 9x)";
  }
}

const char* StepKey(PresenceStep step) {
  switch (step) {
    case PresenceStep::kServiceManagerUnavailable: return "service-manager-unavailable";
    case PresenceStep::kServiceNotOpened: return "service-not-opened";
    case PresenceStep::kAppPathKeyNotOpened: return "app-path-key-not-opened";
    case PresenceStep::kAppPathValueNotRead: return "app-path-value-not-read";
    case PresenceStep::kAgentFileMissing: return "agent-file-missing";
    case PresenceStep::kAgentFoundWindows9x: return "agent-found-windows9x";
    case PresenceStep::kAgentFoundNt: return "agent-found-nt";
    default: return "platform-not-recognised";
  }
}

const char* StepText(PresenceStep step) {
  switch (step) {
    case PresenceStep::kServiceManagerUnavailable:
      return "the service control manager could not be opened, so the agent "
             "is taken to be present";
    case PresenceStep::kServiceNotOpened:
      return "the agent's service could not be opened";
    case PresenceStep::kAppPathKeyNotOpened:
      return "the agent's App Paths key could not be opened";
    case PresenceStep::kAppPathValueNotRead:
      return "the App Paths key's default value could not be read";
    case PresenceStep::kAgentFileMissing:
      return "the file the App Paths value names does not exist";
    case PresenceStep::kAgentFoundWindows9x:
      return "App Paths value and its file found (Windows 9x family: no service test)";
    case PresenceStep::kAgentFoundNt:
      return "service, App Paths value and its file found";
    default:
      return "the platform is neither NT nor Windows 9x: the agent is always "
             "installed";
  }
}

const char* SourceKey(LookupSource source) {
  switch (source) {
    case LookupSource::kLookupLibrary: return "lookup-library";
    case LookupSource::kDefaultAfterUnusable: return "default-after-unusable-answer";
    default: return "default";
  }
}

const char* SourceText(LookupSource source) {
  switch (source) {
    case LookupSource::kLookupLibrary:
      return "supplied by the lookup library";
    case LookupSource::kDefaultAfterUnusable:
      return "built-in default: the lookup library's answer was not terminated";
    default:
      return "built-in default: the lookup library declined";
  }
}

const char* PlanKey(InstallPlanStep step) {
  switch (step) {
    case InstallPlanStep::kNoModuleDirectory: return "no-module-directory";
    case InstallPlanStep::kPathTooLong: return "path-too-long";
    case InstallPlanStep::kPathsReady: return "paths-ready";
    case InstallPlanStep::kCommandLineTooLong: return "command-line-too-long";
    case InstallPlanStep::kShellParametersTooLong: return "shell-parameters-too-long";
    case InstallPlanStep::kShellFileTooLong: return "shell-file-too-long";
    case InstallPlanStep::kReadyToStart: return "ready-to-start";
    default: return "not-planned";
  }
}

const char* PlanProblemText(InstallPlanStep step) {
  switch (step) {
    case InstallPlanStep::kNoModuleDirectory:
      return "the launcher's own directory could not be found; nothing would be started";
    case InstallPlanStep::kPathTooLong:
      return "the installer or configuration path would not fit in 1023 "
             "characters; nothing would be started";
    case InstallPlanStep::kCommandLineTooLong:
      return "the command line would not fit in 1023 characters; nothing would "
             "be started";
    case InstallPlanStep::kShellParametersTooLong:
      return "the shell parameters would not fit in 1023 characters; nothing "
             "would be started";
    case InstallPlanStep::kShellFileTooLong:
      return "the installer path would not fit the shell's 259 characters; "
             "nothing would be started";
    default:
      return nullptr;
  }
}

const char* PathKey(StartPath path) {
  switch (path) {
    case StartPath::kDirect: return "direct";
    case StartPath::kShell: return "shell";
    default: return "none";
  }
}

bool WouldStart(const DryRunReport& r) {
  return r.install_planned && r.plan.step == InstallPlanStep::kReadyToStart;
}

// ---- output

void PutUtf8(std::FILE* out, const WCHAR* text, bool json) {
  if (text == nullptr) {
    text = kEmpty;
  }
  DWORD index = 0;
  while (text[index] != L'\0') {
    char utf8[4];
    WCHAR unit = text[index];
    int count = NextUtf8(text, &index, utf8);
    if (json && unit < 0x80) {
      if (unit == L'"' || unit == L'\\') {
        std::fputc('\\', out);
      } else if (unit < 0x20) {
        std::fprintf(out, "\\u%04x", static_cast<unsigned>(unit));
        continue;
      }
    }
    std::fwrite(utf8, 1, static_cast<std::size_t>(count), out);
  }
}

void PutAscii(std::FILE* out, const char* text, bool json) {
  for (; *text != '\0'; ++text) {
    if (json && (*text == '"' || *text == '\\')) std::fputc('\\', out);
    std::fputc(*text, out);
  }
}

// A JSON object being written member by member, nested up to kMaxJsonDepth.
const int kMaxJsonDepth = 8;
struct JsonOut {
  std::FILE* out;
  int depth;
  bool has_member[kMaxJsonDepth];
};

// The separator and `key` of the next member; `key` is null for array
// elements and the outermost object.
void JsonKey(JsonOut& json, const char* key) {
  if (json.depth > 0) {
    if (json.has_member[json.depth - 1]) std::fputc(',', json.out);
    json.has_member[json.depth - 1] = true;
  }
  if (key != nullptr) std::fprintf(json.out, "\"%s\":", key);
}

void JsonOpen(JsonOut& json, const char* key, char bracket) {
  JsonKey(json, key);
  std::fputc(bracket, json.out);
  if (json.depth < kMaxJsonDepth) json.has_member[json.depth++] = false;
}

void JsonClose(JsonOut& json, char bracket) {
  std::fputc(bracket, json.out);
  if (json.depth > 0) --json.depth;
}

// `head`, then `tail`, as one string.
void JsonMessage(JsonOut& json, const char* key, const char* head, const WCHAR* tail) {
  JsonKey(json, key);
  std::fputc('"', json.out);
  PutAscii(json.out, head, true);
  PutUtf8(json.out, tail, true);
  std::fputc('"', json.out);
}

void JsonText(JsonOut& json, const char* key, const WCHAR* value) {
  JsonMessage(json, key, "", value);
}

void JsonAscii(JsonOut& json, const char* key, const char* value) {
  JsonMessage(json, key, value, nullptr);
}

void JsonBool(JsonOut& json, const char* key, bool value) {
  JsonKey(json, key);
  std::fputs(value ? "true" : "false", json.out);
}

void JsonNumber(JsonOut& json, const char* key, long long value) {
  JsonKey(json, key);
  std::fprintf(json.out, "%lld", value);
}

void JsonNull(JsonOut& json, const char* key) {
  JsonKey(json, key);
  std::fputs("null", json.out);
}

// Calls `warn` with each warning of the report, as UTF-8 head and WCHAR tail.
template <typename Warn>
void ForEachWarning(const DryRunReport& r, Warn warn) {
  const AgentPresenceReport& p = r.presence;
  if (p.deciding_step == PresenceStep::kServiceManagerUnavailable) {
    warn("the service control manager could not be opened: the launcher "
         "installs nothing here, present or not",
         nullptr);
  }
  if (p.service_name_source == LookupSource::kDefaultAfterUnusable ||
      p.app_path_key_source == LookupSource::kDefaultAfterUnusable) {
    warn("the lookup library gave an answer without a terminator; the built-in "
         "default was used",
         nullptr);
  }
  if (!r.install_planned) {
    return;
  }
  const char* problem = PlanProblemText(r.plan.step);
  if (problem != nullptr) {
    warn(problem, nullptr);
  }
  if (!r.files_checked) {
    return;
  }
  if (!IsPresentFile(r.installer_attributes)) {
    warn(r.installer_attributes == INVALID_FILE_ATTRIBUTES
             ? "installer missing: "
             : "installer is a directory: ",
         r.plan.installer);
  }
  if (!IsPresentFile(r.config_attributes)) {
    warn(r.config_attributes == INVALID_FILE_ATTRIBUTES
             ? "configuration file missing: "
             : "configuration file is a directory: ",
         r.plan.config);
  }
}

void WritePresenceJson(JsonOut& json, const AgentPresenceReport& p) {
  JsonOpen(json, "presence", '{');
  if (p.service_manager_asked) {
    JsonOpen(json, "serviceManager", '{');
    JsonBool(json, "opened", p.service_manager_opened);
    JsonNumber(json, "error", p.service_manager_error);
    JsonClose(json, '}');
  } else {
    JsonNull(json, "serviceManager");
  }
  if (p.service_asked) {
    JsonOpen(json, "service", '{');
    JsonText(json, "name", p.service_name);
    JsonBool(json, "nameFromLookup", p.service_name_source == LookupSource::kLookupLibrary);
    JsonAscii(json, "nameSource", SourceKey(p.service_name_source));
    JsonBool(json, "opened", p.service_opened);
    JsonNumber(json, "error", p.service_error);
    JsonClose(json, '}');
  } else {
    JsonNull(json, "service");
  }
  if (p.app_path_key_asked) {
    JsonOpen(json, "appPathKey", '{');
    JsonText(json, "path", p.app_path_key);
    JsonBool(json, "pathFromLookup", p.app_path_key_source == LookupSource::kLookupLibrary);
    JsonAscii(json, "pathSource", SourceKey(p.app_path_key_source));
    JsonBool(json, "opened", p.key_open_result == ERROR_SUCCESS);
    JsonNumber(json, "openResult", p.key_open_result);
    JsonClose(json, '}');
  } else {
    JsonNull(json, "appPathKey");
  }
  if (p.value_asked) {
    JsonOpen(json, "value", '{');
    JsonBool(json, "read", p.value_query_result == ERROR_SUCCESS && p.value_terminated);
    JsonNumber(json, "queryResult", p.value_query_result);
    JsonBool(json, "terminated", p.value_terminated);
    JsonText(json, "text", p.value);
    JsonClose(json, '}');
  } else {
    JsonNull(json, "value");
  }
  if (p.file_asked) {
    JsonBool(json, "fileExists", p.file_exists);
  } else {
    JsonNull(json, "fileExists");
  }
  JsonBool(json, "installRequired", p.install_required != FALSE);
  JsonAscii(json, "decidedBy", StepKey(p.deciding_step));
  JsonClose(json, '}');
}

// Every member is always there; those of steps the plan did not reach are
// null, so that collected reports share one shape.
void WriteInstallJson(JsonOut& json, const DryRunReport& r) {
  if (!r.install_planned) {
    JsonNull(json, "install");
    return;
  }
  const InstallPlan& plan = r.plan;
  bool have_directory = plan.step != InstallPlanStep::kNoModuleDirectory;
  bool paths_ready = r.files_checked;
  bool start_planned = paths_ready && plan.path != StartPath::kNone;
  bool direct = WouldStart(r) && plan.path == StartPath::kDirect;
  bool shell = WouldStart(r) && plan.path == StartPath::kShell;

  JsonOpen(json, "install", '{');
  JsonAscii(json, "plan", PlanKey(plan.step));
  JsonBool(json, "wouldStart", WouldStart(r));
  if (have_directory) JsonText(json, "directory", plan.directory);
  else JsonNull(json, "directory");
  if (have_directory) JsonBool(json, "native64Bit", plan.native_64bit);
  else JsonNull(json, "native64Bit");
  if (plan.installer_name != nullptr) JsonText(json, "installerName", plan.installer_name);
  else JsonNull(json, "installerName");
  if (paths_ready) {
    JsonText(json, "installer", plan.installer);
    JsonBool(json, "installerExists", IsPresentFile(r.installer_attributes));
    JsonText(json, "config", plan.config);
    JsonBool(json, "configExists", IsPresentFile(r.config_attributes));
    JsonNumber(json, "pauseMs", plan.pause_ms);
  } else {
    for (const char* key : {"installer", "installerExists", "config", "configExists", "pauseMs"}) {
      JsonNull(json, key);
    }
  }
  if (start_planned) {
    JsonOpen(json, "privilegeProbe", '{');
    JsonBool(json, "made", plan.elevation.probe_made);
    if (plan.elevation.probe_made) JsonBool(json, "samWritable", plan.elevation.sam_writable != FALSE);
    else JsonNull(json, "samWritable");
    JsonClose(json, '}');
    JsonBool(json, "elevationRequired", plan.elevation.elevation_required != FALSE);
  } else {
    JsonNull(json, "privilegeProbe");
    JsonNull(json, "elevationRequired");
  }
  JsonAscii(json, "path", WouldStart(r) ? PathKey(plan.path) : "none");
  if (direct) JsonText(json, "commandLine", plan.command_line);
  else JsonNull(json, "commandLine");
  if (shell) {
    JsonText(json, "shellFile", plan.shell_file);
    JsonText(json, "shellVerb", plan.shell_verb);
    JsonText(json, "shellParameters", plan.shell_parameters);
  } else {
    for (const char* key : {"shellFile", "shellVerb", "shellParameters"}) JsonNull(json, key);
  }
  if (WouldStart(r)) JsonNumber(json, "showMode", plan.show_mode);
  else JsonNull(json, "showMode");
  JsonClose(json, '}');
}

// ---- text

void Line(std::FILE* out, const char* label, const char* text) {
  std::fprintf(out, "  %-22s %s\n", label, text);
}

void WideLine(std::FILE* out, const char* label, const WCHAR* text,
              const char* note) {
  std::fprintf(out, "  %-22s ", label);
  PutUtf8(out, text, false);
  if (note != nullptr) std::fprintf(out, "  (%s)", note);
  std::fputc('\n', out);
}

void ErrorLine(std::FILE* out, const char* label, const char* text, long long error) {
  std::fprintf(out, "  %-22s %s (Windows error %lld)\n", label, text, error);
}

void WritePresenceText(std::FILE* out, const AgentPresenceReport& p) {
  std::fprintf(out, "\nAgent presence check\n");
  if (p.service_manager_asked) {
    if (p.service_manager_opened) Line(out, "Service manager", "opened");
    else ErrorLine(out, "Service manager", "could not be opened", p.service_manager_error);
  } else {
    Line(out, "Service manager", "not asked (not NT)");
  }
  if (p.service_asked) {
    WideLine(out, "Service name", p.service_name, SourceText(p.service_name_source));
    if (p.service_opened) Line(out, "Service", "opened");
    else ErrorLine(out, "Service", "could not be opened", p.service_error);
  }
  if (p.app_path_key_asked) {
    std::fprintf(out, "  %-22s HKLM\\", "App Paths key");
    PutUtf8(out, p.app_path_key, false);
    std::fprintf(out, "  (%s)\n", SourceText(p.app_path_key_source));
    if (p.key_open_result == ERROR_SUCCESS) Line(out, "Key", "opened");
    else ErrorLine(out, "Key", "could not be opened", p.key_open_result);
  }
  if (p.value_asked) {
    if (p.value_query_result != ERROR_SUCCESS) {
      ErrorLine(out, "Default value", "could not be read", p.value_query_result);
    } else if (!p.value_terminated) {
      Line(out, "Default value", "fills the 260-character buffer without a terminator");
    } else {
      WideLine(out, "Default value", p.value, nullptr);
    }
  }
  if (p.file_asked) Line(out, "File", p.file_exists ? "exists" : "does not exist");
  Line(out, "Verdict", p.install_required ? "the agent must be installed"
                                          : "nothing to install");
  std::fprintf(out, "  %-22s %s: %s\n", "Decided by", StepKey(p.deciding_step),
               StepText(p.deciding_step));
}

void WriteInstallText(std::FILE* out, const DryRunReport& r) {
  const InstallPlan& plan = r.plan;
  std::fprintf(out, "\nInstallation\n");
  if (plan.step == InstallPlanStep::kNoModuleDirectory) {
    Line(out, "Launcher directory", "could not be found");
    return;
  }
  WideLine(out, "Launcher directory", plan.directory, "short form where the volume has one");
  std::fprintf(out, "  %-22s %s, so ", "Native architecture",
               plan.native_64bit ? "64-bit" : "32-bit");
  PutUtf8(out, plan.installer_name, false);
  std::fputc('\n', out);
  if (!r.files_checked) return;
  WideLine(out, "Installer", plan.installer,
           IsPresentFile(r.installer_attributes) ? "present" : "MISSING");
  WideLine(out, "Configuration", plan.config,
           IsPresentFile(r.config_attributes) ? "present" : "MISSING");
  if (plan.pause_before_start) {
    std::fprintf(out, "  %-22s %lu ms before the start (not NT)\n", "Pause",
                 static_cast<unsigned long>(plan.pause_ms));
  } else {
    Line(out, "Pause", "none (NT family)");
  }
  if (!plan.elevation.probe_made) {
    Line(out, "Privilege probe", "not made (not NT)");
  } else {
    Line(out, "Privilege probe", plan.elevation.sam_writable
                                     ? "HKLM\\SAM can be opened for writing"
                                     : "HKLM\\SAM refused for writing (access denied)");
  }
  if (!WouldStart(r)) {
    Line(out, "Start", "none");
    return;
  }
  if (plan.path == StartPath::kDirect) {
    Line(out, "Start", "directly, hidden window");
    WideLine(out, "Command line", plan.command_line, nullptr);
  } else {
    std::fprintf(out, "  %-22s through the shell with \"", "Start");
    PutUtf8(out, plan.shell_verb, false);
    std::fprintf(out, "\", window shown\n");
    WideLine(out, "Shell file", plan.shell_file, nullptr);
    std::fprintf(out, "  %-22s \"", "Shell parameters");
    PutUtf8(out, plan.shell_parameters, false);
    std::fprintf(out, "\"\n");
  }
}

}  // namespace

int NextUtf8(const WCHAR* text, DWORD* index, char (&utf8)[4]) {
  DWORD code = text[*index];
  ++*index;
  if (IsHighSurrogate(static_cast<WCHAR>(code)) && IsLowSurrogate(text[*index])) {
    code = 0x10000 + ((code - 0xD800) << 10) + (text[*index] - 0xDC00u);
    ++*index;
  } else if (IsHighSurrogate(static_cast<WCHAR>(code)) ||
             IsLowSurrogate(static_cast<WCHAR>(code))) {
    code = 0xFFFD;
  }
  if (code < 0x80) {
    utf8[0] = static_cast<char>(code);
    return 1;
  }
  if (code < 0x800) {
    utf8[0] = static_cast<char>(0xC0 | (code >> 6));
    utf8[1] = static_cast<char>(0x80 | (code & 0x3F));
    return 2;
  }
  if (code < 0x10000) {
    utf8[0] = static_cast<char>(0xE0 | (code >> 12));
    utf8[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    utf8[2] = static_cast<char>(0x80 | (code & 0x3F));
    return 3;
  }
  utf8[0] = static_cast<char>(0xF0 | (code >> 18));
  utf8[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
  utf8[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  utf8[3] = static_cast<char>(0x80 | (code & 0x3F));
  return 4;
}

void WriteDryRunJson(const DryRunReport& r, std::FILE* out) {
  JsonOut json = {out, 0, {}};
  JsonOpen(json, nullptr, '{');
  JsonAscii(json, "tool", "kovlaunch-dryrun");
  JsonOpen(json, "os", '{');
  JsonNumber(json, "code", r.os_code);
  if (r.have_os_name) JsonText(json, "name", r.os_name);
  else JsonNull(json, "name");
  JsonClose(json, '}');
  JsonOpen(json, "platform", '{');
  JsonNumber(json, "id", r.presence.platform_id);
  JsonAscii(json, "family", FamilyKey(r.platform));
  JsonClose(json, '}');
  WritePresenceJson(json, r.presence);
  WriteInstallJson(json, r);
  JsonOpen(json, "warnings", '[');
  ForEachWarning(r, [&](const char* head, const WCHAR* tail) {
    JsonMessage(json, nullptr, head, tail);
  });
  JsonClose(json, ']');
  JsonClose(json, '}');
  std::fputc('\n', out);
}

void WriteDryRunText(const DryRunReport& r, std::FILE* out) {
  std::fprintf(out, "kovlaunch dry run: what the launcher would do here, and why "
                    "(nothing is started or changed)\n\n");
  std::fprintf(out, "  %-22s ", "Operating system");
  if (r.have_os_name) PutUtf8(out, r.os_name, false);
  else std::fputs("(not recognised)", out);
  std::fprintf(out, " (code %ld)\n", static_cast<long>(r.os_code));
  std::fprintf(out, "  %-22s %s (platform id %lu)\n", "Platform", FamilyText(r.platform),
               static_cast<unsigned long>(r.presence.platform_id));
  WritePresenceText(out, r.presence);
  if (r.install_planned) {
    WriteInstallText(out, r);
  }
  bool any = false;
  ForEachWarning(r, [&](const char* head, const WCHAR* tail) {
    if (!any) std::fprintf(out, "\nWarnings\n");
    any = true;
    std::fprintf(out, "  ! %s", head);
    PutUtf8(out, tail, false);
    std::fputc('\n', out);
  });
}
