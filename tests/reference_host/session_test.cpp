// The journal of received calls, fault injection, the named lock across processes, and the
// factory's other members (classes, theme, icons, lookups, viewers, company).

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "host_fixture.h"
#include "host/errors.h"
#include "host/named_lock.h"
#include "host/theme.h"
#include "forms/application.h"
#include "forms/controls.h"
#include "forms/window.h"

namespace hosttest {
namespace {

using automation::Arg;
using automation::CallArgs;
using automation::Currency;
using automation::Date;
using automation::ObjectRef;
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
  auto voucher = create("BComprobante");
  call(voucher, "StartComprobante", {Arg(Date::fromYmd(2026, 11, 30)), Arg(""), Arg("Corte")});
  Variant total(Currency::fromRaw(450300));
  call(voucher, "AddDetalleValor", {Arg("6.1.05"), Arg("gasto"), Arg::ref(total)});
  auto caja = create("Sesion");
  call(caja, "RegistrarRetiro",
       {Arg(int16_t{1}), Arg::ref(total), Arg("Pago"), Arg(Variant::nothing()), Arg("VND"), Arg("V001")},
       {{"Beneficiario", Arg("Rosa")}});
  call(factoryRef, "SubmitDoc", {Arg(automation::get(caja, "UltimoMovCaja"))});
  auto theme = automation::toObject(automation::get(factoryRef, "TemaUI"));
  forms::Application app;
  auto window = std::make_shared<ThemedWindow>();
  Variant form(window->asObject());
  call(theme, "aplicarTema", {Arg::ref(form)});
  call(factoryRef, "ExecuteSQL",
       {Arg("SELECT ?, ?, ?, ?, ?, ?"), Arg(int32_t{7}), Arg(2.5), Arg(Variant::null()), Arg(Variant()),
        Arg(true), Arg(Date::fromYmd(2026, 11, 30, 15, 20, 0))});

  std::vector<std::string> expected{
      R"({"seq":1,"class":"HostFactory","id":1,"member":"crearObjeto","kind":"method","args":[{"type":"String","value":"BComprobante"}],"named":{}})",
      R"({"seq":2,"class":"BComprobante","id":2,"member":"StartComprobante","kind":"method","args":[{"type":"Date","value":"2026-11-30"},{"type":"String","value":""},{"type":"String","value":"Corte"}],"named":{}})",
      R"({"seq":3,"class":"BComprobante","id":2,"member":"AddDetalleValor","kind":"method","args":[{"type":"String","value":"6.1.05"},{"type":"String","value":"gasto"},{"type":"Currency","value":"45.0300","byRef":true}],"named":{}})",
      R"({"seq":4,"class":"HostFactory","id":1,"member":"crearObjeto","kind":"method","args":[{"type":"String","value":"Sesion"}],"named":{}})",
      R"({"seq":5,"class":"Sesion","id":3,"member":"RegistrarRetiro","kind":"method","args":[{"type":"Integer","value":1},{"type":"Currency","value":"45.0300","byRef":true},{"type":"String","value":"Pago"},{"type":"Nothing","value":null},{"type":"String","value":"VND"},{"type":"String","value":"V001"}],"named":{"Beneficiario":{"type":"String","value":"Rosa"}}})",
      R"({"seq":6,"class":"Sesion","id":3,"member":"UltimoMovCaja","kind":"get","args":[],"named":{}})",
      R"({"seq":7,"class":"HostFactory","id":1,"member":"SubmitDoc","kind":"method","args":[{"type":"Object","class":"MovCaja","id":4}],"named":{}})",
      R"({"seq":8,"class":"HostFactory","id":1,"member":"TemaUI","kind":"get","args":[],"named":{}})",
      R"({"seq":9,"class":"TemaUI","id":5,"member":"aplicarTema","kind":"method","args":[{"type":"Object","class":"Form","id":6,"byRef":true}],"named":{}})",
      R"({"seq":10,"class":"HostFactory","id":1,"member":"ExecuteSQL","kind":"method","args":[{"type":"String","value":"SELECT ?, ?, ?, ?, ?, ?"},{"type":"Long","value":7},{"type":"Double","value":2.5},{"type":"Null","value":null},{"type":"Empty","value":null},{"type":"Boolean","value":true},{"type":"Date","value":"2026-11-30T15:20:00"}],"named":{}})",
  };
  EXPECT_EQ(readLines(journal), expected);
  // The window and what is painted on its background take the theme; the rest keeps its colours.
  const host::ThemeLook look;
  EXPECT_EQ(window->backColor(), static_cast<forms::Color>(look.backColor));
  EXPECT_EQ(window->font().name, "DejaVu Sans");
  auto back = [&](const char* name) { return window->control(name)->backColor(); };
  EXPECT_EQ(back("etiqueta"), static_cast<forms::Color>(look.backColor));
  EXPECT_EQ(window->control("etiqueta")->foreColor(), static_cast<forms::Color>(look.foreColor));
  EXPECT_EQ(back("opcion"), static_cast<forms::Color>(look.backColor));
  EXPECT_EQ(back("resaltada"), forms::rgb(255, 255, 0));
  EXPECT_EQ(back("texto"), forms::colors::kWindow);
}

TEST_F(SessionTest, FailAtRaisesOnTheNthCallOnly) {
  options.failAt = host::FaultRule::parse("executesql#2");
  openSession();
  auto update = [&] {
    call(factoryRef, "ExecuteSQL", {Arg("UPDATE Facturas SET Comision = Comision + 1 WHERE Numero = 1")});
  };
  update();
  std::string why = errorOf(host::hosterr::kInjectedFailure, update);
  EXPECT_EQ(why, "injected failure in executesql");
  update();
  EXPECT_EQ(count("SELECT Comision FROM Facturas WHERE Numero = 1"), 32);  // 30.03 + 2, truncated
}

TEST(FaultRule, Parsing) {
  EXPECT_EQ(host::FaultRule::parse("Procesar").nth, 1);
  EXPECT_EQ(host::FaultRule::parse("Procesar#3").nth, 3);
  EXPECT_THROW(host::FaultRule::parse("Procesar#0"), std::invalid_argument);
  EXPECT_THROW(host::FaultRule::parse("Procesar#x"), std::invalid_argument);
  EXPECT_THROW(host::FaultRule::parse("#2"), std::invalid_argument);
}

TEST_F(SessionTest, CrashAtEndsTheProcessAfterJournalingTheCall) {
  auto journal = dir.path() / "journal.jsonl";
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    host::HostOptions o = options;
    o.journalPath = journal;
    o.crashAt = host::FaultRule::parse("StartTransaction");
    auto s = std::make_shared<host::HostSession>(host::Database::open(books), o,
                                                 std::make_shared<RecordingUi>());
    auto f = std::make_shared<host::HostFactory>(s);
    try {
      automation::call(f, "ExecuteSQL", {Arg("UPDATE Facturas SET Comision = 99 WHERE Numero = 2")});
      automation::call(f, "StartTransaction");
    } catch (...) {
    }
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 137);
  auto lines = readLines(journal);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[1].find(R"("member":"StartTransaction")"), std::string::npos);
  EXPECT_EQ(count("SELECT Comision FROM Facturas WHERE Numero = 2"), 99);
}

