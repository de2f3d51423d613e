// The component runtime: per-thread initialisation and the unloading of
// component libraries that say they are no longer in use.
#pragma once

#include "platform/windef.h"

inline constexpr HRESULT S_FALSE = 1;
inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// S_OK for the first call on a thread, S_FALSE when the thread is already
// initialised. Every call must be matched by a CoUninitialize.
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
// Undoes one CoInitializeEx of the calling thread (no effect past zero).
void CoUninitialize();
// Asks each component library that the runtime loaded for its
// `DllCanUnloadNow` and drops the runtime's reference to those answering
// S_OK (the library is unloaded when nobody else holds it).
void CoFreeUnusedLibraries();

namespace platform::com {

// Loads a component library on behalf of the runtime (as object creation
// does) and returns it, or null as LoadLibrary. The runtime keeps one
// reference of its own per library until CoFreeUnusedLibraries drops it.
HMODULE LoadComponentLibrary(LPCWSTR fileName);
// Number of calls to CoInitializeEx not yet undone on the calling thread.
unsigned InitCount();

}  // namespace platform::com
