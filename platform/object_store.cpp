#include "platform/object_store.h"

#include <pthread.h>
#include <sqlite3.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>
#include <unordered_map>
#include <utility>

#include "platform/errors.h"
#include "platform/faults.h"

namespace platform::object_store {
namespace {

namespace fs = std::filesystem;

// "VEYR": marks a file as ours, so a foreign SQLite file is never touched.
constexpr std::int32_t kApplicationId = 0x56455952;
// Bump with a migration step in Migrate() whenever the schema changes.
constexpr int kSchemaVersion = 1;
// How long a call waits for another process's write to finish.
constexpr int kBusyTimeoutMs = 10000;
// The log's length in pages at which a commit copies it into the main file
// (SQLite's own default).
constexpr int kCheckpointPages = 1000;

// Key ids 1-3 are the three roots, fixed so that no lookup is needed for
// them; their names are only labels for a person reading the file.
constexpr const char* kSchemaV1 = R"sql(
CREATE TABLE reg_key(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER REFERENCES reg_key(id),
  name BLOB NOT NULL,
  folded BLOB NOT NULL);
CREATE UNIQUE INDEX reg_key_child ON reg_key(parent, folded);
INSERT INTO reg_key(id, parent, name, folded) VALUES
  (1, NULL, CAST('HKEY_CLASSES_ROOT' AS BLOB), CAST('HKEY_CLASSES_ROOT' AS BLOB)),
  (2, NULL, CAST('HKEY_CURRENT_USER' AS BLOB), CAST('HKEY_CURRENT_USER' AS BLOB)),
  (3, NULL, CAST('HKEY_LOCAL_MACHINE' AS BLOB), CAST('HKEY_LOCAL_MACHINE' AS BLOB));

CREATE TABLE reg_value(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL REFERENCES reg_key(id) ON DELETE CASCADE,
  name BLOB NOT NULL,
  folded BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL);
CREATE UNIQUE INDEX reg_value_name ON reg_value(key, folded);
CREATE INDEX reg_value_order ON reg_value(key);

CREATE TABLE ce_object(
  oid INTEGER PRIMARY KEY AUTOINCREMENT,
  database INTEGER REFERENCES ce_object(oid) ON DELETE CASCADE,
  name BLOB,
  folded BLOB,
  type INTEGER);
CREATE UNIQUE INDEX ce_database_name ON ce_object(folded) WHERE database IS NULL;
CREATE INDEX ce_record_order ON ce_object(database);

CREATE TABLE ce_prop(
  id INTEGER PRIMARY KEY,
  record INTEGER NOT NULL REFERENCES ce_object(oid) ON DELETE CASCADE,
  propid INTEGER NOT NULL,
  value BLOB NOT NULL);
CREATE UNIQUE INDEX ce_prop_id ON ce_prop(record, propid);
CREATE INDEX ce_prop_order ON ce_prop(record);

CREATE TABLE system_password(
  id INTEGER PRIMARY KEY CHECK (id = 1),
  is_set INTEGER NOT NULL,
  active INTEGER NOT NULL,
  iterations INTEGER NOT NULL,
  salt BLOB NOT NULL,
  hash BLOB NOT NULL);
)sql";

struct CachedStatement {
  sqlite3_stmt* stmt = nullptr;
  bool busy = false;
};

// The batch in progress in this process (see CStoreBatch).
struct Batch {
  int depth = 0;                // open CStoreBatch levels
  bool active = false;          // its transaction is open
  DWORD error = ERROR_SUCCESS;  // why it is not (BEGIN failed, abandoned)
  bool flushPending = false;    // a flush asked for inside it
};

struct Store {
  std::mutex lock;
  sqlite3* db = nullptr;
  std::unordered_map<const char*, CachedStatement> statements;
  Batch batch;
  // Set by a commit that wrote to the log, cleared when Flush syncs it.
  std::atomic<bool> logUnsynced{false};
};

Store& Get() {
  static Store store;
  return store;
}

std::atomic<std::uint64_t> g_generation{1};

// A fork()ed child must not use (or close) its parent's connection: SQLite
// keeps lock state per process. The child sets it aside and may open its
// own; it is kept here, never used, so that it stays a known block rather
// than a lost one.
sqlite3* g_parentConnection = nullptr;

void LockForFork() {
  Get().lock.lock();
}
void UnlockAfterFork() {
  Get().lock.unlock();
}
void DropInChild() {
  Store& s = Get();
  // Not closed: closing it here could disturb the parent's locks.
  if (s.db) g_parentConnection = s.db;
  s.db = nullptr;
  s.statements.clear();
  s.batch = Batch{};
  ++g_generation;
  s.lock.unlock();
}

void RegisterForkHandlers() {
  static std::once_flag once;
  std::call_once(once, [] { pthread_atfork(LockForFork, UnlockAfterFork, DropInChild); });
}

void CloseLocked(Store& s) {
  if (!s.db) return;
  for (auto& [sql, cached] : s.statements) sqlite3_finalize(cached.stmt);
  s.statements.clear();
  sqlite3_close_v2(s.db);
  s.db = nullptr;
  // A batch still open loses its transaction with the connection.
  if (s.batch.active) {
    s.batch.active = false;
    s.batch.error = ERROR_NOT_READY;
  }
  ++g_generation;
}

// Owns a connection until it is handed over to the store.
class PendingConnection {
 public:
  ~PendingConnection() {
    if (db_) sqlite3_close_v2(db_);
  }
  sqlite3** out() { return &db_; }
  sqlite3* get() const { return db_; }
  sqlite3* release() { return std::exchange(db_, nullptr); }

