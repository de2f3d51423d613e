#include "store/cipher_toolkit.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <algorithm>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "store/credential_set.h"
#include "store/device_key.h"
#include "tests/support/temp_device.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Hex(std::string_view hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

Bytes Block(const std::uint8_t* p) {
  return Bytes(p, p + 16);
}

struct KeyDeleter {
  void operator()(CipherKey* key) const { DestroyCipherKey(key); }
};
using KeyPtr = std::unique_ptr<CipherKey, KeyDeleter>;

constexpr std::uint32_t kDecryptFlags = CIPHER_FLAGS_STORE & ~CIPHER_FLAG_ENCRYPT;

KeyPtr MakeKey(const Bytes& key, std::uint32_t flags) {
  CipherKey* raw = nullptr;
  EXPECT_EQ(CreateCipherKey(key.data(), static_cast<std::uint32_t>(key.size()), flags, &raw), 0);
  return KeyPtr(raw);
}

Bytes Apply(const CipherKey* key, int mode, Bytes data, std::uint8_t* iv) {
  EXPECT_EQ(
      CipherRun(key, mode, data.data(), data.data(), static_cast<std::uint32_t>(data.size()), iv),
      0);
  return data;
}

// FIPS-197 appendix C.1 and SP 800-38A appendix F (F.1 ECB, F.2 CBC, F.4
// OFB), AES-128. Each is run in place and into a separate buffer, both
// ways; `ivAfter` is what the IV buffer holds after either direction.
struct KnownAnswer {
  const char* name;
  int mode;
  std::string_view key, iv, plain, cipher, ivAfter;
};

constexpr std::string_view kSpKeyHex = "2b7e151628aed2a6abf7158809cf4f3c";
constexpr std::string_view kSpIvHex = "000102030405060708090a0b0c0d0e0f";
constexpr std::string_view kSpPlainHex =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";

const KnownAnswer kKnownAnswers[] = {
    {"FIPS-197 C.1", CIPHER_MODE_ECB, "000102030405060708090a0b0c0d0e0f", "",
     "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a", ""},
    {"SP 800-38A F.1", CIPHER_MODE_ECB, kSpKeyHex, "", kSpPlainHex,
     "3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf"
     "43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4",
     ""},
    {"SP 800-38A F.2", CIPHER_MODE_CBC, kSpKeyHex, kSpIvHex, kSpPlainHex,
     "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
     "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7",
     "3ff1caa1681fac09120eca307586e1a7"},  // CBC leaves the last cipher block
    {"SP 800-38A F.4", CIPHER_MODE_OFB, kSpKeyHex, kSpIvHex, kSpPlainHex,
     "3b3fd92eb72dad20333449f8e83cfb4a7789508d16918f03f53c52dac54ed825"
     "9740051e9c5fecf64344f7a82260edcc304c6528f659c77866a510d9c1d6ae5e",
     kSpIvHex},  // OFB leaves the IV as it was
};

const Bytes kSpKey = Hex(kSpKeyHex);
const Bytes kSpIv = Hex(kSpIvHex);
const Bytes kSpPlain = Hex(kSpPlainHex);

TEST(CipherKnownAnswers, AesModesBothWays) {
  for (const KnownAnswer& v : kKnownAnswers) {
    KeyPtr enc = MakeKey(Hex(v.key), CIPHER_FLAGS_STORE);
    // OFB deciphers with the encryption key; the block modes need their own.
    KeyPtr dec =
        MakeKey(Hex(v.key), v.mode == CIPHER_MODE_OFB ? CIPHER_FLAGS_STORE : kDecryptFlags);
    const Bytes plain = Hex(v.plain), cipher = Hex(v.cipher);
    Bytes iv;
    auto freshIv = [&] {
      iv = Hex(v.iv);
      return iv.empty() ? nullptr : iv.data();
    };
    EXPECT_EQ(Apply(enc.get(), v.mode, plain, freshIv()), cipher) << v.name;
    EXPECT_EQ(iv, Hex(v.ivAfter)) << v.name;
    EXPECT_EQ(Apply(dec.get(), v.mode, cipher, freshIv()), plain) << v.name;
    EXPECT_EQ(iv, Hex(v.ivAfter)) << v.name;

    Bytes out(cipher.size());
    const auto size = static_cast<std::uint32_t>(out.size());
    ASSERT_EQ(CipherRun(enc.get(), v.mode, plain.data(), out.data(), size, freshIv()), 0);
    EXPECT_EQ(out, cipher) << v.name;
    ASSERT_EQ(CipherRun(dec.get(), v.mode, cipher.data(), out.data(), size, freshIv()), 0);
    EXPECT_EQ(out, plain) << v.name;
  }
}

