#include "panel/engine/signature_engine.h"

#include <algorithm>
#include <numeric>

#include "panel/engine/signature_template.h"

namespace panel {

namespace {

// Weight of the global measures in the consistency measure, as in the
// verification distance.
constexpr double kConsistencyGlobalWeight = 0.25;
// A sample is inconsistent when its misfit exceeds the others' typical
// misfit by this factor, and is at the same time beyond what any writer's
// own samples differ (samples that all lie very close are consistent even
// if one lies a little further off).
constexpr double kMisfitRatio = 1.6;
constexpr double kMinMisfit = 0.45;

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

bool SignatureEngine::AddSample(const Signature& signature, int slot) {
  const int count = SampleCount();
  if (slot != -1 && (slot < 0 || slot >= count)) return false;
  if (slot == -1 && count >= kMaxSamples) return false;
  SignatureFeatures features;
  if (!ExtractFeatures(signature, &features)) return false;
  if (slot == -1)
    m_samples.push_back(features);
  else
    m_samples[static_cast<std::size_t>(slot)] = features;
  return true;
}

int SignatureEngine::SampleCount() const {
  return static_cast<int>(m_samples.size());
}

std::vector<double> SignatureEngine::Misfits() const {
  const std::size_t n = m_samples.size();
  std::vector<std::vector<double>> distance(n, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      distance[i][j] = distance[j][i] =
          PathDistance(m_samples[i], m_samples[j]) +
          kConsistencyGlobalWeight * GlobalDifference(m_samples[i], m_samples[j]);
  std::vector<double> misfits(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::vector<double> others;
    for (std::size_t j = 0; j < n; ++j)
      if (j != i) others.push_back(distance[i][j]);
    misfits[i] = Median(std::move(others));
  }
  return misfits;
}

int SignatureEngine::CheckConsistency() const {
  if (m_samples.empty()) return 0;
  const std::vector<double> misfits = Misfits();
  // The first of equal misfits is named.
  const int worst =
      static_cast<int>(std::max_element(misfits.begin(), misfits.end()) - misfits.begin());
  // An incomplete enrollment is never consistent.
  if (SampleCount() < kRequiredSamples) return worst;
  std::vector<double> rest = misfits;
  rest.erase(rest.begin() + worst);
  const double typical = Median(std::move(rest));
  const double misfit = misfits[static_cast<std::size_t>(worst)];
  return misfit > kMinMisfit && misfit > kMisfitRatio * typical ? worst : -1;
}

std::u16string SignatureEngine::GetTemplate() const {
  if (SampleCount() < kRequiredSamples) return {};
  // With more samples than a template holds, the most central ones.
  std::vector<std::size_t> order(m_samples.size());
  std::iota(order.begin(), order.end(), 0);
  if (order.size() > static_cast<std::size_t>(kMaxReferences)) {
    const std::vector<double> misfits = Misfits();
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return misfits[a] < misfits[b]; });
    order.resize(kMaxReferences);
    std::sort(order.begin(), order.end());
  }
  std::vector<SignatureFeatures> references;
  for (const std::size_t i : order) references.push_back(m_samples[i]);
  return WriteTemplate(references);
}

bool SignatureEngine::SetTemplate(std::u16string_view text) {
  m_loaded = false;
  m_template.clear();
  m_model = SignatureModel();
  std::vector<SignatureFeatures> references;
  if (!ReadTemplate(text, &references) || !BuildModel(std::move(references), &m_model)) {
    m_model = SignatureModel();
    return false;
  }
  m_template = std::u16string(text);
  m_loaded = true;
  return true;
}

std::u16string SignatureEngine::Template() const {
  return m_template;
}

double SignatureEngine::Score(const Signature& signature) const {
  SignatureFeatures features;
  if (!m_loaded || !ExtractFeatures(signature, &features)) return 0;
  return SimilarityOf(NormalisedDistance(m_model, features));
}

double SignatureEngine::Threshold() const {
  // With no reference nothing reaches it: scores lie in [0, 1].
  return m_loaded ? SimilarityOf(m_model.limit) : 1.0 + 1e-9;
}

bool SignatureEngine::Verify(const Signature& signature) const {
  return m_loaded && Score(signature) >= Threshold();
}

void SignatureEngine::Reset() {
  m_samples.clear();
  m_template.clear();
  m_loaded = false;
  m_model = SignatureModel();
}

}  // namespace panel
