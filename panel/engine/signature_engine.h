// The signature engine behind "Panel.Client.1": enrollment samples, their
// consistency check, the enrolled template (versioned text) and the
// verification of a signature against it. Pure computation: the component's
// automation object wraps one engine, the pad control produces the
// signatures it is given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "panel/engine/signature_model.h"

namespace panel {

// One sample of the pen: position in pad pixels and the time in milliseconds
// since the first point of the signature (never decreasing).
struct PenPoint {
  float x = 0;
  float y = 0;
  std::uint32_t t = 0;
};

using PenStroke = std::vector<PenPoint>;

// A signature as written: the strokes in the order the pen drew them.
struct Signature {
  std::vector<PenStroke> strokes;
};

class SignatureEngine {
 public:
  // The number of samples an enrollment needs before its first check.
  static constexpr int kRequiredSamples = 5;

  // slot -1 appends a new sample; 0 <= slot < SampleCount() replaces that
  // sample. Returns false (and changes nothing) for any other slot or a
  // signature with no usable point.
  bool AddSample(const Signature& signature, int slot);
  int SampleCount() const;
  // -1 when the samples are consistent (and at least kRequiredSamples);
  // otherwise the 0-based number of the sample that fits the others least.
  int CheckConsistency() const;
  // The template built from the samples; empty when there are fewer than
  // kRequiredSamples.
  std::u16string GetTemplate() const;
  // Loads the reference for Verify. A damaged, foreign or oversized text
  // is refused (false) and leaves no reference loaded.
  bool SetTemplate(std::u16string_view text);
  // The loaded reference as text (empty when none).
  std::u16string Template() const;
  // Similarity to the loaded reference (higher = more alike), and the
  // reference's own acceptance threshold; Verify is Score >= Threshold.
  // With no reference loaded Verify is false.
  double Score(const Signature& signature) const;
  double Threshold() const;
  bool Verify(const Signature& signature) const;
  // Drops samples and reference.
  void Reset();

 private:
  // A sample beyond this many is refused: enrollment needs five, and the
  // engine's memory stays bounded whatever its caller does.
  static constexpr int kMaxSamples = 16;

  // For each sample the median of its distances to the others (the
  // consistency measure).
  std::vector<double> Misfits() const;

  std::vector<SignatureFeatures> m_samples;
  std::u16string m_template;
  bool m_loaded = false;
  SignatureModel m_model;
};

}  // namespace panel