// RFC 1321's suite is covered by comparing with libcrypto at every length.
TEST(CipherKnownAnswers, Md5MatchesLibcryptoAcrossBlockBoundaries) {
  // Every padding case (lengths around 56 and 64) and updates that split
  // the input at odd places.
  Bytes data(300);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 131 + 7);
  for (std::size_t length = 0; length <= data.size(); ++length) {
    std::uint8_t expected[16];
    unsigned int expectedLength = 0;
    ASSERT_EQ(EVP_Digest(data.data(), length, expected, &expectedLength, EVP_md5(), nullptr), 1);
    std::uint8_t oneShot[16];
    Md5Digest(data.data(), static_cast<std::uint32_t>(length), oneShot);
    EXPECT_EQ(Block(oneShot), Block(expected)) << length;

    Md5Context context;
    Md5Init(&context);
    for (std::size_t at = 0, step = 1; at < length; at += step, step = step * 3 % 71 + 1) {
      Md5Update(&context, data.data() + at, std::min(step, length - at));
    }
    std::uint8_t pieces[16];
    Md5Final(&context, pieces);
    EXPECT_EQ(Block(pieces), Block(expected)) << length;
  }
}

// OFB as described, one block operation at a time through ECB: a reference
// that does not share the stream code under test.
Bytes ReferenceOfb(const CipherKey* key, const Bytes& iv, const Bytes& input) {
  Bytes reg = iv;
  Bytes out(input.size());
  for (std::size_t at = 0; at < input.size(); at += 16) {
    reg = Apply(key, CIPHER_MODE_ECB, reg, nullptr);
    for (std::size_t i = at; i < std::min(at + 16, input.size()); ++i) {
      out[i] = input[i] ^ reg[i - at];
    }
  }
  return out;
}

// Every length, tail or none, against the reference; nothing past the
// length is written, the IV stays, and each call starts the stream afresh.
TEST(CipherOfb, MatchesBlockByBlockDefinitionForEveryLength) {
  KeyPtr key = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  Bytes input(1000 + 7);
  for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<std::uint8_t>(i ^ 0x5A);
  for (std::size_t length : {0, 1, 5, 15, 16, 17, 31, 33, 48, 1007}) {
    const Bytes in(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(length));
    Bytes iv = kSpIv;
    for (int call = 0; call < 2; ++call) {
      Bytes out(length + 3, 0xEE);
      ASSERT_EQ(CipherRun(key.get(), CIPHER_MODE_OFB, in.data(), out.data(),
                          static_cast<std::uint32_t>(length), iv.data()),
                0);
      Bytes expected = ReferenceOfb(key.get(), kSpIv, in);
      expected.insert(expected.end(), 3, 0xEE);
      EXPECT_EQ(out, expected) << length;
      EXPECT_EQ(iv, kSpIv) << length;
    }
  }
}

// A failing library call must not pass for a run: in place, a decryption
// broken off would hand back plain blocks, an encryption plain text beside
// cipher text. The run fails, no plain block is left and the chain is
// unchanged. OFB's failure shows in the store's failed save.
TEST(CipherBlockModes, LibraryFailureFailsTheRunAndLeavesNoPlainText) {
  platform::faults::Scope faults;
  KeyPtr enc = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  KeyPtr dec = MakeKey(kSpKey, kDecryptFlags);
  for (int mode : {CIPHER_MODE_ECB, CIPHER_MODE_CBC}) {
    Bytes iv = kSpIv;
    const Bytes cipher = Apply(enc.get(), mode, kSpPlain, iv.data());
    const struct {
      const CipherKey* key;
      const char* call;
      const Bytes& input;
    } runs[] = {{enc.get(), "EVP_EncryptUpdate", kSpPlain},
                {dec.get(), "EVP_DecryptUpdate", cipher}};
    for (const auto& run : runs) {
      // CBC calls the library once per block: the second call fails, after
      // a block is done.
      platform::faults::Clear();
      platform::faults::Fail(run.call, ERROR_INVALID_DATA, mode == CIPHER_MODE_CBC ? 2 : 1);
      Bytes data = run.input;
      Bytes chain = kSpIv;
      EXPECT_EQ(CipherRun(run.key, mode, data.data(), data.data(),
                          static_cast<std::uint32_t>(data.size()), chain.data()),
                CIPHER_LIBRARY_FAILED)
          << mode << " " << run.call;
      EXPECT_EQ(chain, kSpIv) << mode << " " << run.call;
      for (std::size_t b = 0; b < data.size(); b += 16) {
        EXPECT_FALSE(std::equal(data.begin() + static_cast<std::ptrdiff_t>(b),
                                data.begin() + static_cast<std::ptrdiff_t>(b + 16),
                                kSpPlain.begin() + static_cast<std::ptrdiff_t>(b)))
            << mode << " " << run.call << " block " << b / 16;
      }
    }
  }
}
TEST(CipherCodes, RefusedRunsWriteNothing) {
  KeyPtr enc = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  KeyPtr dec = MakeKey(kSpKey, kDecryptFlags);
  struct Case {
    const CipherKey* key;
    int mode;
    std::uint32_t length;
    bool iv;
    int code;
  } const cases[] = {
      {enc.get(), CIPHER_MODE_ECB, 20, true, CIPHER_BAD_DATA_LENGTH},  // partial block
      {enc.get(), CIPHER_MODE_CBC, 20, true, CIPHER_BAD_DATA_LENGTH},
      {dec.get(), CIPHER_MODE_OFB, 16, true, CIPHER_BAD_MODE},  // OFB needs an encryption key
      {enc.get(), 0, 16, true, CIPHER_BAD_MODE},
      {enc.get(), 3, 16, true, CIPHER_BAD_MODE},  // two mode bits at once
      {enc.get(), -1, 16, true, CIPHER_BAD_MODE},
      {nullptr, CIPHER_MODE_OFB, 16, true, CIPHER_BAD_KEY_HANDLE},
      {enc.get(), CIPHER_MODE_OFB, 16, false, CIPHER_NO_IV},
  };
  for (const Case& c : cases) {
    const Bytes in(20, 0x11);
    Bytes out(20, 0xEE);
    Bytes iv = kSpIv;
    EXPECT_EQ(CipherRun(c.key, c.mode, in.data(), out.data(), c.length, c.iv ? iv.data() : nullptr),
              c.code)
        << c.mode;
    EXPECT_EQ(out, Bytes(20, 0xEE)) << c.mode;
    EXPECT_EQ(iv, kSpIv) << c.mode;
  }
  // ECB needs no IV; zero-length CBC and CBC-MAC touch no buffer at all.
  Bytes data(16, 0x11);
  EXPECT_EQ(CipherRun(enc.get(), CIPHER_MODE_ECB, data.data(), data.data(), 16, nullptr), 0);
  for (int mode : {CIPHER_MODE_CBC, CIPHER_MODE_CBC_MAC}) {
    Bytes iv = kSpIv;
    EXPECT_EQ(CipherRun(enc.get(), mode, nullptr, nullptr, 0, iv.data()), 0);
    EXPECT_EQ(iv, kSpIv);
  }
}