 private:
  sqlite3* db_ = nullptr;
};

std::string Message(sqlite3* db) {
  return db ? sqlite3_errmsg(db) : "out of memory";
}

bool Exec(sqlite3* db, const char* sql, std::string* error) {
  char* message = nullptr;
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    *error = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    return false;
  }
  return true;
}

// The log mode is what lets readers of other processes go on while one
// process writes; a store that can't use it is refused rather than run
// with other locking rules. Switching needs a moment alone with the file,
// and SQLite answers "locked" at once instead of waiting when another
// process is busy with it (two processes creating a new store together),
// so the wait is done here.
bool SwitchToWal(sqlite3* db, std::string* error) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
  for (;;) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA journal_mode = WAL", -1, &stmt, nullptr);
    std::string mode;
    if (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
      mode = text ? text : "";
      rc = SQLITE_OK;
    }
    sqlite3_finalize(stmt);
    const int primary = rc & 0xFF;
    if ((primary == SQLITE_BUSY || primary == SQLITE_LOCKED) &&
        std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    if (rc != SQLITE_OK) {
      *error = Message(db);
      return false;
    }
    if (mode != "wal") {
      *error = "the log mode stays '" + mode + "'";
      return false;
    }
    return true;
  }
}

struct Identity {
  std::int64_t applicationId = 0;
  std::int64_t version = 0;
  std::int64_t objects = 0;  // tables, indexes, ... of any kind
};

// One statement, so one consistent snapshot: read piecemeal, a store being
// created by another process could show its tables without its id.
bool ReadIdentity(sqlite3* db, Identity* id, std::string* error) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db,
                              "SELECT (SELECT application_id FROM pragma_application_id), "
                              "(SELECT user_version FROM pragma_user_version), "
                              "(SELECT count(*) FROM sqlite_schema)",
                              -1, &stmt, nullptr);
  if (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    id->applicationId = sqlite3_column_int64(stmt, 0);
    id->version = sqlite3_column_int64(stmt, 1);
    id->objects = sqlite3_column_int64(stmt, 2);
    rc = SQLITE_OK;
  }
  if (rc != SQLITE_OK) *error = Message(db);
  sqlite3_finalize(stmt);
  return rc == SQLITE_OK;
}

std::string Hex(std::int64_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
  return text;
}

