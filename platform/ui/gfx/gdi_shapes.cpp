// Lines, rectangles, ellipses, polygons, fills, focus rectangles, 3-D edges
// and single pixels.
#include <algorithm>
#include <cmath>

#include "platform/ui/gfx/gdi_internal.h"

namespace platform::ui::gdi {
namespace {

std::shared_ptr<DeviceContext> Dc(HDC dc) {
  return FindDc(dc);
}

// One pixel in logical coordinates.
void Plot(DeviceContext& dc, int x, int y, std::uint32_t pixel) {
  x += dc.originX;
  y += dc.originY;
  if (dc.clip.Contains(x, y)) dc.surface.Row(y)[x] = pixel;
}

void InvertPixel(DeviceContext& dc, int x, int y) {
  x += dc.originX;
  y += dc.originY;
  if (dc.clip.Contains(x, y)) dc.surface.Row(y)[x] ^= 0xFFFFFFu;
}

bool PenVisible(const DeviceContext& dc) {
  return dc.pen && dc.pen->style != PS_NULL;
}

// A point of the pen: wide pens draw a square centred on it.
void PenDot(DeviceContext& dc, int x, int y) {
  const int width = dc.pen->width;
  if (width <= 1) {
    Plot(dc, x, y, dc.pen->pixel);
    return;
  }
  const int x0 = x - (width - 1) / 2;
  const int y0 = y - (width - 1) / 2;
  FillLogical(dc, {x0, y0, x0 + width, y0 + width}, dc.pen->pixel);
}

// Bresenham from (x0, y0) to (x1, y1), leaving out the last point as
// LineTo does. `step` carries the dash phase across segments.
void PenLine(DeviceContext& dc, int x0, int y0, int x1, int y1) {
  if (!PenVisible(dc)) return;
  const int dx = std::abs(x1 - x0);
  const int dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  int error = dx + dy;
  int step = 0;
  const bool dashed = dc.pen->style == PS_DASH;
  while (x0 != x1 || y0 != y1) {
    // Dashes: 6 pixels on, 3 off.
    if (!dashed || step % 9 < 6) PenDot(dc, x0, y0);
    ++step;
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x0 += sx;
    }
    if (twice <= dx) {
      error += dx;
      y0 += sy;
    }
  }
}

Rect Normalized(int left, int top, int right, int bottom) {
  return {std::min(left, right), std::min(top, bottom), std::max(left, right),
          std::max(top, bottom)};
}

// Horizontal extent [first, last] of the ellipse inscribed in `box` on row
// y, or first > last when the row misses it.
void EllipseSpan(const Rect& box, int y, int* first, int* last) {
  *first = 1;
  *last = 0;
  if (y < box.top || y >= box.bottom) return;
  const double a = box.Width() / 2.0;
  const double b = box.Height() / 2.0;
  const double cx = box.left + a;
  const double cy = box.top + b;
  const double dy = (y + 0.5 - cy) / b;
  if (dy * dy > 1.0) return;
  const double half = a * std::sqrt(1.0 - dy * dy);
  *first = static_cast<int>(std::ceil(cx - half - 0.5));
  *last = static_cast<int>(std::floor(cx + half - 0.5));
}

}  // namespace
}  // namespace platform::ui::gdi

