// The "coredll.dll" stand-in: the system password of the device, as the
// shell and the logon module see it. Only a salted PBKDF2 hash is kept in
// the object store (platform::system_password), never the password itself.
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdint>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/secret_buffer.h"
#include "platform/system_password.h"
#include "platform/windef.h"

#define COREDLL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The error a wrong password reports, as the handheld's own calls do.
constexpr DWORD kErrorInvalidPassword = 86;

// One verification costs about 1.4 ms on the development machine (see
// docs/system-password.md). The shell checks on every unlock and the module
// verifies up to twice more, so the count is kept where that stays unnoticed.
constexpr std::uint32_t kIterations = 6000;
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;

bool IsEmpty(LPCWSTR password) {
  return password == nullptr || password[0] == 0;
}

// PBKDF2-HMAC-SHA256 over the password's UTF-16LE bytes (no terminator),
// into `out` (allocated here). False when the heap or the hash fails.
bool DeriveHash(LPCWSTR password, const std::vector<std::uint8_t>& salt, std::uint32_t iterations,
                CSecretBuffer* out) {
  std::size_t length = 0;
  while (password[length] != 0) ++length;
  CSecretBuffer text;
  if (!out->Allocate(kHashBytes) || !text.Allocate(length * 2)) return false;
  for (std::size_t i = 0; i < length; ++i) {
    text.Data()[2 * i] = static_cast<std::uint8_t>(password[i] & 0xFF);
    text.Data()[2 * i + 1] = static_cast<std::uint8_t>(password[i] >> 8);
  }
  return PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(text.Data()),
                           static_cast<int>(text.Size()), salt.data(),
                           static_cast<int>(salt.size()), static_cast<int>(iterations),
                           EVP_sha256(), static_cast<int>(out->Size()), out->Data()) == 1;
}

enum class Match { kYes, kNo, kError };

// Whether `password` is the password in force. An empty password matches
// exactly when none is set. A damaged record matches nothing.
Match Matches(const platform::system_password::Record& record, LPCWSTR password) {
  if (!record.set) return IsEmpty(password) ? Match::kYes : Match::kNo;
  if (IsEmpty(password)) return Match::kNo;
  if (record.hash.size() != kHashBytes || record.salt.empty() || record.iterations == 0 ||
      record.iterations > 0x7FFFFFFFu) {
    SetLastError(ERROR_FILE_CORRUPT);
    return Match::kError;
  }
  CSecretBuffer hash;
  if (!DeriveHash(password, record.salt, record.iterations, &hash)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return Match::kError;
  }
  return CRYPTO_memcmp(hash.Data(), record.hash.data(), kHashBytes) == 0 ? Match::kYes : Match::kNo;
}

// Loads the record and checks `password` against it; false with the last
// error set when it does not match or the store can't be read.
bool LoadMatching(LPCWSTR password, platform::system_password::Record* record) {
  if (!platform::system_password::Load(record)) return false;
  switch (Matches(*record, password)) {
    case Match::kYes:
      return true;
    case Match::kNo:
      SetLastError(kErrorInvalidPassword);
      return false;
    case Match::kError:
      return false;
  }
  return false;
}

bool SameText(LPCWSTR a, LPCWSTR b) {
  if (IsEmpty(a) || IsEmpty(b)) return IsEmpty(a) && IsEmpty(b);
  std::size_t i = 0;
  for (; a[i] != 0 && b[i] != 0; ++i)
    if (a[i] != b[i]) return false;
  return a[i] == b[i];
}

}  // namespace

// Sets the password to `newPassword` when `oldPassword` is the one in force.
// Null stands for the empty password, which means "no password".
COREDLL_EXPORT BOOL SetPassword(LPWSTR oldPassword, LPWSTR newPassword) {
  if (platform::faults::CheckAndSetLastError("SetPassword")) return FALSE;
  platform::system_password::Record record;
  if (!LoadMatching(oldPassword, &record)) return FALSE;
  // Setting the password to itself is how callers verify it: nothing
  // changes, so nothing is written.
  if (SameText(oldPassword, newPassword)) return TRUE;

  platform::system_password::Record next;
  if (IsEmpty(newPassword)) {
    // No password: nothing left to ask for, so the switch goes off too.
    next.set = false;
    next.active = false;
  } else {
    next.set = true;
    next.active = record.active;
    next.iterations = kIterations;
    next.salt.assign(kSaltBytes, 0);
    if (RAND_bytes(next.salt.data(), static_cast<int>(kSaltBytes)) != 1) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return FALSE;
    }
    CSecretBuffer hash;
    if (!DeriveHash(newPassword, next.salt, next.iterations, &hash)) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return FALSE;
    }
    next.hash.assign(hash.Data(), hash.Data() + hash.Size());
  }
  return platform::system_password::Store(next) ? TRUE : FALSE;
}

// Switches the password on or off; the password in force must be given.
COREDLL_EXPORT BOOL SetPasswordActive(BOOL active, LPWSTR password) {
  if (platform::faults::CheckAndSetLastError("SetPasswordActive")) return FALSE;
  platform::system_password::Record record;
  if (!LoadMatching(password, &record)) return FALSE;
  const bool wanted = active != FALSE;
  if (record.active == wanted) return TRUE;
  record.active = wanted;
  return platform::system_password::Store(record) ? TRUE : FALSE;
}

// The shell's own check before it unlocks.
COREDLL_EXPORT BOOL CheckPassword(LPWSTR password) {
  if (platform::faults::CheckAndSetLastError("CheckPassword")) return FALSE;
  platform::system_password::Record record;
  return LoadMatching(password, &record) ? TRUE : FALSE;
}
