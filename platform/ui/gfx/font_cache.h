// DejaVu Sans faces through SDL2_ttf, with each glyph rendered once into an
// 8-bit coverage mask and kept for the life of the process. Text is laid
// out glyph by glyph from the advances, without kerning, so measuring and
// drawing always agree.
//
// Opening a face and measuring text cost little: a face reads its font file
// from one mapping shared by the process, a glyph's advance is looked up
// without rendering it, and a glyph is rendered only when it is first drawn.
// The first screen of a freshly started process draws far fewer glyphs than
// its faces hold.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::ui::gdi {

struct Glyph {
  int advance = 0;
  // Offset of the mask from the pen position (x) and from the top of the
  // line (y).
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> mask;
};

class FontFace {
 public:
  // One face per em size and style for the process. `emPixels` is clamped
  // to 1..200.
  static std::shared_ptr<FontFace> Get(int emPixels, bool bold, bool italic);
  // The largest em size whose line height is at most `cellHeight`.
  static int EmForCellHeight(int cellHeight, bool bold, bool italic);

  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  int Em() const { return em_; }
  bool Bold() const { return bold_; }
  bool Italic() const { return italic_; }
  int Height() const { return ascent_ + descent_; }
  int Ascent() const { return ascent_; }
  int Descent() const { return descent_; }
  // Rounded average advance of A-Z and a-z.
  int AverageWidth();
  // The largest advance of the printable ASCII characters.
  int MaxWidth();

  // The glyph with its mask; it stays valid for the life of the face.
  const Glyph& GlyphFor(char32_t c);
  // The glyph's advance alone: nothing is rendered.
  int Advance(char32_t c);
  int Measure(std::u16string_view text);

 private:
  // A glyph known by its advance, and by its mask once it has been drawn.
  struct Slot {
    Glyph glyph;
    // Where the ink may start left of the pen (from the metrics).
    int minX = 0;
    bool rendered = false;
  };

  FontFace(int em, bool bold, bool italic);
  // The slot of `c` with its advance; the caller holds mutex_.
  Slot& Measured(char32_t c);
  void RenderMask(char32_t c, Slot& slot);
  void MeasureWidths();

  struct TtfFont;
  std::unique_ptr<TtfFont> font_;
  int em_;
  bool bold_;
  bool italic_;
  int ascent_ = 0;
  int descent_ = 0;
  int averageWidth_ = 0;
  int maxWidth_ = 0;
  bool widthsMeasured_ = false;
  std::mutex mutex_;
  std::array<std::unique_ptr<Slot>, 128> ascii_;
  std::unordered_map<char32_t, std::unique_ptr<Slot>> others_;
};

// Calls f(codePoint, index of its first unit) for each code point of
// UTF-16 text; a lone surrogate is passed as it is.
template <typename F>
void ForEachCodePoint(std::u16string_view text, F&& f) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    const std::size_t start = i;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    f(c, start);
  }
}

}  // namespace platform::ui::gdi