// Empty file: ours to take. Our id: ours. Anything else belongs to someone
// else and is left exactly as it is.
bool Classify(const Identity& id, bool* fresh, std::string* error) {
  *fresh = false;
  if (id.applicationId == kApplicationId) {
    if (id.version > kSchemaVersion) {
      *error = "the object store was made by a newer version (schema " +
               std::to_string(id.version) + ", this build knows up to " +
               std::to_string(kSchemaVersion) + ")";
      return false;
    }
    if (id.version < 1) {
      *error = "the object store is damaged (no schema version)";
      return false;
    }
    return true;
  }
  if (id.applicationId == 0 && id.objects == 0) {
    *fresh = true;
    return true;
  }
  *error = "the file is a SQLite database of another application (application id " +
           Hex(id.applicationId) + ", " + std::to_string(id.objects) +
           " schema objects), not an object store";
  return false;
}

// Steps from an older schema to the current one; none exist yet.
bool Migrate(sqlite3*, std::int64_t from, std::string* error) {
  if (from == kSchemaVersion) return true;
  *error = "no migration from schema " + std::to_string(from);
  return false;
}

bool CreateSchema(sqlite3* db, std::string* error) {
  static const std::string ids = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                                 "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
  return Exec(db, kSchemaV1, error) && Exec(db, ids.c_str(), error);
}

// Rejects files that are not SQLite at all before SQLite sees them, so the
// reason can say so plainly. An empty file is a new store.
bool CheckHeader(const fs::path& file, std::string* error) {
  std::error_code ec;
  if (!fs::exists(file, ec)) return true;
  if (!fs::is_regular_file(file, ec)) {
    *error = "the object store path is not a regular file";
    return false;
  }
  const auto size = fs::file_size(file, ec);
  if (ec) {
    *error = "cannot read the object store: " + ec.message();
    return false;
  }
  if (size == 0) return true;
  static constexpr char kMagic[16] = "SQLite format 3";  // with its terminating zero
  std::array<char, 16> head{};
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *error = "cannot read the object store file";
    return false;
  }
  in.read(head.data(), head.size());
  if (size < 100 || in.gcount() != static_cast<std::streamsize>(head.size()) ||
      std::memcmp(head.data(), kMagic, sizeof kMagic) != 0) {
    *error = "the file is damaged or not an object store (no SQLite database header)";
    return false;
  }
  return true;
}

// Runs after every commit that wrote to the log, with the log's length in
// pages. It takes the place of SQLite's own hook, so it also does what that
// one does: a passive checkpoint once the log is long.
int OnLogCommit(void* store, sqlite3* db, const char* name, int pages) {
  static_cast<Store*>(store)->logUnsynced = true;
  if (pages >= kCheckpointPages)
    sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  return SQLITE_OK;
}

bool OpenLocked(Store& s, const fs::path& file, std::string* error) {
  if (!CheckHeader(file, error)) return false;

  PendingConnection db;
  int rc =
      sqlite3_open_v2(file.c_str(), db.out(),
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    *error = "cannot open the file: " + Message(db.get());
    return false;
  }
  sqlite3_extended_result_codes(db.get(), 1);
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  if (sqlite3_db_readonly(db.get(), "main") == 1) {
    *error = "the object store file is read-only";
    return false;
  }

  // Identify before changing anything, so a foreign file stays untouched.
  Identity id;
  bool fresh = false;
  std::string reason;
  if (!ReadIdentity(db.get(), &id, &reason)) {
    *error = "the file is damaged or not an object store: " + reason;
    return false;
  }
  if (!Classify(id, &fresh, error)) return false;

  if (!SwitchToWal(db.get(), &reason) || !Exec(db.get(), "PRAGMA foreign_keys = ON", &reason) ||
      !Exec(db.get(), "PRAGMA synchronous = NORMAL", &reason)) {
    *error = "cannot set up the object store: " + reason;
    return false;
  }
  sqlite3_wal_hook(db.get(), OnLogCommit, &s);
  // Taking the write lock also proves the folder is writable (the log and
  // the shared-memory file live beside the store). Another process may be
  // creating the same new store: identify again under the lock.
  if (!Exec(db.get(), "BEGIN IMMEDIATE", &reason)) {
    *error = "cannot write to the object store: " + reason;
    return false;
  }
  bool ok = ReadIdentity(db.get(), &id, &reason);
  if (!ok) {
    *error = "the file is damaged: " + reason;
  } else {
    ok = Classify(id, &fresh, error);
    if (ok && fresh && !CreateSchema(db.get(), &reason)) {
      *error = "cannot create the object store: " + reason;
      ok = false;
    } else if (ok && !fresh && !Migrate(db.get(), id.version, error)) {
      ok = false;
    }
  }
  if (ok && !Exec(db.get(), "COMMIT", &reason)) {
    *error = "cannot write to the object store: " + reason;
    ok = false;
  }
  if (!ok) {
    std::string ignored;
    Exec(db.get(), "ROLLBACK", &ignored);
    return false;
  }
  s.db = db.release();
  ++g_generation;
  return true;
}

