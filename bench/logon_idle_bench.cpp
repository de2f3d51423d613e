// What the lock screen costs while nobody touches it: PromptForPasswd's
// password dialog (template 628) with its 10 ms foreground watchdog, on the
// real clock, headless, left idle for two seconds per iteration. The figures
// are the process CPU time over the wall time of the idle stretch, as the
// scheduler accounts it ("cpu_percent", 100 = one core busy) and as time on
// a core ("oncpu_percent"; bench/cpu_clocks.h); the target is at most 0.5.
// "frames_per_s" counts composed frames (an idle lock screen composes
// none) and "wakeups_per_s" the loop's idle moments (about 100: one per
// watchdog tick). Beside it, two floors: the same template run by the window
// system alone (DialogBoxParam with a procedure whose 10 ms timer does
// nothing), and a bare thread waking as often. The lock screen's own share
// is the difference to the first; the machine's is the second.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>

#include "bench/cpu_clocks.h"
#include "bench/logon_bench_device.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/input.h"
#include "platform/ui/window/message_loop.h"
#include "platform/ui/window/screen.h"
#include "res/resource_ids.h"
#include "tests/support/temp_device.h"

namespace {

using logon_bench::Seconds;

// What an idle stretch did: process CPU and wall time, the loop's idle
// moments and the frames composed meanwhile.
struct IdleRun {
  bool measured = false;
  bool accepted = false;
  bench_clocks::CpuSpent cpu;
  double wall = 0;
  std::uint64_t wakeups = 0;
  std::uint64_t frames = 0;
};

// The measured stretches of one benchmark, summed and reported as rates.
struct IdleTotals {
  bench_clocks::CpuSpent cpu;
  double wall = 0;
  std::uint64_t wakeups = 0;
  std::uint64_t frames = 0;

  void Add(const IdleRun& run) {
    cpu.Add(run.cpu);
    wall += run.wall;
    wakeups += run.wakeups;
    frames += run.frames;
  }
  void Report(benchmark::State& state) const {
    if (wall <= 0) return;
    cpu.Report(state, wall);
    state.counters["wakeups_per_s"] = static_cast<double>(wakeups) / wall;
    state.counters["frames_per_s"] = static_cast<double>(frames) / wall;
  }
};

// The idle hook of a measured stretch. The loop copies its hook on every
// idle moment, so the hook holds one pointer to this and allocates nothing
// (a lambda capturing many references would allocate on every tick and
// bill the benchmark's own malloc to the dialog).
class IdleMeter {
 public:
  explicit IdleMeter(double seconds) : seconds_(seconds) {}

  // Starts the measurement at the first idle moment.
  void Start() {
    started_ = true;
    startFrames_ = platform::ui::screen::FrameCount();
    startCpu_ = bench_clocks::ReadCpuClocks();
    startWall_ = Seconds(CLOCK_MONOTONIC);
  }
  bool started() const { return started_; }

  // One idle moment of the stretch: true once it has lasted long enough
  // (the figures are then in run()).
  bool Tick() {
    ++run_.wakeups;
    const double wall = Seconds(CLOCK_MONOTONIC) - startWall_;
    if (wall < seconds_) return false;
    run_.cpu.Add(startCpu_, bench_clocks::ReadCpuClocks());
    run_.wall = wall;
    run_.frames = platform::ui::screen::FrameCount() - startFrames_;
    run_.measured = true;
    return true;
  }
  IdleRun& run() { return run_; }

 private:
  double seconds_;
  bool started_ = false;
  double startWall_ = 0;
  bench_clocks::CpuClocks startCpu_;
  std::uint64_t startFrames_ = 0;
  IdleRun run_;
};

// One lock screen left alone for `idleSeconds`, measured from the first
// idle moment with dialog 628 in front; then the password is typed into the
// focused entry and Enter ends the logon.
class LockScreenIdler {
 public:
  explicit LockScreenIdler(double seconds) : meter_(seconds) {}

