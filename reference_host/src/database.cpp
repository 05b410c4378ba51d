#include "host/database.h"

#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <system_error>
#include <utility>

#include "automation/error.h"
#include "host/errors.h"
#include "text/text.h"

namespace host {

using automation::Currency;
using automation::Date;
using automation::Variant;
using automation::VarType;

void raiseHost(int32_t number, std::string description) {
  throw automation::Error(number, kErrorSource, std::move(description));
}

namespace {

[[noreturn]] void raiseSqlite(sqlite3* db, std::string_view what) {
  std::string text = "books: ";
  text += db ? sqlite3_errmsg(db) : "out of memory";
  if (!what.empty()) {
    text += " (";
    text += what.substr(0, 120);
    if (what.size() > 120) text += "...";
    text += ")";
  }
  raiseHost(hosterr::kDatabase, text);
}

// SafeDivide(a, b): a / b as a real number; 0 when b is 0; NULL when either side is NULL.
void safeDivide(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  double divisor = sqlite3_value_double(argv[1]);
  if (divisor == 0.0) {
    sqlite3_result_double(ctx, 0.0);
    return;
  }
  sqlite3_result_double(ctx, sqlite3_value_double(argv[0]) / divisor);
}

sqlite3* openConnection(const std::filesystem::path& path, int flags) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    raiseHost(hosterr::kDatabase, "cannot open the books " + path.string() + ": " + msg);
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, 5000);
  // Reads of long invoice lists go through memory-mapped pages and a larger page cache.
  sqlite3_exec(db, "PRAGMA mmap_size = 268435456; PRAGMA cache_size = -16384", nullptr, nullptr,
               nullptr);
  sqlite3_create_function_v2(db, "SafeDivide", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                             &safeDivide, nullptr, nullptr, nullptr);
  return db;
}

// Whether "dbo." (any case) occurs anywhere: almost no statement has it, and those pass as they are.
bool mayHaveHostToken(std::string_view sql) {
  for (size_t dot = sql.find('.', 3); dot != std::string_view::npos; dot = sql.find('.', dot + 1))
    if (text::startsWithNoCase(sql.substr(dot - 3), "dbo.")) return true;
  return false;
}

bool wordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

}  // namespace

std::string rewriteHostSql(std::string_view sql) {
  static constexpr std::string_view kToken = "dbo.safedivide(";
  if (!mayHaveHostToken(sql)) return std::string(sql);
  std::string out;
  out.reserve(sql.size());
  size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    if (c == '\'' || c == '"' || c == '[' || c == '`') {
      // Quoted text or identifier: copied as is up to its closing quote.
      char close = c == '[' ? ']' : c;
      size_t end = sql.find(close, i + 1);
      while (end != std::string_view::npos && close != ']' && end + 1 < sql.size() &&
             sql[end + 1] == close)
        end = sql.find(close, end + 2);  // doubled quote inside the text
      size_t stop = end == std::string_view::npos ? sql.size() : end + 1;
      out.append(sql.substr(i, stop - i));
      i = stop;
      continue;
    }
    const bool atWordStart = i == 0 || !wordChar(sql[i - 1]);
    if (atWordStart && (c == 'd' || c == 'D') && text::startsWithNoCase(sql.substr(i), kToken)) {
      out += "SafeDivide(";
      i += kToken.size();
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

std::string booksDateText(Date d) {
  char buf[32];
  if (d.hasTime()) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(), d.day(),
                  d.hour(), d.minute(), d.second());
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year(), d.month(), d.day());
  }
  return buf;
}

// ---- Statement ----

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, &tail);
  if (rc != SQLITE_OK) raiseSqlite(db, sql);
  if (!stmt_) raiseHost(hosterr::kDatabase, "books: the statement is empty");
  // One statement per call: text after it (other than blanks, a ';' and comments) is refused, so
  // nothing can ride along behind a statement.
  std::string_view rest(tail, sql.data() + sql.size() - tail);
  while (!rest.empty()) {
    if (std::isspace(static_cast<unsigned char>(rest.front())) || rest.front() == ';') {
      rest.remove_prefix(1);
    } else if (rest.starts_with("--")) {
      size_t nl = rest.find('\n');
      rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
    } else if (rest.starts_with("/*")) {
      size_t end = rest.find("*/");
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
    } else {
      sqlite3_finalize(stmt_);
      stmt_ = nullptr;
      raiseHost(hosterr::kDatabase, "books: only one statement per call is accepted (" +
                                        std::string(sql.substr(0, 120)) + ")");
    }
  }
}

Statement::Statement(sqlite3* db, std::string sql, const std::shared_ptr<StatementCache>& cache)
    : db_(db), cache_(cache) {
  stmt_ = cache->take(sql);
  if (!stmt_) *this = Statement(db, sql);
  cache_ = cache;
  cacheKey_ = std::move(sql);
}

