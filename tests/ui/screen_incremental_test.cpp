// The message loop's incremental frames: only what was invalidated is
// repainted, and the picture is always the one a full composition gives.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "platform/clock.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/message_loop.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window_dc.h"

namespace {

namespace screen = platform::ui::screen;

constexpr LPCWSTR kClass = u"IncrementalTestFill";

std::map<HWND, int>& Paints() {
  static std::map<HWND, int> paints;
  return paints;
}

// Fills its client area with the colour in GWL_USERDATA and counts paints.
LRESULT FillProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProc(window, message, wParam, lParam);
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  ++Paints()[window];
  HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLong(window, GWL_USERDATA)));
  RECT client{};
  GetClientRect(window, &client);
  FillRect(dc, &client, brush);
  DeleteObject(brush);
  // A line of text, so partial frames also blend glyphs over what lies
  // below, as controls do.
  SetBkMode(dc, TRANSPARENT);
  TextOut(dc, 2, 2, u"Ag", 2);
  EndPaint(window, &paint);
  return 0;
}

class IncrementalFrameTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::clock::UseVirtual(1000);
    previousComposer_ = platform::ui::SetComposer(nullptr);
    WNDCLASS wc{};
    wc.lpfnWndProc = FillProc;
    wc.lpszClassName = kClass;
    RegisterClass(&wc);
    Paints().clear();
    // A dialog-like window with two children that overlap, and a bar
    // elsewhere on the screen.
    bar_ = Make(RGB(0, 0, 128), WS_POPUP | WS_BORDER, 0, 0, 240, 26);
    top_ = Make(RGB(255, 255, 255), WS_POPUP | WS_BORDER, 10, 60, 220, 120);
    left_ = Make(RGB(0, 160, 0), WS_CHILD | WS_BORDER, 10, 10, 100, 40, top_);
    right_ = Make(RGB(200, 0, 0), WS_CHILD, 90, 30, 100, 40, top_);
    Frame();
    Paints().clear();
  }

  void TearDown() override {
    for (HWND w : {right_, left_, top_, bar_}) {
      if (IsWindow(w)) DestroyWindow(w);
    }
    Frame();
    UnregisterClass(kClass, nullptr);
    platform::ui::SetComposer(previousComposer_);
  }

  HWND Make(COLORREF color, DWORD style, int x, int y, int w, int h, HWND parent = nullptr) {
    HWND window =
        CreateWindowEx(0, kClass, u"", style | WS_VISIBLE, x, y, w, h, parent, 0, nullptr, nullptr);
    EXPECT_NE(window, nullptr);
    SetWindowLong(window, GWL_USERDATA, static_cast<LONG_PTR>(color));
    return window;
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

  static int PaintsOf(HWND window) { return Paints()[window]; }

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
  Paints().clear();
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
  MoveWindow(right_, 100, 40, 100, 40, TRUE);
  Frame();
  EXPECT_TRUE(allPainted());
  EXPECT_EQ(screen::Pixels(), FullPicture());

  Paints().clear();
  ShowWindow(right_, SW_HIDE);
  Frame();
  EXPECT_TRUE(allPainted());
  EXPECT_EQ(screen::Pixels(), FullPicture());

  Paints().clear();
  SetWindowLong(left_, GWL_STYLE, GetWindowLong(left_, GWL_STYLE) & ~WS_BORDER);
  Frame();
  EXPECT_TRUE(allPainted());
  EXPECT_EQ(screen::Pixels(), FullPicture());
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
  Paints().clear();
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

}  // namespace
