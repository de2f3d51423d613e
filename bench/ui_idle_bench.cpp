// What an idle modal dialog costs the process: the false-logon delay dialog
// (template 634) on the real clock, headless, with its 10 ms progress timer
// moving the bar on every tick, as the device shows it while a delay is
// served. The figure is process CPU time over wall time ("cpu_percent",
// 100 = one core busy); the target is at most 0.5.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdint>

#include "platform/clock.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/ui/dialog.h"
#include "platform/ui/messages.h"
#include "platform/ui/screen.h"
#include "platform/ui/shell_internal.h"
#include "res/resource_ids.h"
#include "tests/support/temp_device.h"

namespace {

constexpr UINT_PTR kProgressTimer = 1234;
constexpr UINT kTickMs = 10;

// One run of the dialog: how long it stays up, and what it did meanwhile.
struct DelayRun {
  DWORD totalMs = 0;
  DWORD start = 0;
  std::uint64_t ticks = 0;
};

DelayRun* g_run = nullptr;

// The delay dialog's procedure: the bar's range is the delay in
// milliseconds, so every tick moves it (the real dialog's 0..100 range
// moves it less often, which is cheaper).
LONG_PTR DelayProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      g_run->start = GetTickCount();
      SendDlgItemMessage(dialog, IDC_DELAY_PROGRESS, PBM_SETRANGE32, 0,
                         static_cast<LPARAM>(g_run->totalMs));
      SendDlgItemMessage(dialog, IDC_DELAY_PROGRESS, PBM_SETPOS, 0, 0);
      SetTimer(dialog, kProgressTimer, kTickMs, nullptr);
      SetForegroundWindow(dialog);
      return TRUE;
    case WM_TIMER: {
      if (wParam != kProgressTimer) return FALSE;
      ++g_run->ticks;
      // The real dialog checks that it is still in front on every tick.
      if (GetActiveWindow() != dialog || GetForegroundWindow() != dialog) {
        SetForegroundWindow(dialog);
      }
      const DWORD elapsed = GetTickCount() - g_run->start;
      if (elapsed >= g_run->totalMs) {
        KillTimer(dialog, kProgressTimer);
        EndDialog(dialog, 1);
        return TRUE;
      }
      SendDlgItemMessage(dialog, IDC_DELAY_PROGRESS, PBM_SETPOS, elapsed, 0);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

double Seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// Process CPU time so far, user and system.
void CpuTimes(double* user, double* system) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  *user = Seconds(usage.ru_utime);
  *system = Seconds(usage.ru_stime);
}

void BM_IdleDelayDialog(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  testing_support::TempDevice device;
  platform::clock::UseReal();
  platform::ui::shell::Start();
  const HINSTANCE module = GetModuleHandle(nullptr);

  // A first short run loads the fonts and glyphs, which the device does
  // once at start.
  {
    DelayRun warmUp;
    warmUp.totalMs = 100;
    g_run = &warmUp;
    DialogBoxParam(module, IDD_DELAY, nullptr, DelayProc, 0);
    g_run = nullptr;
  }

  double userSum = 0;
  double systemSum = 0;
  double wallSum = 0;
  std::uint64_t ticks = 0;
  std::uint64_t frames = 0;
  for (auto _ : state) {
    DelayRun run;
    run.totalMs = static_cast<DWORD>(state.range(0));
    g_run = &run;
    const std::uint64_t framesBefore = platform::ui::screen::FrameCount();
    double user0 = 0, system0 = 0, user1 = 0, system1 = 0;
    const double wall0 = Seconds(CLOCK_MONOTONIC);
    CpuTimes(&user0, &system0);
    const LONG_PTR result = DialogBoxParam(module, IDD_DELAY, nullptr, DelayProc, 0);
    CpuTimes(&user1, &system1);
    const double wall = Seconds(CLOCK_MONOTONIC) - wall0;
    g_run = nullptr;
    if (result != 1) {
      state.SkipWithError("the delay dialog did not end by its timer");
      break;
    }
    state.SetIterationTime(wall);
    userSum += user1 - user0;
    systemSum += system1 - system0;
    wallSum += wall;
    ticks += run.ticks;
    frames += platform::ui::screen::FrameCount() - framesBefore;
  }
  platform::ui::shell::Stop();
  platform::clock::UseVirtual();

  if (wallSum > 0) {
    state.counters["cpu_percent"] = 100.0 * (userSum + systemSum) / wallSum;
    state.counters["user_percent"] = 100.0 * userSum / wallSum;
    state.counters["sys_percent"] = 100.0 * systemSum / wallSum;
    state.counters["ticks_per_s"] = static_cast<double>(ticks) / wallSum;
    state.counters["frames_per_s"] = static_cast<double>(frames) / wallSum;
  }
}
// Two seconds of the dialog per iteration.
BENCHMARK(BM_IdleDelayDialog)
    ->Arg(2000)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
