// System colours in the handheld's look: white windows and dialogs, light
// grey 3-D faces, black text, dark blue highlight and caption.
#include <array>

#include "platform/ui/gfx/gdi_internal.h"

namespace {

constexpr int kColorCount = 27;

constexpr std::array<COLORREF, kColorCount> kColors = {
    RGB(192, 192, 192),  // 0 scroll bar
    RGB(255, 255, 255),  // 1 desktop
    RGB(0, 0, 128),      // 2 active caption
    RGB(128, 128, 128),  // 3 inactive caption
    RGB(255, 255, 255),  // 4 menu
    RGB(255, 255, 255),  // 5 window
    RGB(0, 0, 0),        // 6 window frame
    RGB(0, 0, 0),        // 7 menu text
    RGB(0, 0, 0),        // 8 window text
    RGB(255, 255, 255),  // 9 caption text
    RGB(192, 192, 192),  // 10 active border
    RGB(192, 192, 192),  // 11 inactive border
    RGB(128, 128, 128),  // 12 application workspace
    RGB(0, 0, 128),      // 13 highlight
    RGB(255, 255, 255),  // 14 highlight text
    RGB(192, 192, 192),  // 15 button face
    RGB(128, 128, 128),  // 16 button shadow
    RGB(128, 128, 128),  // 17 grey text
    RGB(0, 0, 0),        // 18 button text
    RGB(192, 192, 192),  // 19 inactive caption text
    RGB(255, 255, 255),  // 20 button highlight
    RGB(0, 0, 0),        // 21 3-D dark shadow
    RGB(223, 223, 223),  // 22 3-D light
    RGB(0, 0, 0),        // 23 tooltip text
    RGB(255, 255, 225),  // 24 tooltip background
    RGB(255, 255, 255),  // 25 static background
    RGB(0, 0, 0),        // 26 static text
};

}  // namespace

COLORREF GetSysColor(int index) {
  if (index < 0 || index >= kColorCount) return 0;
  return kColors[static_cast<std::size_t>(index)];
}

HBRUSH GetSysColorBrush(int index) {
  static const std::array<HGDIOBJ, kColorCount> brushes = [] {
    std::array<HGDIOBJ, kColorCount> made{};
    for (int i = 0; i < kColorCount; ++i) {
      auto brush = std::make_shared<platform::ui::gdi::Brush>();
      brush->stock = true;
      brush->pixel = platform::ui::gdi::ToPixel(kColors[static_cast<std::size_t>(i)]);
      made[static_cast<std::size_t>(i)] = platform::ui::gdi::AddObject(brush);
    }
    return made;
  }();
  if (index < 0 || index >= kColorCount) return nullptr;
  return reinterpret_cast<HBRUSH>(brushes[static_cast<std::size_t>(index)]);
}
