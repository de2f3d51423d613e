#include "device/inspect.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "device/json_writer.h"
#include "platform/database.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/registry_key.h"
#include "platform/system_password.h"
#include "platform/wstring.h"
#include "res/registry_names.h"

namespace pda {
namespace {

std::string ErrorText(const std::string& what, DWORD code) {
  return what + " (error " + std::to_string(code) + ")";
}

std::string Utf8(std::u16string_view text) {
  return platform::ToUtf8(text);
}

// A member name not yet used in one JSON object. Two names can meet: a
// record may hold one id with two types, and lone surrogates of different
// names all become U+FFFD. A repeat gets "#2", "#3", ... so no member hides
// another from a reader.
class MemberNames {
 public:
  std::string Unique(std::string name) {
    if (used_.insert(name).second) return name;
    for (int n = 2;; ++n) {
      std::string numbered = name + "#" + std::to_string(n);
      if (used_.insert(numbered).second) return numbered;
    }
  }

 private:
  std::set<std::string> used_;
};

// A kernel handle (database, enumerator) closed with CloseHandle.
class KernelHandle {
 public:
  explicit KernelHandle(HANDLE handle) : handle_(handle) {}
  ~KernelHandle() {
    if (valid()) CloseHandle(handle_);
  }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// The buffer CeReadRecordProps (re)allocates on the local heap.
class RecordBuffer {
 public:
  RecordBuffer() = default;
  ~RecordBuffer() {
    if (data_ != nullptr) LocalFree(data_);
  }
  RecordBuffer(const RecordBuffer&) = delete;
  RecordBuffer& operator=(const RecordBuffer&) = delete;
  BYTE** data() { return &data_; }
  DWORD* size() { return &size_; }

