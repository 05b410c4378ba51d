// The books on a PostgreSQL server through libpq: one connection per host, statements prepared
// once per text and run with every value bound as text of the parameter's type (money exact,
// never through a double), rows read as text, BEGIN/COMMIT/ROLLBACK on that connection, and the
// named lock as a session-level advisory lock. A connection that drops is opened again before
// the next statement, but only when nothing rode on it (no transaction, no lock).

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <unordered_map>
#include <utility>

#include "automation/error.h"
#include "drivers.h"
#include "host/errors.h"
#include "text/text.h"

namespace host {

using automation::Currency;
using automation::Date;
using automation::Variant;
using automation::VarType;

namespace {

// Built-in type OIDs (fixed in every server).
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kOid = 26, kFloat4 = 700,
              kFloat8 = 701, kBpchar = 1042, kVarchar = 1043, kDate = 1082, kTimestamp = 1114,
              kTimestampTz = 1184, kNumeric = 1700;

struct ConnectionCloser {
  void operator()(PGconn* c) const noexcept { PQfinish(c); }
};
struct ResultClearer {
  void operator()(PGresult* r) const noexcept { PQclear(r); }
};
using Connection = std::unique_ptr<PGconn, ConnectionCloser>;
using Result = std::unique_ptr<PGresult, ResultClearer>;

// libpq's messages as one line.
std::string oneLine(std::string_view message) {
  std::string out;
  bool gap = false;
  for (char c : message) {
    if (c == '\n' || c == '\r' || c == '\t') {
      gap = true;
      continue;
    }
    if (gap && !out.empty()) out += out.back() == ':' || out.back() == '.' ? " " : "; ";
    gap = false;
    out += c;
  }
  return out;
}

std::string shortSql(std::string_view sql) {
  std::string s(sql.substr(0, 120));
  if (sql.size() > 120) s += "...";
  return s;
}

bool isInteger(Oid t) {
  return t == kInt2 || t == kInt4 || t == kInt8 || t == kOid;
}
bool isTemporal(Oid t) {
  return t == kDate || t == kTimestamp || t == kTimestampTz;
}

[[noreturn]] void mismatch(int index, const std::string& what) {
  throw automation::Error(automation::err::kTypeMismatch, kErrorSource,
                          "parameter " + std::to_string(index) + " of the statement: " + what);
}

std::string shortestText(double d) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, r.ptr);
}

// A value as the text of a parameter of type `type`; nullopt for NULL.
std::optional<std::string> parameterText(const Variant& v, Oid type, int index) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Missing:
    case VarType::Null:
      return std::nullopt;
    case VarType::Boolean:
      if (type == kBool) return v.asBoolean() ? "true" : "false";
      return v.asBoolean() ? "1" : "0";
    case VarType::Integer:
    case VarType::Long: {
      const int64_t n = v.type() == VarType::Integer ? v.asInteger() : v.asLong();
      if (type == kBool) return n != 0 ? "true" : "false";
      if (isTemporal(type)) mismatch(index, "a number does not stand for a date");
      return std::to_string(n);
    }
    case VarType::Double: {
      const double d = v.asDouble();
      if (isTemporal(type)) mismatch(index, "a number does not stand for a date");
      if (isInteger(type)) {
        if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > 9.2e18)
          mismatch(index, shortestText(d) + " is not a whole number");
        return std::to_string(static_cast<int64_t>(d));
      }
      if (type == kNumeric && !std::isfinite(d))
        mismatch(index, shortestText(d) + " is not an amount");
      return shortestText(d);
    }
    case VarType::Currency: {
      const Currency c = v.asCurrency();
      if (isTemporal(type)) mismatch(index, "an amount does not stand for a date");
      if (isInteger(type)) {
        if (c.raw() % Currency::kScale != 0)
          mismatch(index, c.toString() + " is not a whole number");
        return std::to_string(c.raw() / Currency::kScale);
      }
      return c.toString();
    }
    case VarType::String:
      return v.asString();
    case VarType::Date:
      if (isInteger(type) || type == kNumeric || type == kFloat4 || type == kFloat8)
        mismatch(index, "a date does not stand for a number");
      return booksDateText(v.asDate());
    case VarType::Object:
      break;
  }
  throw automation::Error(
      automation::err::kTypeMismatch, kErrorSource,
      "an object cannot be a parameter of a statement (parameter " + std::to_string(index) + ")");
}