// Another key length leaves the handle alone; no memory makes it null.
TEST(CipherCodes, CreateRefusesBadLengthsAndReportsNoMemory) {
  auto* const untouched = reinterpret_cast<CipherKey*>(std::uintptr_t{0x1234});
  const Bytes key(32, 0x42);
  CipherKey* handle = untouched;
  for (std::uint32_t length : {0u, 15u, 17u, 24u, 32u}) {
    EXPECT_EQ(CreateCipherKey(key.data(), length, CIPHER_FLAGS_STORE, &handle), -2) << length;
    EXPECT_EQ(handle, untouched);
  }
  platform::faults::Scope faults;
  platform::faults::Fail("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(CreateCipherKey(kSpKey.data(), 16, CIPHER_FLAGS_STORE, &handle), -30051);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(DestroyCipherKey(handle), 0);
  // The next allocation succeeds again.
  EXPECT_EQ(CreateCipherKey(kSpKey.data(), 16, CIPHER_FLAGS_STORE, &handle), 0);
  EXPECT_EQ(DestroyCipherKey(handle), 0);
}
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

// The hardware identity, else the whole OEM buffer, else the seed alone;
// the same key on every call and after a new boot.
TEST_F(DeviceKeyTest, DerivedFromTheBestIdentityTheDeviceReports) {
  std::vector<BYTE> hardware(512), oem(512, 0);
  DWORD returned = 0;
  ASSERT_TRUE(KernelIoControl(IOCTL_HAL_GET_DEVICEID, nullptr, 0, hardware.data(), 512, &returned));
  hardware.resize(returned);
  ASSERT_TRUE(SystemParametersInfo(SPI_GETOEMINFO, 512, oem.data(), 0));
  const std::optional<std::vector<BYTE>> identities[] = {hardware, oem, std::nullopt};
  for (int failing = 0; failing < 3; ++failing) {
    platform::faults::Clear();
    if (failing > 0) platform::faults::Fail("KernelIoControl", ERROR_NOT_SUPPORTED, 1, 0);
    if (failing > 1) platform::faults::Fail("SystemParametersInfo", ERROR_NOT_SUPPORTED, 1, 0);
    const auto& identity = identities[failing];
    std::array<BYTE, 512> buffer{};
    DWORD length = 512;
    EXPECT_EQ(ReadDeviceId(buffer.data(), &length), identity.has_value()) << failing;
    if (identity) {
      EXPECT_EQ(length, identity->size()) << failing;
    }
    const Key key = Derive();
    EXPECT_EQ(key, ExpectedKey(identity)) << failing;
    EXPECT_EQ(Derive(), key) << failing;
  }
  platform::faults::Clear();
  const Key first = Derive();
  device_.Reopen();
  EXPECT_EQ(Derive(), first);
}

TEST_F(DeviceKeyTest, CapacityUnder16IsRefused) {
  std::vector<BYTE> key(32, 0xEE);
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
  std::u16string scrambled = u"Master#Pass";
  for (std::size_t i = 0; i < scrambled.size(); ++i) scrambled[i] ^= stream[i];
  EXPECT_EQ(g_strMasterPassword, scrambled);
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

TEST_F(ScrambleTest, AFailedScrambleKeepsFlagAndSecrets) {
  SetSecrets(u"master", u"user", u"5678");
  platform::faults::Fail("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(ScrambleSecrets());
  EXPECT_TRUE(SecretsPlain);
  ExpectSecrets(u"master", u"user", u"5678");
}

}  // namespace
