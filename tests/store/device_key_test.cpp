#include "store/device_key.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "store/credential_set.h"
#include "tests/support/temp_device.h"

namespace {

using Key = std::array<BYTE, 16>;

// Digests for the expected values come from libcrypto, not from the code
// under test.
Key Md5(const void* data, std::size_t length) {
  Key out{};
  unsigned int size = 0;
  EXPECT_EQ(EVP_Digest(data, length, out.data(), &size, EVP_md5(), nullptr), 1);
  return out;
}

Key Seed() {
  Key seed{};
  device_key_internal::CopySeedForTests(seed.data());
  return seed;
}

Key ExpectedKey(const std::optional<std::vector<BYTE>>& identity) {
  const Key seed = Seed();
  Key a = Md5(seed.data(), seed.size());
  if (identity) {
    const Key b = Md5(identity->data(), identity->size());
    for (int i = 0; i < 16; ++i) a[i] ^= b[i];
  }
  return Md5(a.data(), a.size());
}

Key Derive() {
  Key key{};
  DWORD length = 16;
  EXPECT_EQ(DeriveDeviceKey(key.data(), &length), 0);
  EXPECT_EQ(length, 16u);
  return key;
}

class DeviceKeyTest : public ::testing::Test {
 protected:
  void SetUp() override { WipeAllSecrets(); }
  void TearDown() override { WipeAllSecrets(); }

