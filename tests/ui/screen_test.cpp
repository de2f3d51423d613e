// The screen: composition of windows in z-order with frames, erasing and
// children over parents; window DCs and their clipping; incremental frames;
// PNG files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/ui/gfx/gdi.h"
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
void ExpectPixels(std::initializer_list<Pixel> pixels) {
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

TEST_F(ScreenTest, ComposePaintsWindowsBottomUpWithChildrenOverParents) {
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
  ExpectPixels({{5, 5, kWhite},
                {10, 10, kBlack},
                {109, 30, kBlack},
                {11, 11, kRed},
                {16, 16, kGreen},
                {36, 36, kRed},
                {105, 55, kBlue},
                {49, 49, kRed},
                {150, 150, kWhite},
                {101, 35, kYellow},
                {109, 35, kBlack},
                {115, 35, kWhite}});

  // Another order, another picture; hidden windows leave no trace.
  BringWindowToTop(lower);
  screen::Compose();
  ExpectPixels({{60, 60, kRed}, {115, 55, kBlue}});
  ShowWindow(child, SW_HIDE);
  ShowWindow(upper, SW_HIDE);
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

TEST_F(ScreenTest, WindowDcsSpareWhatLiesAboveAndStartAtTheClientArea) {
  HWND lower = Make(kRed, WS_POPUP | WS_BORDER, 10, 10, 100, 100);
  HWND child = Make(kGreen, WS_CHILD, 5, 5, 20, 20, lower);
  HWND upper = Make(kBlue, WS_POPUP, 60, 60, 100, 100);
  BringWindowToTop(upper);
  screen::Compose();

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

  // A hidden window's DC draws nowhere.
  ShowWindow(child, SW_HIDE);
  dc = GetDC(child);
  EXPECT_EQ(SetPixel(dc, 1, 1, kBlack), CLR_INVALID);
  ReleaseDC(child, dc);
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
  EXPECT_EQ(PaintsOf(left_), 1);
  EXPECT_EQ(PaintsOf(top_), 1);
  EXPECT_EQ(PaintsOf(right_), 1);
  EXPECT_EQ(PaintsOf(bar_), 0);
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
  EXPECT_EQ(PaintsOf(left_), 1);
  EXPECT_EQ(PaintsOf(bar_), 0);
}

class PngFile : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("veyr-screen-" + std::to_string(::getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(PngFile, WritesTheFramebufferAndReadsItBack) {
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
  ASSERT_TRUE(screen::WritePng(dir_ / "one.png", 1, &error)) << error;
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  ASSERT_TRUE(screen::ReadPng(dir_ / "one.png", &width, &height, &pixels, &error)) << error;
  EXPECT_EQ(width, screen::kWidth);
  EXPECT_EQ(height, screen::kHeight);
  EXPECT_EQ(pixels, expected);

  ASSERT_TRUE(screen::WritePng(dir_ / "two.png", 2, &error)) << error;
  ASSERT_TRUE(screen::ReadPng(dir_ / "two.png", &width, &height, &pixels, &error)) << error;
  ASSERT_EQ(width, 2 * screen::kWidth);
  ASSERT_EQ(height, 2 * screen::kHeight);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      ASSERT_EQ(pixels[static_cast<std::size_t>(y) * width + x],
                expected[static_cast<std::size_t>(y / 2) * screen::kWidth + x / 2])
          << x << "," << y;
    }
  }
}

}  // namespace
