// How fast the lock screen comes up: from PromptForPasswd to the first
// painted frame of the password dialog, from "Help" to the first frame of
// the unblock dialog, and from PromptForPasswd to the first frame of the
// symbol pad.
//
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
//
// BM_ColdPromptToFirstFrame is the lock screen of a device just switched on:
// each sample is a fresh child process (this program run again with
// --cold-prompt), which prepares its device and shell, then loads the module
// and calls PromptForPasswd once (with --cold-prompt-to-frame it ends at
// the first frame, for a profiler: valgrind --tool=callgrind
// --toggle-collect=PromptForPasswd). "cold_median_ms" is the call to the first
// frame, "cold_load_median_ms" adds loading the module before it, and
// "cold_cpu_median_ms" is the thread's CPU time of the call.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "bench/logon_bench_device.h"
#include "logonui/signature_dlg.h"
#include "logonui/symbol_pad_dlg.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/signature_file.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/input.h"
#include "platform/ui/window/message_loop.h"
#include "res/resource_ids.h"
#include "store/credential_set.h"
#include "store/os_password_api.h"
#include "store/settings_model.h"
#include "tests/support/temp_device.h"

namespace {

using logon_bench::Seconds;

// For profiling the cold path alone (--cold-prompt-to-frame): the child ends
// at the first frame, so a profiler sees nothing after it.
bool g_endAtFirstFrame = false;

// One PromptForPasswd call: the wall and thread CPU time from a start (the
// call itself, or a step of the script) to the first frame showing
// `templateId` on top.
struct PromptTiming {
  bool framed = false;
  bool accepted = false;
  double wall = 0;
  double cpu = 0;
};

// Where the time starts: Start() from the call or from a script step.
struct Stopwatch {
  bool running = false;
  double wall = 0;
  double cpu = 0;
  void Start() {
    cpu = Seconds(CLOCK_THREAD_CPUTIME_ID);
    wall = Seconds(CLOCK_MONOTONIC);
    running = true;
  }
};

using ScriptFor = std::function<void(platform::ui::ScriptedUser&, Stopwatch&)>;

PromptTiming TimePrompt(logon_bench::LoadedModule::PromptFn prompt, UINT templateId,
                        bool startAtCall, const ScriptFor& script) {
  PromptTiming timing;
  Stopwatch watch;
  auto previousObserver = platform::ui::SetFrameObserver([&] {
    if (!watch.running || timing.framed) return;
    namespace su = platform::ui::scripted_user;
    if (su::TemplateIdOf(su::TopmostWindow()) != templateId) return;
    timing.wall = Seconds(CLOCK_MONOTONIC) - watch.wall;
    timing.cpu = Seconds(CLOCK_THREAD_CPUTIME_ID) - watch.cpu;
    timing.framed = true;
    if (g_endAtFirstFrame) {
      // The stretch on the monotonic clock, to pick a sampling profiler's
      // samples (perf record -k CLOCK_MONOTONIC).
      fprintf(stderr, "stretch %.6f %.6f\n", watch.wall, watch.wall + timing.wall);
      _exit(0);
    }
  });

  platform::ui::ScriptedUser user;
  script(user, watch);
  try {
    platform::ui::PlayScript(user, [&] {
      if (startAtCall) watch.Start();
      LPWSTR result = prompt(nullptr);
      watch.running = false;
      timing.accepted = logon_bench::TakeResult(result);
    });
  } catch (const platform::ui::ScriptStopped& stop) {
    fprintf(stderr, "the logon script stopped: %s\n", stop.what());
    timing.accepted = false;
  }
  platform::ui::SetFrameObserver(std::move(previousObserver));
  return timing;
}

// The first run's time, and the median and p90 of the timed runs.
void ReportTimings(benchmark::State& state, const PromptTiming& first,
                   const std::vector<double>& wall, const std::vector<double>& cpu) {
  state.counters["first_ms"] = first.wall * 1e3;
  state.counters["median_ms"] = logon_bench::Quantile(wall, 0.5) * 1e3;
  state.counters["p90_ms"] = logon_bench::Quantile(wall, 0.9) * 1e3;
  state.counters["cpu_median_ms"] = logon_bench::Quantile(cpu, 0.5) * 1e3;
}

// The user password typed and confirmed on the password dialog.
void LogOn(platform::ui::ScriptedUser& user) {
  user.ExpectDialog(IDD_PASSWORD_LOGON)
      .Type(IDC_PASSWORD_ENTRY, logon_bench::kUserPasswordUtf8)
      .Tap(IDOK);
}

// Runs `iterations` timed logons after an untimed first one on a device
// configured for `method`, and reports the figures.
void RunTimedLogons(benchmark::State& state, DWORD method, UINT templateId, bool startAtCall,
                    const ScriptFor& script, const std::function<bool()>& prepare = {}) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  testing_support::TempDevice device;
  platform::clock::UseVirtual(3'600'000);
  platform::ui::shell::Start();
  std::vector<double> wall;
  std::vector<double> cpu;
  PromptTiming first;
  {
    const bool configured = logon_bench::ConfigureDevice(method) && (!prepare || prepare());
    const logon_bench::LoadedModule module;
    if (!configured || module.prompt() == nullptr) {
      state.SkipWithError("the device could not be configured or the module does not load");
    } else {
      // The first call of the process loads fonts, glyphs and artwork; the
      // device does that once, so it is reported on its own.
      first = TimePrompt(module.prompt(), templateId, startAtCall, script);
      if (!first.framed || !first.accepted)
        state.SkipWithError("the first logon did not show its dialog or was not accepted");
    }
    for (auto _ : state) {
      const PromptTiming timing = TimePrompt(module.prompt(), templateId, startAtCall, script);
      if (!timing.framed || !timing.accepted) {
        state.SkipWithError("a logon did not show its dialog or was not accepted");
        break;
      }
      state.SetIterationTime(timing.wall);
      wall.push_back(timing.wall);
      cpu.push_back(timing.cpu);
    }
  }
  platform::ui::shell::Stop();
  platform::clock::UseReal();

