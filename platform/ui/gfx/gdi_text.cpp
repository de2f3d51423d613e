// Fonts and text: CreateFont, metrics and extents, TextOut and DrawText
// with alignment, word wrapping, prefixes and end ellipsis.
#include <algorithm>
#include <string>

#include "platform/ui/gfx/gdi_internal.h"

namespace platform::ui::gdi {
namespace {

constexpr int kDefaultEm = 10;
constexpr std::u16string_view kEllipsis = u"...";

// A negative length means up to the terminator (DrawText's -1, and
// accepted by TextOut and GetTextExtentPoint32 as well).
std::u16string_view View(LPCWSTR text, int length) {
  if (text == nullptr) return {};
  if (length < 0) return std::u16string_view(text);
  return std::u16string_view(text, static_cast<std::size_t>(length));
}

FontFace& FaceOf(DeviceContext& dc) {
  if (dc.font && dc.font->face) return *dc.font->face;
  static std::shared_ptr<FontFace> fallback = FontFace::Get(kDefaultEm, false, false);
  return *fallback;
}

// Width of a run; with `tabs`, tab characters move to the next stop of
// eight average characters.
int RunWidth(FontFace& face, std::u16string_view text, bool tabs) {
  if (!tabs) return face.Measure(text);
  const int stop = std::max(1, face.AverageWidth() * 8);
  int x = 0;
  ForEachCodePoint(text, [&](char32_t c, std::size_t) {
    if (c == u'\t') {
      x = (x / stop + 1) * stop;
    } else {
      x += face.Advance(c);
    }
  });
  return x;
}

struct RunStyle {
  std::uint32_t textPixel;
  bool opaque;
  std::uint32_t backgroundPixel;
  bool underline;
  bool strikeOut;
  bool tabs;
  // Index of the character to underline (the '&' prefix), or -1.
  int prefixIndex;
};

// Draws one line of text with the top of its cell at logical (x, y).
void DrawRun(DeviceContext& dc, FontFace& face, int x, int y, std::u16string_view text,
             const ClipList& clip, const RunStyle& style) {
  const int sx = x + dc.originX;
  const int sy = y + dc.originY;
  const int height = face.Height();
  const int baseline = sy + face.Ascent();
  const int width = RunWidth(face, text, style.tabs);
  auto fill = [&](const Rect& r, std::uint32_t pixel) {
    for (const Rect& c : clip.Rects()) {
      const Rect part = Intersect(c, r);
      if (!part.Empty()) Fill(dc.surface, part, pixel);
    }
  };
  if (style.opaque) fill({sx, sy, sx + width, sy + height}, style.backgroundPixel);
  const int stop = std::max(1, face.AverageWidth() * 8);
  const int lineThickness = std::max(1, face.Em() / 14);
  int pen = sx;
  ForEachCodePoint(text, [&](char32_t c, std::size_t index) {
    if (c == u'\t' && style.tabs) {
      pen = sx + ((pen - sx) / stop + 1) * stop;
      return;
    }
    const Glyph& glyph = face.GlyphFor(c);
    if (!glyph.mask.empty()) {
      const int gx = pen + glyph.left;
      const int gy = sy + glyph.top;
      const Rect box{gx, gy, gx + glyph.width, gy + glyph.height};
      for (const Rect& c2 : clip.Rects()) {
        if (Intersect(c2, box).Empty()) continue;
        BlendMask(dc.surface, c2, gx, gy, glyph.mask.data(), glyph.width, glyph.height,
                  style.textPixel);
      }
    }
    if (static_cast<int>(index) == style.prefixIndex) {
      fill({pen, baseline + 1, pen + glyph.advance, baseline + 1 + lineThickness}, style.textPixel);
    }
    pen += glyph.advance;
  });
  if (style.underline) {
    fill({sx, baseline + 1, sx + width, baseline + 1 + lineThickness}, style.textPixel);
  }
  if (style.strikeOut) {
    const int middle = baseline - face.Ascent() / 3;
    fill({sx, middle, sx + width, middle + lineThickness}, style.textPixel);
  }
}

RunStyle StyleOf(const DeviceContext& dc, bool tabs, int prefixIndex) {
  return RunStyle{dc.textPixel,
                  dc.backgroundMode == OPAQUE,
                  dc.backgroundPixel,
                  dc.font && dc.font->underline,
                  dc.font && dc.font->strikeOut,
                  tabs,
                  prefixIndex};
}

struct Line {
  std::u16string text;
  int prefixIndex = -1;
  int width = 0;
};

// Removes '&' prefixes: "&&" stands for '&', "&x" underlines x.
std::u16string StripPrefixes(std::u16string_view in, int* underlined) {
  std::u16string out;
  *underlined = -1;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == u'&' && i + 1 < in.size()) {
      ++i;
      if (in[i] != u'&') *underlined = static_cast<int>(out.size());
    } else if (in[i] == u'&') {
      continue;  // a trailing '&' shows nothing
    }
    out.push_back(in[i]);
  }
  return out;
}

