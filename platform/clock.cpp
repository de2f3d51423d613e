#include "platform/clock.h"

#include <atomic>
#include <chrono>

namespace platform::clock {
namespace {

using Steady = std::chrono::steady_clock;

// The real clock counts from the first time anyone in the process asks, so
// a fresh process starts near zero as a freshly booted device would.
Steady::time_point Epoch() {
  static const Steady::time_point epoch = Steady::now();
  return epoch;
}

std::atomic<bool> g_virtual{false};
std::atomic<DWORD> g_virtualTick{0};

}  // namespace

void UseVirtual(DWORD startTick) {
  g_virtualTick.store(startTick);
  g_virtual.store(true);
}

void UseReal() {
  Epoch();
  g_virtual.store(false);
}

bool IsVirtual() {
  return g_virtual.load();
}

void Advance(DWORD milliseconds) {
  if (g_virtual.load()) g_virtualTick.fetch_add(milliseconds);
}

DWORD Now() {
  if (g_virtual.load()) return g_virtualTick.load();
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - Epoch()).count();
  // Truncation to 32 bits is the device's wrap after about 49.7 days.
  return static_cast<DWORD>(static_cast<std::uint64_t>(elapsed));
}

}  // namespace platform::clock
