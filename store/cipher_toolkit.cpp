#include "store/cipher_toolkit.h"

#include <openssl/crypto.h>

#include <cstring>

#include "platform/kernel.h"

namespace {

// The toolkit's one mode-state setup: CBC or ECB with the caller's IV (or
// zeros when there is none).
AesModeState MakeModeState(std::uint8_t mode, const std::uint8_t* iv) {
  AesModeState state;
  AesInitMode(&state, mode, iv);
  return state;
}

// Block-layer results are dropped on purpose: with a key object made by
// CreateCipherKey and a state made above, the block layer cannot refuse, and
// the toolkit's callers know only the toolkit's own codes.
void RunBlocks(const CipherKey* key, const AesModeState& state, const std::uint8_t* input,
               std::uint8_t* output, std::uint32_t length) {
  const std::uint64_t bits = static_cast<std::uint64_t>(length) * 8;
  if (key->encrypt == 1) {
    (void)AesBlockEncrypt(&key->schedule, &state, input, bits, output);
  } else {
    (void)AesBlockDecrypt(&key->schedule, &state, input, bits, output);
  }
}

// CBC over whole blocks; `iv` ends holding the last ciphertext block so a
// following call continues the chain. Nothing is read or written for 0
// bytes.
void RunCbc(const CipherKey* key, const std::uint8_t* input, std::uint8_t* output,
            std::uint32_t length, std::uint8_t* iv) {
  if (length == 0) return;
  AesModeState state = MakeModeState(AES_MODE_CBC, iv);
  const std::uint32_t lastBlock = length - AES_BLOCK_BYTES;
  if (key->encrypt == 1) {
    RunBlocks(key, state, input, output, length);
    std::memcpy(iv, output + lastBlock, AES_BLOCK_BYTES);
  } else {
    // The output may overwrite the input, so the last ciphertext block is
    // kept first.
    std::uint8_t saved[AES_BLOCK_BYTES];
    std::memcpy(saved, input + lastBlock, AES_BLOCK_BYTES);
    RunBlocks(key, state, input, output, length);
    std::memcpy(iv, saved, AES_BLOCK_BYTES);
    OPENSSL_cleanse(saved, sizeof saved);
  }
  OPENSSL_cleanse(&state, sizeof state);
}

int RunEcbMode(const CipherKey* key, const std::uint8_t* input, std::uint8_t* output,
               std::uint32_t length, const std::uint8_t* iv) {
  if (length % AES_BLOCK_BYTES != 0) return CIPHER_BAD_DATA_LENGTH;
  AesModeState state = MakeModeState(AES_MODE_ECB, iv);
  RunBlocks(key, state, input, output, length);
  OPENSSL_cleanse(&state, sizeof state);
  return CIPHER_OK;
}

int RunCbcMode(const CipherKey* key, const std::uint8_t* input, std::uint8_t* output,
               std::uint32_t length, std::uint8_t* iv) {
  if (length % AES_BLOCK_BYTES != 0) return CIPHER_BAD_DATA_LENGTH;
  if (iv == nullptr) return CIPHER_NO_IV;
  RunCbc(key, input, output, length, iv);
  return CIPHER_OK;
}

int RunOfbMode(const CipherKey* key, const std::uint8_t* input, std::uint8_t* output,
               std::uint32_t length, const std::uint8_t* iv) {
  if (key->encrypt != 1) return CIPHER_BAD_MODE;
  if (iv == nullptr) return CIPHER_NO_IV;
  // The feedback register is a copy: the caller's IV stays as it was, so
  // every call with the same IV uses the same key stream.
  std::uint8_t registerBlock[AES_BLOCK_BYTES];
  std::memcpy(registerBlock, iv, AES_BLOCK_BYTES);
  const std::int64_t done = AesOfbStream(&key->schedule, registerBlock, input, length, output);
  OPENSSL_cleanse(registerBlock, sizeof registerBlock);
  // A short run leaves part of the output as it was, which in place is the
  // plain text: the caller must not take it for enciphered.
  return done == static_cast<std::int64_t>(length) ? CIPHER_OK : CIPHER_LIBRARY_FAILED;
}

int RunCbcMacMode(const CipherKey* key, const std::uint8_t* input, std::uint8_t* output,
                  std::uint32_t length, std::uint8_t* iv) {
  if (iv == nullptr) return CIPHER_NO_IV;
  const std::uint32_t full = length - length % AES_BLOCK_BYTES;
  const std::uint32_t rest = length % AES_BLOCK_BYTES;
  RunCbc(key, input, output, full, iv);
  if (rest > 0) {
    // The zero-padded tail is chained on but never written to the output.
    std::uint8_t tail[AES_BLOCK_BYTES] = {};
    std::uint8_t processed[AES_BLOCK_BYTES];
    CipherCopyBounded(tail, sizeof tail, input + full, rest);
    AesModeState state = MakeModeState(AES_MODE_CBC, iv);
    RunBlocks(key, state, tail, processed, AES_BLOCK_BYTES);
    std::memcpy(iv, processed, AES_BLOCK_BYTES);
    OPENSSL_cleanse(tail, sizeof tail);
    OPENSSL_cleanse(processed, sizeof processed);
    OPENSSL_cleanse(&state, sizeof state);
  }
  return CIPHER_OK;
}

}  // namespace

