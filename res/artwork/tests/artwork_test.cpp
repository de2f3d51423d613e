// The artwork generator's own pieces: coverage of shapes, the pixel and
// stroke fonts, the 8-bit reduction and the PNG previews.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "res/artwork/canvas.h"
#include "res/artwork/fonts.h"
#include "res/artwork/palette.h"
#include "res/artwork/png_writer.h"

namespace {

using namespace art;

std::uint32_t Alpha(const Canvas& c, int x, int y) {
  return c.Argb(x, y) >> 24;
}

// Reads a PNG back with libpng, as RGBA bytes.
std::vector<std::uint8_t> ReadPng(const std::filesystem::path& file, int* width, int* height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, file.c_str())) {
    throw std::runtime_error(image.message);
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    throw std::runtime_error(image.message);
  }
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  return pixels;
}

}  // namespace

TEST(ArtworkCanvas, PixelAlignedEdgesAreSharpAndCurvesAntiAliased) {
  Canvas canvas(10, 10);
  canvas.Fill(Rect(2, 3, 6, 8), Hex(0x336699));
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 3 && y < 8;
      EXPECT_EQ(Alpha(canvas, x, y), inside ? 0xFFu : 0u) << x << "," << y;
    }
  }
  EXPECT_EQ(canvas.Argb(3, 4) & 0xFFFFFF, 0x336699u);

  Canvas disc(20, 20);
  disc.Fill(Circle({10, 10}, 6.3f), Hex(0xFFFFFF));
  EXPECT_EQ(Alpha(disc, 10, 10), 0xFFu);
  EXPECT_EQ(Alpha(disc, 0, 0), 0u);
  const std::uint32_t edge = Alpha(disc, 16, 9);  // centre 6.5 from the middle
  EXPECT_GT(edge, 0u);
  EXPECT_LT(edge, 0xFFu);
  // Symmetric on both sides.
  EXPECT_EQ(Alpha(disc, 3, 9), edge);
}

TEST(ArtworkCanvas, TranslucentPaintKeepsItsColourAndAccumulatesCover) {
  Canvas canvas(4, 4);
  canvas.Fill(Rect(0, 0, 4, 4), Hex(0x208040, 0.5f));
  EXPECT_EQ(canvas.Argb(1, 1), 0x80208040u);
  canvas.Fill(Rect(0, 0, 4, 4), Hex(0x208040, 0.5f));
  EXPECT_EQ(Alpha(canvas, 1, 1), 0xBFu);  // 1 - 0.5 * 0.5
  EXPECT_EQ(canvas.Argb(1, 1) & 0xFFFFFF, 0x208040u);
}

TEST(ArtworkFonts, PixelTextIsAsWideAsItSaysAndStaysInItsBox) {
  EXPECT_EQ(PixelTextWidth("Clear"), 20);  // 4 + 1 + 4 + 4 + 3, and four gaps
  EXPECT_EQ(PixelTextWidth("Clear", 2), 40);
  Canvas canvas(40, 14);
  const int width = PixelText(canvas, 3, 2, "Clear", Hex(0x000000));
  EXPECT_EQ(width, 20);
  int ink = 0;
  for (int y = 0; y < 14; ++y) {
    for (int x = 0; x < 40; ++x) {
      if (Alpha(canvas, x, y) == 0) continue;
      ++ink;
      EXPECT_TRUE(x >= 3 && x < 23 && y >= 2 && y < 9) << x << "," << y;
    }
  }
  EXPECT_GT(ink, 30);
  EXPECT_THROW(PixelTextWidth("\x7f"), std::runtime_error);
}

TEST(ArtworkFonts, StrokeGlyphsFillTheirCapHeightAndNoMore) {
  const StrokeStyle style{16.0f, 2.5f};
  for (char c : std::string("0123456789VPDAEXLUNC")) {
    const std::string text(1, c);
    const float width = StrokeTextWidth(text, style);
    const Shape glyph = StrokeText(text, {4, 20}, style);
    Canvas canvas(40, 24);
    canvas.Fill(glyph, Hex(0x000000));
    int top = 24, bottom = -1, left = 40, right = -1;
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 40; ++x) {
        if (Alpha(canvas, x, y) < 0x80) continue;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
    SCOPED_TRACE(text);
    EXPECT_EQ(top, 4);      // cap top at baseline - 16
    EXPECT_EQ(bottom, 19);  // last row above the baseline
    EXPECT_GE(left, 4);
    EXPECT_LE(static_cast<float>(right + 1), 4 + width + 0.5f);
  }
}

TEST(ArtworkPalette, FewColoursArePreservedExactly) {
  Canvas canvas(16, 16);
  for (int i = 0; i < 200; ++i) {
    canvas.Blend(i % 16, i / 16, Hex(0x010203u * static_cast<std::uint32_t>(i)));
  }
  canvas.Fill(Rect(0, 13, 16, 16), Hex(0xFFFFFF));
  const IndexedImage image = Quantize(canvas);
  ASSERT_EQ(image.palette.size(), 256u);
  ASSERT_EQ(image.indices.size(), 256u);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      EXPECT_EQ(image.palette[image.indices[static_cast<std::size_t>(y * 16 + x)]],
                canvas.Argb(x, y) & 0xFFFFFF);
    }
  }
}

TEST(ArtworkPalette, ManyColoursStayCloseToTheOriginal) {
  Canvas canvas(96, 64);
  canvas.Fill(Rect(0, 0, 96, 64), Linear({0, 0}, Hex(0x0C2B5E), {96, 64}, Hex(0x6FE3E0)));
  canvas.Fill(Circle({40, 30}, 18), Hex(0xF5B335));
  const IndexedImage image = Quantize(canvas);
  std::set<std::uint8_t> used(image.indices.begin(), image.indices.end());
  EXPECT_GT(used.size(), 64u);
  int worst = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 96; ++x) {
      const std::uint32_t want = canvas.Argb(x, y);
      const std::uint32_t got = image.palette[image.indices[static_cast<std::size_t>(y * 96 + x)]];
      for (int shift : {0, 8, 16}) {
        const int d =
            static_cast<int>((want >> shift) & 0xFF) - static_cast<int>((got >> shift) & 0xFF);
        worst = std::max(worst, std::abs(d));
      }
    }
  }
  EXPECT_LE(worst, 24);
}

TEST(ArtworkPng, PreviewsReadBackPixelForPixel) {
  // Wide enough that the raw data needs several stored deflate blocks.
  Canvas canvas(150, 60);
  canvas.Fill(Rect(0, 0, 150, 60), Linear({0, 0}, Hex(0x102030), {150, 0}, Hex(0xF0E0D0)));
  canvas.Fill(Circle({75, 30}, 20), Hex(0x00FF00, 0.5f));
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("artwork_test_" + std::to_string(std::random_device{}()) + ".png");
  WritePng(canvas, file, 2);
  int width = 0, height = 0;
  const std::vector<std::uint8_t> pixels = ReadPng(file, &width, &height);
  std::filesystem::remove(file);
  ASSERT_EQ(width, 300);
  ASSERT_EQ(height, 120);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t argb = canvas.Argb(x / 2, y / 2);
      const std::uint8_t* p = &pixels[static_cast<std::size_t>((y * width + x) * 4)];
      const std::uint32_t read = static_cast<std::uint32_t>(p[3]) << 24 |
                                 static_cast<std::uint32_t>(p[0]) << 16 |
                                 static_cast<std::uint32_t>(p[1]) << 8 | p[2];
      ASSERT_EQ(read, argb) << x << "," << y;
    }
  }
}
