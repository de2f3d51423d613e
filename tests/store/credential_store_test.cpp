#include "store/credential_store.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <map>
#include <vector>

#include "platform/database.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "store/credential_set.h"
#include "store/device_key.h"
#include "store/settings_model.h"
#include "tests/support/freed_memory_scan.h"
#include "tests/support/store_fixture.h"

namespace {

using testing_support::StoreTest;

class CredentialStoreTest : public StoreTest {
 protected:
  static void SetSecrets(std::u16string_view master, std::u16string_view user,
                         std::u16string_view symbol, std::u16string_view signature) {
    AssignSecret(g_strMasterPassword, master);
    AssignSecret(g_strUserPassword, user);
    AssignSecret(g_strSymbolPassword, symbol);
    AssignSecret(g_strSignature, signature);
    SecretsPlain = true;
  }
  static std::vector<std::u16string> Secrets() {
    return {g_strMasterPassword, g_strUserPassword, g_strSymbolPassword, g_strSignature};
  }

  // Every record of the credential database: property id -> bytes.
  using Record = std::map<WORD, std::vector<BYTE>>;
  static std::vector<Record> Records() {
    std::vector<Record> records;
    CEOID oid = 0;
    HANDLE db = CeOpenDatabase(&oid, kCredentialDatabaseName, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return records;
    if (CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr) != 0) {
      for (;;) {
        BYTE* buffer = nullptr;
        DWORD size = 0;
        WORD count = 0;
        if (CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size) == 0) break;
        Record props;
        const auto* values = reinterpret_cast<const CEPROPVAL*>(buffer);
        for (WORD i = 0; i < count; ++i) {
          const CEBLOB& blob = values[i].val.blob;
          props[PROPID_ID(values[i].propid)].assign(blob.lpb, blob.lpb + blob.dwCount);
        }
        LocalFree(buffer);
        records.push_back(std::move(props));
      }
    }
    CloseHandle(db);
    return records;
  }

  // The device key's OFB stream, computed with libcrypto directly so the
  // stored bytes are checked independently of the module's toolkit.
  static std::vector<BYTE> KeyStream(std::size_t length) {
    BYTE key[16] = {};
    DWORD keyLength = sizeof(key);
    EXPECT_EQ(DeriveDeviceKey(key, &keyLength), 0);
    std::vector<BYTE> zeros(length, 0), stream(length + 16, 0);
    const BYTE iv[16] = {};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int produced = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_128_ofb(), nullptr, key, iv);
    EVP_EncryptUpdate(ctx, stream.data(), &produced, zeros.data(), static_cast<int>(length));
    EVP_CIPHER_CTX_free(ctx);
    stream.resize(length);
    return stream;
  }

  static std::vector<BYTE> Enciphered(std::u16string_view text) {
    std::vector<BYTE> bytes = Utf16Bytes(text);
    const std::vector<BYTE> stream = KeyStream(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= stream[i];
    return bytes;
  }
};

TEST_F(CredentialStoreTest, NoDatabaseIsASilentFailure) {
  SetSecrets(u"keep", u"these", u"1234", u"sig");
  EXPECT_FALSE(LoadCredentials());
  EXPECT_EQ(g_strMasterPassword, u"keep");
  EXPECT_TRUE(platform::message_box::Recorded().empty());
}

TEST_F(CredentialStoreTest, StoredBlobsAreTheEncipheredTextWithItsTerminator) {
  SetSecrets(u"abcd", u"user-pass", u"0815", u"");
  ASSERT_TRUE(SaveCredentials());
  // An empty secret is its enciphered terminator alone.
  EXPECT_EQ(Records(), (std::vector<Record>{{{100, Enciphered(u"")},
                                             {101, Enciphered(u"0815")},
                                             {102, Enciphered(u"user-pass")},
                                             {103, Enciphered(u"abcd")}}}));
}

