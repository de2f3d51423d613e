// A crude stand-in engine until the real one arrives: it compares the
// shapes of signatures (all strokes joined, centred, scaled, resampled to a
// fixed number of points) by their mean point distance. Timing and pen
// lifts are ignored. Deleted when the real engine lands.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "panel/engine/signature_engine.h"

namespace panel {
namespace {

constexpr int kPoints = 32;
using Shape = std::array<double, 2 * kPoints>;
constexpr std::u16string_view kTag = u"interim1";

bool MakeShape(const Signature& signature, Shape* shape) {
  std::vector<PenPoint> points;
  for (const PenStroke& stroke : signature.strokes)
    points.insert(points.end(), stroke.begin(), stroke.end());
  if (points.empty()) return false;
  double cx = 0, cy = 0;
  for (const PenPoint& p : points) {
    cx += p.x;
    cy += p.y;
  }
  cx /= double(points.size());
  cy /= double(points.size());
  double extent = 1e-9;
  for (const PenPoint& p : points)
    extent = std::max({extent, std::fabs(p.x - cx), std::fabs(p.y - cy)});
  for (int i = 0; i < kPoints; ++i) {
    const double at = double(i) * double(points.size() - 1) / double(kPoints - 1);
    const std::size_t lo = std::size_t(at);
    const std::size_t hi = std::min(lo + 1, points.size() - 1);
    const double f = at - double(lo);
    (*shape)[2 * i] = ((points[lo].x * (1 - f) + points[hi].x * f) - cx) / extent;
    (*shape)[2 * i + 1] = ((points[lo].y * (1 - f) + points[hi].y * f) - cy) / extent;
  }
  return true;
}

double Distance(const Shape& a, const Shape& b) {
  double sum = 0;
  for (int i = 0; i < kPoints; ++i)
    sum += std::hypot(a[2 * i] - b[2 * i], a[2 * i + 1] - b[2 * i + 1]);
  return sum / kPoints;
}

double ScoreOf(double distance) {
  return 1.0 / (1.0 + 10.0 * distance);
}

struct Reference {
  double threshold = 0;
  Shape mean{};
};

bool ParseTemplate(std::u16string_view text, Reference* reference) {
  if (!text.starts_with(kTag) || text.size() > 4096) return false;
  std::string narrow;
  for (char16_t c : text.substr(kTag.size())) {
    if (c > 0x7F) return false;
    narrow.push_back(char(c));
  }
  const char* p = narrow.c_str();
  char* end = nullptr;
  reference->threshold = std::strtod(p, &end);
  if (end == p || !std::isfinite(reference->threshold)) return false;
  p = end;
  for (double& v : reference->mean) {
    v = std::strtod(p, &end);
    if (end == p || !std::isfinite(v)) return false;
    p = end;
  }
  while (*p == ' ') ++p;
  return *p == 0;
}

}  // namespace

bool SignatureEngine::AddSample(const Signature& signature, int slot) {
  Shape shape;
  if (!MakeShape(signature, &shape)) return false;
  if (slot == -1) {
    m_samples.push_back(signature);
    return true;
  }
  if (slot < 0 || slot >= SampleCount()) return false;
  m_samples[std::size_t(slot)] = signature;
  return true;
}

int SignatureEngine::SampleCount() const {
  return int(m_samples.size());
}

int SignatureEngine::CheckConsistency() const {
  std::vector<Shape> shapes(m_samples.size());
  for (std::size_t i = 0; i < m_samples.size(); ++i) MakeShape(m_samples[i], &shapes[i]);
  std::vector<double> apart(shapes.size(), 0);
  for (std::size_t i = 0; i < shapes.size(); ++i)
    for (std::size_t j = 0; j < shapes.size(); ++j)
      if (i != j) apart[i] += Distance(shapes[i], shapes[j]) / double(shapes.size() - 1);
  if (shapes.empty()) return 0;
  const auto worst = std::max_element(apart.begin(), apart.end());
  const int worstIndex = int(worst - apart.begin());
  if (SampleCount() < kRequiredSamples) return worstIndex;
  std::vector<double> sorted = apart;
  std::sort(sorted.begin(), sorted.end());
  const double median = sorted[sorted.size() / 2];
  return *worst > 0.15 && *worst > 1.5 * median ? worstIndex : -1;
}

std::u16string SignatureEngine::GetTemplate() const {
  if (SampleCount() < kRequiredSamples) return {};
  Shape mean{};
  std::vector<Shape> shapes(m_samples.size());
  for (std::size_t i = 0; i < m_samples.size(); ++i) {
    MakeShape(m_samples[i], &shapes[i]);
    for (int k = 0; k < 2 * kPoints; ++k) mean[k] += shapes[i][k] / double(m_samples.size());
  }
  double spread = 0;
  for (const Shape& s : shapes) spread = std::max(spread, Distance(s, mean));
  char number[32];
  std::snprintf(number, sizeof number, " %.4f", ScoreOf(std::max(2.0 * spread, 0.08)));
  std::string text(number);
  for (double v : mean) {
    std::snprintf(number, sizeof number, " %.4f", v);
    text += number;
  }
  return std::u16string(kTag) + std::u16string(text.begin(), text.end());
}

bool SignatureEngine::SetTemplate(std::u16string_view text) {
  Reference reference;
  if (!ParseTemplate(text, &reference)) {
    m_template.clear();
    return false;
  }
  m_template = text;
  return true;
}

std::u16string SignatureEngine::Template() const {
  return m_template;
}

double SignatureEngine::Score(const Signature& signature) const {
  Reference reference;
  Shape shape;
  if (!ParseTemplate(m_template, &reference) || !MakeShape(signature, &shape)) return 0;
  return ScoreOf(Distance(shape, reference.mean));
}

double SignatureEngine::Threshold() const {
  Reference reference;
  return ParseTemplate(m_template, &reference) ? reference.threshold : 0;
}

bool SignatureEngine::Verify(const Signature& signature) const {
  return !m_template.empty() && Score(signature) >= Threshold();
}

void SignatureEngine::Reset() {
  m_samples.clear();
  m_template.clear();
}

}  // namespace panel
