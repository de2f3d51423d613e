// The object store of the device: one SQLite file holding the registry, the
// databases and the system-password record. One connection per process;
// every registry or database call is one transaction on it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "platform/windef.h"

struct sqlite3_stmt;

namespace platform::object_store {

// Opens (creating when missing) the object store file for this process.
// False with a readable reason in *error for a damaged or foreign file
// (never a crash), or an unwritable folder.
bool Open(const std::filesystem::path& dbFile, std::string* error);
void Close();  // closes the connection; registry/database handles become invalid
bool IsOpen();

// Full consistency check of the open file (SQLite's integrity check plus
// our own cross-references). True when sound; otherwise *problem says what
// is wrong. For tests and the host's inspection.
bool CheckIntegrity(std::string* problem);

// Rolls back the batch in progress (store_batch.h), if any: its writes are
// undone and it can no longer commit. A modal box calls this before it
// shows, so the write lock is never held while a person reads a message.
void AbandonBatch();

// What follows is for the platform's own registry, database and
// system-password code.
namespace internal {

// Serialises the threads of the process on the one connection for the
// length of one public call. `open()` is false when no store is open (or
// the one inherited over fork() was dropped); the caller then fails with
// ERROR_NOT_READY.
class Session {
 public:
  Session();
  ~Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  bool open() const { return open_; }

 private:
  std::unique_lock<std::mutex> lock_;
  bool open_ = false;
};

// A cached prepared statement, keyed by the address of its SQL text (pass a
// string literal). Bindings and state are reset when the object goes away.
class Statement {
 public:
  enum class Step { kRow, kDone, kError };

  explicit Statement(const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Indexes are 1-based for binds, 0-based for columns, as in SQLite.
  void Bind(int index, std::int64_t value);
  void Bind(int index, std::span<const BYTE> bytes);  // always a blob, never NULL
  // A stored name: as given (for display), or as its case-folded key (for
  // lookups; see FoldName in object_store.cpp).
  void BindName(int index, std::u16string_view name);
  void BindFolded(int index, std::u16string_view name);
  Step Next();
  // Steps to the one row a lookup or an INSERT ... RETURNING expects:
  // ERROR_SUCCESS on a row, `none` when there is none, the error otherwise.
  DWORD Row(DWORD none);
  // Steps a change (which may return rows) to its end.
  DWORD Finish();
  std::int64_t Int(int column) const;
  bool IsNull(int column) const;
  std::span<const BYTE> Blob(int column) const;  // valid until the next Next()
  std::u16string Name(int column) const;         // a name bound with BindName
  // Ends the use early (before a Commit, or to run the same SQL again).
  void Reset();
  // The platform error for a failed prepare/bind/step (ERROR_SUCCESS when
  // none happened).
  DWORD error() const { return error_; }

 private:
  void Fail(int rc);
  sqlite3_stmt* stmt_ = nullptr;
  const char* sql_ = nullptr;  // cache key of a cached statement
  bool owned_ = false;         // a private statement for a nested use
  DWORD error_ = 0;
};

// One batch of calls (CStoreBatch): the outermost begins one write
// transaction that every call until its end joins. BeginBatch always
// counts a level, so every BeginBatch is paired with one EndBatch. EndBatch
// with `commit` false rolls back the whole batch. The result of the
// outermost EndBatch is ERROR_SUCCESS only when everything was committed.
DWORD BeginBatch();
DWORD EndBatch(bool commit);

// One transaction: a write takes the write lock at once (BEGIN IMMEDIATE),
// waiting up to the busy timeout for other processes. Rolls back unless
// committed. Inside a batch it is a savepoint of the batch's transaction,
// so a failing call still leaves nothing of itself behind; in a batch that
// was rolled back, a write fails with the batch's error.
class Transaction {
 public:
  enum class Kind { kRead, kWrite };
  explicit Transaction(Kind kind);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  DWORD error() const { return error_; }  // nonzero when BEGIN failed
  DWORD Commit();

 private:
  bool active_ = false;
  bool savepoint_ = false;
  DWORD error_ = 0;
};

// Runs `work` (returning a platform error) in one transaction, committed
// when it succeeds. Its statements are gone before the commit.
template <typename Work>
DWORD InTransaction(Transaction::Kind kind, Work work) {
  Transaction tx(kind);
  if (tx.error()) return tx.error();
  const DWORD result = work();
  return result == ERROR_SUCCESS ? tx.Commit() : result;
}

// Changes with every Open/Close (and in a forked child): handles made under
// another generation are stale.
std::uint64_t Generation();

// Makes the committed state durable on disk (checkpoints the log).
DWORD Flush();

// Platform error code for a SQLite result code.
DWORD ErrorFromSqlite(int rc);

}  // namespace internal
}  // namespace platform::object_store
