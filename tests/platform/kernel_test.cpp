#include "platform/kernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include <vector>

#include "platform/clock.h"
#include "platform/device.h"
#include "platform/faults.h"
#include "tests/support/temp_device.h"

namespace {

using testing_support::TempDevice;

TEST(KernelIoControl, DeviceIdFitsOrReportsSizeNeeded) {
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

  platform::device::Close();
  EXPECT_FALSE(KernelIoControl(IOCTL_HAL_GET_DEVICEID, nullptr, 0, buffer.data(), 512, &returned));
  EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

TEST(KernelIoControl, RebootIsRecordedAndOtherCodesRefused) {
  TempDevice device(false);
  EXPECT_FALSE(platform::device::RebootRequested());
  EXPECT_TRUE(KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr));
  EXPECT_TRUE(platform::device::RebootRequested());
  platform::device::ClearRebootRequest();
  EXPECT_FALSE(platform::device::RebootRequested());
  // The next boot answers a pending request.
  EXPECT_TRUE(KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr));
  device.Reopen();
  EXPECT_FALSE(platform::device::RebootRequested());

  EXPECT_FALSE(KernelIoControl(0x01010000, nullptr, 0, nullptr, 0, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

class VirtualClock : public ::testing::Test {
 protected:
  ~VirtualClock() override { platform::clock::UseReal(); }
};

// It moves only when advanced or slept, and wraps like the device's tick
// count.
TEST_F(VirtualClock, MovesOnlyWhenAdvancedOrSlept) {
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
}

TEST(LocalHeap, ZeroFillSizeAndReAlloc) {
  auto* block = static_cast<BYTE*>(LocalAlloc(LPTR, 64));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(LocalSize(block), 64u);
  EXPECT_TRUE(std::all_of(block, block + 64, [](BYTE b) { return b == 0; }));
  std::memset(block, 0xAB, 64);

  auto* grown = static_cast<BYTE*>(LocalReAlloc(block, 128, LMEM_MOVEABLE | LMEM_ZEROINIT));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(LocalSize(grown), 128u);
  EXPECT_TRUE(std::all_of(grown, grown + 64, [](BYTE b) { return b == 0xAB; }));
  EXPECT_TRUE(std::all_of(grown + 64, grown + 128, [](BYTE b) { return b == 0; }));

  auto* shrunk = static_cast<BYTE*>(LocalReAlloc(grown, 16, LMEM_MOVEABLE));
  ASSERT_NE(shrunk, nullptr);
  EXPECT_EQ(LocalSize(shrunk), 16u);
  EXPECT_EQ(shrunk[15], 0xAB);
  EXPECT_EQ(LocalFree(shrunk), nullptr);

  HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(LocalSize(empty), 0u);
  EXPECT_EQ(LocalFree(empty), nullptr);
}

TEST(LocalHeap, RefusesUnknownBlocksAndHugeSizes) {
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
