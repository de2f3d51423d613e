// The host's screen: screenshots of each new screen, and the window showing
// only changed frames (on SDL's dummy video driver).
#include "device/device_screen.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/clock.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/message_loop.h"
#include "platform/ui/window/window.h"
#include "tests/support/temp_device.h"

namespace {

class DeviceScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::clock::UseVirtual(0);
    label_ = CreateWindowEx(0, u"STATIC", u"first", WS_POPUP | WS_VISIBLE | SS_LEFT, 0, 0, 240, 320,
                            nullptr, 0, nullptr, nullptr);
    ASSERT_NE(label_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(label_);
    Pump();
  }

  // Runs what is due now; the loop composes a frame when a window changed.
  static void Pump() {
    MSG msg{};
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
  }

  testing_support::TempDevice device_;
  HWND label_ = nullptr;
};

TEST_F(DeviceScreenTest, WritesAPictureOfEachNewScreenOnly) {
  const std::filesystem::path folder = device_.folder() / "shots" / "run";
  {
    pda::DeviceScreen screen({false, folder});
    EXPECT_FALSE(screen.HasWindow());
    Pump();
    ASSERT_EQ(screen.ScreenshotCount(), 1) << screen.ScreenshotError();
    // Repainted but unchanged: no new picture.
    InvalidateRect(label_, nullptr, TRUE);
    Pump();
    EXPECT_EQ(screen.ScreenshotCount(), 1);
    SetWindowText(label_, u"second");
    Pump();
    EXPECT_EQ(screen.ScreenshotCount(), 2);
    EXPECT_TRUE(screen.ScreenshotError().empty());
  }
  EXPECT_TRUE(std::filesystem::exists(folder / "0001.png"));
  EXPECT_TRUE(std::filesystem::exists(folder / "0002.png"));
  EXPECT_FALSE(std::filesystem::exists(folder / "0003.png"));
}

}  // namespace
