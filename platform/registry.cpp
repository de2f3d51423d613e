// The registry of the device, kept in the object store (tables reg_key and
// reg_value, see docs/object-store.md).
#include "platform/registry.h"

#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/object_store.h"

namespace {

namespace os = platform::object_store::internal;
using Step = os::Statement::Step;

constexpr std::int64_t kClassesRootId = 1;
constexpr std::int64_t kCurrentUserId = 2;
constexpr std::int64_t kLocalMachineId = 3;

// Open keys of this process. A handle names a key row; the row may go away
// (deleted by this or another process), which the next use notices.
struct OpenKey {
  std::int64_t id;
  std::uint64_t generation;
};

struct KeyTable {
  std::mutex lock;
  std::uintptr_t next = 0x1000;
  std::unordered_map<std::uintptr_t, OpenKey> keys;
};

KeyTable& Keys() {
  static KeyTable table;
  return table;
}

std::optional<std::int64_t> RootId(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) return kClassesRootId;
  if (key == HKEY_CURRENT_USER) return kCurrentUserId;
  if (key == HKEY_LOCAL_MACHINE) return kLocalMachineId;
  return std::nullopt;
}

// The key row a handle stands for; nothing for an unknown or stale handle.
std::optional<std::int64_t> Resolve(HKEY key) {
  if (auto root = RootId(key)) return root;
  KeyTable& t = Keys();
  std::lock_guard guard(t.lock);
  auto it = t.keys.find(reinterpret_cast<std::uintptr_t>(key));
  if (it == t.keys.end()) return std::nullopt;
  if (it->second.generation != os::Generation()) {
    t.keys.erase(it);  // made before the store was closed
    return std::nullopt;
  }
  return it->second.id;
}

HKEY NewHandle(std::int64_t id) {
  KeyTable& t = Keys();
  std::lock_guard guard(t.lock);
  const std::uintptr_t value = t.next;
  t.next += 4;
  t.keys.emplace(value, OpenKey{id, os::Generation()});
  return reinterpret_cast<HKEY>(value);
}

LONG Done(DWORD result) {
  SetLastError(result);
  return static_cast<LONG>(result);
}

std::u16string_view View(LPCWSTR text) {
  return text ? std::u16string_view(text) : std::u16string_view();
}

bool ValidName(std::u16string_view name) {
  return name.size() <= REG_MAX_NAME;
}

// Splits "A\B\C" into its levels. Empty levels (a leading, trailing or
// doubled '\') name nothing and are skipped.
bool SplitPath(LPCWSTR path, std::vector<std::u16string_view>* parts) {
  const std::u16string_view text = View(path);
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\\', start);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view part = text.substr(start, end - start);
    if (!ValidName(part)) return false;
    if (!part.empty()) parts->push_back(part);
    start = end + 1;
  }
  return true;
}

// Whether a key row exists: handles to deleted keys answer ERROR_KEY_DELETED.
DWORD KeyExists(std::int64_t id) {
  os::Statement exists("SELECT 1 FROM reg_key WHERE id = ?1");
  exists.Bind(1, id);
  return exists.Row(ERROR_KEY_DELETED);
}

// Nothing found under a key: when the key itself is gone, that is the answer.
DWORD NotFoundUnder(std::int64_t id, DWORD notFound) {
  const DWORD exists = KeyExists(id);
  return exists != ERROR_SUCCESS ? exists : notFound;
}

DWORD FindChild(std::int64_t parent, std::u16string_view name, std::int64_t* child) {
  os::Statement find("SELECT id FROM reg_key WHERE parent = ?1 AND folded = ?2");
  find.Bind(1, parent);
  find.BindFolded(2, name);
  const DWORD found = find.Row(ERROR_FILE_NOT_FOUND);
  if (found == ERROR_SUCCESS) *child = find.Int(0);
  return found;
}

DWORD AddChild(std::int64_t parent, std::u16string_view name, std::int64_t* child) {
  os::Statement add("INSERT INTO reg_key(parent, name, folded) VALUES(?1, ?2, ?3) RETURNING id");
  add.Bind(1, parent);
  add.BindName(2, name);
  add.BindFolded(3, name);
  const DWORD added = add.Row(ERROR_BADDB);
  if (added == ERROR_SUCCESS) *child = add.Int(0);
  return added;
}

