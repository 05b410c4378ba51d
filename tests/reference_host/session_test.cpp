// The journal of received calls, fault injection, the named lock, the factory's other members
// (classes, theme, icons, lookups, viewers), the demo books, the opening of books files, and the
// launcher window of interactive mode with its list of printed documents.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <deque>

#include "automation/error.h"
#include "forms/application.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "forms/window.h"
#include "host/errors.h"
#include "host/named_lock.h"
#include "host/printing.h"
#include "host/theme.h"
#include "host/windows.h"
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
  const auto bg = static_cast<forms::Color>(look.backColor), fg = static_cast<forms::Color>(look.foreColor);
  EXPECT_EQ((std::vector{back("etiqueta"), window->control("etiqueta")->foreColor(), back("opcion"), back("resaltada"),
                         back("texto")}),
            (std::vector{bg, fg, bg, forms::rgb(255, 255, 0), forms::colors::kWindow}));
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
  EXPECT_EQ((std::vector{create("banco")->className(), create("Banco")->className(), create("cliente")->className()}),
            (std::vector<std::string>{"banco", "Banco", "CLIENTE"}));
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

  // Something to list for V001, and the awkward cases: long names, no commission, credited, owing.
  EXPECT_GT(countIn(*dbA, "SELECT count(*) FROM Facturas WHERE Saldo = 0 AND ComisionAcreditada = 0 "
                         "AND Comision > 0 AND codigoVendedor = 'V001'"),
            10);
  for (const char* leftOut : {"length(nombreCliente) > 50", "Comision = 0", "ComisionAcreditada = 1",
                              "Saldo > 0 AND ComisionAcreditada = 0"})
    EXPECT_GT(countIn(*dbA, std::string("SELECT count(*) FROM Facturas WHERE ") + leftOut), 0) << leftOut;
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
    root = countIn(*db, "SELECT rootpage FROM sqlite_master WHERE name = 'Facturas'");
    pageSize = countIn(*db, "PRAGMA page_size");
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

// The operator's next steps inside the modal windows and boxes the launcher opens.
struct Steps final : forms::ModalLoop {
  std::deque<std::function<void()>> next;
  void runModalLoop(const std::function<bool()>& finished) override {
    while (!finished()) {
      if (next.empty()) throw std::logic_error("a modal loop with no step left");
      auto step = std::move(next.front());
      next.pop_front();
      step();
    }
  }
};

using Salespeople = std::vector<host::LauncherWindow::Salesperson>;

TEST(Launcher, GoGetsTheChosenSalespersonOrNothingForAFreeWindow) {
  forms::Application app;
  std::vector<std::string> calls;
  auto launcher = std::make_shared<host::LauncherWindow>(
      Salespeople{{"V001", "Rosa"}, {"V002", "Ernesto"}}, [&](const std::string& code) { calls.push_back(code); },
      "/nonexistent", nullptr);
  launcher->show(false);
  auto* grid = launcher->controlAs<forms::Grid>("vendedores");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(std::pair(grid->rows(), grid->textMatrix(3, 1)), std::pair(4, std::string("Ernesto")));
  auto* action = launcher->controlAs<forms::ActionButton>("cbPagoComisiones");
  ASSERT_NE(action, nullptr);

  launcher->operatorClick(*action);  // the free-window row is current at first
  launcher->operatorDblClick(*grid, 3, 0);
  launcher->operatorCell(*grid, 2, 1);
  launcher->operatorClick(*action);
  EXPECT_EQ(calls, (std::vector<std::string>{"", "V002", "V001"}));

  // A window open for V002 comes forward instead of a second one.
  struct Open final : forms::Window {
    Open() : Window("SelectFacturas") {}
    void build() override {}
    nlohmann::json stateJson() const override { return {{"vendedorCargado", "V002"}, {"vendedorFijo", true}}; }
  };
  auto open = std::make_shared<Open>();
  open->show(false);
  launcher->show(false);
  launcher->operatorDblClick(*grid, 3, 0);
  EXPECT_EQ(calls.size(), 3u);
  EXPECT_EQ(app.activeWindow(), open.get());

  launcher->operatorClick(*launcher->controlAs<forms::ActionButton>("cbSalir"));
  EXPECT_FALSE(launcher->isLoaded());
}

class Printouts : public ::testing::Test {
 protected:
  void SetUp() override { app.setModalLoop(&steps); }
  void TearDown() override { app.setModalLoop(nullptr); }

