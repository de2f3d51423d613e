// OsPasswordApi and the OS password hooks: the system password through the
// device's "coredll.dll", and the exact registry values the shell reads.
#include "store/os_password_api.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/device.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/system_names.h"
#include "platform/system_password.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace {

constexpr LPCWSTR kOwnerKey = kOwnerKeyPath;
constexpr LPCWSTR kPasswordKey = kPasswordKeyPath;
constexpr LPCWSTR kShellKey = kShellPolicyKeyPath;
constexpr std::u16string_view kModulePath = u"\\Windows\\Password.cpl";

using namespace testing_support;

platform::system_password::Record StoredPassword() {
  platform::system_password::Record record;
  EXPECT_TRUE(platform::system_password::Load(&record));
  return record;
}

class OsPasswordApiTest : public ::testing::Test {
 protected:
  testing_support::TempDevice device_;
  platform::faults::Scope faults_;
};

TEST_F(OsPasswordApiTest, APasswordCopyWithoutMemoryIsNeverPassedOnAsTheEmptyPassword) {
  OsPasswordApi api;
  // No password on the device: a wrong one must not verify as the empty one.
  platform::faults::Fail("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY, 1, 0);
  EXPECT_FALSE(VerifyOsPassword(api, u"wrong123"));
  platform::faults::Clear();

  // A new password whose copy fails must not remove the old one.
  ASSERT_TRUE(ChangeOsPassword(api, u"", u"user1234"));
  platform::faults::Fail("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY, 2);
  EXPECT_FALSE(ChangeOsPassword(api, u"user1234", u"other999"));
  platform::faults::Clear();
  EXPECT_TRUE(StoredPassword().set);
  EXPECT_TRUE(VerifyOsPassword(api, u"user1234"));
}

// What the fake OS entries were handed, one line per call.
std::vector<std::u16string> g_calls;

std::u16string Shown(LPCWSTR text) {
  return text ? std::u16string(text) : u"<null>";
}

BOOL FakeSetPassword(LPWSTR oldPassword, LPWSTR newPassword) {
  g_calls.push_back(Shown(oldPassword) + u"," + Shown(newPassword));
  return 7;
}

BOOL FakeSetPasswordActive(BOOL active, LPWSTR password) {
  g_calls.push_back((active ? u"on," : u"off,") + Shown(password));
  return 3;
}

TEST_F(OsPasswordApiTest, EmptyPasswordsReachTheOsAsNull) {
  OsPasswordApi api;
  api.m_pfnSetPassword = FakeSetPassword;
  api.m_pfnSetPasswordActive = FakeSetPasswordActive;
  g_calls.clear();

  EXPECT_EQ(VerifyOsPassword(api, u""), 7);  // the OS's result as it came
  VerifyOsPassword(api, u"abc");
  ChangeOsPassword(api, u"", u"new1");
  ChangeOsPassword(api, u"old1", u"");
  EXPECT_TRUE(SetOsPasswordActive(api, u"", 0));
  SetOsPasswordActive(api, u"pw12", 1);
  EXPECT_EQ(g_calls, (std::vector<std::u16string>{u"<null>,<null>", u"abc,abc", u"<null>,new1",
                                                  u"old1,<null>", u"off,<null>", u"on,pw12"}));
}

void ExpectEveryPasswordCallFails(const OsPasswordApi& api) {
  EXPECT_FALSE(VerifyOsPassword(api, u""));
  EXPECT_FALSE(VerifyOsPassword(api, u"user1234"));
  EXPECT_FALSE(ChangeOsPassword(api, u"", u"user1234"));
  EXPECT_FALSE(SetOsPasswordActive(api, u"", 0));
}

// No library, or one without the entries (released with the object).
TEST_F(OsPasswordApiTest, UnusableCoreDllFailsEveryPasswordCall) {
  {
    platform::faults::Fail("LoadLibrary", ERROR_NOT_ENOUGH_MEMORY);
    OsPasswordApi api;
    EXPECT_EQ(api.m_hCoreDll, nullptr);
    ExpectEveryPasswordCallFails(api);
  }
  InstallFixture("fixture_noentry.ocx", u"\\Windows\\coredll.dll");
  {
    OsPasswordApi api;
    EXPECT_NE(api.m_hCoreDll, nullptr);
    EXPECT_EQ(api.m_pfnSetPassword, nullptr);
    EXPECT_EQ(api.m_pfnSetPasswordActive, nullptr);
    ExpectEveryPasswordCallFails(api);
    EXPECT_NE(GetModuleHandle(u"coredll.dll"), nullptr);
  }
  EXPECT_EQ(GetModuleHandle(u"coredll.dll"), nullptr);
}

// Written as one byte, 2 or 0; read from the first byte of a value of any
// type up to 1000 bytes.
TEST_F(OsPasswordApiTest, PowerOnFlagIsOneByteTwoOrZero) {
  EXPECT_EQ(ReadPowerOnLogon(), 0u);  // no key
  for (const DWORD on : {1u, 0u, 7u}) {
    DWORD type = 0;
    ASSERT_TRUE(WritePowerOnLogon(on));
    EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kOwnerKey, u"PowrPass", &type), Bytes{BYTE(on ? 2 : 0)});
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(ReadPowerOnLogon(), on ? 1u : 0u);
  }
  Bytes big(1000, 0);
  big[0] = 5;
  const std::pair<DWORD, Bytes> cases[] = {
      {REG_BINARY, {1}}, {REG_BINARY, big}, {REG_DWORD, {0, 1, 0, 0}}, {REG_BINARY, {}}};
  for (const auto& [type, bytes] : cases) {
    SetRegBytes(HKEY_CURRENT_USER, kOwnerKey, u"PowrPass", type, bytes);
    EXPECT_EQ(ReadPowerOnLogon(), bytes.empty() ? 0u : bytes[0] != 0) << bytes.size();
  }
  big.push_back(0);
  SetRegBytes(HKEY_CURRENT_USER, kOwnerKey, u"PowrPass", REG_BINARY, big);
  EXPECT_EQ(ReadPowerOnLogon(), 0u);
}

