#include "platform/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/kernel.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace {

using testing_support::Bytes;
using testing_support::Utf16Bytes;

class RegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (HKEY key : opened_) RegCloseKey(key);
  }

  HKEY Create(HKEY root, const char16_t* path, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, &key, disposition),
              ERROR_SUCCESS);
    opened_.push_back(key);
    return key;
  }

  LONG Open(HKEY root, const char16_t* path, HKEY* key) {
    const LONG result = RegOpenKeyEx(root, path, 0, KEY_ALL_ACCESS, key);
    if (result == ERROR_SUCCESS) opened_.push_back(*key);
    return result;
  }

  static LONG Set(HKEY key, const char16_t* name, DWORD type, const Bytes& data) {
    return RegSetValueEx(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
  }

  static LONG SetDword(HKEY key, const char16_t* name, DWORD value) {
    return Set(key, name, REG_DWORD, testing_support::DwordBytes(value));
  }

  // The stored type and bytes, or the error as the type when the query fails.
  static std::pair<DWORD, Bytes> Get(HKEY key, const char16_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueEx(key, name, nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS) return {0xFFFF0000u | static_cast<DWORD>(result), {}};
    Bytes data(size);
    result = RegQueryValueEx(key, name, nullptr, &type, data.data(), &size);
    if (result != ERROR_SUCCESS) return {0xFFFF0000u | static_cast<DWORD>(result), {}};
    data.resize(size);
    return {type, data};
  }

  // The names RegEnumValue (or RegEnumKeyEx) lists, in its order.
  static std::vector<std::u16string> Names(HKEY key, bool subkeys = false) {
    std::vector<std::u16string> names;
    for (DWORD i = 0;; ++i) {
      WCHAR name[REG_MAX_NAME + 1];
      DWORD length = REG_MAX_NAME + 1;
      const LONG result =
          subkeys ? RegEnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr, nullptr)
                  : RegEnumValue(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (result == ERROR_NO_MORE_ITEMS) break;
      EXPECT_EQ(result, ERROR_SUCCESS);
      if (result != ERROR_SUCCESS) break;
      names.emplace_back(name, length);
    }
    return names;
  }

  testing_support::TempDevice device_{false};
  std::vector<HKEY> opened_;
};

TEST_F(RegistryTest, ValuesKeepTheirTypeAndExactBytes) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"Software\\Vexlund\\Zentrak");
  const Bytes abc = Utf16Bytes(u"abc");
  const Bytes binary = {0x00, 0xFF, 0x00, 0x10, 0x00};
  const Bytes odd = {1, 2, 3};
  ASSERT_EQ(Set(key, u"AlarmSound", REG_SZ, abc), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, u"LogonMethod", 2), ERROR_SUCCESS);
  ASSERT_EQ(Set(key, u"Owner", REG_BINARY, binary), ERROR_SUCCESS);
  ASSERT_EQ(Set(key, u"Empty", REG_SZ, {}), ERROR_SUCCESS);
  ASSERT_EQ(Set(key, u"Odd", 0x12345678, odd), ERROR_SUCCESS);
  // An unterminated string is stored as given, not "fixed".
  ASSERT_EQ(Set(key, u"Bare", REG_SZ, Utf16Bytes(u"xy", false)), ERROR_SUCCESS);

  EXPECT_EQ(Get(key, u"AlarmSound"), std::make_pair(REG_SZ, abc));
  EXPECT_EQ(Get(key, u"LogonMethod"), std::make_pair(REG_DWORD, Bytes{2, 0, 0, 0}));
  EXPECT_EQ(Get(key, u"Owner"), std::make_pair(REG_BINARY, binary));
  EXPECT_EQ(Get(key, u"Empty"), std::make_pair(REG_SZ, Bytes{}));
  EXPECT_EQ(Get(key, u"Odd"), std::make_pair(DWORD{0x12345678}, odd));
  EXPECT_EQ(Get(key, u"Bare"), std::make_pair(REG_SZ, Utf16Bytes(u"xy", false)));

  // Overwriting may change the type and the size.
  ASSERT_EQ(Set(key, u"LogonMethod", REG_BINARY, odd), ERROR_SUCCESS);
  EXPECT_EQ(Get(key, u"LogonMethod"), std::make_pair(REG_BINARY, odd));

  // The unnamed default value, on a root as on any key.
  ASSERT_EQ(SetDword(HKEY_CURRENT_USER, nullptr, 4), ERROR_SUCCESS);
  EXPECT_EQ(Get(HKEY_CURRENT_USER, u"").second, (Bytes{4, 0, 0, 0}));
  EXPECT_EQ(RegFlushKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(RegistryTest, QueryReportsSizesAndShortBuffers) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Vexlund\\Zentrak");
  const Bytes text = Utf16Bytes(u"\\Windows\\Alarm1.wav", true);
  ASSERT_EQ(Set(key, u"AlarmSound", REG_SZ, text), ERROR_SUCCESS);

  DWORD type = 0;
  Bytes small(4, 0xAA);
  DWORD size = static_cast<DWORD>(small.size());
  EXPECT_EQ(RegQueryValueEx(key, u"AlarmSound", nullptr, &type, small.data(), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, text.size());
  EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);

  EXPECT_EQ(RegQueryValueEx(key, u"AlarmSound", nullptr, nullptr, small.data(), nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueEx(key, u"Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Vexlund\\Zentrak");
  ASSERT_EQ(SetDword(key, u"PwDelay", 1), ERROR_SUCCESS);

  HKEY same = nullptr;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, u"SOFTWARE\\vexlund\\ZENTRAK", &same), ERROR_SUCCESS);
  EXPECT_EQ(Get(same, u"pwdelay").second, (Bytes{1, 0, 0, 0}));
  ASSERT_EQ(SetDword(same, u"PWDELAY", 2), ERROR_SUCCESS);
  EXPECT_EQ(Names(key), std::vector<std::u16string>{u"PwDelay"});
  EXPECT_EQ(Get(key, u"PwDelay").second, (Bytes{2, 0, 0, 0}));

  // Latin-1 letters fold too.
  HKEY owner = Create(key, u"\u00C4rger");
  ASSERT_EQ(SetDword(owner, u"\u00E9t\u00E9", 3), ERROR_SUCCESS);
  HKEY folded = nullptr;
  ASSERT_EQ(Open(key, u"\u00E4RGER", &folded), ERROR_SUCCESS);
  EXPECT_EQ(Get(folded, u"\u00C9T\u00C9").second, (Bytes{3, 0, 0, 0}));

  HKEY top = nullptr;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, u"software", &top), ERROR_SUCCESS);
  EXPECT_EQ(Names(top, true), std::vector<std::u16string>{u"Vexlund"});
  // The roots are separate trees.
  HKEY elsewhere = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"Software", 0, KEY_READ, &elsewhere),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, DeleteKeyRefusesKeysWithSubkeys) {
  HKEY tree = Create(HKEY_LOCAL_MACHINE, u"Tree\\Leaf");
  ASSERT_EQ(SetDword(tree, u"V", 1), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"Tree"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"TREE\\leaf"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"Tree\\Leaf"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"Tree"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u""), ERROR_INVALID_PARAMETER);

  // The values went with the key: a new key of that name starts empty.
  HKEY fresh = Create(HKEY_LOCAL_MACHINE, u"Tree\\Leaf");
  EXPECT_TRUE(Names(fresh).empty());
}

