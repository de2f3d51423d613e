// Icons: module icons from resources, the standard message-box icons drawn
// here, and drawing with alpha blending.
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

#include "platform/faults.h"
#include "platform/resources.h"
#include "platform/ui/gfx/gdi_internal.h"

namespace platform::ui::gdi {
namespace {

constexpr int kIconSize = 32;

// A 32 x 32 picture painted shape by shape, each shape given as an
// inside-test and anti-aliased with 4 x 4 samples per pixel.
class IconPainter {
 public:
  IconPainter() : argb_(kIconSize * kIconSize, 0) {}

  void Shape(const std::function<bool(double, double)>& inside, std::uint32_t rgb) {
    for (int y = 0; y < kIconSize; ++y) {
      for (int x = 0; x < kIconSize; ++x) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy) {
          for (int sx = 0; sx < 4; ++sx) {
            if (inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0)) ++hits;
          }
        }
        if (hits > 0) Over(x, y, rgb, hits * 255 / 16);
      }
    }
  }

  // A bold glyph centred on (cx, cy).
  void Symbol(char32_t c, int em, double cx, double cy, std::uint32_t rgb) {
    auto face = FontFace::Get(em, true, false);
    const Glyph& glyph = face->GlyphFor(c);
    const int left = static_cast<int>(std::lround(cx - glyph.width / 2.0));
    const int top = static_cast<int>(std::lround(cy - glyph.height / 2.0));
    for (int y = 0; y < glyph.height; ++y) {
      for (int x = 0; x < glyph.width; ++x) {
        const int px = left + x;
        const int py = top + y;
        if (px < 0 || py < 0 || px >= kIconSize || py >= kIconSize) continue;
        const unsigned a = glyph.mask[static_cast<std::size_t>(y) * glyph.width + x];
        if (a > 0) Over(px, py, rgb, a);
      }
    }
  }

  std::vector<std::uint32_t> Take() { return std::move(argb_); }

 private:
  // Straight-alpha "over".
  void Over(int x, int y, std::uint32_t rgb, unsigned alpha) {
    std::uint32_t& out = argb_[static_cast<std::size_t>(y) * kIconSize + x];
    const unsigned below = out >> 24;
    const unsigned total = alpha + below * (255 - alpha) / 255;
    if (total == 0) return;
    // The colour below counts with its share of the result.
    const unsigned belowShare = below * (255 - alpha) / 255;
    auto channel = [&](int shift) {
      const unsigned top = (rgb >> shift) & 0xFFu;
      const unsigned bottom = (out >> shift) & 0xFFu;
      return ((top * alpha + bottom * belowShare) / total) & 0xFFu;
    };
    out = (total << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
  }

  std::vector<std::uint32_t> argb_;
};

