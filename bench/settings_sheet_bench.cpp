// The settings applet as the user meets it, headless on the virtual clock:
// the double-click runs the logon, then the sheet. Each iteration times
// three stretches of one launch against the first composed frame that
// shows their result:
//
// - "open": from the tap on OK of the logon (the acceptance) to the first
//   frame with the sheet's General page (target: median at most 20 ms);
// - "tab": from the tap on a tab to the first frame with that page (the
//   Logon, Owner Information and Advanced tabs in turn; at most 5 ms);
// - "accept": the sheet's OK with every page created and one changed, from
//   the tap on Yes of "Do you want to accept the changes?" to the first
//   frame without the sheet; every page stores, SaveSettings writes the
//   secrets too (at most 10 ms).
//
// Counters are milliseconds of wall time: "<stretch>_median_ms" and
// "<stretch>_p90_ms", and of the thread's CPU time: "<stretch>_cpu_median_ms"
// (what other processes on a busy machine do not inflate).
//
// Under valgrind --tool=callgrind --instr-atstart=no only the accept
// stretches are counted (every launch's, the first one's too), to find
// where their instructions go.
#include <benchmark/benchmark.h>
#include <stdio.h>
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif
#include <stdlib.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bench/logon_bench_device.h"
#include "platform/clock.h"
#include "platform/control_panel.h"
#include "platform/message_box.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/message_loop.h"
#include "res/resource_ids.h"
#include "tests/support/temp_device.h"

namespace {

using logon_bench::Seconds;
namespace su = platform::ui::scripted_user;

constexpr int kTabs = 0x3020;
constexpr int kShowIcon = 695;

// The page of the sheet in front that is shown (0 when none).
UINT ShownPage() {
  HWND top = su::TopmostWindow();
  for (HWND child = GetWindow(top, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const UINT id = su::TemplateIdOf(child);
    if (IsWindowVisible(child) && (id == IDD_GENERAL_PAGE || id == IDD_LOGON_PAGE ||
                                   id == IDD_OWNER_PAGE || id == IDD_ADVANCED_PAGE)) {
      return id;
    }
  }
  return 0;
}

// One stretch: armed by a script step, closed by the first frame that
// shows what it waits for.
struct Sample {
  double wall = 0;
  double cpu = 0;
};

struct Stretch {
  std::function<bool()> done;
  Sample start;
  bool armed = false;
  std::vector<Sample>* samples = nullptr;

  bool profiled = false;

  void Arm() {
    armed = true;
    if (profiled) CALLGRIND_START_INSTRUMENTATION;
    start = {Seconds(CLOCK_MONOTONIC), Seconds(CLOCK_THREAD_CPUTIME_ID)};
  }
  void OnFrame() {
    if (!armed || !done()) return;
    samples->push_back(
        {Seconds(CLOCK_MONOTONIC) - start.wall, Seconds(CLOCK_THREAD_CPUTIME_ID) - start.cpu});
    if (profiled) CALLGRIND_STOP_INSTRUMENTATION;
    armed = false;
  }
};

struct Samples {
  std::vector<Sample> open, tab, accept;
};

bool RunLaunch(APPLET_PROC applet, Samples* samples) {
  std::vector<Stretch> stretches;
  stretches.reserve(5);
  auto page = [](UINT id) { return [id] { return ShownPage() == id; }; };
  stretches.push_back({page(IDD_GENERAL_PAGE), {}, false, &samples->open});
  stretches.push_back({page(IDD_LOGON_PAGE), {}, false, &samples->tab});
  stretches.push_back({page(IDD_OWNER_PAGE), {}, false, &samples->tab});
  stretches.push_back({page(IDD_ADVANCED_PAGE), {}, false, &samples->tab});
  stretches.push_back({[] { return ShownPage() == 0; }, {}, false, &samples->accept, true});
  const std::size_t before = samples->open.size() + samples->tab.size() + samples->accept.size();
  auto previous = platform::ui::SetFrameObserver([&] {
    for (Stretch& s : stretches) s.OnFrame();
  });
  platform::ui::ScriptedUser user;
  user.ExpectDialog(IDD_PASSWORD_LOGON)
      .Type(IDC_PASSWORD_ENTRY, logon_bench::kUserPasswordUtf8)
      .Then([&] { stretches[0].Arm(); })
      .Tap(IDOK)
      .Tap(kShowIcon);
  for (int tab = 1; tab <= 3; ++tab) {
    user.Then([&, tab] { stretches[static_cast<std::size_t>(tab)].Arm(); })
        .TapItem(kTabs, std::to_string(tab));
  }
  user.Then([] { platform::ui::shell::detail::PressDone(); })
      .ExpectBox(622)
      .Then([&] { stretches[4].Arm(); })
      .Tap(IDYES);
  bool ok = true;
  try {
    platform::ui::PlayScript(user, [&] { applet(nullptr, CPL_DBLCLK, 0, 0); });
  } catch (const platform::ui::ScriptStopped& stop) {
    fprintf(stderr, "the settings script stopped: %s\n", stop.what());
    ok = false;
  }
  platform::ui::SetFrameObserver(std::move(previous));
  return ok && samples->open.size() + samples->tab.size() + samples->accept.size() == before + 5;
}

void BM_SettingsSheet(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  testing_support::TempDevice device;
  platform::clock::UseVirtual(3'600'000);
  platform::ui::shell::Start();
  Samples samples;
  {
    const bool configured = logon_bench::ConfigureDevice();
    const HMODULE module = LoadLibrary(u"\\Windows\\Password.cpl");
    const auto applet =
        module ? reinterpret_cast<APPLET_PROC>(GetProcAddress(module, "CPlApplet")) : nullptr;
    if (!configured || applet == nullptr) {
      state.SkipWithError("the device could not be configured or the applet does not load");
    } else {
      applet(nullptr, CPL_INIT, 0, 0);
      // The first launch loads fonts, glyphs and artwork: not counted.
      Samples warmup;
      if (!RunLaunch(applet, &warmup)) state.SkipWithError("the first launch did not run through");
      for (auto _ : state) {
        if (!RunLaunch(applet, &samples)) {
          state.SkipWithError("a launch did not run through");
          break;
        }
        state.SetIterationTime(samples.open.back().wall);
      }
      applet(nullptr, CPL_EXIT, 0, 0);
    }
    if (module) FreeLibrary(module);
  }
  platform::ui::shell::Stop();
  platform::clock::UseReal();
  for (auto [name, values] : {std::pair{"open", &samples.open}, std::pair{"tab", &samples.tab},
                              std::pair{"accept", &samples.accept}}) {
    std::vector<double> wall, cpu;
    for (const Sample& sample : *values) {
      wall.push_back(sample.wall);
      cpu.push_back(sample.cpu);
    }
    state.counters[std::string(name) + "_median_ms"] = logon_bench::Quantile(wall, 0.5) * 1e3;
    state.counters[std::string(name) + "_p90_ms"] = logon_bench::Quantile(wall, 0.9) * 1e3;
    state.counters[std::string(name) + "_cpu_median_ms"] = logon_bench::Quantile(cpu, 0.5) * 1e3;
  }
}
BENCHMARK(BM_SettingsSheet)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
