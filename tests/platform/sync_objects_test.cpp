// Mutexes and events, within one process and between processes of one
// device.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>

#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_device.h"

namespace {

using testing_support::ChildProcess;
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
  // Another program takes the mutex and is killed, as by a power cut.
  const auto holder = [](ChildProcess& self) {
    HANDLE held = nullptr;
    self.Report(std::to_string(CreateAndReport(kAppMutex, &held, TRUE)));
    for (;;) ::pause();
  };
  ChildProcess first(holder);
  ASSERT_EQ(first.NextLine(), "0");
  HANDLE mine = CreateMutex(nullptr, FALSE, kAppMutex);
  EXPECT_EQ(WaitForSingleObject(mine, 0), WAIT_TIMEOUT);
  first.Kill();
  EXPECT_EQ(WaitForSingleObject(mine, 0), WAIT_OBJECT_0);
  ReleaseMutex(mine);
  CloseHandle(mine);

  ChildProcess second(holder);
  ASSERT_EQ(second.NextLine(), "0");
  EXPECT_TRUE(NameExists(kAppMutex));
  second.Kill();
  EXPECT_FALSE(NameExists(kAppMutex));
}

TEST_F(KernelObjects, MutexKeepsProcessesApartUnderContention) {
  ChildProcess peer([](ChildProcess& self) {
    HANDLE mutex = CreateMutex(nullptr, FALSE, kAppMutex);
    self.Report(mutex ? "ready" : "no mutex");
    CountUnderMutex(platform::device::Folder(), mutex);
  });
  ASSERT_EQ(peer.NextLine(), "ready");
  HANDLE mine = CreateMutex(nullptr, FALSE, kAppMutex);
  std::thread helper([&] { CountUnderMutex(device_.folder(), mine); });
  CountUnderMutex(device_.folder(), mine);
  helper.join();
  EXPECT_TRUE(peer.Wait());
  int counter = 0;
  std::ifstream(device_.folder() / "counter") >> counter;
  EXPECT_EQ(counter, 3 * kRounds);
  CloseHandle(mine);
}

}  // namespace
