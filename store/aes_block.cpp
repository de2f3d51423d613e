#include "store/aes_block.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <array>
#include <cstring>

#include "platform/faults.h"

namespace {

// GF(2^8) arithmetic for the key expansion and the conversion of decryption
// round keys; the block operations themselves run in libcrypto.
constexpr std::uint8_t XTime(std::uint8_t a) {
  return static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0x00));
}

constexpr std::uint8_t GfMul(std::uint8_t a, std::uint8_t b) {
  std::uint8_t product = 0;
  while (b != 0) {
    if (b & 1) product ^= a;
    a = XTime(a);
    b >>= 1;
  }
  return product;
}

constexpr std::uint8_t GfInverse(std::uint8_t a) {
  if (a == 0) return 0;
  // a^254 = a^-1 in GF(2^8).
  std::uint8_t result = 1;
  std::uint8_t base = a;
  for (int exponent = 254; exponent != 0; exponent >>= 1) {
    if (exponent & 1) result = GfMul(result, base);
    base = GfMul(base, base);
  }
  return result;
}

constexpr std::uint8_t RotateLeft8(std::uint8_t v, int n) {
  return static_cast<std::uint8_t>((v << n) | (v >> (8 - n)));
}

constexpr std::array<std::uint8_t, 256> MakeSbox() {
  std::array<std::uint8_t, 256> box{};
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t b = GfInverse(static_cast<std::uint8_t>(i));
    box[i] = static_cast<std::uint8_t>(b ^ RotateLeft8(b, 1) ^ RotateLeft8(b, 2) ^
                                       RotateLeft8(b, 3) ^ RotateLeft8(b, 4) ^ 0x63);
  }
  return box;
}

constexpr std::array<std::uint8_t, 256> kSbox = MakeSbox();
static_assert(kSbox[0x00] == 0x63 && kSbox[0x53] == 0xED && kSbox[0xFF] == 0x16);

// FIPS-197 5.2: the round keys as bytes, column by column.
void ExpandKey(const std::uint8_t* key, int keyWords, int rounds,
               std::uint8_t roundKeys[][AES_BLOCK_BYTES]) {
  std::uint8_t* w = &roundKeys[0][0];  // rounds + 1 consecutive blocks
  const int totalWords = 4 * (rounds + 1);
  std::memcpy(w, key, static_cast<std::size_t>(keyWords) * 4);
  std::uint8_t rcon = 0x01;
  for (int i = keyWords; i < totalWords; ++i) {
    std::uint8_t temp[4];
    std::memcpy(temp, w + 4 * (i - 1), 4);
    if (i % keyWords == 0) {
      const std::uint8_t first = temp[0];
      temp[0] = static_cast<std::uint8_t>(kSbox[temp[1]] ^ rcon);
      temp[1] = kSbox[temp[2]];
      temp[2] = kSbox[temp[3]];
      temp[3] = kSbox[first];
      rcon = XTime(rcon);
    } else if (keyWords > 6 && i % keyWords == 4) {
      for (std::uint8_t& b : temp) b = kSbox[b];
    }
    for (int j = 0; j < 4; ++j)
      w[4 * i + j] = static_cast<std::uint8_t>(w[4 * (i - keyWords) + j] ^ temp[j]);
  }
}

// FIPS-197 5.3.5: the equivalent inverse cipher applies InvMixColumns to the
// round keys of rounds 1 .. Nr-1; the first and last stay as they are.
void ConvertForDecryption(int rounds, std::uint8_t roundKeys[][AES_BLOCK_BYTES]) {
  for (int round = 1; round < rounds; ++round) {
    for (int column = 0; column < 4; ++column) {
      std::uint8_t* s = &roundKeys[round][4 * column];
      const std::uint8_t a0 = s[0], a1 = s[1], a2 = s[2], a3 = s[3];
      s[0] = GfMul(a0, 0x0E) ^ GfMul(a1, 0x0B) ^ GfMul(a2, 0x0D) ^ GfMul(a3, 0x09);
      s[1] = GfMul(a0, 0x09) ^ GfMul(a1, 0x0E) ^ GfMul(a2, 0x0B) ^ GfMul(a3, 0x0D);
      s[2] = GfMul(a0, 0x0D) ^ GfMul(a1, 0x09) ^ GfMul(a2, 0x0E) ^ GfMul(a3, 0x0B);
      s[3] = GfMul(a0, 0x0B) ^ GfMul(a1, 0x0D) ^ GfMul(a2, 0x09) ^ GfMul(a3, 0x0E);
    }
  }
}

