#include "platform/device.h"

#include <fcntl.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>
#include <vector>

#include "platform/device_internal.h"
#include "platform/handle_table.h"
#include "platform/object_store.h"
#include "platform/wstring.h"

namespace platform::device {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kIdentityBytes = 32;
constexpr mode_t kPrivateFolder = 0700;
constexpr mode_t kPrivateFile = 0600;
constexpr std::array<const char*, 5> kRomFiles = {"coredll.dll", "Password.cpl", "Panel.ocx",
                                                  "Alarm1.wav", "OMREL.htm"};

struct State {
  std::mutex lock;
  fs::path folder;  // empty while no device is open
  std::vector<BYTE> identity;
};

State& Get() {
  static State state;
  return state;
}

std::atomic<bool> g_rebootRequested{false};

fs::path DbFile(const fs::path& folder) {
  return folder / "objectstore.db";
}
fs::path HardwareDir(const fs::path& folder) {
  return folder / "hardware";
}
fs::path IdentityFile(const fs::path& folder) {
  return HardwareDir(folder) / "device-id";
}
fs::path CleanBootFile(const fs::path& folder) {
  return HardwareDir(folder) / "clean-boot";
}

std::string Describe(const fs::path& path, const std::error_code& ec) {
  return path.string() + ": " + ec.message();
}

// A name for a temporary file next to `target` that no other process or
// thread of this device picks at the same time.
fs::path TempNameFor(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  std::string name = ".";
  name += target.filename().string();
  name += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  return target.parent_path() / name;
}

bool ReadFile(const fs::path& path, std::vector<BYTE>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Created for the owner alone, whatever the umask lets through.
bool WriteFile(const fs::path& path, const BYTE* data, std::size_t size) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kPrivateFile);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, kPrivateFile) == 0;
  for (std::size_t done = 0; ok && done < size;) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0 && ok;
}

// The folder holds the object store and the hardware identity, and the
// device key follows from the identity: only the owner may reach any of
// it. New folders are made private; an existing tree, perhaps made by an
// earlier build, is tightened at every open. Links are left alone.
bool MakePrivate(const fs::path& folder, std::string* error) {
  auto tighten = [error](const fs::path& path, mode_t mode) {
    if (::chmod(path.c_str(), mode) == 0) return true;
    *error = "cannot make the device folder private " +
             Describe(path, std::error_code(errno, std::generic_category()));
    return false;
  };
  if (!tighten(folder, kPrivateFolder)) return false;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::file_status status = it->symlink_status(ec);
    if (ec) break;
    if (fs::is_directory(status)) {
      if (!tighten(it->path(), kPrivateFolder)) return false;
    } else if (fs::is_regular_file(status) && (status.permissions() & fs::perms::all) !=
                                                  (status.permissions() & fs::perms::owner_all)) {
      if (!tighten(it->path(), static_cast<mode_t>(status.permissions() & fs::perms::owner_all)))
        return false;
    }
  }
  if (ec) {
    *error = "cannot make the device folder private " + Describe(folder, ec);
    return false;
  }
  return true;
}

bool MakeFolders(const fs::path& folder, std::string* error) {
  std::error_code ec;
  if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
    *error = folder.string() + " exists and is not a folder";
    return false;
  }
  for (const fs::path& dir :
       {folder, HardwareDir(folder), folder / "fs" / "Windows", folder / "run"}) {
    fs::create_directories(dir, ec);
    if (ec) {
      *error = "cannot create the device folder " + Describe(dir, ec);
      return false;
    }
  }
  // Existing folders that we can't write to pass the steps above; find
  // out now rather than at the first registry write.
  if (::access(folder.c_str(), W_OK) != 0) {
    *error = "the device folder " + folder.string() + " is not writable";
    return false;
  }
  return MakePrivate(folder, error);
}

// The identity is made once, when the device is new, and never rewritten.
// It is published with a hard link, which fails if it exists, so two
// processes booting a new device at once end up with the same identity.
bool EnsureIdentity(const fs::path& folder, std::vector<BYTE>* identity, std::string* error) {
  const fs::path file = IdentityFile(folder);
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    std::array<BYTE, kIdentityBytes> bytes{};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
      *error = "cannot make a hardware identity: no random source";
      return false;
    }
    const fs::path temp = TempNameFor(file);
    if (!WriteFile(temp, bytes.data(), bytes.size())) {
      *error = "cannot write the hardware identity to " + temp.string();
      fs::remove(temp, ec);
      return false;
    }
    fs::create_hard_link(temp, file, ec);
    const bool lostRace = ec == std::errc::file_exists;
    const std::error_code linkError = ec;
    fs::remove(temp, ec);
    if (linkError && !lostRace) {
      *error = "cannot store the hardware identity " + Describe(file, linkError);
      return false;
    }
  }
  if (!ReadFile(file, identity)) {
    *error = "cannot read the hardware identity " + file.string();
    return false;
  }
  return true;
}

// A hard reset: the object store goes, files and hardware stay. The flag is
// cleared last, so an interrupted wipe is simply done again.
bool WipeObjectStoreIfFlagged(const fs::path& folder, std::string* error) {
  std::error_code ec;
  if (!fs::exists(CleanBootFile(folder), ec)) return true;
  const fs::path db = DbFile(folder);
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    fs::path part = db;
    part += suffix;
    fs::remove(part, ec);
    if (ec) {
      *error = "clean boot: cannot delete " + Describe(part, ec);
      return false;
    }
  }
  fs::remove(CleanBootFile(folder), ec);
  if (ec) {
    *error = "clean boot: cannot clear the flag " + Describe(CleanBootFile(folder), ec);
    return false;
  }
  return true;
}

