#include "store/cipher_toolkit.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"

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

// SP 800-38A, appendix F: the AES-128 key, four plaintext blocks, the IV.
const Bytes kSpKey = Hex("2b7e151628aed2a6abf7158809cf4f3c");
const Bytes kSpPlain =
    Hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
        "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
const Bytes kSpIv = Hex("000102030405060708090a0b0c0d0e0f");

// --- Known answers --------------------------------------------------------

TEST(CipherKnownAnswers, Fips197AppendixC1) {
  const Bytes key = Hex("000102030405060708090a0b0c0d0e0f");
  const Bytes plain = Hex("00112233445566778899aabbccddeeff");
  const Bytes cipher = Hex("69c4e0d86a7b0430d8cdb78070b4c55a");
  KeyPtr enc = MakeKey(key, CIPHER_FLAGS_STORE);
  KeyPtr dec = MakeKey(key, kDecryptFlags);
  EXPECT_EQ(Apply(enc.get(), CIPHER_MODE_ECB, plain, nullptr), cipher);
  EXPECT_EQ(Apply(dec.get(), CIPHER_MODE_ECB, cipher, nullptr), plain);
}

TEST(CipherKnownAnswers, KeyObjectHoldsTheExpandedSchedule) {
  KeyPtr enc = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  EXPECT_EQ(enc->flags, CIPHER_FLAGS_STORE);
  EXPECT_EQ(enc->encrypt, 1);
  EXPECT_EQ(enc->schedule.direction, AES_DIR_ENCRYPT);
  EXPECT_EQ(enc->schedule.keyBits, 128);
  EXPECT_EQ(enc->schedule.rounds, 10);
  EXPECT_EQ(Bytes(enc->schedule.keyMaterial, enc->schedule.keyMaterial + 16), kSpKey);
  // FIPS-197 appendix A.1: first and last round key of the expansion.
  EXPECT_EQ(Block(enc->schedule.roundKeys[0]), kSpKey);
  EXPECT_EQ(Block(enc->schedule.roundKeys[10]), Hex("d014f9a8c9ee2589e13f0cc8b6630ca6"));

  // FIPS-197 appendix C.1, equivalent inverse cipher: the outer round keys
  // stay, the inner ones are run through InvMixColumns.
  const Bytes c1Key = Hex("000102030405060708090a0b0c0d0e0f");
  KeyPtr dec = MakeKey(c1Key, kDecryptFlags);
  EXPECT_EQ(dec->encrypt, 0);
  EXPECT_EQ(dec->schedule.direction, AES_DIR_DECRYPT);
  EXPECT_EQ(Block(dec->schedule.roundKeys[0]), c1Key);
  EXPECT_EQ(Block(dec->schedule.roundKeys[9]), Hex("13aa29be9c8faff6f770f58000f7bf03"));
  EXPECT_EQ(Block(dec->schedule.roundKeys[10]), Hex("13111d7fe3944a17f307a78b4d2b30c5"));
}

TEST(CipherKnownAnswers, Sp800_38aEcb) {
  const Bytes cipher =
      Hex("3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf"
          "43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4");
  KeyPtr enc = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  KeyPtr dec = MakeKey(kSpKey, kDecryptFlags);
  EXPECT_EQ(Apply(enc.get(), CIPHER_MODE_ECB, kSpPlain, nullptr), cipher);  // F.1.1
  EXPECT_EQ(Apply(dec.get(), CIPHER_MODE_ECB, cipher, nullptr), kSpPlain);  // F.1.2
  // Separate input and output buffers work as well as one buffer.
  Bytes out(cipher.size());
  ASSERT_EQ(CipherRun(enc.get(), CIPHER_MODE_ECB, kSpPlain.data(), out.data(), 64, nullptr), 0);
  EXPECT_EQ(out, cipher);
}

