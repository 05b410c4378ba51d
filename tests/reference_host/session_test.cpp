// The journal of received calls, fault injection, the named lock, and the factory's other members
// (classes, theme, icons, lookups, viewers).

#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include "forms/application.h"
#include "forms/controls.h"
#include "forms/window.h"
#include "host/errors.h"
#include "host/named_lock.h"
#include "host/theme.h"
#include "host_fixture.h"

namespace hosttest {
namespace {

using automation::Arg;
using automation::Date;
using automation::Variant;

std::vector<std::string> readLines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A window as the theme sees it: labels and an option on the window's background, and controls
// with colours of their own.
class ThemedWindow final : public forms::Window {
 public:
  ThemedWindow() : Window("Tematizada") {}

 protected:
  void build() override {
    setBackColor(forms::colors::kWindow);
    add<forms::Label>("etiqueta").setBackColor(forms::colors::kWindow);
    add<forms::OptionButton>("opcion").setBackColor(forms::colors::kWindow);
    add<forms::Label>("resaltada").setBackColor(forms::rgb(255, 255, 0));
    add<forms::ReferenceTextBox>("texto").setBackColor(forms::colors::kWindow);
  }
};

using SessionTest = HostTest;

TEST_F(SessionTest, JournalWritesEveryReceivedCallExactly) {
  auto journal = dir.path() / "journal.jsonl";
  options.journalPath = journal;
  openSession();
  auto theme = automation::toObject(automation::get(factoryRef, "TemaUI"));
  forms::Application app;
  auto window = std::make_shared<ThemedWindow>();
  Variant form(window->asObject());
  call(theme, "aplicarTema", {Arg::ref(form)});
  call(factoryRef, "ExecuteSQL",
       {Arg("SELECT ?, ?, ?, ?, ?, ?"), Arg(int32_t{7}), Arg(2.5), Arg(Variant::null()), Arg(Variant()), Arg(true),
        Arg(Date::fromYmd(2026, 11, 30, 15, 20, 0))});

  // Every call, numbered, with its object's class and id, its kind, and each value with its type
  // (references, objects and named arguments are the end-to-end cuts' exact call texts).
  const auto lines = readLines(journal);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], R"({"seq":1,"class":"HostFactory","id":1,"member":"TemaUI","kind":"get","args":[],"named":{}})");
  EXPECT_EQ(
      lines[2],
      R"({"seq":3,"class":"HostFactory","id":1,"member":"ExecuteSQL","kind":"method","args":[{"type":"String","value":"SELECT ?, ?, ?, ?, ?, ?"},{"type":"Long","value":7},{"type":"Double","value":2.5},{"type":"Null","value":null},{"type":"Empty","value":null},{"type":"Boolean","value":true},{"type":"Date","value":"2026-11-30T15:20:00"}],"named":{}})");
  // The window and what is painted on its background take the theme; the rest keeps its colours.
  const host::ThemeLook look;
  EXPECT_EQ(window->backColor(), static_cast<forms::Color>(look.backColor));
  EXPECT_EQ(window->font().name, "DejaVu Sans");
  EXPECT_DOUBLE_EQ(window->font().size, look.fontSize);
  auto back = [&](const char* name) { return window->control(name)->backColor(); };
  EXPECT_EQ(back("etiqueta"), static_cast<forms::Color>(look.backColor));
  EXPECT_EQ(window->control("etiqueta")->foreColor(), static_cast<forms::Color>(look.foreColor));
  EXPECT_EQ(back("opcion"), static_cast<forms::Color>(look.backColor));
  EXPECT_EQ(back("resaltada"), forms::rgb(255, 255, 0));
  EXPECT_EQ(back("texto"), forms::colors::kWindow);
}

// The failure's report is the end-to-end failure tests' (a failure at every call of a cut).
TEST_F(SessionTest, FailAtRaisesOnTheNthCallOnly) {
  options.failAt = host::FaultRule::parse("executesql#2");
  openSession();
  auto update = [&] {
    call(factoryRef, "ExecuteSQL", {Arg("UPDATE Facturas SET Comision = Comision + 1 WHERE Numero = 1")});
  };
  update();
  errorOf(host::hosterr::kInjectedFailure, update);
  update();
  EXPECT_EQ(count("SELECT Comision FROM Facturas WHERE Numero = 1"), 32);  // 30.03 + 2, truncated
  EXPECT_THROW(host::FaultRule::parse("Procesar#x"), std::invalid_argument);
  EXPECT_THROW(host::FaultRule::parse("#2"), std::invalid_argument);
}

