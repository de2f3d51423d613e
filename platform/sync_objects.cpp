// Mutexes and events. Unnamed objects live in the process. Named objects
// are shared by every process of the device through lock files in
// <device>/run/ (see docs/kernel-objects.md):
//   <kind>.<stem>          held with a shared flock by every open handle, so
//                          the object exists exactly while someone holds it;
//                          the kernel drops the lock when a process dies
//   mutex.<stem>.owner     held exclusively by the process that owns the mutex
//   event.<stem>.state     two bytes: signalled, manual reset
//   objects.guard          serialises creation across processes
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "platform/device.h"
#include "platform/faults.h"
#include "platform/handle_table.h"
#include "platform/kernel.h"
#include "platform/unique_fd.h"
#include "platform/wstring.h"

namespace {

using Clock = std::chrono::steady_clock;
// How often a waiter looks at state that another process may change. Waits
// on objects changed within the process wake at once.
constexpr auto kPollInterval = std::chrono::milliseconds(2);
// Longest lock-file stem; longer names are shortened and hashed.
constexpr std::size_t kMaxStem = 160;

using platform::UniqueFd;

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG:
      return ERROR_INVALID_NAME;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

// Each call opens a new open file description, so flocks taken through it
// conflict with those of other handles in the same process too.
UniqueFd OpenLockFile(const std::filesystem::path& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  return UniqueFd(fd);
}

bool Flock(const UniqueFd& fd, int operation) {
  int result;
  do {
    result = ::flock(fd.get(), operation);
  } while (result < 0 && errno == EINTR);
  return result == 0;
}

// The file-name form of an object name: case folded, UTF-8, with anything
// but ASCII letters, digits, '_' and '-' escaped as %XX.
std::string FileStem(std::u16string_view name) {
  const std::string utf8 = platform::ToUtf8(platform::FoldCase(name));
  std::string stem;
  for (unsigned char c : utf8) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '-';
    if (plain) {
      stem += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      stem += escaped;
    }
  }
  if (stem.size() <= kMaxStem) return stem;
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : utf8) hash = (hash ^ c) * 1099511628211ull;
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, "~%016llx", static_cast<unsigned long long>(hash));
  return stem.substr(0, kMaxStem - 17) + suffix;
}

// Waits until `tryTake` succeeds (called with `lock` held) or the time is up.
// `poll` makes the waiter look again every kPollInterval, for state that
// other processes change without notifying this one.
template <typename TryTake>
DWORD WaitLoop(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
               DWORD milliseconds, bool poll, TryTake tryTake) {
  const bool infinite = milliseconds == INFINITE;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    if (tryTake()) return WAIT_OBJECT_0;
    const Clock::time_point now = Clock::now();
    if (!infinite && now >= deadline) return WAIT_TIMEOUT;
    if (poll) {
      Clock::time_point until = now + kPollInterval;
      if (!infinite) until = std::min(until, deadline);
      changed.wait_until(lock, until);
    } else if (infinite) {
      changed.wait(lock);
    } else {
      changed.wait_until(lock, deadline);
    }
  }
}

class Waitable : public platform::KernelObject {
 public:
  virtual DWORD Wait(DWORD milliseconds) = 0;
};

// The state of one mutex in this process, shared by its handles here.
// Ownership belongs to a thread and may be taken again by that thread
// (counted). For a named mutex the owning process also holds the exclusive
// flock on the owner file, which excludes the other processes.
class MutexCore {
 public:
  explicit MutexCore(UniqueFd ownerLock) : ownerLock_(std::move(ownerLock)) {}

  // The creator of a new mutex owns it from the start. A named one nobody
  // else holds, so the owner lock is free (or about to be freed by a handle
  // being closed).
  void TakeInitialOwnership() {
    std::lock_guard lock(mutex_);
    if (ownerLock_) Flock(ownerLock_, LOCK_EX);
    owner_ = std::this_thread::get_id();
    count_ = 1;
  }

  DWORD Wait(DWORD milliseconds) {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    return WaitLoop(lock, released_, milliseconds, static_cast<bool>(ownerLock_), [&] {
      if (owner_ == self) {
        ++count_;
        return true;
      }
      if (owner_ != std::thread::id()) return false;
      if (ownerLock_ && !Flock(ownerLock_, LOCK_EX | LOCK_NB)) return false;
      owner_ = self;
      count_ = 1;
      return true;
    });
  }

