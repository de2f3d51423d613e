// A writer's enrolled reference: the reference signatures' features and what
// they say about the writer's own variation, which sets the acceptance
// threshold.
#pragma once

#include <vector>

#include "panel/engine/signature_distance.h"
#include "panel/engine/signature_features.h"

namespace panel {

// References a template holds: enough to see the writer's variation, few
// enough for a small template and a fast check.
inline constexpr int kMinReferences = 3;
inline constexpr int kMaxReferences = 5;

struct SignatureModel {
  std::vector<SignatureFeatures> references;
  GlobalStats global;
  // The writer's typical path distance between own signatures (each
  // reference against the others); path distances are measured in it.
  double pathScale = 1;
  // Normalised distance up to which a signature is accepted.
  double limit = 0;
};

// Builds the model from kMinReferences..kMaxReferences references; false
// for any other number.
bool BuildModel(std::vector<SignatureFeatures> references, SignatureModel* model);

// The distance of a signature to the writer: its mean path distance to the
// references in the writer's unit plus the weighted deviation of its
// global measures in the writer's spreads.
double NormalisedDistance(const SignatureModel& model, const SignatureFeatures& features);

// Similarity on (0, 1] from a normalised distance.
double SimilarityOf(double normalisedDistance);

}  // namespace panel