Statement::Statement(Statement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)),
      stmt_(std::exchange(other.stmt_, nullptr)),
      cache_(std::move(other.cache_)),
      cacheKey_(std::move(other.cacheKey_)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    release();
    db_ = std::exchange(other.db_, nullptr);
    stmt_ = std::exchange(other.stmt_, nullptr);
    cache_ = std::move(other.cache_);
    cacheKey_ = std::move(other.cacheKey_);
  }
  return *this;
}

Statement::~Statement() { release(); }

void Statement::release() {
  if (!stmt_) return;
  if (auto cache = cache_.lock()) {
    cache->giveBack(std::move(cacheKey_), std::exchange(stmt_, nullptr));
  } else {
    sqlite3_finalize(std::exchange(stmt_, nullptr));
  }
  cache_.reset();
}

// ---- StatementCache ----

StatementCache::~StatementCache() { clear(); }

sqlite3_stmt* StatementCache::take(const std::string& sql) {
  auto it = kept_.find(sql);
  if (it == kept_.end()) return nullptr;
  sqlite3_stmt* stmt = it->second;
  kept_.erase(it);
  return stmt;
}

void StatementCache::giveBack(std::string sql, sqlite3_stmt* stmt) {
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  if (kept_.size() >= kMaxKept || kept_.contains(sql)) {
    sqlite3_finalize(stmt);
    return;
  }
  kept_.emplace(std::move(sql), stmt);
}

void StatementCache::clear() {
  for (auto& [sql, stmt] : kept_) sqlite3_finalize(stmt);
  kept_.clear();
}

int Statement::parameterCount() const { return sqlite3_bind_parameter_count(stmt_); }
bool Statement::readOnly() const { return sqlite3_stmt_readonly(stmt_) != 0; }

void Statement::bind(int index, const Variant& value) {
  int rc = SQLITE_OK;
  switch (value.type()) {
    case VarType::Empty:
    case VarType::Missing:
    case VarType::Null:
      rc = sqlite3_bind_null(stmt_, index);
      break;
    case VarType::Integer:
      rc = sqlite3_bind_int64(stmt_, index, value.asInteger());
      break;
    case VarType::Long:
      rc = sqlite3_bind_int64(stmt_, index, value.asLong());
      break;
    case VarType::Double:
      rc = sqlite3_bind_double(stmt_, index, value.asDouble());
      break;
    case VarType::Currency: {
      int64_t raw = value.asCurrency().raw();
      if (raw % Currency::kScale == 0) {
        rc = sqlite3_bind_int64(stmt_, index, raw / Currency::kScale);
      } else {
        // Correctly rounded quotient: the nearest real to the four-decimal amount, which reads
        // back (and compares) as that same amount.
        rc = sqlite3_bind_double(stmt_, index,
                                 static_cast<double>(raw) / static_cast<double>(Currency::kScale));
      }
      break;
    }
    case VarType::String: {
      const std::string& s = value.asString();
      rc = sqlite3_bind_text(stmt_, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
      break;
    }
    case VarType::Date: {
      std::string s = booksDateText(value.asDate());
      rc = sqlite3_bind_text(stmt_, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
      break;
    }
    case VarType::Boolean:
      rc = sqlite3_bind_int64(stmt_, index, value.asBoolean() ? 1 : 0);
      break;
    case VarType::Object:
      throw automation::Error(automation::err::kTypeMismatch, kErrorSource,
                              "an object cannot be a parameter of a statement (parameter " +
                                  std::to_string(index) + ")");
  }
  if (rc != SQLITE_OK) raiseSqlite(db_, "binding parameter " + std::to_string(index));
}

void Statement::bind(int index, int64_t value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) raiseSqlite(db_, "binding");
}

void Statement::bind(int index, std::string_view text) {
  if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK)
    raiseSqlite(db_, "binding");
}

void Statement::bindNull(int index) {
  if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) raiseSqlite(db_, "binding");
}

bool Statement::step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  std::string sql = sqlite3_sql(stmt_) ? sqlite3_sql(stmt_) : "";
  sqlite3_reset(stmt_);
  raiseSqlite(db_, sql);
}

void Statement::run() {
  while (step()) {
  }
}

void Statement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }
bool Statement::isNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }
int64_t Statement::columnInt(int col) const { return sqlite3_column_int64(stmt_, col); }
double Statement::columnDouble(int col) const { return sqlite3_column_double(stmt_, col); }

