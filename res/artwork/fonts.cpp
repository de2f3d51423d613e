#include "res/artwork/fonts.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace art {

namespace {

// Rows top down separated by '|', '#' for ink. Rows 0-6 stand on the
// baseline, rows 7-8 are descenders; lower case letters start at row 2.
struct PixelGlyph {
  char c;
  const char* rows;
};

// clang-format off
constexpr PixelGlyph kPixelGlyphs[] = {
    {' ', "..|..|..|..|..|..|.."},
    {'!', "#|#|#|#|#|.|#"},
    {'\'', "#|#|.|.|.|.|."},
    {'(', ".#|#.|#.|#.|#.|#.|.#"},
    {')', "#.|.#|.#|.#|.#|.#|#."},
    {',', ".|.|.|.|.|.|#|#"},
    {'-', "...|...|...|###|...|...|..."},
    {'.', ".|.|.|.|.|.|#"},
    {'/', "...#|..#.|..#.|.#..|.#..|#...|#..."},
    {'0', ".##.|#..#|#..#|#..#|#..#|#..#|.##."},
    {'1', ".#.|##.|.#.|.#.|.#.|.#.|###"},
    {'2', ".##.|#..#|...#|..#.|.#..|#...|####"},
    {'3', "###.|...#|...#|.##.|...#|...#|###."},
    {'4', "..#.|.##.|#.#.|#.#.|####|..#.|..#."},
    {'5', "####|#...|###.|...#|...#|#..#|.##."},
    {'6', ".##.|#...|#...|###.|#..#|#..#|.##."},
    {'7', "####|...#|..#.|..#.|.#..|.#..|.#.."},
    {'8', ".##.|#..#|#..#|.##.|#..#|#..#|.##."},
    {'9', ".##.|#..#|#..#|.###|...#|...#|.##."},
    {':', ".|.|#|.|.|.|#"},
    {'>', "...|#..|.#.|..#|.#.|#..|..."},
    {'?', ".##.|#..#|...#|..#.|.#..|....|.#.."},
    {'A', ".##.|#..#|#..#|####|#..#|#..#|#..#"},
    {'B', "###.|#..#|#..#|###.|#..#|#..#|###."},
    {'C', ".###|#...|#...|#...|#...|#...|.###"},
    {'D', "###.|#..#|#..#|#..#|#..#|#..#|###."},
    {'E', "####|#...|#...|###.|#...|#...|####"},
    {'F', "####|#...|#...|###.|#...|#...|#..."},
    {'G', ".###|#...|#...|#.##|#..#|#..#|.###"},
    {'H', "#..#|#..#|#..#|####|#..#|#..#|#..#"},
    {'I', "###|.#.|.#.|.#.|.#.|.#.|###"},
    {'J', "..##|...#|...#|...#|...#|#..#|.##."},
    {'K', "#..#|#..#|#.#.|##..|#.#.|#..#|#..#"},
    {'L', "#...|#...|#...|#...|#...|#...|####"},
    {'M', "#...#|##.##|#.#.#|#.#.#|#...#|#...#|#...#"},
    {'N', "#..#|##.#|##.#|#.##|#.##|#..#|#..#"},
    {'O', ".##.|#..#|#..#|#..#|#..#|#..#|.##."},
    {'P', "###.|#..#|#..#|###.|#...|#...|#..."},
    {'Q', ".##.|#..#|#..#|#..#|#..#|#.#.|.#.#"},
    {'R', "###.|#..#|#..#|###.|#.#.|#..#|#..#"},
    {'S', ".###|#...|#...|.##.|...#|...#|###."},
    {'T', "#####|..#..|..#..|..#..|..#..|..#..|..#.."},
    {'U', "#..#|#..#|#..#|#..#|#..#|#..#|.##."},
    {'V', "#...#|#...#|#...#|.#.#.|.#.#.|..#..|..#.."},
    {'W', "#...#|#...#|#...#|#.#.#|#.#.#|##.##|#...#"},
    {'X', "#...#|.#.#.|.#.#.|..#..|.#.#.|.#.#.|#...#"},
    {'Y', "#...#|.#.#.|.#.#.|..#..|..#..|..#..|..#.."},
    {'Z', "####|...#|..#.|.##.|.#..|#...|####"},
    {'a', "....|....|.##.|...#|.###|#..#|.###"},
    {'b', "#...|#...|###.|#..#|#..#|#..#|###."},
    {'c', "...|...|.##|#..|#..|#..|.##"},
    {'d', "...#|...#|.###|#..#|#..#|#..#|.###"},
    {'e', "....|....|.##.|#..#|####|#...|.###"},
    {'f', ".##|#..|###|#..|#..|#..|#.."},
    {'g', "....|....|.###|#..#|#..#|#..#|.###|...#|.##."},
    {'h', "#...|#...|###.|#..#|#..#|#..#|#..#"},
    {'i', "#|.|#|#|#|#|#"},
    {'j', ".#|..|.#|.#|.#|.#|.#|.#|#."},
    {'k', "#...|#...|#..#|#.#.|##..|#.#.|#..#"},
    {'l', "#|#|#|#|#|#|#"},
    {'m', ".....|.....|####.|#.#.#|#.#.#|#.#.#|#.#.#"},
    {'n', "....|....|###.|#..#|#..#|#..#|#..#"},
    {'o', "....|....|.##.|#..#|#..#|#..#|.##."},
    {'p', "....|....|###.|#..#|#..#|#..#|###.|#...|#..."},
    {'q', "....|....|.###|#..#|#..#|#..#|.###|...#|...#"},
    {'r', "...|...|#.#|##.|#..|#..|#.."},
    {'s', "...|...|.##|#..|.#.|..#|##."},
    {'t', ".#.|.#.|###|.#.|.#.|.#.|..#"},
    {'u', "....|....|#..#|#..#|#..#|#..#|.###"},
    {'v', "...|...|#.#|#.#|#.#|#.#|.#."},
    {'w', ".....|.....|#...#|#...#|#.#.#|#.#.#|.#.#."},
    {'x', "...|...|#.#|#.#|.#.|#.#|#.#"},
    {'y', "....|....|#..#|#..#|#..#|#..#|.###|...#|.##."},
    {'z', "....|....|####|..#.|.#..|#...|####"},
};
// clang-format on

std::vector<std::string> Rows(const PixelGlyph& glyph) {
  std::vector<std::string> rows;
  std::string row;
  for (const char* p = glyph.rows;; ++p) {
    if (*p == '|' || *p == 0) {
      rows.push_back(row);
      row.clear();
      if (*p == 0) break;
    } else {
      row += *p;
    }
  }
  return rows;
}

const PixelGlyph& PixelGlyphOf(char c) {
  for (const PixelGlyph& glyph : kPixelGlyphs) {
    if (glyph.c == c) return glyph;
  }
  throw std::runtime_error(std::string("pixel font has no glyph for '") + c + "'");
}

int GlyphWidth(const PixelGlyph& glyph) {
  return static_cast<int>(Rows(glyph).front().size());
}

// A stroke glyph: paths in a box whose cap height is 1 (y down, baseline
// at 1, x-height at 0.32, descenders to 1.3), and its advance width.
struct StrokeGlyph {
  float width = 0;
  std::vector<std::vector<Vec>> paths;
};

constexpr float kX = 0.32f;  // top of the x-height

std::vector<Vec> Line(std::initializer_list<Vec> points) {
  return std::vector<Vec>(points);
}

std::vector<Vec> Then(std::vector<Vec> path, const std::vector<Vec>& more) {
  return Joined(std::move(path), more);
}

StrokeGlyph Turned(StrokeGlyph glyph) {
  for (auto& path : glyph.paths) {
    for (Vec& p : path) p = {glyph.width - p.x, 1.0f - p.y};
  }
  return glyph;
}

StrokeGlyph StrokeGlyphOf(char c) {
  switch (c) {
    case '0':
      return {0.62f, {Arc({0.31f, 0.5f}, 0.31f, 0.5f, 0, 360, 40)}};
    case '1':
      return {0.42f, {Line({{0.02f, 0.2f}, {0.3f, 0.0f}, {0.3f, 1.0f}})}};
    case '2':
      return {0.6f,
              {Then(Arc({0.29f, 0.28f}, 0.27f, 0.28f, 190, 380, 20),
                    Line({{0.0f, 1.0f}, {0.6f, 1.0f}}))}};
    case '3':
      return {0.58f,
              {Arc({0.27f, 0.25f}, 0.25f, 0.25f, 200, 450, 24),
               Arc({0.27f, 0.74f}, 0.29f, 0.26f, 270, 520, 24)}};
    case '4':
      return {0.62f, {Line({{0.46f, 1.0f}, {0.46f, 0.0f}, {0.0f, 0.68f}, {0.62f, 0.68f}})}};
    case '5':
      return {0.6f,
              {Then(Line({{0.54f, 0.0f}, {0.1f, 0.0f}}),
                    Arc({0.29f, 0.68f}, 0.3f, 0.32f, 215, 495, 28))}};
    case '6':
      return {0.62f,
              {Arc({0.31f, 0.69f}, 0.3f, 0.31f, 0, 360, 32),
               Arc({0.78f, 0.69f}, 0.77f, 0.69f, 180, 252, 16)}};
    case '7':
      return {0.58f, {Line({{0.0f, 0.0f}, {0.58f, 0.0f}, {0.18f, 1.0f}})}};
    case '8':
      return {0.6f,
              {Arc({0.3f, 0.245f}, 0.24f, 0.245f, 0, 360, 32),
               Arc({0.3f, 0.735f}, 0.3f, 0.265f, 0, 360, 32)}};
    case '9':
      return Turned(StrokeGlyphOf('6'));
    case 'A':
      return {0.7f,
              {Line({{0.0f, 1.0f}, {0.35f, 0.0f}, {0.7f, 1.0f}}),
               Line({{0.12f, 0.66f}, {0.58f, 0.66f}})}};
    case 'C':
      return {0.68f, {Arc({0.38f, 0.5f}, 0.38f, 0.5f, 40, 320, 32)}};
    case 'D':
      return {0.66f,
              {Then(Line({{0.26f, 1.0f}, {0.0f, 1.0f}, {0.0f, 0.0f}, {0.26f, 0.0f}}),
                    Arc({0.26f, 0.5f}, 0.4f, 0.5f, 270, 450, 24))}};
    case 'E':
      return {0.5f,
              {Line({{0.5f, 0.0f}, {0.0f, 0.0f}, {0.0f, 1.0f}, {0.5f, 1.0f}}),
               Line({{0.0f, 0.5f}, {0.42f, 0.5f}})}};
    case 'L':
      return {0.48f, {Line({{0.0f, 0.0f}, {0.0f, 1.0f}, {0.48f, 1.0f}})}};
    case 'N':
      return {0.62f, {Line({{0.0f, 1.0f}, {0.0f, 0.0f}, {0.62f, 1.0f}, {0.62f, 0.0f}})}};
    case 'P':
      return {0.56f,
              {Then(Line({{0.0f, 1.0f}, {0.0f, 0.0f}, {0.28f, 0.0f}}),
                    Then(Arc({0.28f, 0.27f}, 0.28f, 0.27f, 270, 450, 20), Line({{0.0f, 0.54f}})))}};
    case 'U':
      return {0.6f,
              {Then(Then(Line({{0.0f, 0.0f}}), Arc({0.3f, 0.7f}, 0.3f, 0.3f, 180, 0, 20)),
                    Line({{0.6f, 0.0f}}))}};
    case 'V':
      return {0.68f, {Line({{0.0f, 0.0f}, {0.34f, 1.0f}, {0.68f, 0.0f}})}};
    case 'X':
      return {0.62f, {Line({{0.0f, 0.0f}, {0.62f, 1.0f}}), Line({{0.62f, 0.0f}, {0.0f, 1.0f}})}};
    case 'd':
      return {
          0.58f,
          {Arc({0.29f, 0.66f}, 0.29f, 0.34f, 0, 360, 32), Line({{0.58f, 0.0f}, {0.58f, 1.0f}})}};
    case 'e':
      return {0.58f,
              {Then(Line({{0.0f, 0.66f}, {0.58f, 0.66f}}),
                    Arc({0.29f, 0.66f}, 0.29f, 0.34f, 360, 50, 28))}};
    case 'h':
      return {0.54f,
              {Line({{0.0f, 0.0f}, {0.0f, 1.0f}}),
               Then(Arc({0.27f, 0.6f}, 0.27f, 0.28f, 180, 360, 16), Line({{0.54f, 1.0f}}))}};
    case 'l':
      return {0.0f, {Line({{0.0f, 0.0f}, {0.0f, 1.0f}})}};
    case 'm':
      return {0.84f,
              {Line({{0.0f, kX}, {0.0f, 1.0f}}),
               Then(Arc({0.21f, 0.56f}, 0.21f, 0.24f, 180, 360, 14), Line({{0.42f, 1.0f}})),
               Then(Arc({0.63f, 0.56f}, 0.21f, 0.24f, 180, 360, 14), Line({{0.84f, 1.0f}}))}};
    case 'n':
      return {0.54f,
              {Line({{0.0f, kX}, {0.0f, 1.0f}}),
               Then(Arc({0.27f, 0.6f}, 0.27f, 0.28f, 180, 360, 16), Line({{0.54f, 1.0f}}))}};
    case 'o':
      return {0.6f, {Arc({0.3f, 0.66f}, 0.3f, 0.34f, 0, 360, 32)}};
    case 'r':
      return {0.36f,
              {Line({{0.0f, kX}, {0.0f, 1.0f}}), Arc({0.34f, 0.68f}, 0.34f, 0.36f, 180, 272, 12)}};
    case 'u':
      return {0.54f,
              {Then(Line({{0.0f, kX}}), Arc({0.27f, 0.72f}, 0.27f, 0.28f, 180, 0, 16)),
               Line({{0.54f, kX}, {0.54f, 1.0f}})}};
    case 'x':
      return {0.54f, {Line({{0.0f, kX}, {0.54f, 1.0f}}), Line({{0.54f, kX}, {0.0f, 1.0f}})}};
    case 'y':
      return {
          0.58f,
          {Line({{0.0f, kX}, {0.3f, 0.98f}}), Line({{0.58f, kX}, {0.22f, 1.3f}, {0.06f, 1.3f}})}};
    case ' ':
      return {0.3f, {}};
    default:
      throw std::runtime_error(std::string("stroke font has no glyph for '") + c + "'");
  }
}

// Gap between letters, in cap heights, on top of the stroke width.
constexpr float kLetterGap = 0.16f;

}  // namespace

