#include "panel/engine/signature_features.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "panel/engine/signature_engine.h"

namespace panel {

namespace {

struct TimedPoint {
  double x;
  double y;
  double t;
  int stroke;
};

// Radii below this (in pad pixels) are a pen that did not move.
constexpr double kMinRadius = 0.5;
// A writing time shorter than this cannot carry a rhythm (or the pad gave
// no times): the path is then resampled by point order instead.
constexpr double kMinDurationMs = 20.0;

float Quantise(double value, int units, int limit) {
  const double bounded = std::clamp(value, -static_cast<double>(limit), static_cast<double>(limit));
  return FromUnits(std::llround(bounded * units), units);
}

bool Finite(const PenPoint& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

// The usable points in writing order, thinned evenly within each stroke when
// there are too many, with times made non-decreasing.
std::vector<TimedPoint> Flatten(const Signature& signature) {
  std::size_t total = 0;
  const std::size_t strokes =
      std::min(signature.strokes.size(), static_cast<std::size_t>(kMaxInputStrokes));
  for (std::size_t s = 0; s < strokes; ++s) total += signature.strokes[s].size();
  const std::size_t step = total > static_cast<std::size_t>(kMaxInputPoints)
                               ? (total + kMaxInputPoints - 1) / kMaxInputPoints
                               : 1;
  std::vector<TimedPoint> points;
  points.reserve(std::min(total, static_cast<std::size_t>(kMaxInputPoints) + 2 * strokes));
  int strokeNumber = 0;
  double lastT = 0;
  for (std::size_t s = 0; s < strokes; ++s) {
    const PenStroke& stroke = signature.strokes[s];
    bool any = false;
    for (std::size_t i = 0; i < stroke.size(); ++i) {
      // Every step-th point, and always a stroke's last one so its end stays.
      if (i % step != 0 && i + 1 != stroke.size()) continue;
      const PenPoint& p = stroke[i];
      if (!Finite(p)) continue;
      double t = static_cast<double>(p.t);
      if (points.empty()) lastT = t;
      t = std::max(t, lastT);
      lastT = t;
      points.push_back({p.x, p.y, t, strokeNumber});
      any = true;
    }
    if (any) ++strokeNumber;
  }
  return points;
}

}  // namespace

bool ExtractFeatures(const Signature& signature, SignatureFeatures* features) {
  std::vector<TimedPoint> points = Flatten(signature);
  if (points.empty()) return false;

  double minX = points[0].x, maxX = minX, minY = points[0].y, maxY = minY;
  for (const TimedPoint& p : points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  if (maxX - minX < kMinRadius && maxY - minY < kMinRadius) return false;

  const double duration = points.back().t - points.front().t;
  const bool timed = duration >= kMinDurationMs;
  // Untimed input advances one unit per point.
  std::vector<double> clock(points.size());
  for (std::size_t i = 0; i < points.size(); ++i)
    clock[i] = timed ? points[i].t - points.front().t : static_cast<double>(i);
  const double span = clock.back() > 0 ? clock.back() : 1.0;

  // Resample at even steps of the clock. Between two points of different
  // strokes the pen is lifted; the path runs straight across the gap.
  std::array<double, kPathPoints> rx{}, ry{};
  std::size_t segment = 0;
  double penUpTime = 0;
  for (std::size_t i = 1; i < points.size(); ++i)
    if (points[i].stroke != points[i - 1].stroke) penUpTime += clock[i] - clock[i - 1];
  for (int k = 0; k < kPathPoints; ++k) {
    const double at = span * k / (kPathPoints - 1);
    while (segment + 1 < points.size() && clock[segment + 1] < at) ++segment;
    const TimedPoint& a = points[segment];
    if (segment + 1 >= points.size()) {
      rx[k] = a.x;
      ry[k] = a.y;
      features->pen[k] = 1;
      continue;
    }
    const TimedPoint& b = points[segment + 1];
    const double length = clock[segment + 1] - clock[segment];
    const double f = length > 0 ? std::clamp((at - clock[segment]) / length, 0.0, 1.0) : 1.0;
    rx[k] = a.x + (b.x - a.x) * f;
    ry[k] = a.y + (b.y - a.y) * f;
    const bool lifted = a.stroke != b.stroke && f > 0 && f < 1;
    features->pen[k] = lifted ? 0 : 1;
  }

  // Centre and radius of the ink (the pen-down samples).
  double cx = 0, cy = 0;
  int inked = 0;
  for (int k = 0; k < kPathPoints; ++k) {
    if (!features->pen[k]) continue;
    cx += rx[k];
    cy += ry[k];
    ++inked;
  }
  // The first and the last sample lie on ink, so inked >= 2.
  cx /= inked;
  cy /= inked;
  double spread = 0;
  for (int k = 0; k < kPathPoints; ++k)
    if (features->pen[k]) spread += (rx[k] - cx) * (rx[k] - cx) + (ry[k] - cy) * (ry[k] - cy);
  const double radius = std::max(std::sqrt(spread / inked), kMinRadius);

  for (int k = 0; k < kPathPoints; ++k) {
    // Pad y grows downwards; the features keep that orientation.
    features->x[k] = Quantise((rx[k] - cx) / radius, kPositionUnits, kPositionLimit);
    features->y[k] = Quantise((ry[k] - cy) / radius, kPositionUnits, kPositionLimit);
  }

  double ink = 0;
  for (std::size_t i = 1; i < points.size(); ++i)
    if (points[i].stroke == points[i - 1].stroke)
      ink += std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
  const double width = std::max(maxX - minX, 1.0);
  const double height = std::max(maxY - minY, 1.0);
  std::array<double, kGlobalFeatureCount> global{};
  global[kLogDuration] = std::log(std::max(duration, 1.0));
  global[kStrokeCount] = points.back().stroke + 1;
  global[kPenUpShare] = timed ? penUpTime / span : 0.0;
  global[kLogAspect] = std::log(width / height);
  global[kLogInkLength] = std::log(std::max(ink / radius, 1.0));
  for (int f = 0; f < kGlobalFeatureCount; ++f)
    features->global[f] = Quantise(global[f], kGlobalUnits, kGlobalLimit);
  return true;
}

}  // namespace panel
