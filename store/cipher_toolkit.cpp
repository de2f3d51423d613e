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

// True when the block layer ran every block. A shorter run means the
// cipher library failed part way.
bool RunBlocks(const CipherKey* key, const AesModeState& state, const std::uint8_t* input,
               std::uint8_t* output, std::uint32_t length) {
  const std::uint64_t bits = static_cast<std::uint64_t>(length) * 8;
  const std::int64_t done = key->encrypt == 1
                                ? AesBlockEncrypt(&key->schedule, &state, input, bits, output)
                                : AesBlockDecrypt(&key->schedule, &state, input, bits, output);
  return done == static_cast<std::int64_t>(bits);
}

// A run the library broke off leaves a mix in the output: deciphered blocks
// next to untouched ones, or in place plain text next to cipher text. None
// of it may be taken for a result, so all of it goes.
int Failed(std::uint8_t* output, std::uint32_t length) {
  OPENSSL_cleanse(output, length);
  return CIPHER_LIBRARY_FAILED;
}

// CBC over whole blocks; `iv` ends holding the last ciphertext block so a
// following call continues the chain. Nothing is read or written for 0
// bytes. On a library failure the output is wiped and `iv` is unchanged.
int RunCbc(const CipherKey* key, const std::uint8_t* input, std::uint8_t* output,
           std::uint32_t length, std::uint8_t* iv) {
  if (length == 0) return CIPHER_OK;
  AesModeState state = MakeModeState(AES_MODE_CBC, iv);
  const std::uint32_t lastBlock = length - AES_BLOCK_BYTES;
  // The output may overwrite the input, so the last ciphertext block of a
  // decryption is kept first.
  std::uint8_t saved[AES_BLOCK_BYTES];
  if (key->encrypt != 1) std::memcpy(saved, input + lastBlock, AES_BLOCK_BYTES);
  const bool ran = RunBlocks(key, state, input, output, length);
  OPENSSL_cleanse(&state, sizeof state);
  if (ran) std::memcpy(iv, key->encrypt == 1 ? output + lastBlock : saved, AES_BLOCK_BYTES);
  OPENSSL_cleanse(saved, sizeof saved);
  return ran ? CIPHER_OK : Failed(output, length);
}

int RunEcbMode(const CipherKey* key, const std::uint8_t* input, std::uint8_t* output,
               std::uint32_t length, const std::uint8_t* iv) {
  if (length % AES_BLOCK_BYTES != 0) return CIPHER_BAD_DATA_LENGTH;
  AesModeState state = MakeModeState(AES_MODE_ECB, iv);
  const bool ran = RunBlocks(key, state, input, output, length);
  OPENSSL_cleanse(&state, sizeof state);
  return ran ? CIPHER_OK : Failed(output, length);
}

int RunCbcMode(const CipherKey* key, const std::uint8_t* input, std::uint8_t* output,
               std::uint32_t length, std::uint8_t* iv) {
  if (length % AES_BLOCK_BYTES != 0) return CIPHER_BAD_DATA_LENGTH;
  if (iv == nullptr) return CIPHER_NO_IV;
  return RunCbc(key, input, output, length, iv);
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
  std::uint8_t chainBefore[AES_BLOCK_BYTES];
  std::memcpy(chainBefore, iv, AES_BLOCK_BYTES);
  const int code = RunCbc(key, input, output, full, iv);
  if (code != CIPHER_OK || rest == 0) return code;
  // The zero-padded tail is chained on but never written to the output.
  std::uint8_t tail[AES_BLOCK_BYTES] = {};
  std::uint8_t processed[AES_BLOCK_BYTES];
  CipherCopyBounded(tail, sizeof tail, input + full, rest);
  AesModeState state = MakeModeState(AES_MODE_CBC, iv);
  const bool ran = RunBlocks(key, state, tail, processed, AES_BLOCK_BYTES);
  // A failed tail leaves the chain as the caller gave it.
  std::memcpy(iv, ran ? processed : chainBefore, AES_BLOCK_BYTES);
  OPENSSL_cleanse(tail, sizeof tail);
  OPENSSL_cleanse(processed, sizeof processed);
  OPENSSL_cleanse(&state, sizeof state);
  return ran ? CIPHER_OK : Failed(output, full);
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
