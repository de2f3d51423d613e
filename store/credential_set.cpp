#include "store/credential_set.h"

#include <openssl/crypto.h>

std::u16string g_strMasterPassword;
std::u16string g_strUserPassword;
std::u16string g_strSymbolPassword;
std::u16string g_strSignature;
bool SecretsPlain = true;
bool g_bPasswordVerified = false;
bool g_bSymbolPasswordVerified = false;
bool g_bSignatureVerified = false;

void WipeSecret(std::u16string& secret) {
  // Cleanse the whole allocation, not just the used part: an earlier,
  // longer value may still sit behind the terminator.
  if (secret.capacity() > 0) OPENSSL_cleanse(secret.data(), secret.capacity() * sizeof(char16_t));
  secret.clear();
}

void AssignSecret(std::u16string& secret, std::u16string_view value) {
  WipeSecret(secret);
  if (value.size() > secret.capacity()) {
    // Growing would leave the old block behind unwiped; it is already
    // wiped, so a fresh string is safe.
    std::u16string fresh;
    fresh.reserve(value.size());
    secret.swap(fresh);
  }
  secret.assign(value.data(), value.size());
}

void WipeAllSecrets() {
  WipeSecret(g_strMasterPassword);
  WipeSecret(g_strUserPassword);
  WipeSecret(g_strSymbolPassword);
  WipeSecret(g_strSignature);
  SecretsPlain = true;
}