// A lock held elsewhere (another open of the lock file, as another process would hold it) makes
// SetGlobalLock wait and then fail; another name is another lock; once freed it can be taken, but
// not twice, and freeing twice does no harm.
TEST_F(SessionTest, LockHeldElsewhereTimesOutUntilItIsFreed) {
  auto held = std::make_unique<host::NamedLock>(books, "TESSALOCKS", 0);
  auto started = std::chrono::steady_clock::now();
  std::string why =
      errorOf(host::hosterr::kLockTimeout, [&] { call(factoryRef, "SetGlobalLock", {Arg("TESSALOCKS")}); });
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(250));
  EXPECT_NE(why.find("TESSALOCKS"), std::string::npos) << why;
  call(factoryRef, "SetGlobalLock", {Arg("OTRO")});
  call(factoryRef, "FreeGlobalLock");

  held.reset();
  call(factoryRef, "SetGlobalLock", {Arg("TESSALOCKS")});
  errorOf(host::hosterr::kLockTimeout, [&] { call(factoryRef, "SetGlobalLock", {Arg("TESSALOCKS")}); });
  call(factoryRef, "FreeGlobalLock");
  call(factoryRef, "FreeGlobalLock");
  host::NamedLock again(books, "TESSALOCKS", 0);  // free for anyone now

  // Shared books: the lock file is as writable as the books, whatever this user's umask.
  ASSERT_EQ(::chmod(books.c_str(), 0664), 0);
  const mode_t was = ::umask(077);
  { host::NamedLock shared(books, "COMPARTIDO", 0); }
  ::umask(was);
  struct stat st{};
  ASSERT_EQ(::stat(host::NamedLock::lockFile(books, "COMPARTIDO").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0664u);
}

TEST_F(SessionTest, FactoryClassesAndUnknownNames) {
  EXPECT_EQ(create("banco")->className(), "banco");
  EXPECT_EQ(create("Banco")->className(), "Banco");
  EXPECT_EQ(create("cliente")->className(), "CLIENTE");
  std::string why = errorOf(host::hosterr::kUnknownClass, [&] { create("Proveedor"); });
  EXPECT_NE(why.find("Proveedor"), std::string::npos);

  auto theme = automation::toObject(automation::get(factoryRef, "TemaUI"));
  EXPECT_TRUE(theme->supportsInterface("{3239bd71-5c39-434e-b049-48a1cdd16445}"));
  errorOf(host::hosterr::kNotFound, [&] { call(factoryRef, "getSysIcon", {Arg(int16_t{3})}); });
}

// Codes match as written; a code is a value, never SQL; a viewer shows only what it loaded.
TEST_F(SessionTest, LookupsAndViewersFindOnlyWhatIsInTheBooks) {
  EXPECT_EQ(automation::get(automation::toObject(call(create("Vendedor"), "Buscar", {Arg("V002")})), "Nombre"),
            Variant("Ernesto Villa"));
  EXPECT_TRUE(call(create("Vendedor"), "Buscar", {Arg("v002")}).isNothing());
  EXPECT_EQ(call(create("banco"), "validarCodigo", {Arg("' OR 1=1 --")}), Variant(false));
  auto factura = create("Factura");
  Variant numero(int32_t{1}), missing(int32_t{999});
  EXPECT_EQ(call(factura, "Load", {Arg::ref(numero)}), Variant(true));
  call(factura, "Show");
  ASSERT_EQ(ui->documents.size(), 1u);
  EXPECT_EQ(ui->documents[0].caption, "Factura A-0000042");
  call(factura, "Load", {Arg::ref(missing)});  // refused: the end-to-end viewers'
  errorOf(host::hosterr::kDocumentState, [&] { call(factura, "Show"); });
}

}  // namespace
}  // namespace hosttest
