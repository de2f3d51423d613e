// The "STATIC" class: clicks with SS_NOTIFY, taps passing through plain
// statics, icons and bitmaps with their sizes, wrapped text.
#include "platform/ui/dialog.h"
#include "platform/ui/gdi.h"
#include "tests/ui/controls_fixture.h"

namespace {

using controls_test::Command;
using controls_test::ControlTest;

using StaticTest = ControlTest;

TEST_F(StaticTest, OnlyNotifyingStaticsTakeTaps) {
  const HWND notify = Make(u"STATIC", u"Tap me", SS_NOTIFY, {10, 10, 100, 26}, 30);
  // A plain label over a button: the tap reaches the button.
  const HWND label = Make(u"STATIC", u"label", SS_LEFT, {10, 40, 100, 56}, 31);
  const HWND button = Make(u"BUTTON", u"Under", BS_PUSHBUTTON, {10, 40, 100, 70}, 32);
  TapCenter(notify);
  TapAt(label, 5, 5);
  EXPECT_EQ(Commands(), (std::vector<Command>{{30, STN_CLICKED}, {32, BN_CLICKED}}));
  EXPECT_EQ(GetFocus(), button);
  EXPECT_EQ(SendMessage(label, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
}

TEST_F(StaticTest, IconsAndBitmapsTakeTheirImageSizeUnlessCentred) {
  const HWND icon = Make(u"STATIC", nullptr, SS_ICON, {3, 6, 23, 26}, 1);
  const HWND bitmap = Make(u"STATIC", nullptr, SS_BITMAP, {100, 100, 143, 113}, 747);
  const HWND centred = Make(u"STATIC", nullptr, SS_BITMAP | SS_CENTERIMAGE, {10, 150, 110, 200}, 3);
  const HICON asterisk = LoadIcon(nullptr, IDI_ASTERISK);
  const HDC dc = GetDC(nullptr);
  const HBITMAP logo = CreateCompatibleBitmap(dc, 72, 22);
  ReleaseDC(nullptr, dc);
  ASSERT_NE(asterisk, nullptr);
  ASSERT_NE(logo, nullptr);

  // The wrong kind of image is refused.
  EXPECT_EQ(SendMessage(icon, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo)), 0);
  EXPECT_EQ(SendMessage(icon, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  SendMessage(icon, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(asterisk));
  SendMessage(bitmap, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo));
  SendMessage(centred, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo));
  EXPECT_EQ(SendMessage(icon, STM_GETIMAGE, IMAGE_ICON, 0), reinterpret_cast<LRESULT>(asterisk));

  SIZE iconSize{};
  GetIconSize(asterisk, &iconSize);
  RECT r{};
  GetWindowRect(icon, &r);
  EXPECT_EQ(r.right - r.left, iconSize.cx);
  EXPECT_EQ(r.bottom - r.top, iconSize.cy);
  GetWindowRect(bitmap, &r);
  EXPECT_EQ(r.right - r.left, 72);
  EXPECT_EQ(r.bottom - r.top, 22);
  EXPECT_EQ(r.left, 100);
  GetWindowRect(centred, &r);
  EXPECT_EQ(r.right - r.left, 100);
  DestroyWindow(bitmap);
  DestroyWindow(centred);
  DeleteObject(reinterpret_cast<HGDIOBJ>(logo));
}

TEST_F(StaticTest, TextWrapsOntoMoreLines) {
  const HWND text = Make(u"STATIC", u"Owner information\r\nthat runs long enough to wrap", SS_LEFT,
                         {10, 10, 90, 80}, 721);
  ASSERT_TRUE(Drawn(text));
  // Ink on rows further apart than one line of text.
  const auto& pixels = platform::ui::screen::Pixels();
  RECT r{};
  GetWindowRect(text, &r);
  const std::uint32_t paper = pixels[static_cast<std::size_t>(r.top) * 240 + r.left];
  int firstInk = -1;
  int lastInk = -1;
  for (LONG y = r.top; y < r.bottom; ++y) {
    for (LONG x = r.left; x < r.right; ++x) {
      if (pixels[static_cast<std::size_t>(y) * 240 + x] == paper) continue;
      if (firstInk < 0) firstInk = y;
      lastInk = y;
    }
  }
  EXPECT_GT(lastInk - firstInk, 30);
}

}  // namespace
