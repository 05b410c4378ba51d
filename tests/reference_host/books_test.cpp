// The demo books and the opening of books files.

#include <fstream>
#include <sstream>

#include "host_fixture.h"
#include "host/errors.h"

namespace hosttest {
namespace {

std::string dumpTable(host::Database& db, const std::string& table) {
  auto st = db.prepare("SELECT * FROM " + table + " ORDER BY 1");
  std::string out;
  while (st.step()) {
    for (int i = 0; i < st.columnCount(); ++i) out += st.columnText(i) + "|";
    out += "\n";
  }
  return out;
}

std::string fileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(DemoBooks, SameBooksEveryTimeWithTheCasesWorthHaving) {
  TempDir dir;
  auto a = dir.path() / "a.sqlite", b = dir.path() / "sub" / "b.sqlite";
  ASSERT_TRUE(host::createDemoBooks(a));
  ASSERT_TRUE(host::createDemoBooks(b));
  auto dbA = host::Database::open(a), dbB = host::Database::open(b);
  for (const char* t : {"empresa", "vendedores", "clientes", "bancos", "Facturas"})
    EXPECT_EQ(dumpTable(*dbA, t), dumpTable(*dbB, t)) << t;

  auto one = [&](const std::string& sql) {
    auto st = dbA->prepare(sql);
    st.step();
    return st.columnInt(0);
  };
  // Something to list for V001, and the awkward cases: long names, no commission, credited, owing.
  EXPECT_GT(one("SELECT count(*) FROM Facturas WHERE Saldo = 0 AND ComisionAcreditada = 0 "
                "AND Comision > 0 AND codigoVendedor = 'V001'"),
            10);
  for (const char* leftOut : {"length(nombreCliente) > 50", "Comision = 0", "ComisionAcreditada = 1",
                              "Saldo > 0 AND ComisionAcreditada = 0"})
    EXPECT_GT(one(std::string("SELECT count(*) FROM Facturas WHERE ") + leftOut), 0) << leftOut;

  // An existing file is never replaced.
  std::string before = fileBytes(a);
  dbA.reset();
  EXPECT_FALSE(host::createDemoBooks(a));
  EXPECT_EQ(fileBytes(a), before);
}

TEST(OpenBooks, RefusesWhatIsNotABooksFileAndCreatesNothing) {
  TempDir dir;
  auto missing = dir.path() / "missing.sqlite";
  std::string why = errorOf(host::hosterr::kDatabase, [&] { host::Database::open(missing); });
  EXPECT_NE(why.find("does not exist"), std::string::npos) << why;
  EXPECT_FALSE(std::filesystem::exists(missing));

  errorOf(host::hosterr::kDatabase, [&] { host::Database::open(dir.path()); });

  auto garbage = dir.path() / "garbage.sqlite";
  std::ofstream(garbage) << "these are not the books\n";
  why = errorOf(host::hosterr::kDatabase, [&] { host::Database::open(garbage); });
  EXPECT_NE(why.find("garbage.sqlite"), std::string::npos) << why;
  EXPECT_EQ(fileBytes(garbage), "these are not the books\n");

  auto empty = dir.path() / "empty.sqlite";
  std::ofstream(empty).close();
  why = errorOf(host::hosterr::kDatabase, [&] { host::Database::open(empty); });
  EXPECT_NE(why.find("no table empresa"), std::string::npos) << why;
}

}  // namespace
}  // namespace hosttest