int CreateCipherKey(const std::uint8_t* keyBytes, std::uint32_t keyLength, std::uint32_t flags,
                    CipherKey** outKey) {
  if (keyLength != CIPHER_KEY_BYTES || keyBytes == nullptr) return CIPHER_BAD_KEY_LENGTH;
  if (outKey == nullptr) return CIPHER_BAD_KEY_HANDLE;
  auto* key = static_cast<CipherKey*>(CipherAllocZeroed(sizeof(CipherKey)));
  if (key == nullptr) {
    *outKey = nullptr;
    return CIPHER_NO_MEMORY;
  }
  key->flags = flags;
  key->encrypt = (flags & CIPHER_FLAG_ENCRYPT) != 0 ? 1 : 0;
  const std::uint8_t direction = key->encrypt == 1 ? AES_DIR_ENCRYPT : AES_DIR_DECRYPT;
  if (AesMakeKey(&key->schedule, direction, static_cast<int>(keyLength * 8), keyBytes) != 0) {
    // Only the libcrypto contexts can fail here, and only for lack of memory.
    DestroyCipherKey(key);
    *outKey = nullptr;
    return CIPHER_NO_MEMORY;
  }
  *outKey = key;
  return CIPHER_OK;
}

int LoadKeyMaterial(const std::uint8_t* source, std::uint32_t length, std::uint32_t /*flags*/,
                    std::uint8_t* destination) {
  // The callers pass one buffer as both; the copy is a memmove.
  CipherCopyBounded(destination, length, source, length);
  return CIPHER_OK;
}

int DestroyCipherKey(CipherKey* key) {
  if (key == nullptr) return CIPHER_OK;
  AesClearKey(&key->schedule);
  OPENSSL_cleanse(key, sizeof *key);
  CipherFree(key);
  return CIPHER_OK;
}

int CipherRun(const CipherKey* key, int mode, const std::uint8_t* input, std::uint8_t* output,
              std::uint32_t length, std::uint8_t* iv) {
  if (key == nullptr) return CIPHER_BAD_KEY_HANDLE;
  switch (mode) {
    case CIPHER_MODE_ECB:
      return RunEcbMode(key, input, output, length, iv);
    case CIPHER_MODE_CBC:
      return RunCbcMode(key, input, output, length, iv);
    case CIPHER_MODE_OFB:
      return RunOfbMode(key, input, output, length, iv);
    case CIPHER_MODE_CBC_MAC:
      return RunCbcMacMode(key, input, output, length, iv);
    default:
      return CIPHER_BAD_MODE;
  }
}

void* CipherAllocZeroed(std::size_t bytes) {
  return LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, bytes);
}

std::size_t CipherCopyBounded(void* destination, std::size_t capacity, const void* source,
                              std::size_t length) {
  const std::size_t count = length < capacity ? length : capacity;
  if (count > 0) std::memmove(destination, source, count);
  return count;
}

std::size_t CipherFillBounded(void* destination, std::size_t capacity, std::uint8_t value,
                              std::size_t count) {
  const std::size_t n = count < capacity ? count : capacity;
  if (n > 0) std::memset(destination, value, n);
  return n;
}

void CipherFree(void* block) {
  if (block != nullptr) LocalFree(block);
}
