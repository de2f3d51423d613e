// The component runtime: per-thread initialisation, object creation from
// the classes registered under HKEY_CLASSES_ROOT, and the unloading of
// component libraries that say they are no longer in use. Interfaces and
// result codes are in com_interfaces.h, automation values in variant.h.
#pragma once

#include "platform/com_interfaces.h"
#include "platform/guid.h"
#include "platform/variant.h"
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

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

// The class registered for a program id (HKEY_CLASSES_ROOT "<progId>\CLSID").
// CO_E_CLASSSTRING when there is none or its text is no class id.
HRESULT CLSIDFromProgID(LPCWSTR progId, CLSID* clsid);
// The class object of a registered class: the library named by
// "CLSID\{...}\InprocServer32" is loaded (LoadComponentLibrary) and its
// `DllGetClassObject` asked. REGDB_E_CLASSNOTREG for a class not
// registered, CO_E_DLLNOTFOUND when the library does not load,
// CO_E_ERRORINDLL when it has no `DllGetClassObject`. Can be made to fail
// (fault "CoGetClassObject"; object creation goes through it too).
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* reserved, REFIID iid, void** object);
// A new object of the class through its class object's CreateInstance.
// Can be made to fail (fault "CoCreateInstance").
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);

namespace platform::com {

// Loads a component library on behalf of the runtime (as object creation
// does) and returns it, or null as LoadLibrary. The runtime keeps one
// reference of its own per library until CoFreeUnusedLibraries drops it.
HMODULE LoadComponentLibrary(LPCWSTR fileName);
// Number of calls to CoInitializeEx not yet undone on the calling thread.
unsigned InitCount();

}  // namespace platform::com