  testing_support::TempDevice device_;
  platform::faults::Scope faults_;
};

TEST_F(DeviceKeyTest, DerivedFromTheHardwareIdentityAndStable) {
  std::vector<BYTE> identity(512);
  DWORD returned = 0;
  ASSERT_TRUE(KernelIoControl(IOCTL_HAL_GET_DEVICEID, nullptr, 0, identity.data(), 512, &returned));
  identity.resize(returned);

  std::array<BYTE, 512> buffer{};
  DWORD length = 512;
  EXPECT_TRUE(ReadDeviceId(buffer.data(), &length));
  EXPECT_EQ(length, returned);

  const Key first = Derive();
  EXPECT_EQ(first, ExpectedKey(identity));
  EXPECT_EQ(Derive(), first);
  device_.Reopen();
  EXPECT_EQ(Derive(), first);
}

TEST_F(DeviceKeyTest, FallsBackToTheWholeOemBuffer) {
  std::vector<BYTE> oem(512, 0);
  ASSERT_TRUE(SystemParametersInfo(SPI_GETOEMINFO, 512, oem.data(), 0));

  platform::faults::Fail("KernelIoControl", ERROR_NOT_SUPPORTED);
  std::array<BYTE, 512> buffer{};
  DWORD length = 512;
  EXPECT_TRUE(ReadDeviceId(buffer.data(), &length));
  EXPECT_EQ(length, 512u);

  platform::faults::Fail("KernelIoControl", ERROR_NOT_SUPPORTED);
  EXPECT_EQ(Derive(), ExpectedKey(oem));
}

TEST_F(DeviceKeyTest, SeedAloneWhenTheDeviceReportsNoIdentity) {
  platform::faults::Fail("KernelIoControl", ERROR_NOT_SUPPORTED, 1, 0);
  platform::faults::Fail("SystemParametersInfo", ERROR_NOT_SUPPORTED, 1, 0);
  std::array<BYTE, 512> buffer{};
  DWORD length = 512;
  EXPECT_FALSE(ReadDeviceId(buffer.data(), &length));
  EXPECT_EQ(Derive(), ExpectedKey(std::nullopt));
}

TEST_F(DeviceKeyTest, CapacityUnder16IsRefused) {
  std::array<BYTE, 32> key{};
  key.fill(0xEE);
  DWORD length = 8;
  EXPECT_EQ(DeriveDeviceKey(key.data(), &length), -1);
  EXPECT_EQ(length, 16u);
  EXPECT_EQ(key[0], 0xEE);
  length = 64;
  EXPECT_EQ(DeriveDeviceKey(nullptr, &length), -1);
  EXPECT_EQ(length, 16u);
  // A larger capacity receives exactly 16 bytes.
  length = 32;
  EXPECT_EQ(DeriveDeviceKey(key.data(), &length), 0);
  EXPECT_EQ(length, 16u);
  EXPECT_EQ(key[16], 0xEE);
}

// The first `count` key stream characters of the device key with a zero IV.
std::u16string KeyStream(std::size_t count) {
  std::u16string stream(count, u'\0');
  CipherKey* key = nullptr;
  EXPECT_EQ(MakeDeviceCipherKey(&key), 0);
  // The store's encryption key on the derived bytes.
  EXPECT_EQ(key->flags, CIPHER_FLAGS_STORE);
  const Key derived = Derive();
  EXPECT_TRUE(std::equal(derived.begin(), derived.end(), key->schedule.keyMaterial));
  std::uint8_t iv[16] = {};
  auto* bytes = reinterpret_cast<std::uint8_t*>(stream.data());
  EXPECT_EQ(
      CipherRun(key, CIPHER_MODE_OFB, bytes, bytes, static_cast<std::uint32_t>(count * 2), iv), 0);
  DestroyCipherKey(key);
  return stream;
}

class ScrambleTest : public DeviceKeyTest {
 protected:
  void SetSecrets(std::u16string master, std::u16string user, std::u16string symbol) {
    AssignSecret(g_strMasterPassword, master);
    AssignSecret(g_strUserPassword, user);
    AssignSecret(g_strSymbolPassword, symbol);
    AssignSecret(g_strSignature, kSignature);
  }
  void ExpectSecrets(const std::u16string& master, const std::u16string& user,
                     const std::u16string& symbol) {
    EXPECT_EQ(g_strMasterPassword, master);
    EXPECT_EQ(g_strUserPassword, user);
    EXPECT_EQ(g_strSymbolPassword, symbol);
    EXPECT_EQ(g_strSignature, kSignature);
  }
  static constexpr const char16_t* kSignature = u"sig:3,4;5,9;12,40";
};

TEST_F(ScrambleTest, RoundTripRestoresEveryCharacter) {
  SetSecrets(u"Master#Pass", u"user pass \u00e9\u4e2d", u"0492");
  ASSERT_TRUE(UnscrambleSecrets());  // already plain: nothing changes
  ExpectSecrets(u"Master#Pass", u"user pass \u00e9\u4e2d", u"0492");
  ASSERT_TRUE(ScrambleSecrets());
  EXPECT_FALSE(SecretsPlain);
  EXPECT_EQ(g_strSignature, kSignature);
  // Each secret is its characters XOR the key stream from its start.
  const std::u16string stream = KeyStream(16);
  const std::u16string plain = u"Master#Pass";
  ASSERT_EQ(g_strMasterPassword.size(), plain.size());
  for (std::size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(g_strMasterPassword[i], plain[i] ^ stream[i]);
  }
  EXPECT_EQ(g_strSymbolPassword[0], u'0' ^ stream[0]);

  // Scrambling twice is once; unscrambling restores every character.
  ASSERT_TRUE(ScrambleSecrets());
  EXPECT_EQ(g_strSymbolPassword[0], u'0' ^ stream[0]);
  EXPECT_FALSE(SecretsPlain);
  ASSERT_TRUE(UnscrambleSecrets());
  EXPECT_TRUE(SecretsPlain);
  ExpectSecrets(u"Master#Pass", u"user pass \u00e9\u4e2d", u"0492");
}

TEST_F(ScrambleTest, ScrambledZeroCharacterSurvives) {
  // The secret's third character equals the key stream there, so its
  // scrambled form holds a zero in the middle.
  const std::u16string stream = KeyStream(8);
  std::u16string secret = u"ab?defgh";
  secret[2] = stream[2];
  SetSecrets(secret, u"", u"1234");
  ASSERT_TRUE(ScrambleSecrets());
  ASSERT_EQ(g_strMasterPassword.size(), secret.size());
  EXPECT_EQ(g_strMasterPassword[2], u'\0');
  EXPECT_TRUE(g_strUserPassword.empty());
  ASSERT_TRUE(UnscrambleSecrets());
  ExpectSecrets(secret, u"", u"1234");
}

TEST_F(ScrambleTest, FailureKeepsFlagAndSecrets) {
  SetSecrets(u"master", u"user", u"5678");
  platform::faults::Fail("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(ScrambleSecrets());
  EXPECT_TRUE(SecretsPlain);
  ExpectSecrets(u"master", u"user", u"5678");

  ASSERT_TRUE(ScrambleSecrets());
  const std::u16string scrambled = g_strUserPassword;
  platform::faults::Fail("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(UnscrambleSecrets());
  EXPECT_FALSE(SecretsPlain);
  EXPECT_EQ(g_strUserPassword, scrambled);
  EXPECT_EQ(g_strSignature, kSignature);
}

}  // namespace