  ReportTimings(state, first, wall, cpu);
}

void BM_PromptToFirstFrame(benchmark::State& state) {
  RunTimedLogons(state, 0, IDD_PASSWORD_LOGON, true,
                 [](platform::ui::ScriptedUser& user, Stopwatch&) { LogOn(user); });
}
BENCHMARK(BM_PromptToFirstFrame)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

// From the tap on "Help" (724) of the password dialog to the first frame
// of the unblock dialog (785), which is then cancelled.
void BM_HelpToUnblockFrame(benchmark::State& state) {
  RunTimedLogons(state, 0, IDD_UNBLOCK, false,
                 [](platform::ui::ScriptedUser& user, Stopwatch& watch) {
                   user.ExpectDialog(IDD_PASSWORD_LOGON).Then([&watch] {
                     namespace su = platform::ui::scripted_user;
                     POINT p{};
                     std::string why;
                     const HWND help = su::FindControl(su::TopmostWindow(), IDC_HELP_BUTTON);
                     if (help == nullptr || !su::TapPoint(help, &p, &why))
                       platform::ui::FailScript("no Help");
                     watch.Start();
                     platform::ui::input::Tap(p.x, p.y);
                   });
                   user.ExpectDialog(IDD_UNBLOCK).Tap(IDCANCEL);
                   LogOn(user);
                 });
}
BENCHMARK(BM_HelpToUnblockFrame)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

// The owner's signature: a looping line, a little different each time.
platform::SignatureStrokes OwnerSignature(int variant) {
  platform::SignatureStrokes signature;
  signature.strokes.emplace_back();
  for (int i = 0; i < 40; ++i) {
    const double a = i / 39.0;
    const double wobble = ((variant * 7 + i * 3) % 5 - 2) * 0.4;
    signature.strokes.back().push_back({15 + 100 * a + 8 * std::sin(a * 6 * M_PI) + wobble,
                                        30 - 14 * std::sin(a * 4 * M_PI) + wobble,
                                        static_cast<std::uint32_t>(i * 11)});
  }
  return signature;
}