std::vector<Line> LayOut(FontFace& face, std::u16string_view source, UINT format, int maxWidth) {
  const bool tabs = (format & DT_EXPANDTABS) != 0;
  int underlined = -1;
  std::u16string text;
  if (format & DT_NOPREFIX) {
    text.assign(source);
  } else {
    text = StripPrefixes(source, &underlined);
  }
  auto width = [&](std::size_t begin, std::size_t end) {
    return RunWidth(face, std::u16string_view(text).substr(begin, end - begin), tabs);
  };
  std::vector<Line> lines;
  auto addLine = [&](std::size_t begin, std::size_t end) {
    Line line;
    line.text = text.substr(begin, end - begin);
    if (underlined >= static_cast<int>(begin) && underlined < static_cast<int>(end)) {
      line.prefixIndex = underlined - static_cast<int>(begin);
    }
    line.width = width(begin, end);
    lines.push_back(std::move(line));
  };
  auto addParagraph = [&](std::size_t begin, std::size_t end) {
    if (!(format & DT_WORDBREAK)) {
      addLine(begin, end);
      return;
    }
    // Greedy wrapping at spaces; a word wider than the line stands alone
    // and overflows, as it does on the handheld.
    std::size_t start = begin;
    do {
      std::size_t fit = std::u16string::npos;
      std::size_t i = start;
      while (i < end) {
        std::size_t wordStart = i;
        while (wordStart < end && text[wordStart] == u' ') ++wordStart;
        std::size_t wordEnd = wordStart;
        while (wordEnd < end && text[wordEnd] != u' ') ++wordEnd;
        if (wordEnd == wordStart) break;
        if (fit != std::u16string::npos && width(start, wordEnd) > maxWidth) break;
        fit = wordEnd;
        i = wordEnd;
      }
      if (fit == std::u16string::npos) fit = end;
      addLine(start, fit);
      start = fit;
      while (start < end && text[start] == u' ') ++start;
    } while (start < end);
  };
  if (format & DT_SINGLELINE) {
    addLine(0, text.size());
  } else {
    std::size_t begin = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != u'\r' && text[i] != u'\n') continue;
      addParagraph(begin, i);
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      begin = i + 1;
    }
    if (begin < text.size() || lines.empty()) addParagraph(begin, text.size());
  }
  if (format & DT_END_ELLIPSIS) {
    const int ellipsisWidth = face.Measure(kEllipsis);
    for (Line& line : lines) {
      if (line.width <= maxWidth) continue;
      std::size_t keep = line.text.size();
      while (keep > 0 &&
             RunWidth(face, std::u16string_view(line.text).substr(0, keep), tabs) + ellipsisWidth >
                 maxWidth) {
        --keep;
      }
      line.text = line.text.substr(0, keep) + std::u16string(kEllipsis);
      if (line.prefixIndex >= static_cast<int>(keep)) line.prefixIndex = -1;
      line.width = RunWidth(face, line.text, tabs);
    }
  }
  return lines;
}

}  // namespace
}  // namespace platform::ui::gdi

