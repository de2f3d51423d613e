// The "coredll.dll" stand-in, loaded from a device as the module and the
// shell load it: its password contract and what it leaves in the store.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/system_password.h"
#include "platform/wstring.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace {

constexpr DWORD kErrorInvalidPassword = 86;

using SetPasswordFn = BOOL (*)(LPWSTR, LPWSTR);
using SetPasswordActiveFn = BOOL (*)(BOOL, LPWSTR);
using CheckPasswordFn = BOOL (*)(LPWSTR);

std::string Utf16(std::u16string_view text) {
  const auto bytes = testing_support::Utf16Bytes(text, false);
  return std::string(bytes.begin(), bytes.end());
}

class CoreDllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibrary(u"coredll.dll");
    ASSERT_NE(library_, nullptr) << "coredll.dll not installed in the device";
    setPassword_ = reinterpret_cast<SetPasswordFn>(GetProcAddress(library_, "SetPassword"));
    setActive_ =
        reinterpret_cast<SetPasswordActiveFn>(GetProcAddress(library_, "SetPasswordActive"));
    check_ = reinterpret_cast<CheckPasswordFn>(GetProcAddress(library_, "CheckPassword"));
    ASSERT_TRUE(setPassword_ && setActive_ && check_) << "an entry is missing";
  }
  void TearDown() override {
    if (library_ != nullptr) FreeLibrary(library_);
  }

  // The entries take writable strings: a copy for the call, null kept.
  struct Text {
    Text(const char16_t* text) : copy(text ? text : u""), null(!text) {}
    operator LPWSTR() { return null ? nullptr : copy.data(); }
    std::u16string copy;
    bool null;
  };
  BOOL Set(Text oldPassword, Text newPassword) { return setPassword_(oldPassword, newPassword); }
  BOOL Active(BOOL on, Text password) { return setActive_(on, password); }
  BOOL Check(Text password) { return check_(password); }
  platform::system_password::Record Stored() {
    platform::system_password::Record record;
    EXPECT_TRUE(platform::system_password::Load(&record));
    return record;
  }

  testing_support::TempDevice device_;
  HMODULE library_ = nullptr;
  SetPasswordFn setPassword_ = nullptr;
  SetPasswordActiveFn setActive_ = nullptr;
  CheckPasswordFn check_ = nullptr;
};

TEST_F(CoreDllTest, PasswordIsSetFromNoneAndChangedOnlyWithTheOldOne) {
  EXPECT_TRUE(Check(nullptr));
  EXPECT_TRUE(Check(u""));
  EXPECT_FALSE(Check(u"alpha123"));

  ASSERT_TRUE(Set(nullptr, u"alpha123"));
  EXPECT_TRUE(Check(u"alpha123"));
  EXPECT_FALSE(Check(u"Alpha123"));
  EXPECT_FALSE(Check(u"alpha12"));
  EXPECT_FALSE(Check(u"alpha1234"));
  SetLastError(0);
  EXPECT_FALSE(Check(nullptr));
  EXPECT_EQ(GetLastError(), kErrorInvalidPassword);

  // Neither a wrong nor an empty old password may replace it.
  SetLastError(0);
  EXPECT_FALSE(Set(u"wrong", u"beta4567"));
  EXPECT_EQ(GetLastError(), kErrorInvalidPassword);
  EXPECT_FALSE(Set(nullptr, u"beta4567"));
  EXPECT_FALSE(Set(u"", u"beta4567"));
  EXPECT_TRUE(Check(u"alpha123"));

  // Setting it to itself verifies it without changing anything.
  const auto before = Stored();
  EXPECT_TRUE(Set(u"alpha123", u"alpha123"));
  EXPECT_FALSE(Set(nullptr, nullptr));
  EXPECT_FALSE(Set(u"alpha124", u"alpha124"));
  EXPECT_EQ(Stored().salt, before.salt);
  EXPECT_EQ(Stored().hash, before.hash);

  ASSERT_TRUE(Set(u"alpha123", u"beta4567"));
  EXPECT_FALSE(Check(u"alpha123"));
  EXPECT_TRUE(Check(u"beta4567"));

  // A new password that only lengthens the old one is a change, not a
  // verification.
  ASSERT_TRUE(Set(u"beta4567", u"beta4567+x"));
  EXPECT_TRUE(Check(u"beta4567+x"));
  EXPECT_FALSE(Check(u"beta4567"));
  ASSERT_TRUE(Set(u"beta4567+x", u"beta4567"));
  EXPECT_TRUE(Check(u"beta4567"));

  // Empty and null are the same password and mean none.
  ASSERT_TRUE(Set(u"beta4567", nullptr));
  EXPECT_FALSE(Stored().set);
  EXPECT_TRUE(Check(u""));
  EXPECT_TRUE(Set(u"", nullptr));
  ASSERT_TRUE(Set(nullptr, u"gamma789"));
  ASSERT_TRUE(Set(u"gamma789", u""));
  EXPECT_FALSE(Stored().set);
  EXPECT_TRUE(Check(nullptr));
  EXPECT_FALSE(Check(u"gamma789"));
}

