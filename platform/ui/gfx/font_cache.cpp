#include "platform/ui/gfx/font_cache.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <map>
#include <tuple>

namespace platform::ui::gdi {

namespace {

constexpr const char* kFontDir = "/usr/share/fonts/truetype/dejavu/";

const char* FileFor(bool bold, bool italic) {
  if (bold) return italic ? "DejaVuSans-BoldOblique.ttf" : "DejaVuSans-Bold.ttf";
  return italic ? "DejaVuSans-Oblique.ttf" : "DejaVuSans.ttf";
}

bool EnsureTtf() {
  static const bool ready = TTF_WasInit() > 0 || TTF_Init() == 0;
  return ready;
}

std::mutex& FacesMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

struct FontFace::TtfFont {
  TTF_Font* font = nullptr;
  ~TtfFont() {
    if (font != nullptr) TTF_CloseFont(font);
  }
};

std::shared_ptr<FontFace> FontFace::Get(int emPixels, bool bold, bool italic) {
  emPixels = std::clamp(emPixels, 1, 200);
  static auto* faces = new std::map<std::tuple<int, bool, bool>, std::shared_ptr<FontFace>>();
  std::lock_guard lock(FacesMutex());
  auto& slot = (*faces)[{emPixels, bold, italic}];
  if (!slot) slot.reset(new FontFace(emPixels, bold, italic));
  return slot;
}

int FontFace::EmForCellHeight(int cellHeight, bool bold, bool italic) {
  int em = std::clamp(cellHeight, 1, 200);
  while (em > 1 && Get(em, bold, italic)->Height() > cellHeight) --em;
  return em;
}

FontFace::FontFace(int em, bool bold, bool italic)
    : font_(std::make_unique<TtfFont>()), em_(em), bold_(bold), italic_(italic) {
  if (EnsureTtf()) {
    const std::string path = std::string(kFontDir) + FileFor(bold, italic);
    font_->font = TTF_OpenFont(path.c_str(), em);
  }
  if (font_->font != nullptr) {
    TTF_SetFontHinting(font_->font, TTF_HINTING_NORMAL);
    TTF_SetFontKerning(font_->font, 0);
    ascent_ = TTF_FontAscent(font_->font);
    descent_ = -TTF_FontDescent(font_->font);
  } else {
    // Without the font file text still takes room, drawn as nothing.
    ascent_ = em - em / 5;
    descent_ = em / 5 + 1;
  }
  // The average of the 52 letters, rounded: the horizontal dialog base
  // unit comes out the same whether it is taken from tmAveCharWidth or
  // measured from the alphabet.
  int letters = 0;
  for (char32_t c = U'A'; c <= U'Z'; ++c) letters += GlyphFor(c).advance + GlyphFor(c + 32).advance;
  averageWidth_ = (letters + 26) / 52;
  for (char32_t c = 0x20; c < 0x7F; ++c) maxWidth_ = std::max(maxWidth_, GlyphFor(c).advance);
}

FontFace::~FontFace() = default;

const Glyph& FontFace::GlyphFor(char32_t c) {
  std::lock_guard lock(mutex_);
  std::unique_ptr<Glyph>* slot;
  if (c < ascii_.size()) {
    slot = &ascii_[c];
  } else {
    slot = &others_[c];
  }
  if (!*slot) *slot = std::make_unique<Glyph>(Render(c));
  return **slot;
}

Glyph FontFace::Render(char32_t c) {
  Glyph glyph;
  if (font_->font == nullptr) {
    glyph.advance = c < 0x20 ? 0 : em_ / 2;
    return glyph;
  }
  int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
  if (TTF_GlyphMetrics32(font_->font, c, &minX, &maxX, &minY, &maxY, &advance) != 0) {
    return glyph;
  }
  glyph.advance = advance;
  // Control characters take no room and draw nothing.
  if (c < 0x20) {
    glyph.advance = 0;
    return glyph;
  }
  SDL_Surface* surface = TTF_RenderGlyph32_Blended(font_->font, c, SDL_Color{255, 255, 255, 255});
  if (surface == nullptr) return glyph;
  // The rendered surface starts at the pen position or at the glyph's left
  // edge when that lies before it, and at the top of the line. Keep only
  // the rows and columns that carry ink.
  int x0 = surface->w, x1 = -1, y0 = surface->h, y1 = -1;
  SDL_LockSurface(surface);
  auto alphaAt = [&](int x, int y) {
    const auto* row = static_cast<const std::uint8_t*>(surface->pixels) + y * surface->pitch;
    return static_cast<std::uint8_t>(reinterpret_cast<const std::uint32_t*>(row)[x] >> 24);
  };
  for (int y = 0; y < surface->h; ++y) {
    for (int x = 0; x < surface->w; ++x) {
      if (alphaAt(x, y) == 0) continue;
      x0 = std::min(x0, x);
      x1 = std::max(x1, x);
      y0 = std::min(y0, y);
      y1 = std::max(y1, y);
    }
  }
  if (x1 >= x0) {
    glyph.left = std::min(0, minX) + x0;
    glyph.top = y0;
    glyph.width = x1 - x0 + 1;
    glyph.height = y1 - y0 + 1;
    glyph.mask.resize(static_cast<std::size_t>(glyph.width) * glyph.height);
    for (int y = 0; y < glyph.height; ++y) {
      for (int x = 0; x < glyph.width; ++x) {
        glyph.mask[static_cast<std::size_t>(y) * glyph.width + x] = alphaAt(x0 + x, y0 + y);
      }
    }
  }
  SDL_UnlockSurface(surface);
  SDL_FreeSurface(surface);
  return glyph;
}

int FontFace::Measure(std::u16string_view text) {
  int width = 0;
  ForEachCodePoint(text, [&](char32_t c, std::size_t) { width += GlyphFor(c).advance; });
  return width;
}

}  // namespace platform::ui::gdi
