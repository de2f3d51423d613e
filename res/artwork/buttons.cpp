// The maker's logo and the small bitmap buttons of the settings pages and
// the signature pad.
#include <cmath>

#include "res/artwork/fonts.h"
#include "res/artwork/style.h"

namespace art {

namespace {

// The maker's logo: a hexagon mark with a V, then the name.
Picture Logo() {
  Canvas logo(72, 22, colour::kWhite);
  const Vec c{10.5f, 11};
  std::vector<Vec> hexagon;
  for (int i = 0; i < 6; ++i) {
    const float a = (60.0f * static_cast<float>(i) - 90.0f) * 3.14159265f / 180;
    hexagon.push_back({c.x + 9.6f * std::cos(a), c.y + 10.2f * std::sin(a)});
  }
  const Shape mark = Grow(Polygon(hexagon), -0.6f);
  logo.Fill(mark, Linear({2, 1}, colour::kSky, {16, 21}, colour::kTeal));
  logo.Fill(Intersect(Outline(mark, 2.0f), Grow(mark, 0.0f)), Shade(colour::kBlue, 0.3f));
  logo.Fill(Stroke({{6.3f, 6.5f}, {10.5f, 15.5f}, {14.7f, 6.5f}}, 2.2f), colour::kWhite);
  const StrokeStyle style{10.0f, 1.75f, -0.2f};
  logo.Fill(StrokeText("Vexlund", {23.0f, 15.5f}, style), colour::kInk);
  return {794, Format::kBitmap24, "logo: Vexlund hexagon mark and name", std::move(logo)};
}

Canvas RoundButton() {
  Canvas button(20, 20, colour::kWhite);
  const Shape disc = Circle({10, 10}, 9.3f);
  Shadow(button, Circle({10, 9.6f}, 8.8f), 0.25f);
  Plate(button, disc, Hex(0x27C2BE), Shade(colour::kBlue, 0.1f), Shade(colour::kBlue, 0.45f));
  button.Fill(Ellipse({10, 5.2f}, 6.0f, 2.6f), Solid(colour::kWhite), 0.22f);
  return button;
}

Picture PlayButton() {
  Canvas button = RoundButton();
  button.Fill(Grow(Polygon({{7.6f, 5.6f}, {14.8f, 10}, {7.6f, 14.4f}}), 0.3f), colour::kWhite);
  return {787, Format::kBitmap24, "alarm test: play (round teal button, white triangle)",
          std::move(button)};
}

Picture StopButton() {
  Canvas button = RoundButton();
  button.Fill(RoundRect(6.3f, 6.3f, 13.7f, 13.7f, 1.0f), colour::kWhite);
  return {788, Format::kBitmap24, "alarm test: stop (round teal button, white square)",
          std::move(button)};
}

// The signature pad's "Clear": an eraser and the word on a small key.
Picture SignatureClear() {
  Canvas button(54, 14, colour::kWhite);
  const Shape face = RoundRect(0.5f, 0.5f, 53.5f, 13.5f, 3.5f);
  Plate(button, face, colour::kKeyTop, colour::kKeyBottom, colour::kKeyEdge);
  const float left = 11.5f;
  const Shape eraser = Polygon({{left, 9}, {left + 5, 3.5f}, {left + 9.5f, 7.5f}, {left + 5, 12}});
  button.Fill(eraser, Linear({0, 3}, Hex(0xFF8A7A), {0, 12}, colour::kCoral));
  button.Fill(Polygon({{left, 9}, {left + 2.6f, 6.3f}, {left + 6.8f, 10.3f}, {left + 5, 12}}),
              colour::kWhite);
  button.Fill(Outline(eraser, 1.0f), Shade(colour::kCoral, 0.45f));
  PixelText(button, 26, 3, "Clear", colour::kInk);
  return {2009, Format::kBitmap24, "signature pad Clear: eraser and the word \"Clear\"",
          std::move(button)};
}

}  // namespace

std::vector<Picture> DrawButtons() {
  std::vector<Picture> pictures;
  pictures.push_back(PlayButton());
  pictures.push_back(StopButton());
  pictures.push_back(Logo());
  pictures.push_back(SignatureClear());
  return pictures;
}

}  // namespace art
