#include "panel/engine/signature_model.h"

#include <algorithm>

namespace panel {

namespace {

// How much the global measures weigh beside the path.
constexpr double kGlobalWeight = 1.0;
// A writer whose references are nearly identical would otherwise get a
// unit so small that the next, normally varied, signature fails: the unit
// has a floor, about the smallest variation seen in practised writers.
constexpr double kMinPathScale = 0.12;
// Acceptance limit of the normalised distance. A genuine signature lies
// about 1 (path) plus a little (global) from the references.
constexpr double kLimit = 2.1;

double MeanPathDistance(std::span<const SignatureFeatures> references,
                        const SignatureFeatures& features, int skip) {
  double sum = 0;
  int n = 0;
  for (std::size_t r = 0; r < references.size(); ++r) {
    if (static_cast<int>(r) == skip) continue;
    sum += PathDistance(references[r], features);
    ++n;
  }
  return n > 0 ? sum / n : 0;
}

}  // namespace

bool BuildModel(std::vector<SignatureFeatures> references, SignatureModel* model) {
  const int count = static_cast<int>(references.size());
  if (count < kMinReferences || count > kMaxReferences) return false;
  model->references = std::move(references);
  const std::span<const SignatureFeatures> refs(model->references);
  model->global = ComputeGlobalStats(refs, -1);
  // Each reference against the others, as a new signature would be.
  double sum = 0;
  for (int r = 0; r < count; ++r) sum += MeanPathDistance(refs, refs[r], r);
  model->pathScale = std::max(sum / count, kMinPathScale);
  model->limit = kLimit;
  return true;
}

double NormalisedDistance(const SignatureModel& model, const SignatureFeatures& features) {
  return MeanPathDistance(model.references, features, -1) / model.pathScale +
         kGlobalWeight * GlobalDistance(features, model.global);
}

double SimilarityOf(double normalisedDistance) {
  return 1.0 / (1.0 + normalisedDistance);
}

}  // namespace panel
