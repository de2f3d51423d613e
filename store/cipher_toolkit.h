// The cipher toolkit of the credential store: an AES-128 key object, one
// operation that runs a buffer through AES in ECB, CBC, OFB or CBC-MAC mode,
// and the MD5 digest. Every operation returns a code: 0 or a negative error.
//
// Calling order for one use: LoadKeyMaterial, CreateCipherKey, any number of
// CipherRun calls, DestroyCipherKey. A key object belongs to the caller that
// made it; nothing here is global.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/aes_block.h"
#include "store/md5_digest.h"

// Result codes.
inline constexpr int CIPHER_OK = 0;
inline constexpr int CIPHER_BAD_KEY_HANDLE = -1;      // CipherRun given no key
inline constexpr int CIPHER_BAD_KEY_LENGTH = -2;      // CreateCipherKey: not 16 bytes
inline constexpr int CIPHER_BAD_DATA_LENGTH = -5;     // modes 1, 2: not whole blocks
inline constexpr int CIPHER_NO_IV = -6;               // modes 2, 4, 32 given no IV buffer
inline constexpr int CIPHER_NO_MEMORY = -30051;       // CreateCipherKey: allocation failed
inline constexpr int CIPHER_BAD_MODE = -30061;        // unknown mode, or OFB with a decryption key
inline constexpr int CIPHER_LIBRARY_FAILED = -30062;  // the cipher library refused a run
inline constexpr int CIPHER_BAD_DESTROY_HANDLE = -30079;  // reserved, never returned

// Modes of CipherRun.
inline constexpr int CIPHER_MODE_ECB = 1;
inline constexpr int CIPHER_MODE_CBC = 2;
inline constexpr int CIPHER_MODE_OFB = 4;
inline constexpr int CIPHER_MODE_CBC_MAC = 32;

// Bit of the flags word that makes an encryption key.
inline constexpr std::uint32_t CIPHER_FLAG_ENCRYPT = 0x200;
// The flags word every caller of the store uses (an encryption key).
inline constexpr std::uint32_t CIPHER_FLAGS_STORE = 0x420E;

inline constexpr std::uint32_t CIPHER_KEY_BYTES = 16;

struct CipherKey {
  std::uint32_t flags;   // as given at creation
  std::int32_t encrypt;  // 1 when flags has CIPHER_FLAG_ENCRYPT, else 0
  AesKeySchedule schedule;
};

// Makes a key object from `keyLength` bytes at `keyBytes`. A length other
// than 16 returns -2 without touching `*outKey`. Otherwise `*outKey` receives
// the new object, or null with -30051 when it cannot be allocated.
int CreateCipherKey(const std::uint8_t* keyBytes, std::uint32_t keyLength, std::uint32_t flags,
                    CipherKey** outKey);

// Copies `length` bytes from `source` to `destination` (which may be the
// same buffer); `flags` is not read. Returns 0.
int LoadKeyMaterial(const std::uint8_t* source, std::uint32_t length, std::uint32_t flags,
                    std::uint8_t* destination);

// Wipes and frees the key object. Null is ignored. Returns 0.
int DestroyCipherKey(CipherKey* key);

// Runs `length` bytes of `input` into `output` in `mode`. `input` and
// `output` may be the same buffer (or must not overlap at all). `iv` is a
// 16-byte buffer: CBC and CBC-MAC write the chaining value back into it,
// OFB only reads it. See docs/crypto.md for each mode's exact behaviour.
int CipherRun(const CipherKey* key, int mode, const std::uint8_t* input, std::uint8_t* output,
              std::uint32_t length, std::uint8_t* iv);

// Memory helpers of the toolkit. The allocation goes through the platform's
// local heap, zero-filled, and returns null on failure.
void* CipherAllocZeroed(std::size_t bytes);
// Copies min(capacity, length) bytes; returns the number copied.
std::size_t CipherCopyBounded(void* destination, std::size_t capacity, const void* source,
                              std::size_t length);
// Sets min(capacity, count) bytes to `value`; returns the number set.
std::size_t CipherFillBounded(void* destination, std::size_t capacity, std::uint8_t value,
                              std::size_t count);
// Frees a block from CipherAllocZeroed; null is ignored.
void CipherFree(void* block);
