// Object-store databases, kept in the object store (tables ce_object and
// ce_prop, see docs/object-store.md).
#include "platform/database.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/handle_table.h"
#include "platform/kernel.h"
#include "platform/object_store.h"

namespace {

namespace os = platform::object_store::internal;
using Step = os::Statement::Step;

// An open database. The read position is "the first record whose id is at
// least `cursor`": records only ever get higher ids, so a deleted current
// record simply leaves the position at the one after it.
class DatabaseHandle : public platform::KernelObject {
 public:
  DatabaseHandle(CEOID oid, std::uint64_t generation) : oid(oid), generation(generation) {}
  const CEOID oid;
  const std::uint64_t generation;
  std::int64_t cursor = 0;
};

class DatabaseEnumerator : public platform::KernelObject {
 public:
  DatabaseEnumerator(DWORD type, std::uint64_t generation) : type(type), generation(generation) {}
  const DWORD type;
  const std::uint64_t generation;
  CEOID last = 0;
};

template <typename T>
std::shared_ptr<T> Lookup(HANDLE handle) {
  auto object = platform::LookupHandleAs<T>(handle);
  if (object && object->generation != os::Generation()) return nullptr;
  return object;
}

// Failure in the style of these calls: the error goes to the last error.
template <typename T>
T Fail(DWORD error, T result) {
  SetLastError(error);
  return result;
}

std::size_t Length(LPCWSTR text) {
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

bool ValidDatabaseName(LPCWSTR name) {
  return name && name[0] != 0 && Length(name) < CEDB_MAXDBASENAMELEN;
}

DWORD DatabaseExists(CEOID oid) {
  os::Statement exists("SELECT 1 FROM ce_object WHERE oid = ?1 AND database IS NULL");
  exists.Bind(1, oid);
  return exists.Row(ERROR_INVALID_HANDLE);  // deleted while open
}

DWORD FindDatabase(LPCWSTR name, CEOID* oid) {
  os::Statement find("SELECT oid FROM ce_object WHERE database IS NULL AND folded = ?1");
  find.BindFolded(1, name);
  const DWORD found = find.Row(ERROR_FILE_NOT_FOUND);
  if (found == ERROR_SUCCESS) *oid = static_cast<CEOID>(find.Int(0));
  return found;
}

// Inserts with `add` (an INSERT ... RETURNING oid) and reads the new oid.
DWORD AddObject(os::Statement& add, CEOID* oid) {
  const DWORD added = add.Row(ERROR_BADDB);
  if (added != ERROR_SUCCESS) return added;
  *oid = static_cast<CEOID>(add.Int(0));
  return add.Finish();
}

// Deletes with `remove` (a DELETE ... RETURNING of the one object named);
// an object that is not there is a bad argument.
DWORD RemoveObject(os::Statement& remove) {
  const DWORD removed = remove.Row(ERROR_INVALID_PARAMETER);
  return removed != ERROR_SUCCESS ? removed : remove.Finish();
}

// A property value as stored: exactly the bytes its type holds, strings
// with their terminator.
bool Encode(const CEPROPVAL& value, std::vector<BYTE>* bytes) {
  auto put = [bytes](const void* data, std::size_t size) {
    const auto* p = static_cast<const BYTE*>(data);
    bytes->assign(p, p + size);
  };
  switch (PROPID_TYPE(value.propid)) {
    case CEVT_I2:
      put(&value.val.iVal, sizeof value.val.iVal);
      return true;
    case CEVT_UI2:
      put(&value.val.uiVal, sizeof value.val.uiVal);
      return true;
    case CEVT_I4:
      put(&value.val.lVal, sizeof value.val.lVal);
      return true;
    case CEVT_UI4:
      put(&value.val.ulVal, sizeof value.val.ulVal);
      return true;
    case CEVT_FILETIME:
      put(&value.val.filetime, sizeof value.val.filetime);
      return true;
    case CEVT_LPWSTR:
      if (!value.val.lpwstr) return false;
      put(value.val.lpwstr, (Length(value.val.lpwstr) + 1) * sizeof(WCHAR));
      return true;
    case CEVT_BLOB:
      if (!value.val.blob.lpb && value.val.blob.dwCount != 0) return false;
      bytes->assign(value.val.blob.lpb, value.val.blob.lpb + value.val.blob.dwCount);
      return true;
    default:
      return false;
  }
}

bool IsPointerType(CEPROPID propid) {
  const WORD type = PROPID_TYPE(propid);
  return type == CEVT_LPWSTR || type == CEVT_BLOB;
}

constexpr std::size_t Align(std::size_t n) {
  return (n + 7) & ~std::size_t{7};
}

struct StoredProp {
  CEPROPID propid;
  std::vector<BYTE> bytes;
  bool found = true;
};

// Fills `out` (sized by the caller) with the CEPROPVAL array followed by
// the data its pointers refer to.
void Lay(const std::vector<StoredProp>& props, BYTE* out) {
  auto* values = reinterpret_cast<CEPROPVAL*>(out);
  BYTE* data = out + props.size() * sizeof(CEPROPVAL);
  for (std::size_t i = 0; i < props.size(); ++i) {
    const StoredProp& p = props[i];
    CEPROPVAL v{};
    v.propid = p.propid;
    if (!p.found) {
      v.wFlags = CEDB_PROPNOTFOUND;
    } else if (IsPointerType(p.propid)) {
      if (!p.bytes.empty()) std::memcpy(data, p.bytes.data(), p.bytes.size());
      if (PROPID_TYPE(p.propid) == CEVT_LPWSTR) {
        v.val.lpwstr = reinterpret_cast<LPWSTR>(data);
      } else {
        v.val.blob.dwCount = static_cast<DWORD>(p.bytes.size());
        v.val.blob.lpb = data;
      }
      data += Align(p.bytes.size());
    } else {
      std::memcpy(&v.val, p.bytes.data(), std::min(p.bytes.size(), sizeof v.val));
    }
    std::memcpy(&values[i], &v, sizeof v);
  }
}

std::size_t LaidSize(const std::vector<StoredProp>& props) {
  std::size_t size = props.size() * sizeof(CEPROPVAL);
  for (const StoredProp& p : props)
    if (p.found && IsPointerType(p.propid)) size += Align(p.bytes.size());
  return size;
}

}  // namespace

CEOID CeCreateDatabase(LPCWSTR name, DWORD type, WORD sortOrderCount, void*) {
  if (platform::faults::CheckAndSetLastError("CeCreateDatabase")) return 0;
  if (!ValidDatabaseName(name)) return Fail<CEOID>(ERROR_INVALID_PARAMETER, 0);
  // Records are kept in creation order only; a caller that relies on a sort
  // order must hear that it gets none.
  if (sortOrderCount != 0) return Fail<CEOID>(ERROR_NOT_SUPPORTED, 0);
  os::Session session;
  if (!session.open()) return Fail<CEOID>(ERROR_NOT_READY, 0);

  CEOID oid = 0;
  const DWORD created = os::InTransaction(os::Transaction::Kind::kWrite, [&] {
    const DWORD found = FindDatabase(name, &oid);
    if (found != ERROR_FILE_NOT_FOUND) return found == ERROR_SUCCESS ? ERROR_ALREADY_EXISTS : found;
    os::Statement add(
        "INSERT INTO ce_object(database, name, folded, type) VALUES(NULL, ?1, ?2, ?3) "
        "RETURNING oid");
    add.BindName(1, name);
    add.BindFolded(2, name);
    add.Bind(3, static_cast<std::int64_t>(type));
    return AddObject(add, &oid);
  });
  return created == ERROR_SUCCESS ? oid : Fail<CEOID>(created, 0);
}

HANDLE CeOpenDatabase(CEOID* oid, LPCWSTR name, CEPROPID sortProp, DWORD, HWND) {
  if (platform::faults::CheckAndSetLastError("CeOpenDatabase")) return INVALID_HANDLE_VALUE;
  if (!name && !oid) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  if (sortProp != 0) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  os::Session session;
  if (!session.open()) return Fail(ERROR_NOT_READY, INVALID_HANDLE_VALUE);

  CEOID found = 0;
  if (name) {
    const DWORD result = FindDatabase(name, &found);
    if (result != ERROR_SUCCESS) return Fail(result, INVALID_HANDLE_VALUE);
  } else {
    const DWORD result = DatabaseExists(*oid);
    if (result == ERROR_INVALID_HANDLE) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    if (result != ERROR_SUCCESS) return Fail(result, INVALID_HANDLE_VALUE);
    found = *oid;
  }
  if (oid) *oid = found;
  return platform::AddHandle(std::make_shared<DatabaseHandle>(found, os::Generation()));
}

CEOID CeSeekDatabase(HANDLE db, DWORD seekType, DWORD value, DWORD* index) {
  if (platform::faults::CheckAndSetLastError("CeSeekDatabase")) return 0;
  os::Session session;
  if (!session.open()) return Fail<CEOID>(ERROR_NOT_READY, 0);
  auto handle = Lookup<DatabaseHandle>(db);
  if (!handle) return Fail<CEOID>(ERROR_INVALID_HANDLE, 0);

  os::Transaction tx(os::Transaction::Kind::kRead);
  if (tx.error()) return Fail<CEOID>(tx.error(), 0);
  const DWORD exists = DatabaseExists(handle->oid);
  if (exists != ERROR_SUCCESS) return Fail<CEOID>(exists, 0);

  std::int64_t target = 0;  // index of the record sought
  if (seekType == CEDB_SEEK_CEOID) {
    os::Statement record(
        "SELECT (SELECT count(*) FROM ce_object WHERE database = ?2 AND oid < ?1) "
        "FROM ce_object WHERE oid = ?1 AND database = ?2");
    record.Bind(1, value);
    record.Bind(2, handle->oid);
    const DWORD found = record.Row(ERROR_INVALID_PARAMETER);
    if (found != ERROR_SUCCESS) return Fail<CEOID>(found, 0);
    handle->cursor = value;
    if (index) *index = static_cast<DWORD>(record.Int(0));
    return value;
  }

  std::int64_t count = 0;
  std::int64_t current = 0;
  {
    os::Statement position(
        "SELECT count(*), coalesce(sum(oid < ?2), 0) FROM ce_object WHERE database = ?1");
    position.Bind(1, handle->oid);
    position.Bind(2, handle->cursor);
    if (position.Next() != Step::kRow) return Fail<CEOID>(position.error(), 0);
    count = position.Int(0);
    current = position.Int(1);
  }
  const auto offset = static_cast<std::int64_t>(static_cast<LONG>(value));
  switch (seekType) {
    case CEDB_SEEK_BEGINNING:
      target = static_cast<std::int64_t>(value);
      break;
    case CEDB_SEEK_CURRENT:
      target = current + offset;
      break;
    case CEDB_SEEK_END:
      // 0 is the last record; negative values go back from it.
      target = count - 1 + offset;
      break;
    default:
      return Fail<CEOID>(ERROR_INVALID_PARAMETER, 0);
  }
  if (target < 0 || target >= count) return Fail<CEOID>(ERROR_NO_MORE_ITEMS, 0);
  os::Statement nth("SELECT oid FROM ce_object WHERE database = ?1 ORDER BY oid LIMIT 1 OFFSET ?2");
  nth.Bind(1, handle->oid);
  nth.Bind(2, target);
  const DWORD found = nth.Row(ERROR_NO_MORE_ITEMS);
  if (found != ERROR_SUCCESS) return Fail<CEOID>(found, 0);
  const auto oid = static_cast<CEOID>(nth.Int(0));
  handle->cursor = oid;
  if (index) *index = static_cast<DWORD>(target);
  return oid;
}

CEOID CeReadRecordProps(HANDLE db, DWORD flags, WORD* propCount, CEPROPID* propIds, BYTE** buffer,
                        DWORD* bufferSize) {
  if (platform::faults::CheckAndSetLastError("CeReadRecordProps")) return 0;
  if (!propCount || !bufferSize || (propIds && *propCount == 0))
    return Fail<CEOID>(ERROR_INVALID_PARAMETER, 0);
  os::Session session;
  if (!session.open()) return Fail<CEOID>(ERROR_NOT_READY, 0);
  auto handle = Lookup<DatabaseHandle>(db);
  if (!handle) return Fail<CEOID>(ERROR_INVALID_HANDLE, 0);

  CEOID record = 0;
  std::vector<StoredProp> stored;
  {
    os::Transaction tx(os::Transaction::Kind::kRead);
    if (tx.error()) return Fail<CEOID>(tx.error(), 0);
    const DWORD exists = DatabaseExists(handle->oid);
    if (exists != ERROR_SUCCESS) return Fail<CEOID>(exists, 0);
    {
      os::Statement current(
          "SELECT oid FROM ce_object WHERE database = ?1 AND oid >= ?2 ORDER BY oid LIMIT 1");
      current.Bind(1, handle->oid);
      current.Bind(2, handle->cursor);
      const DWORD found = current.Row(ERROR_NO_MORE_ITEMS);
      if (found != ERROR_SUCCESS) return Fail<CEOID>(found, 0);
      record = static_cast<CEOID>(current.Int(0));
    }
    os::Statement props("SELECT propid, value FROM ce_prop WHERE record = ?1 ORDER BY id");
    props.Bind(1, record);
    Step step;
    while ((step = props.Next()) == Step::kRow) {
      const auto bytes = props.Blob(1);
      stored.push_back({static_cast<CEPROPID>(props.Int(0)), {bytes.begin(), bytes.end()}});
    }
    if (step == Step::kError) return Fail<CEOID>(props.error(), 0);
  }

  std::vector<StoredProp> chosen;
  if (!propIds) {
    chosen = std::move(stored);
  } else {
    for (WORD i = 0; i < *propCount; ++i) {
      StoredProp p{propIds[i], {}, false};
      for (const StoredProp& s : stored) {
        if (s.propid == propIds[i]) {
          p = s;
          break;
        }
      }
      chosen.push_back(std::move(p));
    }
  }
  const std::size_t needed = LaidSize(chosen);
  if (needed > 0xFFFFFFFFu) return Fail<CEOID>(ERROR_NOT_ENOUGH_MEMORY, 0);

  if (!buffer) {
    // Asking for the size only: the position stays.
    *bufferSize = static_cast<DWORD>(needed);
    *propCount = static_cast<WORD>(chosen.size());
    return record;
  }
  if (*buffer == nullptr || *bufferSize < needed) {
    if (!(flags & CEDB_ALLOWREALLOC)) {
      *bufferSize = static_cast<DWORD>(needed);
      return Fail<CEOID>(ERROR_INSUFFICIENT_BUFFER, 0);
    }
    // On failure LocalAlloc/LocalReAlloc have set the last error and the
    // caller's block is untouched.
    HLOCAL block =
        *buffer ? LocalReAlloc(*buffer, needed, LMEM_MOVEABLE) : LocalAlloc(LMEM_FIXED, needed);
    if (!block) return 0;
    *buffer = static_cast<BYTE*>(block);
    *bufferSize = static_cast<DWORD>(needed);
  }
  Lay(chosen, *buffer);
  *propCount = static_cast<WORD>(chosen.size());
  handle->cursor = static_cast<std::int64_t>(record) + 1;
  return record;
}

CEOID CeWriteRecordProps(HANDLE db, CEOID record, WORD propCount, CEPROPVAL* values) {
  if (platform::faults::CheckAndSetLastError("CeWriteRecordProps")) return 0;
  if (propCount == 0 || !values) return Fail<CEOID>(ERROR_INVALID_PARAMETER, 0);
  // Everything is checked and encoded before the store is touched, so a bad
  // property leaves the record as it was.
  std::vector<std::vector<BYTE>> encoded(propCount);
  for (WORD i = 0; i < propCount; ++i) {
    if (values[i].wFlags & CEDB_PROPDELETE) continue;
    if (!Encode(values[i], &encoded[i])) return Fail<CEOID>(ERROR_INVALID_PARAMETER, 0);
  }
  os::Session session;
  if (!session.open()) return Fail<CEOID>(ERROR_NOT_READY, 0);
  auto handle = Lookup<DatabaseHandle>(db);
  if (!handle) return Fail<CEOID>(ERROR_INVALID_HANDLE, 0);

  const DWORD written = os::InTransaction(os::Transaction::Kind::kWrite, [&] {
    DWORD result = DatabaseExists(handle->oid);
    if (result != ERROR_SUCCESS) return result;
    if (record != 0) {
      os::Statement mine("SELECT 1 FROM ce_object WHERE oid = ?1 AND database = ?2");
      mine.Bind(1, record);
      mine.Bind(2, handle->oid);
      result = mine.Row(ERROR_INVALID_PARAMETER);
    } else {
      os::Statement add("INSERT INTO ce_object(database) VALUES(?1) RETURNING oid");
      add.Bind(1, handle->oid);
      result = AddObject(add, &record);
    }
    for (WORD i = 0; i < propCount && result == ERROR_SUCCESS; ++i) {
      if (values[i].wFlags & CEDB_PROPDELETE) {
        os::Statement remove("DELETE FROM ce_prop WHERE record = ?1 AND propid = ?2");
        remove.Bind(1, record);
        remove.Bind(2, values[i].propid);
        result = remove.Finish();
      } else {
        // Replacing keeps the property's place among the record's properties.
        os::Statement set(
            "INSERT INTO ce_prop(record, propid, value) VALUES(?1, ?2, ?3) "
            "ON CONFLICT(record, propid) DO UPDATE SET value = excluded.value");
        set.Bind(1, record);
        set.Bind(2, values[i].propid);
        set.Bind(3, encoded[i]);
        result = set.Finish();
      }
    }
    return result;
  });
  return written == ERROR_SUCCESS ? record : Fail<CEOID>(written, 0);
}

BOOL CeDeleteRecord(HANDLE db, CEOID record) {
  if (platform::faults::CheckAndSetLastError("CeDeleteRecord")) return FALSE;
  os::Session session;
  if (!session.open()) return Fail(ERROR_NOT_READY, FALSE);
  auto handle = Lookup<DatabaseHandle>(db);
  if (!handle) return Fail(ERROR_INVALID_HANDLE, FALSE);

  const DWORD deleted = os::InTransaction(os::Transaction::Kind::kWrite, [&] {
    const DWORD exists = DatabaseExists(handle->oid);
    if (exists != ERROR_SUCCESS) return exists;
    // Its properties go with it (ON DELETE CASCADE).
    os::Statement remove("DELETE FROM ce_object WHERE oid = ?1 AND database = ?2 RETURNING oid");
    remove.Bind(1, record);
    remove.Bind(2, handle->oid);
    return RemoveObject(remove);
  });
  return deleted == ERROR_SUCCESS ? TRUE : Fail(deleted, FALSE);
}

BOOL CeDeleteDatabase(CEOID oid) {
  if (platform::faults::CheckAndSetLastError("CeDeleteDatabase")) return FALSE;
  os::Session session;
  if (!session.open()) return Fail(ERROR_NOT_READY, FALSE);

  const DWORD deleted = os::InTransaction(os::Transaction::Kind::kWrite, [&] {
    // Records and their properties go with it (ON DELETE CASCADE).
    os::Statement remove("DELETE FROM ce_object WHERE oid = ?1 AND database IS NULL RETURNING oid");
    remove.Bind(1, oid);
    return RemoveObject(remove);
  });
  return deleted == ERROR_SUCCESS ? TRUE : Fail(deleted, FALSE);
}

HANDLE CeFindFirstDatabase(DWORD type) {
  if (platform::faults::CheckAndSetLastError("CeFindFirstDatabase")) return INVALID_HANDLE_VALUE;
  os::Session session;
  if (!session.open()) return Fail(ERROR_NOT_READY, INVALID_HANDLE_VALUE);
  // The enumeration walks the live store by id, so databases made or
  // deleted meanwhile are seen or skipped as they come.
  return platform::AddHandle(std::make_shared<DatabaseEnumerator>(type, os::Generation()));
}

CEOID CeFindNextDatabase(HANDLE enumerator) {
  if (platform::faults::CheckAndSetLastError("CeFindNextDatabase")) return 0;
  os::Session session;
  if (!session.open()) return Fail<CEOID>(ERROR_NOT_READY, 0);
  auto find = Lookup<DatabaseEnumerator>(enumerator);
  if (!find) return Fail<CEOID>(ERROR_INVALID_HANDLE, 0);

  os::Statement next(
      "SELECT oid FROM ce_object WHERE database IS NULL AND oid > ?1 AND (?2 = 0 OR type = ?2) "
      "ORDER BY oid LIMIT 1");
  next.Bind(1, find->last);
  next.Bind(2, find->type);
  const DWORD found = next.Row(ERROR_NO_MORE_ITEMS);
  if (found != ERROR_SUCCESS) return Fail<CEOID>(found, 0);
  find->last = static_cast<CEOID>(next.Int(0));
  return find->last;
}

BOOL CeOidGetInfo(CEOID oid, CEDBASEINFO* info) {
  if (platform::faults::CheckAndSetLastError("CeOidGetInfo")) return FALSE;
  if (!info) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  os::Session session;
  if (!session.open()) return Fail(ERROR_NOT_READY, FALSE);

  os::Statement query(
      "SELECT d.name, d.type, "
      "(SELECT count(*) FROM ce_object r WHERE r.database = d.oid), "
      "(SELECT coalesce(sum(length(p.value)), 0) FROM ce_object r "
      " JOIN ce_prop p ON p.record = r.oid WHERE r.database = d.oid) "
      "FROM ce_object d WHERE d.oid = ?1 AND d.database IS NULL");
  query.Bind(1, oid);
  const DWORD found = query.Row(ERROR_INVALID_PARAMETER);
  if (found != ERROR_SUCCESS) return Fail(found, FALSE);
  CEDBASEINFO result{};
  const std::u16string name = query.Name(0);
  std::memcpy(result.szDbaseName, name.data(),
              std::min<std::size_t>(name.size(), CEDB_MAXDBASENAMELEN - 1) * sizeof(WCHAR));
  result.dwDbaseType = static_cast<DWORD>(query.Int(1));
  result.wNumRecords = static_cast<WORD>(std::min<std::int64_t>(query.Int(2), 0xFFFF));
  result.wNumSortOrder = 0;
  result.dwSize = static_cast<DWORD>(std::min<std::int64_t>(query.Int(3), 0xFFFFFFFF));
  *info = result;
  return TRUE;
}
