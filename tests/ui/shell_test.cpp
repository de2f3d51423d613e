#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "platform/device.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/screen.h"
#include "platform/wstring.h"
#include "tests/ui/shell_fixture.h"

namespace {

namespace shell = platform::ui::shell;
using testing_support::Received;
using testing_support::ReceivedLog;

class ShellWindowsTest : public testing_support::ShellTest {};

RECT RectOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

TEST_F(ShellWindowsTest, BarsAreTopmostAndTappingThemKeepsTheActiveWindowAndFocus) {
  EXPECT_TRUE(IsWindowVisible(shell::TaskbarWindow()));
  EXPECT_TRUE(IsWindowVisible(shell::MenuBarWindow()));
  EXPECT_FALSE(IsWindowVisible(shell::InputPanelWindow()));
  for (HWND w : {shell::TaskbarWindow(), shell::MenuBarWindow(), shell::InputPanelWindow()}) {
    const auto ex = static_cast<DWORD>(GetWindowLong(w, GWL_EXSTYLE));
    EXPECT_EQ(ex & (WS_EX_TOPMOST | WS_EX_NOACTIVATE), WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  }

  const HWND app = MakeWindow(u"Notes");
  Tap({100, 5, 110, 20});   // taskbar title
  Tap({10, 300, 20, 310});  // empty menu bar
  EXPECT_EQ(GetActiveWindow(), app);
  EXPECT_EQ(GetForegroundWindow(), app);
  EXPECT_EQ(GetFocus(), app);
  // The shell's windows lie above the application's.
  EXPECT_EQ(WindowFromPoint({120, 10}), shell::TaskbarWindow());
  EXPECT_EQ(WindowFromPoint({120, 300}), shell::MenuBarWindow());
}

TEST_F(ShellWindowsTest, FullScreenStateIsKeptPerWindowAndFollowsTheForeground) {
  // Whether the taskbar window, its start icon and the panel button show.
  const auto bars = [] {
    return std::vector<bool>{IsWindowVisible(shell::TaskbarWindow()) != FALSE,
                             shell::StartIconVisible(), shell::SipButtonVisible()};
  };
  const HWND lock = MakeWindow(u"Lock");
  ASSERT_TRUE(SHFullScreen(lock, SHFS_HIDETASKBAR | SHFS_HIDESTARTICON | SHFS_HIDESIPBUTTON));
  Pump();
  EXPECT_EQ(bars(), (std::vector{false, false, false}));

  // Another application in front has the default shell.
  const HWND other = MakeWindow(u"Other");
  EXPECT_EQ(bars(), (std::vector{true, true, true}));

  // Only the start icon hidden: the taskbar shows without it.
  ASSERT_TRUE(SHFullScreen(other, SHFS_HIDESTARTICON));
  EXPECT_TRUE(shell::TaskbarVisible());
  EXPECT_FALSE(shell::StartIconVisible());

  // A window owned by the lock screen (its message box) keeps its screen.
  const HWND box = MakeWindow(u"Box", 0, lock);
  EXPECT_EQ(GetForegroundWindow(), box);
  EXPECT_EQ(bars(), (std::vector{false, false, false}));
  DestroyWindow(box);

  SetForegroundWindow(lock);
  Pump();
  EXPECT_FALSE(IsWindowVisible(shell::TaskbarWindow()));
  ASSERT_TRUE(SHFullScreen(lock, SHFS_SHOWTASKBAR | SHFS_SHOWSTARTICON));
  EXPECT_EQ(bars(), (std::vector{true, true, false}));

  SetLastError(0);
  EXPECT_FALSE(SHFullScreen(lock, SHFS_SHOWTASKBAR | SHFS_HIDETASKBAR));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(shell::TaskbarVisible());
  EXPECT_FALSE(SHFullScreen(nullptr, SHFS_HIDETASKBAR));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(ShellWindowsTest, InitDialogSizesTheDialogBelowTheTaskbar) {
  const HWND dialog = MakeWindow(u"Dialog");
  MoveWindow(dialog, 20, 60, 200, 150, FALSE);

  SHINITDLGINFO info{SHIDIM_FLAGS, dialog, SHIDIF_FULLSCREENNOMENUBAR};
  ASSERT_TRUE(SHInitDialog(&info));
  EXPECT_TRUE(Equal(RectOf(dialog), {0, 26, 240, 320}));
  // No menu bar for it; the bar comes back only to carry the panel button.
  SHFullScreen(dialog, SHFS_HIDESIPBUTTON);
  EXPECT_FALSE(shell::MenuBarVisible());
  EXPECT_FALSE(IsWindowVisible(shell::MenuBarWindow()));
  SHFullScreen(dialog, SHFS_SHOWSIPBUTTON);
  EXPECT_TRUE(IsWindowVisible(shell::MenuBarWindow()));

  info.dwFlags = SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_DONEBUTTON;
  const HWND second = MakeWindow(u"Second");
  info.hDlg = second;
  ASSERT_TRUE(SHInitDialog(&info));
  EXPECT_TRUE(Equal(RectOf(second), {0, 26, 240, 294}));
  EXPECT_TRUE(shell::DoneButtonVisible());

  SHSipPreference(second, SIP_UP);
  info.dwFlags = SHIDIF_SIZEDLG;
  ASSERT_TRUE(SHInitDialog(&info));
  EXPECT_TRUE(Equal(RectOf(second), {0, 26, 240, 214}));
  info.dwFlags = SHIDIF_SIPDOWN;
  ASSERT_TRUE(SHInitDialog(&info));
  EXPECT_FALSE(shell::PanelUp());

  // Without the flags mask nothing changes.
  MoveWindow(second, 10, 40, 100, 100, FALSE);
  info = {0, second, SHIDIF_SIZEDLGFULLSCREEN};
  ASSERT_TRUE(SHInitDialog(&info));
  EXPECT_TRUE(Equal(RectOf(second), {10, 40, 110, 140}));
  EXPECT_FALSE(SHInitDialog(nullptr));
}

TEST_F(ShellWindowsTest, DoneButtonShowsWhenTheWindowInFrontAsksForIt) {
  const HWND dialog = MakeWindow(u"Settings");
  EXPECT_FALSE(shell::DoneButtonVisible());
  ASSERT_TRUE(SHDoneButton(dialog, SHDB_SHOW));
  EXPECT_TRUE(shell::DoneButtonVisible());
  ASSERT_TRUE(SHDoneButton(dialog, SHDB_HIDE));
  EXPECT_FALSE(shell::DoneButtonVisible());
  EXPECT_FALSE(SHDoneButton(dialog, 3));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  // A window made with the caption OK style has the button unless it says
  // otherwise; the lock-screen style bit always removes it.
  const HWND ok = MakeWindow(u"OK style", WS_EX_CAPTIONOKBTN);
  EXPECT_TRUE(shell::DoneButtonVisible());
  SetWindowLong(ok, GWL_STYLE, GetWindowLong(ok, GWL_STYLE) | WS_NONAVDONEBUTTON);
  EXPECT_FALSE(shell::DoneButtonVisible());
  // A hidden taskbar carries no button.
  SetWindowLong(ok, GWL_STYLE, GetWindowLong(ok, GWL_STYLE) & ~WS_NONAVDONEBUTTON);
  SHFullScreen(ok, SHFS_HIDETASKBAR);
  EXPECT_FALSE(shell::DoneButtonVisible());
}

using HelpViewerTest = testing_support::ShellTest;

TEST_F(HelpViewerTest, PegHelpShowsTheHelpPageUntilOk) {
  const HWND dialog = MakeWindow(u"Logon");
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcess(u"PegHelp.exe", u"OMREL.htm", nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, nullptr, &pi));
  EXPECT_NE(pi.dwProcessId, 0u);
  EXPECT_NE(pi.dwThreadId, 0u);
  ASSERT_NE(pi.hProcess, nullptr);
  ASSERT_EQ(shell::ProcessStarts().size(), 1u);
  const shell::ProcessStart start = shell::ProcessStarts()[0];
  EXPECT_EQ(std::tie(start.application, start.commandLine, start.processId),
            std::tuple(u"PegHelp.exe", u"OMREL.htm", pi.dwProcessId));

  Pump();
  const HWND viewer = start.window;
  ASSERT_TRUE(IsWindow(viewer));
  EXPECT_EQ(GetForegroundWindow(), viewer);
  EXPECT_EQ(FindWindow(nullptr, u"Help"), viewer);
  EXPECT_FALSE(shell::HelpViewerText(viewer).empty());
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_TIMEOUT);

  ASSERT_TRUE(shell::DoneButtonVisible());
  Tap(shell::DoneButtonRect());
  EXPECT_FALSE(IsWindow(viewer));
  EXPECT_EQ(GetForegroundWindow(), dialog);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_OBJECT_0);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
}

