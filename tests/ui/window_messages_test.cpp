// Registered window messages and broadcasts between the processes of one
// device.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/clock.h"
#include "platform/device.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_device.h"
#include "tests/ui/test_window.h"

namespace {

using testing_support::ChildProcess;
using testing_support::TempDevice;
using WindowMessagesTest = ui_test::WindowTest;

constexpr LPCWSTR kStopAlarm = u"WM_STOP_ALARM";
constexpr LPCWSTR kIconState = u"WM_CHANGE_ICON_STATE";

TEST_F(WindowMessagesTest, NamesGetOneNumberInEveryProcessOfTheDevice) {
  TempDevice device(false);
  const UINT icon = RegisterWindowMessage(kIconState);
  EXPECT_GE(icon, 0xC000u);
  EXPECT_LE(icon, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessage(u"wm_change_icon_state"), icon);
  ChildProcess child([](ChildProcess& self) {
    // The child names them in another order.
    const UINT stop = RegisterWindowMessage(kStopAlarm);
    self.Report(std::to_string(RegisterWindowMessage(kIconState)));
    self.Report(std::to_string(stop));
  });
  EXPECT_EQ(child.NextLine(), std::to_string(icon));
  const UINT stop = RegisterWindowMessage(u"wm_stop_ALARM");
  EXPECT_EQ(child.NextLine(), std::to_string(stop));
  EXPECT_NE(stop, icon);
  EXPECT_EQ(RegisterWindowMessage(u""), 0u);
}

TEST_F(WindowMessagesTest, ABroadcastReachesTheTopLevelWindowsOfAnotherProcess) {
  TempDevice device(false);
  // A socket left by a process that died: the broadcast clears it away.
  const auto stale = device.folder() / "run" / "windows-999999999.sock";
  {
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, stale.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
  }
  const UINT stop = RegisterWindowMessage(kStopAlarm);
  ChildProcess child([](ChildProcess& self) {
    static UINT message;
    static UINT got;
    message = RegisterWindowMessage(kStopAlarm);
    WNDCLASS cls{};
    cls.lpszClassName = u"Listener";
    cls.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      if (m == message && wp == 42 && lp == 43) {
        got = m;
        PostQuitMessage(0);
      }
      return DefWindowProc(w, m, wp, lp);
    };
    RegisterClass(&cls);
    CreateWindowEx(0, u"Listener", u"", WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr, nullptr);
    self.Report("ready");
    platform::clock::UseReal();
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
    self.Report(std::to_string(got));
  });
  ASSERT_EQ(child.NextLine(), "ready");
  HWND own = TopLevel(u"own");
  ClearLog();
  EXPECT_TRUE(PostMessage(HWND_BROADCAST, stop, 42, 43));
  Pump();
  EXPECT_EQ(Log({stop}), (std::vector<ui_test::Logged>{{own, stop, 42, 43}}));
  EXPECT_EQ(child.NextLine(), std::to_string(stop));
  EXPECT_FALSE(std::filesystem::exists(stale));
}

}  // namespace
