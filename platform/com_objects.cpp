// Object creation: program id to class id, class id to library, library to
// class object.
#include <string>

#include "platform/com.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/modules.h"
#include "platform/registry.h"

namespace {

using GetClassObjectProc = HRESULT (*)(REFCLSID, REFIID, void**);

// The default value of HKEY_CLASSES_ROOT `path`, or false.
bool ReadDefault(const std::u16string& path, std::u16string* text) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  WCHAR buffer[MAX_PATH] = {};
  DWORD type = 0;
  DWORD size = sizeof buffer - sizeof(WCHAR);
  const LONG result =
      RegQueryValueEx(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return false;
  *text = buffer;
  return !text->empty();
}

}  // namespace

HRESULT CLSIDFromProgID(LPCWSTR progId, CLSID* clsid) {
  if (progId == nullptr || clsid == nullptr) return E_INVALIDARG;
  std::u16string text;
  if (!ReadDefault(std::u16string(progId) + u"\\CLSID", &text)) return CO_E_CLASSSTRING;
  return CLSIDFromString(text.c_str(), clsid);
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD, void*, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  DWORD error = 0;
  if (platform::faults::Check("CoGetClassObject", &error)) return HRESULT_FROM_WIN32(error);
  WCHAR classText[kGuidTextLength + 1];
  StringFromGUID2(clsid, classText, kGuidTextLength + 1);
  std::u16string library;
  if (!ReadDefault(std::u16string(u"CLSID\\") + classText + u"\\InprocServer32", &library))
    return REGDB_E_CLASSNOTREG;
  HMODULE module = platform::com::LoadComponentLibrary(library.c_str());
  if (module == nullptr) return CO_E_DLLNOTFOUND;
  auto getClassObject =
      reinterpret_cast<GetClassObjectProc>(GetProcAddress(module, "DllGetClassObject"));
  if (getClassObject == nullptr) return CO_E_ERRORINDLL;
  return getClassObject(clsid, iid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  DWORD error = 0;
  if (platform::faults::Check("CoCreateInstance", &error)) return HRESULT_FROM_WIN32(error);
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory,
                                reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(outer, iid, object);
  factory->Release();
  return hr;
}
