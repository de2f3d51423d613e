#include "platform/registry_key.h"

#include <utility>
#include <vector>

#include "platform/kernel.h"

LONG CRegistryKey::Close() {
  if (m_hKey == nullptr) return ERROR_SUCCESS;
  const LONG result = RegCloseKey(m_hKey);
  m_hKey = nullptr;
  return result;
}

LONG CRegistryKey::Attach(HKEY key) {
  const LONG result = Close();
  m_hKey = key;
  return result;
}

LONG OpenRegistryKey(CRegistryKey& holder, HKEY root, LPCWSTR path, REGSAM access) {
  HKEY key = nullptr;
  const LONG result = RegOpenKeyEx(root, path, 0, access, &key);
  if (result != ERROR_SUCCESS) return result;
  return holder.Attach(key);
}

LONG CreateRegistryKey(CRegistryKey& holder, HKEY root, LPCWSTR path, REGSAM access) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG result = RegCreateKeyEx(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                     nullptr, &key, &disposition);
  if (result != ERROR_SUCCESS) return result;
  return holder.Attach(key);
}

bool ReadRegistryDword(HKEY key, LPCWSTR name, DWORD* value) {
  // The slot is zeroed first and the type is not checked, so a shorter
  // value reads as its bytes padded with zeros.
  DWORD slot = 0;
  DWORD size = sizeof(slot);
  DWORD type = 0;
  if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&slot), &size) !=
      ERROR_SUCCESS)
    return false;
  *value = slot;
  return true;
}

bool ReadRegistryString(HKEY key, LPCWSTR name, std::u16string* value) {
  DWORD size = 0;
  DWORD type = 0;
  if (RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  std::vector<BYTE> buffer(size + sizeof(WCHAR), 0);
  if (RegQueryValueEx(key, name, nullptr, &type, buffer.data(), &size) != ERROR_SUCCESS)
    return false;
  // The text runs to its first zero character; the extra zeroed character
  // ends a value stored without a terminator.
  const auto* text = reinterpret_cast<const WCHAR*>(buffer.data());
  std::size_t length = 0;
  while (length < (size + 1) / sizeof(WCHAR) && text[length] != 0) ++length;
  value->assign(text, length);
  return true;
}

bool ReadRegistryBytes(HKEY key, LPCWSTR name, std::vector<BYTE>* bytes, DWORD* type) {
  DWORD size = 0;
  if (RegQueryValueEx(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
  std::vector<BYTE> read(size, 0);
  if (size != 0 && RegQueryValueEx(key, name, nullptr, type, read.data(), &size) != ERROR_SUCCESS)
    return false;
  read.resize(size);
  *bytes = std::move(read);
  return true;
}

bool WriteRegistryDword(HKEY key, LPCWSTR name, DWORD value) {
  return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value)) == ERROR_SUCCESS;
}

bool WriteRegistryString(HKEY key, LPCWSTR name, std::u16string_view value) {
  std::u16string terminated(value);
  const DWORD bytes = static_cast<DWORD>((terminated.size() + 1) * sizeof(WCHAR));
  return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(terminated.c_str()),
                       bytes) == ERROR_SUCCESS;
}
