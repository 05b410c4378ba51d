// Starting tessaline-host: books that cannot be used, demo books, bad options, the script from
// standard input, and the component's go with a salesperson and twice.

#include "test_window_support.h"

namespace {

using namespace window_e2e;

bool mentions(const Salida& r, const std::string& text) { return r.err.find(text) != std::string::npos; }

TEST(HostStart, MissingOrUnusableBooksAreAClearErrorAndNothingIsCreatedOrChanged) {
  WindowBooks books;
  Salida r = books.runHost({"--script", "-"});  // default books in the data folder
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(mentions(r, "does not exist") && mentions(r, "--init-demo")) << r.err;
  EXPECT_FALSE(fs::exists(books.dir / "data" / "books.sqlite"));

  const auto missing = books.dir / "nowhere" / "books.sqlite";
  r = books.runHost({"--db", missing.string(), "--script", "-"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(mentions(r, missing.string())) << r.err;
  EXPECT_FALSE(fs::exists(missing));

  std::ofstream(books.books) << "not a database\n";
  r = books.runHost({"--db", books.books.string(), "--script", "-"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(mentions(r, "cannot be used")) << r.err;
  EXPECT_EQ(e2e::readFile(books.books), "not a database\n");

  r = books.runHost({"--db", books.dir.string(), "--script", "-"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(mentions(r, "not a regular file")) << r.err;
}

TEST(HostStart, InitDemoCreatesTheBooksOnceAndNeverOverwrites) {
  WindowBooks books;
  const auto demo = books.dir / "demo.sqlite";
  Salida r = books.runHost({"--db", demo.string(), "--init-demo", "--script", "-"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(mentions(r, "created demo books")) << r.err;
  const std::string before = e2e::readFile(demo);
  r = books.runHost({"--db", demo.string(), "--init-demo", "--script", "-"}, "go V001\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(mentions(r, "created demo books")) << r.err;
  EXPECT_EQ(r.of("show").size(), 1u);
  EXPECT_EQ(e2e::readFile(demo), before);
}

TEST(HostStart, BadOptionsAndScriptErrorsAreRefused) {
  WindowBooks books;
  for (std::vector<std::string> bad : {std::vector<std::string>{"--today", "2026-02-30"},
                                       {"--screen", "wide"},
                                       {"--fail-at", "Procesar#0"},
                                       {"--ui", "tty"},
                                       {"--lock-timeout", "-1"},
                                       {"--vendedor", "V001"}}) {
    std::vector<std::string> args{"--db", books.books.string(), "--script", "-"};
    args.insert(args.end(), bad.begin(), bad.end());
    const Salida r = books.runHost(args);
    EXPECT_EQ(r.status, 1) << bad[0] << ": " << r.err;
    EXPECT_FALSE(r.err.empty()) << bad[0];
  }
  // Interactive: a salesperson that is not in the books is refused before any window opens.
  Salida r = books.runHost({"--db", books.books.string(), "--vendedor", "v001"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(mentions(r, "--vendedor v001") && mentions(r, "no salesperson") && mentions(r, "V001")) << r.err;
  r = books.run("echo hola\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.of("echo").size(), 1u);
  r = books.run("click nada\n");
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_EQ(r.of("script-error").size(), 1u);
}

TEST(HostStart, GoWithACodeRegistersTheModuleAndHandsTheHostObjectsOver) {
  WindowBooks books;
  books.factura({.numero = 1});
  books.factura({.numero = 2});
  const Salida r = books.run("go V001\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_TRUE(mentions(r, "registering")) << "the first run registers the module";
  const Ventana v = r.dump();
  EXPECT_EQ(v.text("codigoVendedor"), "V001");
  EXPECT_FALSE(v.enabled("codigoVendedor"));
  EXPECT_EQ(v.rows(), 3);

  ASSERT_FALSE(r.journal.empty());
  EXPECT_EQ(r.journal[0]["member"], "crearObjeto");
  EXPECT_EQ(r.journal[0]["args"][0]["value"], "Empresa");
  const auto theme = r.calls("aplicarTema", "TemaUI");
  ASSERT_FALSE(theme.empty());
  EXPECT_EQ(arg(theme[0], 0)["class"], "Form");
  EXPECT_EQ(arg(theme[0], 0)["byRef"], true);
  for (const auto& j : r.journal)
    EXPECT_TRUE(j.contains("seq") && j.contains("id") && j.contains("kind") && j.contains("named")) << j;
}

TEST(HostStart, TwoGoCallsOpenTwoWindowsEachWithItsOwnCompany) {
  WindowBooks books;
  books.factura({.numero = 1});
  books.factura({.numero = 2, .vendedor = "V002"});
  const Salida r = books.run("go V001\ngo V002\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  std::vector<std::string> codes;
  const json dump = r.of("dump").back();
  for (const auto& w : dump["windows"])
    if (w["name"] == "SelectFacturas") codes.push_back(w["controls"]["codigoVendedor"]["text"]);
  EXPECT_EQ(codes, (std::vector<std::string>{"V001", "V002"}));
  int companies = 0;
  for (const auto& c : r.calls("crearObjeto", "HostFactory")) companies += c["args"][0]["value"] == "Empresa";
  EXPECT_EQ(companies, 2);
}

}  // namespace
