// Top-level windows published for the other processes of the device, and
// the handles and requests that reach theirs (see window_registry.h and
// docs/window-system.md).
#include "platform/ui/window/window_registry.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "platform/device.h"
#include "platform/ui/window/window_manager_state.h"
#include "platform/unique_fd.h"
#include "platform/wstring.h"

namespace platform::ui::wm {
namespace {

namespace fs = std::filesystem;

static_assert(sizeof(std::uintptr_t) == 8, "a foreign handle needs 64 bits");
// Bit 62 marks a foreign handle; bits 32..61 hold the process id, the low
// 32 bits its own handle. Handles of this process are small numbers.
constexpr std::uintptr_t kForeignTag = std::uintptr_t{1} << 62;
constexpr std::uint64_t kPidLimit = std::uint64_t{1} << 30;
constexpr const char* kListPrefix = "windows-";
constexpr const char* kListSuffix = ".list";
constexpr const char* kGuardName = "windows.guard";
// A damaged or hostile list is read only this far.
constexpr std::size_t kMaxListBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxListed = 256;

bool Decode(HWND window, pid_t* pid, std::uint32_t* local) {
  const auto value = reinterpret_cast<std::uintptr_t>(window);
  if ((value >> 62) != 1) return false;
  const std::uint64_t id = (value >> 32) & (kPidLimit - 1);
  *pid = static_cast<pid_t>(id);
  *local = static_cast<std::uint32_t>(value);
  return id > 0 && *local != 0;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// UTF-8 with '%', tabs, line breaks and other control bytes as %XX.
void AppendEscaped(std::string* out, std::u16string_view text) {
  for (unsigned char c : ToUtf8(text)) {
    if (c < 0x20 || c == 0x7F || c == '%') {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      *out += escaped;
    } else {
      *out += static_cast<char>(c);
    }
  }
}

bool Unescape(std::string_view field, std::u16string* out) {
  std::string bytes;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '%') {
      bytes += field[i];
      continue;
    }
    if (i + 2 >= field.size()) return false;
    const int high = HexDigit(field[i + 1]);
    const int low = HexDigit(field[i + 2]);
    if (high < 0 || low < 0) return false;
    bytes += static_cast<char>(high * 16 + low);
    i += 2;
  }
  *out = FromUtf8(bytes);
  return true;
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  while (text.size() < kMaxListBytes) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()));
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  if (text.size() > kMaxListBytes) text.resize(kMaxListBytes);
  return text;
}

bool Flock(int fd, int operation) {
  int result;
  do {
    result = ::flock(fd, operation);
  } while (result < 0 && errno == EINTR);
  return result == 0;
}

// Whose the list file open on `fd` is: its owner holds an exclusive lock on
// it as long as it lives, and the kernel drops it when the process dies.
enum class Owner { kAlive, kDead, kUnknown };
Owner OwnerOf(int fd) {
  if (Flock(fd, LOCK_SH | LOCK_NB)) {
    Flock(fd, LOCK_UN);
    return Owner::kDead;
  }
  return errno == EWOULDBLOCK ? Owner::kAlive : Owner::kUnknown;
}

std::uint64_t ReadChangeCount(int guard) {
  std::uint64_t count = 0;
  if (::pread(guard, &count, sizeof count, 0) != static_cast<ssize_t>(sizeof count)) return 0;
  return count;
}

struct Listed {
  pid_t pid;
  ListedWindow window;
};

// This process's side: its own list, the guard, and what it last read of
// the others' lists.
struct Registry {
  std::mutex mutex;
  std::string folder;  // the device folder the files below are in
  UniqueFd guard;
  UniqueFd list;  // ours, locked exclusively while we live
  fs::path listPath;
  bool inherited = false;  // the files came from the parent of a fork
  bool cacheValid = false;
  std::uint64_t cacheCount = 0;
  std::vector<Listed> cache;

  fs::path Run() const { return fs::path(folder) / "run"; }
  void Reset();
};

std::atomic<bool> g_changed{false};

void ForkedChild();

Registry& TheRegistry() {
  static Registry* registry = [] {
    ::pthread_atfork(nullptr, nullptr, ForkedChild);
    return new Registry;
  }();
  return *registry;
}

// Fork child: one thread, the lock is not taken. The lists are the
// parent's; the child lists its own windows (copies of the parent's).
void ForkedChild() {
  TheRegistry().inherited = true;
  g_changed = true;
}

void Registry::Reset() {
  if (list) {
    // Leaving the folder; a child leaves the parent's list alone and never
    // unlocks it (the lock belongs to the open file, shared with the parent).
    if (!inherited) ::unlink(listPath.c_str());
    g_changed = true;
  }
  list.reset();
  guard.reset();
  listPath.clear();
  folder.clear();
  inherited = false;
  cacheValid = false;
  cache.clear();
}