TEST_F(SessionTest, LockHeldByAnotherProcessTimesOutAndIsFreedWhenItDies) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    host::NamedLock held(books, "TESSALOCKS", 0);
    char c = 'x';
    (void)!::write(ready[1], &c, 1);
    for (;;) ::pause();
  }
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  auto started = std::chrono::steady_clock::now();
  std::string why = errorOf(host::hosterr::kLockTimeout,
                            [&] { call(factoryRef, "SetGlobalLock", {Arg("TESSALOCKS")}); });
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(250));
  EXPECT_NE(why.find("TESSALOCKS"), std::string::npos) << why;
  // Another name is another lock.
  call(factoryRef, "SetGlobalLock", {Arg("OTRO")});
  call(factoryRef, "FreeGlobalLock");

  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
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

TEST_F(SessionTest, LookupsViewersAndWarnings) {
  auto vendedor = call(create("Vendedor"), "Buscar", {Arg("V002")});
  EXPECT_EQ(automation::get(automation::toObject(vendedor), "Nombre"), Variant("Ernesto Villa"));
  EXPECT_TRUE(call(create("Vendedor"), "Buscar", {Arg("v002")}).isNothing());
  auto bancos = create("banco");
  EXPECT_EQ(call(bancos, "validarCodigo", {Arg("BAN02")}), Variant(true));
  EXPECT_EQ(call(bancos, "validarCodigo", {Arg("' OR 1=1 --")}), Variant(false));

  auto factura = create("Factura");
  Variant numero(int32_t{1});
  EXPECT_EQ(call(factura, "Load", {Arg::ref(numero)}), Variant(true));
  call(factura, "Show");
  ASSERT_EQ(ui->documents.size(), 1u);
  EXPECT_EQ(ui->documents[0].caption, "Factura A-0000042");
  Variant missing(int32_t{999});
  EXPECT_EQ(call(factura, "Load", {Arg::ref(missing)}), Variant(false));
  errorOf(host::hosterr::kDocumentState, [&] { call(factura, "Show"); });

  auto cliente = create("CLIENTE");
  EXPECT_EQ(call(cliente, "Load", {Arg("C9")}), Variant(false));
  EXPECT_EQ(call(cliente, "Load", {Arg("C2")}), Variant(true));
  call(cliente, "Show");
  ASSERT_EQ(ui->documents.size(), 2u);
  EXPECT_EQ(ui->documents[1].caption, "Cliente C2");

  call(factoryRef, "mAdvertencia", {Arg("Codigo inválido")});
  EXPECT_EQ(ui->warnings, std::vector<std::string>{"Codigo inválido"});
}

}  // namespace
}  // namespace hosttest