TEST(CipherKnownAnswers, Sp800_38aCbcLeavesLastCipherBlockInIv) {
  const Bytes cipher =
      Hex("7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
          "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7");
  const Bytes lastBlock(cipher.end() - 16, cipher.end());
  KeyPtr enc = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  KeyPtr dec = MakeKey(kSpKey, kDecryptFlags);

  Bytes iv = kSpIv;
  EXPECT_EQ(Apply(enc.get(), CIPHER_MODE_CBC, kSpPlain, iv.data()), cipher);  // F.2.1
  EXPECT_EQ(iv, lastBlock);
  iv = kSpIv;
  EXPECT_EQ(Apply(dec.get(), CIPHER_MODE_CBC, cipher, iv.data()), kSpPlain);  // F.2.2, in place
  EXPECT_EQ(iv, lastBlock);
  iv = kSpIv;
  Bytes out(cipher.size());
  ASSERT_EQ(CipherRun(dec.get(), CIPHER_MODE_CBC, cipher.data(), out.data(), 64, iv.data()), 0);
  EXPECT_EQ(out, kSpPlain);
}

TEST(CipherKnownAnswers, Sp800_38aOfbBothWaysWithIvUnchanged) {
  const Bytes cipher =
      Hex("3b3fd92eb72dad20333449f8e83cfb4a7789508d16918f03f53c52dac54ed825"
          "9740051e9c5fecf64344f7a82260edcc304c6528f659c77866a510d9c1d6ae5e");
  KeyPtr enc = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  Bytes iv = kSpIv;
  EXPECT_EQ(Apply(enc.get(), CIPHER_MODE_OFB, kSpPlain, iv.data()), cipher);  // F.4.1
  EXPECT_EQ(Apply(enc.get(), CIPHER_MODE_OFB, cipher, iv.data()), kSpPlain);  // F.4.2
  EXPECT_EQ(iv, kSpIv);
}

TEST(CipherKnownAnswers, Rfc1321Md5Suite) {
  const std::pair<const char*, const char*> suite[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
       "0",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [text, digest] : suite) {
    std::uint8_t out[16];
    EXPECT_EQ(Md5Digest(text, static_cast<std::uint32_t>(std::strlen(text)), out), 0);
    EXPECT_EQ(Block(out), Hex(digest)) << '"' << text << '"';
  }
}

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

// --- OFB --------------------------------------------------------------------

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

TEST(CipherOfb, MatchesBlockByBlockDefinitionForEveryTail) {
  KeyPtr key = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  Bytes input(1000 + 7);
  for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<std::uint8_t>(i ^ 0x5A);
  for (std::size_t length : {1, 5, 15, 16, 17, 31, 33, 48, 1007}) {
    const Bytes in(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(length));
    Bytes iv = kSpIv;
    EXPECT_EQ(Apply(key.get(), CIPHER_MODE_OFB, in, iv.data()), ReferenceOfb(key.get(), kSpIv, in))
        << length;
  }
}

TEST(CipherOfb, FiveBytesAreInputXorFirstKeyStreamBytes) {
  KeyPtr key = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  const Bytes stream = Apply(key.get(), CIPHER_MODE_ECB, kSpIv, nullptr);
  const Bytes in = {1, 2, 3, 4, 5};
  Bytes out(8, 0xEE);
  Bytes iv = kSpIv;
  ASSERT_EQ(CipherRun(key.get(), CIPHER_MODE_OFB, in.data(), out.data(), 5, iv.data()), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i], in[i] ^ stream[i]);
  EXPECT_EQ(Bytes(out.begin() + 5, out.end()), Bytes(3, 0xEE));
  // The key stream restarts with every call.
  ASSERT_EQ(CipherRun(key.get(), CIPHER_MODE_OFB, in.data(), out.data(), 5, iv.data()), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i], in[i] ^ stream[i]);
}

TEST(CipherOfb, ZeroBytesWriteNothingAndTwoRunsRestore) {
  KeyPtr key = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  std::uint8_t iv[16] = {};
  Bytes sentinel(4, 0xAB);
  EXPECT_EQ(CipherRun(key.get(), CIPHER_MODE_OFB, sentinel.data(), sentinel.data(), 0, iv), 0);
  EXPECT_EQ(sentinel, Bytes(4, 0xAB));

  const Bytes secret = {'s', 0, 'e', 0, 'c', 0, 'r', 0, 'e', 0, 't', 0, '!', 0};
  Bytes buffer = Apply(key.get(), CIPHER_MODE_OFB, secret, iv);
  EXPECT_NE(buffer, secret);
  EXPECT_EQ(Apply(key.get(), CIPHER_MODE_OFB, buffer, iv), secret);
  EXPECT_EQ(Block(iv), Bytes(16, 0));
}

