// The four process-wide secrets and the flag that says whether the master,
// user and symbol passwords are in plain or scrambled form. A scrambled
// secret may hold zero characters, so it is handled by its length only.
#pragma once

#include <string>
#include <string_view>

extern std::u16string g_strMasterPassword;
extern std::u16string g_strUserPassword;
extern std::u16string g_strSymbolPassword;
extern std::u16string g_strSignature;

// true = plain, false = scrambled. Starts plain.
extern bool SecretsPlain;

// Set when this session proved or newly set the user password, the symbol
// password or the signature: the settings then need no second proof.
extern bool g_bPasswordVerified;
extern bool g_bSymbolPasswordVerified;
extern bool g_bSignatureVerified;

// Overwrites the characters of `secret` (its whole capacity) and empties it.
void WipeSecret(std::u16string& secret);
// Replaces `secret` with `value`, wiping the old characters first.
void AssignSecret(std::u16string& secret, std::u16string_view value);
// Wipes all four secrets and marks them plain.
void WipeAllSecrets();