// Removes this process's list at exit.
struct RegistryCleanup {
  ~RegistryCleanup() {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.mutex);
    r.Reset();
  }
} g_registryCleanup;

// The registry set up for the open device; false when none is open.
bool EnsureFolderLocked(Registry& r) {
  if (!device::IsOpen()) {
    r.Reset();
    return false;
  }
  const std::string& folder = device::Folder().native();
  if (r.inherited || r.folder != folder) {
    r.Reset();
    r.folder = folder;
  }
  if (!r.guard) {
    std::error_code ec;
    fs::create_directories(r.Run(), ec);
    r.guard = UniqueFd(::open((r.Run() / kGuardName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  }
  return static_cast<bool>(r.guard);
}

// Reads every other process's list; removes the lists of dead processes.
// Called with the guard held exclusively.
void ScanLocked(Registry& r) {
  r.cache.clear();
  const pid_t self = ::getpid();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(r.Run(), ec)) {
    const std::string name = entry.path().filename().native();
    if (!name.starts_with(kListPrefix) || !name.ends_with(kListSuffix)) continue;
    const std::string_view digits =
        std::string_view(name).substr(std::char_traits<char>::length(kListPrefix),
                                      name.size() - std::char_traits<char>::length(kListPrefix) -
                                          std::char_traits<char>::length(kListSuffix));
    std::uint64_t id = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    if (error != std::errc() || end != digits.data() + digits.size() || id == 0 ||
        id >= kPidLimit || static_cast<pid_t>(id) == self) {
      continue;
    }
    UniqueFd fd(::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd) continue;
    const Owner owner = OwnerOf(fd.get());
    if (owner == Owner::kDead) ::unlink(entry.path().c_str());
    if (owner != Owner::kAlive) continue;
    for (ListedWindow& w : ParseWindowList(ReadAll(fd.get()))) {
      r.cache.push_back({static_cast<pid_t>(id), std::move(w)});
    }
  }
  // The directory's order is arbitrary; the lowest process id wins.
  std::stable_sort(r.cache.begin(), r.cache.end(),
                   [](const Listed& a, const Listed& b) { return a.pid < b.pid; });
}

// Brings the cache up to date: a new scan when some list changed since the
// last one, or when `force`.
void RefreshLocked(Registry& r, bool force) {
  if (!force && r.cacheValid && ReadChangeCount(r.guard.get()) == r.cacheCount) return;
  if (!Flock(r.guard.get(), LOCK_EX)) return;
  r.cacheCount = ReadChangeCount(r.guard.get());
  ScanLocked(r);
  r.cacheValid = true;
  Flock(r.guard.get(), LOCK_UN);
}

// The list of process `pid` when it lives, read under the shared guard.
bool ReadListLocked(Registry& r, pid_t pid, std::vector<ListedWindow>* windows) {
  UniqueFd fd(::open((r.Run() / WindowListFileName(pid)).c_str(),
                     O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!fd || OwnerOf(fd.get()) != Owner::kAlive) return false;
  if (!Flock(r.guard.get(), LOCK_SH)) return false;
  *windows = ParseWindowList(ReadAll(fd.get()));
  Flock(r.guard.get(), LOCK_UN);
  return true;
}

bool IsListedLocked(Registry& r, HWND window) {
  pid_t pid = 0;
  std::uint32_t local = 0;
  if (!Decode(window, &pid, &local) || pid == ::getpid()) return false;
  std::vector<ListedWindow> windows;
  if (!ReadListLocked(r, pid, &windows)) return false;
  return std::any_of(windows.begin(), windows.end(),
                     [&](const ListedWindow& w) { return w.local == local; });
}

bool Matches(const ListedWindow& w, std::u16string_view className, const char16_t* title,
             bool anyClass) {
  if (!anyClass && !EqualsNoCase(w.className, className)) return false;
  return title == nullptr || EqualsNoCase(w.title, title);
}

std::vector<ListedWindow> SnapshotTopLevels() {
  std::vector<ListedWindow> windows;
  Lock lock(S().mutex);
  for (HWND h : S().zorder) {
    const Window* w = FindLive(h);
    const auto value = reinterpret_cast<std::uintptr_t>(h);
    if (!w || value > 0xFFFFFFFFu) continue;
    windows.push_back({static_cast<std::uint32_t>(value), w->cls->name, w->text});
    if (windows.size() == kMaxListed) break;
  }
  return windows;
}

}  // namespace

std::string FormatWindowList(const std::vector<ListedWindow>& windows) {
  std::string text;
  for (const ListedWindow& w : windows) {
    char handle[16];
    std::snprintf(handle, sizeof handle, "%08x\t", w.local);
    text += handle;
    AppendEscaped(&text, w.className);
    text += '\t';
    AppendEscaped(&text, w.title);
    text += '\n';
  }
  return text;
}

std::vector<ListedWindow> ParseWindowList(std::string_view text) {
  std::vector<ListedWindow> windows;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) break;  // torn by a writer that died
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const std::size_t tab1 = line.find('\t');
    if (tab1 == std::string_view::npos) continue;
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos || line.find('\t', tab2 + 1) != std::string_view::npos) {
      continue;
    }
    ListedWindow w;
    const auto [past, error] = std::from_chars(line.data(), line.data() + tab1, w.local, 16);
    if (error != std::errc() || past != line.data() + tab1 || w.local == 0) continue;
    if (!Unescape(line.substr(tab1 + 1, tab2 - tab1 - 1), &w.className) ||
        !Unescape(line.substr(tab2 + 1), &w.title)) {
      continue;
    }
    windows.push_back(std::move(w));
  }
  return windows;
}