// --- CBC and CBC-MAC ----------------------------------------------------------

TEST(CipherCbc, IvCarriesTheChainAcrossCalls) {
  KeyPtr enc = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  KeyPtr dec = MakeKey(kSpKey, kDecryptFlags);
  const Bytes plain(kSpPlain.begin(), kSpPlain.begin() + 32);
  Bytes ivWhole = kSpIv;
  const Bytes whole = Apply(enc.get(), CIPHER_MODE_CBC, plain, ivWhole.data());

  Bytes iv = kSpIv;
  Bytes first =
      Apply(enc.get(), CIPHER_MODE_CBC, Bytes(plain.begin(), plain.begin() + 16), iv.data());
  Bytes second =
      Apply(enc.get(), CIPHER_MODE_CBC, Bytes(plain.begin() + 16, plain.end()), iv.data());
  first.insert(first.end(), second.begin(), second.end());
  EXPECT_EQ(first, whole);
  EXPECT_EQ(iv, ivWhole);

  iv = kSpIv;
  Bytes back =
      Apply(dec.get(), CIPHER_MODE_CBC, Bytes(whole.begin(), whole.begin() + 16), iv.data());
  second = Apply(dec.get(), CIPHER_MODE_CBC, Bytes(whole.begin() + 16, whole.end()), iv.data());
  back.insert(back.end(), second.begin(), second.end());
  EXPECT_EQ(back, plain);
}

TEST(CipherCbc, ZeroLengthTouchesNoBufferAndKeepsIv) {
  // No input or output at all: anything read or written would fault.
  KeyPtr key = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  for (int mode : {CIPHER_MODE_CBC, CIPHER_MODE_CBC_MAC}) {
    Bytes iv = kSpIv;
    EXPECT_EQ(CipherRun(key.get(), mode, nullptr, nullptr, 0, iv.data()), 0);
    EXPECT_EQ(iv, kSpIv);
  }
}

TEST(CipherCbcMac, IvIsLastCbcBlockOfZeroPaddedInput) {
  KeyPtr key = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  for (std::size_t length : {1, 15, 16, 20, 31, 32, 47, 64}) {
    const Bytes in(kSpPlain.begin(), kSpPlain.begin() + static_cast<std::ptrdiff_t>(length));
    Bytes padded = in;
    padded.resize((length + 15) / 16 * 16, 0);
    Bytes cbcIv = kSpIv;
    const Bytes cbc = Apply(key.get(), CIPHER_MODE_CBC, padded, cbcIv.data());

    Bytes macIv = kSpIv;
    Bytes out(length, 0xEE);
    ASSERT_EQ(CipherRun(key.get(), CIPHER_MODE_CBC_MAC, in.data(), out.data(),
                        static_cast<std::uint32_t>(length), macIv.data()),
              0);
    EXPECT_EQ(macIv, Bytes(cbc.end() - 16, cbc.end())) << length;
    // Only the whole blocks reach the output.
    const std::size_t full = length / 16 * 16;
    EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(full)),
              Bytes(cbc.begin(), cbc.begin() + static_cast<std::ptrdiff_t>(full)))
        << length;
    EXPECT_EQ(Bytes(out.begin() + static_cast<std::ptrdiff_t>(full), out.end()),
              Bytes(length - full, 0xEE))
        << length;
  }
}

// --- Result codes -------------------------------------------------------------

