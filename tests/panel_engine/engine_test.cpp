// The template text: exact round trip, and refusal of anything damaged.
// Enrollment: samples, the consistency check and the template they give.
// Verification against a loaded template, and what the engine makes of odd
// input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <tuple>

#include "bench/handwriting/handwriting_model.h"
#include "panel/engine/signature_engine.h"
#include "panel/engine/signature_features.h"
#include "panel/engine/signature_template.h"
#include "tests/support/test_seed.h"

namespace {

using panel::PenPoint;
using panel::PenStroke;
using panel::Signature;
using panel::SignatureEngine;
using panel::SignatureFeatures;

// Six writers of the handwriting model, ten further genuine signatures and
// two skilled forgeries each; built once.
const std::vector<handwriting::WriterSamples>& Writers() {
  static const std::vector<handwriting::WriterSamples> set =
      handwriting::MakeEvaluationSet(6, 10, 2, 4242);
  return set;
}

SignatureEngine Enrolled(const std::vector<Signature>& samples) {
  SignatureEngine engine;
  for (const Signature& s : samples) engine.AddSample(s, -1);
  return engine;
}

// An engine with the template of the writer's enrollment loaded.
SignatureEngine Verifier(int writer) {
  SignatureEngine engine = Enrolled(Writers()[writer].enrollment);
  engine.SetTemplate(engine.GetTemplate());
  return engine;
}

template <typename Change>
Signature EveryPoint(Signature s, Change change) {
  for (PenStroke& stroke : s.strokes)
    for (PenPoint& p : stroke) change(p);
  return s;
}

// A template made by hand, with a right hash, is refused for impossible
// values: too few or too many references, a position out of range.
TEST(SignatureTemplate, ReadsBackWhatWasWrittenAndRefusesImpossibleValues) {
  const std::vector<Signature>& samples = Writers()[4].enrollment;
  std::vector<SignatureFeatures> references(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i)
    ASSERT_TRUE(panel::ExtractFeatures(samples[i], &references[i]));
  std::vector<SignatureFeatures> read;
  ASSERT_TRUE(panel::ReadTemplate(panel::WriteTemplate(references), &read));
  ASSERT_EQ(read.size(), references.size());
  const auto fields = [](const SignatureFeatures& f) {
    return std::tie(f.x, f.y, f.pen, f.global);
  };
  for (std::size_t r = 0; r < read.size(); ++r)
    EXPECT_TRUE(fields(read[r]) == fields(references[r])) << r;

  SignatureEngine engine;
  EXPECT_TRUE(engine.SetTemplate(panel::WriteTemplate(references)));
  EXPECT_FALSE(engine.SetTemplate(
      panel::WriteTemplate(std::span(references).first(panel::kMinReferences - 1))));
  references.push_back(references[0]);
  EXPECT_FALSE(engine.SetTemplate(panel::WriteTemplate(references)));
  references.pop_back();
  references[2].x[7] = 2 * panel::kPositionLimit;
  EXPECT_FALSE(engine.SetTemplate(panel::WriteTemplate(references)));
}

TEST(SignatureTemplate, LoadedTemplateVerifiesAsTheEnrollingEngine) {
  SignatureEngine enrolling = Enrolled(Writers()[0].enrollment);
  const std::u16string text = enrolling.GetTemplate();
  ASSERT_FALSE(text.empty());
  EXPECT_LE(text.size() * 2, 16u * 1024u);
  ASSERT_TRUE(enrolling.SetTemplate(text));

  // A copy that lost its final line break (a shell's $(...) drops it) loads.
  SignatureEngine other;
  ASSERT_TRUE(other.SetTemplate(text.substr(0, text.size() - 1)));
  EXPECT_EQ(other.Threshold(), enrolling.Threshold());
  for (const auto& writer : Writers())
    for (const Signature& s : writer.genuine) {
      EXPECT_EQ(other.Score(s), enrolling.Score(s));
      EXPECT_EQ(other.Verify(s), enrolling.Verify(s));
    }
}

// A refused text leaves no reference, also when one was loaded before.
void ExpectRefused(const std::u16string& text, const char* what) {
  SignatureEngine engine = Verifier(0);
  ASSERT_TRUE(engine.Verify(Writers()[0].genuine[0]));
  EXPECT_FALSE(engine.SetTemplate(text)) << what;
  EXPECT_TRUE(engine.Template().empty()) << what;
  EXPECT_FALSE(engine.Verify(Writers()[0].genuine[0])) << what;
}

TEST(SignatureTemplate, RefusesDamagedAndForeignText) {
  const std::u16string good = Enrolled(Writers()[0].enrollment).GetTemplate();
  ExpectRefused(u"", "empty");
  ExpectRefused(u"VSIG1\n", "version only");
  ExpectRefused(u"Hello, world\n", "foreign");
  std::u16string other = good;
  other[4] = u'2';
  ExpectRefused(other, "another version");
  ExpectRefused(good.substr(0, good.size() / 2), "cut in half");
  ExpectRefused(good.substr(0, good.size() - 2), "last character of the hash missing");
  ExpectRefused(good + u"X 1 2\n", "extra line");
  ExpectRefused(good + good, "twice");
  std::u16string wide = good;
  wide[good.find(u'X') + 2] = u'\u0661';  // an Arabic-Indic digit one
  ExpectRefused(wide, "non-ASCII digit");
  ExpectRefused(std::u16string(20000, u'1'), "oversized");
  ExpectRefused(good + std::u16string(panel::kMaxTemplateChars, u'\n'), "oversized tail");
}

// The hash line guards the numbers; its own digits guard it.
TEST(SignatureTemplate, RefusesAnySingleChangedCharacter) {
  const std::u16string good = Enrolled(Writers()[1].enrollment).GetTemplate();
  const unsigned seed = testing_support::TestSeed();
  std::mt19937 random(seed);
  SignatureEngine engine;
  for (int i = 0; i < 300; ++i) {
    std::u16string damaged = good;
    const std::size_t at = random() % damaged.size();
    char16_t replacement;
    do replacement = static_cast<char16_t>(u' ' + random() % 95);
    while (replacement == damaged[at]);
    damaged[at] = replacement;
    ASSERT_FALSE(engine.SetTemplate(damaged)) << "position " << at << ", seed " << seed;
  }
  EXPECT_TRUE(engine.SetTemplate(good));
}

// A stranger or a forgery at any position; signing that sample again mends the set.
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

TEST(SignatureEnrollment, IncompleteEnrollmentHasNoTemplateAndSlotsOutsideTheSamplesAreRefused) {
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

  const Signature& s = Writers()[0].genuine[0];
  EXPECT_FALSE(engine.AddSample(s, 5));
  EXPECT_FALSE(engine.AddSample(s, -2));
  EXPECT_EQ(engine.SampleCount(), 5);
  // The engine holds a bounded number of samples.
  int added = 0;
  while (engine.AddSample(s, -1) && added < 100) ++added;
  EXPECT_EQ(engine.SampleCount(), 16);
  engine.Reset();
  EXPECT_EQ(engine.SampleCount(), 0);
  EXPECT_TRUE(engine.GetTemplate().empty());
}

// More samples than a template holds: it keeps the ones that agree.
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

TEST(SignatureVerify, IgnoresPlaceAndSizeButNotStrokesAndPenLifts) {
  const auto& writers = Writers();
  int tested = 0;
  for (std::size_t w = 0; w < writers.size(); ++w) {
    const SignatureEngine engine = Verifier(static_cast<int>(w));
    const Signature& genuine = writers[w].genuine[0];
    ASSERT_TRUE(engine.Verify(genuine)) << "writer " << w;
    const Signature moved = EveryPoint(genuine, [](PenPoint& p) {
      p.x = p.x * 0.8f + 15;
      p.y = p.y * 0.8f + 6;
    });
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

  const Signature empty;
  const Signature emptyStrokes{std::vector<PenStroke>(3)};
  // A pen that never moves.
  const Signature still{{{{50, 50, 0}, {50, 50, 10}, {50, 50, 500}}, {{50, 50, 700}}}};
  const Signature notANumber{{{{nan, 3, 0}, {nan, nan, 10}}}};
  for (const Signature* s : {&empty, &emptyStrokes, &still, &notANumber}) {
    EXPECT_FALSE(engine.Verify(*s));
    EXPECT_EQ(engine.Score(*s), 0);
    EXPECT_FALSE(engine.AddSample(*s, -1));
  }
  EXPECT_EQ(engine.SampleCount(), 5);

  // Single-point strokes, times that run backwards or never advance, a
  // stray NaN point: usable, rejected against this writer.
  const Signature backwards =
      EveryPoint(Writers()[1].genuine[0], [](PenPoint& p) { p.t = 100000 - p.t; });
  const Signature untimed = EveryPoint(Writers()[1].genuine[0], [](PenPoint& p) { p.t = 0; });
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

// Every point forty times over: more than 10,000.
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
