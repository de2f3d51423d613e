#include "store/md5_digest.h"

#include <openssl/crypto.h>

#include <cstring>

// Written out rather than taken from libcrypto so that the device key can be
// derived whatever libcrypto's provider configuration allows (a FIPS-only
// configuration refuses MD5), and so the context is the one described above.

namespace {

constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

constexpr std::uint32_t RotateLeft(std::uint32_t v, int n) {
  return (v << n) | (v >> (32 - n));
}

void Transform(std::uint32_t state[4], const std::uint8_t block[64]) {
  std::uint32_t x[16];
  for (std::size_t i = 0; i < 16; ++i) {
    x[i] = static_cast<std::uint32_t>(block[4 * i]) |
           (static_cast<std::uint32_t>(block[4 * i + 1]) << 8) |
           (static_cast<std::uint32_t>(block[4 * i + 2]) << 16) |
           (static_cast<std::uint32_t>(block[4 * i + 3]) << 24);
  }
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int i = 0; i < 64; ++i) {
    const int round = i / 16;
    std::uint32_t f;
    int word;
    switch (round) {
      case 0:
        f = (b & c) | (~b & d);
        word = i;
        break;
      case 1:
        f = (b & d) | (c & ~d);
        word = (5 * i + 1) % 16;
        break;
      case 2:
        f = b ^ c ^ d;
        word = (3 * i + 5) % 16;
        break;
      default:
        f = c ^ (b | ~d);
        word = (7 * i) % 16;
        break;
    }
    const std::uint32_t next = b + RotateLeft(a + f + kSine[i] + x[word], kShift[round][i % 4]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  OPENSSL_cleanse(x, sizeof x);
}

}  // namespace

void Md5Init(Md5Context* context) {
  context->state[0] = 0x67452301;
  context->state[1] = 0xefcdab89;
  context->state[2] = 0x98badcfe;
  context->state[3] = 0x10325476;
  context->byteCount = 0;
  std::memset(context->buffer, 0, sizeof context->buffer);
}

void Md5Update(Md5Context* context, const void* data, std::size_t length) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::size_t pending = static_cast<std::size_t>(context->byteCount % 64);
  context->byteCount += length;
  if (pending > 0) {
    const std::size_t take = length < 64 - pending ? length : 64 - pending;
    std::memcpy(context->buffer + pending, bytes, take);
    bytes += take;
    length -= take;
    pending += take;
    if (pending < 64) return;
    Transform(context->state, context->buffer);
  }
  for (; length >= 64; bytes += 64, length -= 64) Transform(context->state, bytes);
  if (length > 0) std::memcpy(context->buffer, bytes, length);
}

void Md5Final(Md5Context* context, std::uint8_t* digest) {
  const std::uint64_t bits = context->byteCount * 8;
  std::uint8_t trailer[72] = {0x80};
  // Pad to 56 mod 64, then the bit count, low byte first.
  const std::size_t pending = static_cast<std::size_t>(context->byteCount % 64);
  const std::size_t padding = pending < 56 ? 56 - pending : 120 - pending;
  for (int i = 0; i < 8; ++i) trailer[padding + i] = static_cast<std::uint8_t>(bits >> (8 * i));
  Md5Update(context, trailer, padding + 8);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j)
      digest[4 * i + j] = static_cast<std::uint8_t>(context->state[i] >> (8 * j));
  }
  OPENSSL_cleanse(context, sizeof *context);
}

int Md5Digest(const void* data, std::uint32_t length, std::uint8_t* digest) {
  Md5Context context;
  Md5Init(&context);
  Md5Update(&context, data, length);
  Md5Final(&context, digest);
  return 0;
}
