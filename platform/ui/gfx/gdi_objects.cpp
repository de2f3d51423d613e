// GDI handles: pens, brushes, fonts and bitmaps, stock objects, selection
// into DCs, GetObject, and bitmaps from module resources.
#include <array>
#include <mutex>
#include <unordered_map>

#include "platform/resources.h"
#include "platform/ui/gfx/gdi_internal.h"

namespace platform::ui::gdi {

namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<std::uintptr_t, std::shared_ptr<GdiObject>> objects;
  std::uintptr_t next = 0x10000;
};

HandleTable& Table() {
  // Never destroyed: DCs and objects may be released from static
  // destructors of other parts.
  static auto* table = new HandleTable();
  return *table;
}

template <typename T>
std::shared_ptr<T> MakeStock() {
  auto object = std::make_shared<T>();
  object->stock = true;
  return object;
}

std::shared_ptr<Brush> SolidBrush(COLORREF color) {
  auto brush = std::make_shared<Brush>();
  brush->pixel = ToPixel(color);
  return brush;
}

std::shared_ptr<Pen> MakePen(int style, int width, COLORREF color) {
  auto pen = std::make_shared<Pen>();
  pen->style = style;
  pen->width = std::max(1, width);
  pen->pixel = ToPixel(color);
  return pen;
}

// Stock objects by index, made on first use.
HGDIOBJ StockHandle(int index) {
  static std::array<HGDIOBJ, 18> handles = [] {
    std::array<HGDIOBJ, 18> made{};
    auto add = [&](int i, std::shared_ptr<GdiObject> object) {
      object->stock = true;
      made[static_cast<std::size_t>(i)] = AddObject(std::move(object));
    };
    add(WHITE_BRUSH, SolidBrush(RGB(255, 255, 255)));
    add(LTGRAY_BRUSH, SolidBrush(RGB(192, 192, 192)));
    add(GRAY_BRUSH, SolidBrush(RGB(128, 128, 128)));
    add(3, SolidBrush(RGB(64, 64, 64)));  // DKGRAY_BRUSH
    add(BLACK_BRUSH, SolidBrush(RGB(0, 0, 0)));
    auto hollow = std::make_shared<Brush>();
    hollow->hollow = true;
    add(NULL_BRUSH, hollow);
    add(WHITE_PEN, MakePen(PS_SOLID, 1, RGB(255, 255, 255)));
    add(BLACK_PEN, MakePen(PS_SOLID, 1, RGB(0, 0, 0)));
    add(NULL_PEN, MakePen(PS_NULL, 1, 0));
    auto font = std::make_shared<Font>();
    font->face = FontFace::Get(10, false, false);
    made[SYSTEM_FONT] = AddObject(font);
    font->stock = true;
    made[DEFAULT_GUI_FONT] = made[SYSTEM_FONT];
    return made;
  }();
  if (index < 0 || static_cast<std::size_t>(index) >= handles.size()) return nullptr;
  return handles[static_cast<std::size_t>(index)];
}

// The 1 x 1 bitmap a new memory DC starts with.
HGDIOBJ DefaultBitmap() {
  static HGDIOBJ handle = [] {
    auto bitmap = MakeStock<Bitmap>();
    bitmap->width = 1;
    bitmap->height = 1;
    bitmap->bitsPerPixel = 1;
    bitmap->pixels.assign(1, 0);
    return AddObject(bitmap);
  }();
  return handle;
}

}  // namespace

std::shared_ptr<Bitmap> BitmapFromResource(const BitmapResource& resource) {
  if (resource.width <= 0 || resource.height <= 0 || resource.bits == nullptr) return nullptr;
  if (resource.bitsPerPixel != 8 && resource.bitsPerPixel != 24) return nullptr;
  auto bitmap = std::make_shared<Bitmap>();
  bitmap->width = resource.width;
  bitmap->height = resource.height;
  bitmap->bitsPerPixel = resource.bitsPerPixel;
  bitmap->pixels.resize(static_cast<std::size_t>(resource.width) * resource.height);
  const std::size_t stride =
      (static_cast<std::size_t>(resource.width) * resource.bitsPerPixel / 8 + 3) & ~std::size_t{3};
  for (int y = 0; y < resource.height; ++y) {
    const BYTE* row = resource.bits + stride * static_cast<std::size_t>(y);
    std::uint32_t* out = bitmap->pixels.data() + static_cast<std::size_t>(y) * resource.width;
    for (int x = 0; x < resource.width; ++x) {
      if (resource.bitsPerPixel == 8) {
        const BYTE index = row[x];
        out[x] = index < resource.paletteSize && resource.palette != nullptr
                     ? resource.palette[index] & 0xFFFFFFu
                     : 0;
      } else {
        const BYTE* p = row + static_cast<std::ptrdiff_t>(x) * 3;
        out[x] = (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
      }
    }
  }
  return bitmap;
}

HGDIOBJ AddObject(std::shared_ptr<GdiObject> object) {
  HandleTable& table = Table();
  std::lock_guard lock(table.mutex);
  const std::uintptr_t value = table.next;
  table.next += 4;
  table.objects.emplace(value, std::move(object));
  return reinterpret_cast<HGDIOBJ>(value);
}

std::shared_ptr<GdiObject> FindObject(const void* handle) {
  HandleTable& table = Table();
  std::lock_guard lock(table.mutex);
  auto it = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == table.objects.end() ? nullptr : it->second;
}

bool RemoveObject(const void* handle) {
  HandleTable& table = Table();
  std::lock_guard lock(table.mutex);
  return table.objects.erase(reinterpret_cast<std::uintptr_t>(handle)) > 0;
}

std::shared_ptr<DeviceContext> FindDc(HDC dc) {
  return Find<DeviceContext>(dc);
}

std::shared_ptr<DeviceContext> NewDc(DeviceContext::Kind kind) {
  auto dc = std::make_shared<DeviceContext>();
  dc->kind = kind;
  dc->penHandle = StockHandle(BLACK_PEN);
  dc->brushHandle = StockHandle(WHITE_BRUSH);
  dc->fontHandle = StockHandle(SYSTEM_FONT);
  dc->pen = Find<Pen>(dc->penHandle);
  dc->brush = Find<Brush>(dc->brushHandle);
  dc->font = Find<Font>(dc->fontHandle);
  if (kind == DeviceContext::Kind::kMemory) {
    dc->bitmapHandle = DefaultBitmap();
    dc->bitmap = Find<Bitmap>(dc->bitmapHandle);
    dc->bitmap->selections++;
    dc->surface = dc->bitmap->View();
    dc->clip = ClipList(dc->surface.Bounds());
  }
  return dc;
}

std::shared_ptr<Brush> BrushFor(HBRUSH brush) {
  const auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value >= 1 && value <= 32) {
    return Find<Brush>(GetSysColorBrush(static_cast<int>(value) - 1));
  }
  auto found = Find<Brush>(brush);
  if (found && found->hollow) return nullptr;
  return found;
}

}  // namespace platform::ui::gdi

