#include "panel/engine/signature_distance.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace panel {

namespace {

// Velocity is the central difference scaled so that its values are of the
// size of the positions; both then weigh alike.
constexpr double kVelocityScale = kPathPoints / 8.0;
constexpr double kVelocityWeight = 1.0;
constexpr double kPenWeight = 1.0;
// The warping band: a point may match points up to a fifth of the path away.
constexpr int kBand = kPathPoints / 5;

// The least spread of each global measure: about what one writer varies
// from one signature to the next.
constexpr std::array<double, kGlobalFeatureCount> kSpreadFloor = {
    0.12,  // duration: 12 %
    0.25,  // stroke count: one stroke more or less is a clear change
    0.05,  // pen-up share
    0.10,  // aspect: 10 %
    0.08,  // ink length: 8 %
};

// Weights of the measures in the global distance: the writing time tells a
// practised hand from a slow copy best; the aspect varies with how the pad
// is held.
constexpr std::array<double, kGlobalFeatureCount> kGlobalWeights = {2.0, 1.0, 1.0, 0.5, 1.0};
// One measure far off counts no more than this many spreads.
constexpr double kMaxDeviation = 6.0;

double WeightedMean(const std::array<double, kGlobalFeatureCount>& deviations) {
  double sum = 0, weights = 0;
  for (int f = 0; f < kGlobalFeatureCount; ++f) {
    sum += kGlobalWeights[f] * std::min(deviations[f], kMaxDeviation);
    weights += kGlobalWeights[f];
  }
  return sum / weights;
}

struct PointFeatures {
  std::array<float, kPathPoints> vx{};
  std::array<float, kPathPoints> vy{};
};

PointFeatures Velocities(const SignatureFeatures& f) {
  PointFeatures v;
  for (int k = 0; k < kPathPoints; ++k) {
    const int before = std::max(k - 1, 0);
    const int after = std::min(k + 1, kPathPoints - 1);
    const double steps = after - before;
    v.vx[k] = static_cast<float>((f.x[after] - f.x[before]) / steps * kVelocityScale);
    v.vy[k] = static_cast<float>((f.y[after] - f.y[before]) / steps * kVelocityScale);
  }
  return v;
}

}  // namespace

double PathDistance(const SignatureFeatures& a, const SignatureFeatures& b) {
  const PointFeatures va = Velocities(a);
  const PointFeatures vb = Velocities(b);
  constexpr double kFar = std::numeric_limits<double>::infinity();
  std::array<double, kPathPoints + 1> previous, current;
  previous.fill(kFar);
  previous[0] = 0;
  for (int i = 1; i <= kPathPoints; ++i) {
    current.fill(kFar);
    const int from = std::max(1, i - kBand);
    const int to = std::min(kPathPoints, i + kBand);
    for (int j = from; j <= to; ++j) {
      const int p = i - 1, q = j - 1;
      const double cost =
          std::abs(a.x[p] - b.x[q]) + std::abs(a.y[p] - b.y[q]) +
          kVelocityWeight * (std::abs(va.vx[p] - vb.vx[q]) + std::abs(va.vy[p] - vb.vy[q])) +
          (a.pen[p] != b.pen[q] ? kPenWeight : 0.0);
      current[j] = cost + std::min({previous[j], current[j - 1], previous[j - 1]});
    }
    previous = current;
  }
  return previous[kPathPoints] / (2.0 * kPathPoints);
}

GlobalStats ComputeGlobalStats(std::span<const SignatureFeatures> samples, int skip) {
  GlobalStats stats;
  int n = 0;
  for (std::size_t s = 0; s < samples.size(); ++s) {
    if (static_cast<int>(s) == skip) continue;
    for (int f = 0; f < kGlobalFeatureCount; ++f) stats.mean[f] += samples[s].global[f];
    ++n;
  }
  for (int f = 0; f < kGlobalFeatureCount; ++f) {
    if (n > 0) stats.mean[f] /= n;
    double sum = 0;
    for (std::size_t s = 0; s < samples.size(); ++s) {
      if (static_cast<int>(s) == skip) continue;
      const double d = samples[s].global[f] - stats.mean[f];
      sum += d * d;
    }
    const double spread = n > 1 ? std::sqrt(sum / (n - 1)) : 0.0;
    stats.spread[f] = std::max(spread, kSpreadFloor[f]);
  }
  return stats;
}

double GlobalDistance(const SignatureFeatures& features, const GlobalStats& stats) {
  std::array<double, kGlobalFeatureCount> deviations{};
  for (int f = 0; f < kGlobalFeatureCount; ++f)
    deviations[f] = std::abs(features.global[f] - stats.mean[f]) / stats.spread[f];
  return WeightedMean(deviations);
}

double GlobalDifference(const SignatureFeatures& a, const SignatureFeatures& b) {
  std::array<double, kGlobalFeatureCount> deviations{};
  for (int f = 0; f < kGlobalFeatureCount; ++f)
    deviations[f] = std::abs(a.global[f] - b.global[f]) / kSpreadFloor[f];
  return WeightedMean(deviations);
}

}  // namespace panel