const EVP_CIPHER* Cipher(int keyBits, bool ofb) {
  switch (keyBits) {
    case 128:
      return ofb ? EVP_aes_128_ofb() : EVP_aes_128_ecb();
    case 192:
      return ofb ? EVP_aes_192_ofb() : EVP_aes_192_ecb();
    default:
      return ofb ? EVP_aes_256_ofb() : EVP_aes_256_ecb();
  }
}

void FreeContexts(AesKeySchedule* schedule) {
  EVP_CIPHER_CTX_free(schedule->blockContext);  // both accept null
  EVP_CIPHER_CTX_free(schedule->streamContext);
  schedule->blockContext = nullptr;
  schedule->streamContext = nullptr;
}

bool MakeContexts(AesKeySchedule* schedule) {
  const std::uint8_t* key = schedule->keyMaterial;
  schedule->blockContext = EVP_CIPHER_CTX_new();
  if (schedule->blockContext == nullptr) return false;
  const EVP_CIPHER* ecb = Cipher(schedule->keyBits, false);
  const int ok = schedule->direction == AES_DIR_ENCRYPT
                     ? EVP_EncryptInit_ex(schedule->blockContext, ecb, nullptr, key, nullptr)
                     : EVP_DecryptInit_ex(schedule->blockContext, ecb, nullptr, key, nullptr);
  if (ok != 1 || EVP_CIPHER_CTX_set_padding(schedule->blockContext, 0) != 1) return false;
  if (schedule->direction != AES_DIR_ENCRYPT) return true;
  schedule->streamContext = EVP_CIPHER_CTX_new();
  if (schedule->streamContext == nullptr) return false;
  const std::uint8_t zeroIv[AES_BLOCK_BYTES] = {};
  return EVP_EncryptInit_ex(schedule->streamContext, Cipher(schedule->keyBits, true), nullptr, key,
                            zeroIv) == 1;
}

// EVP lengths are ints; long runs go through in pieces of whole blocks.
constexpr std::size_t kChunkBytes = std::size_t{1} << 30;

// One pass of the ECB context over whole blocks.
bool EcbRun(const AesKeySchedule* schedule, const std::uint8_t* input, std::size_t bytes,
            std::uint8_t* output) {
  EVP_CIPHER_CTX* ctx = schedule->blockContext;
  while (bytes > 0) {
    const std::size_t piece = bytes < kChunkBytes ? bytes : kChunkBytes;
    int written = 0;
    const int ok = schedule->direction == AES_DIR_ENCRYPT
                       ? EVP_EncryptUpdate(ctx, output, &written, input, static_cast<int>(piece))
                       : EVP_DecryptUpdate(ctx, output, &written, input, static_cast<int>(piece));
    if (ok != 1) return false;
    input += piece;
    output += piece;
    bytes -= piece;
  }
  return true;
}

std::int64_t CheckRun(const AesKeySchedule* schedule, const AesModeState* state,
                      std::uint8_t expectedDirection) {
  if (schedule == nullptr || schedule->blockContext == nullptr) return AES_BAD_KEY_INSTANCE;
  if (state == nullptr || schedule->direction != expectedDirection) return AES_BAD_CIPHER_STATE;
  if (state->mode != AES_MODE_ECB && state->mode != AES_MODE_CBC) return AES_BAD_CIPHER_MODE;
  return 0;
}