using namespace platform::ui::gdi;

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  auto context = Dc(dc);
  if (!context) return FALSE;
  if (previous != nullptr) *previous = POINT{context->x, context->y};
  context->x = x;
  context->y = y;
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  auto context = Dc(dc);
  if (!context) return FALSE;
  PenLine(*context, context->x, context->y, x, y);
  context->x = x;
  context->y = y;
  return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  auto context = Dc(dc);
  if (!context || points == nullptr || count < 2) return FALSE;
  for (int i = 1; i < count; ++i) {
    PenLine(*context, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
  }
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  auto context = Dc(dc);
  if (!context) return FALSE;
  const Rect box = Normalized(left, top, right, bottom);
  auto brush = context->brush && !context->brush->hollow ? context->brush : nullptr;
  if (!PenVisible(*context)) {
    // Without a pen the fill stops one pixel short on the right and bottom.
    if (brush)
      FillLogical(*context, {box.left, box.top, box.right - 1, box.bottom - 1}, brush->pixel);
    return TRUE;
  }
  const int w = std::min(context->pen->width, std::min(box.Width(), box.Height()) / 2 + 1);
  if (brush) {
    FillLogical(*context, {box.left + w, box.top + w, box.right - w, box.bottom - w}, brush->pixel);
  }
  const std::uint32_t pen = context->pen->pixel;
  if (context->pen->style == PS_DASH) {
    PenLine(*context, box.left, box.top, box.right - 1, box.top);
    PenLine(*context, box.right - 1, box.top, box.right - 1, box.bottom - 1);
    PenLine(*context, box.right - 1, box.bottom - 1, box.left, box.bottom - 1);
    PenLine(*context, box.left, box.bottom - 1, box.left, box.top);
    return TRUE;
  }
  FillLogical(*context, {box.left, box.top, box.right, box.top + w}, pen);
  FillLogical(*context, {box.left, box.bottom - w, box.right, box.bottom}, pen);
  FillLogical(*context, {box.left, box.top, box.left + w, box.bottom}, pen);
  FillLogical(*context, {box.right - w, box.top, box.right, box.bottom}, pen);
  return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  auto context = Dc(dc);
  if (!context) return FALSE;
  Rect box = Normalized(left, top, right, bottom);
  const bool outlined = PenVisible(*context);
  if (!outlined) {
    box.right--;
    box.bottom--;
  }
  if (box.Empty()) return TRUE;
  auto brush = context->brush && !context->brush->hollow ? context->brush : nullptr;
  for (int y = box.top; y < box.bottom; ++y) {
    int first, last;
    EllipseSpan(box, y, &first, &last);
    if (first > last) continue;
    if (!outlined) {
      if (brush) FillLogical(*context, {first, y, last + 1, y + 1}, brush->pixel);
      continue;
    }
    // Inside pixels have all four neighbours inside; the rest is outline.
    int aboveFirst, aboveLast, belowFirst, belowLast;
    EllipseSpan(box, y - 1, &aboveFirst, &aboveLast);
    EllipseSpan(box, y + 1, &belowFirst, &belowLast);
    int innerFirst = first + 1, innerLast = last - 1;
    if (aboveFirst > aboveLast || belowFirst > belowLast) {
      innerFirst = last + 1;
      innerLast = last;
    } else {
      innerFirst = std::max({innerFirst, aboveFirst, belowFirst});
      innerLast = std::min({innerLast, aboveLast, belowLast});
    }
    const std::uint32_t pen = context->pen->pixel;
    if (innerFirst > innerLast) {
      FillLogical(*context, {first, y, last + 1, y + 1}, pen);
      continue;
    }
    FillLogical(*context, {first, y, innerFirst, y + 1}, pen);
    FillLogical(*context, {innerLast + 1, y, last + 1, y + 1}, pen);
    if (brush) FillLogical(*context, {innerFirst, y, innerLast + 1, y + 1}, brush->pixel);
  }
  return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
  auto context = Dc(dc);
  if (!context || points == nullptr || count < 2) return FALSE;
  auto brush = context->brush && !context->brush->hollow ? context->brush : nullptr;
  if (brush && count >= 3) {
    int top = points[0].y, bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
      top = std::min<int>(top, points[i].y);
      bottom = std::max<int>(bottom, points[i].y);
    }
    std::vector<double> crossings;
    for (int y = top; y < bottom; ++y) {
      // Even-odd rule at pixel centres.
      const double cy = y + 0.5;
      crossings.clear();
      for (int i = 0; i < count; ++i) {
        const POINT& a = points[i];
        const POINT& b = points[(i + 1) % count];
        if ((a.y <= cy) == (b.y <= cy)) continue;
        crossings.push_back(a.x + (cy - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y));
      }
      std::sort(crossings.begin(), crossings.end());
      for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
        const int first = static_cast<int>(std::ceil(crossings[i] - 0.5));
        const int end = static_cast<int>(std::ceil(crossings[i + 1] - 0.5));
        FillLogical(*context, {first, y, end, y + 1}, brush->pixel);
      }
    }
  }
  for (int i = 0; i < count; ++i) {
    const POINT& a = points[i];
    const POINT& b = points[(i + 1) % count];
    PenLine(*context, a.x, a.y, b.x, b.y);
  }
  return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  auto context = Dc(dc);
  if (!context || rect == nullptr) return 0;
  auto fill = BrushFor(brush);
  if (!fill) return 0;
  FillLogical(*context, FromRECT(*rect), fill->pixel);
  return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
  auto context = Dc(dc);
  if (!context || rect == nullptr) return 0;
  auto fill = BrushFor(brush);
  if (!fill) return 0;
  const Rect r = FromRECT(*rect);
  if (r.Empty()) return 1;
  FillLogical(*context, {r.left, r.top, r.right, r.top + 1}, fill->pixel);
  FillLogical(*context, {r.left, r.bottom - 1, r.right, r.bottom}, fill->pixel);
  FillLogical(*context, {r.left, r.top, r.left + 1, r.bottom}, fill->pixel);
  FillLogical(*context, {r.right - 1, r.top, r.right, r.bottom}, fill->pixel);
  return 1;
}