  bool Release() {
    std::lock_guard lock(mutex_);
    if (owner_ != std::this_thread::get_id()) return false;
    if (--count_ == 0) {
      owner_ = std::thread::id();
      if (ownerLock_) Flock(ownerLock_, LOCK_UN);
      released_.notify_all();
    }
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  std::thread::id owner_;
  unsigned count_ = 0;
  UniqueFd ownerLock_;  // named mutexes only; closing it ends the ownership
};

// The state of one event in this process. An unnamed event keeps its state
// in memory; a named one in its state file, read and written under an
// exclusive flock on that file.
class EventCore {
 public:
  EventCore(bool manualReset, bool signalled) : manual_(manualReset), signalled_(signalled) {}
  explicit EventCore(UniqueFd stateFile) : stateFile_(std::move(stateFile)) {}

  bool Set() { return Change(true); }
  bool Reset() { return Change(false); }

  DWORD Wait(DWORD milliseconds) {
    std::unique_lock lock(mutex_);
    return WaitLoop(lock, changed_, milliseconds, static_cast<bool>(stateFile_), [&] {
      bool taken = false;
      Update([&](bool& signalled, bool manual) {
        taken = signalled;
        if (taken && !manual) signalled = false;
      });
      return taken;
    });
  }

 private:
  bool Change(bool signalled) {
    std::lock_guard lock(mutex_);
    if (!Update([&](bool& state, bool) { state = signalled; })) return false;
    if (signalled) changed_.notify_all();
    return true;
  }

  // Runs `change(signalled, manual)` on the current state and stores the
  // result. Called with mutex_ held.
  template <typename Change>
  bool Update(Change change) {
    if (!stateFile_) {
      change(signalled_, manual_);
      return true;
    }
    if (!Flock(stateFile_, LOCK_EX)) return false;
    std::array<char, 2> bytes{0, 0};
    const bool read = ::pread(stateFile_.get(), bytes.data(), bytes.size(), 0) >= 0;
    bool signalled = bytes[0] != 0;
    const bool before = signalled;
    if (read) change(signalled, bytes[1] != 0);
    bool written = true;
    if (read && signalled != before) {
      bytes[0] = signalled ? 1 : 0;
      written = ::pwrite(stateFile_.get(), bytes.data(), bytes.size(), 0) ==
                static_cast<ssize_t>(bytes.size());
    }
    Flock(stateFile_, LOCK_UN);
    return read && written;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool manual_ = false;
  bool signalled_ = false;
  UniqueFd stateFile_;
};

// A handle. For a named object it holds the shared flock that keeps the
// name alive. The core is declared last so that it is released first: a
// process gives up ownership before it gives up the name.
template <typename Core>
class SyncObject : public Waitable {
 public:
  SyncObject(UniqueFd nameLock, std::shared_ptr<Core> core)
      : nameLock_(std::move(nameLock)), core_(std::move(core)) {}
  DWORD Wait(DWORD milliseconds) override { return core_->Wait(milliseconds); }
  Core& core() { return *core_; }

 private:
  UniqueFd nameLock_;
  std::shared_ptr<Core> core_;
};

using MutexObject = SyncObject<MutexCore>;
using EventObject = SyncObject<EventCore>;

// The cores of the named objects that have handles in this process, so that
// all handles of one name share ownership and wake-ups.
template <typename Core>
class CoreRegistry {
 public:
  std::shared_ptr<Core> Find(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    auto it = cores_.find(file);
    return it == cores_.end() ? nullptr : it->second.lock();
  }
  void Put(const std::filesystem::path& file, const std::shared_ptr<Core>& core) {
    std::lock_guard lock(mutex_);
    std::erase_if(cores_, [](const auto& entry) { return entry.second.expired(); });
    cores_[file] = core;
  }

