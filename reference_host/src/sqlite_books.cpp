// The books in one SQLite file: a connection with the SafeDivide function, statements kept for
// reuse by their text, values read by the columns' declared types, BEGIN IMMEDIATE transactions
// and the lock file beside the books.

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "automation/error.h"
#include "drivers.h"
#include "host/errors.h"
#include "host/named_lock.h"
#include "text/text.h"

namespace host {

using automation::Currency;
using automation::Date;
using automation::Variant;
using automation::VarType;

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

// Whether "dbo." (any case) occurs anywhere: almost no statement has it, and those pass as they
// are.
bool mayHaveHostToken(std::string_view sql) {
  for (size_t dot = sql.find('.', 3); dot != std::string_view::npos; dot = sql.find('.', dot + 1))
    if (text::startsWithNoCase(sql.substr(dot - 3), "dbo.")) return true;
  return false;
}

bool wordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.';
}

// Prepared statements kept for reuse, by their SQL text. Processing a cut runs the same few
// statements once per invoice; preparing each anew would cost more than running it.
class StatementCache {
 public:
  StatementCache() = default;
  ~StatementCache() { clear(); }
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;

  // A kept statement for this text, or nullptr (the caller prepares a new one).
  sqlite3_stmt* take(const std::string& sql) {
    auto it = kept_.find(sql);
    if (it == kept_.end()) return nullptr;
    sqlite3_stmt* stmt = it->second;
    kept_.erase(it);
    return stmt;
  }
  // Gives a statement back: reset, its bindings cleared, and kept (or finalized when one for that
  // text is already kept or the cache is full).
  void giveBack(std::string sql, sqlite3_stmt* stmt) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (kept_.size() >= kMaxKept || kept_.contains(sql)) {
      sqlite3_finalize(stmt);
      return;
    }
    kept_.emplace(std::move(sql), stmt);
  }
  void clear() {
    for (auto& [sql, stmt] : kept_) sqlite3_finalize(stmt);
    kept_.clear();
  }

 private:
  static constexpr size_t kMaxKept = 64;
  std::unordered_map<std::string, sqlite3_stmt*> kept_;
};

// Prepares exactly one statement: text after it (other than blanks, a ';' and comments) is
// refused, so nothing can ride along behind a statement.
sqlite3_stmt* prepareOne(sqlite3* db, std::string_view sql) {
  const char* tail = nullptr;
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt, &tail);
  if (rc != SQLITE_OK) raiseSqlite(db, sql);
  if (!stmt) raiseHost(hosterr::kDatabase, "books: the statement is empty");
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
      sqlite3_finalize(stmt);
      raiseHost(hosterr::kDatabase, "books: only one statement per call is accepted (" +
                                        std::string(sql.substr(0, 120)) + ")");
    }
  }
  return stmt;
}

class SqliteStatement final : public StatementDriver {
 public:
  SqliteStatement(sqlite3* db, std::string sql, const std::shared_ptr<StatementCache>& cache)
      : db_(db), stmt_(cache->take(sql)), cache_(cache), cacheKey_(std::move(sql)) {
    if (!stmt_) stmt_ = prepareOne(db, cacheKey_);
  }
  ~SqliteStatement() override {
    if (auto cache = cache_.lock()) {
      cache->giveBack(std::move(cacheKey_), stmt_);
    } else {
      sqlite3_finalize(stmt_);
    }
  }
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  int parameterCount() const override { return sqlite3_bind_parameter_count(stmt_); }
  bool readOnly() const override { return sqlite3_stmt_readonly(stmt_) != 0; }

