// Loading and saving the whole settings record with the credentials, on a
// real device folder (SQLite object store on disk).
#include <benchmark/benchmark.h>

#include "platform/modules.h"
#include "res/resource_module.h"
#include "store/credential_set.h"
#include "store/settings_model.h"
#include "tests/support/temp_device.h"

namespace {

void PrepareDevice() {
  g_hResourceModule = GetModuleHandle(nullptr);
  g_Settings = SettingsRecord{};
  g_Settings.WelcomeText1 = u"Property of Ann Example";
  g_Settings.WelcomeText2 = u"Please call +44 1234 5678";
  AssignSecret(g_strMasterPassword, u"master-password");
  AssignSecret(g_strUserPassword, u"user-password");
  AssignSecret(g_strSymbolPassword, u"01234567");
  AssignSecret(g_strSignature, std::u16string(600, u'S'));
  SaveSettings(true, true);
}

void BM_LoadSettings(benchmark::State& state) {
  testing_support::TempDevice device;
  PrepareDevice();
  for (auto _ : state) {
    if (!LoadSettings(true, true)) state.SkipWithError("LoadSettings failed");
  }
  WipeAllSecrets();
}
BENCHMARK(BM_LoadSettings)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void BM_SaveSettings(benchmark::State& state) {
  testing_support::TempDevice device;
  PrepareDevice();
  for (auto _ : state) {
    if (!SaveSettings(true, true)) state.SkipWithError("SaveSettings failed");
  }
  WipeAllSecrets();
}
BENCHMARK(BM_SaveSettings)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