// Enrolls five of the owner's samples on the signature dialog and stores
// the template as the signature secret of logon method 2.
bool EnrollOwnerForSignatureLogon() {
  if (!RegisterSignatureControl(u"\\Windows\\Panel.ocx")) return false;
  std::u16string enrolled;
  platform::ui::ScriptedUser user;
  for (int n = 1; n <= 5; ++n) user.Sign("owner", OwnerSignature(n)).Tap(IDC_SIGNATURE_NEXT);
  try {
    platform::ui::PlayScript(user, [&] {
      CSignatureDlg dialog;
      dialog.SetSignatureMode(1);
      if (dialog.DoModal() == IDOK) dialog.GetEnrolledTemplate(enrolled);
    });
  } catch (const platform::ui::ScriptStopped& stop) {
    fprintf(stderr, "the enrollment stopped: %s\n", stop.what());
  }
  if (enrolled.empty() || !LoadSettings(true, true)) return false;
  g_Settings.LogonMethod = 2;
  AssignSecret(g_strSignature, enrolled);
  WipeSecret(enrolled);
  const bool saved = SaveSettings(true, true);
  WipeAllSecrets();
  g_Settings = SettingsRecord{};
  return saved;
}

// From PromptForPasswd on a device configured for signatures to the first
// frame of the signature dialog (1000): the engine and the pad control are
// created through the component runtime inside.
void BM_PromptToSignatureFrame(benchmark::State& state) {
  RunTimedLogons(
      state, 2, IDD_SIGNATURE, true,
      [](platform::ui::ScriptedUser& user, Stopwatch&) {
        user.ExpectDialog(IDD_SIGNATURE).Sign("owner", OwnerSignature(6)).Tap(IDC_SIGNATURE_NEXT);
      },
      EnrollOwnerForSignatureLogon);
}
BENCHMARK(BM_PromptToSignatureFrame)
    ->Iterations(40)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// From PromptForPasswd on a device configured for symbols to the first
// frame of the symbol pad (522): the session's start and the pad's whole
// start (key order, bitmaps, banner, layout) are inside.
void BM_PromptToSymbolPadFrame(benchmark::State& state) {
  RunTimedLogons(state, 1, IDD_SYMBOL_PAD, true, [](platform::ui::ScriptedUser& user, Stopwatch&) {
    user.ExpectDialog(IDD_SYMBOL_PAD).Symbols(logon_bench::kSymbolsDigits).Tap(IDOK);
  });
}
BENCHMARK(BM_PromptToSymbolPadFrame)
    ->Iterations(40)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// From the start of the symbol pad's modal run to its first frame, in
// this process (the module's code linked in): the pad alone, with a shuffled
// key order, its thirteen key bitmaps and the banner.
void BM_SymbolPadStartToFirstFrame(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  testing_support::TempDevice device;
  platform::clock::UseVirtual(3'600'000);
  platform::ui::shell::Start();
  g_hResourceModule = GetModuleHandle(nullptr);
  std::vector<double> wall;
  std::vector<double> cpu;
  auto runPad = [&] {
    PromptTiming timing;
    Stopwatch watch;
    auto previousObserver = platform::ui::SetFrameObserver([&] {
      namespace su = platform::ui::scripted_user;
      if (!watch.running || timing.framed ||
          su::TemplateIdOf(su::TopmostWindow()) != IDD_SYMBOL_PAD)
        return;
      timing.wall = Seconds(CLOCK_MONOTONIC) - watch.wall;
      timing.cpu = Seconds(CLOCK_THREAD_CPUTIME_ID) - watch.cpu;
      timing.framed = true;
    });
    platform::ui::ScriptedUser user;
    user.ExpectDialog(IDD_SYMBOL_PAD).Symbols(logon_bench::kSymbolsDigits).Tap(IDOK);
    try {
      platform::ui::PlayScript(user, [&] {
        CSymbolPadDlg pad;
        pad.Setup(CSymbolPadDlg::kStepVerify, logon_bench::kSymbols, 1, TRUE);
        watch.Start();
        timing.accepted = pad.DoModal() == IDOK;
      });
    } catch (const platform::ui::ScriptStopped& stop) {
      fprintf(stderr, "the pad script stopped: %s\n", stop.what());
    }
    platform::ui::SetFrameObserver(std::move(previousObserver));
    return timing;
  };
  const PromptTiming first = runPad();
  if (!first.framed || !first.accepted) state.SkipWithError("the pad did not show or accept");
  for (auto _ : state) {
    const PromptTiming timing = runPad();
    if (!timing.framed || !timing.accepted) {
      state.SkipWithError("the pad did not show or accept");
      break;
    }
    state.SetIterationTime(timing.wall);
    wall.push_back(timing.wall);
    cpu.push_back(timing.cpu);
  }
  platform::ui::shell::Stop();
  platform::clock::UseReal();
  ReportTimings(state, first, wall, cpu);
}
BENCHMARK(BM_SymbolPadStartToFirstFrame)
    ->Iterations(40)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

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

