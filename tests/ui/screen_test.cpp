// The screen as composed from windows, window DCs, incremental frames and
// PNG files; drawing on memory DCs at pixel level, and text layout.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/clock.h"
#include "platform/modules.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/gfx/gdi_internal.h"
#include "platform/ui/window/message_loop.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window_dc.h"
#include "platform/ui/window/window_internal.h"

namespace {

namespace screen = platform::ui::screen;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(220, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 220);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

COLORREF At(int x, int y) {
  const std::uint32_t p = screen::Pixels()[static_cast<std::size_t>(y) * screen::kWidth + x];
  return RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p));
}

struct Pixel {
  int x, y;
  COLORREF color;
};
template <std::size_t N>
void ExpectPixels(const Pixel (&pixels)[N]) {
  for (const Pixel& p : pixels) EXPECT_EQ(At(p.x, p.y), p.color) << "at " << p.x << "," << p.y;
}

// What the test windows' procedure saw.
struct Seen {
  int erases = 0;
  std::map<HWND, int> paints;
  BOOL lastErase = FALSE;
};
Seen g_seen;
bool g_drawText = false;

// Paints its client area in the colour kept in GWL_USERDATA (and a line of
// text when asked); answers WM_ERASEBKGND with 0 so BeginPaint reports the
// erase as still due.
LRESULT FillProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      ++g_seen.erases;
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = BeginPaint(window, &paint);
      ++g_seen.paints[window];
      g_seen.lastErase = paint.fErase;
      HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLong(window, GWL_USERDATA)));
      RECT client{};
      GetClientRect(window, &client);
      FillRect(dc, &client, brush);
      DeleteObject(brush);
      SetBkMode(dc, TRANSPARENT);
      if (g_drawText) TextOut(dc, 2, 2, u"Ag", 2);
      EndPaint(window, &paint);
      return 0;
    }
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

class ScreenTest : public testing::Test {
 protected:
  void SetUp() override {
    g_seen = Seen{};
    WNDCLASS fill{};
    fill.lpfnWndProc = FillProc;
    fill.lpszClassName = kFillClass;
    RegisterClass(&fill);
    WNDCLASS plain{};
    plain.lpfnWndProc = DefWindowProc;
    plain.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    plain.lpszClassName = kPlainClass;
    RegisterClass(&plain);
  }
  void TearDown() override {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
      if (IsWindow(*it)) DestroyWindow(*it);
    }
    UnregisterClass(kFillClass, nullptr);
    UnregisterClass(kPlainClass, nullptr);
  }

  HWND Make(COLORREF color, DWORD style, int x, int y, int w, int h, HWND parent = nullptr,
            DWORD exStyle = 0, LPCWSTR className = kFillClass) {
    HWND window = CreateWindowEx(exStyle, className, u"", style | WS_VISIBLE, x, y, w, h, parent, 0,
                                 nullptr, nullptr);
    EXPECT_NE(window, nullptr);
    SetWindowLong(window, GWL_USERDATA, static_cast<LONG_PTR>(color));
    windows_.push_back(window);
    return window;
  }

  static constexpr LPCWSTR kFillClass = u"ScreenTestFill";
  static constexpr LPCWSTR kPlainClass = u"ScreenTestPlain";
  std::vector<HWND> windows_;
};