ColumnKind serverColumnKind(Oid type, bool computed, std::string_view name) {
  if (computed) {
    const ColumnKind byName = computedColumnKind(name);
    if (byName != ColumnKind::Auto) return byName;
  }
  switch (type) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
      return ColumnKind::Long;
    case kFloat4:
    case kFloat8:
      return ColumnKind::Double;
    case kNumeric:
      // A table's money column is exact; a computed quotient or product may have any scale.
      return computed ? ColumnKind::Double : ColumnKind::Currency;
    case kDate:
    case kTimestamp:
    case kTimestampTz:
      return ColumnKind::Date;
    case kText:
    case kVarchar:
    case kBpchar:
      return ColumnKind::Text;
    default:
      return ColumnKind::Auto;
  }
}

// "30.1100" -> "30.11", "1000.0000" -> "1000": amounts as the books write them.
std::string trimmedAmount(std::string text) {
  if (text.find('.') == std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

// The server's text of an amount with at most four decimals ("-1234.5600"), read straight into
// Currency; nullopt for anything else (more decimals, NaN, out of range), which the general
// reader takes.
std::optional<Currency> plainAmount(std::string_view t) {
  const bool negative = !t.empty() && t.front() == '-';
  if (negative) t.remove_prefix(1);
  const size_t dot = t.find('.');
  const std::string_view whole = t.substr(0, dot),
                         fraction = dot == std::string_view::npos ? "" : t.substr(dot + 1);
  if (whole.empty() || whole.size() > 14 || fraction.size() > 4) return std::nullopt;
  int64_t raw = 0;
  for (char c : whole) {
    if (c < '0' || c > '9') return std::nullopt;
    raw = raw * 10 + (c - '0');
  }
  for (size_t i = 0; i < 4; ++i) {
    const char c = i < fraction.size() ? fraction[i] : '0';
    if (c < '0' || c > '9') return std::nullopt;
    raw = raw * 10 + (c - '0');
  }
  return Currency::fromRaw(negative ? -raw : raw);
}

struct Column {
  std::string name;
  Oid type;
  ColumnKind kind;
};

// A statement prepared on the server, kept by its host SQL text.
struct Prepared {
  std::string sql;   // the host's text, for messages
  std::string name;  // the server's name for it
  std::vector<Oid> parameters;
  std::vector<Column> columns;
  bool readOnly = false;
  uint64_t generation = 0;  // the connection it was prepared on
};

class ServerDatabase;

class ServerLock final : public BooksLock {
 public:
  ServerLock(std::shared_ptr<ServerDatabase> db, std::string name, int64_t key, uint64_t generation)
      : BooksLock(std::move(name)), db_(std::move(db)), key_(key), generation_(generation) {}
  ~ServerLock() override;

 private:
  std::shared_ptr<ServerDatabase> db_;
  int64_t key_;
  uint64_t generation_;
};

class ServerDatabase final : public Database, public std::enable_shared_from_this<ServerDatabase> {
 public:
  explicit ServerDatabase(const std::string& uri);
  ~ServerDatabase() override {
    // An open transaction dies with the connection: its external effects are undone too.
    if (inTransaction()) finishOutcome(false);
  }

  std::string describe() const override { return server_; }
  std::string identity() const override { return server_.substr(0, server_.find(", user ")); }
  bool readOnly() const override { return readOnly_; }
  Statement prepare(std::string_view sql) override;
  void exec(std::string_view sql) override { command(sql); }
  void createSchema() override;
  bool hasBooks() override {
    auto st = prepare("SELECT to_regclass('facturas') IS NOT NULL");
    return st.step() && st.columnText(0) == "t";
  }
  std::unique_ptr<BooksLock> lock(std::string_view name, double timeoutSeconds) override;
  void continueNumbering() override {
    for (const char* table :
         {"comprobantes", "movimientos_banco", "movimientos_caja", "cuenta_vendedor"}) {
      const std::string column = std::string_view(table) == "cuenta_vendedor" ? "id" : "numero";
      command("SELECT setval(pg_get_serial_sequence('" + std::string(table) + "', '" + column +
              "'), " + "(SELECT coalesce(max(" + column + "), 0) + 1 FROM " + table + "), false)");
    }
  }

  void requireBooks();
  // Runs a prepared statement with its values (nullptr for NULL); raises when it fails.
  Result run(Prepared& p, const std::vector<const char*>& values) {
    Result r = send(p, values);
    check(r, p.sql);
    return r;
  }
  // The same, with a failure left in the result.
  Result send(Prepared& p, const std::vector<const char*>& values);
  // Releases an advisory lock taken on connection `generation` (nothing when that connection is
  // gone: the server freed it then). Never raises.
  void unlock(int64_t key, uint64_t generation) noexcept;

 protected:
  void beginWork() override {
    ensureConnected();
    command("BEGIN");
  }
  void commitWork() override;
  void rollbackWork() noexcept override {
    quietly("ROLLBACK");
    afterTransaction();
  }
  void savepoint(const std::string& name) override;
  void releaseSavepoint(const std::string& name) override;
  void rollbackToSavepoint(const std::string& name) noexcept override;

 private:
  bool connected() const { return PQstatus(conn_.get()) == CONNECTION_OK; }
  // Whether work that must not outlive this connection rides on it.
  bool holding() const { return inTransaction() || !units_.empty() || locksHeld_ > 0; }
  void ensureConnected();
  void startSession();
  void prepareOnServer(Prepared& p);
  // The statement prepared for this host SQL on the current connection.
  std::shared_ptr<Prepared> preparedFor(std::string_view sql);
  // Raises for a failed result; `sql` names the statement.
  void check(const Result& r, std::string_view sql);
  [[noreturn]] void raiseFailure(std::string_view message, std::string_view sql);
  Result command(std::string_view sql);
  void quietly(const char* sql) noexcept;
  void afterTransaction() noexcept;

  Connection conn_;
  std::string server_;
  bool readOnly_ = false;
  uint64_t generation_ = 1;
  uint64_t named_ = 0;
  std::unordered_map<std::string, std::shared_ptr<Prepared>> prepared_;
  std::vector<bool> units_;  // each open Savepoint: whether it began a transaction of its own
  int locksHeld_ = 0;
  std::vector<int64_t> unlockAfterTransaction_;

  friend class ServerLock;
};

// ---- Statement ----

class ServerStatement final : public StatementDriver {
 public:
  ServerStatement(std::shared_ptr<ServerDatabase> db, std::shared_ptr<Prepared> p)
      : db_(std::move(db)),
        p_(std::move(p)),
        values_(p_->parameters.size()),
        set_(p_->parameters.size(), false) {}

  int parameterCount() const override { return static_cast<int>(p_->parameters.size()); }
  bool readOnly() const override { return p_->readOnly; }
  void bind(int index, const Variant& value) override {
    set(index, parameterText(value, p_->parameters[slot(index)], index));
  }
  void bind(int index, int64_t value) override { set(index, std::to_string(value)); }
  void bind(int index, std::string_view text) override { set(index, std::string(text)); }
  void bindNull(int index) override { set(index, std::nullopt); }

  bool step() override {
    if (!result_) {
      std::vector<const char*> values(values_.size());
      for (size_t i = 0; i < values_.size(); ++i)
        values[i] = set_[i] ? values_[i].c_str() : nullptr;
      result_ = db_->run(*p_, values);
      rows_ = PQntuples(result_.get());
      row_ = 0;
      const char* changed = PQcmdTuples(result_.get());
      changes_ = p_->readOnly || !*changed ? 0 : std::atoll(changed);
    } else if (row_ < rows_) {
      ++row_;
    }
    return row_ < rows_;
  }
  void reset() override {
    result_.reset();
    row_ = rows_ = 0;
    std::fill(set_.begin(), set_.end(), false);
  }
  int64_t changes() const override { return changes_; }

  int columnCount() const override { return static_cast<int>(p_->columns.size()); }
  std::string columnName(int col) const override {
    return p_->columns[static_cast<size_t>(col)].name;
  }
  ColumnKind columnKind(int col) const override {
    return p_->columns[static_cast<size_t>(col)].kind;
  }
  bool isNull(int col) const override { return PQgetisnull(result_.get(), row_, col) != 0; }
  int64_t columnInt(int col) const override {
    std::string_view t = raw(col);
    int64_t n = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), n);
    if (r.ec == std::errc() && r.ptr == t.data() + t.size()) return n;
    return static_cast<int64_t>(columnDouble(col));
  }
  double columnDouble(int col) const override {
    std::string_view t = raw(col);
    double d = 0;
    std::from_chars(t.data(), t.data() + t.size(), d);
    return d;
  }
  std::string columnText(int col) const override {
    std::string t(raw(col));
    const Oid type = p_->columns[static_cast<size_t>(col)].type;
    if (type == kNumeric) return trimmedAmount(std::move(t));
    if (isTemporal(type) && t.size() == 19 && t.ends_with(" 00:00:00")) t.resize(10);
    return t;
  }
  Currency columnCurrency(int col) const override {
    if (isNull(col)) return Currency();
    std::string_view t = raw(col);
    if (auto c = plainAmount(t)) return *c;
    if (auto c = automation::parseCurrency(t)) return *c;
    throw automation::Error(automation::err::kTypeMismatch, kErrorSource,
                            "the books hold '" + std::string(t) + "' in the money column " +
                                columnName(col) + ", which is not an amount");
  }
  Variant value(int col) const override {
    if (isNull(col)) return Variant::null();
    switch (columnKind(col)) {
      case ColumnKind::Currency:
        return Variant(columnCurrency(col));
      case ColumnKind::Long: {
        const int64_t n = columnInt(col);
        if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max())
          return Variant(static_cast<int32_t>(n));
        return Variant(static_cast<double>(n));
      }
      case ColumnKind::Double:
        return Variant(columnDouble(col));
      case ColumnKind::Date: {
        std::string_view t = raw(col);
        if (auto d = Date::parseIso(t)) return Variant(*d);
        throw automation::Error(automation::err::kTypeMismatch, kErrorSource,
                                "the books hold '" + std::string(t) + "' in the date column " +
                                    columnName(col) + ", which is not a date the host can show");
      }
      default:
        if (p_->columns[static_cast<size_t>(col)].type == kBool) return Variant(raw(col) == "t");
        return Variant(std::string(raw(col)));
    }
  }

 private:
  size_t slot(int index) const {
    if (index < 1 || static_cast<size_t>(index) > values_.size())
      raiseHost(hosterr::kDatabase, "books: the statement has no parameter " +
                                        std::to_string(index) + " (" + shortSql(p_->sql) + ")");
    return static_cast<size_t>(index - 1);
  }
  void set(int index, std::optional<std::string> text) {
    const size_t i = slot(index);
    set_[i] = text.has_value();
    values_[i] = text ? std::move(*text) : std::string();
  }
  std::string_view raw(int col) const {
    return {PQgetvalue(result_.get(), row_, col),
            static_cast<size_t>(PQgetlength(result_.get(), row_, col))};
  }

  std::shared_ptr<ServerDatabase> db_;
  std::shared_ptr<Prepared> p_;
  std::vector<std::string> values_;
  std::vector<bool> set_;
  Result result_;
  int row_ = 0, rows_ = 0;
  int64_t changes_ = 0;
};

