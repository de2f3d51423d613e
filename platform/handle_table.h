// Process-wide table of kernel handles (mutexes, events, database handles,
// enumerators). CloseHandle dispatches on the object kind. Internal to the
// platform.
#pragma once

#include <memory>

#include "platform/windef.h"

namespace platform {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
};

// Stores the object and returns its new handle (never null or
// INVALID_HANDLE_VALUE).
HANDLE AddHandle(std::shared_ptr<KernelObject> object);
// The object of a handle, or null for an unknown handle.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <typename T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}
// Removes the handle; the object is destroyed with its last reference.
bool RemoveHandle(HANDLE handle);
// Drops every handle (the device is closed).
void RemoveAllHandles();

}  // namespace platform