int PixelText(Canvas& canvas, int x, int y, std::string_view text, Rgba colour, int scale) {
  int pen = x;
  for (char c : text) {
    const PixelGlyph& glyph = PixelGlyphOf(c);
    const std::vector<std::string> rows = Rows(glyph);
    for (std::size_t row = 0; row < rows.size(); ++row) {
      for (std::size_t column = 0; column < rows[row].size(); ++column) {
        if (rows[row][column] != '#') continue;
        for (int dy = 0; dy < scale; ++dy) {
          for (int dx = 0; dx < scale; ++dx) {
            canvas.Blend(pen + static_cast<int>(column) * scale + dx,
                         y + static_cast<int>(row) * scale + dy, colour);
          }
        }
      }
    }
    pen += (GlyphWidth(glyph) + 1) * scale;
  }
  return pen - x - (text.empty() ? 0 : scale);
}

int PixelTextWidth(std::string_view text, int scale) {
  int width = 0;
  for (char c : text) width += (GlyphWidth(PixelGlyphOf(c)) + 1) * scale;
  return text.empty() ? 0 : width - scale;
}

Shape StrokeText(std::string_view text, Vec origin, const StrokeStyle& style) {
  const float size = style.capHeight - style.weight;  // the stroke's centre line spans this
  const float half = style.weight / 2;
  std::vector<Shape> strokes;
  float pen = origin.x + half;
  for (char c : text) {
    const StrokeGlyph glyph = StrokeGlyphOf(c);
    for (const auto& path : glyph.paths) {
      std::vector<Vec> placed;
      for (const Vec& p : path) {
        placed.push_back({pen + p.x * size, origin.y - half - (1.0f - p.y) * size});
      }
      strokes.push_back(Stroke(std::move(placed), style.weight));
    }
    pen += glyph.width * size + style.weight + kLetterGap * style.capHeight + style.tracking;
  }
  if (strokes.empty()) return Rect(0, 0, 0, 0);
  Shape all = strokes.front();
  for (std::size_t i = 1; i < strokes.size(); ++i) all = Union(std::move(all), strokes[i]);
  return all;
}

float StrokeTextWidth(std::string_view text, const StrokeStyle& style) {
  const float size = style.capHeight - style.weight;
  float width = 0;
  for (char c : text) {
    width += StrokeGlyphOf(c).width * size + style.weight + kLetterGap * style.capHeight +
             style.tracking;
  }
  return text.empty() ? 0 : width - kLetterGap * style.capHeight - style.tracking;
}

}  // namespace art