// ---- Connection ----

ServerDatabase::ServerDatabase(const std::string& uri) {
  const char* keys[] = {"dbname", "fallback_application_name", "client_encoding", nullptr};
  const char* values[] = {uri.c_str(), "tessaline-host", "UTF8", nullptr};
  conn_.reset(PQconnectdbParams(keys, values, 1));
  if (!conn_) raiseHost(hosterr::kDatabase, "cannot connect to the books server: out of memory");
  // The server as messages name it: never the URI, which may carry a password.
  const char* host = PQhost(conn_.get());
  const char* port = PQport(conn_.get());
  const char* db = PQdb(conn_.get());
  const char* user = PQuser(conn_.get());
  server_ = std::string(host && *host ? host : "localhost") + ":" +
            (port && *port ? port : "5432") + " (database " + (db ? db : "") + ", user " +
            (user ? user : "") + ")";
  if (!connected())
    raiseHost(hosterr::kDatabase, "cannot connect to the books server " + server_ + ": " +
                                      oneLine(PQerrorMessage(conn_.get())));
  // The server's notices ("... already exists, skipping") are not the operator's business.
  PQsetNoticeReceiver(
      conn_.get(), [](void*, const PGresult*) {}, nullptr);
  startSession();
}

void ServerDatabase::startSession() {
  // Dates and numbers in the forms the host reads, whatever the server's defaults. The server
  // looks every second for a host gone in the middle of a statement (waiting for a row, say) and
  // probes a silent network connection after 30 s: the transaction and the lock of a host that
  // died are let go promptly, not when the wait ends.
  command(
      "SET datestyle = 'ISO, YMD'; SET extra_float_digits = 1; SET "
      "client_connection_check_interval = 1000; "
      "SET tcp_keepalives_idle = 30; SET tcp_keepalives_interval = 10; SET tcp_keepalives_count = "
      "3");
  auto st = command("SELECT current_setting('transaction_read_only')");
  readOnly_ = PQntuples(st.get()) == 1 && std::string_view(PQgetvalue(st.get(), 0, 0)) == "on";
}

