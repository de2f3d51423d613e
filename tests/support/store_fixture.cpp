#include "tests/support/store_fixture.h"

#include <cstring>

#include "entry/session_flags.h"
#include "platform/faults.h"
#include "platform/message_box.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "store/credential_set.h"
#include "store/settings_record.h"

namespace testing_support {

void StoreTest::SetUp() {
  device_.emplace();
  g_hResourceModule = GetModuleHandle(nullptr);
  g_Settings = SettingsRecord{};
  WipeAllSecrets();
  platform::message_box::ClearRecorded();
}

void StoreTest::TearDown() {
  platform::faults::Clear();
  WipeAllSecrets();
  g_Settings = SettingsRecord{};
  device_.reset();
}

std::optional<std::vector<BYTE>> StoreTest::RegBytes(HKEY root, const char16_t* path,
                                                     const char16_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return std::nullopt;
  DWORD size = 0;
  DWORD type = 0;
  std::optional<std::vector<BYTE>> result;
  if (RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::vector<BYTE> bytes(size);
    if (RegQueryValueEx(key, name, nullptr, &type, bytes.data(), &size) == ERROR_SUCCESS)
      result = bytes;
  }
  RegCloseKey(key);
  return result;
}

void StoreTest::SetRegBytes(HKEY root, const char16_t* path, const char16_t* name, DWORD type,
                            const std::vector<BYTE>& bytes) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void StoreTest::SetRegDword(HKEY root, const char16_t* path, const char16_t* name, DWORD value) {
  std::vector<BYTE> bytes(4);
  std::memcpy(bytes.data(), &value, 4);
  SetRegBytes(root, path, name, REG_DWORD, bytes);
}

std::vector<BYTE> StoreTest::Utf16Bytes(std::u16string_view text, bool withTerminator) {
  std::vector<BYTE> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<BYTE>(c & 0xFF));
    bytes.push_back(static_cast<BYTE>(c >> 8));
  }
  if (withTerminator) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

}  // namespace testing_support
