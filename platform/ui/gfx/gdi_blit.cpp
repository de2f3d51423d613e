// BitBlt and StretchBlt between memory DCs, window DCs and the screen.
// Only the plain copy is drawn: no caller combines pictures.
#include <algorithm>
#include <vector>

#include "platform/ui/gfx/gdi_internal.h"

namespace platform::ui::gdi {
namespace {

// Source pixels: `readable` (surface coordinates) may be read; pixel (x, y)
// is at pixels[(y - top) * stride + (x - left)].
struct Source {
  const std::uint32_t* pixels = nullptr;
  int stride = 0;
  int left = 0;
  int top = 0;
  Rect readable;
};

void Run(const Surface& dst, const Rect& part, int x0, int y0, const std::vector<int>& columns,
         const std::vector<int>& rows, const Source& src) {
  for (int y = part.top; y < part.bottom; ++y) {
    const int row = rows[static_cast<std::size_t>(y - y0)];
    if (row < src.readable.top || row >= src.readable.bottom) continue;
    const std::uint32_t* in = src.pixels + static_cast<std::ptrdiff_t>(row - src.top) * src.stride;
    std::uint32_t* out = dst.Row(y);
    for (int x = part.left; x < part.right; ++x) {
      const int column = columns[static_cast<std::size_t>(x - x0)];
      if (column < src.readable.left || column >= src.readable.right) continue;
      out[x] = in[column - src.left];
    }
  }
}

BOOL Blit(HDC destHandle, int x, int y, int width, int height, HDC sourceHandle, int sx, int sy,
          int sourceWidth, int sourceHeight, DWORD rop) {
  auto dest = FindDc(destHandle);
  auto source = FindDc(sourceHandle);
  if (!dest || !source || rop != SRCCOPY || width < 0 || height < 0 || sourceWidth < 0 ||
      sourceHeight < 0) {
    return FALSE;
  }
  if (width == 0 || height == 0 || sourceWidth == 0 || sourceHeight == 0) return TRUE;
  const Rect target = Rect{x, y, x + width, y + height}.Offset(dest->originX, dest->originY);

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
    Run(dest->surface, part, target.left, target.top, columns, rows, src);
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
