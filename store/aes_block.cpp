#include "store/aes_block.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <array>
#include <cstring>

#include "platform/faults.h"

namespace {

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
    const bool encrypt = schedule->direction == AES_DIR_ENCRYPT;
    // Tests can make the library call fail, as a broken provider would.
    DWORD error = 0;
    if (platform::faults::Check(encrypt ? "EVP_EncryptUpdate" : "EVP_DecryptUpdate", &error)) {
      return false;
    }
    const int ok = encrypt
                       ? EVP_EncryptUpdate(ctx, output, &written, input, static_cast<int>(piece))
                       : EVP_DecryptUpdate(ctx, output, &written, input, static_cast<int>(piece));
    if (ok != 1 || written != static_cast<int>(piece)) return false;
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
