// From PromptForPasswd to the first painted frame of the logon dialog,
// headless, on the virtual clock: the password dialog (template 628) and,
// for logon method 2, the signature dialog (template 1000), which also
// creates the signature engine and the pad control through the component
// runtime. The device is configured
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

#include <cmath>
#include <functional>
#include <vector>

#include "bench/logon_bench_device.h"
#include "logonui/signature_dlg.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/signature_file.h"
#include "platform/ui/message_loop.h"
#include "platform/ui/scripted_user.h"
#include "platform/ui/shell_internal.h"
#include "res/resource_ids.h"
#include "store/credential_set.h"
#include "store/os_password_api.h"
#include "store/settings_model.h"
#include "tests/support/temp_device.h"

namespace {

using logon_bench::Seconds;

// One PromptForPasswd call: the wall and thread CPU time from the call to
// the first frame showing dialog `dialogId` on top; `answer` adds what the
// person then does to be let in.
struct PromptTiming {
  bool framed = false;
  bool accepted = false;
  double wall = 0;
  double cpu = 0;
};

using Answer = std::function<void(platform::ui::ScriptedUser&)>;

void TypePassword(platform::ui::ScriptedUser& user) {
  user.Type(IDC_PASSWORD_ENTRY, logon_bench::kUserPasswordUtf8).Tap(IDOK);
}

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

void SignAsOwner(platform::ui::ScriptedUser& user) {
  user.Sign("owner", OwnerSignature(6)).Tap(IDC_SIGNATURE_NEXT);
}

// The template of five of the owner's samples, enrolled on the signature
// dialog; empty when the enrollment did not end with OK.
std::u16string EnrollOwner() {
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
  return enrolled;
}

// Logon method 2 with `enrolled` as the stored signature.
bool StoreSignatureLogon(const std::u16string& enrolled) {
  if (!LoadSettings(true, true)) return false;
  g_Settings.LogonMethod = 2;
  AssignSecret(g_strSignature, enrolled);
  const bool saved = SaveSettings(true, true);
  WipeAllSecrets();
  g_Settings = SettingsRecord{};
  return saved;
}

PromptTiming TimePrompt(logon_bench::LoadedModule::PromptFn prompt, UINT dialogId,
                        const Answer& answer) {
  PromptTiming timing;
  double startWall = 0;
  double startCpu = 0;
  bool calling = false;
  auto previousObserver = platform::ui::SetFrameObserver([&] {
    if (!calling || timing.framed) return;
    namespace su = platform::ui::scripted_user;
    if (su::TemplateIdOf(su::TopmostWindow()) != dialogId) return;
    timing.wall = Seconds(CLOCK_MONOTONIC) - startWall;
    timing.cpu = Seconds(CLOCK_THREAD_CPUTIME_ID) - startCpu;
    timing.framed = true;
  });

  platform::ui::ScriptedUser user;
  user.ExpectDialog(dialogId);
  answer(user);
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

// Logon method 0 (password) or 2 (signature), by the benchmark's argument.
void BM_PromptToFirstFrame(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  const bool signature = state.range(0) == 2;
  const UINT dialogId = signature ? IDD_SIGNATURE : IDD_PASSWORD_LOGON;
  const Answer answer = signature ? Answer(SignAsOwner) : Answer(TypePassword);
  testing_support::TempDevice device;
  platform::clock::UseVirtual(3'600'000);
  platform::ui::shell::Start();
  std::vector<double> wall;
  std::vector<double> cpu;
  PromptTiming first;
  {
    bool configured = logon_bench::ConfigureDevice();
    if (configured && signature) {
      std::u16string enrolled;
      configured = RegisterSignatureControl(u"\\Windows\\Panel.ocx") &&
                   !(enrolled = EnrollOwner()).empty() && StoreSignatureLogon(enrolled);
      WipeSecret(enrolled);
    }
    const logon_bench::LoadedModule module;
    if (!configured || module.prompt() == nullptr) {
      state.SkipWithError("the device could not be configured or the module does not load");
    } else {
      // The first call of the process loads fonts, glyphs and artwork; the
      // device does that once, so it is reported on its own.
      first = TimePrompt(module.prompt(), dialogId, answer);
      if (!first.framed || !first.accepted)
        state.SkipWithError("the first logon did not show its dialog or was not accepted");
    }
    for (auto _ : state) {
      const PromptTiming timing = TimePrompt(module.prompt(), dialogId, answer);
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

  state.counters["first_ms"] = first.wall * 1e3;
  state.counters["median_ms"] = logon_bench::Quantile(wall, 0.5) * 1e3;
  state.counters["p90_ms"] = logon_bench::Quantile(wall, 0.9) * 1e3;
  state.counters["cpu_median_ms"] = logon_bench::Quantile(cpu, 0.5) * 1e3;
}
BENCHMARK(BM_PromptToFirstFrame)
    ->Arg(0)
    ->Arg(2)
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

}  // namespace

BENCHMARK_MAIN();
