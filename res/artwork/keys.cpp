// The symbol pad's keys: ten objects (set 0), ten pictures (set 1), the
// correction and clear keys and the set switch.
#include <cmath>
#include <string>

#include "res/artwork/style.h"

namespace art {

namespace {

constexpr int kKey = 32;                // picture keys are square
constexpr int kFunctionKeyHeight = 28;  // CE and CL sit closer together than the picture keys

Canvas BlankKey(int width, int height) {
  Canvas key(width, height, colour::kWhite);
  KeyFace(key, 0, 0, static_cast<float>(width), static_cast<float>(height));
  return key;
}

Picture ObjectKey(int n) {
  Canvas key = BlankKey(kKey, kKey);
  ObjectSymbol(key, n, {6.0f, 5.5f}, 20.0f);
  return {550u + static_cast<unsigned>(n), Format::kBitmap24,
          std::string("symbol key, set 0: ") + ObjectSymbolName(n), std::move(key)};
}

Picture PictureKey(int n) {
  Canvas key = BlankKey(kKey, kKey);
  PictureSymbol(key, n, {6.0f, 5.5f}, 20.0f);
  return {561u + static_cast<unsigned>(n), Format::kBitmap24,
          std::string("symbol key, set 1: ") + PictureSymbolName(n), std::move(key)};
}

// CE: a backspace tag with a cross.
Picture CorrectionKey() {
  Canvas key = BlankKey(kKey, kFunctionKeyHeight);
  const float top = 7.5f, bottom = 19.5f, mid = (top + bottom) / 2;
  const Shape tag = RoundRect(12, top, 26, bottom, 2.0f);
  const Shape point = Polygon({{13, top}, {13, bottom}, {6, mid}});
  key.Fill(Union(tag, point), Linear({0, top}, colour::kBlue, {0, bottom}, colour::kInk));
  key.Fill(Stroke({{15.5f, mid - 3.2f}, {21.9f, mid + 3.2f}}, 1.7f), colour::kWhite);
  key.Fill(Stroke({{15.5f, mid + 3.2f}, {21.9f, mid - 3.2f}}, 1.7f), colour::kWhite);
  return {548, Format::kBitmap24, "symbol pad CE: backspace tag, deletes the last symbol",
          std::move(key)};
}

// CL: a waste bin, the whole entry goes.
Picture ClearKey() {
  Canvas key = BlankKey(kKey, kFunctionKeyHeight);
  const Paint ink = Linear({0, 6}, colour::kBlue, {0, 22}, colour::kInk);
  key.Fill(Polygon({{10.5f, 10}, {21.5f, 10}, {20.3f, 22}, {11.7f, 22}}), ink);
  key.Fill(RoundRect(9, 7, 23, 9.2f, 0.8f), ink);
  key.Fill(RoundRect(13.5f, 5, 18.5f, 7.5f, 1.0f), ink);
  for (float x : {13.7f, 16.0f, 18.3f}) {
    key.Fill(Stroke({{x, 12.5f}, {x, 19.5f}}, 1.1f), WithAlpha(colour::kWhite, 0.85f));
  }
  return {549, Format::kBitmap24, "symbol pad CL: waste bin, clears the entry", std::move(key)};
}

// X: two arrows chasing each other, the other symbol set.
Picture SwitchKey() {
  Canvas key(24, 24, colour::kWhite);
  KeyFace(key, 0, 0, 24, 24);
  const Vec c{12, 11.5f};
  const Paint ink = Linear({0, 4}, colour::kTeal, {0, 19}, Shade(colour::kTeal, 0.35f));
  for (int half = 0; half < 2; ++half) {
    const float start = half == 0 ? 200.0f : 20.0f;
    key.Fill(Stroke(Arc(c, 6.0f, 6.0f, start, start + 120, 16), 2.0f), ink);
    const float tip = (start + 140) * 3.14159265f / 180;
    const float back = (start + 112) * 3.14159265f / 180;
    const Vec p{c.x + 6 * std::cos(tip), c.y + 6 * std::sin(tip)};
    const Vec q{c.x + 3.2f * std::cos(back), c.y + 3.2f * std::sin(back)};
    const Vec r{c.x + 8.8f * std::cos(back), c.y + 8.8f * std::sin(back)};
    key.Fill(Polygon({p, q, r}), ink);
  }
  return {789, Format::kBitmap24, "symbol pad X: circling arrows, switches the symbol set",
          std::move(key)};
}

}  // namespace

std::vector<Picture> DrawKeys() {
  std::vector<Picture> keys;
  keys.push_back(CorrectionKey());
  keys.push_back(ClearKey());
  for (int n = 0; n < 10; ++n) keys.push_back(ObjectKey(n));
  for (int n = 0; n < 10; ++n) keys.push_back(PictureKey(n));
  keys.push_back(SwitchKey());
  return keys;
}

}  // namespace art
