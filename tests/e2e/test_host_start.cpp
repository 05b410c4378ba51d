// Starting tessaline-host: books that cannot be used, demo books, bad options and script errors,
// and the component's go, for a salesperson and twice.

#include "e2e_support.h"

namespace {

using namespace e2e;

bool mentions(const Salida& r, const std::string& text) {
  return r.err.find(text) != std::string::npos;
}

// Missing or unusable books are a clear error and nothing is created or changed; --init-demo
// creates the books once and never overwrites them.
TEST(HostStart, BooksAreUsedAsTheyAreOrCreatedOnceOnDemand) {
  WindowBooks libros;
  Salida r = libros.runHost({"--script", "-"});  // the default books in the data folder
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(mentions(r, "does not exist") && mentions(r, "--init-demo")) << r.err;
  EXPECT_FALSE(fs::exists(libros.dir() / "data" / "books.sqlite"));

  std::ofstream(libros.books) << "not a database\n";
  r = libros.runHost({"--db", libros.books.string(), "--script", "-"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(mentions(r, "cannot be used")) << r.err;
  EXPECT_EQ(e2e::readFile(libros.books), "not a database\n");

  const auto demo = libros.dir() / "demo.sqlite";
  r = libros.runHost({"--db", demo.string(), "--init-demo", "--script", "-"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(mentions(r, "created demo books")) << r.err;
  const std::string before = e2e::readFile(demo);
  r = libros.runHost({"--db", demo.string(), "--init-demo", "--script", "-"}, "go V001\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(mentions(r, "created demo books")) << r.err;
  EXPECT_EQ(r.of("show").size(), 1u);
  EXPECT_EQ(libros.runHost({"--db", demo.string(), "--check"}).status, 0);
  EXPECT_EQ(e2e::readFile(demo), before);
}

TEST(HostStart, BadOptionsAndScriptErrorsAreRefused) {
  WindowBooks libros;
  for (std::vector<std::string> bad : {std::vector<std::string>{"--today", "2026-02-30"},
                                       {"--screen", "wide"},
                                       {"--fail-at", "Procesar#0"},
                                       {"--ui", "tty"},
                                       {"--lock-timeout", "-1"},
                                       {"--lock-timeout", "inf"},
                                       {"--lock-timeout", "nan"},
                                       {"--lock-timeout", "1e10"},
                                       {"--vendedor", "V001"}}) {
    std::vector<std::string> args{"--db", libros.books.string(), "--script", "-"};
    args.insert(args.end(), bad.begin(), bad.end());
    const Salida r = libros.runHost(args);
    EXPECT_EQ(r.status, 1) << bad[0] << ": " << r.err;
    EXPECT_FALSE(r.err.empty()) << bad[0];
    EXPECT_LT(r.err.size(), 200u) << r.err;
  }
  // Interactive: a salesperson that is not in the books is refused before any window opens.
  Salida r = libros.runHost({"--db", libros.books.string(), "--vendedor", "v001"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(mentions(r, "--vendedor v001") && mentions(r, "no salesperson") && mentions(r, "V001")) << r.err;
  r = libros.run("echo hola\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.of("echo").size(), 1u);
  r = libros.run("click nada\n");
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_EQ(r.of("script-error").size(), 1u);
}

// Each go opens a window of its own, locked on its salesperson (even one the books do not know,
// whose invoices are asked for all the same) and with a company of its own; the first run
// registers the module; the host's theme gets each window by reference.
TEST(HostStart, EachGoOpensAWindowLockedOnItsSalespersonWithItsOwnCompany) {
  WindowBooks libros;
  libros.factura({.numero = 1});
  libros.factura({.numero = 2, .vendedor = "V002"});
  const Salida r = libros.run("go V001\ngo V002\ngo ZZZ\nok\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_TRUE(mentions(r, "registering")) << r.err;
  std::vector<std::string> codes, names;
  const json dump = r.of("dump").back();
  for (const auto& w : dump["windows"]) {
    if (w["name"] != "SelectFacturas") continue;
    const Ventana v{w};
    codes.push_back(v.state()["vendedorCargado"]);
    names.push_back(v.caption("nombreVendedor"));
    EXPECT_FALSE(v.enabled("codigoVendedor"));
    EXPECT_EQ(v.rows(), codes.back() == "ZZZ" ? 1 : 2);
  }
  EXPECT_EQ(codes, (std::vector<std::string>{"V001", "V002", "ZZZ"}));
  EXPECT_EQ(names, (std::vector<std::string>{"Rosalba Quintero", "Ernesto Villalobos", ""}));
  const auto consultas = r.calls("OpenRecordset");
  ASSERT_EQ(consultas.size(), 3u);
  EXPECT_EQ(arg(consultas[2], 1)["value"], "ZZZ");
  int companies = 0;
  for (const auto& c : r.calls("crearObjeto", "HostFactory")) companies += arg(c, 0)["value"] == "Empresa";
  EXPECT_EQ(companies, 3);
  const auto theme = r.calls("aplicarTema", "TemaUI");
  ASSERT_EQ(theme.size(), 3u);
  EXPECT_EQ(arg(theme[0], 0)["class"], "Form");
  EXPECT_EQ(arg(theme[0], 0)["byRef"], true);
}

}  // namespace