TEST(CipherCodes, PartialBlocksRefusedByEcbAndCbcWithoutWriting) {
  KeyPtr key = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  const Bytes in(20, 0x11);
  for (int mode : {CIPHER_MODE_ECB, CIPHER_MODE_CBC}) {
    Bytes out(20, 0xEE);
    Bytes iv = kSpIv;
    EXPECT_EQ(CipherRun(key.get(), mode, in.data(), out.data(), 20, iv.data()), -5);
    EXPECT_EQ(out, Bytes(20, 0xEE));
    EXPECT_EQ(iv, kSpIv);
  }
}

TEST(CipherCodes, UnknownModesAndOfbWithDecryptionKey) {
  KeyPtr enc = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  KeyPtr dec = MakeKey(kSpKey, kDecryptFlags);
  Bytes data(16, 0x11);
  Bytes iv(16, 0);
  EXPECT_EQ(CipherRun(dec.get(), CIPHER_MODE_OFB, data.data(), data.data(), 16, iv.data()), -30061);
  for (int mode : {0, 3, 8, 16, 64, -1}) {
    EXPECT_EQ(CipherRun(enc.get(), mode, data.data(), data.data(), 16, iv.data()), -30061) << mode;
  }
  EXPECT_EQ(data, Bytes(16, 0x11));
}

TEST(CipherCodes, MissingKeyOrIv) {
  KeyPtr key = MakeKey(kSpKey, CIPHER_FLAGS_STORE);
  Bytes data(16, 0x11);
  EXPECT_EQ(CipherRun(nullptr, CIPHER_MODE_OFB, data.data(), data.data(), 16, data.data()), -1);
  for (int mode : {CIPHER_MODE_CBC, CIPHER_MODE_OFB, CIPHER_MODE_CBC_MAC}) {
    EXPECT_EQ(CipherRun(key.get(), mode, data.data(), data.data(), 16, nullptr), -6) << mode;
  }
  EXPECT_EQ(data, Bytes(16, 0x11));
  // ECB needs no IV.
  EXPECT_EQ(CipherRun(key.get(), CIPHER_MODE_ECB, data.data(), data.data(), 16, nullptr), 0);
}

TEST(CipherCodes, CreateRefusesOtherKeyLengthsWithoutTouchingHandle) {
  auto* const untouched = reinterpret_cast<CipherKey*>(std::uintptr_t{0x1234});
  const Bytes key(32, 0x42);
  for (std::uint32_t length : {0u, 15u, 17u, 24u, 32u}) {
    CipherKey* handle = untouched;
    EXPECT_EQ(CreateCipherKey(key.data(), length, CIPHER_FLAGS_STORE, &handle), -2) << length;
    EXPECT_EQ(handle, untouched);
  }
}

TEST(CipherCodes, CreateReportsNoMemoryWithNullHandle) {
  platform::faults::Scope faults;
  platform::faults::Fail("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY);
  auto* handle = reinterpret_cast<CipherKey*>(std::uintptr_t{0x1234});
  EXPECT_EQ(CreateCipherKey(kSpKey.data(), 16, CIPHER_FLAGS_STORE, &handle), -30051);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(DestroyCipherKey(handle), 0);
  // The next allocation succeeds again.
  EXPECT_EQ(CreateCipherKey(kSpKey.data(), 16, CIPHER_FLAGS_STORE, &handle), 0);
  EXPECT_EQ(DestroyCipherKey(handle), 0);
}

// --- Key material and memory helpers ---------------------------------------------

TEST(CipherHelpers, CopiesAreBoundedAndKeyMaterialMayShareItsBuffer) {
  Bytes buffer = kSpKey;
  EXPECT_EQ(LoadKeyMaterial(buffer.data(), 16, CIPHER_FLAGS_STORE, buffer.data()), 0);
  EXPECT_EQ(buffer, kSpKey);
  Bytes dest(8, 0);
  EXPECT_EQ(CipherCopyBounded(dest.data(), 4, kSpKey.data(), 16), 4u);
  EXPECT_EQ(CipherFillBounded(dest.data() + 2, 4, 0x5C, 100), 4u);
  EXPECT_EQ(dest, Bytes({0x2b, 0x7e, 0x5C, 0x5C, 0x5C, 0x5C, 0, 0}));
}

}  // namespace
