#include "store/credential_store.h"

#include <openssl/crypto.h>

#include <array>
#include <cstring>

#include "platform/database.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/secret_buffer.h"
#include "platform/ui/window/window.h"
#include "res/string_ids.h"
#include "store/cipher_toolkit.h"
#include "store/credential_set.h"
#include "store/device_key.h"
#include "store/show_error.h"

namespace {

constexpr int kOfbMode = 4;
constexpr WCHAR kNoSignature[] = u"*****";

// Closes a database handle on every path out.
class CDatabaseHandle {
 public:
  ~CDatabaseHandle() { Close(); }
  void Close() {
    if (m_hDb != INVALID_HANDLE_VALUE) CloseHandle(m_hDb);
    m_hDb = INVALID_HANDLE_VALUE;
  }
  HANDLE m_hDb = INVALID_HANDLE_VALUE;
};

// Destroys a cipher key object on every path out.
class CKeyHolder {
 public:
  ~CKeyHolder() { DestroyCipherKey(m_pKey); }
  CipherKey* m_pKey = nullptr;
};

// Scrambles the secrets again on every path out of a save that found them
// scrambled, so a failed save never leaves them plain in memory.
class CRescramble {
 public:
  explicit CRescramble(bool armed) : m_bArmed(armed) {}
  ~CRescramble() { Now(); }
  CRescramble(const CRescramble&) = delete;
  CRescramble& operator=(const CRescramble&) = delete;
  void Now() {
    if (m_bArmed) ScrambleSecrets();
    m_bArmed = false;
  }

 private:
  bool m_bArmed;
};

// Runs one blob through the OFB key stream from its start (a zero IV).
bool RunKeyStream(CipherKey* key, BYTE* data, DWORD length) {
  BYTE iv[16] = {};
  return CipherRun(key, kOfbMode, data, data, length, iv) == 0;
}

// The text of a deciphered blob, up to its terminating zero character. The
// string is made at its final size in one allocation: growing it a
// character at a time would leave the text's earlier blocks in freed memory.
std::u16string BlobText(const BYTE* data, DWORD length) {
  DWORD characters = 0;
  for (; 2 * characters + 1 < length; ++characters) {
    WCHAR c = 0;
    std::memcpy(&c, data + 2 * std::size_t{characters}, sizeof(c));
    if (c == 0) break;
  }
  std::u16string text(characters, u'\0');
  std::memcpy(text.data(), data, characters * sizeof(WCHAR));
  return text;
}

// Reports a failed load or save with the error of the call that failed.
bool Fail(DWORD error) {
  SetLastError(error);
  ShowError(GetActiveWindow(), IDS_GENERAL_ERROR, -1, MB_ICONHAND);
  return false;
}

bool g_bCredentialsUnreadable = false;

// A failed load: "no more items" means the database holds no record, which
// is a device that lost its configuration, not one whose secrets are there
// but out of reach.
bool FailLoad(DWORD error) {
  g_bCredentialsUnreadable = error != ERROR_NO_MORE_ITEMS;
  return Fail(error);
}

}  // namespace

bool CredentialsUnreadable() {
  return g_bCredentialsUnreadable;
}

bool LoadCredentials() {
  g_bCredentialsUnreadable = false;
  CDatabaseHandle db;
  CEOID oid = 0;
  db.m_hDb = CeOpenDatabase(&oid, kCredentialDatabaseName, 0, 0, nullptr);
  if (db.m_hDb == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // No database is the normal state of a device never configured.
    if (error == ERROR_FILE_NOT_FOUND) return false;
    return FailLoad(error);
  }

  BYTE* record = nullptr;
  DWORD recordSize = 0;
  WORD propCount = 0;
  if (CeSeekDatabase(db.m_hDb, CEDB_SEEK_BEGINNING, 0, nullptr) == 0 ||
      CeReadRecordProps(db.m_hDb, CEDB_ALLOWREALLOC, &propCount, nullptr, &record, &recordSize) ==
          0) {
    const DWORD error = GetLastError();
    if (record != nullptr) LocalFree(record);
    return FailLoad(error == ERROR_SUCCESS ? ERROR_NO_MORE_ITEMS : error);
  }
  db.Close();

  // Copy the four blobs out of the record buffer before it is released.
  constexpr std::array<WORD, 4> kOrder = {kSignatureProp, kSymbolPasswordProp, kUserPasswordProp,
                                          kMasterPasswordProp};
  std::array<CSecretBuffer, 4> blobs;
  DWORD error = ERROR_SUCCESS;
  const auto* values = reinterpret_cast<const CEPROPVAL*>(record);
  for (std::size_t i = 0; i < kOrder.size() && error == ERROR_SUCCESS; ++i) {
    const CEPROPVAL* found = nullptr;
    for (WORD p = 0; p < propCount; ++p) {
      if (values[p].propid == MAKEPROPID(kOrder[i], CEVT_BLOB) &&
          !(values[p].wFlags & CEDB_PROPNOTFOUND))
        found = &values[p];
    }
    if (found == nullptr) {
      error = ERROR_INVALID_DATA;
    } else if (!blobs[i].Allocate(found->val.blob.dwCount + 2)) {
      error = GetLastError();
    } else {
      std::memcpy(blobs[i].Data(), found->val.blob.lpb, found->val.blob.dwCount);
    }
  }
  OPENSSL_cleanse(record, recordSize);
  LocalFree(record);
  if (error != ERROR_SUCCESS) return FailLoad(error);

  CKeyHolder key;
  if (MakeDeviceCipherKey(&key.m_pKey) != 0) return FailLoad(GetLastError());
  for (CSecretBuffer& blob : blobs) {
    // The extra two zero bytes stay outside the run: they only guarantee
    // a terminator when a blob lost its own.
    if (!RunKeyStream(key.m_pKey, blob.Data(), blob.Size() - 2))
      return FailLoad(ERROR_INVALID_DATA);
  }

  std::u16string signature = BlobText(blobs[0].Data(), blobs[0].Size());
  if (signature == kNoSignature) WipeSecret(signature);
  std::u16string symbol = BlobText(blobs[1].Data(), blobs[1].Size());
  std::u16string user = BlobText(blobs[2].Data(), blobs[2].Size());
  std::u16string master = BlobText(blobs[3].Data(), blobs[3].Size());
  AssignSecret(g_strSignature, signature);
  AssignSecret(g_strSymbolPassword, symbol);
  AssignSecret(g_strUserPassword, user);
  AssignSecret(g_strMasterPassword, master);
  WipeSecret(signature);
  WipeSecret(symbol);
  WipeSecret(user);
  WipeSecret(master);
  SecretsPlain = true;
  return true;
}

