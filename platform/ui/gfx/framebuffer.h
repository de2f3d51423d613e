// Pixel surfaces and the raster operations the drawing calls are built on.
// Pixels are 0x00RRGGBB, rows top down without padding. Every operation
// takes rectangles already clipped to the surface by the caller (see
// ClipList), so the inner loops carry no bounds checks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/ui/gfx/gdi.h"

namespace platform::ui::gdi {

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  bool Empty() const { return right <= left || bottom <= top; }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
};

inline Rect Intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}
inline Rect FromRECT(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

// COLORREF is 0x00BBGGRR; pixels are 0x00RRGGBB.
constexpr std::uint32_t ToPixel(COLORREF c) {
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr COLORREF ToColorRef(std::uint32_t p) {
  return ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

struct Surface {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;

  Rect Bounds() const { return {0, 0, width, height}; }
  std::uint32_t* Row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * width; }
};

// A visible area as disjoint rectangles (usually one). Drawing is done once
// per rectangle.
class ClipList {
 public:
  ClipList() = default;
  explicit ClipList(const Rect& r) {
    if (!r.Empty()) rects_.push_back(r);
  }
  const std::vector<Rect>& Rects() const { return rects_; }
  bool Empty() const { return rects_.empty(); }
  bool Contains(int x, int y) const {
    for (const Rect& r : rects_) {
      if (r.Contains(x, y)) return true;
    }
    return false;
  }
  void IntersectWith(const Rect& r);
  void Subtract(const Rect& r);

 private:
  std::vector<Rect> rects_;
};

void Fill(const Surface& s, const Rect& r, std::uint32_t pixel);
void Invert(const Surface& s, const Rect& r, std::uint32_t mask = 0xFFFFFF);
// Blends `pixel` through an 8-bit coverage mask whose top-left lands on
// (x, y); only the part inside `clip` is touched.
void BlendMask(const Surface& s, const Rect& clip, int x, int y, const std::uint8_t* mask,
               int maskWidth, int maskHeight, std::uint32_t pixel);
// Blends 0xAARRGGBB pixels (straight alpha) with top-left at (x, y).
void BlendArgb(const Surface& s, const Rect& clip, int x, int y, const std::uint32_t* argb,
               int width, int height);

// Mixes two pixels: `alpha` 0 gives `under`, 255 gives `over`.
inline std::uint32_t Mix(std::uint32_t under, std::uint32_t over, unsigned alpha) {
  const unsigned inv = 255 - alpha;
  const unsigned rb = ((over & 0xFF00FFu) * alpha + (under & 0xFF00FFu) * inv + 0x800080u);
  const unsigned g = ((over & 0x00FF00u) * alpha + (under & 0x00FF00u) * inv + 0x008000u);
  // Divide each channel by 255 with the (x + (x >> 8)) >> 8 trick.
  const unsigned rbDiv = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
  const unsigned gDiv = ((g + ((g >> 8) & 0x00FF00u)) >> 8) & 0x00FF00u;
  return rbDiv | gDiv;
}

}  // namespace platform::ui::gdi