std::string Statement::columnText(int col) const {
  const unsigned char* p = sqlite3_column_text(stmt_, col);
  int n = sqlite3_column_bytes(stmt_, col);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

Currency Statement::columnCurrency(int col) const {
  switch (sqlite3_column_type(stmt_, col)) {
    case SQLITE_INTEGER:
      return Currency::fromInteger(sqlite3_column_int64(stmt_, col));
    case SQLITE_FLOAT:
      return Currency::fromDouble(sqlite3_column_double(stmt_, col));
    case SQLITE_NULL:
      return Currency();
    default: {
      std::string text = columnText(col);
      if (auto c = automation::parseCurrency(text)) return *c;
      throw automation::Error(automation::err::kTypeMismatch, kErrorSource,
                              std::string("the books hold '") + text + "' in the money column " +
                                  sqlite3_column_name(stmt_, col) + ", which is not an amount");
    }
  }
}

// ---- Database ----

std::shared_ptr<Database> Database::open(const std::filesystem::path& path) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status))
    raiseHost(hosterr::kDatabase, "the books file " + path.string() +
                                      " does not exist (use --init-demo to create demo books)");
  if (!std::filesystem::is_regular_file(status))
    raiseHost(hosterr::kDatabase, "the books file " + path.string() + " is not a regular file");
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fclose(f);
  } else {
    raiseHost(hosterr::kDatabase,
              "the books file " + path.string() + " cannot be read: " + std::strerror(errno));
  }
  sqlite3* raw = openConnection(path, SQLITE_OPEN_READWRITE);
  std::shared_ptr<Database> db(new Database(raw, path));
  try {
    // Reading the schema is the first real read: a file that is not a database fails here.
    Statement st(raw, "SELECT name FROM sqlite_master WHERE type = 'table'");
    std::vector<std::string> tables;
    while (st.step()) tables.push_back(st.columnText(0));
    for (const char* required :
         {"empresa", "vendedores", "clientes", "bancos", "Facturas", "comprobantes",
          "comprobante_lineas", "cuenta_vendedor", "movimientos_banco", "movimientos_caja"}) {
      bool found = false;
      for (const auto& t : tables) found = found || sqlite3_stricmp(t.c_str(), required) == 0;
      if (!found)
        raiseHost(hosterr::kDatabase, "the file " + path.string() +
                                          " is not a set of books: it has no table " + required);
    }
    if (!db->readOnly()) db->exec("PRAGMA journal_mode = WAL; PRAGMA foreign_keys = ON;");
  } catch (const automation::Error& e) {
    if (e.number() == hosterr::kDatabase && e.description().starts_with("books: "))
      raiseHost(hosterr::kDatabase, "the books file " + path.string() +
                                        " cannot be used: " + e.description().substr(7));
    throw;
  }
  return db;
}

std::shared_ptr<Database> Database::create(const std::filesystem::path& path) {
  sqlite3* raw = openConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  std::shared_ptr<Database> db(new Database(raw, path));
  db->exec("PRAGMA foreign_keys = ON;");
  return db;
}

Database::~Database() {
  // An open transaction dies with the connection: its external effects are undone too.
  if (transactionOpen_) finishOutcome(false);
  cache_->clear();
  cache_.reset();
  sqlite3_close_v2(db_);
}

bool Database::readOnly() const { return sqlite3_db_readonly(db_, "main") == 1; }

void Database::exec(std::string_view sql) {
  std::string text = rewriteHostSql(sql);
  char* err = nullptr;
  if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : sqlite3_errmsg(db_);
    sqlite3_free(err);
    raiseHost(hosterr::kDatabase, "books: " + msg);
  }
}

int64_t Database::lastInsertId() const { return sqlite3_last_insert_rowid(db_); }
int Database::changes() const { return sqlite3_changes(db_); }

void Database::afterOutcome(std::function<void()> onCommit, std::function<void()> onRollback) {
  if (!transactionOpen_) {
    if (onCommit) onCommit();
    return;
  }
  pending_.push_back({std::move(onCommit), std::move(onRollback)});
}

void Database::finishOutcome(bool committed) {
  auto work = std::exchange(pending_, {});
  transactionOpen_ = false;
  for (auto& o : work) {
    auto& fn = committed ? o.onCommit : o.onRollback;
    if (!fn) continue;
    try {
      fn();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "tessaline-host: %s\n", e.what());
    }
  }
}

// ---- Transaction ----

Transaction::Transaction(Database& db) : db_(db) {
  if (db_.transactionOpen_) raiseHost(hosterr::kTransactionState, "a transaction is already open");
  db_.exec("BEGIN IMMEDIATE");
  db_.transactionOpen_ = true;
  active_ = true;
}

Transaction::~Transaction() {
  if (active_) rollback();
}

void Transaction::commit() {
  if (!active_) raiseHost(hosterr::kTransactionState, "no transaction is open");
  try {
    db_.exec("COMMIT");
  } catch (...) {
    rollback();
    throw;
  }
  active_ = false;
  db_.finishOutcome(true);
}

void Transaction::rollback() {
  if (!active_) return;
  active_ = false;
  if (!sqlite3_get_autocommit(db_.handle())) {
    sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
  db_.finishOutcome(false);
}

// ---- Savepoint ----

Savepoint::Savepoint(Database& db) : db_(db), name_("host_unit") {
  db_.exec("SAVEPOINT " + name_);
  active_ = true;
}

Savepoint::~Savepoint() {
  if (!active_) return;
  sqlite3_exec(db_.handle(), ("ROLLBACK TO " + name_ + "; RELEASE " + name_).c_str(), nullptr,
               nullptr, nullptr);
}

void Savepoint::release() {
  db_.exec("RELEASE " + name_);
  active_ = false;
}

}  // namespace host