BOOL InvertRect(HDC dc, const RECT* rect) {
  auto context = Dc(dc);
  if (!context || rect == nullptr) return FALSE;
  const Rect target = FromRECT(*rect).Offset(context->originX, context->originY);
  for (const Rect& clip : context->clip.Rects()) {
    const Rect part = Intersect(clip, target);
    if (!part.Empty()) Invert(context->surface, part);
  }
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  auto context = Dc(dc);
  if (!context || rect == nullptr) return FALSE;
  const Rect r = FromRECT(*rect);
  if (r.Empty()) return TRUE;
  // Every other pixel of the border, inverted, so a second call removes it.
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0) InvertPixel(*context, x, y);
  };
  for (int x = r.left; x < r.right; ++x) {
    dot(x, r.top);
    if (r.bottom - 1 > r.top) dot(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    dot(r.left, y);
    if (r.right - 1 > r.left) dot(r.right - 1, y);
  }
  return TRUE;
}

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  auto context = Dc(dc);
  if (!context || rect == nullptr) return FALSE;
  Rect r = FromRECT(*rect);
  auto color = [](int index) { return ToPixel(GetSysColor(index)); };
  struct Ring {
    bool present;
    std::uint32_t topLeft;
    std::uint32_t bottomRight;
  };
  Ring rings[2] = {{false, 0, 0}, {false, 0, 0}};
  // Outer ring, then inner ring: light from the top left.
  if (edge & BDR_RAISEDOUTER) {
    rings[0] = {true, color(COLOR_3DLIGHT), color(COLOR_3DDKSHADOW)};
  } else if (edge & BDR_SUNKENOUTER) {
    rings[0] = {true, color(COLOR_BTNSHADOW), color(COLOR_BTNHIGHLIGHT)};
  }
  if (edge & BDR_RAISEDINNER) {
    rings[1] = {true, color(COLOR_BTNHIGHLIGHT), color(COLOR_BTNSHADOW)};
  } else if (edge & BDR_SUNKENINNER) {
    rings[1] = {true, color(COLOR_3DDKSHADOW), color(COLOR_3DLIGHT)};
  }
  if (flags & BF_FLAT) {
    rings[0] = {rings[0].present, color(COLOR_BTNSHADOW), color(COLOR_BTNSHADOW)};
    rings[1] = {rings[1].present, color(COLOR_BTNFACE), color(COLOR_BTNFACE)};
  }
  if (flags & BF_MONO) {
    rings[0] = {rings[0].present, color(COLOR_WINDOWFRAME), color(COLOR_WINDOWFRAME)};
    rings[1] = {rings[1].present, color(COLOR_WINDOW), color(COLOR_WINDOW)};
  }
  for (const Ring& ring : rings) {
    if (!ring.present || r.Empty()) continue;
    if (flags & BF_TOP) FillLogical(*context, {r.left, r.top, r.right, r.top + 1}, ring.topLeft);
    if (flags & BF_LEFT) FillLogical(*context, {r.left, r.top, r.left + 1, r.bottom}, ring.topLeft);
    if (flags & BF_BOTTOM) {
      FillLogical(*context, {r.left, r.bottom - 1, r.right, r.bottom}, ring.bottomRight);
    }
    if (flags & BF_RIGHT) {
      FillLogical(*context, {r.right - 1, r.top, r.right, r.bottom}, ring.bottomRight);
    }
    if (flags & BF_TOP) r.top++;
    if (flags & BF_LEFT) r.left++;
    if (flags & BF_BOTTOM) r.bottom--;
    if (flags & BF_RIGHT) r.right--;
  }
  if ((flags & BF_MIDDLE) && !r.Empty()) {
    FillLogical(*context, r, color((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
  }
  if (flags & BF_ADJUST) *rect = RECT{r.left, r.top, r.right, r.bottom};
  return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  auto context = Dc(dc);
  if (!context) return CLR_INVALID;
  const int sx = x + context->originX;
  const int sy = y + context->originY;
  if (!context->clip.Contains(sx, sy)) return CLR_INVALID;
  context->surface.Row(sy)[sx] = ToPixel(color);
  return color & 0xFFFFFFu;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  auto context = Dc(dc);
  if (!context) return CLR_INVALID;
  const int sx = x + context->originX;
  const int sy = y + context->originY;
  if (!context->clip.Contains(sx, sy)) return CLR_INVALID;
  return ToColorRef(context->surface.Row(sy)[sx]);
}
