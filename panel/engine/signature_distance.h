// Distances between signatures: elastic matching of the resampled paths and
// the deviation of the global measures from a writer's own.
#pragma once

#include <array>
#include <span>

#include "panel/engine/signature_features.h"

namespace panel {

// Dynamic time warping of the two paths on position, velocity and pen state,
// within a band around the diagonal; the cost per step of the path. 0 for
// identical paths, symmetric.
double PathDistance(const SignatureFeatures& a, const SignatureFeatures& b);

// A writer's global measures: their mean and spread (never below a floor
// that stands for the variation of any writer, since five samples tell
// little about spread).
struct GlobalStats {
  std::array<double, kGlobalFeatureCount> mean{};
  std::array<double, kGlobalFeatureCount> spread{};
};

// The statistics of `samples`, leaving out the one at `skip` (-1: none).
GlobalStats ComputeGlobalStats(std::span<const SignatureFeatures> samples, int skip);

// Weighted mean deviation of the measures, in spreads (each capped).
double GlobalDistance(const SignatureFeatures& features, const GlobalStats& stats);

// The same for two signatures, in the floors of the spread.
double GlobalDifference(const SignatureFeatures& a, const SignatureFeatures& b);

}  // namespace panel
