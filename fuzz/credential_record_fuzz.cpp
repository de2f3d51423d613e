// The credential record is read back from the object store, where a damaged
// or foreign database may hold any properties of any type and length.
// Input: [record count u8] then per record [property count u8] and per
// property [id u8][type u8][flags u8][bytes chunk].
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/support/fuzz_device.h"
#include "fuzz/support/fuzz_input.h"
#include "platform/database.h"
#include "platform/kernel.h"
#include "store/credential_set.h"
#include "store/credential_store.h"
#include "store/device_key.h"

namespace {

constexpr WORD kTypes[] = {CEVT_BLOB, CEVT_LPWSTR, CEVT_I4, CEVT_UI2, CEVT_FILETIME, CEVT_I2};

struct Secrets {
  std::u16string master, user, symbol, signature;
  bool operator==(const Secrets&) const = default;
};

Secrets Current() {
  return {g_strMasterPassword, g_strUserPassword, g_strSymbolPassword, g_strSignature};
}

// Writes one record of fuzzed properties; the buffers live until the write.
void WriteRecord(HANDLE db, fuzz::Input& in) {
  const int count = in.U8() % 8;
  std::vector<CEPROPVAL> values(count);
  std::vector<std::string> blobs(count);
  std::vector<std::u16string> texts(count);
  for (int i = 0; i < count; ++i) {
    const std::uint8_t id = in.U8();
    const std::uint8_t type = in.U8();
    const std::uint8_t flags = in.U8();
    // Most ids land on the four the store reads.
    const WORD propId = id < 200 ? WORD(100 + id % 4) : WORD(id);
    const WORD propType = kTypes[type % std::size(kTypes)];
    CEPROPVAL& v = values[i];
    v.propid = MAKEPROPID(propId, propType);
    v.wFlags = flags & 1 ? CEDB_PROPDELETE : 0;
    blobs[i] = std::string(in.Chunk());
    switch (propType) {
      case CEVT_BLOB:
        v.val.blob.dwCount = static_cast<DWORD>(blobs[i].size());
        v.val.blob.lpb = reinterpret_cast<BYTE*>(blobs[i].data());
        break;
      case CEVT_LPWSTR:
        for (std::size_t c = 0; c + 1 < blobs[i].size(); c += 2)
          if (char16_t unit =
                  char16_t(std::uint8_t(blobs[i][c]) | std::uint8_t(blobs[i][c + 1]) << 8))
            texts[i].push_back(unit);
        v.val.lpwstr = texts[i].data();
        break;
      default:
        std::memcpy(&v.val.lVal, blobs[i].data(), std::min(blobs[i].size(), sizeof(LONG)));
        break;
    }
  }
  CeWriteRecordProps(db, 0, static_cast<WORD>(count), values.data());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::OpenDevice();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputWrites undo;
  fuzz::Input in(data, size);
  const int records = in.U8() % 4;
  if (records > 0) {
    CEOID oid = CeCreateDatabase(kCredentialDatabaseName, kCredentialDatabaseType, 0, nullptr);
    HANDLE db = CeOpenDatabase(&oid, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) fuzz::Broken("the database can't be made");
    for (int r = 0; r < records; ++r) WriteRecord(db, in);
    CloseHandle(db);
  }

  // Known secrets before the load: a failed load keeps all of them.
  WipeAllSecrets();
  AssignSecret(g_strMasterPassword, u"Master#1");
  AssignSecret(g_strUserPassword, u"user1234");
  AssignSecret(g_strSymbolPassword, u"0123");
  AssignSecret(g_strSignature, u"sig");
  const Secrets known = Current();

  if (!LoadCredentials()) {
    if (Current() != known) fuzz::Broken("a failed load changed the secrets");
    return 0;
  }
  if (!SecretsPlain || CredentialsUnreadable()) fuzz::Broken("the state after a load");
  const Secrets loaded = Current();
  for (const std::u16string* s : {&loaded.master, &loaded.user, &loaded.symbol, &loaded.signature})
    if (s->find(u'\0') != std::u16string::npos) fuzz::Broken("a secret holds its terminator");

  // What was read survives scrambling and a save as it is.
  if (!ScrambleSecrets() || !UnscrambleSecrets() || Current() != loaded)
    fuzz::Broken("scrambling changed the secrets");
  if (!SaveCredentials()) fuzz::Broken("loaded secrets can't be saved");
  WipeAllSecrets();
  if (!LoadCredentials() || Current() != loaded) fuzz::Broken("saved secrets read back otherwise");
  WipeAllSecrets();
  return 0;
}