// The path with its terminator and "Group" 1; an empty path removes it and
// leaves "Group" 0 (also with no key at all); a path that would be cut to
// another file's name is refused.
TEST_F(OsPasswordApiTest, RedirectIsWrittenWholeOrRemoved) {
  ASSERT_TRUE(WritePasswordRedirect(u""));
  EXPECT_FALSE(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect"));
  EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Group"), DwordBytes(0));

  const std::u16string longest = u"\\" + std::u16string(258, u'a');
  ASSERT_TRUE(WritePasswordRedirect(longest));
  DWORD type = 0;
  EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect", &type), Utf16Bytes(longest));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Group", &type), DwordBytes(1));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_FALSE(WritePasswordRedirect(longest + u"b"));
  EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect"), Utf16Bytes(longest));

  ASSERT_TRUE(WritePasswordRedirect(u""));
  EXPECT_FALSE(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect"));
  EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Group"), DwordBytes(0));
}

TEST_F(OsPasswordApiTest, EveryWriteFailsWhenTheRegistryRefusesTheValue) {
  platform::faults::Fail("RegSetValueEx", ERROR_WRITE_FAULT, 1, 0);
  EXPECT_FALSE(WritePowerOnLogon(1));
  EXPECT_FALSE(WriteActivePeriod(5));
  EXPECT_FALSE(WritePasswordRedirect(kModulePath));
  // Removing the redirect ignores what the registry says.
  EXPECT_TRUE(WritePasswordRedirect(u""));
  platform::faults::Clear();

  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, kOwnerKey, u"PowrPass"));
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, kShellKey, u"ActivePeriod"));
  EXPECT_FALSE(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect"));

  // A redirect without its "Group" is a failure too.
  platform::faults::Fail("RegSetValueEx", ERROR_WRITE_FAULT, 2);
  EXPECT_FALSE(WritePasswordRedirect(kModulePath));
  EXPECT_TRUE(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect"));
  EXPECT_FALSE(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Group"));
}

constexpr LPCWSTR kControlPath = u"\\Windows\\Panel.ocx";

class SignatureControlTest : public OsPasswordApiTest {
 protected:
  static bool Registered() {
    return RegBytes(HKEY_CLASSES_ROOT, u"Fixture.Signature", u"Registered").has_value();
  }
  static bool Loaded() { return GetModuleHandle(kControlPath) != nullptr; }
};

// Both calls reach the library and release it; an entry that fails, a
// library without the entries, no library: both fail, nothing stays loaded.
TEST_F(SignatureControlTest, RegisterAndUnregisterCallTheLibraryAndReleaseIt) {
  InstallFixture("fixture_signature.ocx", kControlPath);
  ASSERT_TRUE(RegisterSignatureControl(kControlPath));
  EXPECT_TRUE(Registered());
  EXPECT_FALSE(Loaded());
  ASSERT_TRUE(UnregisterSignatureControl(kControlPath));
  EXPECT_FALSE(Registered());
  EXPECT_FALSE(Loaded());

  SetRegBytes(HKEY_CLASSES_ROOT, u"Fixture.Signature.Control", u"Fail", REG_DWORD, DwordBytes(1));
  for (int round = 0; round < 3; ++round) {
    if (round == 1) InstallFixture("fixture_noentry.ocx", kControlPath);
    if (round == 2) std::filesystem::remove(platform::device::MapPath(kControlPath));
    EXPECT_FALSE(RegisterSignatureControl(kControlPath)) << round;
    EXPECT_FALSE(Loaded()) << round;
    EXPECT_FALSE(UnregisterSignatureControl(kControlPath)) << round;
    EXPECT_FALSE(Loaded()) << round;
  }
}

TEST_F(SignatureControlTest, UnregisteringLetsTheComponentRuntimeGo) {
  InstallFixture("fixture_signature.ocx", kControlPath);
  // The pad control, as a logon dialog leaves it: loaded by the runtime.
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  ASSERT_NE(platform::com::LoadComponentLibrary(kControlPath), nullptr);
  ASSERT_TRUE(UnregisterSignatureControl(kControlPath));
  EXPECT_EQ(platform::com::InitCount(), 0u);
  EXPECT_FALSE(Loaded());

  // Also when the library is gone and could not be loaded.
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  std::filesystem::remove(platform::device::MapPath(kControlPath));
  EXPECT_FALSE(UnregisterSignatureControl(kControlPath));
  EXPECT_EQ(platform::com::InitCount(), 0u);
}

}  // namespace
