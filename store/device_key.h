// The device-bound key and the in-memory scrambling of the secrets.
//
// The key is never stored: each operation derives it afresh from a seed
// fixed in this build and from the identity of the device, as
// MD5(MD5(seed) XOR MD5(identity)), or MD5(MD5(seed)) when the device
// reports no identity. The same key scrambles the master, user and symbol
// passwords while they sit in memory (OFB, zero IV), with SecretsPlain
// telling which form they are in.
#pragma once

#include <cstdint>

#include "platform/windef.h"
#include "store/cipher_toolkit.h"

inline constexpr DWORD DEVICE_ID_BUFFER_BYTES = 512;
inline constexpr DWORD DEVICE_KEY_BYTES = 16;

// Reads the device identity into `buffer` (capacity `*length` bytes). With
// the kernel's identity query, `*length` comes back as the bytes delivered;
// failing that, the OEM information string is asked for and `*length`
// stays the buffer size. Returns whether either query succeeded.
bool ReadDeviceId(BYTE* buffer, DWORD* length);

// Writes the 16-byte device key. `*keyLength` is the capacity on entry and
// 16 on return. Returns 0, or -1 (with `*keyLength` = 16) for a null buffer
// or a capacity under 16.
int DeriveDeviceKey(BYTE* keyOut, DWORD* keyLength);

// Makes a key object on the device key: DeriveDeviceKey, LoadKeyMaterial,
// CreateCipherKey with flags 0x420E. Returns 0 with `*key` set, or the first
// nonzero result (then `*key` holds no object). The caller destroys the key
// before its operation returns.
int MakeDeviceCipherKey(CipherKey** key);

// Move the master, user and symbol passwords between plain (SecretsPlain true)
// and scrambled (false) form, in place. A call that finds the flag already at
// its target does nothing. On failure the flag and the secrets stay as they
// were. The signature is never touched.
bool ScrambleSecrets();
bool UnscrambleSecrets();

namespace device_key_internal {
// For tests only: copies the build's 16-byte seed so that a test can work
// out the expected keys. Nothing in the module calls it.
void CopySeedForTests(BYTE* seedOut);
}  // namespace device_key_internal
