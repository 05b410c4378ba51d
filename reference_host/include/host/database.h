#pragma once
// The books as the host classes see them, whichever database keeps them: a connection, prepared
// statements with bound parameters, rows, transactions as RAII guards that roll back unless
// committed, the named lock, and the schema. Two drivers implement it: an embedded SQLite file
// (sqlite_books.cpp) and a PostgreSQL server (server_books.cpp); `Database::open` picks one from
// the --db value.
//
// Host SQL is plain SQL with '?' placeholders, "dbo.SafeDivide(a, b)" for a quotient that is 0
// when b is 0, and "INSERT ... RETURNING" for generated numbers.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/error.h"
#include "automation/variant.h"

namespace host {

// Text form of a date as the books keep it: "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" with a time.
std::string booksDateText(automation::Date d);

// A number the books hold (a voucher, a movement) as a value for the component: Long when it
// fits in 32 bits, otherwise Double, which holds it exactly (up to 2^53).
automation::Variant booksNumber(int64_t n);

// Whether a --db value names a database server (a postgresql:// or postgres:// URI) rather than
// a SQLite file.
bool isServerLocation(std::string_view location);

// The server driver's form of host SQL: each '?' outside quoted text, quoted names and comments
// becomes $1, $2, ... in order.
std::string serverStatementText(std::string_view sql);

// The server's advisory lock key for a lock name: the 64-bit FNV-1a hash of its UTF-8 bytes, read
// as a signed number.
int64_t serverLockKey(std::string_view name);

// "dbo.SafeDivide(" (any case, outside quoted text) becomes "SafeDivide(", the function the
// SQLite driver registers.
std::string rewriteHostSql(std::string_view sql);

// How a result column reads back: a recordset field's Value type.
enum class ColumnKind { Auto, Long, Double, Currency, Text, Date };

// The kind of a computed result column (no table column under it), by its name in the query:
// MontoTotal and TotalIVA are sums of money (Currency), pComis a percentage (Double); Auto for
// any other name.
ColumnKind computedColumnKind(std::string_view resultName);

// The kind of a SQLite result column from its declared type, its table column name and its name
// in the query (see recordset.h).
ColumnKind columnKindFor(std::string_view declaredType, std::string_view originName,
                         std::string_view resultName);

// What a driver's prepared statement does; Statement owns one.
class StatementDriver {
 public:
  virtual ~StatementDriver() = default;
  virtual int parameterCount() const = 0;
  virtual bool readOnly() const = 0;
  virtual void bind(int index, const automation::Variant& value) = 0;
  virtual void bind(int index, int64_t value) = 0;
  virtual void bind(int index, std::string_view text) = 0;
  virtual void bindNull(int index) = 0;
  virtual bool step() = 0;
  virtual void reset() = 0;
  virtual int64_t changes() const = 0;
  virtual int columnCount() const = 0;
  virtual std::string columnName(int col) const = 0;
  virtual ColumnKind columnKind(int col) const = 0;
  virtual bool isNull(int col) const = 0;
  virtual int64_t columnInt(int col) const = 0;
  virtual double columnDouble(int col) const = 0;
  virtual std::string columnText(int col) const = 0;
  virtual automation::Currency columnCurrency(int col) const = 0;
  virtual automation::Variant value(int col) const = 0;
};

class Statement {
 public:
  explicit Statement(std::unique_ptr<StatementDriver> driver) : driver_(std::move(driver)) {}

  int parameterCount() const { return driver_->parameterCount(); }
  // Whether running it leaves the books as they were.
  bool readOnly() const { return driver_->readOnly(); }
  // Binds parameter `index` (1-based) to a value: Currency exactly, Date as a date, Boolean as
  // 1/0, Empty and Null as NULL. Objects raise error 13.
  void bind(int index, const automation::Variant& value) { driver_->bind(index, value); }
  void bind(int index, int64_t value) { driver_->bind(index, value); }
  void bind(int index, std::string_view text) { driver_->bind(index, text); }
  void bind(int index, const std::string& text) { driver_->bind(index, std::string_view(text)); }
  void bind(int index, const char* text) { driver_->bind(index, std::string_view(text)); }
  void bindNull(int index) { driver_->bindNull(index); }
  // One step; true while a row is available. Raises kDatabase on failure.
  bool step() { return driver_->step(); }
  // Runs a statement whose rows are not wanted.
  void run() {
    while (step()) {
    }
  }
  // Ready to run again; bindings cleared.
  void reset() { driver_->reset(); }
  // Rows the statement changed when it ran.
  int64_t changes() const { return driver_->changes(); }