void ServerDatabase::ensureConnected() {
  if (connected()) return;
  if (holding())
    raiseHost(hosterr::kDatabase, "books: the connection to the books server " + server_ +
                                      " was lost; the work in progress was rolled back");
  PQreset(conn_.get());
  if (!connected())
    raiseHost(hosterr::kDatabase, "books: cannot reach the books server " + server_ + ": " +
                                      oneLine(PQerrorMessage(conn_.get())));
  ++generation_;
  unlockAfterTransaction_.clear();
  startSession();
}

void ServerDatabase::raiseFailure(std::string_view message, std::string_view sql) {
  if (!connected())
    raiseHost(hosterr::kDatabase, "books: the connection to the books server " + server_ +
                                      " was lost: " + oneLine(message));
  raiseHost(hosterr::kDatabase, "books: " + oneLine(message) + " (" + shortSql(sql) + ")");
}

void ServerDatabase::check(const Result& r, std::string_view sql) {
  const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return;
  const char* primary = r ? PQresultErrorField(r.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  raiseFailure(primary ? primary : PQerrorMessage(conn_.get()), sql);
}

Result ServerDatabase::command(std::string_view sql) {
  ensureConnected();
  const std::string text(sql);
  Result r(PQexec(conn_.get(), text.c_str()));
  check(r, sql);
  return r;
}

void ServerDatabase::quietly(const char* sql) noexcept {
  if (connected()) Result(PQexec(conn_.get(), sql));
}

// ---- Statements ----

// The server's form of host SQL: each '?' outside quoted text, quoted names and comments becomes
// $1, $2, ...; and whether the statement only reads (its first word is SELECT, WITH, VALUES, TABLE
// or SHOW and no word of it writes).
struct ServerSql {
  std::string text;
  int parameters = 0;
  bool readOnly = false;
};

bool wordStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool wordChar(char c) {
  return wordStart(c) || (c >= '0' && c <= '9') || c == '$';
}

ServerSql serverSql(std::string_view sql) {
  ServerSql out;
  out.text.reserve(sql.size() + 8);
  std::string first, previous;
  bool writes = false;
  const size_t n = sql.size();
  size_t i = 0;
  auto copyTo = [&](size_t end) {
    end = std::min(end, n);
    out.text.append(sql.substr(i, end - i));
    i = end;
  };
  while (i < n) {
    const char c = sql[i];
    if (c == '\'') {
      // '...' with '' inside; E'...' also takes backslash escapes.
      const bool escapes =
          i > 0 && (sql[i - 1] == 'E' || sql[i - 1] == 'e') && (i < 2 || !wordChar(sql[i - 2]));
      size_t j = i + 1;
      while (j < n) {
        if (escapes && sql[j] == '\\') {
          j += 2;
        } else if (sql[j] == '\'' && j + 1 < n && sql[j + 1] == '\'') {
          j += 2;
        } else if (sql[j] == '\'') {
          break;
        } else {
          ++j;
        }
      }
      copyTo(j + 1);
    } else if (c == '"') {
      size_t j = sql.find('"', i + 1);
      while (j != std::string_view::npos && j + 1 < n && sql[j + 1] == '"')
        j = sql.find('"', j + 2);
      copyTo(j == std::string_view::npos ? n : j + 1);
    } else if (sql.substr(i).starts_with("--")) {
      copyTo(sql.find('\n', i));
    } else if (sql.substr(i).starts_with("/*")) {
      size_t j = i + 2;
      for (int depth = 1; depth > 0 && j < n;) {
        if (sql.substr(j).starts_with("/*")) {
          ++depth;
          j += 2;
        } else if (sql.substr(j).starts_with("*/")) {
          --depth;
          j += 2;
        } else {
          ++j;
        }
      }
      copyTo(j);
    } else if (c == '$' && (i == 0 || !wordChar(sql[i - 1])) && i + 1 < n &&
               !(sql[i + 1] >= '0' && sql[i + 1] <= '9')) {
      // $tag$ ... $tag$
      size_t j = i + 1;
      while (j < n && wordChar(sql[j]) && sql[j] != '$') ++j;
      if (j < n && sql[j] == '$') {
        const std::string_view tag = sql.substr(i, j - i + 1);
        const size_t end = sql.find(tag, j + 1);
        copyTo(end == std::string_view::npos ? n : end + tag.size());
      } else {
        copyTo(i + 1);
      }
    } else if (c == '?') {
      out.text += '$';
      out.text += std::to_string(++out.parameters);
      ++i;
    } else if (wordStart(c) && (i == 0 || !wordChar(sql[i - 1]))) {
      size_t j = i;
      while (j < n && wordChar(sql[j])) ++j;
      std::string word = text::lowerAscii(sql.substr(i, j - i));
      if (first.empty()) first = word;
      if (word == "insert" || word == "delete" || word == "merge" || word == "into" ||
          word == "copy" || word == "truncate" ||
          (word == "update" && previous != "for" && previous != "key"))
        writes = true;
      previous = std::move(word);
      copyTo(j);
    } else {
      out.text += c;
      ++i;
    }
  }
  out.readOnly = !writes && (first == "select" || first == "with" || first == "values" ||
                             first == "table" || first == "show");
  return out;
}

void ServerDatabase::prepareOnServer(Prepared& p) {
  ensureConnected();
  const ServerSql s = serverSql(p.sql);
  p.name = "t" + std::to_string(++named_);
  Result made(PQprepare(conn_.get(), p.name.c_str(), s.text.c_str(), 0, nullptr));
  check(made, p.sql);
  Result described(PQdescribePrepared(conn_.get(), p.name.c_str()));
  check(described, p.sql);
  p.readOnly = s.readOnly;
  p.parameters.clear();
  for (int i = 0; i < PQnparams(described.get()); ++i)
    p.parameters.push_back(PQparamtype(described.get(), i));
  p.columns.clear();
  for (int i = 0; i < PQnfields(described.get()); ++i) {
    Column c{PQfname(described.get(), i), PQftype(described.get(), i), ColumnKind::Auto};
    c.kind = serverColumnKind(c.type, PQftable(described.get(), i) == InvalidOid, c.name);
    p.columns.push_back(std::move(c));
  }
  p.generation = generation_;
}

Statement ServerDatabase::prepare(std::string_view sql) {
  return Statement(std::make_unique<ServerStatement>(shared_from_this(), preparedFor(sql)));
}

std::shared_ptr<Prepared> ServerDatabase::preparedFor(std::string_view sql) {
  const std::string key(sql);
  auto it = prepared_.find(key);
  if (it == prepared_.end() || it->second->generation != generation_) {
    // Statements no longer in use go when many texts have been seen (lists of numbers of every
    // length, say): the server keeps each one for the connection's life.
    if (prepared_.size() >= 256) {
      for (auto k = prepared_.begin(); k != prepared_.end();) {
        if (k->second.use_count() > 1) {
          ++k;
          continue;
        }
        if (k->second->generation == generation_ &&
            PQtransactionStatus(conn_.get()) != PQTRANS_INERROR)
          quietly(("DEALLOCATE " + k->second->name).c_str());
        k = prepared_.erase(k);
      }
    }
    auto p = std::make_shared<Prepared>();
    p->sql = key;
    prepareOnServer(*p);
    it = prepared_.insert_or_assign(key, std::move(p)).first;
  }
  return it->second;
}

Result ServerDatabase::send(Prepared& p, const std::vector<const char*>& values) {
  ensureConnected();
  if (p.generation != generation_) prepareOnServer(p);
  return Result(PQexecPrepared(conn_.get(), p.name.c_str(), static_cast<int>(values.size()),
                               values.data(), nullptr, nullptr, 0));
}

// ---- Transactions ----

void ServerDatabase::commitWork() {
  Result r = command("COMMIT");
  // A transaction that an error spoiled ends in a rollback, which COMMIT reports as done.
  if (std::string_view(PQcmdStatus(r.get())) == "ROLLBACK")
    raiseHost(hosterr::kDatabase,
              "books: the transaction was rolled back (a statement in it had failed); nothing of "
              "it was kept");
  afterTransaction();
}

void ServerDatabase::afterTransaction() noexcept {
  for (int64_t key : std::exchange(unlockAfterTransaction_, {})) unlock(key, generation_);
}

void ServerDatabase::savepoint(const std::string& name) {
  const bool own = !inTransaction() && units_.empty();
  command(own ? "BEGIN" : "SAVEPOINT " + name);
  units_.push_back(own);
}

void ServerDatabase::releaseSavepoint(const std::string& name) {
  const bool own = units_.back();
  if (own) {
    Result r = command("COMMIT");
    units_.pop_back();
    if (std::string_view(PQcmdStatus(r.get())) == "ROLLBACK")
      raiseHost(hosterr::kDatabase,
                "books: the work was rolled back (a statement in it had failed)");
    afterTransaction();
  } else {
    command("RELEASE SAVEPOINT " + name);
    units_.pop_back();
  }
}

void ServerDatabase::rollbackToSavepoint(const std::string& name) noexcept {
  const bool own = units_.back();
  units_.pop_back();
  if (own) {
    quietly("ROLLBACK");
    afterTransaction();
  } else {
    quietly(("ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name).c_str());
  }
}

// ---- The named lock ----

// 64-bit FNV-1a of the name's bytes, read as a signed number: the advisory lock's key, the same
// for every host (and any other program) that names the lock alike.
int64_t lockKey(std::string_view name) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : name) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return static_cast<int64_t>(h);
}

std::unique_ptr<BooksLock> ServerDatabase::lock(std::string_view name, double timeoutSeconds) {
  if (name.empty()) raiseHost(hosterr::kInvalidArgument, "a lock needs a name");
  const int64_t key = lockKey(name);
  const std::string keyText = std::to_string(key);
  // A wait that times out spoils an open transaction unless it runs in a savepoint of its own.
  std::optional<Savepoint> unit;
  if (inTransaction() || !units_.empty()) unit.emplace(*this);
  bool taken = false;
  if (timeoutSeconds <= 0) {
    auto st = prepare("SELECT pg_try_advisory_lock(CAST(? AS bigint))");
    st.bind(1, key);
    taken = st.step() && st.columnText(0) == "t";
  } else {
    // The server queues the waiters (first come, first served) for up to lock_timeout, set for
    // this one statement.
    const auto ms = static_cast<int64_t>(std::ceil(std::min(timeoutSeconds, 2.0e6) * 1000));
    const std::string wait = std::to_string(ms) + "ms";
    auto p = preparedFor(
        "SELECT pg_advisory_lock(CAST(? AS bigint)) "
        "FROM (SELECT set_config('lock_timeout', ?, true) OFFSET 0) AS wait");
    Result r = send(*p, {keyText.c_str(), wait.c_str()});
    const char* state = PQresultErrorField(r.get(), PG_DIAG_SQLSTATE);
    if (!state || std::string_view(state) != "55P03")
      check(r, p->sql);  // 55P03: lock_not_available
    taken = PQresultStatus(r.get()) == PGRES_TUPLES_OK;
    if (taken && unit) command("SET LOCAL lock_timeout TO DEFAULT");
  }
  if (taken && unit) unit->release();
  unit.reset();
  if (!taken) {
    char secs[32];
    std::snprintf(secs, sizeof secs, "%g", timeoutSeconds);
    raiseHost(hosterr::kLockTimeout, "the lock " + std::string(name) +
                                         " is held by another user of the books; gave up after " +
                                         secs + " seconds");
  }
  ++locksHeld_;
  return std::make_unique<ServerLock>(shared_from_this(), std::string(name), key, generation_);
}

void ServerDatabase::unlock(int64_t key, uint64_t generation) noexcept {
  if (generation != generation_ || !connected()) return;
  if (PQtransactionStatus(conn_.get()) == PQTRANS_INERROR) {
    // Nothing runs in a spoiled transaction: the lock goes as soon as it ends.
    unlockAfterTransaction_.push_back(key);
    return;
  }
  const std::string sql = "SELECT pg_advisory_unlock(" + std::to_string(key) + ")";
  quietly(sql.c_str());
}

ServerLock::~ServerLock() {
  --db_->locksHeld_;
  db_->unlock(key_, generation_);
}

// ---- Books ----

void ServerDatabase::requireBooks() {
  auto st = prepare(
      "SELECT lower(table_name) FROM information_schema.tables "
      "WHERE table_schema = ANY (current_schemas(false))");
  std::vector<std::string> tables;
  while (st.step()) tables.push_back(st.columnText(0));
  for (const char* required :
       {"empresa", "vendedores", "clientes", "bancos", "facturas", "comprobantes",
        "comprobante_lineas", "cuenta_vendedor", "movimientos_banco", "movimientos_caja"}) {
    if (std::find(tables.begin(), tables.end(), required) == tables.end())
      raiseHost(hosterr::kDatabase, "the books server " + server_ +
                                        " holds no books: there is no table " + required +
                                        " (use --init-demo or --import-books to write them)");
  }
}

void ServerDatabase::createSchema() {
  Savepoint unit(*this);
  exec(R"sql(
CREATE SCHEMA IF NOT EXISTS dbo;
-- Not STRICT, so that queries take its body in (a call per row costs five times as much).
CREATE OR REPLACE FUNCTION dbo.SafeDivide(numeric, numeric) RETURNS numeric
  LANGUAGE sql IMMUTABLE PARALLEL SAFE
  AS 'SELECT CASE WHEN $1 IS NULL THEN NULL WHEN $2 = 0 THEN 0 ELSE $1 / $2 END';
CREATE TABLE empresa (id bigint PRIMARY KEY CHECK (id = 1), nombre text NOT NULL,
  MascaraMonetarios text NOT NULL,
  PComisVenta1 numeric(19,4), PComisVenta2 numeric(19,4), PComisVenta3 numeric(19,4),
  PComisCobranza1 numeric(19,4), PComisCobranza2 numeric(19,4), PComisCobranza3 numeric(19,4),
  CuentaGastosComisiones text NOT NULL, CuentaCaja text NOT NULL,
  CuentaVendedores text NOT NULL);
-- Codes as the windows look them up: in capitals, without blanks at either end.
CREATE TABLE vendedores (codigo text PRIMARY KEY CONSTRAINT codigo_en_mayusculas CHECK (codigo = upper(trim(codigo))),
  nombre text NOT NULL);
CREATE TABLE clientes (codigo text PRIMARY KEY, nombre text NOT NULL);
CREATE TABLE bancos (codigo text PRIMARY KEY CONSTRAINT codigo_en_mayusculas CHECK (codigo = upper(trim(codigo))),
  nombre text NOT NULL, cuenta text NOT NULL,
  proximo_cheque bigint NOT NULL DEFAULT 1);
-- The component holds invoice numbers in 32 bits.
CREATE TABLE Facturas (Numero bigint PRIMARY KEY
    CONSTRAINT numero_de_factura_de_1_a_2147483647 CHECK (Numero BETWEEN 1 AND 2147483647),
  Serie text NOT NULL, Correlativo bigint NOT NULL,
  FechaTransaccion timestamp(0) without time zone NOT NULL, CodigoCliente text NOT NULL,
  nombreCliente text NOT NULL, codigoVendedor text NOT NULL
    CONSTRAINT vendedor_en_mayusculas CHECK (codigoVendedor = upper(trim(codigoVendedor))),
  PrecioEfectivo numeric(19,4) NOT NULL,
  Impuesto1 numeric(19,4) NOT NULL, Impuesto2 numeric(19,4) NOT NULL, Saldo numeric(19,4) NOT NULL,
  Comision numeric(19,4) NOT NULL, ComisionAcreditada smallint NOT NULL DEFAULT 0);
CREATE TABLE comprobantes (numero bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,
  fecha timestamp(0) without time zone NOT NULL, referencia text NOT NULL, descripcion text NOT NULL);
CREATE TABLE comprobante_lineas (comprobante bigint NOT NULL REFERENCES comprobantes,
  linea bigint NOT NULL, cuenta text NOT NULL, descripcion text NOT NULL, monto numeric(19,4) NOT NULL,
  PRIMARY KEY (comprobante, linea));
CREATE TABLE cuenta_vendedor (id bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,
  tipo bigint NOT NULL, vendedor text NOT NULL, codigo text NOT NULL,
  fecha timestamp(0) without time zone NOT NULL, descripcion text NOT NULL,
  monto numeric(19,4) NOT NULL, comprobante bigint REFERENCES comprobantes);
CREATE TABLE movimientos_banco (numero bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,
  banco text NOT NULL, tipo bigint NOT NULL, fecha timestamp(0) without time zone NOT NULL,
  descripcion text NOT NULL, beneficiario text NOT NULL, monto numeric(19,4) NOT NULL,
  referencia text NOT NULL, fecha_valor timestamp(0) without time zone NOT NULL,
  comprobante bigint REFERENCES comprobantes, impreso smallint NOT NULL DEFAULT 0);
CREATE TABLE movimientos_caja (numero bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,
  tipo bigint NOT NULL, fecha timestamp(0) without time zone NOT NULL, monto numeric(19,4) NOT NULL,
  descripcion text NOT NULL, codigo text NOT NULL, vendedor text NOT NULL, beneficiario text NOT NULL,
  enviado smallint NOT NULL DEFAULT 0);
CREATE INDEX facturas_vendedor_fecha ON Facturas (codigoVendedor, FechaTransaccion);
)sql");
  unit.release();
}

}  // namespace

std::string serverStatementText(std::string_view sql) {
  return serverSql(sql).text;
}

int64_t serverLockKey(std::string_view name) {
  return lockKey(name);
}

std::shared_ptr<Database> connectServerBooks(const std::string& uri, bool requireBooks) {
  auto db = std::make_shared<ServerDatabase>(uri);
  if (requireBooks) db->requireBooks();
  return db;
}

}  // namespace host
