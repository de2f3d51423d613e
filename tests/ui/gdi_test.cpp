// Drawing on memory DCs: primitives at pixel level, blits, bitmaps, icons,
// fonts and text layout.
#include <gtest/gtest.h>

#include <string>

#include "platform/modules.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/gfx/gdi_internal.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A memory DC with a white bitmap of its own.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(dc_, width, height);
    previous_ = SelectObject(dc_, bitmap_);
    Clear(kWhite);
  }
  ~Canvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  void Clear(COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    RECT all{0, 0, width_, height_};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  // Pixels that differ from `background`, as a bounding box (empty when
  // none).
  RECT Ink(COLORREF background = kWhite) const {
    RECT box{width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        if (At(x, y) == background) continue;
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
    }
    return box;
  }
  int Count(COLORREF color) const {
    int count = 0;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) count += At(x, y) == color;
    }
    return count;
  }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
};

TEST(GdiShapes, LineToIsBresenhamAndLeavesOutTheEndPoint) {
  Canvas canvas(16, 16);
  // A shallow line: one pixel per column, the nearest to the ideal line,
  // and none at the end point (9, 3).
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HGDIOBJ old = SelectObject(canvas.dc(), pen);
  MoveToEx(canvas.dc(), 0, 0, nullptr);
  LineTo(canvas.dc(), 9, 3);
  const int expectedY[] = {0, 0, 1, 1, 1, 2, 2, 2, 3, -1};
  for (int x = 0; x < 10; ++x) {
    for (int y = 0; y < 5; ++y) {
      EXPECT_EQ(canvas.At(x, y) == kRed, y == expectedY[x]) << x << "," << y;
    }
  }
  POINT position{};
  MoveToEx(canvas.dc(), 0, 0, &position);
  EXPECT_EQ(std::pair(position.x, position.y), (std::pair<LONG, LONG>(9, 3)));
  SelectObject(canvas.dc(), old);
  DeleteObject(pen);
}

TEST(GdiShapes, RectangleAndEllipseOutlineWithThePenAndFillWithTheBrush) {
  Canvas canvas(12, 12);
  HBRUSH brush = CreateSolidBrush(kBlue);
  SelectObject(canvas.dc(), brush);
  Rectangle(canvas.dc(), 2, 2, 8, 7);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 2 && x < 8 && y >= 2 && y < 7;
      const bool edge = inside && (x == 2 || x == 7 || y == 2 || y == 6);
      const COLORREF expected = !inside ? kWhite : edge ? kBlack : kBlue;
      EXPECT_EQ(canvas.At(x, y), expected) << x << "," << y;
    }
  }
  // Without a pen the fill stops one pixel short, right and bottom.
  canvas.Clear(kWhite);
  SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
  Rectangle(canvas.dc(), 2, 2, 8, 7);
  EXPECT_EQ(canvas.Count(kBlue), 5 * 4);
  EXPECT_EQ(canvas.At(6, 5), kBlue);
  EXPECT_EQ(canvas.At(7, 5), kWhite);
  // An ellipse fills its box edge to edge, symmetric both ways.
  canvas.Clear(kWhite);
  SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
  Ellipse(canvas.dc(), 1, 2, 11, 8);
  const RECT ink = canvas.Ink();
  EXPECT_EQ((ink.left << 24) | (ink.top << 16) | (ink.right << 8) | ink.bottom,
            (1 << 24) | (2 << 16) | (11 << 8) | 8);
  EXPECT_EQ(canvas.At(1, 2), kWhite);
  for (int y = 2; y < 8; ++y) {
    for (int x = 1; x < 11; ++x) {
      EXPECT_EQ(canvas.At(x, y), canvas.At(11 - x, y)) << x << "," << y;
      EXPECT_EQ(canvas.At(x, y), canvas.At(x, 9 - y)) << x << "," << y;
    }
  }
  SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}

TEST(GdiShapes, FillRectTakesSystemColourIndexesAndExcludesTheFarEdges) {
  Canvas canvas(8, 8);
  RECT r{1, 1, 4, 3};
  EXPECT_EQ(FillRect(canvas.dc(), &r, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)), 1);
  EXPECT_EQ(canvas.Count(RGB(192, 192, 192)), 3 * 2);
  EXPECT_EQ(canvas.At(3, 2), RGB(192, 192, 192));
  EXPECT_EQ(canvas.At(4, 2), kWhite);
  EXPECT_EQ(FillRect(canvas.dc(), &r, GetSysColorBrush(COLOR_HIGHLIGHT)), 1);
  EXPECT_EQ(canvas.At(1, 1), GetSysColor(COLOR_HIGHLIGHT));
  // The hollow brush paints nothing.
  EXPECT_EQ(FillRect(canvas.dc(), &r, reinterpret_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 0);
}

