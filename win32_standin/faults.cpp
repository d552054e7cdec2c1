#include "faults.h"

#include "machine.h"

namespace standin {
namespace {

std::string FirstWord(const std::string& entry) {
  return entry.substr(0, entry.find(' '));
}

bool Applies(const InjectedFault& fault, int occurrence) {
  return fault.nth == 0 || fault.nth == occurrence;
}

}  // namespace

int CountCallsNamed(const std::string& call) {
  int count = 0;
  for (const std::string& entry : TheTrace().calls) {
    if (FirstWord(entry) == call) ++count;
  }
  return count;
}

bool FaultFor(const std::string& call, Fault* kind) {
  const auto& faults = TheMachine().faults;
  auto it = faults.find(call);
  if (it == faults.end() || it->second.kind == Fault::kAbsent ||
      !Applies(it->second, CountCallsNamed(call))) {
    return false;
  }
  *kind = it->second.kind;
  return true;
}

bool LookUpIsAbsent(const std::string& proc_name) {
  const auto& faults = TheMachine().faults;
  auto it = faults.find(proc_name);
  if (it == faults.end() || it->second.kind != Fault::kAbsent) return false;
  int lookups = 0;
  for (const std::string& entry : TheTrace().calls) {
    if (entry == "GetProcAddress " + proc_name) ++lookups;
  }
  return Applies(it->second, lookups);
}

const char* FaultName(Fault kind) {
  switch (kind) {
    case Fault::kAbsent: return "Absent";
    case Fault::kFailure: return "Failure";
    case Fault::kAccessDenied: return "AccessDenied";
    case Fault::kShortAnswer: return "ShortAnswer";
  }
  return "?";
}

}  // namespace standin
