#include "tests/support/freed_memory_scan.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace testing_support {
namespace {

// Plain globals: the hooks below run before any constructor and after every
// destructor of the program.
constexpr std::size_t kMaxWatched = 128;
std::atomic<bool> g_scanning{false};
unsigned char g_watched[kMaxWatched];
std::size_t g_watchedSize = 0;
std::atomic<unsigned> g_hits{0};
std::atomic<unsigned> g_freed{0};

void Inspect(void* block) {
  if (block == nullptr || !g_scanning.load(std::memory_order_relaxed)) return;
  g_freed.fetch_add(1, std::memory_order_relaxed);
  const std::size_t size = malloc_usable_size(block);
  if (size < g_watchedSize) return;
  if (memmem(block, size, g_watched, g_watchedSize) != nullptr)
    g_hits.fetch_add(1, std::memory_order_relaxed);
}

void* Allocate(std::size_t bytes) {
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

FreedMemoryScan::FreedMemoryScan(std::u16string_view text) {
  g_watchedSize = std::min(text.size() * sizeof(char16_t), kMaxWatched);
  std::memcpy(g_watched, text.data(), g_watchedSize);
  g_hits = 0;
  g_freed = 0;
  g_scanning = true;
}

FreedMemoryScan::~FreedMemoryScan() {
  g_scanning = false;
  std::memset(g_watched, 0, sizeof g_watched);
  g_watchedSize = 0;
}

unsigned FreedMemoryScan::Hits() const {
  return g_hits.load();
}

unsigned FreedMemoryScan::Freed() const {
  return g_freed.load();
}

}  // namespace testing_support

// The replaced global allocation functions, every form: a form left to the
// runtime (the sanitizers provide their own) would pair its allocation
// with our free.
void* operator new(std::size_t bytes) {
  return testing_support::Allocate(bytes);
}
void operator delete(void* block) noexcept {
  testing_support::Inspect(block);
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  testing_support::Inspect(block);
  std::free(block);
}
void* operator new[](std::size_t bytes) {
  return testing_support::Allocate(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  return std::malloc(bytes == 0 ? 1 : bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
  return std::malloc(bytes == 0 ? 1 : bytes);
}
void operator delete[](void* block) noexcept {
  operator delete(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  operator delete(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  operator delete(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  operator delete(block);
}
