// Mutexes and events, within one process and between processes of one
// device. The second process is a forked child that opens the same device
// folder and obeys one-letter commands sent through a pipe.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>

#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "tests/support/temp_device.h"

namespace {

using testing_support::TempDevice;

constexpr LPCWSTR kAppMutex = u"OMREL_APP_MUTEX";
constexpr LPCWSTR kDoneEvent = u"DONE_EVENT";
constexpr DWORD kNoHandle = 0xDEADBEEF;  // a create call returned null
constexpr DWORD kLongWait = 20000;       // only reached when something is broken

// Creates a named mutex and returns the last error it reported.
DWORD CreateAndReport(LPCWSTR name, HANDLE* handle, BOOL owned = FALSE) {
  SetLastError(12345);
  *handle = CreateMutex(nullptr, owned, name);
  return *handle ? GetLastError() : kNoHandle;
}

// Adds kRounds to a number in a file by unguarded read-modify-write steps, each
// under the mutex: any lapse in exclusion loses counts.
constexpr int kRounds = 100;
void CountUnderMutex(const std::filesystem::path& device, HANDLE mutex) {
  const std::filesystem::path file = device / "counter";
  for (int i = 0; i < kRounds; ++i) {
    if (WaitForSingleObject(mutex, kLongWait) != WAIT_OBJECT_0) return;
    int value = 0;
    std::ifstream(file) >> value;
    std::this_thread::yield();
    std::ofstream(file, std::ios::trunc) << value + 1;
    ReleaseMutex(mutex);
  }
}

bool NameExists(LPCWSTR name) {
  HANDLE probe = nullptr;
  const DWORD error = CreateAndReport(name, &probe);
  CloseHandle(probe);
  return error == ERROR_ALREADY_EXISTS;
}

// A second process of the device.
class Peer {
 public:
  explicit Peer(const std::filesystem::path& device) {
    int toChild[2];
    int fromChild[2];
    if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) ADD_FAILURE() << "pipe";
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(toChild[1]);
      ::close(fromChild[0]);
      Serve(device, toChild[0], fromChild[1]);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    commands_ = toChild[1];
    replies_ = fromChild[0];
  }
  ~Peer() {
    if (pid_ > 0) {
      Ask('q');
      Reap();
    }
    ::close(commands_);
    ::close(replies_);
  }

  // Sends one command and returns the child's answer (kNoHandle when the
  // child is gone).
  DWORD Ask(char command) {
    if (::write(commands_, &command, 1) != 1) return kNoHandle;
    DWORD reply = kNoHandle;
    if (::read(replies_, &reply, sizeof reply) != sizeof reply) return kNoHandle;
    return reply;
  }

  void Kill() {
    ::kill(pid_, SIGKILL);
    Reap();
  }

 private:
  void Reap() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

  // The child's side. Commands:
  //   M create OMREL_APP_MUTEX owned   R release the mutex
  //   C close the mutex handle         q quit
  //   L answer, then count to the counter file kRounds times under the mutex
  [[noreturn]] static void Serve(const std::filesystem::path& device, int in, int out) {
    std::string error;
    const bool open = platform::device::Open(device, &error);
    HANDLE mutex = nullptr;
    char command = 0;
    while (::read(in, &command, 1) == 1 && command != 'q') {
      DWORD reply = kNoHandle;
      if (!open) {
        // every answer says that the child could not open the device
      } else if (command == 'M') {
        reply = CreateAndReport(kAppMutex, &mutex, TRUE);
      } else if (command == 'R') {
        reply = ReleaseMutex(mutex);
      } else if (command == 'C') {
        reply = CloseHandle(mutex);
      } else if (command == 'L') {
        reply = TRUE;
      }
      if (::write(out, &reply, sizeof reply) != sizeof reply) break;
      if (command == 'L') CountUnderMutex(device, mutex);
    }
    ::_exit(0);
  }

  pid_t pid_ = -1;
  int commands_ = -1;
  int replies_ = -1;
};

class KernelObjects : public ::testing::Test {
 protected:
  TempDevice device_{false};
};

TEST_F(KernelObjects, NamedMutexExistsWhileAnyHandleIsOpen) {
  HANDLE first = nullptr;
  HANDLE second = nullptr;
  HANDLE third = nullptr;
  EXPECT_EQ(CreateAndReport(kAppMutex, &first, TRUE), ERROR_SUCCESS);
  EXPECT_EQ(CreateAndReport(kAppMutex, &second), ERROR_ALREADY_EXISTS);
  EXPECT_NE(first, second);
  // The creator's handle is not special: the name lives on in the second.
  ASSERT_TRUE(CloseHandle(first));
  EXPECT_EQ(CreateAndReport(kAppMutex, &third), ERROR_ALREADY_EXISTS);
  CloseHandle(second);
  CloseHandle(third);
  EXPECT_FALSE(NameExists(kAppMutex));
}

