// Signature files as people write them by hand: comments, blank lines,
// CR LF, decimals; and every kind of mistake refused with where it is.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/signature_file.h"

namespace {

using platform::ParseSignatureText;
using platform::SignatureStrokes;

TEST(SignatureFileTest, ReadsStrokesSkippingCommentsAndBlankLines) {
  SignatureStrokes strokes;
  std::string error;
  ASSERT_TRUE(ParseSignatureText(
      "\xEF\xBB\xBF# a test\r\n\r\n  1.5,2.25,0 3,4,10\t5,6,10\r\n   # indented comment\n7,-8,25\n",
      "a.sig", &strokes, &error))
      << error;
  ASSERT_EQ(strokes.strokes.size(), 2u);
  ASSERT_EQ(strokes.strokes[0].size(), 3u);
  EXPECT_DOUBLE_EQ(strokes.strokes[0][0].x, 1.5);
  EXPECT_DOUBLE_EQ(strokes.strokes[0][0].y, 2.25);
  EXPECT_EQ(strokes.strokes[0][2].t, 10u);
  EXPECT_DOUBLE_EQ(strokes.strokes[1][0].y, -8);
  EXPECT_EQ(strokes.PointCount(), 4u);
}

TEST(SignatureFileTest, RefusesMistakesNamingFileAndLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "pad.sig: no point"},
      {"# only a comment\n\n", "pad.sig: no point"},
      {"1,2,0\n\n3,4\n", "pad.sig:3: a point is x,y,t, not '3,4'"},
      {"1,2,3,4\n", "pad.sig:1: a point is x,y,t, not '1,2,3,4'"},
      {"a,2,0\n", "pad.sig:1: x and y are numbers of pad pixels, not 'a,2,0'"},
      {"1,,0\n", "pad.sig:1: x and y are numbers of pad pixels, not '1,,0'"},
      {"1,2,inf\n", "pad.sig:1: t is a whole number of milliseconds, not '1,2,inf'"},
      {"1,2,-1\n", "pad.sig:1: t is a whole number of milliseconds, not '1,2,-1'"},
      {"1,2,4294967296\n", "pad.sig:1: t is a whole number of milliseconds, not '1,2,4294967296'"},
      {"1,nan,0\n", "pad.sig:1: x and y are numbers of pad pixels, not '1,nan,0'"},
      {"1,200000,0\n", "pad.sig:1: x and y are numbers of pad pixels, not '1,200000,0'"},
      // Time runs on across strokes, never back.
      {"1,1,0 2,2,50\n3,3,40\n", "pad.sig:2: time 40 comes after 50"},
  };
  for (const auto& c : cases) {
    SignatureStrokes strokes;
    std::string error;
    EXPECT_FALSE(ParseSignatureText(c.text, "pad.sig", &strokes, &error)) << c.text;
    EXPECT_EQ(error, c.message) << c.text;
  }
}

TEST(SignatureFileTest, AFileIsReadOnlyUpToTheLimitAndOneThatCannotBeReadIsRefusedWithItsName) {
  const auto folder = std::filesystem::temp_directory_path();
  SignatureStrokes strokes;
  std::string error;
  EXPECT_FALSE(platform::ReadSignatureFile(folder / "no-such-signature.sig", &strokes, &error));
  EXPECT_NE(error.find("no-such-signature.sig: "), std::string::npos) << error;
  const auto file = folder / "signature-file-test.sig";
  std::ofstream(file, std::ios::binary) << "1,2,0 3,4,5\n";
  EXPECT_TRUE(platform::ReadSignatureFile(file, &strokes, &error)) << error;
  EXPECT_EQ(strokes.PointCount(), 2u);
  std::filesystem::remove(file);
  // The kernel's page map states a size of 0 and is far longer than the limit.
  EXPECT_FALSE(platform::ReadSignatureFile("/proc/self/pagemap", &strokes, &error));
  EXPECT_NE(error.find("larger than"), std::string::npos) << error;
}

}  // namespace