TEST(GdiBlit, RasterOperationsCombineSourceDestinationAndPattern) {
  Canvas source(2, 1);
  SetPixel(source.dc(), 0, 0, RGB(0xF0, 0x0F, 0xAA));
  SetPixel(source.dc(), 1, 0, RGB(0x00, 0xFF, 0x00));
  const COLORREF destination = RGB(0x3C, 0x3C, 0x0F);
  struct Case {
    DWORD rop;
    COLORREF expected;
  } cases[] = {
      {SRCCOPY, RGB(0xF0, 0x0F, 0xAA)},    {SRCAND, RGB(0x30, 0x0C, 0x0A)},
      {SRCPAINT, RGB(0xFC, 0x3F, 0xAF)},   {SRCINVERT, RGB(0xCC, 0x33, 0xA5)},
      {NOTSRCCOPY, RGB(0x0F, 0xF0, 0x55)},
  };
  Canvas target(4, 4);
  for (const Case& c : cases) {
    target.Clear(destination);
    EXPECT_TRUE(BitBlt(target.dc(), 1, 1, 1, 1, source.dc(), 0, 0, c.rop));
    EXPECT_EQ(target.At(1, 1), c.expected) << std::hex << c.rop;
    EXPECT_EQ(target.At(2, 1), destination);
  }
  // PATCOPY paints the destination's brush and needs no source.
  HBRUSH brush = CreateSolidBrush(kBlue);
  HGDIOBJ old = SelectObject(target.dc(), brush);
  EXPECT_TRUE(BitBlt(target.dc(), 0, 0, 2, 2, nullptr, 0, 0, PATCOPY));
  EXPECT_EQ(target.Count(kBlue), 4);
  EXPECT_FALSE(BitBlt(target.dc(), 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
  SelectObject(target.dc(), old);
  DeleteObject(brush);
}

TEST(GdiBlit, BlitsAreClippedToBothSurfacesAndMayOverlap) {
  Canvas canvas(6, 1);
  for (int x = 0; x < 6; ++x) SetPixel(canvas.dc(), x, 0, RGB(x, 0, 0));
  // Shift right by two within one bitmap: reads the picture before the copy.
  EXPECT_TRUE(BitBlt(canvas.dc(), 2, 0, 4, 1, canvas.dc(), 0, 0, SRCCOPY));
  const int expected[] = {0, 1, 0, 1, 2, 3};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(canvas.At(x, 0), RGB(expected[x], 0, 0)) << x;

  // Reading beyond the source leaves the destination alone.
  Canvas small(2, 2);
  small.Clear(kRed);
  Canvas target(4, 4);
  EXPECT_TRUE(BitBlt(target.dc(), -1, 0, 4, 4, small.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(target.Count(kRed), 2);
  EXPECT_EQ(target.At(0, 0), kRed);
  EXPECT_EQ(target.At(1, 0), kWhite);
}

TEST(GdiBlit, StretchBltIsNearestNeighbour) {
  Canvas source(2, 2);
  SetPixel(source.dc(), 0, 0, kRed);
  SetPixel(source.dc(), 1, 1, kBlue);
  Canvas target(8, 8);
  EXPECT_TRUE(StretchBlt(target.dc(), 0, 0, 4, 4, source.dc(), 0, 0, 2, 2, SRCCOPY));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const COLORREF expected = x < 2 && y < 2 ? kRed : x >= 2 && y >= 2 ? kBlue : kWhite;
      EXPECT_EQ(target.At(x, y), expected) << x << "," << y;
    }
  }
  // Shrinking samples pixel centres: 4 -> 2 takes columns 1 and 3.
  Canvas wide(4, 1);
  SetPixel(wide.dc(), 1, 0, kRed);
  SetPixel(wide.dc(), 3, 0, kBlue);
  target.Clear(kWhite);
  EXPECT_TRUE(StretchBlt(target.dc(), 0, 0, 2, 1, wide.dc(), 0, 0, 4, 1, SRCCOPY));
  EXPECT_EQ(target.At(0, 0), kRed);
  EXPECT_EQ(target.At(1, 0), kBlue);
  EXPECT_FALSE(StretchBlt(target.dc(), 0, 0, -2, 1, wide.dc(), 0, 0, 4, 1, SRCCOPY));
}

TEST(GdiBitmaps, PaletteAndTrueColourResourcesDecodeAndReportTheirHeader) {
  using platform::ui::gdi::AddObject;
  using platform::ui::gdi::BitmapFromResource;
  // 3 x 2 at 8 bits: rows padded to 4 bytes.
  const DWORD palette[] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  const BYTE indexed[] = {1, 2, 3, 0xEE, 3, 0, 1, 0xEE};
  const BitmapResource eight{1, 3, 2, 8, palette, 4, indexed};
  // 2 x 1 at 24 bits: blue, green, red bytes.
  const BYTE rgb[] = {0x10, 0x20, 0x30, 0xFF, 0x00, 0x00, 0, 0};
  const BitmapResource twentyFour{2, 2, 1, 24, nullptr, 0, rgb};

  auto eightBitmap = BitmapFromResource(eight);
  auto rgbBitmap = BitmapFromResource(twentyFour);
  ASSERT_TRUE(eightBitmap && rgbBitmap);
  auto* first = reinterpret_cast<HBITMAP>(AddObject(eightBitmap));
  auto* second = reinterpret_cast<HBITMAP>(AddObject(rgbBitmap));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, first);
  EXPECT_EQ(GetPixel(dc, 0, 0), kRed);
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dc, 2, 0), kBlue);
  EXPECT_EQ(GetPixel(dc, 0, 1), kBlue);
  EXPECT_EQ(GetPixel(dc, 1, 1), kBlack);
  SelectObject(dc, second);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x30, 0x20, 0x10));
  EXPECT_EQ(GetPixel(dc, 1, 0), kBlue);

  BITMAP info{};
  EXPECT_EQ(GetObject(first, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth * 100 + info.bmHeight, 302);
  EXPECT_EQ(info.bmWidthBytes, 4);  // rows padded
  EXPECT_EQ(GetObject(first, 4, &info), 0);

  // A bitmap selected into a DC can't be deleted; once out it can.
  EXPECT_FALSE(DeleteObject(second));
  EXPECT_EQ(SelectObject(dc, old), reinterpret_cast<HGDIOBJ>(second));
  EXPECT_TRUE(DeleteObject(second));
  EXPECT_TRUE(DeleteObject(first));
  EXPECT_EQ(GetObject(first, sizeof info, &info), 0);
  EXPECT_TRUE(DeleteDC(dc));

  const BitmapResource broken{3, 2, 2, 4, nullptr, 0, indexed};
  EXPECT_FALSE(BitmapFromResource(broken));
}

