// Mutexes and events, within one process and between processes of one
// device; the kernel's device control codes, the virtual clock, the local heap.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_device.h"

namespace {

using testing_support::ChildProcess;
using testing_support::TempDevice;

constexpr LPCWSTR kAppMutex = u"OMREL_APP_MUTEX";
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
  HANDLE first = nullptr, second = nullptr, third = nullptr;
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
  EXPECT_EQ(CreateEvent(nullptr, FALSE, FALSE, u"DONE_EVENT"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  HANDLE event = CreateEvent(nullptr, FALSE, FALSE, u"DONE_EVENT");
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

TEST(KernelIoControl, DeviceIdFitsOrReportsSizeNeededAndOtherCodesAreRefused) {
  TempDevice device(false);
  std::array<BYTE, 512> buffer{};
  DWORD returned = 512;
  ASSERT_TRUE(KernelIoControl(IOCTL_HAL_GET_DEVICEID, nullptr, 0, buffer.data(), 512, &returned));
  ASSERT_EQ(returned, 32u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 32),
            testing_support::ReadFile(device.folder() / "hardware" / "device-id"));
  EXPECT_TRUE(std::all_of(buffer.begin() + 32, buffer.end(), [](BYTE b) { return b == 0; }));

  std::array<BYTE, 32> exact{};
  EXPECT_TRUE(KernelIoControl(IOCTL_HAL_GET_DEVICEID, nullptr, 0, exact.data(), 32, &returned));

  std::array<BYTE, 31> small{};
  returned = 0;
  SetLastError(0);
  EXPECT_FALSE(KernelIoControl(IOCTL_HAL_GET_DEVICEID, nullptr, 0, small.data(), 31, &returned));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(returned, 32u);
  EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](BYTE b) { return b == 0; }));

  EXPECT_FALSE(KernelIoControl(0x01010000, nullptr, 0, nullptr, 0, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);

  platform::device::Close();
  EXPECT_FALSE(KernelIoControl(IOCTL_HAL_GET_DEVICEID, nullptr, 0, buffer.data(), 512, &returned));
  EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

// It wraps like the device's tick count.
TEST(VirtualClock, MovesOnlyWhenAdvancedOrSlept) {
  platform::clock::UseVirtual(1000);
  EXPECT_TRUE(platform::clock::IsVirtual());
  EXPECT_EQ(GetTickCount(), 1000u);
  EXPECT_EQ(GetTickCount(), 1000u);
  platform::clock::Advance(10);
  EXPECT_EQ(GetTickCount(), 1010u);
  // A 25-second sleep takes no real time on the virtual clock.
  Sleep(25000);
  EXPECT_EQ(GetTickCount(), 26010u);

  platform::clock::UseVirtual(0xFFFFFF00u);
  platform::clock::Advance(0x200);
  EXPECT_EQ(GetTickCount(), 0x100u);
  platform::clock::UseReal();
}

TEST(LocalHeap, ZeroFillSizeReAllocAndRefusals) {
  auto* block = static_cast<BYTE*>(LocalAlloc(LPTR, 64));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(LocalSize(block), 64u);
  EXPECT_TRUE(std::all_of(block, block + 64, [](BYTE b) { return b == 0; }));
  std::memset(block, 0xAB, 64);

  // Grown as the database grows its read buffer: the content moves along.
  auto* grown = static_cast<BYTE*>(LocalReAlloc(block, 128, LMEM_MOVEABLE));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(LocalSize(grown), 128u);
  EXPECT_TRUE(std::all_of(grown, grown + 64, [](BYTE b) { return b == 0xAB; }));
  EXPECT_EQ(LocalFree(grown), nullptr);

  HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(LocalSize(empty), 0u);
  EXPECT_EQ(LocalFree(empty), nullptr);

  // Blocks not from the heap and sizes it cannot have are refused.
  EXPECT_EQ(LocalFree(nullptr), nullptr);
  int notFromTheHeap = 0;
  SetLastError(0);
  EXPECT_EQ(LocalFree(&notFromTheHeap), &notFromTheHeap);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(LocalReAlloc(&notFromTheHeap, 8, 0), nullptr);
  EXPECT_EQ(LocalSize(&notFromTheHeap), 0u);

  EXPECT_EQ(LocalAlloc(LPTR, std::size_t{1} << 40), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
}

TEST(LocalHeap, InjectedFailuresLeaveBlocksIntact) {
  platform::faults::Scope faults;
  platform::faults::Fail("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY, 2);
  HLOCAL first = LocalAlloc(LPTR, 8);
  ASSERT_NE(first, nullptr);
  SetLastError(0);
  EXPECT_EQ(LocalAlloc(LPTR, 8), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);

  platform::faults::Fail("LocalReAlloc", ERROR_OUTOFMEMORY);
  EXPECT_EQ(LocalReAlloc(first, 32, LMEM_MOVEABLE), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_OUTOFMEMORY);
  EXPECT_EQ(LocalSize(first), 8u);
  EXPECT_EQ(LocalFree(first), nullptr);
}

}  // namespace