// CBC over whole blocks; returns the number of blocks done. One library
// call per block, as each block waits for the previous.
std::size_t CbcEncrypt(const AesKeySchedule* schedule, const std::uint8_t* iv,
                       const std::uint8_t* input, std::size_t blocks, std::uint8_t* output) {
  std::uint8_t chain[AES_BLOCK_BYTES];
  std::uint8_t mixed[AES_BLOCK_BYTES];
  std::memcpy(chain, iv, AES_BLOCK_BYTES);
  std::size_t done = 0;
  for (; done < blocks; ++done) {
    for (int j = 0; j < AES_BLOCK_BYTES; ++j) mixed[j] = input[j] ^ chain[j];
    if (!EcbRun(schedule, mixed, AES_BLOCK_BYTES, output)) break;
    std::memcpy(chain, output, AES_BLOCK_BYTES);
    input += AES_BLOCK_BYTES;
    output += AES_BLOCK_BYTES;
  }
  OPENSSL_cleanse(mixed, sizeof mixed);
  OPENSSL_cleanse(chain, sizeof chain);
  return done;
}

// The ciphertext block is kept before the output (which may be the input)
// overwrites it.
std::size_t CbcDecrypt(const AesKeySchedule* schedule, const std::uint8_t* iv,
                       const std::uint8_t* input, std::size_t blocks, std::uint8_t* output) {
  std::uint8_t chain[AES_BLOCK_BYTES];
  std::uint8_t cipherBlock[AES_BLOCK_BYTES];
  std::uint8_t plain[AES_BLOCK_BYTES];
  std::memcpy(chain, iv, AES_BLOCK_BYTES);
  std::size_t done = 0;
  for (; done < blocks; ++done) {
    std::memcpy(cipherBlock, input, AES_BLOCK_BYTES);
    if (!EcbRun(schedule, cipherBlock, AES_BLOCK_BYTES, plain)) break;
    for (int j = 0; j < AES_BLOCK_BYTES; ++j) output[j] = plain[j] ^ chain[j];
    std::memcpy(chain, cipherBlock, AES_BLOCK_BYTES);
    input += AES_BLOCK_BYTES;
    output += AES_BLOCK_BYTES;
  }
  OPENSSL_cleanse(plain, sizeof plain);
  OPENSSL_cleanse(cipherBlock, sizeof cipherBlock);
  OPENSSL_cleanse(chain, sizeof chain);
  return done;
}

// AesBlockEncrypt and AesBlockDecrypt: whole blocks only, in the key's
// direction; returns the bits done or a negative code.
std::int64_t BlockRun(const AesKeySchedule* schedule, const AesModeState* state,
                      std::uint8_t direction, const std::uint8_t* input, std::uint64_t inputBits,
                      std::uint8_t* output) {
  const std::int64_t check = CheckRun(schedule, state, direction);
  if (check != 0) return check;
  const std::size_t blocks = static_cast<std::size_t>(inputBits / 128);
  if (blocks == 0) return 0;
  if (state->mode == AES_MODE_ECB) {
    if (!EcbRun(schedule, input, blocks * AES_BLOCK_BYTES, output)) return 0;
    return static_cast<std::int64_t>(blocks * 128);
  }
  const std::size_t done = direction == AES_DIR_ENCRYPT
                               ? CbcEncrypt(schedule, state->iv, input, blocks, output)
                               : CbcDecrypt(schedule, state->iv, input, blocks, output);
  return static_cast<std::int64_t>(done * 128);
}

}  // namespace

