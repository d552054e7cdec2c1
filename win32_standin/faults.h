// Faults a test can inject into the stand-in's Win32 calls: every stand-in
// function records itself, then asks FaultFor whether its call is to go
// wrong this time, and if so answers as Windows does when that happens.
#pragma once

#include <string>

namespace standin {

// The error a kFailure fault leaves (ERROR_GEN_FAILURE), and the statuses of
// failed native calls.
const unsigned kFaultError = 31;
const long kFaultStatusUnsuccessful = static_cast<long>(0xC0000001u);
const long kFaultStatusAccessDenied = static_cast<long>(0xC0000022u);

enum class Fault {
  kAbsent,        // a run-time looked-up function is not exported
  kFailure,       // the call fails with a general error
  kAccessDenied,  // the call is refused with access denied
  kShortAnswer,   // the answer is cut to the buffer, or does not fit it
};

// A fault for one call name (the first word of its trace entry): on its
// `nth` call (counted from 1), or on every call when `nth` is 0.
struct InjectedFault {
  Fault kind = Fault::kFailure;
  int nth = 0;
};

// The fault, if any, for the call just recorded under `call`.
bool FaultFor(const std::string& call, Fault* kind);

// Whether a run-time look-up of `proc_name` is to find nothing: a kAbsent
// fault on that name, counted over the look-ups of that name.
bool LookUpIsAbsent(const std::string& proc_name);

const char* FaultName(Fault kind);

// The number of recorded calls whose first word is `call`.
int CountCallsNamed(const std::string& call);

}  // namespace standin
