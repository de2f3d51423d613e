// Loading of modules (shared libraries) by device path or bare name.
#pragma once

#include <functional>

#include "platform/errors.h"
#include "platform/windef.h"

// "coredll.dll" means "\Windows\coredll.dll"; a path with '\' is a device
// path. Null with ERROR_MOD_NOT_FOUND (or the injected error) on failure.
HMODULE LoadLibrary(LPCWSTR fileName);
// Null with ERROR_PROC_NOT_FOUND when the module has no such entry.
FARPROC GetProcAddress(HMODULE module, const char* procName);
BOOL FreeLibrary(HMODULE module);
// Null gives the handle of the program itself; otherwise a module already
// loaded with that name, or null.
HMODULE GetModuleHandle(LPCWSTR moduleName);

namespace platform::modules {

// Called after a library is unloaded, with the address its link map had.
// State kept per library elsewhere goes here: a library loaded later may get
// the same address and must not inherit it.
void OnUnload(std::function<void(const void* linkMap)> observer);

}  // namespace platform::modules