TEST_F(CredentialStoreTest, LoadRestoresWhatTheLastSaveStored) {
  SetSecrets(u"Master#1", u"\u00fcser", u"01234567", u"<sig template>");
  ASSERT_TRUE(SaveCredentials());
  WipeAllSecrets();
  ASSERT_TRUE(LoadCredentials());
  EXPECT_EQ(Secrets(), (std::vector<std::u16string>{u"Master#1", u"\u00fcser", u"01234567",
                                                    u"<sig template>"}));
  EXPECT_TRUE(SecretsPlain);

  // A later save replaces the one record; the placeholder signature loads
  // as none.
  SetSecrets(u"mast", u"two2", u"", u"*****");
  ASSERT_TRUE(SaveCredentials());
  ASSERT_EQ(Records().size(), 1u);
  WipeAllSecrets();
  ASSERT_TRUE(LoadCredentials());
  EXPECT_EQ(Secrets(), (std::vector<std::u16string>{u"mast", u"two2", u"", u""}));
}

TEST_F(CredentialStoreTest, LoadLeavesNoDecipheredSecretInFreedMemory) {
  // Longer than any small-string buffer, so building them on the heap shows.
  const std::u16string master = u"Master-Password-Long-1";
  const std::u16string user = u"User#Password#Long#22";
  const std::u16string signature = u"<signature template, 40 characters long>";
  SetSecrets(master, user, u"01234567", signature);
  ASSERT_TRUE(SaveCredentials());
  const std::u16string_view secrets[] = {master, user, signature};
  for (std::size_t i = 0; i < std::size(secrets); ++i) {
    WipeAllSecrets();
    testing_support::FreedMemoryScan scan(secrets[i].substr(0, 8));
    ASSERT_TRUE(LoadCredentials());
    EXPECT_EQ(scan.Hits(), 0u) << "freed blocks held the start of secret " << i;
    EXPECT_GT(scan.Freed(), 0u);  // the hook is live
  }
}

TEST_F(CredentialStoreTest, SavingScrambledSecretsStoresTheSameBytesAndRescrambles) {
  SetSecrets(u"mast", u"user", u"9876", u"sig");
  ASSERT_TRUE(SaveCredentials());
  const auto plainRecords = Records();
  ASSERT_TRUE(ScrambleSecrets());
  const std::u16string scrambledUser = g_strUserPassword;
  ASSERT_NE(scrambledUser, u"user");
  ASSERT_TRUE(SaveCredentials());
  EXPECT_EQ(Records(), plainRecords);
  EXPECT_FALSE(SecretsPlain);
  EXPECT_EQ(g_strUserPassword, scrambledUser);
}

// The load then tells a missing record from an unreadable one.
TEST_F(CredentialStoreTest, AFailedFirstSaveLeavesNoRecord) {
  SetSecrets(u"mast", u"old-user", u"", u"");
  platform::faults::Fail("CeWriteRecordProps", ERROR_DISK_FULL);
  EXPECT_FALSE(SaveCredentials());
  EXPECT_TRUE(Records().empty());
  platform::message_box::ClearRecorded();
  // The database exists but holds nothing: that is an error worth a box,
  // yet no configured device whose secrets are out of reach.
  EXPECT_FALSE(LoadCredentials());
  EXPECT_EQ(platform::message_box::Recorded().size(), 1u);
  EXPECT_FALSE(CredentialsUnreadable());
  EXPECT_EQ(g_strUserPassword, u"old-user");
}

