// What an idle modal dialog costs the process: the false-logon delay dialog
// (template 634) on the real clock, headless, with its 10 ms progress timer
// moving the bar on every tick, as the device shows it while a delay is
// served. The figures are process CPU time over wall time, as the scheduler
// accounts it ("cpu_percent", 100 = one core busy) and as time on a core
// ("oncpu_percent"; bench/cpu_clocks.h); the target is at most 0.5. Beside it: the same
// dialog with a composer that paints nothing, and a bare thread waking as
// often, the floor the machine sets.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>

#include "bench/cpu_clocks.h"
#include "platform/clock.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/message_loop.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/screen.h"
#include "res/resource_ids.h"
#include "tests/support/temp_device.h"

namespace {

using bench_clocks::Seconds;

constexpr UINT_PTR kProgressTimer = 1234;
constexpr UINT kTickMs = 10;

// One run of the dialog: how long it stays up, and what it did meanwhile.
struct DelayRun {
  DWORD totalMs = 0;
  // The bar's range: 0 for the delay in milliseconds, else 0..steps.
  DWORD steps = 0;
  DWORD start = 0;
  std::uint64_t ticks = 0;
};

DelayRun* g_run = nullptr;

// The delay dialog's procedure as the module has it, except that the bar's
// range may be the delay in milliseconds, so that every tick moves it.
LONG_PTR DelayProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      g_run->start = GetTickCount();
      SendDlgItemMessage(dialog, IDC_DELAY_PROGRESS, PBM_SETRANGE32, 0,
                         static_cast<LPARAM>(g_run->steps ? g_run->steps : g_run->totalMs));
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
      const DWORD position = g_run->steps ? elapsed * g_run->steps / g_run->totalMs : elapsed;
      SendDlgItemMessage(dialog, IDC_DELAY_PROGRESS, PBM_SETPOS, position, 0);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

void ReportCpu(benchmark::State& state, const bench_clocks::CpuSpent& cpu, double wall,
               std::uint64_t ticks, std::uint64_t frames) {
  if (wall <= 0) return;
  cpu.Report(state, wall);
  state.counters["ticks_per_s"] = static_cast<double>(ticks) / wall;
  state.counters["frames_per_s"] = static_cast<double>(frames) / wall;
}

// Arguments: how long the dialog stays up (ms); 1 to paint the screen, 0
// to replace the composer by one that paints nothing (the loop's own cost);
// the bar's range: 0 for milliseconds (it moves on every tick), 100 for the
// real dialog's percent (it moves every 1 % of the delay).
void BM_IdleDelayDialog(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  testing_support::TempDevice device;
  platform::clock::UseReal();
  platform::ui::shell::Start();
  const HINSTANCE module = GetModuleHandle(nullptr);
  platform::ui::Composer previous;
  if (state.range(1) == 0) previous = platform::ui::SetComposer([] {});

  // A first short run loads the fonts and glyphs, which the device does
  // once at start.
  {
    DelayRun warmUp;
    warmUp.totalMs = 100;
    g_run = &warmUp;
    DialogBoxParam(module, IDD_DELAY, nullptr, DelayProc, 0);
    g_run = nullptr;
  }

  bench_clocks::CpuSpent cpuSum;
  double wallSum = 0;
  std::uint64_t ticks = 0;
  std::uint64_t frames = 0;
  for (auto _ : state) {
    DelayRun run;
    run.totalMs = static_cast<DWORD>(state.range(0));
    run.steps = static_cast<DWORD>(state.range(2));
    g_run = &run;
    const std::uint64_t framesBefore = platform::ui::screen::FrameCount();
    const double wall0 = Seconds(CLOCK_MONOTONIC);
    const bench_clocks::CpuClocks cpu0 = bench_clocks::ReadCpuClocks();
    const LONG_PTR result = DialogBoxParam(module, IDD_DELAY, nullptr, DelayProc, 0);
    const bench_clocks::CpuClocks cpu1 = bench_clocks::ReadCpuClocks();
    const double wall = Seconds(CLOCK_MONOTONIC) - wall0;
    g_run = nullptr;
    if (result != 1) {
      state.SkipWithError("the delay dialog did not end by its timer");
      break;
    }
    state.SetIterationTime(wall);
    cpuSum.Add(cpu0, cpu1);
    wallSum += wall;
    ticks += run.ticks;
    frames += platform::ui::screen::FrameCount() - framesBefore;
  }
  if (state.range(1) == 0) platform::ui::SetComposer(previous);
  platform::ui::shell::Stop();
  platform::clock::UseVirtual();
  ReportCpu(state, cpuSum, wallSum, ticks, frames);
}
// Two seconds of the dialog per iteration.
BENCHMARK(BM_IdleDelayDialog)
    ->ArgNames({"ms", "paint", "steps"})
    ->Args({2000, 1, 0})
    ->Args({2000, 1, 100})
    ->Args({2000, 0, 0})
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The machine's floor: a thread that only sleeps in poll with a 10 ms
// timeout, 100 wake-ups a second, and does nothing else.
void BM_BareWakeups(benchmark::State& state) {
  const int fd = eventfd(0, EFD_NONBLOCK);
  bench_clocks::CpuSpent cpuSum;
  double wallSum = 0;
  std::uint64_t ticks = 0;
  for (auto _ : state) {
    const double wall0 = Seconds(CLOCK_MONOTONIC);
    const bench_clocks::CpuClocks cpu0 = bench_clocks::ReadCpuClocks();
    for (std::int64_t i = 0; i < state.range(0) / 10; ++i) {
      pollfd wait{fd, POLLIN, 0};
      poll(&wait, 1, 10);
      ++ticks;
    }
    const bench_clocks::CpuClocks cpu1 = bench_clocks::ReadCpuClocks();
    const double wall = Seconds(CLOCK_MONOTONIC) - wall0;
    state.SetIterationTime(wall);
    cpuSum.Add(cpu0, cpu1);
    wallSum += wall;
  }
  close(fd);
  ReportCpu(state, cpuSum, wallSum, ticks, 0);
}
BENCHMARK(BM_BareWakeups)
    ->ArgName("ms")
    ->Arg(2000)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
