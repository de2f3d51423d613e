// Registered window messages and broadcasts across the processes of a
// device (see docs/window-system.md):
//   <device>/run/window-messages     registered names, one a line, folded;
//                                    line n is message 0xC000 + n; read and
//                                    extended under an exclusive flock
//   <device>/run/windows-<pid>.sock  each process's datagram socket; a
//                                    broadcast sends one datagram to every
//                                    other socket; requests for one of its
//                                    windows (window_registry.h) come here
//                                    too
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/clock.h"
#include "platform/device.h"
#include "platform/ui/window/window_manager_state.h"
#include "platform/ui/window/window_registry.h"
#include "platform/unique_fd.h"
#include "platform/wstring.h"

namespace platform::ui::wm {
namespace {

namespace fs = std::filesystem;
using platform::UniqueFd;

constexpr UINT kFirstRegistered = 0xC000;
constexpr UINT kLastRegistered = 0xFFFF;
constexpr std::uint32_t kMagic = 0x564D5731;         // "VMW1"
constexpr std::uint32_t kRequestMagic = 0x564D5231;  // "VMR1"
constexpr const char* kNamesFile = "window-messages";
constexpr const char* kSocketPrefix = "windows-";
constexpr const char* kSocketSuffix = ".sock";

struct Datagram {
  std::uint32_t magic;
  std::uint32_t message;
  std::uint64_t wParam;
  std::int64_t lParam;
};

// Registered names: the device's table mirrored per device folder, or a
// table of this process while no device is open.
struct Names {
  std::mutex mutex;
  std::string folder;
  std::unordered_map<std::u16string, UINT> device;
  std::unordered_map<std::u16string, UINT> local;
};

Names& TheNames() {
  static Names* names = new Names;
  return *names;
}

UINT RegisterOnDevice(const fs::path& folder, const std::u16string& folded) {
  const fs::path file = folder / "run" / kNamesFile;
  UniqueFd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (fd.get() < 0 || ::flock(fd.get(), LOCK_EX) != 0) return 0;
  std::string content;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd.get(), buffer, sizeof buffer)) > 0;) content.append(buffer, n);
  Names& names = TheNames();
  UINT number = kFirstRegistered;
  UINT found = 0;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) break;  // a line being written when a writer died
    const std::u16string name = FromUtf8(std::string_view(content).substr(start, end - start));
    names.device.emplace(name, number);
    if (name == folded) found = number;
    ++number;
    start = end + 1;
  }
  if (found) return found;
  if (number > kLastRegistered) return 0;
  const std::string line = ToUtf8(folded) + "\n";
  // Appends after the last whole line, dropping any torn remainder.
  if (::ftruncate(fd.get(), static_cast<off_t>(start)) != 0 ||
      ::pwrite(fd.get(), line.data(), line.size(), static_cast<off_t>(start)) !=
          static_cast<ssize_t>(line.size())) {
    return 0;
  }
  names.device.emplace(folded, number);
  return number;
}

// This process's broadcast socket, bound for the open device.
struct Socket {
  std::mutex mutex;
  int fd = -1;
  std::uint64_t generation = 0;
  bool inherited = false;  // made by the parent of a fork
  std::string folder;
  fs::path path;

  ~Socket() { Close(); }
  void Close() {
    if (fd >= 0) {
      ::close(fd);
      // The parent's socket file stays for the parent.
      std::error_code ec;
      if (!inherited) fs::remove(path, ec);
    }
    fd = -1;
    inherited = false;
    folder.clear();
    path.clear();
  }
};

// Whether the socket may hold datagrams. Looking costs a system call, so
// the loop looks when its wait saw the socket readable, and otherwise at
// most every kRecheck while it runs without waiting.
using Steady = std::chrono::steady_clock;
constexpr auto kRecheck = std::chrono::milliseconds(5);
std::atomic<bool> g_mayHaveDatagrams{true};
std::atomic<Steady::rep> g_lastLook{0};

void MarkInherited();

Socket& TheSocket() {
  static Socket* socket = [] {
    ::pthread_atfork(nullptr, nullptr, MarkInherited);
    return new Socket;
  }();
  return *socket;
}

// Fork child: one thread, the lock is not taken.
void MarkInherited() {
  TheSocket().inherited = true;
  g_mayHaveDatagrams = true;
}

// Removes this process's socket file at exit.
struct SocketCleanup {
  ~SocketCleanup() {
    Socket& s = TheSocket();
    std::lock_guard guard(s.mutex);
    s.Close();
  }
} g_socketCleanup;

bool FillAddress(const fs::path& path, sockaddr_un* address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  const std::string& text = path.native();
  if (text.size() >= sizeof address->sun_path) return false;
  std::memcpy(address->sun_path, text.c_str(), text.size() + 1);
  return true;
}

int EnsureSocketLocked(Socket& s) {
  if (!device::IsOpen()) {
    s.Close();
    return -1;
  }
  const fs::path& folder = device::Folder();
  if (s.fd >= 0 && !s.inherited && s.folder == folder.native()) return s.fd;
  s.Close();
  s.folder = folder.native();
  s.path = folder / "run" / (kSocketPrefix + std::to_string(::getpid()) + kSocketSuffix);
  g_mayHaveDatagrams = true;
  sockaddr_un address;
  if (!FillAddress(s.path, &address)) return -1;  // folder path too long: no broadcasts
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  ::unlink(s.path.c_str());  // left by an earlier process with this pid
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  s.fd = fd;
  ++s.generation;
  return fd;
}

}  // namespace