TEST_F(ScreenTest, ComposePaintsWindowsBottomUpAndWindowDcsSpareWhatLiesAbove) {
  HWND lower = Make(kRed, WS_POPUP | WS_BORDER, 10, 10, 100, 100);
  HWND child = Make(kGreen, WS_CHILD, 5, 5, 20, 20, lower);
  // A child reaching out of its parent is cut at the parent's client area.
  Make(kYellow, WS_CHILD, 90, 20, 40, 10, lower);
  HWND upper = Make(kBlue, WS_POPUP, 50, 50, 100, 100);
  BringWindowToTop(upper);
  const std::uint64_t frames = screen::FrameCount();
  screen::Compose();
  EXPECT_EQ(screen::FrameCount(), frames + 1);

  // The desktop, the border of `lower` with its client inside, `upper` over
  // both; the yellow child is clipped short of the border.
  const Pixel composed[] = {
      {5, 5, kWhite},     {10, 10, kBlack},   {109, 30, kBlack}, {11, 11, kRed},
      {16, 16, kGreen},   {36, 36, kRed},     {105, 55, kBlue},  {49, 49, kRed},
      {150, 150, kWhite}, {101, 35, kYellow}, {109, 35, kBlack}, {115, 35, kWhite},
  };
  ExpectPixels(composed);

  HDC dc = GetDC(lower);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetPixel(dc, 0, 0), kRed);  // the client's top-left is (11, 11)
  RECT client{};
  GetClientRect(lower, &client);
  HBRUSH yellow = CreateSolidBrush(kYellow);
  FillRect(dc, &client, yellow);
  DeleteObject(yellow);
  EXPECT_EQ(GetPixel(dc, 70, 70), CLR_INVALID);  // under `upper`
  EXPECT_EQ(ReleaseDC(lower, dc), 1);
  // Not the frame, the child or the window above.
  ExpectPixels({{11, 11, kYellow},
                {108, 30, kYellow},
                {109, 30, kBlack},
                {20, 20, kGreen},
                {70, 70, kBlue}});

  // The screen DC reaches everything.
  HDC whole = GetDC(nullptr);
  EXPECT_EQ(GetPixel(whole, 70, 70), kBlue);
  EXPECT_EQ(GetPixel(whole, 239, 319), kWhite);
  EXPECT_EQ(GetPixel(whole, 240, 0), CLR_INVALID);
  ReleaseDC(nullptr, whole);

  // Another order, another picture; hidden windows leave no trace.
  BringWindowToTop(lower);
  screen::Compose();
  ExpectPixels({{60, 60, kRed}, {115, 55, kBlue}});
  ShowWindow(child, SW_HIDE);
  ShowWindow(upper, SW_HIDE);
  // A hidden window's DC draws nowhere.
  dc = GetDC(child);
  EXPECT_EQ(SetPixel(dc, 1, 1, kBlack), CLR_INVALID);
  ReleaseDC(child, dc);
  screen::Compose();
  ExpectPixels({{20, 20, kRed}, {130, 130, kWhite}});
  // Everything painted is valid afterwards.
  EXPECT_FALSE(platform::ui::GetUpdateState(lower, nullptr, nullptr));
}