  void bind(int index, const Variant& value) override {
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
          rc = sqlite3_bind_double(
              stmt_, index, static_cast<double>(raw) / static_cast<double>(Currency::kScale));
        }
        break;
      }
      case VarType::String: {
        const std::string& s = value.asString();
        rc =
            sqlite3_bind_text(stmt_, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        break;
      }
      case VarType::Date: {
        std::string s = booksDateText(value.asDate());
        rc =
            sqlite3_bind_text(stmt_, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
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
  void bind(int index, int64_t value) override {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) raiseSqlite(db_, "binding");
  }
  void bind(int index, std::string_view text) override {
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
      raiseSqlite(db_, "binding");
  }
  void bindNull(int index) override {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) raiseSqlite(db_, "binding");
  }

  bool step() override {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) {
      changes_ = sqlite3_stmt_readonly(stmt_) ? 0 : sqlite3_changes64(db_);
      return false;
    }
    std::string sql = sqlite3_sql(stmt_) ? sqlite3_sql(stmt_) : "";
    sqlite3_reset(stmt_);
    raiseSqlite(db_, sql);
  }
  void reset() override {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  int64_t changes() const override { return changes_; }

  int columnCount() const override { return sqlite3_column_count(stmt_); }
  std::string columnName(int col) const override {
    const char* name = sqlite3_column_name(stmt_, col);
    return name ? name : "";
  }
  ColumnKind columnKind(int col) const override {
    if (kinds_.empty()) readKinds();  // apart, so that every value's read stays small
    return kinds_[static_cast<size_t>(col)];
  }
  bool isNull(int col) const override { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }
  int64_t columnInt(int col) const override { return sqlite3_column_int64(stmt_, col); }
  double columnDouble(int col) const override { return sqlite3_column_double(stmt_, col); }
  std::string columnText(int col) const override {
    const unsigned char* p = sqlite3_column_text(stmt_, col);
    int n = sqlite3_column_bytes(stmt_, col);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n))
             : std::string();
  }
  Currency columnCurrency(int col) const override {
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

  Variant value(int col) const override {
    // One column call, then the value's own accessors (the connection is used by one thread).
    sqlite3_value* v = sqlite3_column_value(stmt_, col);
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL) return Variant::null();
    switch (columnKind(col)) {
      case ColumnKind::Currency:
        // Money is stored as REAL (or INTEGER), read with the type already fetched; text in a
        // money column is parsed, or refused.
        if (type == SQLITE_FLOAT)
          return Variant(Currency::fromDouble(sqlite3_value_double(v)));
        if (type == SQLITE_INTEGER)
          return Variant(Currency::fromInteger(sqlite3_value_int64(v)));
        return Variant(columnCurrency(col));
      case ColumnKind::Date:
        if (type == SQLITE_TEXT) {
          std::string_view text(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                static_cast<size_t>(sqlite3_value_bytes(v)));
          if (auto d = Date::parseIso(text)) return Variant(*d);
          throw automation::Error(automation::err::kTypeMismatch, kErrorSource,
                                  "the books hold '" + std::string(text) + "' in the date column " +
                                      columnName(col) + ", which is not a date (YYYY-MM-DD)");
        }
        break;
      case ColumnKind::Double:
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
          return Variant(sqlite3_value_double(v));
        break;
      default:
        break;
    }
    switch (type) {
      case SQLITE_INTEGER: {
        const int64_t n = sqlite3_value_int64(v);
        if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max())
          return Variant(static_cast<int32_t>(n));
        return Variant(static_cast<double>(n));
      }
      case SQLITE_FLOAT:
        return Variant(sqlite3_value_double(v));
      default: {
        const unsigned char* p = sqlite3_value_text(v);
        if (!p) return Variant(std::string());
        return Variant(std::string(reinterpret_cast<const char*>(p),
                                   static_cast<size_t>(sqlite3_value_bytes(v))));
      }
    }
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_;
  std::weak_ptr<StatementCache> cache_;
  std::string cacheKey_;
  int64_t changes_ = 0;
  mutable std::vector<ColumnKind> kinds_;

  void readKinds() const {
    int n = sqlite3_column_count(stmt_);
    kinds_.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      const char* decl = sqlite3_column_decltype(stmt_, i);
      const char* origin = sqlite3_column_origin_name(stmt_, i);
      kinds_.push_back(columnKindFor(decl ? decl : "", origin ? origin : "", columnName(i)));
    }
  }
};

class SqliteDatabase final : public Database {
 public:
  SqliteDatabase(sqlite3* db, std::filesystem::path path) : db_(db), path_(std::move(path)) {}
  ~SqliteDatabase() override {
    // An open transaction dies with the connection: its external effects are undone too.
    if (inTransaction()) finishOutcome(false);
    cache_->clear();
    cache_.reset();
    sqlite3_close_v2(db_);
  }

  std::string describe() const override { return path_.string(); }
  std::string identity() const override {
    std::error_code ec;
    const auto full = std::filesystem::weakly_canonical(path_, ec);
    return ec ? std::filesystem::absolute(path_, ec).string() : full.string();
  }
  bool readOnly() const override { return sqlite3_db_readonly(db_, "main") == 1; }
  Statement prepare(std::string_view sql) override {
    return Statement(std::make_unique<SqliteStatement>(db_, rewriteHostSql(sql), cache_));
  }
  void exec(std::string_view sql) override {
    std::string text = rewriteHostSql(sql);
    char* err = nullptr;
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string msg = err ? err : sqlite3_errmsg(db_);
      sqlite3_free(err);
      raiseHost(hosterr::kDatabase, "books: " + msg);
    }
  }
  void createSchema() override;
  bool hasBooks() override {
    auto st = prepare(
        "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'Facturas' COLLATE NOCASE");
    return st.step();
  }
  std::unique_ptr<BooksLock> lock(std::string_view name, double timeoutSeconds) override {
    return std::make_unique<NamedLock>(path_, name, timeoutSeconds);
  }
  void checkIntegrity() override;

  // Fails with a clear description unless the file is a database with every books table.
  void requireBooks();

 protected:
  void beginWork() override { exec("BEGIN IMMEDIATE"); }
  void commitWork() override { exec("COMMIT"); }
  void rollbackWork() noexcept override {
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void savepoint(const std::string& name) override { exec("SAVEPOINT " + name); }
  void releaseSavepoint(const std::string& name) override { exec("RELEASE " + name); }
  void rollbackToSavepoint(const std::string& name) noexcept override {
    sqlite3_exec(db_, ("ROLLBACK TO " + name + "; RELEASE " + name).c_str(), nullptr, nullptr,
                 nullptr);
  }

 private:
  sqlite3* db_;
  std::filesystem::path path_;
  std::shared_ptr<StatementCache> cache_ = std::make_shared<StatementCache>();
};