// Follows `parts` down from `base` inside the caller's transaction. With
// `create`, missing levels are made and *created tells whether the last one
// was new. A missing first level may mean the base itself is gone.
DWORD Walk(std::int64_t base, const std::vector<std::u16string_view>& parts, bool create,
           std::int64_t* id, bool* created = nullptr) {
  if (created) *created = false;
  if (parts.empty() || create) {
    const DWORD exists = KeyExists(base);
    if (exists != ERROR_SUCCESS) return exists;
  }
  std::int64_t current = base;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::int64_t next = 0;
    DWORD result = FindChild(current, parts[i], &next);
    if (result == ERROR_FILE_NOT_FOUND && create) {
      result = AddChild(current, parts[i], &next);
      if (created) *created = true;
    } else if (result == ERROR_FILE_NOT_FOUND && i == 0) {
      result = NotFoundUnder(base, result);
    }
    if (result != ERROR_SUCCESS) return result;
    current = next;
  }
  *id = current;
  return ERROR_SUCCESS;
}

// Copies a name into a caller's buffer of *length characters (terminator
// included). Too small: ERROR_MORE_DATA with the length needed (without
// terminator).
DWORD CopyName(std::u16string_view name, LPWSTR buffer, DWORD* length) {
  if (name.size() + 1 > *length) {
    *length = static_cast<DWORD>(name.size());
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.data(), name.size() * sizeof(WCHAR));
  buffer[name.size()] = 0;
  *length = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// The query/enumeration contract for value data: null data asks only for
// the size; a short buffer gets ERROR_MORE_DATA and the size.
DWORD CopyData(std::span<const BYTE> bytes, BYTE* data, DWORD* dataSize) {
  if (!data) {
    if (dataSize) *dataSize = static_cast<DWORD>(bytes.size());
    return ERROR_SUCCESS;
  }
  if (*dataSize < bytes.size()) {
    *dataSize = static_cast<DWORD>(bytes.size());
    return ERROR_MORE_DATA;
  }
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  *dataSize = static_cast<DWORD>(bytes.size());
  return ERROR_SUCCESS;
}

// RegOpenKeyEx and RegCreateKeyEx: the same walk, creating missing levels
// or not.
LONG OpenKey(const char* call, HKEY key, LPCWSTR subKey, bool create, HKEY* result, bool* created) {
  DWORD fault = 0;
  if (platform::faults::Check(call, &fault)) return Done(fault);
  if (!result) return Done(ERROR_INVALID_PARAMETER);
  std::vector<std::u16string_view> parts;
  if (!SplitPath(subKey, &parts)) return Done(ERROR_INVALID_PARAMETER);
  os::Session session;
  if (!session.open()) return Done(ERROR_NOT_READY);
  const auto base = Resolve(key);
  if (!base) return Done(ERROR_INVALID_HANDLE);

  std::int64_t id = 0;
  const DWORD walked =
      os::InTransaction(create ? os::Transaction::Kind::kWrite : os::Transaction::Kind::kRead,
                        [&] { return Walk(*base, parts, create, &id, created); });
  if (walked != ERROR_SUCCESS) return Done(walked);
  *result = NewHandle(id);
  return Done(ERROR_SUCCESS);
}

// RegEnumValue and RegEnumKeyEx: steps `row` (the index-th value or subkey
// of key `id`) and copies the name in its column 0.
DWORD EnumRow(os::Statement& row, std::int64_t id, LPWSTR name, DWORD* nameLength) {
  const DWORD found = row.Row(ERROR_NO_MORE_ITEMS);
  if (found == ERROR_NO_MORE_ITEMS) {
    row.Reset();
    return NotFoundUnder(id, found);
  }
  if (found != ERROR_SUCCESS) return found;
  return CopyName(row.Name(0), name, nameLength);
}

}  // namespace

LONG RegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD, REGSAM, HKEY* result) {
  return OpenKey("RegOpenKeyEx", key, subKey, false, result, nullptr);
}

