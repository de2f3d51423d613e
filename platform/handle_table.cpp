#include "platform/handle_table.h"

#include <map>
#include <mutex>

#include "platform/errors.h"
#include "platform/kernel.h"

namespace platform {
namespace {

struct Table {
  std::mutex lock;
  std::uintptr_t next = 0x100;
  std::map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
};

Table& Get() {
  static Table table;
  return table;
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
  Table& t = Get();
  std::lock_guard guard(t.lock);
  // Handles are multiples of 4 and never reused within a process, so a
  // stale handle can't reach a newer object.
  const std::uintptr_t value = t.next;
  t.next += 4;
  t.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  Table& t = Get();
  std::lock_guard guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

bool RemoveHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> doomed;  // destroyed outside the lock
  Table& t = Get();
  std::lock_guard guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == t.objects.end()) return false;
  doomed = std::move(it->second);
  t.objects.erase(it);
  return true;
}

void RemoveAllHandles() {
  std::map<std::uintptr_t, std::shared_ptr<KernelObject>> doomed;
  Table& t = Get();
  {
    std::lock_guard guard(t.lock);
    doomed.swap(t.objects);
  }
}

}  // namespace platform

BOOL CloseHandle(HANDLE object) {
  if (!platform::RemoveHandle(object)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