using namespace platform::ui::gdi;

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR face) {
  // Every face is drawn with DejaVu Sans; widths, angles and the rest are
  // not supported.
  (void)width, (void)escapement, (void)orientation, (void)charSet, (void)outPrecision;
  (void)clipPrecision, (void)quality, (void)pitchAndFamily, (void)face;
  const bool bold = weight >= 600;
  const bool oblique = italic != 0;
  int em = kDefaultEm;
  if (height < 0) {
    em = -height;
  } else if (height > 0) {
    em = FontFace::EmForCellHeight(height, bold, oblique);
  }
  auto font = std::make_shared<Font>();
  font->face = FontFace::Get(em, bold, oblique);
  font->underline = underline != 0;
  font->strikeOut = strikeOut != 0;
  return reinterpret_cast<HFONT>(AddObject(font));
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics) {
  auto context = FindDc(dc);
  if (!context || metrics == nullptr) return FALSE;
  FontFace& face = FaceOf(*context);
  metrics->tmHeight = face.Height();
  metrics->tmAscent = face.Ascent();
  metrics->tmDescent = face.Descent();
  metrics->tmInternalLeading = std::max(0, face.Height() - face.Em());
  metrics->tmExternalLeading = 0;
  metrics->tmAveCharWidth = face.AverageWidth();
  metrics->tmMaxCharWidth = face.MaxWidth();
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC dc, LPCWSTR text, int length, SIZE* size) {
  auto context = FindDc(dc);
  if (!context || size == nullptr || (text == nullptr && length != 0)) return FALSE;
  FontFace& face = FaceOf(*context);
  size->cx = face.Measure(View(text, length));
  size->cy = face.Height();
  return TRUE;
}

BOOL TextOut(HDC dc, int x, int y, LPCWSTR text, int length) {
  auto context = FindDc(dc);
  if (!context || (text == nullptr && length != 0)) return FALSE;
  DrawRun(*context, FaceOf(*context), x, y, View(text, length), context->clip,
          StyleOf(*context, false, -1));
  return TRUE;
}

int DrawText(HDC dc, LPCWSTR text, int length, RECT* rect, UINT format) {
  auto context = FindDc(dc);
  if (!context || rect == nullptr) return 0;
  FontFace& face = FaceOf(*context);
  const int lineHeight = face.Height();
  const std::vector<Line> lines =
      LayOut(face, View(text, length), format, static_cast<int>(rect->right - rect->left));
  const int total = lineHeight * static_cast<int>(lines.size());
  if (format & DT_CALCRECT) {
    int widest = 0;
    for (const Line& line : lines) widest = std::max(widest, line.width);
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }
  const Rect box = FromRECT(*rect);
  int y = box.top;
  const bool single = (format & DT_SINGLELINE) != 0;
  if (single && (format & DT_VCENTER)) {
    y = box.top + (box.Height() - lineHeight) / 2;
  }
  ClipList clip = context->clip;
  if (!(format & DT_NOCLIP)) clip.IntersectWith(box.Offset(context->originX, context->originY));
  const int top = y;
  for (const Line& line : lines) {
    int x = box.left;
    if (format & DT_CENTER) {
      x = box.left + (box.Width() - line.width) / 2;
    } else if (format & DT_RIGHT) {
      x = box.right - line.width;
    }
    DrawRun(*context, face, x, y, line.text, clip,
            StyleOf(*context, (format & DT_EXPANDTABS) != 0, line.prefixIndex));
    y += lineHeight;
  }
  if (single && (format & DT_VCENTER)) return top + total - box.top;
  return total;
}