TEST_F(CoreDllTest, ActiveFlagNeedsThePasswordAndGoesOffWithIt) {
  ASSERT_TRUE(Set(nullptr, u"delta000"));
  EXPECT_FALSE(Stored().active);

  SetLastError(0);
  EXPECT_FALSE(Active(TRUE, u"delta001"));
  EXPECT_EQ(GetLastError(), kErrorInvalidPassword);
  EXPECT_FALSE(Active(TRUE, nullptr));
  EXPECT_FALSE(Stored().active);

  ASSERT_TRUE(Active(TRUE, u"delta000"));
  EXPECT_TRUE(Stored().active);
  // A change of password keeps the switch where it was.
  ASSERT_TRUE(Set(u"delta000", u"epsilon1"));
  EXPECT_TRUE(Stored().active);
  EXPECT_FALSE(Active(FALSE, u"delta000"));
  EXPECT_TRUE(Stored().active);
  ASSERT_TRUE(Active(FALSE, u"epsilon1"));
  EXPECT_FALSE(Stored().active);

  ASSERT_TRUE(Active(TRUE, u"epsilon1"));
  ASSERT_TRUE(Set(u"epsilon1", nullptr));
  EXPECT_FALSE(Stored().active);
  EXPECT_TRUE(Active(FALSE, nullptr));
}

TEST_F(CoreDllTest, RecordHoldsASaltedPbkdf2HashWithAFreshSaltPerSet) {
  const std::u16string password = u"p\u00e4ss\u20ac\u00df";
  ASSERT_TRUE(Set(nullptr, password.c_str()));
  const auto first = Stored();
  ASSERT_EQ(std::tuple(first.set, first.salt.size(), first.hash.size()),
            std::tuple(true, 16u, 32u));
  ASSERT_GT(first.iterations, 0u);

  // The hash is PBKDF2-HMAC-SHA256 over the UTF-16LE bytes.
  const std::string bytes = Utf16(password);
  std::vector<unsigned char> expected(32);
  ASSERT_EQ(
      PKCS5_PBKDF2_HMAC(bytes.data(), static_cast<int>(bytes.size()), first.salt.data(),
                        static_cast<int>(first.salt.size()), static_cast<int>(first.iterations),
                        EVP_sha256(), 32, expected.data()),
      1);
  EXPECT_EQ(first.hash, std::vector<std::uint8_t>(expected.begin(), expected.end()));

  // The same password set again gets a new salt and so another hash.
  ASSERT_TRUE(Set(password.c_str(), u"other000"));
  ASSERT_TRUE(Set(u"other000", password.c_str()));
  const auto second = Stored();
  EXPECT_NE(second.salt, first.salt);
  EXPECT_NE(second.hash, first.hash);
  EXPECT_TRUE(Check(password.data()));
}

TEST_F(CoreDllTest, PasswordIsNeverStoredInPlain) {
  const std::u16string password = u"Qx7plainScan";
  ASSERT_TRUE(Set(nullptr, password.c_str()));
  ASSERT_TRUE(Active(TRUE, password.data()));

  const std::string utf16 = Utf16(password);
  const std::string utf8 = platform::ToUtf8(password);
  // A text the store does hold in plain, to show the scan can see it.
  const std::u16string marker = u"VisibleMarker42";
  testing_support::SetRegBytes(HKEY_CURRENT_USER, u"ScanCheck", u"Text", REG_SZ,
                               testing_support::Utf16Bytes(marker));
  bool markerSeen = false;
  int scanned = 0;
  for (const auto& entry : std::filesystem::directory_iterator(device_.folder())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("objectstore.db", 0) != 0) continue;
    const std::string bytes = testing_support::ReadFile(entry.path());
    EXPECT_EQ(bytes.find(utf16), std::string::npos) << name;
    EXPECT_EQ(bytes.find(utf8), std::string::npos) << name;
    markerSeen = markerSeen || bytes.find(platform::ToUtf8(marker)) != std::string::npos ||
                 bytes.find(Utf16(marker)) != std::string::npos;
    ++scanned;
  }
  EXPECT_GE(scanned, 1);
  EXPECT_TRUE(markerSeen);
}

TEST_F(CoreDllTest, AnInjectedFaultFailsTheCheckOnce) {
  ASSERT_TRUE(Set(nullptr, u"eta12345"));
  platform::faults::Scope faults;
  platform::faults::Fail("CheckPassword", ERROR_WRITE_FAULT);
  EXPECT_FALSE(Check(u"eta12345"));
  EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
  // Once only: the next call goes through.
  EXPECT_TRUE(Check(u"eta12345"));
}

TEST_F(CoreDllTest, DamagedRecordMatchesNothing) {
  platform::system_password::Record damaged;
  damaged.set = true;
  damaged.iterations = 1000;
  damaged.salt.assign(16, 1);
  damaged.hash.assign(5, 0);  // a hash of the wrong length
  ASSERT_TRUE(platform::system_password::Store(damaged));

  EXPECT_FALSE(Check(nullptr));
  EXPECT_FALSE(Check(u""));
  EXPECT_FALSE(Set(nullptr, u"iota0000"));
  EXPECT_FALSE(Active(FALSE, nullptr));

  // The whole hash counts: one changed byte at its end is another password.
  ASSERT_TRUE(platform::system_password::Store(platform::system_password::Record{}));
  ASSERT_TRUE(Set(nullptr, u"kappa123"));
  platform::system_password::Record tampered = Stored();
  tampered.hash.back() ^= 1;
  ASSERT_TRUE(platform::system_password::Store(tampered));
  EXPECT_FALSE(Check(u"kappa123"));

  damaged.hash.assign(32, 0);
  damaged.iterations = 0;
  ASSERT_TRUE(platform::system_password::Store(damaged));
  SetLastError(0);
  EXPECT_FALSE(Check(u"anything"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_CORRUPT);
}

}  // namespace