TEST_F(ScreenTest, WindowsThatDoNotPaintAreErasedWithTheirClassBrush) {
  HWND window = Make(0, WS_POPUP, 20, 20, 50, 50, nullptr, 0, kPlainClass);
  HDC screenDc = GetDC(nullptr);
  RECT all{0, 0, screen::kWidth, screen::kHeight};
  FillRect(screenDc, &all, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(nullptr, screenDc);
  screen::Compose();
  ExpectPixels({{30, 30, GetSysColor(COLOR_BTNFACE)}, {10, 10, kWhite}});
  EXPECT_FALSE(platform::ui::GetUpdateState(window, nullptr, nullptr));
}

TEST_F(ScreenTest, BeginPaintErasesOnlyWhenAskedAndValidates) {
  HWND window = Make(kRed, WS_POPUP, 20, 20, 80, 60);
  screen::Compose();
  EXPECT_EQ(g_seen.erases, 1);
  EXPECT_TRUE(g_seen.lastErase);  // the procedure left the erase to the painter

  g_seen = Seen{};
  RECT part{5, 6, 30, 20};
  InvalidateRect(window, &part, FALSE);
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(g_seen.erases, 0);
  EXPECT_FALSE(paint.fErase);
  EXPECT_EQ(std::vector<LONG>(
                {paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom}),
            std::vector<LONG>({5, 6, 30, 20}));
  EXPECT_FALSE(platform::ui::GetUpdateState(window, nullptr, nullptr));
  // Drawing is clipped to the update area.
  RECT client{};
  GetClientRect(window, &client);
  FillRect(dc, &client, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_TRUE(EndPaint(window, &paint));
  ExpectPixels({{25, 26, kBlack}, {49, 39, kBlack}, {50, 39, kRed}, {24, 26, kRed}});
  EXPECT_FALSE(EndPaint(window, &paint));

  InvalidateRect(window, nullptr, TRUE);
  dc = BeginPaint(window, &paint);
  EXPECT_EQ(g_seen.erases, 1);
  EXPECT_TRUE(paint.fErase);
  EndPaint(window, &paint);
}

// The message loop's incremental frames: only what was invalidated is
// repainted, and the picture is always the one a full composition gives.
class IncrementalFrameTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    platform::clock::UseVirtual(1000);
    previousComposer_ = platform::ui::SetComposer(nullptr);
    // Text, so that partial frames also blend glyphs over what lies below,
    // as controls do.
    g_drawText = true;
    // A dialog-like window with two children that overlap, and a bar
    // elsewhere on the screen.
    bar_ = Make(RGB(0, 0, 128), WS_POPUP | WS_BORDER, 0, 0, 240, 26);
    top_ = Make(RGB(255, 255, 255), WS_POPUP | WS_BORDER, 10, 60, 220, 120);
    left_ = Make(RGB(0, 160, 0), WS_CHILD | WS_BORDER, 10, 10, 100, 40, top_);
    right_ = Make(RGB(200, 0, 0), WS_CHILD, 90, 30, 100, 40, top_);
    Frame();
    g_seen = Seen{};
  }

  void TearDown() override {
    ScreenTest::TearDown();
    Frame();
    platform::ui::SetComposer(previousComposer_);
    g_drawText = false;
  }

  // Lets the loop run what is waiting, composing a frame if anything
  // changed.
  static void Frame() {
    MSG msg{};
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
  }

  // The picture a full composition gives.
  static std::vector<std::uint32_t> FullPicture() {
    screen::Compose();
    return screen::Pixels();
  }

  static int PaintsOf(HWND window) { return g_seen.paints[window]; }

  platform::ui::Composer previousComposer_;
  HWND bar_ = nullptr;
  HWND top_ = nullptr;
  HWND left_ = nullptr;
  HWND right_ = nullptr;
};

TEST_F(IncrementalFrameTest, RepaintsTheInvalidWindowAndWhatOverlapsItOnly) {
  const std::uint64_t frames = screen::FrameCount();
  SetWindowLong(left_, GWL_USERDATA, static_cast<LONG_PTR>(RGB(255, 255, 0)));
  InvalidateRect(left_, nullptr, TRUE);
  Frame();
  EXPECT_EQ(screen::FrameCount(), frames + 1);
  // The window under it and the sibling over it share its area; the bar
  // lies elsewhere.
  EXPECT_EQ((std::vector{PaintsOf(left_), PaintsOf(top_), PaintsOf(right_), PaintsOf(bar_)}),
            (std::vector{1, 1, 1, 0}));
  const std::vector<std::uint32_t> incremental = screen::Pixels();
  EXPECT_EQ(incremental, FullPicture());

  // A window nothing overlaps is repainted alone.
  g_seen = Seen{};
  SetWindowLong(bar_, GWL_USERDATA, static_cast<LONG_PTR>(RGB(0, 0, 0)));
  InvalidateRect(bar_, nullptr, TRUE);
  Frame();
  EXPECT_EQ(PaintsOf(bar_), 1);
  EXPECT_EQ(PaintsOf(top_) + PaintsOf(left_) + PaintsOf(right_), 0);
  EXPECT_EQ(screen::Pixels(), FullPicture());
}

TEST_F(IncrementalFrameTest, ALayoutChangeRepaintsEverything) {
  // Moved, hidden, restyled or restacked windows need no invalidation of
  // the others: the frame is whole.
  const auto allPainted = [&] {
    return PaintsOf(bar_) == 1 && PaintsOf(top_) == 1 && PaintsOf(left_) == 1;
  };
  const std::function<void()> changes[] = {
      [&] { MoveWindow(right_, 100, 40, 100, 40, TRUE); }, [&] { ShowWindow(right_, SW_HIDE); },
      [&] { SetWindowLong(left_, GWL_STYLE, GetWindowLong(left_, GWL_STYLE) & ~WS_BORDER); }};
  for (const auto& change : changes) {
    g_seen = Seen{};
    change();
    Frame();
    EXPECT_TRUE(allPainted());
    EXPECT_EQ(screen::Pixels(), FullPicture());
  }
}