  IdleRun Run(logon_bench::LoadedModule::PromptFn prompt) {
    auto previous = platform::ui::SetIdleHook([self = this] { return self->OnIdle(); });
    meter_.run().accepted = logon_bench::TakeResult(prompt(nullptr));
    platform::ui::SetIdleHook(std::move(previous));
    return meter_.run();
  }

 private:
  bool OnIdle() {
    namespace su = platform::ui::scripted_user;
    if (typed_) return false;
    if (!meter_.started()) {
      if (su::TemplateIdOf(su::TopmostWindow()) == IDD_PASSWORD_LOGON) meter_.Start();
      return false;
    }
    if (!meter_.Tick()) return false;  // sleep until the next timer
    typed_ = true;
    // The entry has the focus since the dialog opened.
    for (const char16_t c : std::u16string_view(logon_bench::kUserPassword))
      platform::ui::input::Char(c);
    platform::ui::input::Key(VK_RETURN);
    return true;
  }

  IdleMeter meter_;
  bool typed_ = false;
};

IdleRun RunIdleLockScreen(logon_bench::LoadedModule::PromptFn prompt, double idleSeconds) {
  LockScreenIdler idler(idleSeconds);
  return idler.Run(prompt);
}

void BM_IdleLockScreen(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  testing_support::TempDevice device;
  platform::clock::UseReal();
  platform::ui::shell::Start();
  IdleTotals totals;
  {
    const bool configured = logon_bench::ConfigureDevice();
    const logon_bench::LoadedModule module;
    if (!configured || module.prompt() == nullptr) {
      state.SkipWithError("the device could not be configured or the module does not load");
    } else {
      // A first short run loads fonts, glyphs and artwork, as the device
      // does once after boot.
      const IdleRun warmUp = RunIdleLockScreen(module.prompt(), 0.1);
      if (!warmUp.measured || !warmUp.accepted)
        state.SkipWithError("the lock screen did not come up or did not accept the password");
    }
    for (auto _ : state) {
      const IdleRun run =
          RunIdleLockScreen(module.prompt(), static_cast<double>(state.range(0)) / 1000.0);
      if (!run.measured || !run.accepted) {
        state.SkipWithError("the lock screen did not come up or did not accept the password");
        break;
      }
      state.SetIterationTime(run.wall);
      totals.Add(run);
    }
  }
  platform::ui::shell::Stop();
  totals.Report(state);
}
BENCHMARK(BM_IdleLockScreen)
    ->ArgName("ms")
    ->Arg(2000)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The window system's floor for the same screen: template 628 as a plain
// dialog with a 10 ms timer that does nothing, no class library, no
// watchdog, left idle as long.
LONG_PTR FloorProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetTimer(dialog, 2345, 10, nullptr);
    SetForegroundWindow(dialog);
    return TRUE;
  }
  return message == WM_TIMER;
}

void BM_IdlePlainDialog(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  testing_support::TempDevice device;
  platform::clock::UseReal();
  platform::ui::shell::Start();
  const HINSTANCE module = GetModuleHandle(nullptr);
  IdleTotals totals;
  auto runOnce = [module](double seconds) {
    IdleMeter meter(seconds);
    auto previous = platform::ui::SetIdleHook([m = &meter] {
      if (!m->started()) {
        m->Start();
        return false;
      }
      if (m->run().measured || !m->Tick()) return false;
      EndDialog(GetActiveWindow(), IDOK);
      return true;
    });
    DialogBoxParam(module, IDD_PASSWORD_LOGON, nullptr, FloorProc, 0);
    platform::ui::SetIdleHook(std::move(previous));
    return meter.run();
  };
  runOnce(0.1);
  for (auto _ : state) {
    const IdleRun run = runOnce(static_cast<double>(state.range(0)) / 1000.0);
    state.SetIterationTime(run.wall);
    totals.Add(run);
  }
  platform::ui::shell::Stop();
  totals.Report(state);
}
BENCHMARK(BM_IdlePlainDialog)
    ->ArgName("ms")
    ->Arg(2000)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
