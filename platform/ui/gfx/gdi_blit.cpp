// BitBlt and StretchBlt between memory DCs, window DCs and the screen,
// with any ternary raster operation.
#include <algorithm>
#include <vector>

#include "platform/ui/gfx/gdi_internal.h"

namespace platform::ui::gdi {
namespace {

// The ternary raster operation `code` (bit i of it is the result for
// pattern, source and destination bits P*4 + S*2 + D = i), bit-parallel.
std::uint32_t Rop3(unsigned code, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  std::uint32_t result = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if (((code >> i) & 1u) == 0) continue;
    result |= ((i & 4u) ? p : ~p) & ((i & 2u) ? s : ~s) & ((i & 1u) ? d : ~d);
  }
  return result & 0xFFFFFFu;
}

bool UsesSource(unsigned code) {
  return ((code >> 2) & 0x33u) != (code & 0x33u);
}

// Source pixels: `readable` (surface coordinates) may be read; pixel (x, y)
// is at pixels[(y - top) * stride + (x - left)].
struct Source {
  const std::uint32_t* pixels = nullptr;
  int stride = 0;
  int left = 0;
  int top = 0;
  Rect readable;
};

template <typename Op>
void Run(const Surface& dst, const Rect& part, int x0, int y0, const std::vector<int>& columns,
         const std::vector<int>& rows, const Source& src, Op op) {
  for (int y = part.top; y < part.bottom; ++y) {
    const int row = rows[static_cast<std::size_t>(y - y0)];
    if (row < src.readable.top || row >= src.readable.bottom) continue;
    const std::uint32_t* in = src.pixels + static_cast<std::ptrdiff_t>(row - src.top) * src.stride;
    std::uint32_t* out = dst.Row(y);
    for (int x = part.left; x < part.right; ++x) {
      const int column = columns[static_cast<std::size_t>(x - x0)];
      if (column < src.readable.left || column >= src.readable.right) continue;
      out[x] = op(in[column - src.left], out[x]);
    }
  }
}

template <typename Op>
void RunNoSource(const Surface& dst, const Rect& part, Op op) {
  for (int y = part.top; y < part.bottom; ++y) {
    std::uint32_t* out = dst.Row(y);
    for (int x = part.left; x < part.right; ++x) out[x] = op(out[x]);
  }
}

BOOL Blit(HDC destHandle, int x, int y, int width, int height, HDC sourceHandle, int sx, int sy,
          int sourceWidth, int sourceHeight, DWORD rop) {
  auto dest = FindDc(destHandle);
  if (!dest || width < 0 || height < 0 || sourceWidth < 0 || sourceHeight < 0) return FALSE;
  const unsigned code = (rop >> 16) & 0xFFu;
  const bool needsSource = UsesSource(code);
  auto source = needsSource ? FindDc(sourceHandle) : nullptr;
  if (needsSource && !source) return FALSE;
  if (width == 0 || height == 0) return TRUE;
  const std::uint32_t pattern =
      dest->brush && !dest->brush->hollow ? dest->brush->pixel : 0xFFFFFFu;

  const Rect target = Rect{x, y, x + width, y + height}.Offset(dest->originX, dest->originY);
  if (!needsSource) {
    for (const Rect& clip : dest->clip.Rects()) {
      const Rect part = Intersect(clip, target);
      if (part.Empty()) continue;
      switch (code) {
        case 0xF0:
          Fill(dest->surface, part, pattern);
          break;
        case 0x00:
          Fill(dest->surface, part, 0);
          break;
        case 0xFF:
          Fill(dest->surface, part, 0xFFFFFFu);
          break;
        default:
          RunNoSource(dest->surface, part,
                      [&](std::uint32_t d) { return Rop3(code, pattern, 0, d); });
      }
    }
    return TRUE;
  }
  if (sourceWidth == 0 || sourceHeight == 0) return TRUE;

  // Surface coordinates of the source pixel each destination column and
  // row takes (nearest neighbour, sampled at pixel centres).
  const int sourceLeft = sx + source->originX;
  const int sourceTop = sy + source->originY;
  std::vector<int> columns(static_cast<std::size_t>(width));
  std::vector<int> rows(static_cast<std::size_t>(height));
  for (int i = 0; i < width; ++i) {
    columns[static_cast<std::size_t>(i)] =
        sourceLeft + static_cast<int>((2LL * i + 1) * sourceWidth / (2LL * width));
  }
  for (int i = 0; i < height; ++i) {
    rows[static_cast<std::size_t>(i)] =
        sourceTop + static_cast<int>((2LL * i + 1) * sourceHeight / (2LL * height));
  }

  // The readable part of the source; a copy of it when source and
  // destination share pixels, so overlapping blits read the old picture.
  const Rect readable =
      Intersect(Rect{sourceLeft, sourceTop, sourceLeft + sourceWidth, sourceTop + sourceHeight},
                source->surface.Bounds());
  if (readable.Empty()) return TRUE;
  Source src{source->surface.pixels, source->surface.width, 0, 0, readable};
  std::vector<std::uint32_t> copy;
  if (source->surface.pixels == dest->surface.pixels) {
    copy.resize(static_cast<std::size_t>(readable.Width()) * readable.Height());
    for (int row = readable.top; row < readable.bottom; ++row) {
      std::copy(source->surface.Row(row) + readable.left, source->surface.Row(row) + readable.right,
                copy.begin() + static_cast<std::ptrdiff_t>(row - readable.top) * readable.Width());
    }
    src = Source{copy.data(), readable.Width(), readable.left, readable.top, readable};
  }
  for (const Rect& clip : dest->clip.Rects()) {
    const Rect part = Intersect(clip, target);
    if (part.Empty()) continue;
    auto run = [&](auto op) {
      Run(dest->surface, part, target.left, target.top, columns, rows, src, op);
    };
    switch (code) {
      case 0xCC:
        run([](std::uint32_t s, std::uint32_t) { return s; });
        break;
      case 0x88:
        run([](std::uint32_t s, std::uint32_t d) { return s & d; });
        break;
      case 0xEE:
        run([](std::uint32_t s, std::uint32_t d) { return s | d; });
        break;
      case 0x66:
        run([](std::uint32_t s, std::uint32_t d) { return s ^ d; });
        break;
      case 0x33:
        run([](std::uint32_t s, std::uint32_t) { return ~s & 0xFFFFFFu; });
        break;
      default:
        run([&](std::uint32_t s, std::uint32_t d) { return Rop3(code, pattern, s, d); });
    }
  }
  return TRUE;
}

}  // namespace
}  // namespace platform::ui::gdi

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
  return platform::ui::gdi::Blit(dest, x, y, width, height, source, sx, sy, width, height, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy,
                int sourceWidth, int sourceHeight, DWORD rop) {
  return platform::ui::gdi::Blit(dest, x, y, width, height, source, sx, sy, sourceWidth,
                                 sourceHeight, rop);
}