TEST_F(KernelObjects, NamesIgnoreCaseAndStayDistinct) {
  HANDLE held = CreateMutex(nullptr, FALSE, u"Omrel_App_Mutex");
  EXPECT_TRUE(NameExists(u"OMREL_APP_MUTEX"));
  EXPECT_TRUE(NameExists(u"omrel_app_mutex"));
  CloseHandle(held);

  held = CreateMutex(nullptr, FALSE, u"Sperre \u00C4\u00D6");
  EXPECT_TRUE(NameExists(u"sperre \u00E4\u00F6"));
  CloseHandle(held);

  // Escaping must not make different names meet in one file.
  held = CreateMutex(nullptr, FALSE, u"a.b");
  EXPECT_FALSE(NameExists(u"a%2Eb"));
  EXPECT_FALSE(NameExists(u"a_b"));
  CloseHandle(held);

  // Mutexes and events have names of their own.
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, u"Shared");
  ASSERT_NE(event, nullptr);
  EXPECT_FALSE(NameExists(u"Shared"));
  CloseHandle(event);
}

TEST_F(KernelObjects, MutexOwnershipBelongsToAThread) {
  HANDLE mutex = CreateMutex(nullptr, TRUE, kAppMutex);
  HANDLE other = CreateMutex(nullptr, TRUE, kAppMutex);  // exists: not owned through it
  ASSERT_NE(other, nullptr);
  // The owner may take it again; each take needs its release.
  EXPECT_EQ(WaitForSingleObject(other, 0), WAIT_OBJECT_0);
  std::thread([&] {
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_TIMEOUT);
    SetLastError(0);
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
  }).join();
  EXPECT_TRUE(ReleaseMutex(mutex));
  std::thread([&] { EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_TIMEOUT); }).join();
  EXPECT_TRUE(ReleaseMutex(other));
  EXPECT_FALSE(ReleaseMutex(mutex));

  // A waiting thread gets the mutex as soon as the owner lets go.
  std::atomic<bool> taken{false};
  ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  std::thread waiter([&] {
    taken = WaitForSingleObject(other, INFINITE) == WAIT_OBJECT_0;
    ReleaseMutex(other);
  });
  ReleaseMutex(mutex);
  waiter.join();
  EXPECT_TRUE(taken);
  CloseHandle(mutex);
  CloseHandle(other);
}

TEST_F(KernelObjects, AutoResetEventReleasesOneWaiterPerSignal) {
  HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  std::atomic<int> woken{0};
  auto wait = [&] {
    if (WaitForSingleObject(event, kLongWait) == WAIT_OBJECT_0) ++woken;
  };
  std::thread first(wait);
  std::thread second(wait);
  // Had one signal released both, the second would find no waiter and
  // stay set.
  SetEvent(event);
  while (woken == 0) std::this_thread::yield();
  SetEvent(event);
  first.join();
  second.join();
  EXPECT_EQ(woken, 2);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  CloseHandle(event);
}

TEST_F(KernelObjects, InjectedFaultsFailCreation) {
  platform::faults::Scope faults;
  platform::faults::Fail("CreateMutex", ERROR_NOT_ENOUGH_MEMORY);
  HANDLE handle = nullptr;
  EXPECT_EQ(CreateAndReport(kAppMutex, &handle), kNoHandle);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(NameExists(kAppMutex));  // the failed call left nothing behind

  platform::faults::Fail("CreateEvent", ERROR_ACCESS_DENIED);
  EXPECT_EQ(CreateEvent(nullptr, FALSE, FALSE, kDoneEvent), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  HANDLE event = CreateEvent(nullptr, FALSE, FALSE, kDoneEvent);
  EXPECT_NE(event, nullptr);
  CloseHandle(event);
}

TEST_F(KernelObjects, KilledProcessFreesNameAndOwnership) {
  auto peer = std::make_unique<Peer>(device_.folder());
  ASSERT_EQ(peer->Ask('M'), ERROR_SUCCESS);
  HANDLE mine = CreateMutex(nullptr, FALSE, kAppMutex);
  EXPECT_EQ(WaitForSingleObject(mine, 0), WAIT_TIMEOUT);
  peer->Kill();
  EXPECT_EQ(WaitForSingleObject(mine, 0), WAIT_OBJECT_0);
  ReleaseMutex(mine);
  CloseHandle(mine);
  peer.reset();

  Peer holder(device_.folder());
  ASSERT_EQ(holder.Ask('M'), ERROR_SUCCESS);
  EXPECT_TRUE(NameExists(kAppMutex));
  holder.Kill();
  EXPECT_FALSE(NameExists(kAppMutex));
}

TEST_F(KernelObjects, MutexKeepsProcessesApartUnderContention) {
  Peer peer(device_.folder());
  ASSERT_EQ(peer.Ask('M'), ERROR_SUCCESS);
  ASSERT_EQ(peer.Ask('R'), DWORD{TRUE});
  HANDLE mine = CreateMutex(nullptr, FALSE, kAppMutex);
  ASSERT_EQ(peer.Ask('L'), DWORD{TRUE});
  std::thread helper([&] { CountUnderMutex(device_.folder(), mine); });
  CountUnderMutex(device_.folder(), mine);
  helper.join();
  EXPECT_EQ(peer.Ask('C'), DWORD{TRUE});  // answered once the peer's rounds are done
  int counter = 0;
  std::ifstream(device_.folder() / "counter") >> counter;
  EXPECT_EQ(counter, 3 * kRounds);
  CloseHandle(mine);
}

}  // namespace
