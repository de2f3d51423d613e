// The drawing objects behind GDI handles and the device context, shared by
// the gdi_*.cpp files, window DCs and the screen. Internal to the platform.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/resources.h"
#include "platform/ui/gfx/font_cache.h"
#include "platform/ui/gfx/framebuffer.h"
#include "platform/ui/gfx/gdi.h"

namespace platform::ui::gdi {

class GdiObject {
 public:
  virtual ~GdiObject() = default;
  // Stock objects survive DeleteObject.
  bool stock = false;
};

struct Pen : GdiObject {
  int style = PS_SOLID;
  int width = 1;
  std::uint32_t pixel = 0;
};

struct Brush : GdiObject {
  bool hollow = false;
  std::uint32_t pixel = 0;
};

struct Font : GdiObject {
  std::shared_ptr<FontFace> face;
  bool underline = false;
  bool strikeOut = false;
};

struct Bitmap : GdiObject {
  int width = 0;
  int height = 0;
  // What GetObject reports: 8 for bitmaps loaded from 8-bpp resources,
  // else the screen's 24.
  int bitsPerPixel = 24;
  std::vector<std::uint32_t> pixels;
  // Memory DCs it is selected into; a selected bitmap can't be deleted.
  int selections = 0;

  Surface View() { return {pixels.data(), width, height}; }
};

struct Icon : GdiObject {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
  // Shared icons come from LoadIcon and are never destroyed.
  bool shared = false;
};

struct DeviceContext : GdiObject {
  enum class Kind { kScreen, kWindow, kPaint, kMemory };
  Kind kind = Kind::kScreen;
  HWND window = nullptr;
  Surface surface;
  // Logical (0, 0) in surface coordinates.
  int originX = 0;
  int originY = 0;
  // The visible area in surface coordinates.
  ClipList clip;

  HGDIOBJ penHandle = nullptr;
  HGDIOBJ brushHandle = nullptr;
  HGDIOBJ fontHandle = nullptr;
  HGDIOBJ bitmapHandle = nullptr;
  std::shared_ptr<Pen> pen;
  std::shared_ptr<Brush> brush;
  std::shared_ptr<Font> font;
  std::shared_ptr<Bitmap> bitmap;

  std::uint32_t textPixel = 0;
  std::uint32_t backgroundPixel = 0xFFFFFF;
  int backgroundMode = OPAQUE;
  int x = 0;
  int y = 0;
};

// Handle table. Handles are opaque numbers that never come below 0x10000,
// so small values stay free for (HBRUSH)(COLOR_x + 1).
HGDIOBJ AddObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> FindObject(const void* handle);
bool RemoveObject(const void* handle);
template <typename T>
std::shared_ptr<T> Find(const void* handle) {
  return std::dynamic_pointer_cast<T>(FindObject(handle));
}

// The DC of a handle, or null.
std::shared_ptr<DeviceContext> FindDc(HDC dc);
// A new DC with the default objects selected.
std::shared_ptr<DeviceContext> NewDc(DeviceContext::Kind kind);
// The brush a handle stands for, including (HBRUSH)(COLOR_x + 1); null for
// no brush.
std::shared_ptr<Brush> BrushFor(HBRUSH brush);

// The framebuffer of the screen.
Surface ScreenSurface();
// Screen pixels of an 8-bpp (palette) or 24-bpp resource; null for a
// malformed one.
std::shared_ptr<Bitmap> BitmapFromResource(const BitmapResource& resource);

// Fills a rectangle given in logical coordinates of a DC, clipped.
void FillLogical(DeviceContext& dc, const Rect& logical, std::uint32_t pixel);

}  // namespace platform::ui::gdi
