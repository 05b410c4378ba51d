#pragma once
// Fresh books in a temporary folder, a session with a recording UI, and the factory.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../profile/temp_dir.h"
#include "automation/object.h"
#include "host/books.h"
#include "host/database.h"
#include "host/factory.h"
#include "host/session.h"
#include "host/ui.h"

namespace hosttest {

class RecordingUi final : public host::HostUi {
 public:
  void warning(const std::string& text) override { warnings.push_back(text); }
  void error(const automation::Error& e) override { errors.push_back(e.description()); }
  void showDocument(const host::DocumentView& doc) override { documents.push_back(doc); }
  std::vector<std::string> warnings, errors;
  std::vector<host::DocumentView> documents;
};

// Books with the schema, a company, two salespeople, two banks, two customers and a handful of
// invoices written here (the demo books are tested on their own).
inline void writeSmallBooks(const std::filesystem::path& file) {
  auto db = host::Database::create(file);
  host::createSchema(*db);
  db->exec(R"sql(
BEGIN;
INSERT INTO empresa VALUES (1, 'Prueba C.A.', '#,##0.00', 3, 5, 4, 2, 2.5, 1,
                            '6.1.05', '1.1.01', '2.1.04');
INSERT INTO vendedores VALUES ('V001', 'Rosa Quintero'), ('V002', 'Ernesto Villa');
INSERT INTO clientes VALUES ('C1', 'Abastos Uno'), ('C2', 'Ferreteria Dos');
INSERT INTO bancos VALUES ('BAN01', 'Banco Meridional', '1.1.02.001', 1001),
                          ('BAN02', 'Banco Andino', '1.1.02.002', 7);
INSERT INTO Facturas VALUES
  (1, 'A', 42, '2026-11-02', 'C1', 'Abastos Uno', 'V001', 1000.10, 0.10, 0.20, 0, 30.03, 0),
  (2, 'A', 43, '2026-11-30', 'C2', 'Ferreteria Dos', 'V001', 500, 80, 0, 0, 15, 0),
  (3, 'B', 7, '2026-11-30 15:20:00', 'C1', 'Abastos Uno', 'V001', 200, 32, 0, 0, 6, 0),
  (4, 'A', 44, '2026-11-10', 'C1', 'Abastos Uno', 'V001', 0, 0, 0, 0, 15, 0),
  (5, 'A', 45, '2026-11-11', 'C2', 'Ferreteria Dos', 'V001', 100, 16, 0, 116, 3, 0),
  (6, 'A', 46, '2026-11-12', 'C2', 'Ferreteria Dos', 'V001', 100, 16, 0, 0, 0, 0),
  (7, 'A', 47, '2026-11-13', 'C2', 'Ferreteria Dos', 'V002', 123456789.1234, 0, 0, 0, 0.0001, 0);
COMMIT;
)sql");
}

// One integer read straight from the books.
inline int64_t countIn(host::Database& db, const std::string& sql) {
  auto st = db.prepare(sql);
  st.step();
  return st.columnInt(0);
}

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    books = dir.path() / "books.sqlite";
    writeSmallBooks(books);
    options.printDir = dir.path() / "prints";
    options.lockTimeoutSeconds = 0.3;
    openSession();
  }

  void openSession() {
    factoryRef.reset();
    session.reset();
    ui = std::make_shared<RecordingUi>();
    session = std::make_shared<host::HostSession>(host::Database::open(books), options, ui);
    factoryRef = std::make_shared<host::HostFactory>(session);
  }

  automation::Variant call(const automation::ObjectRef& obj, std::string_view member,
                           std::vector<automation::Arg> args = {}, std::vector<automation::NamedArg> named = {}) {
    return automation::call(obj, member, std::move(args), std::move(named));
  }
  automation::ObjectRef create(const std::string& cls) {
    return automation::toObject(call(factoryRef, "crearObjeto", {automation::Arg(cls)}));
  }
  int64_t count(const std::string& sql) { return countIn(session->db(), sql); }

  TempDir dir;
  std::filesystem::path books;
  host::HostOptions options;
  std::shared_ptr<RecordingUi> ui;
  std::shared_ptr<host::HostSession> session;
  automation::ObjectRef factoryRef;
};

// Runs `body` expecting an automation::Error with that number; returns its description.
template <class F>
std::string errorOf(int32_t number, F&& body) {
  try {
    body();
  } catch (const automation::Error& e) {
    EXPECT_EQ(e.number(), number) << e.description();
    return e.description();
  }
  ADD_FAILURE() << "no error " << number << " was raised";
  return {};
}

}  // namespace hosttest
