// The AES block layer under the cipher toolkit: key schedule, mode state and
// whole-block encryption and decryption (ECB and CBC) of FIPS-197 AES.
//
// The block arithmetic, round keys included, runs in libcrypto through one
// EVP context per schedule. The layer reports its own
// small codes, which the mode layer above deliberately does not pass on.
#pragma once

#include <cstddef>
#include <cstdint>

#include <openssl/types.h>

inline constexpr int AES_BLOCK_BYTES = 16;
inline constexpr int AES_MAX_KEY_BYTES = 32;

// Key directions.
inline constexpr std::uint8_t AES_DIR_ENCRYPT = 0;
inline constexpr std::uint8_t AES_DIR_DECRYPT = 1;

// Block-layer mode numbers.
inline constexpr std::uint8_t AES_MODE_ECB = 1;
inline constexpr std::uint8_t AES_MODE_CBC = 2;

// Block-layer results. Success is the number of bits processed (>= 0).
inline constexpr int AES_BAD_KEY_DIR = -1;
inline constexpr int AES_BAD_KEY_LEN = -2;
inline constexpr int AES_BAD_KEY_INSTANCE = -3;
inline constexpr int AES_BAD_CIPHER_MODE = -4;
inline constexpr int AES_BAD_CIPHER_STATE = -5;

struct AesKeySchedule {
  std::uint8_t direction;                       // AES_DIR_*
  std::int32_t keyBits;                         // 128, 192 or 256
  std::uint8_t keyMaterial[AES_MAX_KEY_BYTES];  // raw key bytes
  std::int32_t rounds;                          // keyBits / 32 + 6
  // Libcrypto state for this key: an ECB context set up for `direction`,
  // and, for encryption schedules, an OFB stream context on the same key.
  EVP_CIPHER_CTX* blockContext;
  EVP_CIPHER_CTX* streamContext;
};

struct AesModeState {
  std::uint8_t mode;  // AES_MODE_*
  std::uint8_t iv[AES_BLOCK_BYTES];
};

// Sets up `schedule` (whose contexts must be null or owned by it) for the
// given direction and key. Returns 0, or AES_BAD_KEY_DIR / AES_BAD_KEY_LEN /
// AES_BAD_KEY_INSTANCE; AES_BAD_KEY_INSTANCE also covers a libcrypto
// context that could not be made.
int AesMakeKey(AesKeySchedule* schedule, std::uint8_t direction, int keyBits,
               const std::uint8_t* keyBytes);

// Frees the libcrypto contexts and wipes the whole schedule. Null is ignored.
void AesClearKey(AesKeySchedule* schedule);

// Sets the mode and copies the IV (zero-filled when `iv` is null). Returns 0,
// AES_BAD_CIPHER_MODE, or AES_BAD_CIPHER_STATE when `state` is null.
int AesInitMode(AesModeState* state, std::uint8_t mode, const std::uint8_t* iv);

// Runs whole 128-bit blocks of `input` (a rest under 128 bits is ignored)
// into `output`, chained through `state->iv` in CBC mode without writing it
// back. `input` and `output` may be the same buffer. Returns the number of
// bits processed, AES_BAD_KEY_INSTANCE for a null schedule, or
// AES_BAD_CIPHER_STATE for a null state or a schedule of the wrong direction.
std::int64_t AesBlockEncrypt(const AesKeySchedule* schedule, const AesModeState* state,
                             const std::uint8_t* input, std::uint64_t inputBits,
                             std::uint8_t* output);
std::int64_t AesBlockDecrypt(const AesKeySchedule* schedule, const AesModeState* state,
                             const std::uint8_t* input, std::uint64_t inputBits,
                             std::uint8_t* output);

// Output feedback over any number of bytes with an encryption schedule: the
// register starts at `iv` (not written back), each key stream block is the
// encryption of the previous one, and a final partial block uses the first
// bytes of the next key stream block. Runs in libcrypto's OFB so that long
// buffers do not pay one library call per block. Returns the number of
// bytes processed, AES_BAD_KEY_INSTANCE or AES_BAD_CIPHER_STATE.
std::int64_t AesOfbStream(const AesKeySchedule* schedule, const std::uint8_t* iv,
                          const std::uint8_t* input, std::size_t length, std::uint8_t* output);