std::string WindowListFileName(pid_t pid) {
  return kListPrefix + std::to_string(pid) + kListSuffix;
}

HWND ForeignHandle(pid_t pid, std::uint32_t local) {
  return reinterpret_cast<HWND>(kForeignTag | (static_cast<std::uintptr_t>(pid) << 32) | local);
}

bool IsForeignHandle(HWND window) {
  pid_t pid = 0;
  std::uint32_t local = 0;
  return Decode(window, &pid, &local);
}

void NoteTopLevelsChanged() {
  g_changed.store(true, std::memory_order_relaxed);
}

void PublishTopLevels() {
  if (!g_changed.load(std::memory_order_relaxed)) return;
  // Kept for when a device is open.
  if (!device::IsOpen()) return;
  Registry& r = TheRegistry();
  std::lock_guard guard(r.mutex);
  if (!g_changed.exchange(false) || !EnsureFolderLocked(r)) return;
  const std::string text = FormatWindowList(SnapshotTopLevels());
  if (!Flock(r.guard.get(), LOCK_EX)) {
    g_changed = true;
    return;
  }
  if (!r.list) {
    r.listPath = r.Run() / WindowListFileName(::getpid());
    UniqueFd fd(::open(r.listPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    // A list nobody holds is one of a dead process with our id: ours now.
    if (fd && Flock(fd.get(), LOCK_EX | LOCK_NB)) r.list = std::move(fd);
  }
  if (r.list) {
    const bool written =
        ::ftruncate(r.list.get(), 0) == 0 &&
        ::pwrite(r.list.get(), text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
    if (!written) g_changed = true;  // tried again at the next change
    const std::uint64_t count = ReadChangeCount(r.guard.get()) + 1;
    [[maybe_unused]] const auto bumped = ::pwrite(r.guard.get(), &count, sizeof count, 0);
  }
  Flock(r.guard.get(), LOCK_UN);
}

HWND FindForeignWindow(std::u16string_view className, const char16_t* title, bool anyClass) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.mutex);
  if (!EnsureFolderLocked(r)) return nullptr;
  // A dead process's list may still be in the cache: a hit is checked, and
  // a stale one makes the cache be read again.
  for (int pass = 0; pass < 2; ++pass) {
    RefreshLocked(r, pass > 0);
    const auto hit = std::find_if(r.cache.begin(), r.cache.end(), [&](const Listed& l) {
      return Matches(l.window, className, title, anyClass);
    });
    if (hit == r.cache.end()) return nullptr;
    UniqueFd fd(::open((r.Run() / WindowListFileName(hit->pid)).c_str(),
                       O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd && OwnerOf(fd.get()) == Owner::kAlive) return ForeignHandle(hit->pid, hit->window.local);
  }
  return nullptr;
}

bool ForeignWindowExists(HWND window) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.mutex);
  return EnsureFolderLocked(r) && IsListedLocked(r, window);
}

bool RequestForeign(HWND window, WindowRequest request, std::int64_t argument) {
  {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.mutex);
    if (!EnsureFolderLocked(r) || !IsListedLocked(r, window)) {
      Fail(ERROR_INVALID_WINDOW_HANDLE);
      return false;
    }
  }
  pid_t pid = 0;
  std::uint32_t local = 0;
  Decode(window, &pid, &local);
  // Its process lives but does not listen (yet): as for a hung window, the
  // request is lost.
  if (!SendWindowRequest(pid, static_cast<std::uint32_t>(request), local, argument)) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  return true;
}

void RunWindowRequest(std::uint32_t request, std::uint64_t local, std::int64_t argument) {
  if (local == 0 || local > 0xFFFFFFFFu) return;
  const HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(local));
  {
    Lock lock(S().mutex);
    const Window* w = FindLive(window);
    if (!w || !IsTopLevel(w)) return;
  }
  switch (static_cast<WindowRequest>(request)) {
    case WindowRequest::kForeground:
      SetForegroundWindow(window);
      break;
    case WindowRequest::kShow:
      if (argument >= SW_HIDE && argument <= SW_SHOWNA)
        ShowWindow(window, static_cast<int>(argument));
      break;
  }
}

}  // namespace platform::ui::wm