LONG RegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, void*, HKEY* result,
                    DWORD* disposition) {
  bool created = false;
  const LONG opened = OpenKey("RegCreateKeyEx", key, subKey, true, result, &created);
  if (opened == ERROR_SUCCESS && disposition)
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return opened;
}

LONG RegCloseKey(HKEY key) {
  DWORD fault = 0;
  if (platform::faults::Check("RegCloseKey", &fault)) return Done(fault);
  if (RootId(key)) return Done(ERROR_SUCCESS);
  KeyTable& t = Keys();
  std::lock_guard guard(t.lock);
  auto it = t.keys.find(reinterpret_cast<std::uintptr_t>(key));
  if (it == t.keys.end()) return Done(ERROR_INVALID_HANDLE);
  const bool stale = it->second.generation != os::Generation();
  t.keys.erase(it);
  return Done(stale ? ERROR_INVALID_HANDLE : ERROR_SUCCESS);
}

LONG RegFlushKey(HKEY key) {
  DWORD fault = 0;
  if (platform::faults::Check("RegFlushKey", &fault)) return Done(fault);
  os::Session session;
  if (!session.open()) return Done(ERROR_NOT_READY);
  const auto id = Resolve(key);
  if (!id) return Done(ERROR_INVALID_HANDLE);
  const DWORD exists = KeyExists(*id);
  if (exists != ERROR_SUCCESS) return Done(exists);
  return Done(os::Flush());
}

LONG RegQueryValueEx(HKEY key, LPCWSTR valueName, DWORD*, DWORD* type, BYTE* data,
                     DWORD* dataSize) {
  DWORD fault = 0;
  if (platform::faults::Check("RegQueryValueEx", &fault)) return Done(fault);
  const std::u16string_view name = View(valueName);
  if (!ValidName(name) || (data && !dataSize)) return Done(ERROR_INVALID_PARAMETER);
  os::Session session;
  if (!session.open()) return Done(ERROR_NOT_READY);
  const auto id = Resolve(key);
  if (!id) return Done(ERROR_INVALID_HANDLE);

  // One statement, so one implicit read transaction: the key row tells a
  // deleted key from a missing value.
  os::Statement query(
      "SELECT v.type, v.data FROM reg_key k "
      "LEFT JOIN reg_value v ON v.key = k.id AND v.folded = ?2 WHERE k.id = ?1");
  query.Bind(1, *id);
  query.BindFolded(2, name);
  const DWORD found = query.Row(ERROR_KEY_DELETED);
  if (found != ERROR_SUCCESS) return Done(found);
  if (query.IsNull(0)) return Done(ERROR_FILE_NOT_FOUND);
  if (type) *type = static_cast<DWORD>(query.Int(0));
  return Done(CopyData(query.Blob(1), data, dataSize));
}

