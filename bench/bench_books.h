#pragma once
// The books the benchmarks read and write, in a temporary directory of their own: one company,
// salespeople V1 and V2, one customer, and `invoices` invoices of V1, all paid and all with a
// commission, dated through 2026 (net 50.00 to 8,049.99, taxes 12% and 4%, commission 3%). The
// settings and data directories of the run point into the same directory.

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "automation/currency.h"
#include "automation/variant.h"
#include "host/books.h"
#include "host/database.h"
#include "host/ui.h"

namespace bench {

class NoUi final : public host::HostUi {
 public:
  void warning(const std::string&) override {}
  void showDocument(const host::DocumentView&) override {}
};

class TempBooks {
 public:
  TempBooks(const std::string& name, int invoices) {
    namespace fs = std::filesystem;
    dir = fs::temp_directory_path() / ("bench-" + name + "-" + std::to_string(::getpid()));
    fs::create_directories(dir / "config");
    ::setenv("TESSALINE_CONFIG_HOME", (dir / "config").c_str(), 1);
    ::setenv("TESSALINE_DATA_HOME", (dir / "config").c_str(), 1);
    file = dir / "books.sqlite";
    auto db = host::Database::create(file);
    host::createSchema(*db);
    db->exec(
        "INSERT INTO empresa VALUES (1, 'Bench', '#,##0.00', 3, 5, 4, 2, 2.5, 1, '6.1.05', '1.1.01', '2.1.04');"
        "INSERT INTO vendedores VALUES ('V1', 'Rosa Peña'), ('V2', 'Nadie');"
        "INSERT INTO clientes VALUES ('C1', 'Abastos La Candelaria, C.A.');");
    host::Transaction txn(*db);
    auto st = db->prepare(
        "INSERT INTO Facturas VALUES (?, 'A', ?, ?, 'C1', 'Abastos La Candelaria, C.A.', 'V1', ?, ?, ?, 0, ?, 0)");
    auto money = [](int64_t cents) { return automation::Variant(automation::Currency::fromRaw(cents)); };
    for (int i = 1; i <= invoices; ++i) {
      st.reset();
      st.bind(1, int64_t{i});
      st.bind(2, int64_t{4000 + i});
      char date[16];
      std::snprintf(date, sizeof date, "2026-%02d-%02d", 1 + (i % 11), 1 + (i % 28));
      st.bind(3, std::string_view(date));
      const int64_t cents = 5000 + (int64_t{i} * 7919) % 800000;
      st.bind(4, money(cents * 100));
      st.bind(5, money(cents * 12));
      st.bind(6, money(cents * 4));
      st.bind(7, money(cents * 3));
      st.run();
    }
    txn.commit();
  }
  ~TempBooks() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  TempBooks(const TempBooks&) = delete;
  TempBooks& operator=(const TempBooks&) = delete;

  std::filesystem::path dir, file;
};

// A plain sqlite3 connection to the books for reading, with the host's connection settings and
// its SafeDivide function: what the benches' plain programs measure against.
inline sqlite3* openPlainReader(const std::filesystem::path& file) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(db, "PRAGMA mmap_size = 268435456; PRAGMA cache_size = -16384", nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(
      db, "SafeDivide", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
      [](sqlite3_context* c, int, sqlite3_value** v) {
        const double b = sqlite3_value_double(v[1]);
        sqlite3_result_double(c, b == 0 ? 0.0 : sqlite3_value_double(v[0]) / b);
      },
      nullptr, nullptr, nullptr);
  return db;
}

}  // namespace bench