// Case folding of stored names: ASCII and Latin-1 letters to upper case.
// Kept here, not shared, because folded names are persisted and must not
// change under an existing file.
std::u16string FoldName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
      c = static_cast<char16_t>(c - 0x20);
    } else if (c == 0xFF) {
      c = 0x178;
    }
  }
  return out;
}

// The folded key as stored: big-endian code units, so that byte order is
// code-unit order. (Display names are stored as native code units.)
std::string FoldedKey(std::u16string_view name) {
  std::string key;
  key.reserve(name.size() * 2);
  for (char16_t c : FoldName(name)) {
    key.push_back(static_cast<char>(c >> 8));
    key.push_back(static_cast<char>(c & 0xFF));
  }
  return key;
}

}  // namespace

bool Open(const fs::path& dbFile, std::string* error) {
  std::string localError;
  if (!error) error = &localError;
  error->clear();
  RegisterForkHandlers();
  Store& s = Get();
  std::lock_guard guard(s.lock);
  CloseLocked(s);
  return OpenLocked(s, dbFile, error);
}

void Close() {
  Store& s = Get();
  std::lock_guard guard(s.lock);
  CloseLocked(s);
}

bool IsOpen() {
  Store& s = Get();
  std::lock_guard guard(s.lock);
  return s.db != nullptr;
}

void AbandonBatch() {
  Store& s = Get();
  std::lock_guard guard(s.lock);
  if (!s.batch.active) return;
  sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
  s.batch.active = false;
  s.batch.error = ERROR_CANCELLED;
}

