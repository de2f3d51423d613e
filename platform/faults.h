// Fault injection: tests make any platform call fail, once or from its n-th
// call on, with a chosen error code. Every platform entry point that can
// fail asks `platform::faults::Check` with its own name (the name of the
// call as the module writes it, e.g. "RegSetValueEx") before it does work.
#pragma once

#include <string>
#include <string_view>

#include "platform/windef.h"

namespace platform::faults {

// Makes the `nth` (1-based) call of `call` and the `count - 1` calls after it
// fail with `error`. A `count` of 0 keeps failing until cleared.
void Fail(std::string_view call, DWORD error, unsigned nth = 1, unsigned count = 1);

// Removes every armed fault and resets the call counters.
void Clear();

// Number of times `call` has been made since the last Clear (counted only
// for calls that go through Check).
unsigned CallCount(std::string_view call);

// Called by the platform: true when this call must fail; then `*error` holds
// the error to report. Counts the call either way.
bool Check(std::string_view call, DWORD* error);

// Convenience for callers that report through the thread's last error: on a
// hit it sets the last error and returns true.
bool CheckAndSetLastError(std::string_view call);

// Crash tests: the process kills itself with SIGKILL, as when the battery
// is pulled, just before its `step`-th durable write step (1-based; 0 turns
// it off). A step is a statement that changes the object store file or a
// commit. Counting restarts with every call.
void KillAtWriteStep(unsigned step);
// Called by the object store before each durable write step.
void WriteStep();
// Durable write steps made since the last Clear or KillAtWriteStep.
unsigned WriteSteps();

// RAII guard for tests: clears all faults when it goes out of scope.
class Scope {
 public:
  Scope() { Clear(); }
  ~Scope() { Clear(); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};

}  // namespace platform::faults