bool SaveCredentials() {
  CDatabaseHandle db;
  CEOID oid = 0;
  db.m_hDb = CeOpenDatabase(&oid, kCredentialDatabaseName, 0, 0, nullptr);
  if (db.m_hDb == INVALID_HANDLE_VALUE) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return Fail(GetLastError());
    oid = CeCreateDatabase(kCredentialDatabaseName, kCredentialDatabaseType, 0, nullptr);
    if (oid == 0) return Fail(GetLastError());
    db.m_hDb = CeOpenDatabase(&oid, nullptr, 0, 0, nullptr);
    if (db.m_hDb == INVALID_HANDLE_VALUE) return Fail(GetLastError());
  }
  // The existing record is replaced in place by one atomic write, so a
  // failed save leaves the previous secrets stored rather than none. No
  // record (0) makes the write add one.
  // Only "no more items" means there is none: any other failed seek would
  // add a second record, and the next load would read the old one.
  const CEOID previous = CeSeekDatabase(db.m_hDb, CEDB_SEEK_BEGINNING, 0, nullptr);
  if (previous == 0 && GetLastError() != ERROR_NO_MORE_ITEMS) return Fail(GetLastError());

  const bool wasPlain = SecretsPlain;
  if (!wasPlain && !UnscrambleSecrets()) return Fail(GetLastError());
  // Whatever happens below, the caller gets its secrets back scrambled.
  CRescramble rescramble{!wasPlain};

  const std::array<const std::u16string*, 4> secrets = {&g_strSignature, &g_strSymbolPassword,
                                                        &g_strUserPassword, &g_strMasterPassword};
  constexpr std::array<WORD, 4> kProps = {kSignatureProp, kSymbolPasswordProp, kUserPasswordProp,
                                          kMasterPasswordProp};
  std::array<CSecretBuffer, 4> buffers;
  for (std::size_t i = 0; i < secrets.size(); ++i) {
    const std::u16string& secret = *secrets[i];
    const DWORD bytes = static_cast<DWORD>((secret.size() + 1) * sizeof(WCHAR));
    if (!buffers[i].Allocate(bytes)) return Fail(GetLastError());
    std::memcpy(buffers[i].Data(), secret.data(), secret.size() * sizeof(WCHAR));
  }

  CKeyHolder key;
  if (MakeDeviceCipherKey(&key.m_pKey) != 0) return Fail(GetLastError());
  for (CSecretBuffer& buffer : buffers) {
    if (!RunKeyStream(key.m_pKey, buffer.Data(), buffer.Size())) return Fail(ERROR_INVALID_DATA);
  }

  std::array<CEPROPVAL, 4> values{};
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i].propid = MAKEPROPID(kProps[i], CEVT_BLOB);
    values[i].val.blob.dwCount = buffers[i].Size();
    values[i].val.blob.lpb = buffers[i].Data();
  }
  const CEOID written = CeWriteRecordProps(db.m_hDb, previous, 4, values.data());
  const DWORD writeError = GetLastError();
  db.Close();
  rescramble.Now();
  if (written == 0) return Fail(writeError);
  return true;
}

bool DeleteCredentials() {
  CDatabaseHandle db;
  CEOID oid = 0;
  db.m_hDb = CeOpenDatabase(&oid, kCredentialDatabaseName, 0, 0, nullptr);
  if (db.m_hDb == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  // A database is deleted while no handle is open on it.
  db.Close();
  return CeDeleteDatabase(oid) != FALSE;
}