  int columnCount() const { return driver_->columnCount(); }
  std::string columnName(int col) const { return driver_->columnName(col); }
  ColumnKind columnKind(int col) const { return driver_->columnKind(col); }
  bool isNull(int col) const { return driver_->isNull(col); }
  int64_t columnInt(int col) const { return driver_->columnInt(col); }
  double columnDouble(int col) const { return driver_->columnDouble(col); }
  // The value as the books write it: amounts without trailing zeros, dates as booksDateText.
  std::string columnText(int col) const { return driver_->columnText(col); }
  // A money column read exactly; raises 13 for something that is not an amount.
  automation::Currency columnCurrency(int col) const { return driver_->columnCurrency(col); }
  // The value of the current row's column as a recordset field gives it (by columnKind).
  automation::Variant value(int col) const { return driver_->value(col); }

 private:
  std::unique_ptr<StatementDriver> driver_;
};

// A named lock held by one user of the books at a time, released when this object goes (and by
// the database when its holder dies).
class BooksLock {
 public:
  virtual ~BooksLock() = default;
  BooksLock(const BooksLock&) = delete;
  BooksLock& operator=(const BooksLock&) = delete;
  const std::string& name() const { return name_; }

 protected:
  explicit BooksLock(std::string name) : name_(std::move(name)) {}

 private:
  std::string name_;
};

class Database {
 public:
  // Opens existing books: a SQLite file path or a server URI. A missing file, a server that
  // cannot be reached, or a database without the books' tables raises an automation::Error with
  // a clear description that names the books (never a password); nothing is ever created here.
  static std::shared_ptr<Database> open(const std::string& location);
  // Opens a database for writing new books into: a SQLite file (created when missing) or a
  // server URI (the database must exist).
  static std::shared_ptr<Database> create(const std::string& location);
  virtual ~Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // The books in messages: the file, or user@host:port/database.
  virtual std::string describe() const = 0;
  // What tells these books from others for files kept beside them (printouts): the file's full
  // path, or the server and database.
  virtual std::string identity() const { return describe(); }
  virtual bool readOnly() const = 0;
  // A statement for `sql`, reused from earlier calls with the same text where possible.
  virtual Statement prepare(std::string_view sql) = 0;
  // Several statements, no parameters.
  virtual void exec(std::string_view sql) = 0;
  // Creates every table of the books (in an empty database).
  virtual void createSchema() = 0;
  // Whether the database holds books already (it has the invoices' table).
  virtual bool hasBooks() = 0;
  // After rows were written with their own numbers (an import), the numbers the books generate
  // go on after the highest of them.
  virtual void continueNumbering() {}
  // Checks the structure of the stored books (pages, records, NOT NULL columns) and raises
  // kDatabase naming the books and the first damage found. A server keeps its databases whole
  // itself, so there this does nothing.
  virtual void checkIntegrity() {}
  // Takes the named lock, waiting up to timeoutSeconds; raises kLockTimeout when it stays held
  // elsewhere.
  virtual std::unique_ptr<BooksLock> lock(std::string_view name, double timeoutSeconds) = 0;

  // Whether an explicit transaction (a Transaction guard) is open.
  bool inTransaction() const { return transactionOpen_; }
  // Effects outside the database (printouts) that belong to the open transaction: `onCommit` runs
  // when it commits, `onRollback` when it rolls back. With no transaction open the work is final
  // already, so `onCommit` runs at once.
  void afterOutcome(std::function<void()> onCommit, std::function<void()> onRollback);
  // The failures of `onCommit` effects since last asked: the work they belong to stands.
  std::vector<automation::Error> takeLateFailures() { return std::exchange(lateFailures_, {}); }

 protected:
  Database() = default;
  // The driver's transaction and savepoint statements. Rollbacks never raise.
  virtual void beginWork() = 0;
  virtual void commitWork() = 0;
  virtual void rollbackWork() noexcept = 0;
  virtual void savepoint(const std::string& name) = 0;
  virtual void releaseSavepoint(const std::string& name) = 0;
  virtual void rollbackToSavepoint(const std::string& name) noexcept = 0;
  // Runs the pending effects of the transaction that ended; drivers call it when the connection
  // ends with a transaction open.
  void finishOutcome(bool committed);

 private:
  friend class Transaction;
  friend class Savepoint;
  struct Outcome {
    std::function<void()> onCommit, onRollback;
  };
  bool transactionOpen_ = false;
  std::vector<Outcome> pending_;
  std::vector<automation::Error> lateFailures_;
};

// BEGIN ... COMMIT; the destructor rolls back unless commit() ran.
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

// A nested unit of work; rolled back to unless released. Outside a transaction it is one of its
// own, committed on release.
class Savepoint {
 public:
  explicit Savepoint(Database& db);
  ~Savepoint();
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;
  void release();

 private:
  Database& db_;
  bool active_ = false;
};

}  // namespace host