 private:
  std::mutex mutex_;
  std::map<std::filesystem::path, std::weak_ptr<Core>> cores_;
};

CoreRegistry<MutexCore>& MutexCores() {
  static CoreRegistry<MutexCore> registry;
  return registry;
}

CoreRegistry<EventCore>& EventCores() {
  static CoreRegistry<EventCore> registry;
  return registry;
}

// The name lock of a named object, taken while holding the creation guard.
struct NamedOpen {
  std::filesystem::path file;
  UniqueFd guard;  // held until the caller has set the object up
  UniqueFd nameLock;
  bool existed = false;
  DWORD error = ERROR_SUCCESS;
};

NamedOpen OpenNamed(std::string_view kind, std::u16string_view name) {
  NamedOpen result;
  if (!platform::device::IsOpen()) {
    result.error = ERROR_NOT_READY;
    return result;
  }
  if (name.size() >= MAX_PATH) {
    result.error = ERROR_INVALID_NAME;
    return result;
  }
  const std::filesystem::path run = platform::device::Folder() / "run";
  std::error_code ec;
  std::filesystem::create_directories(run, ec);
  result.guard = OpenLockFile(run / "objects.guard");
  if (!result.guard || !Flock(result.guard, LOCK_EX)) {
    result.error = ErrorFromErrno(errno);
    return result;
  }
  result.file = run / (std::string(kind) + "." + FileStem(name));
  result.nameLock = OpenLockFile(result.file);
  if (!result.nameLock) {
    result.error = ErrorFromErrno(errno);
    return result;
  }
  // Exclusive succeeds only when no handle anywhere holds the name. Every
  // lock on a name file is taken under the guard, so turning it into a
  // shared lock (not atomic with flock) can't let anyone in between.
  result.existed = !Flock(result.nameLock, LOCK_EX | LOCK_NB);
  if (!Flock(result.nameLock, LOCK_SH)) result.error = ErrorFromErrno(errno);
  return result;
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

// This process's core of a named object, shared by its handles here; made
// on the object's `suffix` file when the process has none yet. Null (with
// errno) when that file can't be opened.
template <typename Core>
std::shared_ptr<Core> NamedCore(const NamedOpen& open, CoreRegistry<Core>& cores,
                                const char* suffix) {
  std::shared_ptr<Core> core = open.existed ? cores.Find(open.file) : nullptr;
  if (core) return core;
  UniqueFd file = OpenLockFile(open.file.string() + suffix);
  if (!file) return nullptr;
  core = std::make_shared<Core>(std::move(file));
  cores.Put(open.file, core);
  return core;
}

template <typename Core>
HANDLE NewHandle(UniqueFd nameLock, std::shared_ptr<Core> core, bool existed) {
  HANDLE handle =
      platform::AddHandle(std::make_shared<SyncObject<Core>>(std::move(nameLock), std::move(core)));
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

// ReleaseMutex, SetEvent, ResetEvent: `change` on the handle's core, which
// fails with `error`.
template <typename Object, typename Change>
BOOL ChangeCore(HANDLE handle, DWORD error, Change change) {
  auto object = platform::LookupHandleAs<Object>(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!change(object->core())) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HANDLE CreateMutex(void*, BOOL initialOwner, LPCWSTR name) {
  if (platform::faults::CheckAndSetLastError("CreateMutex")) return nullptr;
  if (name == nullptr || *name == 0) {
    auto core = std::make_shared<MutexCore>(UniqueFd());
    if (initialOwner) core->TakeInitialOwnership();
    return NewHandle(UniqueFd(), std::move(core), false);
  }
  NamedOpen open = OpenNamed("mutex", name);
  if (open.error != ERROR_SUCCESS) return Fail(open.error);
  auto core = NamedCore(open, MutexCores(), ".owner");
  if (!core) return Fail(ErrorFromErrno(errno));
  // As on the handheld, opening an existing mutex ignores initialOwner.
  if (!open.existed && initialOwner) core->TakeInitialOwnership();
  return NewHandle(std::move(open.nameLock), std::move(core), open.existed);
}

BOOL ReleaseMutex(HANDLE mutex) {
  return ChangeCore<MutexObject>(mutex, ERROR_NOT_OWNER,
                                 [](MutexCore& core) { return core.Release(); });
}

HANDLE CreateEvent(void*, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  if (platform::faults::CheckAndSetLastError("CreateEvent")) return nullptr;
  if (name == nullptr || *name == 0) {
    auto core = std::make_shared<EventCore>(manualReset != FALSE, initialState != FALSE);
    return NewHandle(UniqueFd(), std::move(core), false);
  }
  NamedOpen open = OpenNamed("event", name);
  if (open.error != ERROR_SUCCESS) return Fail(open.error);
  if (!open.existed) {
    // A new object: whatever an earlier event of this name left is stale.
    UniqueFd state = OpenLockFile(open.file.string() + ".state");
    const char bytes[2] = {static_cast<char>(initialState ? 1 : 0),
                           static_cast<char>(manualReset ? 1 : 0)};
    if (!state || ::pwrite(state.get(), bytes, sizeof bytes, 0) != sizeof bytes) {
      return Fail(ErrorFromErrno(errno));
    }
  }
  auto core = NamedCore(open, EventCores(), ".state");
  if (!core) return Fail(ErrorFromErrno(errno));
  return NewHandle(std::move(open.nameLock), std::move(core), open.existed);
}

BOOL SetEvent(HANDLE event) {
  return ChangeCore<EventObject>(event, ERROR_WRITE_FAULT,
                                 [](EventCore& core) { return core.Set(); });
}

BOOL ResetEvent(HANDLE event) {
  return ChangeCore<EventObject>(event, ERROR_WRITE_FAULT,
                                 [](EventCore& core) { return core.Reset(); });
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  auto waitable = platform::LookupHandleAs<Waitable>(object);
  if (!waitable) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return waitable->Wait(milliseconds);
}
