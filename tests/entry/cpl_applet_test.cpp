// CPlApplet of the loaded module as the control panel calls it: the long
// record byte for byte and what a double-click does.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/control_panel.h"
#include "platform/kernel.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/window.h"
#include "tests/support/scenario_fixture.h"

namespace {

using testing_support::ScenarioTest;

using CplAppletTest = ScenarioTest;

TEST_F(CplAppletTest, NewInquireFillsTheLongRecordWithZeroPaddedFields) {
  NEWCPLINFO info;
  std::memset(&info, 0xCC, sizeof info);
  EXPECT_EQ(module_->Applet(CPL_NEWINQUIRE, 0, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_EQ(info.dwSize, 468u);
  EXPECT_EQ(info.dwFlags | info.dwHelpContext | DWORD(info.lData), 0u);
  // The product's icon from the module.
  EXPECT_NE(info.hIcon, 0u);
  EXPECT_EQ(info.hIcon,
            static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(LoadIcon(module_->Handle(), 500))));

  // Each text field holds its text and zeros up to its end.
  auto field = [](const WCHAR* chars, std::size_t capacity, std::u16string_view text) {
    std::vector<WCHAR> expected(capacity, 0);
    std::copy(text.begin(), text.end(), expected.begin());
    return std::vector<WCHAR>(chars, chars + capacity) == expected;
  };
  EXPECT_TRUE(field(info.szName, 32, u"Veyrholm PDA"));
  const std::u16string longName = Text(587);
  ASSERT_FALSE(longName.empty());
  ASSERT_LT(longName.size(), 64u);
  EXPECT_TRUE(field(info.szInfo, 64, longName));
  EXPECT_TRUE(field(info.szHelpFile, 128, u""));
}

// Another instance holds the settings' mutex: no logon (an empty script
// would run out on any dialog), and its sheet comes to the front.
TEST_F(CplAppletTest, ADoubleClickBringsTheOpenSettingsToTheFront) {
  const HANDLE other = CreateMutex(nullptr, TRUE, u"OMREL_APP_MUTEX");
  ASSERT_NE(other, nullptr);
  LONG result = -1;
  Run("", [&] { result = module_->Applet(CPL_STARTWPARMS); });
  EXPECT_EQ(result, 1);
  // The settings sheet of that instance, behind everything.
  const std::u16string title = Text(609);
  const DWORD style = WS_POPUP | WS_CAPTION | DS_SETFONT;
  const DialogTemplate sheet{0, style, 0, 0, 0, 160, 200, title.c_str(), u"Tahoma", 8, nullptr, 0};
  const HWND settings = CreateDialogIndirectParam(
      nullptr, &sheet, nullptr,
      [](HWND, UINT m, WPARAM, LPARAM) -> LONG_PTR { return m == WM_INITDIALOG; }, 0);
  ASSERT_NE(settings, nullptr);
  ASSERT_FALSE(IsWindowVisible(settings));
  Run("", [&] { result = module_->Applet(CPL_DBLCLK); });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(IsWindowVisible(settings));
  EXPECT_EQ(GetForegroundWindow(), settings);
  DestroyWindow(settings);
  CloseHandle(other);
}

}  // namespace
