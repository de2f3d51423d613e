// Device contexts: memory DCs on bitmaps and what every DC has, its
// colours, modes and capabilities (window DCs: window/window_dc.cpp).
#include "platform/ui/gfx/gdi_internal.h"

namespace platform::ui::gdi {

void FillLogical(DeviceContext& dc, const Rect& logical, std::uint32_t pixel) {
  const Rect target = logical.Offset(dc.originX, dc.originY);
  for (const Rect& clip : dc.clip.Rects()) {
    const Rect part = Intersect(clip, target);
    if (!part.Empty()) Fill(dc.surface, part, pixel);
  }
}

}  // namespace platform::ui::gdi

using namespace platform::ui::gdi;

HDC CreateCompatibleDC(HDC dc) {
  (void)dc;
  return reinterpret_cast<HDC>(AddObject(NewDc(DeviceContext::Kind::kMemory)));
}

BOOL DeleteDC(HDC dc) {
  auto context = FindDc(dc);
  if (!context) return FALSE;
  if (context->bitmap) context->bitmap->selections--;
  return RemoveObject(dc) ? TRUE : FALSE;
}

int GetDeviceCaps(HDC dc, int index) {
  (void)dc;
  switch (index) {
    case HORZRES:
      return ScreenSurface().width;
    case VERTRES:
      return ScreenSurface().height;
    case BITSPIXEL:
      return 24;
    case PLANES:
      return 1;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 90;
    default:
      return 0;
  }
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  auto context = FindDc(dc);
  if (!context) return CLR_INVALID;
  const COLORREF previous = ToColorRef(context->textPixel);
  context->textPixel = ToPixel(color);
  return previous;
}

COLORREF GetTextColor(HDC dc) {
  auto context = FindDc(dc);
  return context ? ToColorRef(context->textPixel) : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  auto context = FindDc(dc);
  if (!context) return CLR_INVALID;
  const COLORREF previous = ToColorRef(context->backgroundPixel);
  context->backgroundPixel = ToPixel(color);
  return previous;
}

COLORREF GetBkColor(HDC dc) {
  auto context = FindDc(dc);
  return context ? ToColorRef(context->backgroundPixel) : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode) {
  auto context = FindDc(dc);
  if (!context || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  const int previous = context->backgroundMode;
  context->backgroundMode = mode;
  return previous;
}
