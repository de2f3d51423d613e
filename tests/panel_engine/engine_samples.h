// Signatures for the engine's tests: a few writers of the handwriting model
// the engine is evaluated with.
#pragma once

#include <vector>

#include "bench/handwriting/handwriting_model.h"
#include "panel/engine/signature_engine.h"

namespace engine_tests {

// Six writers, ten further genuine signatures and two skilled forgeries
// each; built once.
inline const std::vector<handwriting::WriterSamples>& Writers() {
  static const std::vector<handwriting::WriterSamples> set =
      handwriting::MakeEvaluationSet(6, 10, 2, 4242);
  return set;
}

inline panel::SignatureEngine Enrolled(const std::vector<panel::Signature>& samples) {
  panel::SignatureEngine engine;
  for (const panel::Signature& s : samples) engine.AddSample(s, -1);
  return engine;
}

// An engine with the template of the writer's enrollment loaded.
inline panel::SignatureEngine Verifier(int writer) {
  panel::SignatureEngine engine = Enrolled(Writers()[writer].enrollment);
  engine.SetTemplate(engine.GetTemplate());
  return engine;
}

}  // namespace engine_tests