TEST_F(IncrementalFrameTest, DrawingOutsideAFrameIsPaintedOverButMeasuringIsNot) {
  HDC dc = GetDC(nullptr);
  RECT all{0, 0, screen::kWidth, screen::kHeight};
  FillRect(dc, &all, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(nullptr, dc);
  InvalidateRect(left_, nullptr, TRUE);
  Frame();
  EXPECT_EQ(PaintsOf(bar_), 1);
  EXPECT_EQ(screen::Pixels(), FullPicture());

  // A DC used only to measure text leaves the next frame partial.
  g_seen = Seen{};
  dc = GetDC(top_);
  SIZE size{};
  GetTextExtentPoint32(dc, u"Measure", 7, &size);
  ReleaseDC(top_, dc);
  EXPECT_GT(size.cx, 0);
  InvalidateRect(left_, nullptr, TRUE);
  Frame();
  EXPECT_EQ(std::pair(PaintsOf(left_), PaintsOf(bar_)), std::pair(1, 0));
}

TEST(PngFile, WritesTheFramebufferAndReadsItBack) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("veyr-screen-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  HDC dc = GetDC(nullptr);
  for (int y = 0; y < screen::kHeight; ++y) {
    for (int x = 0; x < screen::kWidth; ++x) {
      SetPixel(dc, x, y,
               RGB(static_cast<BYTE>(x), static_cast<BYTE>(y), static_cast<BYTE>(x * 7 + y * 3)));
    }
  }
  ReleaseDC(nullptr, dc);
  const std::vector<std::uint32_t> expected = screen::Pixels();

  std::string error;
  ASSERT_TRUE(screen::WritePng(dir / "one.png", 1, &error)) << error;
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  ASSERT_TRUE(screen::ReadPng(dir / "one.png", &width, &height, &pixels, &error)) << error;
  EXPECT_EQ(std::pair(width, height), std::pair(screen::kWidth, screen::kHeight));
  EXPECT_EQ(pixels, expected);

  ASSERT_TRUE(screen::WritePng(dir / "two.png", 2, &error)) << error;
  ASSERT_TRUE(screen::ReadPng(dir / "two.png", &width, &height, &pixels, &error)) << error;
  std::filesystem::remove_all(dir);
  ASSERT_EQ(std::pair(width, height), std::pair(2 * screen::kWidth, 2 * screen::kHeight));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      ASSERT_EQ(pixels[static_cast<std::size_t>(y) * width + x],
                expected[static_cast<std::size_t>(y / 2) * screen::kWidth + x / 2])
          << x << "," << y;
    }
  }
}

