#include "platform/faults.h"

#include <csignal>
#include <map>
#include <mutex>

#include "platform/kernel.h"

namespace platform::faults {
namespace {

struct Armed {
  DWORD error;
  unsigned nth;
  unsigned count;  // 0 = forever
};

struct State {
  std::mutex lock;
  std::map<std::string, unsigned, std::less<>> calls;
  std::map<std::string, Armed, std::less<>> armed;
  unsigned writeSteps = 0;
  unsigned killAt = 0;
};

State& Get() {
  static State state;
  return state;
}

}  // namespace

void Fail(std::string_view call, DWORD error, unsigned nth, unsigned count) {
  State& s = Get();
  std::lock_guard guard(s.lock);
  // Counting starts afresh so "the n-th call" means from now on.
  s.calls[std::string(call)] = 0;
  s.armed[std::string(call)] = Armed{error, nth == 0 ? 1 : nth, count};
}

void Clear() {
  State& s = Get();
  std::lock_guard guard(s.lock);
  s.calls.clear();
  s.armed.clear();
  s.writeSteps = 0;
  s.killAt = 0;
}

unsigned CallCount(std::string_view call) {
  State& s = Get();
  std::lock_guard guard(s.lock);
  auto it = s.calls.find(call);
  return it == s.calls.end() ? 0 : it->second;
}

bool Check(std::string_view call, DWORD* error) {
  State& s = Get();
  std::lock_guard guard(s.lock);
  auto counter = s.calls.find(call);
  if (counter == s.calls.end()) counter = s.calls.emplace(std::string(call), 0).first;
  const unsigned n = ++counter->second;
  auto it = s.armed.find(call);
  if (it == s.armed.end()) return false;
  const Armed& a = it->second;
  if (n < a.nth) return false;
  if (a.count != 0 && n >= a.nth + a.count) return false;
  if (error) *error = a.error;
  return true;
}

void KillAtWriteStep(unsigned step) {
  State& s = Get();
  std::lock_guard guard(s.lock);
  s.writeSteps = 0;
  s.killAt = step;
}

void WriteStep() {
  State& s = Get();
  std::lock_guard guard(s.lock);
  if (++s.writeSteps == s.killAt) std::raise(SIGKILL);
}

unsigned WriteSteps() {
  State& s = Get();
  std::lock_guard guard(s.lock);
  return s.writeSteps;
}

bool CheckAndSetLastError(std::string_view call) {
  DWORD error = 0;
  if (!Check(call, &error)) return false;
  SetLastError(error);
  return true;
}

}  // namespace platform::faults
