// Registered window messages and broadcasts between the processes of one
// device. The second process is a forked child that opens the device
// itself and reports through a pipe.
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/clock.h"
#include "platform/device.h"
#include "tests/support/temp_device.h"
#include "tests/ui/test_window.h"

namespace {

using testing_support::TempDevice;
using WindowMessagesTest = ui_test::WindowTest;

constexpr LPCWSTR kStopAlarm = u"WM_STOP_ALARM";
constexpr LPCWSTR kIconState = u"WM_CHANGE_ICON_STATE";

// Runs `child` in a forked process on the same device; returns what the
// child wrote to the pipe (one UINT), or 0. `ready` runs in the parent once
// the child has written a first UINT.
template <typename Child, typename Ready>
UINT InChild(const std::filesystem::path& device, Child child, Ready ready) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return 0;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    ::alarm(20);  // a broken window system must not hang the test run
    std::string error;
    UINT result = 0;
    if (platform::device::Open(device, &error)) result = child(pipeFds[1]);
    [[maybe_unused]] auto n = ::write(pipeFds[1], &result, sizeof result);
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  UINT first = 0;
  UINT result = 0;
  if (::read(pipeFds[0], &first, sizeof first) == sizeof first) {
    ready(first);
    if (::read(pipeFds[0], &result, sizeof result) != sizeof result) result = 0;
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return result;
}

TEST_F(WindowMessagesTest, NamesGetOneNumberInEveryProcessOfTheDevice) {
  TempDevice device(false);
  const UINT icon = RegisterWindowMessage(kIconState);
  EXPECT_GE(icon, 0xC000u);
  EXPECT_LE(icon, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessage(u"wm_change_icon_state"), icon);
  UINT childIcon = 0;
  const UINT childStop = InChild(
      device.folder(),
      [](int out) {
        // The child names them in another order.
        const UINT stop = RegisterWindowMessage(kStopAlarm);
        const UINT icon = RegisterWindowMessage(kIconState);
        [[maybe_unused]] auto n = ::write(out, &icon, sizeof icon);
        return stop;
      },
      [&](UINT first) { childIcon = first; });
  EXPECT_EQ(childIcon, icon);
  const UINT stop = RegisterWindowMessage(u"wm_stop_ALARM");
  EXPECT_EQ(childStop, stop);
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
  const UINT heard = InChild(
      device.folder(),
      [](int out) -> UINT {
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
        const UINT ready = 1;
        [[maybe_unused]] auto n = ::write(out, &ready, sizeof ready);
        platform::clock::UseReal();
        MSG msg;
        while (GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
        return got;
      },
      [&](UINT) {
        HWND own = TopLevel(u"own");
        ClearLog();
        EXPECT_TRUE(PostMessage(HWND_BROADCAST, stop, 42, 43));
        Pump();
        EXPECT_EQ(Log({stop}), (std::vector<ui_test::Logged>{{own, stop, 42, 43}}));
      });
  EXPECT_EQ(heard, stop);
  EXPECT_FALSE(std::filesystem::exists(stale));
}

}  // namespace