using namespace platform::ui::gdi;

HGDIOBJ GetStockObject(int index) {
  return StockHandle(index);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  return reinterpret_cast<HPEN>(AddObject(MakePen(style, width, color)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return reinterpret_cast<HBRUSH>(AddObject(SolidBrush(color)));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return nullptr;
  (void)dc;
  auto bitmap = std::make_shared<Bitmap>();
  bitmap->width = width;
  bitmap->height = height;
  // A memory DC still holding its 1 x 1 start bitmap makes monochrome
  // bitmaps in Win32; here every bitmap has the screen's colours.
  bitmap->bitsPerPixel = 24;
  bitmap->pixels.assign(static_cast<std::size_t>(width) * height, 0);
  return reinterpret_cast<HBITMAP>(AddObject(bitmap));
}

HBITMAP LoadBitmap(HINSTANCE instance, std::uintptr_t id) {
  if (id > 0xFFFF) return nullptr;
  const BitmapResource* resource = FindBitmapResource(instance, static_cast<UINT>(id));
  if (resource == nullptr) return nullptr;
  auto bitmap = BitmapFromResource(*resource);
  if (!bitmap) return nullptr;
  return reinterpret_cast<HBITMAP>(AddObject(bitmap));
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  auto context = FindDc(dc);
  auto found = FindObject(object);
  if (!context || !found) return nullptr;
  HGDIOBJ previous = nullptr;
  if (auto pen = std::dynamic_pointer_cast<Pen>(found)) {
    previous = context->penHandle;
    context->penHandle = object;
    context->pen = pen;
  } else if (auto brush = std::dynamic_pointer_cast<Brush>(found)) {
    previous = context->brushHandle;
    context->brushHandle = object;
    context->brush = brush;
  } else if (auto font = std::dynamic_pointer_cast<Font>(found)) {
    previous = context->fontHandle;
    context->fontHandle = object;
    context->font = font;
  } else if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(found)) {
    // Only memory DCs take bitmaps, and a bitmap sits in one DC at a time.
    if (context->kind != DeviceContext::Kind::kMemory) return nullptr;
    if (bitmap == context->bitmap) return object;
    if (bitmap->selections > 0 && !bitmap->stock) return nullptr;
    previous = context->bitmapHandle;
    context->bitmap->selections--;
    context->bitmapHandle = object;
    context->bitmap = bitmap;
    bitmap->selections++;
    context->surface = bitmap->View();
    context->clip = ClipList(context->surface.Bounds());
    context->originX = 0;
    context->originY = 0;
  }
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  auto found = FindObject(object);
  if (!found || std::dynamic_pointer_cast<DeviceContext>(found) ||
      std::dynamic_pointer_cast<Icon>(found)) {
    return FALSE;
  }
  if (found->stock) return TRUE;
  if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(found); bitmap && bitmap->selections > 0) {
    return FALSE;
  }
  // A pen, brush or font still selected somewhere stays alive in that DC
  // until it is replaced.
  return RemoveObject(object) ? TRUE : FALSE;
}

int GetObject(HGDIOBJ object, int size, LPVOID buffer) {
  auto bitmap = Find<Bitmap>(object);
  if (!bitmap) return 0;
  if (buffer == nullptr) return static_cast<int>(sizeof(BITMAP));
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP info{};
  info.bmType = 0;
  info.bmWidth = bitmap->width;
  info.bmHeight = bitmap->height;
  // Rows of device bitmaps are padded to 16 bits.
  info.bmWidthBytes = ((bitmap->width * bitmap->bitsPerPixel + 15) / 16) * 2;
  info.bmPlanes = 1;
  info.bmBitsPixel = static_cast<WORD>(bitmap->bitsPerPixel);
  info.bmBits = nullptr;
  *static_cast<BITMAP*>(buffer) = info;
  return static_cast<int>(sizeof(BITMAP));
}
