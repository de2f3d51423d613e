// From PromptForPasswd to the first painted frame of the password dialog
// (template 628), headless, on the virtual clock. The device is configured
// as a finished wizard leaves it, the module is loaded from the device as
// the shell loads it, and each iteration calls PromptForPasswd with no
// caller window. The frame observer stamps the first composed frame in
// which dialog 628 is the topmost window; the scripted user then types the
// password and taps OK, which ends the call.
//
// Counters: "median_ms" and "p90_ms" of the call-to-frame wall time (the
// target: median at most 10), "cpu_median_ms" the thread's CPU time over
// the same stretch (not inflated by other processes on a busy machine) and
// "first_ms" the very first call in the process, which also loads fonts,
// glyphs and artwork.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "bench/logon_bench_device.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/message_loop.h"
#include "res/resource_ids.h"
#include "store/credential_set.h"
#include "store/os_password_api.h"
#include "store/settings_model.h"
#include "tests/support/temp_device.h"

namespace {

using logon_bench::Seconds;

// One PromptForPasswd call: the wall and thread CPU time from the call to
// the first frame showing dialog 628 on top.
struct PromptTiming {
  bool framed = false;
  bool accepted = false;
  double wall = 0;
  double cpu = 0;
};

PromptTiming TimePrompt(logon_bench::LoadedModule::PromptFn prompt) {
  PromptTiming timing;
  double startWall = 0;
  double startCpu = 0;
  bool calling = false;
  auto previousObserver = platform::ui::SetFrameObserver([&] {
    if (!calling || timing.framed) return;
    namespace su = platform::ui::scripted_user;
    if (su::TemplateIdOf(su::TopmostWindow()) != IDD_PASSWORD_LOGON) return;
    timing.wall = Seconds(CLOCK_MONOTONIC) - startWall;
    timing.cpu = Seconds(CLOCK_THREAD_CPUTIME_ID) - startCpu;
    timing.framed = true;
  });

  platform::ui::ScriptedUser user;
  user.ExpectDialog(IDD_PASSWORD_LOGON)
      .Type(IDC_PASSWORD_ENTRY, logon_bench::kUserPasswordUtf8)
      .Tap(IDOK);
  try {
    platform::ui::PlayScript(user, [&] {
      calling = true;
      startCpu = Seconds(CLOCK_THREAD_CPUTIME_ID);
      startWall = Seconds(CLOCK_MONOTONIC);
      LPWSTR result = prompt(nullptr);
      calling = false;
      timing.accepted = logon_bench::TakeResult(result);
    });
  } catch (const platform::ui::ScriptStopped& stop) {
    fprintf(stderr, "the logon script stopped: %s\n", stop.what());
    timing.accepted = false;
  }
  platform::ui::SetFrameObserver(std::move(previousObserver));
  return timing;
}

void BM_PromptToFirstFrame(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  testing_support::TempDevice device;
  platform::clock::UseVirtual(3'600'000);
  platform::ui::shell::Start();
  std::vector<double> wall;
  std::vector<double> cpu;
  PromptTiming first;
  {
    const bool configured = logon_bench::ConfigureDevice();
    const logon_bench::LoadedModule module;
    if (!configured || module.prompt() == nullptr) {
      state.SkipWithError("the device could not be configured or the module does not load");
    } else {
      // The first call of the process loads fonts, glyphs and artwork; the
      // device does that once, so it is reported on its own.
      first = TimePrompt(module.prompt());
      if (!first.framed || !first.accepted)
        state.SkipWithError("the first logon did not show dialog 628 or was not accepted");
    }
    for (auto _ : state) {
      const PromptTiming timing = TimePrompt(module.prompt());
      if (!timing.framed || !timing.accepted) {
        state.SkipWithError("a logon did not show dialog 628 or was not accepted");
        break;
      }
      state.SetIterationTime(timing.wall);
      wall.push_back(timing.wall);
      cpu.push_back(timing.cpu);
    }
  }
  platform::ui::shell::Stop();
  platform::clock::UseReal();

  state.counters["first_ms"] = first.wall * 1e3;
  state.counters["median_ms"] = logon_bench::Quantile(wall, 0.5) * 1e3;
  state.counters["p90_ms"] = logon_bench::Quantile(wall, 0.9) * 1e3;
  state.counters["cpu_median_ms"] = logon_bench::Quantile(cpu, 0.5) * 1e3;
}
BENCHMARK(BM_PromptToFirstFrame)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

// The parts of the path on their own, for the breakdown: one verification
// of the system password as the module makes it (coredll's SetPassword with
// the same text twice: one PBKDF2 run), and reading the settings and
// secrets from the store (LoadSettings with both parts).
void BM_SystemPasswordVerify(benchmark::State& state) {
  testing_support::TempDevice device;
  const bool configured = logon_bench::ConfigureDevice();
  OsPasswordApi os;
  std::u16string password(logon_bench::kUserPassword);
  if (!configured) state.SkipWithError("the device could not be configured");
  for (auto _ : state) {
    if (!VerifyOsPassword(os, password)) {
      state.SkipWithError("the password did not verify");
      break;
    }
  }
  WipeSecret(password);
}
BENCHMARK(BM_SystemPasswordVerify)->Unit(benchmark::kMillisecond);

void BM_LoadSettings(benchmark::State& state) {
  testing_support::TempDevice device;
  if (!logon_bench::ConfigureDevice()) state.SkipWithError("the device could not be configured");
  for (auto _ : state) {
    if (!LoadSettings(true, true) || g_strUserPassword != logon_bench::kUserPassword) {
      state.SkipWithError("the settings did not load");
      break;
    }
    WipeAllSecrets();
  }
  WipeAllSecrets();
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
