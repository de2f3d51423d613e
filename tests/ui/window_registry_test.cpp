// Top-level windows of other processes of the device: found by FindWindow
// through the lists each process publishes, brought to the front by a
// request their own loop carries out, and forgotten when their process has
// died. The list files may hold anything.
// Registered window messages and broadcasts between the processes of one
// device.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>

#include "platform/clock.h"
#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/ui/window/window_registry.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_device.h"
#include "tests/support/test_seed.h"
#include "tests/ui/test_window.h"

namespace {

namespace fs = std::filesystem;
using platform::ui::wm::FormatWindowList;
using platform::ui::wm::ListedWindow;
using platform::ui::wm::ParseWindowList;
using platform::ui::wm::WindowListFileName;
using testing_support::ChildProcess;
using testing_support::TempDevice;
using WindowRegistryTest = ui_test::WindowTest;

constexpr LPCWSTR kSheetClass = u"Sheet";

void Write(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

TEST_F(WindowRegistryTest, ListsOfDeadProcessesAreIgnoredAndRemovedAndGarbageIsSkipped) {
  TempDevice device(false);
  const fs::path run = device.folder() / "run";
  fs::create_directories(run);
  const std::string settings = FormatWindowList({{0x1236, u"Sheet", u"Settings"}});
  // Nobody holds this list: its process is gone.
  const fs::path dead = run / WindowListFileName(1000001);
  Write(dead, settings);
  // A living process (the lock held here) whose list a crash or a stranger
  // filled with garbage around one good line and a torn one.
  const fs::path living = run / WindowListFileName(1000002);
  Write(living, std::string("\x01\x02\tno\n%zz\tSheet\tx\n0\tSheet\tzero\n12\tSheet\n") +
                    FormatWindowList({{0x1256, u"Sheet", u"Other"}}) + "\xff\xfe\t\t\t\n" +
                    "1266\tSheet\tSettings");
  const int lock = ::open(living.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  // A pipe where a list should be must not make a reader wait for a writer.
  ASSERT_EQ(::mkfifo((run / WindowListFileName(1000003)).c_str(), 0600), 0);
  // Names that are no list of a process, and a damaged guard.
  for (const char* name :
       {"windows-.list", "windows-abc.list", "windows-0.list", "windows.guard"}) {
    Write(run / name, settings.substr(0, 5));
  }

  EXPECT_EQ(FindWindow(kSheetClass, u"Settings"), nullptr);
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(run / "windows-abc.list"));
  const HWND other = FindWindow(u"sheet", u"OTHER");
  ASSERT_NE(other, nullptr);
  EXPECT_TRUE(IsWindow(other));
  EXPECT_EQ(FindWindow(nullptr, u"Other"), other);

  // The process dies: its window is gone, whatever was read before.
  ::close(lock);
  EXPECT_FALSE(IsWindow(other));
  EXPECT_EQ(FindWindow(kSheetClass, u"Other"), nullptr);
  EXPECT_FALSE(fs::exists(living));
  EXPECT_FALSE(SetForegroundWindow(other));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowRegistryTest, AnyTitleSurvivesTheListAndNoDamageBreaksTheReader) {
  std::mt19937 random(testing_support::TestSeed());
  const std::u16string pool = u"aZ %\t\r\n\x7f\x01\u00e9\u4e2d\xd83d\xde00";
  std::vector<ListedWindow> windows;
  for (std::uint32_t n = 1; n <= 40; ++n) {
    ListedWindow w{n * 16 + 6, u"", u""};
    for (std::size_t i = random() % 12; i > 0; --i) w.className += pool[random() % pool.size()];
    for (std::size_t i = random() % 12; i > 0; --i) w.title += pool[random() % pool.size()];
    // Keep surrogates paired: a lone one is no text anybody lists.
    for (std::u16string* text : {&w.className, &w.title}) {
      std::erase_if(*text, [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; });
    }
    windows.push_back(w);
  }
  const std::string text = FormatWindowList(windows);
  auto fields = [](const std::vector<ListedWindow>& list) {
    std::vector<std::tuple<std::uint32_t, std::u16string, std::u16string>> out;
    for (const ListedWindow& w : list) out.emplace_back(w.local, w.className, w.title);
    return out;
  };
  EXPECT_EQ(fields(ParseWindowList(text)), fields(windows));
  for (int round = 0; round < 200; ++round) {
    std::string damaged = text;
    for (int i = 0; i < 8; ++i) damaged[random() % damaged.size()] = static_cast<char>(random());
    for (const ListedWindow& w : ParseWindowList(damaged)) EXPECT_NE(w.local, 0u);
  }
}

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