// The entry of `dir` whose name equals `name` without regard to case; an
// exact match wins, then the first in name order, so the result is stable.
fs::path MatchEntry(const fs::path& dir, const std::u16string& name) {
  const fs::path exact = dir / ToUtf8(name);
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact;
  fs::path best;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path candidate = it->path().filename();
    if (!EqualsNoCase(FromUtf8(candidate.string()), name)) continue;
    if (best.empty() || candidate < best) best = candidate;
  }
  return best.empty() ? fs::path() : dir / best;
}

bool SameContent(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  const auto sizeA = fs::file_size(a, ec);
  if (ec) return false;
  const auto sizeB = fs::file_size(b, ec);
  if (ec || sizeA != sizeB) return false;
  std::vector<BYTE> bytesA, bytesB;
  return ReadFile(a, &bytesA) && ReadFile(b, &bytesB) && bytesA == bytesB;
}

}  // namespace

fs::path DefaultFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  fs::path base;
  if (dataHome && *dataHome) {
    base = dataHome;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home && *home ? home : ".") / ".local" / "share";
  }
  return base / "veyrholm-pda" / "device";
}

bool Open(const fs::path& folder, std::string* error) {
  std::string localError;
  if (!error) error = &localError;
  error->clear();
  if (IsOpen()) Close();

  std::error_code ec;
  const fs::path absolute = fs::absolute(folder, ec);
  if (ec || folder.empty()) {
    *error = "invalid device folder '" + folder.string() + "'";
    return false;
  }
  std::vector<BYTE> identity;
  if (!MakeFolders(absolute, error) || !EnsureIdentity(absolute, &identity, error) ||
      !WipeObjectStoreIfFlagged(absolute, error)) {
    return false;
  }
  std::string storeError;
  if (!object_store::Open(DbFile(absolute), &storeError)) {
    *error = "cannot open the object store " + DbFile(absolute).string() + ": " + storeError;
    return false;
  }
  // The store makes its files with the umask's permissions; its log files
  // take the main file's from then on.
  for (const char* suffix : {"", "-wal", "-shm"}) {
    fs::path part = DbFile(absolute);
    part += suffix;
    if (::chmod(part.c_str(), kPrivateFile) != 0 && errno != ENOENT) {
      object_store::Close();
      *error = "cannot make the object store private " +
               Describe(part, std::error_code(errno, std::generic_category()));
      return false;
    }
  }
  State& s = Get();
  {
    std::lock_guard guard(s.lock);
    s.folder = absolute;
    s.identity = std::move(identity);
  }
  // Booting is what a reboot request asks for, so a fresh boot answers it.
  g_rebootRequested.store(false);
  return true;
}

void Close() {
  object_store::Close();
  RemoveAllHandles();
  State& s = Get();
  std::lock_guard guard(s.lock);
  s.folder.clear();
  s.identity.clear();
}

bool IsOpen() {
  State& s = Get();
  std::lock_guard guard(s.lock);
  return !s.folder.empty();
}

const fs::path& Folder() {
  State& s = Get();
  std::lock_guard guard(s.lock);
  return s.folder;
}

int InstallRomFiles(const fs::path& romDir) {
  if (!IsOpen()) return 0;
  int written = 0;
  for (const char* name : kRomFiles) {
    const fs::path source = romDir / name;
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) continue;
    const fs::path target = MapPath(u"\\Windows\\" + FromUtf8(name));
    if (fs::exists(target, ec) && SameContent(source, target)) continue;
    // Replace by rename: a process that has the old file mapped (a loaded
    // module) keeps its copy, new loads see the new one.
    const fs::path temp = TempNameFor(target);
    fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write, ec);
    if (!ec) fs::rename(temp, target, ec);
    if (ec) {
      fs::remove(temp, ec);
      continue;
    }
    ++written;
  }
  return written;
}

fs::path MapPath(std::u16string_view devicePath) {
  const fs::path folder = Folder();
  if (folder.empty()) return {};
  fs::path result = folder / "fs";
  bool matching = true;  // false once a level doesn't exist
  std::size_t start = 0;
  while (start <= devicePath.size()) {
    std::size_t end = devicePath.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = devicePath.size();
    const std::u16string part(devicePath.substr(start, end - start));
    start = end + 1;
    // The handheld has no relative paths: "." and ".." name nothing and are
    // dropped, so no device path reaches outside fs/.
    if (part.empty() || part == u"." || part == u"..") continue;
    if (matching) {
      fs::path found = MatchEntry(result, part);
      if (!found.empty()) {
        result = std::move(found);
        continue;
      }
      matching = false;
    }
    result /= ToUtf8(part);
  }
  return result;
}

bool RebootRequested() {
  return g_rebootRequested.load();
}
void ClearRebootRequest() {
  g_rebootRequested.store(false);
}

bool CleanBootFlagSet() {
  const fs::path folder = Folder();
  std::error_code ec;
  return !folder.empty() && fs::exists(CleanBootFile(folder), ec);
}

bool HardwareId(std::vector<BYTE>* identity) {
  State& s = Get();
  std::lock_guard guard(s.lock);
  if (s.folder.empty()) return false;
  *identity = s.identity;
  return true;
}

namespace {
std::atomic<RebootHandler> g_rebootHandler{nullptr};
}  // namespace

RebootHandler SetRebootHandler(RebootHandler handler) {
  return g_rebootHandler.exchange(handler);
}

void RequestReboot() {
  g_rebootRequested.store(true);
  if (RebootHandler handler = g_rebootHandler.load()) handler();
}

bool SetCleanBootFlag() {
  const fs::path folder = Folder();
  if (folder.empty()) return false;
  static constexpr BYTE kFlag[] = {'1', '\n'};
  return WriteFile(CleanBootFile(folder), kFlag, sizeof kFlag);
}

}  // namespace platform::device
