// Kernel services other than the kernel objects (sync_objects.cpp) and
// CloseHandle (handle_table.cpp).
#include "platform/kernel.h"

#include <openssl/crypto.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/beeps.h"
#include "platform/clock.h"
#include "platform/device_internal.h"
#include "platform/faults.h"
#include "platform/recent_records.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

// Writes `text` with its terminator into a caller's buffer of `bytes` bytes.
BOOL CopyTextOut(std::u16string_view text, UINT bytes, void* buffer) {
  const std::size_t needed = (text.size() + 1) * sizeof(char16_t);
  if (!buffer || bytes < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
  const char16_t terminator = 0;
  std::memcpy(static_cast<char*>(buffer) + text.size() * sizeof(char16_t), &terminator,
              sizeof terminator);
  return TRUE;
}

// The OEM string names the model and carries a serial taken from the
// hardware identity, so it is stable for a device and differs between
// devices.
bool OemInfo(std::u16string* text) {
  std::vector<BYTE> identity;
  if (!platform::device::HardwareId(&identity)) return false;
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  *text = u"Veyrholm PDA 240x320 ";
  for (std::size_t i = 0; i < identity.size() && i < 4; ++i) {
    text->push_back(kHex[identity[i] >> 4]);
    text->push_back(kHex[identity[i] & 0x0F]);
  }
  return true;
}

// The local heap: blocks come from malloc, with their sizes kept here so
// LocalSize and LocalReAlloc can answer and unknown blocks are refused.
struct Heap {
  std::mutex lock;
  std::unordered_map<void*, std::size_t> sizes;
};

Heap& GetHeap() {
  static Heap heap;
  return heap;
}

// A block's entry, or end() with ERROR_INVALID_HANDLE for a pointer that is
// not a live block of this heap.
auto FindBlock(Heap& heap, HLOCAL block) {
  auto it = heap.sizes.find(block);
  if (it == heap.sizes.end()) SetLastError(ERROR_INVALID_HANDLE);
  return it;
}

// Blocks are wiped before they go back to malloc: they may have held a secret.
void WipeAndFree(Heap& heap, decltype(Heap::sizes)::iterator it) {
  OPENSSL_cleanse(it->first, it->second);
  std::free(it->first);
  heap.sizes.erase(it);
}

// Larger requests fail as they would on the handheld, whose RAM is a few
// tens of megabytes; it also keeps absurd sizes away from malloc.
constexpr std::size_t kLargestBlock = 64u << 20;

struct Beeps {
  std::mutex lock;
  std::vector<UINT> recorded;
};

Beeps& GetBeeps() {
  static Beeps beeps;
  return beeps;
}

}  // namespace

DWORD GetTickCount() {
  return platform::clock::Now();
}

void Sleep(DWORD milliseconds) {
  if (platform::clock::IsVirtual()) {
    platform::clock::Advance(milliseconds);
    return;
  }
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD GetLastError() {
  return t_lastError;
}
void SetLastError(DWORD error) {
  t_lastError = error;
}

BOOL KernelIoControl(DWORD code, void* /*inBuffer*/, DWORD /*inSize*/, void* outBuffer,
                     DWORD outSize, DWORD* bytesReturned) {
  if (platform::faults::CheckAndSetLastError("KernelIoControl")) return FALSE;
  switch (code) {
    case IOCTL_HAL_GET_DEVICEID: {
      std::vector<BYTE> identity;
      if (!platform::device::HardwareId(&identity) || identity.empty()) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
      }
      const auto needed = static_cast<DWORD>(identity.size());
      if (!outBuffer || outSize < needed) {
        if (bytesReturned) *bytesReturned = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
      }
      std::memcpy(outBuffer, identity.data(), identity.size());
      if (bytesReturned) *bytesReturned = needed;
      return TRUE;
    }
    case IOCTL_HAL_REBOOT:
      platform::device::RequestReboot();
      if (bytesReturned) *bytesReturned = 0;
      return TRUE;
    default:
      SetLastError(ERROR_NOT_SUPPORTED);
      return FALSE;
  }
}