TEST(GdiIcons, IconsBlendTheirAlphaOverWhatIsBelow) {
  using platform::ui::gdi::AddObject;
  using platform::ui::gdi::Icon;
  auto icon = std::make_shared<Icon>();
  icon->width = 3;
  icon->height = 1;
  // Opaque red, half-transparent blue, fully transparent.
  icon->argb = {0xFFFF0000u, 0x800000FFu, 0x0000FF00u};
  auto* handle = reinterpret_cast<HICON>(AddObject(icon));
  Canvas canvas(4, 2);
  EXPECT_TRUE(DrawIcon(canvas.dc(), 1, 1, handle));
  EXPECT_EQ(canvas.At(1, 1), kRed);
  EXPECT_EQ(canvas.At(2, 1), RGB(127, 127, 255));
  EXPECT_EQ(canvas.At(3, 1), kWhite);
  EXPECT_EQ(canvas.At(1, 0), kWhite);
  EXPECT_TRUE(DestroyIcon(handle));
  EXPECT_FALSE(DrawIcon(canvas.dc(), 0, 0, handle));
}

// Text.

class GdiText : public testing::Test {
 protected:
  GdiText() : canvas_(200, 80) {}
  HDC dc() const { return canvas_.dc(); }
  SIZE Extent(std::u16string_view text) const {
    SIZE size{};
    GetTextExtentPoint32(dc(), text.data(), static_cast<int>(text.size()), &size);
    return size;
  }
  int CalcHeight(std::u16string_view text, int width, UINT format, RECT* out = nullptr) const {
    RECT r{10, 5, 10 + width, 6};
    const int height =
        DrawText(dc(), text.data(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
    EXPECT_EQ(r.bottom - r.top, height);
    if (out != nullptr) *out = r;
    return height;
  }
  Canvas canvas_;
};

TEST_F(GdiText, DrawTextBreaksLinesAndWrapsWordsAtSpaces) {
  const int line = 12;
  EXPECT_EQ(CalcHeight(u"One line", 200, 0), line);
  EXPECT_EQ(CalcHeight(u"Owner\r\nPhone", 200, 0), 2 * line);
  EXPECT_EQ(CalcHeight(u"a\nb\rc\r\n\r\nd", 200, 0), 5 * line);
  EXPECT_EQ(CalcHeight(u"ends with a break\r\n", 200, 0), line);
  EXPECT_EQ(CalcHeight(u"", 200, 0), line);
  EXPECT_EQ(CalcHeight(u"Owner\r\nPhone", 200, DT_SINGLELINE), line);

  // Three words that fit two to a line.
  const LONG twoWords = Extent(u"Wrong User").cx;
  RECT r{};
  EXPECT_EQ(CalcHeight(u"Wrong User Password", twoWords + 1, DT_WORDBREAK, &r), 2 * line);
  EXPECT_EQ(r.right - r.left, std::max(twoWords, Extent(u"Password").cx));
  EXPECT_EQ(CalcHeight(u"Wrong User Password", twoWords - 1, DT_WORDBREAK), 3 * line);
  // Without DT_WORDBREAK nothing wraps; a word too long stays whole.
  EXPECT_EQ(CalcHeight(u"Wrong User Password", 30, 0), line);
  EXPECT_EQ(CalcHeight(u"Unbreakable", 5, DT_WORDBREAK, &r), line);
  EXPECT_EQ(r.right - r.left, Extent(u"Unbreakable").cx);
  // Spaces at the break are dropped, not carried to the next line.
  EXPECT_EQ(CalcHeight(u"Wrong User     Password", twoWords + 1, DT_WORDBREAK), 2 * line);
  EXPECT_EQ(CalcHeight(u"Wrong User\r\nPassword entered", twoWords + 1, DT_WORDBREAK), 3 * line);
}

TEST_F(GdiText, PrefixesAreRemovedUnlessNoPrefix) {
  RECT r{};
  CalcHeight(u"&Help", 200, DT_SINGLELINE, &r);
  EXPECT_EQ(r.right - r.left, Extent(u"Help").cx);
  CalcHeight(u"Save && Exit", 200, DT_SINGLELINE, &r);
  EXPECT_EQ(r.right - r.left, Extent(u"Save & Exit").cx);
  CalcHeight(u"Save && Exit", 200, DT_SINGLELINE | DT_NOPREFIX, &r);
  EXPECT_EQ(r.right - r.left, Extent(u"Save && Exit").cx);

  // The prefixed letter is underlined: ink below the baseline where "Name"
  // has none.
  RECT box{0, 0, 200, 20};
  DrawText(dc(), u"Name", -1, &box, DT_SINGLELINE | DT_NOPREFIX);
  const RECT plain = canvas_.Ink();
  canvas_.Clear(kWhite);
  DrawText(dc(), u"&Name", -1, &box, DT_SINGLELINE);
  EXPECT_GT(canvas_.Ink().bottom, plain.bottom);
}

TEST_F(GdiText, DrawTextAlignsAndClipsToItsRectangle) {
  SetBkMode(dc(), TRANSPARENT);
  RECT box{40, 10, 160, 50};
  DrawText(dc(), u"OK", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT ink = canvas_.Ink();
  // Centred within a pixel or two (glyph bearings).
  EXPECT_NEAR((ink.left + ink.right) / 2.0, 100.0, 2.0);
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 30.0, 3.0);

  canvas_.Clear(kWhite);
  DrawText(dc(), u"OK", -1, &box, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
  ink = canvas_.Ink();
  EXPECT_LE(ink.right, 160);
  EXPECT_GE(ink.right, 157);
  EXPECT_LE(ink.bottom, 50);
  EXPECT_GE(ink.bottom, 44);

  // Text wider than the box: clipped to it, unless DT_NOCLIP.
  const std::u16string wide = u"Owner information that does not fit";
  RECT narrow{40, 10, 90, 30};
  canvas_.Clear(kWhite);
  DrawText(dc(), wide.c_str(), -1, &narrow, DT_SINGLELINE);
  EXPECT_LE(canvas_.Ink().right, 90);
  canvas_.Clear(kWhite);
  DrawText(dc(), wide.c_str(), -1, &narrow, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(canvas_.Ink().right, 90);
  // An end ellipsis keeps it inside even without clipping.
  canvas_.Clear(kWhite);
  DrawText(dc(), wide.c_str(), -1, &narrow, DT_SINGLELINE | DT_NOCLIP | DT_END_ELLIPSIS);
  ink = canvas_.Ink();
  EXPECT_LE(ink.right, 90);
  EXPECT_GT(ink.right, 70);
}

}  // namespace