// The child's side of the cold measurement: one first logon, its three
// figures on one line of standard output. Returns the process's exit code.
int RunColdPromptChild() {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  PromptTiming timing;
  double loadWall = 0;
  {
    testing_support::TempDevice device;
    platform::clock::UseVirtual(3'600'000);
    platform::ui::shell::Start();
    if (logon_bench::ConfigureDevice()) {
      const double loadStart = Seconds(CLOCK_MONOTONIC);
      const logon_bench::LoadedModule module;
      loadWall = Seconds(CLOCK_MONOTONIC) - loadStart;
      if (module.prompt() != nullptr) {
        timing = TimePrompt(module.prompt(), IDD_PASSWORD_LOGON, true,
                            [](platform::ui::ScriptedUser& user, Stopwatch&) { LogOn(user); });
      }
    }
    platform::ui::shell::Stop();
    platform::clock::UseReal();
  }
  if (!timing.framed || !timing.accepted) return 1;
  printf("cold %.6f %.6f %.6f\n", timing.wall, loadWall + timing.wall, timing.cpu);
  return 0;
}

// Runs this program again as a cold child; false when it failed.
bool RunColdSample(double* wall, double* withLoad, double* cpu) {
  // The shell popen starts would be /proc/self/exe by then: name the file.
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return false;
  self[length] = 0;
  const std::string command = "'" + std::string(self) + "' --cold-prompt";
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) return false;
  char line[256];
  bool read = false;
  while (fgets(line, sizeof line, child) != nullptr)
    if (sscanf(line, "cold %lf %lf %lf", wall, withLoad, cpu) == 3) read = true;
  return pclose(child) == 0 && read;
}

void BM_ColdPromptToFirstFrame(benchmark::State& state) {
  std::vector<double> wall, withLoad, cpu;
  for (auto _ : state) {
    double w = 0, l = 0, c = 0;
    if (!RunColdSample(&w, &l, &c)) {
      state.SkipWithError("a cold child did not show the dialog or was not accepted");
      break;
    }
    state.SetIterationTime(w);
    wall.push_back(w);
    withLoad.push_back(l);
    cpu.push_back(c);
  }
  state.counters["cold_median_ms"] = logon_bench::Quantile(wall, 0.5) * 1e3;
  state.counters["cold_p90_ms"] = logon_bench::Quantile(wall, 0.9) * 1e3;
  state.counters["cold_load_median_ms"] = logon_bench::Quantile(withLoad, 0.5) * 1e3;
  state.counters["cold_cpu_median_ms"] = logon_bench::Quantile(cpu, 0.5) * 1e3;
}
BENCHMARK(BM_ColdPromptToFirstFrame)
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "--cold-prompt") == 0) return RunColdPromptChild();
  if (argc == 2 && strcmp(argv[1], "--cold-prompt-to-frame") == 0) {
    g_endAtFirstFrame = true;
    return RunColdPromptChild();
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
