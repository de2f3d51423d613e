// The one holder of an open registry key, empty or holding one handle.
// Every registry key the module or the host opens is kept in one, so the
// key is closed on every exit path.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

class CRegistryKey {
 public:
  CRegistryKey() = default;
  ~CRegistryKey() { Close(); }
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  HKEY Get() const { return m_hKey; }
  bool IsOpen() const { return m_hKey != nullptr; }
  // Closes the held key, if any, and empties the holder; returns the close
  // result (ERROR_SUCCESS when there was nothing to close).
  LONG Close();
  // Takes ownership of `key`, closing the previously held one; returns the
  // result of that close.
  LONG Attach(HKEY key);

 private:
  HKEY m_hKey = nullptr;
};

// Opens `path` under `root`. On failure returns the registry error and
// leaves the holder as it was; on success the holder's previous key is
// closed, the new one stored, and the result of that close returned.
LONG OpenRegistryKey(CRegistryKey& holder, HKEY root, LPCWSTR path, REGSAM access);
// Same, creating the key when it does not exist.
LONG CreateRegistryKey(CRegistryKey& holder, HKEY root, LPCWSTR path, REGSAM access);

// Small typed accessors on an open key. Reads leave `*value` unchanged on
// any failure. REG_SZ values are written with their terminating zero.
bool ReadRegistryDword(HKEY key, LPCWSTR name, DWORD* value);
bool ReadRegistryString(HKEY key, LPCWSTR name, std::u16string* value);
// The value's bytes as stored, and its type.
bool ReadRegistryBytes(HKEY key, LPCWSTR name, std::vector<BYTE>* bytes, DWORD* type);
bool WriteRegistryDword(HKEY key, LPCWSTR name, DWORD value);
bool WriteRegistryString(HKEY key, LPCWSTR name, std::u16string_view value);