LONG RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data,
                   DWORD dataSize) {
  DWORD fault = 0;
  if (platform::faults::Check("RegSetValueEx", &fault)) return Done(fault);
  const std::u16string_view name = View(valueName);
  if (!ValidName(name) || (!data && dataSize != 0)) return Done(ERROR_INVALID_PARAMETER);
  os::Session session;
  if (!session.open()) return Done(ERROR_NOT_READY);
  const auto id = Resolve(key);
  if (!id) return Done(ERROR_INVALID_HANDLE);

  return Done(os::InTransaction(os::Transaction::Kind::kWrite, [&] {
    const DWORD exists = KeyExists(*id);
    if (exists != ERROR_SUCCESS) return exists;
    // Overwriting keeps the row, so the value keeps its place in the
    // enumeration and the case of its first name.
    os::Statement set(
        "INSERT INTO reg_value(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
        "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
    set.Bind(1, *id);
    set.BindName(2, name);
    set.BindFolded(3, name);
    set.Bind(4, static_cast<std::int64_t>(type));
    set.Bind(5, std::span<const BYTE>(data, data ? dataSize : 0));
    return set.Finish();
  }));
}

LONG RegDeleteValue(HKEY key, LPCWSTR valueName) {
  DWORD fault = 0;
  if (platform::faults::Check("RegDeleteValue", &fault)) return Done(fault);
  const std::u16string_view name = View(valueName);
  if (!ValidName(name)) return Done(ERROR_INVALID_PARAMETER);
  os::Session session;
  if (!session.open()) return Done(ERROR_NOT_READY);
  const auto id = Resolve(key);
  if (!id) return Done(ERROR_INVALID_HANDLE);

  return Done(os::InTransaction(os::Transaction::Kind::kWrite, [&] {
    os::Statement remove("DELETE FROM reg_value WHERE key = ?1 AND folded = ?2 RETURNING id");
    remove.Bind(1, *id);
    remove.BindFolded(2, name);
    const DWORD removed = remove.Row(ERROR_FILE_NOT_FOUND);
    if (removed == ERROR_FILE_NOT_FOUND) {
      remove.Reset();
      return NotFoundUnder(*id, removed);
    }
    return removed != ERROR_SUCCESS ? removed : remove.Finish();
  }));
}

LONG RegDeleteKey(HKEY key, LPCWSTR subKey) {
  DWORD fault = 0;
  if (platform::faults::Check("RegDeleteKey", &fault)) return Done(fault);
  std::vector<std::u16string_view> parts;
  if (!SplitPath(subKey, &parts) || parts.empty()) return Done(ERROR_INVALID_PARAMETER);
  os::Session session;
  if (!session.open()) return Done(ERROR_NOT_READY);
  const auto base = Resolve(key);
  if (!base) return Done(ERROR_INVALID_HANDLE);

  return Done(os::InTransaction(os::Transaction::Kind::kWrite, [&] {
    std::int64_t id = 0;
    const DWORD walked = Walk(*base, parts, false, &id);
    if (walked != ERROR_SUCCESS) return walked;
    {
      os::Statement children("SELECT 1 FROM reg_key WHERE parent = ?1 LIMIT 1");
      children.Bind(1, id);
      switch (children.Next()) {
        case Step::kRow:
          return ERROR_ACCESS_DENIED;  // a key with subkeys stays
        case Step::kError:
          return children.error();
        case Step::kDone:
          break;
      }
    }
    // Its values go with it (ON DELETE CASCADE).
    os::Statement remove("DELETE FROM reg_key WHERE id = ?1");
    remove.Bind(1, id);
    return remove.Finish();
  }));
}

LONG RegEnumValue(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD*, DWORD* type,
                  BYTE* data, DWORD* dataSize) {
  DWORD fault = 0;
  if (platform::faults::Check("RegEnumValue", &fault)) return Done(fault);
  if (!name || !nameLength || (data && !dataSize)) return Done(ERROR_INVALID_PARAMETER);
  os::Session session;
  if (!session.open()) return Done(ERROR_NOT_READY);
  const auto id = Resolve(key);
  if (!id) return Done(ERROR_INVALID_HANDLE);

  os::Statement value(
      "SELECT name, type, data FROM reg_value WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2");
  value.Bind(1, *id);
  value.Bind(2, static_cast<std::int64_t>(index));
  const DWORD found = EnumRow(value, *id, name, nameLength);
  if (found != ERROR_SUCCESS) return Done(found);
  if (type) *type = static_cast<DWORD>(value.Int(1));
  return Done(CopyData(value.Blob(2), data, dataSize));
}

LONG RegEnumKeyEx(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD*, LPWSTR keyClass,
                  DWORD* classLength, void*) {
  DWORD fault = 0;
  if (platform::faults::Check("RegEnumKeyEx", &fault)) return Done(fault);
  if (!name || !nameLength) return Done(ERROR_INVALID_PARAMETER);
  os::Session session;
  if (!session.open()) return Done(ERROR_NOT_READY);
  const auto id = Resolve(key);
  if (!id) return Done(ERROR_INVALID_HANDLE);

  os::Statement child(
      "SELECT name FROM reg_key WHERE parent = ?1 ORDER BY folded LIMIT 1 OFFSET ?2");
  child.Bind(1, *id);
  child.Bind(2, static_cast<std::int64_t>(index));
  const DWORD found = EnumRow(child, *id, name, nameLength);
  if (found != ERROR_SUCCESS) return Done(found);
  // Keys have no class here.
  if (classLength) {
    if (keyClass && *classLength > 0) keyClass[0] = 0;
    *classLength = 0;
  }
  return Done(ERROR_SUCCESS);
}
