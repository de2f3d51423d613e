// Verification against a loaded template, and what the engine makes of odd
// input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/panel_engine/engine_samples.h"

namespace {

using engine_tests::Verifier;
using engine_tests::Writers;
using panel::PenPoint;
using panel::PenStroke;
using panel::Signature;
using panel::SignatureEngine;

// The owner is accepted and other writers are not, whichever writer owns
// the device.
TEST(SignatureVerify, AcceptsTheOwnerAndRejectsOtherWriters) {
  const auto& writers = Writers();
  for (std::size_t w = 0; w < writers.size(); ++w) {
    const SignatureEngine engine = Verifier(static_cast<int>(w));
    int accepted = 0;
    for (const Signature& s : writers[w].genuine) accepted += engine.Verify(s);
    EXPECT_GE(accepted, 9) << "writer " << w;
    for (std::size_t other = 0; other < writers.size(); ++other) {
      if (other == w) continue;
      for (const Signature& s : writers[other].genuine)
        ASSERT_FALSE(engine.Verify(s)) << "writer " << w << " accepted writer " << other;
    }
  }
}

// Where the signature lies on the pad and how large it is do not matter;
// the order the strokes were written in, and where the pen was lifted, do.
TEST(SignatureVerify, IgnoresPlaceAndSizeButNotStrokesAndPenLifts) {
  const auto& writers = Writers();
  int tested = 0;
  for (std::size_t w = 0; w < writers.size(); ++w) {
    const SignatureEngine engine = Verifier(static_cast<int>(w));
    const Signature& genuine = writers[w].genuine[0];
    ASSERT_TRUE(engine.Verify(genuine)) << "writer " << w;
    Signature moved = genuine;
    for (PenStroke& stroke : moved.strokes)
      for (PenPoint& p : stroke) {
        p.x = p.x * 0.8f + 15;
        p.y = p.y * 0.8f + 6;
      }
    EXPECT_TRUE(engine.Verify(moved)) << "writer " << w;
    EXPECT_NEAR(engine.Score(moved), engine.Score(genuine), 0.05);

    if (genuine.strokes.size() < 2) continue;
    // The same strokes, the last one written first.
    Signature reordered;
    std::uint32_t t = 0;
    std::vector<PenStroke> order(genuine.strokes.rbegin(), genuine.strokes.rend());
    for (const PenStroke& stroke : order) {
      PenStroke copy = stroke;
      const std::uint32_t start = stroke.front().t;
      for (PenPoint& p : copy) p.t = p.t - start + t;
      t = copy.back().t + 150;
      reordered.strokes.push_back(copy);
    }
    EXPECT_FALSE(engine.Verify(reordered)) << "writer " << w;
    // The same points written without lifting the pen.
    Signature joined;
    joined.strokes.emplace_back();
    for (const PenStroke& stroke : genuine.strokes)
      joined.strokes[0].insert(joined.strokes[0].end(), stroke.begin(), stroke.end());
    EXPECT_LT(engine.Score(joined), engine.Score(genuine) - 0.05) << "writer " << w;
    ++tested;
  }
  EXPECT_GT(tested, 0);
}

TEST(SignatureVerify, NothingIsAcceptedWithoutATemplate) {
  SignatureEngine engine;
  const Signature& s = Writers()[0].genuine[0];
  EXPECT_FALSE(engine.Verify(s));
  EXPECT_EQ(engine.Score(s), 0);
  EXPECT_GT(engine.Threshold(), 1);
  EXPECT_TRUE(engine.Template().empty());
  // Samples alone are no reference either.
  for (const Signature& e : Writers()[0].enrollment) engine.AddSample(e, -1);
  EXPECT_FALSE(engine.Verify(s));
  // A reference loaded and then dropped.
  ASSERT_TRUE(engine.SetTemplate(engine.GetTemplate()));
  EXPECT_TRUE(engine.Verify(s));
  engine.Reset();
  EXPECT_FALSE(engine.Verify(s));
  EXPECT_TRUE(engine.Template().empty());
}

Signature Dots(int count) {
  Signature s;
  for (int i = 0; i < count; ++i)
    s.strokes.push_back({{static_cast<float>(20 + 15 * i), static_cast<float>(40 + 7 * (i % 3)),
                          static_cast<std::uint32_t>(120 * i)}});
  return s;
}

// Input without usable ink is refused as a sample and never verifies; odd
// but usable input gives a score like any other signature.
TEST(SignatureVerify, OddInputHasADefinedResult) {
  SignatureEngine engine = Verifier(1);
  const float nan = std::numeric_limits<float>::quiet_NaN();

  Signature empty;
  Signature emptyStrokes;
  emptyStrokes.strokes.resize(3);
  Signature still;  // a pen that never moves
  still.strokes.push_back({{50, 50, 0}, {50, 50, 10}, {50, 50, 500}});
  still.strokes.push_back({{50, 50, 700}});
  Signature notANumber;
  notANumber.strokes.push_back({{nan, 3, 0}, {nan, nan, 10}});
  for (const Signature* s : {&empty, &emptyStrokes, &still, &notANumber}) {
    EXPECT_FALSE(engine.Verify(*s));
    EXPECT_EQ(engine.Score(*s), 0);
    EXPECT_FALSE(engine.AddSample(*s, -1));
  }
  EXPECT_EQ(engine.SampleCount(), 5);

  // Single-point strokes, times that run backwards or never advance, a
  // stray NaN point: usable, rejected against this writer.
  Signature backwards = Writers()[1].genuine[0];
  for (PenStroke& stroke : backwards.strokes)
    for (PenPoint& p : stroke) p.t = 100000 - p.t;
  Signature untimed = Writers()[1].genuine[0];
  for (PenStroke& stroke : untimed.strokes)
    for (PenPoint& p : stroke) p.t = 0;
  Signature stray = Writers()[1].genuine[0];
  stray.strokes[0].insert(stray.strokes[0].begin() + 3, PenPoint{nan, nan, 30});
  for (const Signature* s : {&backwards, &untimed}) {
    const double score = engine.Score(*s);
    EXPECT_GT(score, 0);
    EXPECT_LE(score, 1);
    EXPECT_FALSE(engine.Verify(*s));
  }
  EXPECT_TRUE(engine.Verify(stray));
  EXPECT_GT(engine.Score(Dots(6)), 0);
  EXPECT_FALSE(engine.Verify(Dots(6)));
  SignatureEngine dots;
  EXPECT_TRUE(dots.AddSample(Dots(6), -1));
}

// A very long signature is thinned: the owner's signature with every point
// repeated forty times (over 10,000 points) still verifies.
TEST(SignatureVerify, VeryLongSignatureIsThinned) {
  const SignatureEngine engine = Verifier(2);
  Signature dense;
  std::size_t points = 0;
  for (const PenStroke& stroke : Writers()[2].genuine[1].strokes) {
    PenStroke copy;
    for (const PenPoint& p : stroke)
      for (int i = 0; i < 40; ++i) copy.push_back(p);
    points += copy.size();
    dense.strokes.push_back(std::move(copy));
  }
  ASSERT_GT(points, 10000u);
  EXPECT_TRUE(engine.Verify(dense));
  EXPECT_NEAR(engine.Score(dense), engine.Score(Writers()[2].genuine[1]), 0.05);
}

}  // namespace
