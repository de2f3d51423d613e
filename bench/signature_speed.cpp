// Speed of the signature engine on the handwriting model's signatures:
// Verify of one signature (target: median <= 5 ms), CheckConsistency of five
// samples (<= 20 ms), template text in both directions and its size
// (<= 16 KiB), and a 10,000-point signature, which the engine thins.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/handwriting/handwriting_model.h"
#include "panel/engine/signature_engine.h"

namespace {

constexpr std::uint64_t kSeed = 77;

struct Enrolled {
  handwriting::WriterSamples samples;
  panel::SignatureEngine engine;
  std::u16string text;
};

const Enrolled& Writer() {
  static const Enrolled enrolled = [] {
    Enrolled e;
    e.samples = std::move(handwriting::MakeEvaluationSet(1, 4, 0, kSeed)[0]);
    for (const panel::Signature& s : e.samples.enrollment) e.engine.AddSample(s, -1);
    e.text = e.engine.GetTemplate();
    e.engine.SetTemplate(e.text);
    return e;
  }();
  return enrolled;
}

void BM_Verify(benchmark::State& state) {
  const Enrolled& e = Writer();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(e.engine.Verify(e.samples.genuine[i % e.samples.genuine.size()]));
    ++i;
  }
  state.counters["template_bytes"] = 2.0 * e.text.size();
}

void BM_VerifyTenThousandPoints(benchmark::State& state) {
  const Enrolled& e = Writer();
  panel::Signature huge;
  huge.strokes.emplace_back();
  for (int i = 0; i < 10000; ++i)
    huge.strokes[0].push_back(
        {static_cast<float>(i % 200), static_cast<float>(i % 90), static_cast<std::uint32_t>(i)});
  for (auto _ : state) benchmark::DoNotOptimize(e.engine.Verify(huge));
}

void BM_CheckConsistency(benchmark::State& state) {
  const Enrolled& e = Writer();
  for (auto _ : state) benchmark::DoNotOptimize(e.engine.CheckConsistency());
}

void BM_GetTemplate(benchmark::State& state) {
  const Enrolled& e = Writer();
  for (auto _ : state) benchmark::DoNotOptimize(e.engine.GetTemplate());
}

void BM_SetTemplate(benchmark::State& state) {
  const Enrolled& e = Writer();
  panel::SignatureEngine engine;
  for (auto _ : state) benchmark::DoNotOptimize(engine.SetTemplate(e.text));
}

BENCHMARK(BM_Verify)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_VerifyTenThousandPoints)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckConsistency)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_GetTemplate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetTemplate)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