  std::filesystem::path write(const std::string& name, int secondsAgo) {
    auto file = dir.path() / name;
    std::ofstream(file) << "%PDF-1.4\n";
    std::filesystem::last_write_time(file,
                                     std::filesystem::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
    return file;
  }
  // The launcher's "Documentos impresos" button on `folder`, with `opener` answering whether a
  // file opened and `reprint` rendering a printout again.
  void clickPrintouts(std::function<bool(const std::filesystem::path&)> opener, host::ReprintDocument reprint = nullptr,
                      std::filesystem::path folder = {}) {
    launcher = std::make_shared<host::LauncherWindow>(Salespeople{}, [](const std::string&) {},
                                                      folder.empty() ? dir.path() : folder, std::move(opener),
                                                      std::move(reprint));
    launcher->show(false);
    launcher->operatorClick(*launcher->controlAs<forms::ActionButton>("cbImpresos"));
  }
  forms::Window& top() { return *app.activeWindow(); }
  forms::Grid& list() { return *top().controlAs<forms::Grid>("impresos"); }

  TempDir dir;
  forms::Application app;
  Steps steps;
  std::shared_ptr<host::LauncherWindow> launcher;
};

// Listed newest first, without half-written printouts or other files; the chosen one opens (double
// click, or Enter on the current row), and a failure to open is said.
TEST_F(Printouts, TheChosenOneOpensAndAFailureToOpenIsSaid) {
  auto cheque = write("cheque-BAN01-1001-m17-0a1b2c3d.pdf", 7200);
  auto transfer = write("transferencia-BAN02-TR-55-m18-0a1b2c3d.pdf", 60);
  write(".cheque-BAN01-1002-m19.pdf.4242.part", 0);
  write("notas.txt", 0);
  std::vector<std::filesystem::path> opened;
  bool opens = true;
  std::string warning;
  steps.next = {
      [&] {
        ASSERT_EQ(top().name(), "Impresos");
        EXPECT_EQ(list().rows(), 3);
        EXPECT_EQ(list().textMatrix(1, 1), transfer.filename().string());
        top().operatorDblClick(list(), 2, 0);
        top().operatorKey(forms::keys::kEnter);  // the default button, on the current row
      },
      [&] {
        opens = false;
        top().operatorClick(*top().controlAs<forms::ActionButton>("cbAbrir"));
      },
      [&] {
        ASSERT_NE(app.activeMessageBox(), nullptr);
        warning = app.activeMessageBox()->text();
        app.answerMessageBox(forms::MessageBox::Answer::Ok);
      },
      [&] {
        opens = true;
        top().operatorClick(*top().controlAs<forms::ActionButton>("cbReimprimir"));  // the cheque, again
        EXPECT_EQ(std::tuple(list().rows(), list().textMatrix(1, 1), list().row()),
                  std::tuple(4, "cheque-BAN01-1001-m17-0a1b2c3d-2.pdf", 1));
      },
      [&] { top().operatorKey(forms::keys::kEscape); },
  };
  std::vector<std::pair<int64_t, std::string>> reprinted;
  clickPrintouts(
      [&](const std::filesystem::path& file) {
        opened.push_back(file);
        return opens;
      },
      [&](const host::Printout& p) {
        reprinted.emplace_back(p.movement.value_or(0), p.books);
        return write("cheque-BAN01-1001-m17-0a1b2c3d-2.pdf", 0);
      });
  EXPECT_EQ(reprinted, (std::vector<std::pair<int64_t, std::string>>{{17, "0a1b2c3d"}}));
  EXPECT_EQ(opened, (std::vector<std::filesystem::path>{cheque, cheque, cheque,
                                                        dir.path() / "cheque-BAN01-1001-m17-0a1b2c3d-2.pdf"}));
  EXPECT_NE(warning.find("No se pudo abrir " + cheque.string()), std::string::npos) << warning;
  EXPECT_TRUE(steps.next.empty());
  EXPECT_EQ(app.activeWindow(), launcher.get()) << "Esc closed the list";
}

TEST_F(Printouts, NoneYetIsSaidInsteadOfAnEmptyList) {
  std::string message;
  steps.next = {[&] {
    ASSERT_NE(app.activeMessageBox(), nullptr);
    message = app.activeMessageBox()->text();
    app.answerMessageBox(forms::MessageBox::Answer::Ok);
  }};
  clickPrintouts(nullptr, nullptr, dir.path() / "missing");
  EXPECT_EQ(message, "No hay documentos impresos en " + (dir.path() / "missing").string() + ".");
  EXPECT_EQ(app.activeWindow(), launcher.get());
}

}  // namespace
}  // namespace hosttest