 private:
  BYTE* data_ = nullptr;
  DWORD size_ = 0;
};

void CollectValues(HKEY key, const std::string& where, RegistryKey* entry,
                   std::vector<std::string>* errors) {
  Bytes data(256);
  for (DWORD index = 0;; ++index) {
    WCHAR name[REG_MAX_NAME + 1] = {};
    LONG result = ERROR_MORE_DATA;
    DWORD nameLength = 0;
    DWORD type = 0;
    DWORD dataSize = 0;
    // A value larger than the buffer reports the size it needs; grow and
    // ask again (a bounded number of times, should it keep growing).
    for (int attempt = 0; attempt < 8 && result == ERROR_MORE_DATA; ++attempt) {
      nameLength = REG_MAX_NAME + 1;
      dataSize = static_cast<DWORD>(data.size());
      result = RegEnumValue(key, index, name, &nameLength, nullptr, &type, data.data(), &dataSize);
      if (result == ERROR_MORE_DATA) data.resize(std::max<std::size_t>(dataSize, data.size() * 2));
    }
    if (result == ERROR_NO_MORE_ITEMS) return;
    if (result != ERROR_SUCCESS) {
      errors->push_back(ErrorText("cannot read values of " + where, static_cast<DWORD>(result)));
      return;
    }
    RegistryValue value;
    value.name.assign(name, std::min<DWORD>(nameLength, REG_MAX_NAME));
    value.type = type;
    value.data.assign(data.begin(), data.begin() + std::min<std::size_t>(dataSize, data.size()));
    entry->values.push_back(std::move(value));
  }
}

void CollectKey(HKEY key, const std::u16string& path, RegistryRoot* root,
                std::vector<std::string>* errors) {
  const std::string where = root->name + (path.empty() ? "" : "\\" + Utf8(path));
  RegistryKey entry;
  entry.path = path;
  CollectValues(key, where, &entry, errors);
  // The root is a key of its own only when something was stored in it.
  if (!path.empty() || !entry.values.empty()) root->keys.push_back(std::move(entry));

  std::vector<std::u16string> subkeys;
  for (DWORD index = 0;; ++index) {
    WCHAR name[REG_MAX_NAME + 1] = {};
    DWORD nameLength = REG_MAX_NAME + 1;
    const LONG result =
        RegEnumKeyEx(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) {
      errors->push_back(ErrorText("cannot list subkeys of " + where, static_cast<DWORD>(result)));
      break;
    }
    subkeys.emplace_back(name, std::min<DWORD>(nameLength, REG_MAX_NAME));
  }
  for (const std::u16string& name : subkeys) {
    const std::u16string subPath = path.empty() ? name : path + u"\\" + name;
    CRegistryKey subkey;
    const LONG result = OpenRegistryKey(subkey, key, name.c_str(), KEY_READ);
    if (result != ERROR_SUCCESS) {
      errors->push_back(ErrorText("cannot open " + root->name + "\\" + Utf8(subPath),
                                  static_cast<DWORD>(result)));
      continue;
    }
    CollectKey(subkey.Get(), subPath, root, errors);
  }
}

template <typename T>
void AppendLittleEndian(Bytes* out, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out->push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
}

Bytes PropertyBytes(const CEPROPVAL& value) {
  Bytes bytes;
  switch (PROPID_TYPE(value.propid)) {
    case CEVT_I2:
    case CEVT_UI2:
      AppendLittleEndian(&bytes, value.val.uiVal);
      break;
    case CEVT_I4:
    case CEVT_UI4:
      AppendLittleEndian(&bytes, value.val.ulVal);
      break;
    case CEVT_FILETIME:
      AppendLittleEndian(&bytes, value.val.filetime.dwLowDateTime);
      AppendLittleEndian(&bytes, value.val.filetime.dwHighDateTime);
      break;
    case CEVT_LPWSTR:
      if (value.val.lpwstr != nullptr) {
        const std::size_t length = wcslen16(value.val.lpwstr);
        for (std::size_t i = 0; i <= length; ++i) AppendLittleEndian(&bytes, value.val.lpwstr[i]);
      }
      break;
    case CEVT_BLOB:
      if (value.val.blob.lpb != nullptr)
        bytes.assign(value.val.blob.lpb, value.val.blob.lpb + value.val.blob.dwCount);
      break;
    default:
      break;
  }
  return bytes;
}

void CollectRecords(Database* database, WORD expectedRecords, std::vector<std::string>* errors) {
  const std::string where = "database " + Utf8(database->name);
  CEOID oid = database->oid;
  KernelHandle db(CeOpenDatabase(&oid, nullptr, 0, 0, nullptr));
  if (!db.valid()) {
    errors->push_back(ErrorText("cannot open " + where, GetLastError()));
    return;
  }
  DWORD index = 0;
  if (CeSeekDatabase(db.get(), CEDB_SEEK_BEGINNING, 0, &index) != 0) {
    RecordBuffer buffer;
    for (;;) {
      WORD count = 0;
      const CEOID record = CeReadRecordProps(db.get(), CEDB_ALLOWREALLOC, &count, nullptr,
                                             buffer.data(), buffer.size());
      if (record == 0) break;
      DatabaseRecord entry;
      entry.oid = record;
      const auto* values = reinterpret_cast<const CEPROPVAL*>(*buffer.data());
      for (WORD i = 0; i < count && values != nullptr; ++i) {
        if (values[i].wFlags & CEDB_PROPNOTFOUND) continue;
        entry.properties.push_back(
            {PROPID_ID(values[i].propid), PROPID_TYPE(values[i].propid), PropertyBytes(values[i])});
      }
      database->records.push_back(std::move(entry));
    }
  }
  // The end of the records and a failed read look alike; the count the
  // store gives for the database tells them apart.
  if (database->records.size() < expectedRecords)
    errors->push_back(ErrorText("cannot read all records of " + where, GetLastError()));
}

void CollectDatabases(DeviceSnapshot* snapshot, std::vector<std::string>* errors) {
  KernelHandle enumerator(CeFindFirstDatabase(0));
  if (!enumerator.valid()) {
    errors->push_back(ErrorText("cannot list databases", GetLastError()));
    return;
  }
  for (;;) {
    const CEOID oid = CeFindNextDatabase(enumerator.get());
    if (oid == 0) {
      const DWORD error = GetLastError();
      if (error != ERROR_NO_MORE_ITEMS && error != ERROR_SUCCESS)
        errors->push_back(ErrorText("cannot list databases", error));
      break;
    }
    CEDBASEINFO info{};
    if (!CeOidGetInfo(oid, &info)) {
      errors->push_back(ErrorText("cannot read database " + std::to_string(oid), GetLastError()));
      continue;
    }
    Database database;
    database.oid = oid;
    std::size_t length = 0;
    while (length < CEDB_MAXDBASENAMELEN && info.szDbaseName[length] != 0) ++length;
    database.name.assign(info.szDbaseName, length);
    database.type = info.dwDbaseType;
    CollectRecords(&database, info.wNumRecords, errors);
    snapshot->databases.push_back(std::move(database));
  }
}

void CollectSystem(DeviceSnapshot* snapshot, std::vector<std::string>* errors) {
  platform::system_password::Record record;
  if (!platform::system_password::Load(&record)) {
    errors->push_back(ErrorText("cannot read the system password state", GetLastError()));
    return;
  }
  snapshot->system.passwordSet = record.set;
  snapshot->system.passwordActive = record.active;
}

// Text for a terminal: UTF-8, with control characters shown as \xNN so a
// stored name can't move the cursor or end a line early.
std::string Printable(std::u16string_view text) {
  std::string out;
  for (const char c : Utf8(text)) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\x%02x", static_cast<unsigned char>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

// The text of a REG_SZ value: UTF-16LE up to its first zero character.
std::u16string StoredString(const Bytes& data) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

std::string DecodedRegistryValue(const RegistryValue& value) {
  if (value.type == REG_DWORD && value.data.size() == 4) {
    const DWORD number = static_cast<DWORD>(value.data[0]) | (value.data[1] << 8) |
                         (value.data[2] << 16) | (static_cast<DWORD>(value.data[3]) << 24);
    return std::to_string(number);
  }
  if ((value.type == REG_SZ || value.type == REG_EXPAND_SZ) && value.data.size() % 2 == 0)
    return "\"" + Printable(StoredString(value.data)) + "\"";
  return {};
}

void WriteRegistryText(const DeviceSnapshot& snapshot, std::ostream& out) {
  out << "[registry]\n";
  for (const RegistryRoot& root : snapshot.roots) {
    if (root.keys.empty()) out << root.name << "  (empty)\n";
    for (const RegistryKey& key : root.keys) {
      const std::string path = root.name + (key.path.empty() ? "" : "\\" + Printable(key.path));
      if (key.values.empty()) out << path << "  (no values)\n";
      for (const RegistryValue& value : key.values) {
        out << path << "  " << (value.name.empty() ? "(default)" : Printable(value.name)) << "  "
            << RegistryTypeName(value.type) << "  " << HexBytes(value.data);
        const std::string decoded = DecodedRegistryValue(value);
        if (!decoded.empty()) out << "  = " << decoded;
        out << '\n';
      }
    }
  }
}

void WriteDatabasesText(const DeviceSnapshot& snapshot, std::ostream& out) {
  out << "\n[databases]\n";
  if (snapshot.databases.empty()) out << "(none)\n";
  for (const Database& database : snapshot.databases) {
    out << Printable(database.name) << "  type " << database.type << "  " << database.records.size()
        << (database.records.size() == 1 ? " record" : " records") << '\n';
    for (std::size_t i = 0; i < database.records.size(); ++i) {
      const DatabaseRecord& record = database.records[i];
      out << "  record " << (i + 1) << '\n';
      for (const DatabaseProperty& property : record.properties)
        out << "    " << property.id << "  " << PropertyTypeName(property.type) << "  "
            << HexBytes(property.data) << '\n';
    }
  }
}

void WriteSystemText(const DeviceSnapshot& snapshot, std::ostream& out) {
  out << "\n[system]\n";
  out << "password set     " << (snapshot.system.passwordSet ? "yes" : "no") << '\n';
  out << "password active  " << (snapshot.system.passwordActive ? "yes" : "no") << '\n';
}

constexpr std::size_t kDelayRecordBytes = 36;

DWORD LittleEndian(const Bytes& data, std::size_t at) {
  return static_cast<DWORD>(data[at]) | (static_cast<DWORD>(data[at + 1]) << 8) |
         (static_cast<DWORD>(data[at + 2]) << 16) | (static_cast<DWORD>(data[at + 3]) << 24);
}

// The delay the module serves for a count of false logons (its square,
// capped as the module caps it).
std::uint64_t DelaySecondsFor(DWORD count) {
  const std::uint64_t square = std::uint64_t{count} * count;
  return square > 0x7FFFFFFFu ? 32766 : square;
}

void WriteLogonText(const LogonState& logon, std::ostream& out) {
  out << "\n[logon]\n";
  out << "retry    ";
  if (logon.hasRetry) {
    out << logon.retry << '\n';
  } else {
    out << "(none)\n";
  }
  out << "PwDelay  ";
  if (!logon.hasDelay) {
    out << "(none)\n";
  } else if (!logon.delayValid) {
    out << "not a delay record (" << logon.delaySize << " bytes)\n";
  } else {
    out << "time " << logon.delayTime << "  count " << logon.delayCount << "  pending "
        << logon.delayPending;
    if (logon.delayPending != 0)
      out << "  (a delay of " << DelaySecondsFor(logon.delayCount) << " s is owed)";
    out << '\n';
  }
}

void WriteLogonJson(const LogonState& logon, JsonWriter& json) {
  json.Key("logon");
  json.BeginObject();
  json.Key("retry");
  if (logon.hasRetry) {
    json.Number(logon.retry);
  } else {
    json.Null();
  }
  json.Key("delay");
  if (logon.delayValid) {
    json.BeginObject();
    json.Key("time");
    json.Number(logon.delayTime);
    json.Key("count");
    json.Number(logon.delayCount);
    json.Key("pending");
    json.Number(logon.delayPending);
    json.EndObject();
  } else {
    json.Null();
  }
  json.EndObject();
}

void WriteBytesJson(JsonWriter& json, DWORD type, const Bytes& data) {
  json.BeginObject();
  json.Key("type");
  json.Number(type);
  json.Key("hex");
  json.String(HexBytes(data));
  json.EndObject();
}

}  // namespace

void CollectSnapshot(DeviceSnapshot* snapshot, std::vector<std::string>* errors) {
  *snapshot = DeviceSnapshot{};
  snapshot->roots = {{"HKLM", HKEY_LOCAL_MACHINE, {}},
                     {"HKCU", HKEY_CURRENT_USER, {}},
                     {"HKCR", HKEY_CLASSES_ROOT, {}}};
  for (RegistryRoot& root : snapshot->roots) CollectKey(root.handle, u"", &root, errors);
  CollectDatabases(snapshot, errors);
  CollectSystem(snapshot, errors);
}

const RegistryValue* FindRegistryValue(const DeviceSnapshot& snapshot, std::string_view rootName,
                                       std::u16string_view path, std::u16string_view name) {
  for (const RegistryRoot& root : snapshot.roots) {
    if (root.name != rootName) continue;
    for (const RegistryKey& key : root.keys) {
      if (!platform::EqualsNoCase(key.path, path)) continue;
      for (const RegistryValue& value : key.values)
        if (platform::EqualsNoCase(value.name, name)) return &value;
    }
  }
  return nullptr;
}

LogonState DecodeLogonState(const DeviceSnapshot& snapshot) {
  LogonState logon;
  if (const RegistryValue* retry =
          FindRegistryValue(snapshot, "HKCU", kSettingsKeyPath, kFalseLogonCountName);
      retry && retry->type == REG_DWORD && retry->data.size() == 4) {
    logon.hasRetry = true;
    logon.retry = LittleEndian(retry->data, 0);
  }
  if (const RegistryValue* delay =
          FindRegistryValue(snapshot, "HKCU", kSettingsKeyPath, kDelayRecordName)) {
    logon.hasDelay = true;
    logon.delaySize = delay->data.size();
    const Bytes& data = delay->data;
    if (data.size() == kDelayRecordBytes && std::memcmp(data.data(), "LRU0", 4) == 0) {
      logon.delayValid = true;
      logon.delayTime = LittleEndian(data, 4);
      logon.delayCount = LittleEndian(data, 8);
      logon.delayPending = LittleEndian(data, 12);
    }
  }
  return logon;
}

void WriteInspectText(const DeviceSnapshot& snapshot, std::ostream& out) {
  WriteRegistryText(snapshot, out);
  WriteDatabasesText(snapshot, out);
  WriteSystemText(snapshot, out);
  const LogonState logon = DecodeLogonState(snapshot);
  if (logon.hasRetry || logon.hasDelay) WriteLogonText(logon, out);
}

void WriteInspectJson(const DeviceSnapshot& snapshot, std::ostream& out) {
  JsonWriter json(out);
  json.BeginObject();
  json.Key("registry");
  json.BeginObject();
  for (const RegistryRoot& root : snapshot.roots) {
    json.Key(root.name);
    json.BeginObject();
    MemberNames paths;
    for (const RegistryKey& key : root.keys) {
      json.Key(paths.Unique(Utf8(key.path)));
      json.BeginObject();
      MemberNames names;
      for (const RegistryValue& value : key.values) {
        json.Key(names.Unique(Utf8(value.name)));
        WriteBytesJson(json, value.type, value.data);
      }
      json.EndObject();
    }
    json.EndObject();
  }
  json.EndObject();

  json.Key("databases");
  json.BeginArray();
  for (const Database& database : snapshot.databases) {
    json.BeginObject();
    json.Key("name");
    json.String(Utf8(database.name));
    json.Key("type");
    json.Number(database.type);
    json.Key("records");
    json.BeginArray();
    for (const DatabaseRecord& record : database.records) {
      json.BeginObject();
      json.Key("props");
      json.BeginObject();
      MemberNames ids;
      for (const DatabaseProperty& property : record.properties) {
        json.Key(ids.Unique(std::to_string(property.id)));
        WriteBytesJson(json, property.type, property.data);
      }
      json.EndObject();
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
  }
  json.EndArray();

  json.Key("system");
  json.BeginObject();
  json.Key("password_set");
  json.Bool(snapshot.system.passwordSet);
  json.Key("password_active");
  json.Bool(snapshot.system.passwordActive);
  json.EndObject();
  const LogonState logon = DecodeLogonState(snapshot);
  if (logon.hasRetry || logon.hasDelay) WriteLogonJson(logon, json);
  json.EndObject();
  out << '\n';
}

std::string HexBytes(const Bytes& data) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(data.size() * 2);
  for (const std::uint8_t byte : data) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}

std::string RegistryTypeName(DWORD type) {
  switch (type) {
    case REG_NONE:
      return "REG_NONE";
    case REG_SZ:
      return "REG_SZ";
    case REG_EXPAND_SZ:
      return "REG_EXPAND_SZ";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    default:
      return "type " + std::to_string(type);
  }
}

std::string PropertyTypeName(WORD type) {
  switch (type) {
    case CEVT_I2:
      return "CEVT_I2";
    case CEVT_I4:
      return "CEVT_I4";
    case CEVT_UI2:
      return "CEVT_UI2";
    case CEVT_UI4:
      return "CEVT_UI4";
    case CEVT_LPWSTR:
      return "CEVT_LPWSTR";
    case CEVT_FILETIME:
      return "CEVT_FILETIME";
    case CEVT_BLOB:
      return "CEVT_BLOB";
    default:
      return "type " + std::to_string(type);
  }
}

}  // namespace pda
