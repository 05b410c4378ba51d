#pragma once
// The books the benchmarks read and write, in a temporary directory of their own or on a server:
// one company, salespeople V1 and V2, one customer, and `invoices` invoices of V1, all paid and
// all with a commission, dated through 2026 (net 50.00 to 8,049.99, taxes 12% and 4%, commission
// 3%). The settings and data directories of the run point into the same directory.

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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
  // A failure after a commit would make the figures meaningless: say it.
  void error(const automation::Error& e) override { std::fprintf(stderr, "bench: %s\n", e.what()); }
  void showDocument(const host::DocumentView&) override {}
};

// Writes the benchmark books into a database with the books' schema.
inline void writeBooks(host::Database& db, int invoices) {
  db.exec(
      "INSERT INTO empresa VALUES (1, 'Bench', '#,##0.00', 3, 5, 4, 2, 2.5, 1, '6.1.05', '1.1.01', '2.1.04');"
      "INSERT INTO vendedores VALUES ('V1', 'Rosa Peña'), ('V2', 'Nadie');"
      "INSERT INTO clientes VALUES ('C1', 'Abastos La Candelaria, C.A.');");
  host::Transaction txn(db);
  auto st = db.prepare(
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

// The settings and data directories of the run, in a temporary directory of its own.
inline std::filesystem::path benchDir(const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("bench-" + name + "-" + std::to_string(::getpid()));
  fs::create_directories(dir / "config");
  ::setenv("TESSALINE_CONFIG_HOME", (dir / "config").c_str(), 1);
  ::setenv("TESSALINE_DATA_HOME", (dir / "config").c_str(), 1);
  return dir;
}

class TempBooks {
 public:
  TempBooks(const std::string& name, int invoices) {
    dir = benchDir(name);
    file = dir / "books.sqlite";
    auto db = host::Database::create(file);
    host::createSchema(*db);
    writeBooks(*db, invoices);
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

// The same books in a database of their own on the server named by TESSALINE_BENCH_SERVER (the
// URI of a database whose user may create databases), or a copy of other server books; dropped
// with this object.
class ServerBooks {
 public:
  static std::string server() {
    const char* uri = std::getenv("TESSALINE_BENCH_SERVER");
    return uri ? uri : "";
  }
  ServerBooks(const std::string& name, int invoices, const ServerBooks* from = nullptr) {
    dir = benchDir("server-" + name);
    database = "bench_" + name + "_" + std::to_string(::getpid());
    admin("DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
    admin("CREATE DATABASE " + database + (from ? " TEMPLATE " + from->database : ""));
    const std::string base = server();
    const size_t path = base.find_first_of("/?", base.find("://") + 3);
    const size_t query = path == std::string::npos ? path : base.find('?', path);
    uri = base.substr(0, path) + "/" + database + (query == std::string::npos ? "" : base.substr(query));
    if (from) return;
    auto db = host::Database::create(uri);
    host::createSchema(*db);
    writeBooks(*db, invoices);
  }
  ~ServerBooks() {
    admin("DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  ServerBooks(const ServerBooks&) = delete;
  ServerBooks& operator=(const ServerBooks&) = delete;

  std::filesystem::path dir;
  std::string database, uri;

 private:
  static void admin(const std::string& sql) { host::Database::create(server())->exec(sql); }
};

}  // namespace bench
