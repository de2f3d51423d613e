#include "store/device_key.h"

#include <openssl/crypto.h>

#include <cstring>
#include <iterator>
#include <string>

#include "platform/kernel.h"
#include "store/credential_set.h"

namespace {

constexpr int kDeviceKeyFailed = -1;

// The seed is put together at run time from a short recurrence, so it never
// stands in the source or the data section as one 16-byte value. It is
// fixed for the build: a different seed derives a different device key, and
// secrets stored under the old one can no longer be read.
void AssembleSeed(BYTE* seed) {
  constexpr std::uint32_t kStart = 0x5A17C3E9;
  constexpr std::uint32_t kMultiplier = 0x0019660D;
  constexpr std::uint32_t kIncrement = 0x2C6B9D51;
  constexpr std::uint32_t kTwist = 0x0000B4E1;
  std::uint32_t word = kStart;
  for (int i = 0; i < 4; ++i) {
    word = word * kMultiplier + kIncrement;
    std::uint32_t mixed = word ^ (word >> 13) ^ (kTwist << (3 * i));
    for (int j = 0; j < 4; ++j) seed[4 * i + j] = static_cast<BYTE>(mixed >> (8 * j));
    OPENSSL_cleanse(&mixed, sizeof mixed);
  }
  OPENSSL_cleanse(&word, sizeof word);
}

// The three secrets that are scrambled in memory; the signature is not.
std::u16string* const kScrambledSecrets[] = {&g_strMasterPassword, &g_strUserPassword,
                                             &g_strSymbolPassword};

// OFB with the device key and a zero IV over each secret's characters, in
// place; scrambling and unscrambling are this same transformation.
int RunOverSecret(const CipherKey* key, std::u16string& secret) {
  std::uint8_t iv[AES_BLOCK_BYTES] = {};
  auto* bytes = reinterpret_cast<std::uint8_t*>(secret.data());
  const auto length = static_cast<std::uint32_t>(secret.size() * sizeof(char16_t));
  return CipherRun(key, CIPHER_MODE_OFB, bytes, bytes, length, iv);
}

bool MoveSecretsTo(bool targetPlain) {
  if (SecretsPlain == targetPlain) return true;
  CipherKey* key = nullptr;
  if (MakeDeviceCipherKey(&key) != CIPHER_OK) return false;
  std::size_t done = 0;
  for (; done < std::size(kScrambledSecrets); ++done) {
    if (RunOverSecret(key, *kScrambledSecrets[done]) != CIPHER_OK) break;
  }
  const bool ok = done == std::size(kScrambledSecrets);
  if (!ok) {
    // Put back the ones already changed, so every secret matches the flag,
    // which keeps its old value.
    while (done > 0) RunOverSecret(key, *kScrambledSecrets[--done]);
  } else {
    SecretsPlain = targetPlain;
  }
  DestroyCipherKey(key);
  return ok;
}

}  // namespace

bool ReadDeviceId(BYTE* buffer, DWORD* length) {
  if (buffer == nullptr || length == nullptr) return false;
  const DWORD capacity = *length;
  if (KernelIoControl(IOCTL_HAL_GET_DEVICEID, nullptr, 0, buffer, capacity, length)) return true;
  // The OEM string reports no length: the whole zero-filled buffer counts.
  *length = capacity;
  return SystemParametersInfo(SPI_GETOEMINFO, capacity, buffer, 0) != FALSE;
}

int DeriveDeviceKey(BYTE* keyOut, DWORD* keyLength) {
  if (keyLength == nullptr) return kDeviceKeyFailed;
  if (keyOut == nullptr || *keyLength < DEVICE_KEY_BYTES) {
    *keyLength = DEVICE_KEY_BYTES;
    return kDeviceKeyFailed;
  }
  BYTE seed[16];
  AssembleSeed(seed);
  BYTE mixed[MD5_DIGEST_BYTES];
  Md5Digest(seed, sizeof seed, mixed);
  OPENSSL_cleanse(seed, sizeof seed);

  BYTE identity[DEVICE_ID_BUFFER_BYTES] = {};
  DWORD identityLength = DEVICE_ID_BUFFER_BYTES;
  if (ReadDeviceId(identity, &identityLength)) {
    if (identityLength > DEVICE_ID_BUFFER_BYTES) identityLength = DEVICE_ID_BUFFER_BYTES;
    BYTE identityDigest[MD5_DIGEST_BYTES];
    Md5Digest(identity, identityLength, identityDigest);
    for (int i = 0; i < MD5_DIGEST_BYTES; ++i) mixed[i] ^= identityDigest[i];
    OPENSSL_cleanse(identityDigest, sizeof identityDigest);
  }
  OPENSSL_cleanse(identity, sizeof identity);

  BYTE key[MD5_DIGEST_BYTES];
  Md5Digest(mixed, sizeof mixed, key);
  std::memcpy(keyOut, key, DEVICE_KEY_BYTES);
  *keyLength = DEVICE_KEY_BYTES;
  OPENSSL_cleanse(mixed, sizeof mixed);
  OPENSSL_cleanse(key, sizeof key);
  return 0;
}

int MakeDeviceCipherKey(CipherKey** key) {
  *key = nullptr;
  BYTE material[DEVICE_KEY_BYTES];
  DWORD length = sizeof material;
  int result = DeriveDeviceKey(material, &length);
  if (result == 0)
    result = LoadKeyMaterial(material, sizeof material, CIPHER_FLAGS_STORE, material);
  if (result == 0) result = CreateCipherKey(material, sizeof material, CIPHER_FLAGS_STORE, key);
  OPENSSL_cleanse(material, sizeof material);
  return result;
}

bool ScrambleSecrets() {
  return MoveSecretsTo(false);
}

bool UnscrambleSecrets() {
  return MoveSecretsTo(true);
}

namespace device_key_internal {
void CopySeedForTests(BYTE* seedOut) {
  AssembleSeed(seedOut);
}
}  // namespace device_key_internal
