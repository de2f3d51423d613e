#include "platform/ui/gfx/font_cache.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>
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

// A font file mapped once for the process. Every face of the file reads its
// tables from the mapping: through a file stream each glyph would cost a
// seek and a read of the file.
struct MappedFile {
  const void* data = nullptr;
  std::size_t size = 0;
};

// The mapping of `path` (empty when it cannot be mapped). Mappings are
// kept for the life of the process. The caller holds FacesMutex().
MappedFile MapFontFile(const std::string& path) {
  static auto* files = new std::map<std::string, MappedFile>();
  auto found = files->find(path);
  if (found != files->end()) return found->second;
  MappedFile file;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd >= 0 && fstat(fd, &info) == 0 && info.st_size > 0) {
    void* data =
        mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (data != MAP_FAILED) file = {data, static_cast<std::size_t>(info.st_size)};
  }
  if (fd >= 0) close(fd);
  // A file that cannot be mapped is opened as a stream by each face instead.
  if (file.data != nullptr) (*files)[path] = file;
  return file;
}

TTF_Font* OpenFont(const std::string& path, int em) {
  const MappedFile file = MapFontFile(path);
  if (file.data == nullptr) return TTF_OpenFont(path.c_str(), em);
  SDL_RWops* stream = SDL_RWFromConstMem(file.data, static_cast<int>(file.size));
  return stream != nullptr ? TTF_OpenFontRW(stream, 1, em) : nullptr;
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
  if (EnsureTtf()) font_->font = OpenFont(std::string(kFontDir) + FileFor(bold, italic), em);
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
}

FontFace::~FontFace() = default;

void FontFace::MeasureWidths() {
  if (widthsMeasured_) return;
  // The average of the 52 letters, rounded: the horizontal dialog base
  // unit comes out the same whether it is taken from tmAveCharWidth or
  // measured from the alphabet.
  int letters = 0;
  for (char32_t c = U'A'; c <= U'Z'; ++c)
    letters += Measured(c).glyph.advance + Measured(c + 32).glyph.advance;
  averageWidth_ = (letters + 26) / 52;
  for (char32_t c = 0x20; c < 0x7F; ++c) maxWidth_ = std::max(maxWidth_, Measured(c).glyph.advance);
  widthsMeasured_ = true;
}

int FontFace::AverageWidth() {
  std::lock_guard lock(mutex_);
  MeasureWidths();
  return averageWidth_;
}

int FontFace::MaxWidth() {
  std::lock_guard lock(mutex_);
  MeasureWidths();
  return maxWidth_;
}

FontFace::Slot& FontFace::Measured(char32_t c) {
  std::unique_ptr<Slot>& slot = c < ascii_.size() ? ascii_[c] : others_[c];
  if (slot) return *slot;
  slot = std::make_unique<Slot>();
  Glyph& glyph = slot->glyph;
  if (font_->font == nullptr) {
    glyph.advance = c < 0x20 ? 0 : em_ / 2;
    // Nothing to draw: the glyph is as rendered as it gets.
    slot->rendered = true;
    return *slot;
  }
  int maxX = 0, minY = 0, maxY = 0, advance = 0;
  if (TTF_GlyphMetrics32(font_->font, c, &slot->minX, &maxX, &minY, &maxY, &advance) != 0) {
    slot->rendered = true;
    return *slot;
  }
  // Control characters take no room and draw nothing.
  glyph.advance = c < 0x20 ? 0 : advance;
  if (c < 0x20) slot->rendered = true;
  return *slot;
}

int FontFace::Advance(char32_t c) {
  std::lock_guard lock(mutex_);
  return Measured(c).glyph.advance;
}

const Glyph& FontFace::GlyphFor(char32_t c) {
  std::lock_guard lock(mutex_);
  Slot& slot = Measured(c);
  if (!slot.rendered) {
    RenderMask(c, slot);
    slot.rendered = true;
  }
  return slot.glyph;
}

void FontFace::RenderMask(char32_t c, Slot& slot) {
  Glyph& glyph = slot.glyph;
  SDL_Surface* surface = TTF_RenderGlyph32_Blended(font_->font, c, SDL_Color{255, 255, 255, 255});
  if (surface == nullptr) return;
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
    glyph.left = std::min(0, slot.minX) + x0;
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
}

int FontFace::Measure(std::u16string_view text) {
  int width = 0;
  std::lock_guard lock(mutex_);
  ForEachCodePoint(text, [&](char32_t c, std::size_t) { width += Measured(c).glyph.advance; });
  return width;
}

}  // namespace platform::ui::gdi