TEST_F(HelpViewerTest, OtherProgramsAreNotFoundAndOneViewerServesEveryRequest) {
  SetLastError(0);
  EXPECT_FALSE(CreateProcess(u"calc.exe", u"", nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(shell::ProcessStarts().empty());

  std::ofstream(platform::device::MapPath(u"\\Windows\\Other.htm")) << "<p>Other page</p>";
  ASSERT_TRUE(CreateProcess(u"\\Windows\\peghelp.exe", u"\"OMREL.htm#settings\"", nullptr, nullptr,
                            FALSE, 0, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(CreateProcess(nullptr, u"PegHelp.exe Other.htm", nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, nullptr, nullptr));
  ASSERT_EQ(shell::ProcessStarts().size(), 2u);
  EXPECT_EQ(shell::ProcessStarts()[0].window, shell::ProcessStarts()[1].window);
  EXPECT_EQ(shell::HelpViewerText(shell::ProcessStarts()[1].window), u"Other page");

  ASSERT_TRUE(CreateProcess(u"PegHelp.exe", u"Missing.htm", nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, nullptr, nullptr));
  EXPECT_EQ(shell::HelpViewerText(shell::ProcessStarts()[2].window),
            u"The help file \\Windows\\Missing.htm could not be found.");

  platform::faults::Fail("CreateProcess", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(CreateProcess(u"PegHelp.exe", u"OMREL.htm", nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
}

// Programs' icons on the taskbar, laid out left of the clock, made from pixels.
TEST_F(ShellWindowsTest, TaskbarIconsAreOnePerWindowAndIdUntilDeletedOrTheWindowGoes) {
  const HWND owner = MakeWindow(u"Owner");
  const std::uint32_t pixels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000};
  EXPECT_EQ(CreateIconFromPixels(0, 2, pixels), nullptr);
  const HICON icon = CreateIconFromPixels(2, 2, pixels);
  ASSERT_NE(icon, nullptr);
  auto Notify = [owner](DWORD message, UINT id, HICON shown) {
    NOTIFYICONDATA data{};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = id;
    data.uFlags = shown ? NIF_ICON : 0;
    data.hIcon = shown;
    return Shell_NotifyIcon(message, &data);
  };
  EXPECT_FALSE(Notify(NIM_ADD, 1, nullptr));  // nothing to show
  EXPECT_FALSE(Notify(NIM_DELETE, 1, nullptr));
  EXPECT_TRUE(Notify(NIM_ADD, 1, icon));
  EXPECT_FALSE(Notify(NIM_ADD, 1, icon));
  EXPECT_TRUE(Notify(NIM_ADD, 2, icon));

  const auto icons = shell::TaskbarIcons();
  ASSERT_EQ(icons.size(), 2u);
  // Right to left from the clock, inside the bar, not overlapping.
  EXPECT_LE(icons[1].rect.right, icons[0].rect.left);
  EXPECT_GT(icons[1].rect.left, shell::StartIconRect().right);
  EXPECT_GE(icons[0].rect.top, 0);
  EXPECT_LE(icons[0].rect.bottom, shell::kTaskbarHeight);

  EXPECT_TRUE(Notify(NIM_DELETE, 1, nullptr));
  ASSERT_EQ(shell::TaskbarIcons().size(), 1u);
  EXPECT_EQ(shell::TaskbarIcons()[0].id, 2u);
  DestroyWindow(owner);
  EXPECT_TRUE(shell::TaskbarIcons().empty());

  // A pixel icon is the program's to destroy.
  SIZE size{};
  ASSERT_TRUE(GetIconSize(icon, &size));
  EXPECT_EQ(size.cx, 2);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(GetIconSize(icon, &size));
}

TEST(ParseHelpTest, KeepsTheVisibleTextInParagraphsAndHeadings) {
  const auto paragraphs = shell::ParseHelp(
      "<html><head><title>T</title><style>p{}</style></head><body>\n"
      "<H1 class=x>Caf\xc3\xa9  &amp;\n Tea</H1><!-- <p>hidden</p> -->"
      "<p>One&nbsp;two &lt;b&gt; &#65;&#x42; &unknown; a < b</p>"
      "text<br/>after<ul><li>first</li><li>second</li></ul>"
      "<script>var x = '<p>no</p>';</script><p>Latin \xe9t\xe9</p></body></html>");
  std::vector<std::pair<std::u16string, bool>> got;
  for (const auto& p : paragraphs) got.emplace_back(p.text, p.heading);
  const std::vector<std::pair<std::u16string, bool>> want = {
      {u"Caf\u00e9 & Tea", true},
      {u"One\u00a0two <b> AB &unknown; a < b", false},
      {u"text", false},
      {u"after", false},
      {u"\u2022 first", false},
      {u"\u2022 second", false},
      {u"Latin \u00e9t\u00e9", false}};
  EXPECT_EQ(got, want);
  EXPECT_TRUE(shell::ParseHelp("").empty());
  EXPECT_TRUE(shell::ParseHelp("<p>  </p><br><unclosed").empty());
}

}  // namespace
