// A generative model of handwritten signatures for evaluating the signature
// engine: every pen-down stroke is a sum of sigma-lognormal movements (each
// a lognormal speed profile along a circular arc), with per-writer
// parameters. Genuine signatures vary those parameters a little; skilled
// forgeries either trace the writer's shape slowly, in many small
// movements, with tremor, or write it from practice in whole movements with
// a rhythm of their own, more slowly; random forgeries are other writers'
// signatures. Everything is
// derived from seeds with a generator of our own, so a seed gives the same
// signature on any platform. Output is in pad pixels (220 x 100, y down)
// with millisecond times, sampled about every 10 ms like the pad.
#pragma once

#include <cstdint>
#include <vector>

#include "panel/engine/signature_engine.h"

namespace handwriting {

inline constexpr double kPadWidth = 220;
inline constexpr double kPadHeight = 100;

// One lognormal movement: starts at t0 (s), travels D (px) with log-time
// mean mu and spread sigma, turning from angle thetaStart to thetaEnd.
struct Lognormal {
  double t0 = 0;
  double distance = 0;
  double mu = 0;
  double sigma = 0;
  double thetaStart = 0;
  double thetaEnd = 0;
};

struct StrokePlan {
  std::vector<Lognormal> movements;
  // Before the stroke: pen-up time (s) and displacement from where the
  // previous stroke ended (px).
  double gap = 0;
  double jumpX = 0;
  double jumpY = 0;
};

struct Writer {
  std::vector<StrokePlan> strokes;
  double width = 160;        // usual width of the signature on the pad (px)
  double variability = 1.0;  // how much this writer varies between signatures
};

Writer MakeWriter(std::uint64_t seed);
panel::Signature Genuine(const Writer& writer, std::uint64_t seed);
panel::Signature SkilledForgery(const Writer& writer, std::uint64_t seed);

// The evaluation set: per writer five enrollment signatures, further genuine
// signatures and skilled forgeries.
struct WriterSamples {
  std::vector<panel::Signature> enrollment;
  std::vector<panel::Signature> genuine;
  std::vector<panel::Signature> skilled;
};
std::vector<WriterSamples> MakeEvaluationSet(int writers, int genuine, int skilled,
                                             std::uint64_t seed);

}  // namespace handwriting
