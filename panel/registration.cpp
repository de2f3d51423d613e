// Registration of the signature component: its class identifier and its
// program identifier under HKEY_CLASSES_ROOT, as the component runtime
// finds them.
#include <string>

#include "platform/registry.h"
#include "platform/registry_key.h"
#include "platform/system_names.h"
#include "platform/windef.h"

namespace {

constexpr const WCHAR* kClassId = u"{5281D351-DC25-4153-8A45-79705258FF18}";
constexpr const WCHAR* kProgId = u"Panel.Client.1";
constexpr const WCHAR* kDescription = u"Veyrholm Signature Panel";

bool SetString(HKEY root, const std::u16string& path, const WCHAR* name, const WCHAR* value) {
  CRegistryKey key;
  return CreateRegistryKey(key, root, path.c_str(), KEY_ALL_ACCESS) == ERROR_SUCCESS &&
         WriteRegistryString(key.Get(), name, value);
}

// Deletes a key with everything below it; a missing key is fine.
bool DeleteTree(HKEY root, const std::u16string& path) {
  CRegistryKey key;
  const LONG opened = OpenRegistryKey(key, root, path.c_str(), KEY_ALL_ACCESS);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  for (;;) {
    WCHAR name[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (RegEnumKeyEx(key.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    if (!DeleteTree(key.Get(), name)) return false;
  }
  key.Close();
  return RegDeleteKey(root, path.c_str()) == ERROR_SUCCESS;
}

const std::u16string& ClassKey() {
  static const std::u16string path = std::u16string(u"CLSID\\") + kClassId;
  return path;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  const bool ok =
      SetString(HKEY_CLASSES_ROOT, ClassKey(), nullptr, kDescription) &&
      SetString(HKEY_CLASSES_ROOT, ClassKey() + u"\\InprocServer32", nullptr,
                kSignatureComponentPath) &&
      SetString(HKEY_CLASSES_ROOT, ClassKey() + u"\\ProgID", nullptr, kProgId) &&
      SetString(HKEY_CLASSES_ROOT, kProgId, nullptr, kDescription) &&
      SetString(HKEY_CLASSES_ROOT, std::u16string(kProgId) + u"\\CLSID", nullptr, kClassId);
  return ok ? S_OK : E_FAIL;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  // Both keys go even when the first can't.
  const bool classGone = DeleteTree(HKEY_CLASSES_ROOT, ClassKey());
  const bool progIdGone = DeleteTree(HKEY_CLASSES_ROOT, kProgId);
  return classGone && progIdGone ? S_OK : E_FAIL;
}