int AesMakeKey(AesKeySchedule* schedule, std::uint8_t direction, int keyBits,
               const std::uint8_t* keyBytes) {
  if (schedule == nullptr) return AES_BAD_KEY_INSTANCE;
  if (direction != AES_DIR_ENCRYPT && direction != AES_DIR_DECRYPT) return AES_BAD_KEY_DIR;
  if ((keyBits != 128 && keyBits != 192 && keyBits != 256) || keyBytes == nullptr) {
    return AES_BAD_KEY_LEN;
  }
  FreeContexts(schedule);
  schedule->direction = direction;
  schedule->keyBits = keyBits;
  OPENSSL_cleanse(schedule->keyMaterial, sizeof schedule->keyMaterial);
  std::memcpy(schedule->keyMaterial, keyBytes, static_cast<std::size_t>(keyBits / 8));
  schedule->rounds = keyBits / 32 + 6;
  OPENSSL_cleanse(schedule->roundKeys, sizeof schedule->roundKeys);
  ExpandKey(schedule->keyMaterial, keyBits / 32, schedule->rounds, schedule->roundKeys);
  if (direction == AES_DIR_DECRYPT) ConvertForDecryption(schedule->rounds, schedule->roundKeys);
  if (!MakeContexts(schedule)) {
    AesClearKey(schedule);
    return AES_BAD_KEY_INSTANCE;
  }
  return 0;
}

void AesClearKey(AesKeySchedule* schedule) {
  if (schedule == nullptr) return;
  FreeContexts(schedule);
  OPENSSL_cleanse(schedule, sizeof *schedule);
}

int AesInitMode(AesModeState* state, std::uint8_t mode, const std::uint8_t* iv) {
  if (state == nullptr) return AES_BAD_CIPHER_STATE;
  if (mode != AES_MODE_ECB && mode != AES_MODE_CBC) return AES_BAD_CIPHER_MODE;
  state->mode = mode;
  if (iv != nullptr) {
    std::memcpy(state->iv, iv, AES_BLOCK_BYTES);
  } else {
    std::memset(state->iv, 0, AES_BLOCK_BYTES);
  }
  return 0;
}

std::int64_t AesBlockEncrypt(const AesKeySchedule* schedule, const AesModeState* state,
                             const std::uint8_t* input, std::uint64_t inputBits,
                             std::uint8_t* output) {
  return BlockRun(schedule, state, AES_DIR_ENCRYPT, input, inputBits, output);
}

std::int64_t AesBlockDecrypt(const AesKeySchedule* schedule, const AesModeState* state,
                             const std::uint8_t* input, std::uint64_t inputBits,
                             std::uint8_t* output) {
  return BlockRun(schedule, state, AES_DIR_DECRYPT, input, inputBits, output);
}

std::int64_t AesOfbStream(const AesKeySchedule* schedule, const std::uint8_t* iv,
                          const std::uint8_t* input, std::size_t length, std::uint8_t* output) {
  if (schedule == nullptr) return AES_BAD_KEY_INSTANCE;
  if (schedule->streamContext == nullptr || iv == nullptr) return AES_BAD_CIPHER_STATE;
  if (length == 0) return 0;
  // Giving only an IV restarts the stream on the kept key: register = IV,
  // no partial block carried over from an earlier call.
  EVP_CIPHER_CTX* ctx = schedule->streamContext;
  if (EVP_EncryptInit_ex(ctx, nullptr, nullptr, nullptr, iv) != 1) return AES_BAD_CIPHER_STATE;
  std::size_t done = 0;
  while (done < length) {
    const std::size_t rest = length - done;
    const std::size_t piece = rest < kChunkBytes ? rest : kChunkBytes;
    int written = 0;
    // Tests can make the library call fail, as a broken provider would.
    DWORD error = 0;
    if (platform::faults::Check("EVP_EncryptUpdate", &error) ||
        EVP_EncryptUpdate(ctx, output + done, &written, input + done, static_cast<int>(piece)) !=
            1) {
      break;
    }
    done += piece;
  }
  // Leave no key stream state behind in the context.
  const std::uint8_t zeroIv[AES_BLOCK_BYTES] = {};
  EVP_EncryptInit_ex(ctx, nullptr, nullptr, nullptr, zeroIv);
  return static_cast<std::int64_t>(done);
}