// The drawing tests paint in pure colours.
constexpr COLORREF kPureRed = RGB(255, 0, 0);
constexpr COLORREF kPureBlue = RGB(0, 0, 255);

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
  // The bounding box of what is not white (empty when nothing).
  RECT Ink() const {
    RECT box{width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        if (At(x, y) == kWhite) continue;
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
  HPEN pen = CreatePen(PS_SOLID, 1, kPureRed);
  HGDIOBJ old = SelectObject(canvas.dc(), pen);
  MoveToEx(canvas.dc(), 0, 0, nullptr);
  LineTo(canvas.dc(), 9, 3);
  const int expectedY[] = {0, 0, 1, 1, 1, 2, 2, 2, 3, -1};
  for (int x = 0; x < 10; ++x) {
    for (int y = 0; y < 5; ++y) {
      EXPECT_EQ(canvas.At(x, y) == kPureRed, y == expectedY[x]) << x << "," << y;
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
  HBRUSH brush = CreateSolidBrush(kPureBlue);
  SelectObject(canvas.dc(), brush);
  Rectangle(canvas.dc(), 2, 2, 8, 7);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 2 && x < 8 && y >= 2 && y < 7;
      const bool edge = inside && (x == 2 || x == 7 || y == 2 || y == 6);
      const COLORREF expected = !inside ? kWhite : edge ? kBlack : kPureBlue;
      EXPECT_EQ(canvas.At(x, y), expected) << x << "," << y;
    }
  }
  // Without a pen the fill stops one pixel short, right and bottom.
  canvas.Clear(kWhite);
  SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
  Rectangle(canvas.dc(), 2, 2, 8, 7);
  EXPECT_EQ(canvas.Count(kPureBlue), 5 * 4);
  EXPECT_EQ(canvas.At(6, 5), kPureBlue);
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

TEST(GdiBlit, OnlyACopyFromARealSourceIsDrawn) {
  Canvas source(1, 1);
  source.Clear(kPureRed);
  Canvas target(2, 1);
  EXPECT_FALSE(BitBlt(target.dc(), 0, 0, 1, 1, source.dc(), 0, 0, 0x00660046));  // XOR
  EXPECT_FALSE(BitBlt(target.dc(), 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_EQ(target.Count(kWhite), 2);
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
  small.Clear(kPureRed);
  Canvas target(4, 4);
  EXPECT_TRUE(BitBlt(target.dc(), -1, 0, 4, 4, small.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(target.Count(kPureRed), 2);
  EXPECT_EQ(target.At(0, 0), kPureRed);
  EXPECT_EQ(target.At(1, 0), kWhite);
}

TEST(GdiBlit, StretchBltIsNearestNeighbour) {
  Canvas source(2, 2);
  SetPixel(source.dc(), 0, 0, kPureRed);
  SetPixel(source.dc(), 1, 1, kPureBlue);
  Canvas target(8, 8);
  EXPECT_TRUE(StretchBlt(target.dc(), 0, 0, 4, 4, source.dc(), 0, 0, 2, 2, SRCCOPY));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const COLORREF expected = x < 2 && y < 2 ? kPureRed : x >= 2 && y >= 2 ? kPureBlue : kWhite;
      EXPECT_EQ(target.At(x, y), expected) << x << "," << y;
    }
  }
  // Shrinking samples pixel centres: 4 -> 2 takes columns 1 and 3.
  Canvas wide(4, 1);
  SetPixel(wide.dc(), 1, 0, kPureRed);
  SetPixel(wide.dc(), 3, 0, kPureBlue);
  target.Clear(kWhite);
  EXPECT_TRUE(StretchBlt(target.dc(), 0, 0, 2, 1, wide.dc(), 0, 0, 4, 1, SRCCOPY));
  EXPECT_EQ(target.At(0, 0), kPureRed);
  EXPECT_EQ(target.At(1, 0), kPureBlue);
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
  EXPECT_EQ(GetPixel(dc, 0, 0), kPureRed);
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dc, 2, 0), kPureBlue);
  EXPECT_EQ(GetPixel(dc, 0, 1), kPureBlue);
  EXPECT_EQ(GetPixel(dc, 1, 1), kBlack);
  SelectObject(dc, second);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x30, 0x20, 0x10));
  EXPECT_EQ(GetPixel(dc, 1, 0), kPureBlue);

  BITMAP info{};
  EXPECT_EQ(GetObject(first, sizeof info, &info), static_cast<int>(sizeof info));
  // Rows padded to 4 bytes.
  EXPECT_EQ(std::tuple(info.bmWidth, info.bmHeight, info.bmWidthBytes), std::tuple(3, 2, 4));
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
  EXPECT_EQ(canvas.At(1, 1), kPureRed);
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

TEST_F(GdiText, DrawTextBreaksLinesWrapsWordsAtSpacesAndRemovesPrefixes) {
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

  // Prefixes are removed unless DT_NOPREFIX.
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
  DrawText(dc(), u"OK", -1, &box, DT_RIGHT | DT_SINGLELINE);
  EXPECT_NEAR(canvas_.Ink().right, 158.5, 1.5);  // 157..160

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