bool CheckIntegrity(std::string* problem) {
  std::string local;
  if (!problem) problem = &local;
  problem->clear();
  Store& s = Get();
  std::lock_guard guard(s.lock);
  if (!s.db) {
    *problem = "no object store is open";
    return false;
  }
  sqlite3_stmt* stmt = nullptr;
  for (const char* sql : {"PRAGMA integrity_check", "PRAGMA foreign_key_check"}) {
    if (sqlite3_prepare_v2(s.db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
      *problem = Message(s.db);
      return false;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
      const std::string row = text ? text : "";
      if (row == "ok") continue;
      if (!problem->empty()) *problem += "; ";
      *problem += std::string(sql) + ": " + row;
    }
    if (rc != SQLITE_DONE && problem->empty()) *problem = Message(s.db);
    sqlite3_finalize(stmt);
  }
  return problem->empty();
}

namespace internal {

Session::Session() : lock_(Get().lock), open_(Get().db != nullptr) {}

DWORD BeginBatch() {
  Store& s = Get();
  std::lock_guard guard(s.lock);
  Batch& b = s.batch;
  if (b.depth++ > 0) return b.active ? ERROR_SUCCESS : b.error;
  b = Batch{1};
  if (!s.db) {
    b.error = ERROR_NOT_READY;
    return b.error;
  }
  const int rc = sqlite3_exec(s.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    b.error = ErrorFromSqlite(rc);
    return b.error;
  }
  b.active = true;
  return ERROR_SUCCESS;
}

DWORD EndBatch(bool commit) {
  Store& s = Get();
  std::lock_guard guard(s.lock);
  Batch& b = s.batch;
  if (b.depth == 0) return ERROR_INVALID_PARAMETER;
  // Any level that gives up gives up the whole batch: its part is mixed
  // into the rest and can't be taken out alone.
  if (!commit && b.active) {
    sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
    b.active = false;
    b.error = ERROR_CANCELLED;
  }
  if (--b.depth > 0) return b.active ? ERROR_SUCCESS : b.error;
  DWORD result = b.active ? ERROR_SUCCESS : b.error;
  bool flush = false;
  if (b.active) {
    platform::faults::WriteStep();
    const int rc = sqlite3_exec(s.db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
      result = ErrorFromSqlite(rc);
      sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
      flush = b.flushPending;
    }
  }
  b = Batch{};
  // The flush asked for inside the batch, now that there is something to sync.
  if (flush) result = Flush();
  return result;
}

std::uint64_t Generation() {
  return g_generation.load();
}

Statement::Statement(const char* sql) {
  Store& s = Get();
  if (!s.db) {
    error_ = ERROR_NOT_READY;
    return;
  }
  CachedStatement& cached = s.statements[sql];
  if (!cached.stmt) {
    const int rc =
        sqlite3_prepare_v3(s.db, sql, -1, SQLITE_PREPARE_PERSISTENT, &cached.stmt, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(cached.stmt);
      cached.stmt = nullptr;
      Fail(rc);
      return;
    }
  }
  // The same SQL in use twice at once (a nested use) gets its own
  // statement rather than disturbing the first.
  if (cached.busy) {
    sqlite3_stmt* own = nullptr;
    const int rc = sqlite3_prepare_v2(s.db, sql, -1, &own, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(own);
      Fail(rc);
      return;
    }
    stmt_ = own;
    owned_ = true;
    return;
  }
  cached.busy = true;
  stmt_ = cached.stmt;
  sql_ = sql;
}

Statement::~Statement() {
  if (!stmt_) return;
  if (owned_) {
    sqlite3_finalize(stmt_);
    return;
  }
  Reset();
  Store& s = Get();
  auto it = s.statements.find(sql_);
  if (it != s.statements.end()) it->second.busy = false;
}

void Statement::Reset() {
  if (!stmt_) return;
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

void Statement::Fail(int rc) {
  if (error_ == ERROR_SUCCESS) error_ = ErrorFromSqlite(rc);
}

void Statement::Bind(int index, std::int64_t value) {
  if (!stmt_) return;
  const int rc = sqlite3_bind_int64(stmt_, index, value);
  if (rc != SQLITE_OK) Fail(rc);
}

void Statement::Bind(int index, std::span<const BYTE> bytes) {
  if (!stmt_) return;
  // A null pointer would bind NULL; an empty value is a zero-length blob.
  const int rc = bytes.empty() ? sqlite3_bind_zeroblob(stmt_, index, 0)
                               : sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(),
                                                     SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) Fail(rc);
}

void Statement::BindName(int index, std::u16string_view name) {
  Bind(index, {reinterpret_cast<const BYTE*>(name.data()), name.size() * sizeof(char16_t)});
}

void Statement::BindFolded(int index, std::u16string_view name) {
  const std::string key = FoldedKey(name);
  Bind(index, {reinterpret_cast<const BYTE*>(key.data()), key.size()});
}

Statement::Step Statement::Next() {
  if (!stmt_ || error_ != ERROR_SUCCESS) {
    if (error_ == ERROR_SUCCESS) error_ = ERROR_NOT_READY;
    return Step::kError;
  }
  // Statements that change the file are the crash tests' kill points
  // (commits are counted where they are made).
  if (!sqlite3_stmt_readonly(stmt_) && sqlite3_stmt_busy(stmt_) == 0) platform::faults::WriteStep();
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return Step::kRow;
  if (rc == SQLITE_DONE) return Step::kDone;
  Fail(rc);
  return Step::kError;
}

DWORD Statement::Row(DWORD none) {
  switch (Next()) {
    case Step::kRow:
      return ERROR_SUCCESS;
    case Step::kDone:
      return none;
    case Step::kError:
      break;
  }
  return error_;
}

DWORD Statement::Finish() {
  Step step;
  while ((step = Next()) == Step::kRow) {
  }
  return step == Step::kError ? error_ : ERROR_SUCCESS;
}

std::int64_t Statement::Int(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::span<const BYTE> Statement::Blob(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  const int size = sqlite3_column_bytes(stmt_, column);
  if (!data || size <= 0) return {};
  return {static_cast<const BYTE*>(data), static_cast<std::size_t>(size)};
}

std::u16string Statement::Name(int column) const {
  const std::span<const BYTE> bytes = Blob(column);
  std::u16string name(bytes.size() / sizeof(char16_t), u'\0');
  if (!name.empty()) std::memcpy(name.data(), bytes.data(), name.size() * sizeof(char16_t));
  return name;
}

Transaction::Transaction(Kind kind) {
  const Batch& batch = Get().batch;
  if (batch.active) {
    Statement savepoint("SAVEPOINT veyr_call");
    if (savepoint.Next() == Statement::Step::kError) {
      error_ = savepoint.error();
      return;
    }
    active_ = true;
    savepoint_ = true;
    return;
  }
  // The writes of a batch that was rolled back must not be stored one by
  // one: they were meant only together.
  if (batch.depth > 0 && kind == Kind::kWrite) {
    error_ = batch.error;
    return;
  }
  Statement begin(kind == Kind::kWrite ? "BEGIN IMMEDIATE" : "BEGIN");
  if (begin.Next() == Statement::Step::kError) {
    error_ = begin.error();
    return;
  }
  active_ = true;
}

Transaction::~Transaction() {
  if (!active_) return;
  if (savepoint_) {
    Statement rollback("ROLLBACK TO veyr_call");
    rollback.Next();
    Statement release("RELEASE veyr_call");
    release.Next();
    return;
  }
  Statement rollback("ROLLBACK");
  rollback.Next();
}

DWORD Transaction::Commit() {
  if (!active_) return error_ != ERROR_SUCCESS ? error_ : ERROR_NOT_READY;
  if (savepoint_) {
    Statement release("RELEASE veyr_call");
    if (release.Next() == Statement::Step::kError) return release.error();
    active_ = false;
    return ERROR_SUCCESS;
  }
  platform::faults::WriteStep();
  Statement commit("COMMIT");
  if (commit.Next() == Statement::Step::kError) return commit.error();  // rolled back later
  active_ = false;
  return ERROR_SUCCESS;
}

DWORD Flush() {
  Store& s = Get();
  if (!s.db) return ERROR_NOT_READY;
  // Nothing of a batch is in the log yet: it is flushed once committed.
  if (s.batch.active) {
    s.batch.flushPending = true;
    return ERROR_SUCCESS;
  }
  // Every committed call is in the log already: syncing the log makes them
  // all durable, with one disk sync. A checkpoint would sync the log and
  // then the main file, and the next write would sync the log's header
  // again when it starts the log over: three syncs for every flush. The
  // commit hook copies the log into the main file every 1000 pages.
  sqlite3_file* log = nullptr;
  const int rc = sqlite3_file_control(s.db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log);
  if (rc != SQLITE_OK) return ErrorFromSqlite(rc);
  // No log open: nothing was written through it. Nothing committed since
  // the last flush: nothing to sync.
  if (log == nullptr || log->pMethods == nullptr || !s.logUnsynced.exchange(false))
    return ERROR_SUCCESS;
  const DWORD synced = ErrorFromSqlite(log->pMethods->xSync(log, SQLITE_SYNC_NORMAL));
  if (synced != ERROR_SUCCESS) s.logUnsynced = true;
  return synced;
}

DWORD ErrorFromSqlite(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ERROR_BUSY;
    case SQLITE_NOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
      return ERROR_WRITE_FAULT;
    case SQLITE_IOERR:
      return rc == SQLITE_IOERR_READ || rc == SQLITE_IOERR_SHORT_READ ? ERROR_READ_FAULT
                                                                      : ERROR_WRITE_FAULT;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return ERROR_FILE_CORRUPT;
    case SQLITE_FULL:
      return ERROR_DISK_FULL;
    case SQLITE_CANTOPEN:
      return ERROR_CANTOPEN;
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
      return ERROR_INVALID_PARAMETER;
    default:
      return ERROR_BADDB;
  }
}

}  // namespace internal
}  // namespace platform::object_store