// A later save that fails in its write, its seek (which must not add a
// second record) or its cipher keeps the previous record, with one box.
TEST_F(CredentialStoreTest, AFailedLaterSaveKeepsThePreviousRecord) {
  SetSecrets(u"mast", u"old-user", u"", u"");
  ASSERT_TRUE(SaveCredentials());
  const auto before = Records();
  const struct {
    const char* call;
    DWORD error;
    unsigned count;
    std::u16string box;
  } cases[] = {{"CeWriteRecordProps", ERROR_DISK_FULL, 1, u"General error #112!"},
               {"CeSeekDatabase", ERROR_READ_FAULT, 1, u"General error #30!"},
               {"EVP_EncryptUpdate", ERROR_INVALID_DATA, 0, u""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    platform::message_box::ClearRecorded();
    AssignSecret(g_strUserPassword, u"new-user");
    platform::faults::Fail(c.call, c.error, 1, c.count);
    EXPECT_FALSE(SaveCredentials());
    platform::faults::Clear();
    EXPECT_EQ(Records(), before);
    ASSERT_EQ(platform::message_box::Recorded().size(), 1u);
    if (!c.box.empty()) {
      EXPECT_EQ(platform::message_box::Recorded()[0].text, c.box);
      EXPECT_EQ(platform::message_box::Recorded()[0].type, MB_ICONHAND | MB_SETFOREGROUND);
    }
  }
  ASSERT_TRUE(LoadCredentials());
  EXPECT_EQ(g_strUserPassword, u"old-user");
}

TEST_F(CredentialStoreTest, AFailedSaveLeavesScrambledSecretsScrambled) {
  SetSecrets(u"mast", u"user", u"", u"");
  ASSERT_TRUE(ScrambleSecrets());
  const std::u16string scrambled = g_strUserPassword;
  // LocalAlloc call 1 is the unscramble's key object, call 2 the first
  // secret buffer; the write fails after everything was enciphered.
  const std::pair<const char*, unsigned> faults[] = {
      {"LocalAlloc", 1}, {"LocalAlloc", 2}, {"CeWriteRecordProps", 1}};
  for (const auto& [call, nth] : faults) {
    platform::faults::Fail(call, ERROR_NOT_ENOUGH_MEMORY, nth);
    EXPECT_FALSE(SaveCredentials()) << call << " " << nth;
    platform::faults::Clear();
    EXPECT_FALSE(SecretsPlain);
    EXPECT_EQ(g_strUserPassword, scrambled);
  }
  EXPECT_EQ(platform::message_box::Recorded().front().text, u"General error #8!");
}

TEST_F(CredentialStoreTest, UnreadableRecordReportsAndKeepsSecrets) {
  SetSecrets(u"mast", u"user", u"", u"");
  ASSERT_TRUE(SaveCredentials());
  AssignSecret(g_strUserPassword, u"in-memory");
  platform::faults::Fail("CeReadRecordProps", ERROR_READ_FAULT);
  EXPECT_FALSE(LoadCredentials());
  EXPECT_EQ(platform::message_box::Recorded().back().text, u"General error #30!");
  EXPECT_EQ(g_strUserPassword, u"in-memory");
  EXPECT_TRUE(CredentialsUnreadable());
  platform::faults::Clear();
  EXPECT_TRUE(LoadCredentials());
  EXPECT_FALSE(CredentialsUnreadable());
}

TEST_F(CredentialStoreTest, RecordWithoutAllFourPropertiesIsAnError) {
  CEOID oid = CeCreateDatabase(kCredentialDatabaseName, kCredentialDatabaseType, 0, nullptr);
  ASSERT_NE(oid, 0u);
  HANDLE db = CeOpenDatabase(&oid, nullptr, 0, 0, nullptr);
  BYTE bytes[2] = {};
  CEPROPVAL value{};
  value.propid = MAKEPROPID(kUserPasswordProp, CEVT_BLOB);
  value.val.blob = CEBLOB{2, bytes};
  ASSERT_NE(CeWriteRecordProps(db, 0, 1, &value), 0u);
  CloseHandle(db);
  AssignSecret(g_strUserPassword, u"kept");
  EXPECT_FALSE(LoadCredentials());
  EXPECT_EQ(g_strUserPassword, u"kept");
  EXPECT_EQ(platform::message_box::Recorded().size(), 1u);
}

TEST_F(CredentialStoreTest, SettingsCarryTheCredentialsWhenAsked) {
  SetRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"LogonMethod", 0);
  SetSecrets(u"mast", u"user", u"", u"");
  ASSERT_TRUE(SaveSettings(false, true));
  WipeAllSecrets();
  EXPECT_TRUE(LoadSettings(true, true));
  EXPECT_EQ(g_strMasterPassword, u"mast");
  platform::faults::Fail("CeOpenDatabase", ERROR_READ_FAULT);
  EXPECT_FALSE(LoadSettings(true, true));
}

}  // namespace
