// The system password record: one row of its own table, out of reach of the
// registry and database calls.
#include "platform/system_password.h"

#include <openssl/crypto.h>

#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/object_store.h"

namespace platform::system_password {
namespace {

namespace os = object_store::internal;
using Step = os::Statement::Step;

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

}  // namespace

Record::~Record() {
  if (!salt.empty()) OPENSSL_cleanse(salt.data(), salt.size());
  if (!hash.empty()) OPENSSL_cleanse(hash.data(), hash.size());
}

bool Load(Record* record) {
  if (faults::CheckAndSetLastError("SystemPasswordLoad")) return false;
  if (!record) return Fail(ERROR_INVALID_PARAMETER);
  os::Session session;
  if (!session.open()) return Fail(ERROR_NOT_READY);

  os::Statement query(
      "SELECT is_set, active, iterations, salt, hash FROM system_password WHERE id = 1");
  switch (query.Next()) {
    case Step::kDone:
      *record = Record{};
      return true;
    case Step::kError:
      return Fail(query.error());
    case Step::kRow:
      break;
  }
  Record loaded;
  loaded.set = query.Int(0) != 0;
  loaded.active = query.Int(1) != 0;
  loaded.iterations = static_cast<std::uint32_t>(query.Int(2));
  const auto salt = query.Blob(3);
  const auto hash = query.Blob(4);
  loaded.salt.assign(salt.begin(), salt.end());
  loaded.hash.assign(hash.begin(), hash.end());
  *record = std::move(loaded);
  return true;
}

bool Store(const Record& record) {
  if (faults::CheckAndSetLastError("SystemPasswordStore")) return false;
  os::Session session;
  if (!session.open()) return Fail(ERROR_NOT_READY);

  const DWORD stored = os::InTransaction(os::Transaction::Kind::kWrite, [&] {
    os::Statement store(
        "INSERT OR REPLACE INTO system_password(id, is_set, active, iterations, salt, hash) "
        "VALUES(1, ?1, ?2, ?3, ?4, ?5)");
    store.Bind(1, record.set ? 1 : 0);
    store.Bind(2, record.active ? 1 : 0);
    store.Bind(3, static_cast<std::int64_t>(record.iterations));
    store.Bind(4, record.salt);
    store.Bind(5, record.hash);
    return store.Finish();
  });
  return stored == ERROR_SUCCESS || Fail(stored);
}

}  // namespace platform::system_password
