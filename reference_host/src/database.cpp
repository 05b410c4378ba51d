#include "host/database.h"

#include <cstdio>
#include <limits>
#include <utility>

#include "automation/error.h"
#include "drivers.h"
#include "host/errors.h"
#include "text/text.h"

namespace host {

using automation::Date;

void raiseHost(int32_t number, std::string description) {
  throw automation::Error(number, kErrorSource, std::move(description));
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

automation::Variant booksNumber(int64_t n) {
  if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max())
    return automation::Variant(static_cast<int32_t>(n));
  return automation::Variant(static_cast<double>(n));
}

ColumnKind computedColumnKind(std::string_view resultName) {
  struct Computed {
    const char* name;
    ColumnKind kind;
  };
  static constexpr Computed kComputed[] = {
      {"MontoTotal", ColumnKind::Currency},
      {"TotalIVA", ColumnKind::Currency},
      {"pComis", ColumnKind::Double},
  };
  for (const auto& c : kComputed)
    if (text::equalsNoCase(resultName, c.name)) return c.kind;
  return ColumnKind::Auto;
}

bool isServerLocation(std::string_view location) {
  return location.starts_with("postgresql://") || location.starts_with("postgres://");
}

std::shared_ptr<Database> Database::open(const std::string& location) {
  if (isServerLocation(location)) return connectServerBooks(location, true);
  return openSqliteBooks(location);
}

std::shared_ptr<Database> Database::create(const std::string& location) {
  if (isServerLocation(location)) return connectServerBooks(location, false);
  return createSqliteBooks(location);
}

void Database::afterOutcome(std::function<void()> onCommit, std::function<void()> onRollback) {
  if (!transactionOpen_) {
    try {
      if (onCommit) onCommit();
    } catch (const automation::Error& e) {
      lateFailures_.push_back(e);
    }
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
    } catch (const automation::Error& e) {
      if (committed) lateFailures_.push_back(e);
    } catch (const std::exception& e) {
      if (committed) lateFailures_.emplace_back(hosterr::kPrinting, kErrorSource, e.what());
    }
  }
}

// ---- Transaction ----

Transaction::Transaction(Database& db) : db_(db) {
  if (db_.transactionOpen_) raiseHost(hosterr::kTransactionState, "a transaction is already open");
  db_.beginWork();
  db_.transactionOpen_ = true;
  active_ = true;
}

Transaction::~Transaction() {
  if (active_) rollback();
}

void Transaction::commit() {
  if (!active_) raiseHost(hosterr::kTransactionState, "no transaction is open");
  try {
    db_.commitWork();
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
  db_.rollbackWork();
  db_.finishOutcome(false);
}

// ---- Savepoint ----

namespace {
constexpr const char* kUnitName = "host_unit";
}

Savepoint::Savepoint(Database& db) : db_(db) {
  db_.savepoint(kUnitName);
  active_ = true;
}

Savepoint::~Savepoint() {
  if (active_) db_.rollbackToSavepoint(kUnitName);
}

void Savepoint::release() {
  db_.releaseSavepoint(kUnitName);
  active_ = false;
}

}  // namespace host
