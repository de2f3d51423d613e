// Accuracy of the signature engine on the handwriting model's evaluation
// sets (three seeds): 40 writers, each enrolled with five genuine signatures; then, at the
// engine's own threshold, the false rejection rate on ten further genuine
// signatures, the false acceptance rate for ten skilled forgeries and for
// the other writers' signatures (random forgeries), and the equal error
// rates when the threshold of every writer is shifted by one common offset.
// Targets: FRR <= 5 %, skilled FAR <= 10 %, random FAR <= 1 %, skilled
// EER <= 8 %.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/handwriting/handwriting_model.h"
#include "panel/engine/signature_engine.h"

namespace {

constexpr int kWriters = 40;
constexpr int kGenuine = 10;
constexpr int kSkilled = 10;

// The rate where false rejections and false acceptances meet, shifting
// the threshold over every observed margin.
double EqualErrorRate(std::vector<double> genuine, std::vector<double> impostor) {
  std::sort(genuine.begin(), genuine.end());
  std::sort(impostor.begin(), impostor.end());
  std::vector<double> cuts = genuine;
  cuts.insert(cuts.end(), impostor.begin(), impostor.end());
  std::sort(cuts.begin(), cuts.end());
  double best = 1, bestGap = 2;
  for (const double cut : cuts) {
    // Accepted when margin >= cut.
    const double frr = static_cast<double>(std::lower_bound(genuine.begin(), genuine.end(), cut) -
                                           genuine.begin()) /
                       genuine.size();
    const double far = static_cast<double>(impostor.end() - std::lower_bound(impostor.begin(),
                                                                             impostor.end(), cut)) /
                       impostor.size();
    if (std::abs(frr - far) < bestGap) {
      bestGap = std::abs(frr - far);
      best = (frr + far) / 2;
    }
  }
  return best;
}

double Share(const std::vector<double>& margins, bool accepted) {
  const auto n =
      std::count_if(margins.begin(), margins.end(), [&](double m) { return (m >= 0) == accepted; });
  return static_cast<double>(n) / margins.size();
}

// 5th, 50th and 95th percentile of the margins (score minus threshold).
void PrintSpread(const char* name, std::vector<double> margins) {
  std::sort(margins.begin(), margins.end());
  auto at = [&](double q) { return margins[static_cast<std::size_t>(q * (margins.size() - 1))]; };
  std::printf("  %-8s margin p5 %+.3f  p50 %+.3f  p95 %+.3f\n", name, at(0.05), at(0.5), at(0.95));
}

void BM_SignatureAccuracy(benchmark::State& state) {
  const std::vector<handwriting::WriterSamples> set = handwriting::MakeEvaluationSet(
      kWriters, kGenuine, kSkilled, static_cast<std::uint64_t>(state.range(0)));
  std::vector<double> genuine, skilled, random;
  double templateBytes = 0;
  int inconsistent = 0;
  for (auto _ : state) {
    genuine.clear();
    skilled.clear();
    random.clear();
    for (std::size_t w = 0; w < set.size(); ++w) {
      panel::SignatureEngine engine;
      for (const panel::Signature& s : set[w].enrollment) engine.AddSample(s, -1);
      if (engine.CheckConsistency() != -1) ++inconsistent;
      const std::u16string text = engine.GetTemplate();
      templateBytes = std::max(templateBytes, 2.0 * text.size());
      if (!engine.SetTemplate(text)) {
        state.SkipWithError("template refused");
        return;
      }
      const double threshold = engine.Threshold();
      for (const panel::Signature& s : set[w].genuine)
        genuine.push_back(engine.Score(s) - threshold);
      for (const panel::Signature& s : set[w].skilled)
        skilled.push_back(engine.Score(s) - threshold);
      for (std::size_t other = 0; other < set.size(); ++other)
        if (other != w) random.push_back(engine.Score(set[other].genuine[0]) - threshold);
    }
  }
  const double frr = Share(genuine, false), farSkilled = Share(skilled, true),
               farRandom = Share(random, true);
  const double eerSkilled = EqualErrorRate(genuine, skilled),
               eerRandom = EqualErrorRate(genuine, random);
  state.counters["FRR_pct"] = 100 * frr;
  state.counters["FAR_skilled_pct"] = 100 * farSkilled;
  state.counters["FAR_random_pct"] = 100 * farRandom;
  state.counters["EER_skilled_pct"] = 100 * eerSkilled;
  state.counters["EER_random_pct"] = 100 * eerRandom;
  state.counters["template_bytes_max"] = templateBytes;
  state.counters["enrollments_flagged"] = inconsistent;
  std::printf(
      "seed %lld, writers %d: FRR %.2f %% (%zu), skilled FAR %.2f %% (%zu), random FAR %.2f %% "
      "(%zu), "
      "EER skilled %.2f %%, random %.2f %%, largest template %.0f bytes, "
      "enrollments flagged %d of %d\n",
      static_cast<long long>(state.range(0)), kWriters, 100 * frr, genuine.size(), 100 * farSkilled,
      skilled.size(), 100 * farRandom, random.size(), 100 * eerSkilled, 100 * eerRandom,
      templateBytes, inconsistent, kWriters);
  PrintSpread("genuine", genuine);
  PrintSpread("skilled", skilled);
  PrintSpread("random", random);
}

// The engine's constants were chosen on the first two sets; the third was
// never looked at before they were fixed.
BENCHMARK(BM_SignatureAccuracy)
    ->ArgName("seed")
    ->Arg(20261206)
    ->Arg(555)
    ->Arg(9001)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