void SqliteDatabase::requireBooks() {
  try {
    // Reading the schema is the first real read: a file that is not a database fails here.
    auto st = prepare("SELECT name FROM sqlite_master WHERE type = 'table'");
    std::vector<std::string> tables;
    while (st.step()) tables.push_back(st.columnText(0));
    for (const char* required :
         {"empresa", "vendedores", "clientes", "bancos", "Facturas", "comprobantes",
          "comprobante_lineas", "cuenta_vendedor", "movimientos_banco", "movimientos_caja"}) {
      bool found = false;
      for (const auto& t : tables) found = found || sqlite3_stricmp(t.c_str(), required) == 0;
      if (!found)
        raiseHost(hosterr::kDatabase, "the file " + path_.string() +
                                          " is not a set of books: it has no table " + required);
    }
    if (!readOnly()) exec("PRAGMA journal_mode = WAL; PRAGMA foreign_keys = ON;");
  } catch (const automation::Error& e) {
    if (e.number() != hosterr::kDatabase || !e.description().starts_with("books: ")) throw;
    // Books kept with a write-ahead log cannot even be read without writing beside them.
    if (readOnly())
      raiseHost(hosterr::kDatabase,
                "the books file " + path_.string() +
                    " is read-only for this user: the host needs to write to it "
                    "and to create files beside it");
    raiseHost(hosterr::kDatabase,
              "the books file " + path_.string() + " cannot be used: " + e.description().substr(7));
  }
}

void SqliteDatabase::checkIntegrity() {
  std::string damage;
  size_t problems = 0;
  try {
    auto st = prepare("PRAGMA quick_check(10)");
    // One problem a line; a row may hold several, after a "*** in database main ***" heading. Rows
    // that break a CHECK rule are not damage of the file: the import names each such row itself.
    while (st.step()) {
      const std::string row = st.columnText(0);
      for (size_t at = 0, end; at < row.size(); at = end + 1) {
        end = std::min(row.find('\n', at), row.size());
        const std::string line = row.substr(at, end - at);
        if (line.empty() || line == "ok" || line.starts_with("*** ") || line.starts_with("CHECK constraint failed"))
          continue;
        if (problems++ == 0) damage = line;
      }
    }
  } catch (const automation::Error& e) {
    if (problems++ == 0)
      damage = e.description().starts_with("books: ") ? e.description().substr(7) : e.description();
  }
  if (problems == 0) return;
  raiseHost(hosterr::kDatabase, "the books file " + path_.string() + " is damaged (" + damage +
                                    (problems > 1 ? ", and more" : "") +
                                    "); restore it from a copy");
}