std::function<bool(double, double)> Disc(double cx, double cy, double r) {
  return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

// A bar of half-width `half` from (x0, y0) to (x1, y1) with round ends.
std::function<bool(double, double)> Bar(double x0, double y0, double x1, double y1, double half) {
  return [=](double x, double y) {
    const double dx = x1 - x0, dy = y1 - y0;
    double t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    const double px = x0 + t * dx - x, py = y0 + t * dy - y;
    return px * px + py * py <= half * half;
  };
}

std::function<bool(double, double)> Triangle(double inset) {
  // Apex at the top centre, base along the bottom, shrunk by `inset`.
  const double ax = 16, ay = 2 + inset * 2, bx = 30 - inset * 1.7, by = 29 - inset,
               cx = 2 + inset * 1.7, cy = 29 - inset;
  return [=](double x, double y) {
    auto side = [](double x0, double y0, double x1, double y1, double x, double y) {
      return (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0);
    };
    const double s1 = side(ax, ay, bx, by, x, y);
    const double s2 = side(bx, by, cx, cy, x, y);
    const double s3 = side(cx, cy, ax, ay, x, y);
    return (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
  };
}

std::shared_ptr<Icon> Draw(std::uintptr_t id) {
  IconPainter painter;
  constexpr std::uint32_t kWhite = 0xFFFFFF;
  switch (id) {
    case IDI_HAND:  // stop: white cross on a red disc
      painter.Shape(Disc(16, 16, 15), 0x8C1010);
      painter.Shape(Disc(16, 16, 13.8), 0xE0281E);
      painter.Shape(Bar(10.5, 10.5, 21.5, 21.5, 2.4), kWhite);
      painter.Shape(Bar(21.5, 10.5, 10.5, 21.5, 2.4), kWhite);
      break;
    case IDI_QUESTION:  // white question mark on a blue disc
      painter.Shape(Disc(16, 16, 15), 0x103C8C);
      painter.Shape(Disc(16, 16, 13.8), 0x2F6FD6);
      painter.Symbol(U'?', 22, 16, 16, kWhite);
      break;
    case IDI_EXCLAMATION:  // black exclamation mark on a yellow triangle
      painter.Shape(Triangle(0), 0x6B5200);
      painter.Shape(Triangle(1.3), 0xF6CC2A);
      painter.Symbol(U'!', 20, 16, 19, 0x000000);
      break;
    case IDI_ASTERISK:  // white "i" on a blue disc
      painter.Shape(Disc(16, 16, 15), 0x103C8C);
      painter.Shape(Disc(16, 16, 13.8), 0x2F6FD6);
      painter.Symbol(U'i', 22, 16, 16, kWhite);
      break;
    case IDI_APPLICATION:  // a small window
      painter.Shape([](double x, double y) { return x >= 3 && x < 29 && y >= 5 && y < 27; },
                    0x404040);
      painter.Shape([](double x, double y) { return x >= 4 && x < 28 && y >= 6 && y < 26; },
                    kWhite);
      painter.Shape([](double x, double y) { return x >= 4 && x < 28 && y >= 6 && y < 10; },
                    0x000080);
      break;
    default:
      return nullptr;
  }
  auto icon = std::make_shared<Icon>();
  icon->width = kIconSize;
  icon->height = kIconSize;
  icon->argb = painter.Take();
  icon->shared = true;
  return icon;
}

struct IconCache {
  std::mutex mutex;
  std::map<std::uintptr_t, HICON> standard;
  // One shared icon per module and id. Keyed by id rather than by the
  // resource's address: a module loaded where an unloaded one was may put
  // a different icon at the same address.
  std::map<std::pair<HINSTANCE, UINT>, HICON> loaded;
};

// Whether `icon` still shows `resource`.
bool Shows(const Icon& icon, const IconResource& resource) {
  return icon.width == resource.width && icon.height == resource.height &&
         std::equal(icon.argb.begin(), icon.argb.end(), resource.pixels);
}

// A new icon holding a copy of `width` x `height` pixels.
std::shared_ptr<Icon> CopyIcon(int width, int height, const std::uint32_t* argb) {
  auto icon = std::make_shared<Icon>();
  icon->width = width;
  icon->height = height;
  icon->argb.assign(argb, argb + static_cast<std::size_t>(width) * height);
  return icon;
}

IconCache& Cache() {
  static auto* cache = new IconCache();
  return *cache;
}

}  // namespace

}  // namespace platform::ui::gdi

using namespace platform::ui::gdi;

HICON LoadIcon(HINSTANCE instance, std::uintptr_t id) {
  IconCache& cache = Cache();
  if (instance == nullptr && id >= IDI_APPLICATION && id <= IDI_ASTERISK) {
    std::lock_guard lock(cache.mutex);
    HICON& slot = cache.standard[id];
    if (slot == nullptr) slot = reinterpret_cast<HICON>(AddObject(Draw(id)));
    return slot;
  }
  if (id > 0xFFFF) return nullptr;
  const IconResource* resource = FindIconResource(instance, static_cast<UINT>(id));
  if (resource == nullptr || resource->pixels == nullptr || resource->width <= 0 ||
      resource->height <= 0) {
    return nullptr;
  }
  std::lock_guard lock(cache.mutex);
  HICON& slot = cache.loaded[{instance, resource->id}];
  if (slot != nullptr) {
    auto cached = Find<Icon>(slot);
    if (cached && Shows(*cached, *resource)) return slot;
    // The module now holds another picture under this id: the old one goes,
    // so the cache never grows past one icon per id.
    RemoveObject(slot);
  }
  auto icon = CopyIcon(resource->width, resource->height, resource->pixels);
  icon->shared = true;
  slot = reinterpret_cast<HICON>(AddObject(icon));
  return slot;
}

HICON CreateIconFromPixels(int width, int height, const std::uint32_t* argb) {
  if (platform::faults::CheckAndSetLastError("CreateIconFromPixels")) return nullptr;
  if (width <= 0 || height <= 0 || argb == nullptr) return nullptr;
  return reinterpret_cast<HICON>(AddObject(CopyIcon(width, height, argb)));
}

BOOL GetIconSize(HICON icon, SIZE* size) {
  auto found = Find<Icon>(icon);
  if (!found || size == nullptr) return FALSE;
  *size = SIZE{found->width, found->height};
  return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  auto context = FindDc(dc);
  auto found = Find<Icon>(icon);
  if (!context || !found) return FALSE;
  const int sx = x + context->originX;
  const int sy = y + context->originY;
  for (const Rect& clip : context->clip.Rects()) {
    BlendArgb(context->surface, clip, sx, sy, found->argb.data(), found->width, found->height);
  }
  return TRUE;
}

BOOL DestroyIcon(HICON icon) {
  auto found = Find<Icon>(icon);
  if (!found) return FALSE;
  // Icons of LoadIcon are shared: they stay.
  if (found->shared) return TRUE;
  return RemoveObject(icon) ? TRUE : FALSE;
}
