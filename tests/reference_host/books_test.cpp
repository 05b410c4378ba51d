// The demo books and the opening of books files.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "host_fixture.h"
#include "automation/error.h"
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
  EXPECT_FALSE(host::createDemoBooks(a)) << "an existing file is never replaced";
}

// Missing files, folders and files that are not databases are refused by the host at start (see
// the end-to-end tests); here, what only a database can tell.
TEST(OpenBooks, EmptyReadOnlyAndDamagedBooksAreRefusedByName) {
  TempDir dir;
  auto empty = dir.path() / "empty.sqlite";
  std::ofstream(empty).close();
  std::string why = errorOf(host::hosterr::kDatabase, [&] { host::Database::open(empty); });
  EXPECT_NE(why.find("no table empresa"), std::string::npos) << why;

  if (::geteuid() != 0) GTEST_SKIP() << "needs root to open the books as another user";
  const auto books = dir.path() / "books.sqlite";
  writeSmallBooks(books);
  int64_t root = 0, pageSize = 0;
  {
    auto db = host::Database::open(books);
    db->checkIntegrity();
    auto st = db->prepare("SELECT rootpage FROM sqlite_master WHERE name = 'Facturas'");
    ASSERT_TRUE(st.step());
    root = std::stoll(st.columnText(0));
    auto ps = db->prepare("PRAGMA page_size");
    ASSERT_TRUE(ps.step());
    pageSize = std::stoll(ps.columnText(0));
  }

  // A user who may only read the books.
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  // The child exits 0 when the books are refused as read-only and named, 1 when they open.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    try {
      host::Database::open(books);
    } catch (const automation::Error& e) {
      const bool named = e.description().find("read-only") != std::string::npos &&
                         e.description().find(books.string()) != std::string::npos;
      if (!named) std::fprintf(stderr, "%s\n", e.description().c_str());
      ::_exit(named ? 0 : 3);
    }
    ::_exit(1);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  // A damaged page of invoices: the books open, the check names the damage.
  {
    std::fstream f(books, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp((root - 1) * pageSize);
    f.write("\x01\x02\x03\x04", 4);
  }
  auto db = host::Database::open(books);
  why = errorOf(host::hosterr::kDatabase, [&] { db->checkIntegrity(); });
  EXPECT_NE(why.find("damaged"), std::string::npos) << why;
  EXPECT_NE(why.find(books.string()), std::string::npos) << why;
}

}  // namespace
}  // namespace hosttest