void SetCleanRebootFlag() {
  if (!platform::device::SetCleanBootFlag()) SetLastError(ERROR_NOT_READY);
}

BOOL SystemParametersInfo(UINT action, UINT param, void* value, UINT /*winIni*/) {
  if (platform::faults::CheckAndSetLastError("SystemParametersInfo")) return FALSE;
  switch (action) {
    case SPI_GETPLATFORMTYPE:
      return CopyTextOut(u"PocketPC", param, value);
    case SPI_GETOEMINFO: {
      std::u16string text;
      if (!OemInfo(&text)) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
      }
      return CopyTextOut(text, param, value);
    }
    default:
      SetLastError(ERROR_NOT_SUPPORTED);
      return FALSE;
  }
}

BOOL GetVersionEx(OSVERSIONINFO* info) {
  if (platform::faults::CheckAndSetLastError("GetVersionEx")) return FALSE;
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->dwOSVersionInfoSize = sizeof(OSVERSIONINFO);
  info->dwMajorVersion = 3;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = 126;
  info->dwPlatformId = VER_PLATFORM_WIN32_CE;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return TRUE;
}

HLOCAL LocalAlloc(UINT flags, std::size_t bytes) {
  if (platform::faults::CheckAndSetLastError("LocalAlloc")) return nullptr;
  if (bytes > kLargestBlock) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // A zero-byte block is still a distinct, freeable block.
  void* block = (flags & LMEM_ZEROINIT) ? std::calloc(bytes == 0 ? 1 : bytes, 1)
                                        : std::malloc(bytes == 0 ? 1 : bytes);
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Heap& heap = GetHeap();
  std::lock_guard guard(heap.lock);
  heap.sizes[block] = bytes;
  return block;
}

HLOCAL LocalReAlloc(HLOCAL block, std::size_t bytes, UINT flags) {
  if (platform::faults::CheckAndSetLastError("LocalReAlloc")) return nullptr;
  Heap& heap = GetHeap();
  std::lock_guard guard(heap.lock);
  auto it = FindBlock(heap, block);
  if (it == heap.sizes.end()) return nullptr;
  if (bytes > kLargestBlock) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // Always a fresh block, so the old one can be wiped: realloc would leave
  // a copy of it behind in freed memory.
  void* fresh = std::malloc(bytes == 0 ? 1 : bytes);
  if (!fresh) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  const std::size_t old = it->second;
  if (bytes > 0) std::memcpy(fresh, block, old < bytes ? old : bytes);
  if (bytes > old) {
    if (flags & LMEM_ZEROINIT) std::memset(static_cast<char*>(fresh) + old, 0, bytes - old);
  }
  WipeAndFree(heap, it);
  heap.sizes[fresh] = bytes;
  return fresh;
}

HLOCAL LocalFree(HLOCAL block) {
  if (!block) return nullptr;
  Heap& heap = GetHeap();
  std::lock_guard guard(heap.lock);
  auto it = FindBlock(heap, block);
  if (it == heap.sizes.end()) return block;
  WipeAndFree(heap, it);
  return nullptr;
}

std::size_t LocalSize(HLOCAL block) {
  Heap& heap = GetHeap();
  std::lock_guard guard(heap.lock);
  auto it = FindBlock(heap, block);
  return it == heap.sizes.end() ? 0 : it->second;
}

BOOL MessageBeep(UINT type) {
  if (platform::faults::CheckAndSetLastError("MessageBeep")) return FALSE;
  Beeps& beeps = GetBeeps();
  std::lock_guard guard(beeps.lock);
  platform::AppendRecent(beeps.recorded, type);
  return TRUE;
}

namespace platform::beeps {

std::vector<UINT> Recorded() {
  Beeps& beeps = GetBeeps();
  std::lock_guard guard(beeps.lock);
  return beeps.recorded;
}

void Clear() {
  Beeps& beeps = GetBeeps();
  std::lock_guard guard(beeps.lock);
  beeps.recorded.clear();
}

}  // namespace platform::beeps
