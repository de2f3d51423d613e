// The three logon banners, 227 x 60: the product's name and mark on a
// blue-to-teal band, with the motif of the logon method on the right.
#include <cmath>
#include <string>

#include "res/artwork/fonts.h"
#include "res/artwork/style.h"

namespace art {

namespace {

using namespace colour;

constexpr int kWidth = 227;
constexpr int kHeight = 60;
constexpr float kMotifLeft = 166;

Canvas Background() {
  Canvas banner(kWidth, kHeight, kNavy);
  banner.Fill(Rect(0, 0, kWidth, kHeight),
              Linear({0, 0}, Hex(0x0C2B5E), {kWidth, kHeight}, Hex(0x0C8C9A)));
  // Soft light from the upper right, and two large rings for depth.
  banner.Fill(Rect(0, 0, kWidth, kHeight),
              Radial({190, 6}, 120, WithAlpha(kAqua, 0.28f), WithAlpha(kAqua, 0.0f)));
  banner.Fill(Outline(Circle({196, 66}, 58), 10.0f), Solid(kWhite), 0.05f);
  banner.Fill(Outline(Circle({20, -30}, 62), 6.0f), Solid(kWhite), 0.04f);
  // A fine dot grid that fades out towards the name.
  for (int y = 4; y < kHeight; y += 6) {
    for (int x = 130; x < kWidth; x += 6) {
      const float fade = std::min(1.0f, static_cast<float>(x - 130) / 60.0f);
      banner.Fill(Circle({x + 0.5f, y + 0.5f}, 0.7f), Solid(kWhite), 0.12f * fade);
    }
  }
  // A bright rule along the lower edge.
  banner.Fill(Rect(0, kHeight - 2, kWidth, kHeight), Linear({0, 0}, kTeal, {kWidth, 0}, kAqua));
  return banner;
}

void Title(Canvas& banner, const std::string& method) {
  ProductMark(banner, {9, 11}, 30);
  const StrokeStyle style{12.0f, 2.0f, -0.4f};
  const Shape name = StrokeText("Veyrholm PDA", {47, 25}, style);
  banner.Fill(Move(name, {0.6f, 1.2f}), Solid(Hex(0x061A3A)), 0.45f, 1.6f);
  banner.Fill(name, Linear({0, 13}, kWhite, {0, 25}, kMist));
  PixelText(banner, 48, 32, method, kAqua);
  PixelText(banner, 48, 43, "by Vexlund", WithAlpha(kWhite, 0.6f));
}

// A soft-keyboard and the masked field it types into.
void KeyboardMotif(Canvas& banner) {
  const float x0 = kMotifLeft, x1 = 221;
  const Shape field = RoundRect(x0 + 6, 7, x1 - 6, 17, 2.5f);
  banner.Fill(field, Solid(kWhite), 0.92f);
  for (int i = 0; i < 5; ++i) {
    banner.Fill(Circle({x0 + 13.5f + 6.0f * static_cast<float>(i), 12}, 1.6f), kInk);
  }
  banner.Fill(Stroke({{x0 + 44, 9.5f}, {x0 + 44, 14.5f}}, 1.0f), kTeal);
  const Shape board = RoundRect(x0, 21, x1, 53, 3.5f);
  banner.Fill(board, Solid(kWhite), 0.14f);
  banner.Fill(Outline(board, 1.0f), Solid(kWhite), 0.45f);
  const int columns[3] = {8, 7, 6};
  for (int row = 0; row < 3; ++row) {
    const float y = 24 + 7.0f * static_cast<float>(row);
    const float start = x0 + 3 + 3.2f * static_cast<float>(row);
    for (int k = 0; k < columns[row]; ++k) {
      const float x = start + 6.5f * static_cast<float>(k);
      const bool pressed = row == 1 && k == 3;
      banner.Fill(RoundRect(x, y, x + 5.2f, y + 5.3f, 1.0f), Solid(pressed ? kAqua : kWhite),
                  pressed ? 1.0f : 0.85f);
    }
  }
  banner.Fill(RoundRect(x0 + 14, 45, x1 - 14, 50.3f, 1.0f), Solid(kWhite), 0.85f);
}

// Four keys of the symbol pad with their pictures.
void SymbolMotif(Canvas& banner) {
  const int shown[4] = {2, 3, 6, 0};  // star, heart, fish, sun
  for (int i = 0; i < 4; ++i) {
    const float x = kMotifLeft + 2 + 26.0f * static_cast<float>(i % 2);
    const float y = 5 + 26.0f * static_cast<float>(i / 2);
    const Shape tile = RoundRect(x, y, x + 23, y + 23, 4.0f);
    Shadow(banner, tile, 0.35f);
    banner.Fill(tile, Linear({0, y}, kWhite, {0, y + 23}, Hex(0xD5E6F3)));
    PictureSymbol(banner, shown[i], {x + 3.5f, y + 3.5f}, 16);
  }
}

// A stylus finishing a signature on a line.
void PenMotif(Canvas& banner) {
  const float x0 = kMotifLeft - 4;
  banner.Fill(Stroke({{x0, 47}, {x0 + 54, 47}}, 1.0f), Solid(kWhite), 0.4f);
  std::vector<Vec> signature;
  Append(signature, Bezier({x0 + 2, 40}, {x0 + 6, 20}, {x0 + 12, 16}, {x0 + 11, 30}, 16));
  Append(signature, Bezier({x0 + 11, 30}, {x0 + 10, 44}, {x0 + 16, 44}, {x0 + 20, 32}, 16));
  Append(signature, Bezier({x0 + 20, 32}, {x0 + 23, 24}, {x0 + 26, 26}, {x0 + 25, 34}, 12));
  Append(signature, Bezier({x0 + 25, 34}, {x0 + 24, 41}, {x0 + 31, 40}, {x0 + 34, 31}, 12));
  Append(signature, Bezier({x0 + 34, 31}, {x0 + 36, 26}, {x0 + 39, 28}, {x0 + 38, 34}, 12));
  Append(signature, Bezier({x0 + 38, 34}, {x0 + 37, 40}, {x0 + 44, 38}, {x0 + 47, 33}, 12));
  banner.Fill(Stroke(signature, 1.8f), Linear({x0, 0}, kWhite, {x0 + 48, 0}, kAqua));
  // The stylus, its tip on the end of the stroke.
  const Vec tip{x0 + 47.5f, 32.5f}, end{x0 + 61, 3};
  const float length = std::hypot(end.x - tip.x, end.y - tip.y);
  const Vec d{(end.x - tip.x) / length, (end.y - tip.y) / length};
  const Vec n{-d.y, d.x};
  auto at = [&](float t, float side) { return tip + d * t + n * side; };
  const Shape barrel = Polygon({at(6, -2.6f), at(length, -2.6f), at(length, 2.6f), at(6, 2.6f)});
  Shadow(banner, barrel, 0.4f);
  banner.Fill(Polygon({at(0, 0), at(6, -2.6f), at(6, 2.6f)}), Hex(0xC9D4E2));
  banner.Fill(barrel, Linear(at(0, -2.6f), kWhite, at(0, 2.6f), Hex(0xB9CCE0)));
  banner.Fill(Polygon({at(6, -2.6f), at(12, -2.6f), at(12, 2.6f), at(6, 2.6f)}), kTeal);
}

Picture Banner(unsigned id, const std::string& method, void (*motif)(Canvas&),
               const std::string& what) {
  Canvas banner = Background();
  Title(banner, method);
  motif(banner);
  return {id, Format::kBitmap8, what, std::move(banner)};
}

}  // namespace

std::vector<Picture> DrawBanners() {
  std::vector<Picture> banners;
  banners.push_back(Banner(790, "Password logon", KeyboardMotif,
                           "password banner: name and mark, keyboard with a masked field"));
  banners.push_back(
      Banner(791, "Symbol logon", SymbolMotif, "symbol banner: name and mark, four picture keys"));
  banners.push_back(Banner(792, "Signature logon", PenMotif,
                           "signature banner: name and mark, stylus writing a signature"));
  return banners;
}

}  // namespace art
