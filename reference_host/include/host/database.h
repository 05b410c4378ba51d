#pragma once
// The books: one SQLite connection, prepared statements with bound parameters, and transactions
// as RAII guards that roll back unless committed.
//
// Host SQL is the SQLite dialect with one addition: the database function dbo.SafeDivide(a, b)
// (a / b as a real number, 0 when b is 0) is written "dbo.SafeDivide(" in queries; the host
// rewrites that token to its registered SQL function SafeDivide before preparing.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "automation/variant.h"

struct sqlite3;
struct sqlite3_stmt;

namespace host {

// "dbo.SafeDivide(" (any case, outside quoted text) becomes "SafeDivide(".
std::string rewriteHostSql(std::string_view sql);

// Text form of a date as the books keep it: "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" with a time.
std::string booksDateText(automation::Date d);

// Prepared statements kept for reuse, by their SQL text. Processing a cut runs the same few
// statements once per invoice; preparing each anew would cost more than running it.
class StatementCache {
 public:
  StatementCache() = default;
  ~StatementCache();
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;

  // A kept statement for this text, or nullptr (the caller prepares a new one).
  sqlite3_stmt* take(const std::string& sql);
  // Gives a statement back: reset, its bindings cleared, and kept (or finalized when one for that
  // text is already kept or the cache is full).
  void giveBack(std::string sql, sqlite3_stmt* stmt);
  void clear();

 private:
  static constexpr size_t kMaxKept = 64;
  std::unordered_map<std::string, sqlite3_stmt*> kept_;
};

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);  // raises kDatabase when it does not prepare
  // A statement that goes back to `cache` (when it still exists) instead of being finalized.
  Statement(sqlite3* db, std::string sql, const std::shared_ptr<StatementCache>& cache);
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement();

  int parameterCount() const;
  bool readOnly() const;
  // Binds parameter `index` (1-based) to a value. Currency binds as its exact value (a whole number
  // as an integer, otherwise the nearest real, which reads back to the same four decimals), Date
  // as its books text, Boolean as 1/0, Empty and Null as NULL. Objects raise error 13.
  void bind(int index, const automation::Variant& value);
  void bind(int index, int64_t value);
  void bind(int index, std::string_view text);
  void bind(int index, const std::string& text) { bind(index, std::string_view(text)); }
  void bind(int index, const char* text) { bind(index, std::string_view(text)); }
  void bindNull(int index);
  // One step; true while a row is available. Raises kDatabase on failure.
  bool step();
  // Runs a statement that returns no rows (or whose rows are not wanted).
  void run();
  void reset();

  sqlite3_stmt* handle() const { return stmt_; }
  int columnCount() const;
  bool isNull(int col) const;
  int64_t columnInt(int col) const;
  double columnDouble(int col) const;
  std::string columnText(int col) const;
  // A money column read exactly (integer, real or decimal text); raises 13 for other text.
  automation::Currency columnCurrency(int col) const;

 private:
  void release();

  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
  std::weak_ptr<StatementCache> cache_;
  std::string cacheKey_;
};

class Database {
 public:
  // Opens existing books for reading and writing. A missing file, or one that is not a database
  // with the books' tables, raises an automation::Error with a clear description; nothing is
  // ever created here.
  static std::shared_ptr<Database> open(const std::filesystem::path& path);
  // Opens (creating it) a file for building new books; used by the demo writer.
  static std::shared_ptr<Database> create(const std::filesystem::path& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  sqlite3* handle() const { return db_; }
  const std::filesystem::path& path() const { return path_; }
  bool readOnly() const;

  // A statement for `sql`, reused from earlier calls with the same text where possible.
  Statement prepare(std::string_view sql) { return Statement(db_, rewriteHostSql(sql), cache_); }
  void exec(std::string_view sql);  // several statements, no parameters
  int64_t lastInsertId() const;
  int changes() const;

  // Whether an explicit transaction (a Transaction guard) is open.
  bool inTransaction() const { return transactionOpen_; }
  // Effects outside the database (printouts) that belong to the open transaction: `onCommit` runs
  // when it commits, `onRollback` when it rolls back. With no transaction open the work is final
  // already, so `onCommit` runs at once.
  void afterOutcome(std::function<void()> onCommit, std::function<void()> onRollback);

 private:
  friend class Transaction;
  Database(sqlite3* db, std::filesystem::path path) : db_(db), path_(std::move(path)) {}
  void finishOutcome(bool committed);

  struct Outcome {
    std::function<void()> onCommit, onRollback;
  };
  sqlite3* db_ = nullptr;
  std::filesystem::path path_;
  std::shared_ptr<StatementCache> cache_ = std::make_shared<StatementCache>();
  bool transactionOpen_ = false;
  std::vector<Outcome> pending_;
};

// BEGIN IMMEDIATE ... COMMIT; the destructor rolls back unless commit() ran.
class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void commit();
  void rollback();
  bool active() const { return active_; }

 private:
  Database& db_;
  bool active_ = false;
};

// A nested unit of work (SAVEPOINT); rolled back to unless released. Outside a transaction it
// commits on release.
class Savepoint {
 public:
  explicit Savepoint(Database& db);
  ~Savepoint();
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;
  void release();

 private:
  Database& db_;
  std::string name_;
  bool active_ = false;
};

}  // namespace host
