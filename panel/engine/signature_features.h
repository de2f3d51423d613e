// What the engine keeps of a signature: the pen path resampled at even
// time steps over the whole signature (pen-up travel included and marked),
// normalised for position and size, and a few global measures of how it
// was written.
#pragma once

#include <array>
#include <cstdint>

namespace panel {

struct Signature;

// Points of the resampled path. Even time steps keep the writer's rhythm:
// where the pen is fast the points lie far apart.
inline constexpr int kPathPoints = 96;

// The global measures, each on a scale where one unit is a clear difference.
enum GlobalFeature : int {
  kLogDuration,   // log of the whole writing time in ms
  kStrokeCount,   // pen-down strokes
  kPenUpShare,    // share of the time the pen spends lifted between strokes
  kLogAspect,     // log of width over height of the ink
  kLogInkLength,  // log of the ink's length over its radius (detour and tremor)
};
inline constexpr int kGlobalFeatureCount = kLogInkLength + 1;

struct SignatureFeatures {
  // Position in units of the ink's radius around its centre, in steps of
  // 1 / kPositionUnits so that a template written as text reads back
  // exactly; the global measures likewise in steps of 1 / kGlobalUnits.
  std::array<float, kPathPoints> x{};
  std::array<float, kPathPoints> y{};
  // 1 while the pen touches the pad.
  std::array<std::uint8_t, kPathPoints> pen{};
  std::array<float, kGlobalFeatureCount> global{};
};

inline constexpr int kPositionUnits = 100;
inline constexpr int kGlobalUnits = 10000;
// Positions beyond this many radii from the centre are clipped; no path of
// real ink comes near it, and the text form stays bounded.
inline constexpr int kPositionLimit = 20;
// Bounds every global measure (the stroke count is the largest).
inline constexpr int kGlobalLimit = 1000;

// The features of a signature; false when it has no usable ink (no point,
// or a pen that never moved). Any input is handled in bounded time and
// memory: beyond kMaxInputPoints points or kMaxInputStrokes strokes the
// rest is thinned or ignored.
inline constexpr int kMaxInputPoints = 4096;
inline constexpr int kMaxInputStrokes = 256;
bool ExtractFeatures(const Signature& signature, SignatureFeatures* features);

// The stored value of a count of units (the same rounding for features as
// for a template read back).
inline float FromUnits(long long count, int units) {
  return static_cast<float>(static_cast<double>(count) / units);
}

}  // namespace panel