void SqliteDatabase::createSchema() {
  Savepoint unit(*this);
  exec(R"sql(
CREATE TABLE empresa (id INTEGER PRIMARY KEY CHECK (id = 1), nombre TEXT NOT NULL,
  MascaraMonetarios TEXT NOT NULL,
  PComisVenta1 NUMERIC, PComisVenta2 NUMERIC, PComisVenta3 NUMERIC,
  PComisCobranza1 NUMERIC, PComisCobranza2 NUMERIC, PComisCobranza3 NUMERIC,
  CuentaGastosComisiones TEXT NOT NULL, CuentaCaja TEXT NOT NULL,
  CuentaVendedores TEXT NOT NULL);
-- Codes as the windows look them up: in capitals, without blanks at either end.
CREATE TABLE vendedores (codigo TEXT PRIMARY KEY CONSTRAINT codigo_en_mayusculas CHECK (codigo = upper(trim(codigo))),
  nombre TEXT NOT NULL);
CREATE TABLE clientes (codigo TEXT PRIMARY KEY, nombre TEXT NOT NULL);
CREATE TABLE bancos (codigo TEXT PRIMARY KEY CONSTRAINT codigo_en_mayusculas CHECK (codigo = upper(trim(codigo))),
  nombre TEXT NOT NULL, cuenta TEXT NOT NULL,
  proximo_cheque INTEGER NOT NULL DEFAULT 1);
-- The component holds invoice numbers in 32 bits.
CREATE TABLE Facturas (Numero INTEGER PRIMARY KEY
    CONSTRAINT numero_de_factura_de_1_a_2147483647 CHECK (Numero BETWEEN 1 AND 2147483647),
  Serie TEXT NOT NULL, Correlativo INTEGER NOT NULL,
  FechaTransaccion TEXT NOT NULL, CodigoCliente TEXT NOT NULL, nombreCliente TEXT NOT NULL,
  codigoVendedor TEXT NOT NULL
    CONSTRAINT vendedor_en_mayusculas CHECK (codigoVendedor = upper(trim(codigoVendedor))),
  PrecioEfectivo NUMERIC NOT NULL, Impuesto1 NUMERIC NOT NULL,
  Impuesto2 NUMERIC NOT NULL, Saldo NUMERIC NOT NULL, Comision NUMERIC NOT NULL,
  ComisionAcreditada INTEGER NOT NULL DEFAULT 0);
CREATE TABLE comprobantes (numero INTEGER PRIMARY KEY, fecha TEXT NOT NULL,
  referencia TEXT NOT NULL, descripcion TEXT NOT NULL);
CREATE TABLE comprobante_lineas (comprobante INTEGER NOT NULL REFERENCES comprobantes,
  linea INTEGER NOT NULL, cuenta TEXT NOT NULL, descripcion TEXT NOT NULL, monto NUMERIC NOT NULL,
  PRIMARY KEY (comprobante, linea));
CREATE TABLE cuenta_vendedor (id INTEGER PRIMARY KEY, tipo INTEGER NOT NULL, vendedor TEXT NOT NULL,
  codigo TEXT NOT NULL, fecha TEXT NOT NULL, descripcion TEXT NOT NULL, monto NUMERIC NOT NULL,
  comprobante INTEGER REFERENCES comprobantes);
CREATE TABLE movimientos_banco (numero INTEGER PRIMARY KEY, banco TEXT NOT NULL, tipo INTEGER NOT NULL,
  fecha TEXT NOT NULL, descripcion TEXT NOT NULL, beneficiario TEXT NOT NULL, monto NUMERIC NOT NULL,
  referencia TEXT NOT NULL, fecha_valor TEXT NOT NULL, comprobante INTEGER REFERENCES comprobantes,
  impreso INTEGER NOT NULL DEFAULT 0);
CREATE TABLE movimientos_caja (numero INTEGER PRIMARY KEY, tipo INTEGER NOT NULL, fecha TEXT NOT NULL,
  monto NUMERIC NOT NULL, descripcion TEXT NOT NULL, codigo TEXT NOT NULL, vendedor TEXT NOT NULL,
  beneficiario TEXT NOT NULL, enviado INTEGER NOT NULL DEFAULT 0);
CREATE INDEX facturas_vendedor_fecha ON Facturas (codigoVendedor, FechaTransaccion);
)sql");
  unit.release();
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

ColumnKind columnKindFor(std::string_view declaredType, std::string_view originName,
                         std::string_view resultName) {
  using text::containsNoCase;
  if (declaredType.empty()) return computedColumnKind(resultName);
  // SQLite's affinity rules, with dates and money recognised first.
  if (containsNoCase(declaredType, "DATE") || containsNoCase(declaredType, "TIME"))
    return ColumnKind::Date;
  if (containsNoCase(declaredType, "INT")) return ColumnKind::Long;
  if (containsNoCase(declaredType, "CHAR") || containsNoCase(declaredType, "CLOB") ||
      containsNoCase(declaredType, "TEXT")) {
    std::string_view name = originName.empty() ? resultName : originName;
    return text::startsWithNoCase(name, "fecha") ? ColumnKind::Date : ColumnKind::Text;
  }
  if (containsNoCase(declaredType, "REAL") || containsNoCase(declaredType, "FLOA") ||
      containsNoCase(declaredType, "DOUB"))
    return ColumnKind::Double;
  if (containsNoCase(declaredType, "NUMERIC") || containsNoCase(declaredType, "DECIMAL") ||
      containsNoCase(declaredType, "MONEY"))
    return ColumnKind::Currency;
  return ColumnKind::Auto;
}

std::shared_ptr<Database> openSqliteBooks(const std::filesystem::path& path) {
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
  auto db = std::make_shared<SqliteDatabase>(openConnection(path, SQLITE_OPEN_READWRITE), path);
  db->requireBooks();
  return db;
}

std::shared_ptr<Database> createSqliteBooks(const std::filesystem::path& path) {
  auto db = std::make_shared<SqliteDatabase>(
      openConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), path);
  db->exec("PRAGMA foreign_keys = ON;");
  return db;
}

}  // namespace host
