#include "platform/ui/gfx/framebuffer.h"

#include <algorithm>
#include <cstring>

namespace platform::ui::gdi {

void ClipList::IntersectWith(const Rect& r) {
  std::vector<Rect> kept;
  for (const Rect& own : rects_) {
    const Rect both = Intersect(own, r);
    if (!both.Empty()) kept.push_back(both);
  }
  rects_ = std::move(kept);
}

void ClipList::Subtract(const Rect& cut) {
  std::vector<Rect> kept;
  for (const Rect& r : rects_) {
    const Rect hole = Intersect(r, cut);
    if (hole.Empty()) {
      kept.push_back(r);
      continue;
    }
    // Up to four pieces: the bands above and below the hole, then the parts
    // left and right of it.
    if (r.top < hole.top) kept.push_back({r.left, r.top, r.right, hole.top});
    if (hole.bottom < r.bottom) kept.push_back({r.left, hole.bottom, r.right, r.bottom});
    if (r.left < hole.left) kept.push_back({r.left, hole.top, hole.left, hole.bottom});
    if (hole.right < r.right) kept.push_back({hole.right, hole.top, r.right, hole.bottom});
  }
  rects_ = std::move(kept);
}

void Fill(const Surface& s, const Rect& r, std::uint32_t pixel) {
  if (r.Empty()) return;
  std::uint32_t* first = s.Row(r.top) + r.left;
  std::fill(first, first + r.Width(), pixel);
  // The other rows copy the first: a row is one bulk copy, where a store per
  // pixel is what painting spent most of its time on in checked builds.
  const std::size_t bytes = static_cast<std::size_t>(r.Width()) * sizeof pixel;
  for (int y = r.top + 1; y < r.bottom; ++y) std::memcpy(s.Row(y) + r.left, first, bytes);
}

void Invert(const Surface& s, const Rect& r, std::uint32_t mask) {
  for (int y = r.top; y < r.bottom; ++y) {
    std::uint32_t* row = s.Row(y);
    for (int x = r.left; x < r.right; ++x) row[x] ^= mask;
  }
}

void BlendMask(const Surface& s, const Rect& clip, int x, int y, const std::uint8_t* mask,
               int maskWidth, int maskHeight, std::uint32_t pixel) {
  const Rect area = Intersect(clip, {x, y, x + maskWidth, y + maskHeight});
  for (int row = area.top; row < area.bottom; ++row) {
    const std::uint8_t* m = mask + static_cast<std::ptrdiff_t>(row - y) * maskWidth;
    std::uint32_t* out = s.Row(row);
    for (int col = area.left; col < area.right; ++col) {
      const unsigned a = m[col - x];
      if (a == 0) continue;
      out[col] = a == 255 ? pixel : Mix(out[col], pixel, a);
    }
  }
}

void BlendArgb(const Surface& s, const Rect& clip, int x, int y, const std::uint32_t* argb,
               int width, int height) {
  const Rect area = Intersect(clip, {x, y, x + width, y + height});
  for (int row = area.top; row < area.bottom; ++row) {
    const std::uint32_t* in = argb + static_cast<std::ptrdiff_t>(row - y) * width;
    std::uint32_t* out = s.Row(row);
    for (int col = area.left; col < area.right; ++col) {
      const std::uint32_t p = in[col - x];
      const unsigned a = p >> 24;
      if (a == 0) continue;
      out[col] = a == 255 ? (p & 0xFFFFFFu) : Mix(out[col], p & 0xFFFFFFu, a);
    }
  }
}

}  // namespace platform::ui::gdi
