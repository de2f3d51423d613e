#include <gtest/gtest.h>

#include "platform/modules.h"
#include "platform/registry.h"
#include "store/os_password_api.h"
#include "tests/support/store_fixture.h"

namespace {

using testing_support::StoreTest;

class PanelTest : public StoreTest {};

constexpr const char16_t* kClassKey = u"CLSID\\{5281D351-DC25-4153-8A45-79705258FF18}";

TEST_F(PanelTest, RegistersAndRemovesItsClassAndProgramIds) {
  ASSERT_TRUE(RegisterSignatureControl(u"\\Windows\\Panel.ocx"));
  EXPECT_EQ(RegBytes(HKEY_CLASSES_ROOT, u"Panel.Client.1\\CLSID", u""),
            Utf16Bytes(u"{5281D351-DC25-4153-8A45-79705258FF18}"));
  const std::u16string classKey = kClassKey;
  EXPECT_EQ(RegBytes(HKEY_CLASSES_ROOT, (classKey + u"\\ProgID").c_str(), u""),
            Utf16Bytes(u"Panel.Client.1"));
  EXPECT_EQ(RegBytes(HKEY_CLASSES_ROOT, (classKey + u"\\InprocServer32").c_str(), u""),
            Utf16Bytes(u"\\Windows\\Panel.ocx"));
  // Registering again is harmless.
  ASSERT_TRUE(RegisterSignatureControl(u"\\Windows\\Panel.ocx"));

  ASSERT_TRUE(UnregisterSignatureControl(u"\\Windows\\Panel.ocx"));
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, kClassKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, u"Panel.Client.1", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  // Unregistering what isn't registered succeeds too, and the library is
  // not left loaded.
  EXPECT_TRUE(UnregisterSignatureControl(u"\\Windows\\Panel.ocx"));
  EXPECT_EQ(GetModuleHandle(u"\\Windows\\Panel.ocx"), nullptr);
}

}  // namespace