TEST_F(RegistryTest, InjectedFaultsLeaveTheRegistryUnchanged) {
  platform::faults::Scope faults;
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"Software\\Vexlund\\Zentrak");
  ASSERT_EQ(SetDword(key, u"LogonMethod", 1), ERROR_SUCCESS);
  Create(key, u"Sub");
  constexpr DWORD kError = ERROR_DISK_FULL;

  auto expectFault = [&](const char* call, auto&& action) {
    platform::faults::Fail(call, kError);
    EXPECT_EQ(action(), static_cast<LONG>(kError)) << call;
    EXPECT_EQ(GetLastError(), kError) << call;
    EXPECT_EQ(Get(key, u"LogonMethod").second, (Bytes{1, 0, 0, 0})) << call;
    EXPECT_EQ(Names(key), std::vector<std::u16string>{u"LogonMethod"}) << call;
    EXPECT_EQ(Names(key, true), std::vector<std::u16string>{u"Sub"}) << call;
  };
  HKEY out = nullptr;
  DWORD size = 4;
  BYTE data[4];
  WCHAR name[16];
  DWORD length = 16;
  expectFault("RegSetValueEx", [&] { return SetDword(key, u"LogonMethod", 2); });
  expectFault("RegDeleteValue", [&] { return RegDeleteValue(key, u"LogonMethod"); });
  expectFault("RegDeleteKey", [&] { return RegDeleteKey(key, u"Sub"); });
  expectFault("RegCreateKeyEx", [&] {
    return RegCreateKeyEx(key, u"New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr);
  });
  expectFault("RegOpenKeyEx", [&] { return RegOpenKeyEx(key, u"Sub", 0, KEY_READ, &out); });
  expectFault("RegQueryValueEx",
              [&] { return RegQueryValueEx(key, u"LogonMethod", nullptr, nullptr, data, &size); });
  expectFault("RegEnumValue", [&] {
    return RegEnumValue(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
  });
  expectFault("RegEnumKeyEx", [&] {
    return RegEnumKeyEx(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
  });
  expectFault("RegCloseKey", [&] { return RegCloseKey(key); });
  EXPECT_EQ(out, nullptr);
  // The failed close left the handle open.
  EXPECT_EQ(SetDword(key, u"LogonMethod", 3), ERROR_SUCCESS);
}

}  // namespace
