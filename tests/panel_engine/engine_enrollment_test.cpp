// Enrollment: samples, the consistency check and the template they give.
#include <gtest/gtest.h>

#include "tests/panel_engine/engine_samples.h"

namespace {

using engine_tests::Enrolled;
using engine_tests::Writers;
using panel::Signature;
using panel::SignatureEngine;

// Another writer's signature, or a forgery, slipped in at any position is
// the sample named; signing that sample again makes the set consistent.
TEST(SignatureEnrollment, NamesTheSampleThatDoesNotFit) {
  const auto& writers = Writers();
  for (std::size_t w = 0; w < writers.size(); ++w) {
    for (int slot = 0; slot < 5; ++slot) {
      const Signature& stranger = writers[(w + 1 + slot) % writers.size()].genuine[0];
      std::vector<Signature> samples = writers[w].enrollment;
      samples[slot] = stranger;
      SignatureEngine engine = Enrolled(samples);
      ASSERT_EQ(engine.CheckConsistency(), slot) << "writer " << w;
      ASSERT_TRUE(engine.AddSample(writers[w].genuine[slot], slot));
      EXPECT_EQ(engine.SampleCount(), 5);
      EXPECT_EQ(engine.CheckConsistency(), -1) << "writer " << w << " slot " << slot;
    }
  }
  std::vector<Signature> samples = writers[0].enrollment;
  samples[3] = writers[0].skilled[0];
  EXPECT_EQ(Enrolled(samples).CheckConsistency(), 3);
}

TEST(SignatureEnrollment, IncompleteEnrollmentHasNoTemplateAndIsNeverConsistent) {
  SignatureEngine engine;
  EXPECT_EQ(engine.CheckConsistency(), 0);
  EXPECT_TRUE(engine.GetTemplate().empty());
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(engine.AddSample(Writers()[0].enrollment[i], -1));
    const int result = engine.CheckConsistency();
    EXPECT_GE(result, 0);
    EXPECT_LT(result, engine.SampleCount());
    EXPECT_TRUE(engine.GetTemplate().empty());
  }
  ASSERT_TRUE(engine.AddSample(Writers()[0].enrollment[4], -1));
  EXPECT_FALSE(engine.GetTemplate().empty());
  engine.Reset();
  EXPECT_EQ(engine.SampleCount(), 0);
  EXPECT_TRUE(engine.GetTemplate().empty());
}

TEST(SignatureEnrollment, SlotsOutsideTheSamplesAreRefused) {
  SignatureEngine engine = Enrolled(Writers()[0].enrollment);
  const Signature& s = Writers()[0].genuine[0];
  EXPECT_FALSE(engine.AddSample(s, 5));
  EXPECT_FALSE(engine.AddSample(s, -2));
  EXPECT_EQ(engine.SampleCount(), 5);
  // The engine holds a bounded number of samples.
  int added = 0;
  while (engine.AddSample(s, -1) && added < 100) ++added;
  EXPECT_EQ(engine.SampleCount(), 16);
}

// With more samples than a template holds, the template keeps the ones that
// agree: a stranger among six samples does not make it into the reference,
// which is then the one the five genuine samples give.
TEST(SignatureEnrollment, TemplateOfManySamplesLeavesTheOutlierOut) {
  const auto& writers = Writers();
  for (int position : {0, 3, 5}) {
    std::vector<Signature> samples = writers[2].enrollment;
    samples.insert(samples.begin() + position, writers[3].genuine[0]);
    const SignatureEngine engine = Enrolled(samples);
    ASSERT_EQ(engine.SampleCount(), 6);
    EXPECT_EQ(engine.GetTemplate(), Enrolled(writers[2].enrollment).GetTemplate())
        << "stranger at " << position;
  }
}

}  // namespace
