#include "tests/support/registry_values.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/registry.h"

namespace testing_support {

std::optional<Bytes> RegBytes(HKEY root, const char16_t* path, const char16_t* name, DWORD* type) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return std::nullopt;
  DWORD size = 0;
  DWORD storedType = 0;
  std::optional<Bytes> result;
  if (RegQueryValueEx(key, name, nullptr, &storedType, nullptr, &size) == ERROR_SUCCESS) {
    Bytes bytes(size);
    if (RegQueryValueEx(key, name, nullptr, &storedType, bytes.data(), &size) == ERROR_SUCCESS)
      result = bytes;
  }
  RegCloseKey(key);
  if (result && type) *type = storedType;
  return result;
}

void SetRegBytes(HKEY root, const char16_t* path, const char16_t* name, DWORD type,
                 const Bytes& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (name) {
    EXPECT_EQ(RegSetValueEx(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
  }
  RegCloseKey(key);
}

void SetRegDword(HKEY root, const char16_t* path, const char16_t* name, DWORD value) {
  SetRegBytes(root, path, name, REG_DWORD, DwordBytes(value));
}

Bytes Utf16Bytes(std::u16string_view text, bool withTerminator) {
  Bytes bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<BYTE>(c & 0xFF));
    bytes.push_back(static_cast<BYTE>(c >> 8));
  }
  if (withTerminator) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

Bytes DwordBytes(DWORD value) {
  return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
          static_cast<BYTE>(value >> 24)};
}

Bytes OwnerRecord(std::initializer_list<std::pair<std::size_t, std::u16string_view>> fields,
                  std::size_t size) {
  Bytes record(768, 0);
  for (const auto& [offset, text] : fields) {
    const Bytes bytes = Utf16Bytes(text, false);
    std::copy(bytes.begin(), bytes.end(), record.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  record.resize(size);
  return record;
}

Bytes DelayRecordBytes(DWORD time, DWORD count, DWORD pending) {
  Bytes bytes = {'L', 'R', 'U', '0'};
  for (DWORD value : {time, count, pending}) {
    const Bytes le = DwordBytes(value);
    bytes.insert(bytes.end(), le.begin(), le.end());
  }
  bytes.resize(36, 0);
  return bytes;
}

}  // namespace testing_support
