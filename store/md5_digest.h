// The MD5 digest (RFC 1321) of the cipher toolkit, on an init / update /
// final context. The device key is derived with it.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int MD5_DIGEST_BYTES = 16;

struct Md5Context {
  std::uint32_t state[4];   // A, B, C, D
  std::uint64_t byteCount;  // bytes hashed so far
  std::uint8_t buffer[64];  // the pending part of the current block
};

void Md5Init(Md5Context* context);
void Md5Update(Md5Context* context, const void* data, std::size_t length);
// Writes the 16-byte digest and wipes the context.
void Md5Final(Md5Context* context, std::uint8_t* digest);

// One-shot digest of `length` bytes of `data` into 16 bytes at `digest`.
// Returns 0.
int Md5Digest(const void* data, std::uint32_t length, std::uint8_t* digest);