void PostToTopLevels(UINT message, WPARAM wParam, LPARAM lParam) {
  Lock lock(S().mutex);
  State& s = S();
  const MSG msg{nullptr, message, wParam, lParam, clock::Now(), s.lastPoint};
  for (HWND h : s.zorder) {
    const Window* w = FindLive(h);
    if (!w || !w->queue) continue;
    MSG copy = msg;
    copy.hwnd = h;
    PushLocked(*w->queue, copy, Route::kDirect);
  }
}

void ListenForBroadcasts() {
  Socket& s = TheSocket();
  std::lock_guard guard(s.mutex);
  EnsureSocketLocked(s);
}

int BroadcastSocketFd(std::uint64_t* generation) {
  Socket& s = TheSocket();
  std::lock_guard guard(s.mutex);
  const int fd = EnsureSocketLocked(s);
  *generation = fd >= 0 ? s.generation : 0;
  return fd;
}

void SendBroadcastDatagram(UINT message, WPARAM wParam, LPARAM lParam) {
  Socket& s = TheSocket();
  std::lock_guard guard(s.mutex);
  const int fd = EnsureSocketLocked(s);
  if (fd < 0) return;
  const Datagram datagram{kMagic, message, wParam, lParam};
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(s.path.parent_path(), ec)) {
    const std::string name = entry.path().filename().native();
    if (!name.starts_with(kSocketPrefix) || !name.ends_with(kSocketSuffix) ||
        entry.path() == s.path) {
      continue;
    }
    sockaddr_un address;
    if (!FillAddress(entry.path(), &address)) continue;
    const ssize_t sent = ::sendto(fd, &datagram, sizeof datagram, MSG_DONTWAIT | MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&address), sizeof address);
    // Nobody listens there: the process is gone. A full receiver loses the
    // broadcast, as a hung window would.
    if (sent < 0 && errno == ECONNREFUSED) ::unlink(entry.path().c_str());
  }
}

bool SendWindowRequest(pid_t pid, std::uint32_t request, std::uint64_t local,
                       std::int64_t argument) {
  Socket& s = TheSocket();
  std::lock_guard guard(s.mutex);
  const int fd = EnsureSocketLocked(s);
  if (fd < 0) return false;
  const fs::path target =
      s.path.parent_path() / (kSocketPrefix + std::to_string(pid) + kSocketSuffix);
  sockaddr_un address;
  if (!FillAddress(target, &address)) return false;
  const Datagram datagram{kRequestMagic, request, local, argument};
  const ssize_t sent = ::sendto(fd, &datagram, sizeof datagram, MSG_DONTWAIT | MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&address), sizeof address);
  if (sent < 0 && errno == ECONNREFUSED) ::unlink(target.c_str());
  return sent == static_cast<ssize_t>(sizeof datagram);
}

void NoteBroadcastSocketPolled(bool readable) {
  g_lastLook = Steady::now().time_since_epoch().count();
  if (readable) g_mayHaveDatagrams = true;
}

void ReceiveBroadcastDatagrams() {
  const auto now = Steady::now().time_since_epoch().count();
  if (!g_mayHaveDatagrams &&
      now - g_lastLook.load() < std::chrono::duration_cast<Steady::duration>(kRecheck).count()) {
    return;
  }
  g_lastLook = now;
  Datagram received[16];
  int count = 0;
  {
    Socket& s = TheSocket();
    std::lock_guard guard(s.mutex);
    const int fd = EnsureSocketLocked(s);
    if (fd < 0) return;
    while (count < 16) {
      Datagram d;
      const ssize_t n = ::recv(fd, &d, sizeof d, MSG_DONTWAIT);
      if (n < 0) {
        g_mayHaveDatagrams = false;
        break;
      }
      if (n == sizeof d && (d.magic == kMagic || d.magic == kRequestMagic)) received[count++] = d;
    }
  }
  for (int i = 0; i < count; ++i) {
    const Datagram& d = received[i];
    if (d.magic == kRequestMagic) {
      RunWindowRequest(d.message, d.wParam, d.lParam);
    } else {
      PostToTopLevels(d.message, static_cast<WPARAM>(d.wParam), static_cast<LPARAM>(d.lParam));
    }
  }
}

}  // namespace platform::ui::wm

using namespace platform::ui::wm;

UINT RegisterWindowMessage(LPCWSTR name) {
  if (!name || !*name) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::u16string folded = platform::FoldCase(name);
  if (folded.find(u'\n') != std::u16string::npos) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Names& names = TheNames();
  std::lock_guard guard(names.mutex);
  if (platform::device::IsOpen()) {
    const fs::path folder = platform::device::Folder();
    if (names.folder != folder.native()) {
      names.device.clear();
      names.folder = folder.native();
    }
    if (const auto it = names.device.find(folded); it != names.device.end()) return it->second;
    const UINT number = RegisterOnDevice(folder, folded);
    if (!number) Fail(ERROR_NOT_ENOUGH_MEMORY);
    return number;
  }
  if (const auto it = names.local.find(folded); it != names.local.end()) return it->second;
  if (names.local.size() > kLastRegistered - kFirstRegistered) {
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  const UINT number = kFirstRegistered + static_cast<UINT>(names.local.size());
  names.local.emplace(folded, number);
  return number;
}
