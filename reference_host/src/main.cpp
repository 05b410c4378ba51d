// tessaline-host: the reference accounting host. Opens the books, builds the host objects,
// loads the component (Quorvane.Activator) and calls its `go`, either from a script (headless)
// or from the launcher window (interactive).

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/date.h"
#include "automation/error.h"
#include "automation/module.h"
#include "automation/object.h"
#include "forms/application.h"
#include "forms/driver.h"
#include "host/books.h"
#include "host/errors.h"
#include "host/cuts.h"
#include "host/factory.h"
#include "host/printing.h"
#include "host/session.h"
#include "host/windows.h"
#include "profile/paths.h"
#include "regional/regional_settings.h"
#include "text/text.h"
#ifdef TESSALINE_WITH_QT_VIEW
#include "forms_qt/qt_view.h"
#endif

namespace {

constexpr const char* kProgId = "Quorvane.Activator";
constexpr double kMaxLockTimeout = 86400;

struct Settings {
  std::string db;
  bool initDemo = false;
  bool check = false;
  std::optional<std::string> importBooks;
  std::optional<std::string> vendedor;
  std::optional<std::string> script;
  std::optional<std::string> ui;
  std::optional<std::string> journal;
  std::optional<std::string> printDir;
  std::optional<std::string> today;
  std::optional<std::string> locale;
  std::string screen = "28800x16200";
  double lockTimeout = 10;
  std::optional<std::string> failAt;
  std::optional<std::string> crashAt;
};

// A wait for the named lock: a plain number of seconds from 0 to a day. Infinities, NaN and
// huge values would overflow the clock's deadline and give up at once.
CLI::Validator lockTimeoutSeconds() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        double v = 0;
        const char* end = text.data() + text.size();
        auto [last, ec] = std::from_chars(text.data(), end, v);
        if (ec == std::errc{} && last == end && v >= 0 && v <= kMaxLockTimeout) return {};
        return "the lock timeout must be a number of seconds from 0 to 86400, not '" + text + "'";
      },
      "SECONDS (0 to 86400)");
}

// Thrown for a failure that ends the program with status 1 and a message on stderr.
struct Fatal {
  std::string message;
};

std::filesystem::path executableDir() {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path() : self.parent_path();
}

std::pair<int, int> parseScreen(const std::string& text) {
  size_t x = text.find_first_of("xX");
  try {
    if (x != std::string::npos) {
      size_t used = 0;
      int w = std::stoi(text.substr(0, x), &used);
      bool ok = used == x;
      size_t usedH = 0;
      int h = std::stoi(text.substr(x + 1), &usedH);
      ok = ok && usedH == text.size() - x - 1;
      if (ok && w > 0 && h > 0) return {w, h};
    }
  } catch (const std::exception&) {
  }
  throw Fatal{"--screen wants WIDTHxHEIGHT in twips, e.g. 28800x16200 (got '" + text + "')"};
}

constexpr const char* kModuleFile = "libTessaline.so";

#ifndef TESSALINE_MODULE_DIR
#error "TESSALINE_MODULE_DIR must give the installed module's directory relative to the program's directory"
#endif

// Where the component module that comes with this program lies, in the order they are tried:
// installed, the private library directory (TESSALINE_MODULE_DIR, relative to the program's own
// directory); in a build tree, lib/ beside bin/.
std::vector<std::filesystem::path> bundledModuleCandidates() {
  const auto dir = executableDir();
  return {(dir / TESSALINE_MODULE_DIR / kModuleFile).lexically_normal(),
          (dir / ".." / "lib" / kModuleFile).lexically_normal()};
}

// Loads the component, registering the module that comes with this program first when the class
// is unknown or its registered module is gone.
automation::ObjectRef createActivator() {
  auto& registry = automation::ClassRegistry::forCurrentUser();
  auto clsid = registry.clsidOf(kProgId);
  bool stale = false;
  if (clsid) {
    auto path = registry.modulePathOf(*clsid);
    std::error_code ec;
    stale = !path || !std::filesystem::exists(*path, ec);
  }
  if (!clsid || stale) {
    const auto candidates = bundledModuleCandidates();
    std::optional<std::filesystem::path> module;
    for (const auto& c : candidates) {
      std::error_code ec;
      if (std::filesystem::exists(c, ec)) {
        module = c;
        break;
      }
    }
    if (!module)
      throw Fatal{std::string(kProgId) + " is not registered and no component module was found beside this " +
                  "program (" + candidates[0].string() + " or " + candidates[1].string() +
                  "; build the component first)"};
    std::cerr << "tessaline-host: registering " << module->string() << " (" << kProgId
              << (stale ? " pointed to a module that is gone" : " was not registered") << ")\n";
    registry.registerModule(*module);
  }
  return registry.createObject(kProgId);
}

// The host's `go`: go(factory, code), both by reference as the component's interface has them.
void callGo(const automation::ObjectRef& activator, automation::Variant& factory,
            const std::string& code) {
  automation::Variant codigo(code);
  automation::call(activator, "go", {automation::Arg::ref(factory), automation::Arg::ref(codigo)});
}

std::vector<host::LauncherWindow::Salesperson> salespeople(host::Database& db) {
  std::vector<host::LauncherWindow::Salesperson> out;
  auto st = db.prepare("SELECT codigo, nombre FROM vendedores ORDER BY codigo");
  while (st.step()) out.emplace_back(st.columnText(0), st.columnText(1));
  return out;
}

// --import-books: copies SQLite books into the server database of --db and prints the totals.
int importBooks(const Settings& s) {
  if (!host::isServerLocation(s.db))
    throw Fatal{"--import-books copies SQLite books into a database on a server: give its URI in --db "
                "(postgresql://...)"};
  if (s.initDemo) throw Fatal{"--import-books and --init-demo both write the books; give one of them"};
  try {
    auto db = host::Database::create(s.db);
    const auto totals = host::importBooks(*db, *s.importBooks);
    std::cout << "imported " << *s.importBooks << " into " << db->describe() << "\n";
    for (const auto& t : totals) std::cout << "  " << host::totalsText(t) << "\n";
  } catch (const automation::Error& e) {
    throw Fatal{e.description()};
  }
  return 0;
}

std::shared_ptr<host::Database> openBooks(const Settings& s) {
  try {
    if (host::isServerLocation(s.db)) {
      if (s.initDemo) {
        auto db = host::Database::create(s.db);
        host::initDemoBooks(*db);
        std::cerr << "tessaline-host: wrote demo books into " << db->describe() << "\n";
      }
      return host::Database::open(s.db);
    }
    std::filesystem::path dbPath =
        s.db.empty() ? profile::dataHome() / "books.sqlite" : std::filesystem::path(s.db);
    if (s.initDemo && host::createDemoBooks(dbPath))
      std::cerr << "tessaline-host: created demo books " << dbPath.string() << "\n";
    return host::Database::open(dbPath);
  } catch (const automation::Error& e) {
    throw Fatal{e.description()};
  }
}

// --check: the books' structure, checked apart from every start because it reads the whole file.
int checkBooks(const Settings& s, host::Database& db) {
  if (host::isServerLocation(s.db)) {
    std::cout << "the server keeps the books " << db.describe()
              << " whole itself; nothing to check\n";
    return 0;
  }
  try {
    db.checkIntegrity();
  } catch (const automation::Error& e) {
    throw Fatal{e.description()};
  }
  std::cout << "checked " << db.describe() << ": no damage found\n";
  return 0;
}

int run(const Settings& s, int& argc, char** argv) {
  if (s.importBooks) return importBooks(s);
  std::shared_ptr<host::Database> db = openBooks(s);
  if (s.check) return checkBooks(s, *db);
  if (db->readOnly())
    std::cerr << "tessaline-host: the books " << db->describe() << " are read-only; processing will fail\n";

  // The salesperson of --vendedor must be in the books as given: the window would otherwise open
  // on a code it can find nothing for.
  if (s.vendedor && !s.script) {
    auto st = db->prepare("SELECT codigo FROM vendedores WHERE codigo = ? OR codigo = ?");
    st.bind(1, *s.vendedor);
    st.bind(2, text::upperCode(*s.vendedor));
    std::string found;
    while (st.step()) {
      found = st.columnText(0);
      if (found == *s.vendedor) break;
    }
    if (found != *s.vendedor)
      throw Fatal{"--vendedor " + *s.vendedor + ": the books " + db->describe() + " have no salesperson with that code" +
                  (found.empty() ? std::string() : " (codes are written in capitals: " + found + ")")};
  }

  // Time and place.
  if (s.today) {
    auto d = automation::Date::parseIso(*s.today);
    if (!d || d->hasTime() || s.today->size() != 10)
      throw Fatal{"--today wants a date YYYY-MM-DD (got '" + *s.today + "')"};
    automation::setToday(*d);
  }
  regional::RegionalSettings regional;
  try {
    regional = s.locale ? regional::RegionalSettings::fromLocale(*s.locale)
                        : regional::RegionalSettings::fromEnvironment();
  } catch (const std::exception& e) {
    throw Fatal{"--locale " + s.locale.value_or("") + ": " + e.what()};
  }
  auto [screenW, screenH] = parseScreen(s.screen);

  // Host objects.
  host::HostOptions options;
  options.printDir = s.printDir ? std::filesystem::path(*s.printDir) : profile::dataHome() / "prints";
  options.lockTimeoutSeconds = s.lockTimeout;
  if (s.journal) options.journalPath = *s.journal;
  try {
    if (s.failAt) options.failAt = host::FaultRule::parse(*s.failAt);
    if (s.crashAt) options.crashAt = host::FaultRule::parse(*s.crashAt);
  } catch (const std::invalid_argument& e) {
    throw Fatal{std::string("--fail-at/--crash-at: ") + e.what()};
  }
  options.symbols = regional.numberSymbols();
  try {
    for (const auto& line : host::recoverPrintouts(*db, options.printDir)) std::cerr << "tessaline-host: " << line << "\n";
  } catch (const automation::Error& e) {
    throw Fatal{"cannot look at the printouts left in " + options.printDir.string() + ": " + e.description()};
  }

  bool scripted = s.script.has_value();
  std::string ui = s.ui.value_or(scripted ? "headless" : "qt");

  forms::Application app(regional, screenW, screenH);
  std::shared_ptr<host::HostSession> session;
  try {
    session = std::make_shared<host::HostSession>(db, options, std::make_shared<host::FormsUi>());
  } catch (const std::exception& e) {
    throw Fatal{e.what()};
  }
  automation::Variant factory(std::make_shared<host::HostFactory>(session));

  automation::ObjectRef activator;
  try {
    activator = createActivator();
  } catch (const automation::Error& e) {
    throw Fatal{"cannot create " + std::string(kProgId) + ": " + e.description()};
  }
  auto go = [&](const std::string& code) { callGo(activator, factory, code); };

  if (scripted) {
    if (s.vendedor) throw Fatal{"--vendedor is for interactive mode; a script says `go CODE`"};
    forms::ScriptDriver driver(app, std::cout);
    driver.onGo(go);
    if (ui == "qt") {
#ifdef TESSALINE_WITH_QT_VIEW
      // The same driver; the view mirrors the windows, redraws between lines and takes shots.
      auto view = forms_qt::QtView::attach(app, argc, argv);
      driver.onShot(view->shotHook());
      std::ifstream file;
      if (*s.script != "-") {
        file.open(*s.script);
        if (!file) throw Fatal{"cannot read the script " + *s.script};
      }
      auto input = view->pumpingInput(*s.script == "-" ? std::cin : file);
      return driver.run(*input);
#else
      throw Fatal{"this tessaline-host was built without the Qt view; use --ui headless"};
#endif
    }
    return driver.runFile(*s.script);
  }

  if (ui != "qt")
    throw Fatal{"--ui headless has no operator: give a --script (or use --ui qt)"};
#ifdef TESSALINE_WITH_QT_VIEW
  auto view = forms_qt::QtView::attach(app, argc, argv);
  view->useScreenSize();
  app.setPreferences(std::make_shared<host::StorePreferences>());
  std::shared_ptr<host::LauncherWindow> launcher;
  if (s.vendedor) {
    app.runHandler([&] { go(*s.vendedor); }, "tessaline-host");
  } else {
    launcher = std::make_shared<host::LauncherWindow>(
        salespeople(*db), go, options.printDir,
        [](const std::filesystem::path& file) { return forms_qt::QtView::openDocument(file.string()); },
        [&](const host::Printout& p) {
          if (!p.movement || p.books != host::printTag(*db))
            throw automation::Error(host::hosterr::kNotFound, host::kErrorSource,
                                    p.file.filename().string() + " was not printed from the books " + db->describe());
          return host::reprintBankDocument(*db, *p.movement, options.symbols, options.printDir);
        },
        [db, dir = options.printDir] { return host::processedCuts(*db, dir); });
    // A cut committed in one of the windows shows in the register at once.
    session->afterCommit = [&launcher] {
      if (launcher) launcher->refreshCuts();
    };
    launcher->show();
  }
  // Ends when the last window closes.
  return view->exec();
#else
  (void)argc;
  (void)argv;
  (void)salespeople;
  throw Fatal{"this tessaline-host was built without the Qt view, so it cannot open windows; "
              "run a --script (headless) instead"};
#endif
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  CLI::App cli{"tessaline-host: the reference accounting host (books in SQLite or on a PostgreSQL "
               "server) that loads Quorvane.Activator and calls its go"};
  cli.set_version_flag("--version", "tessaline-host " TESSALINE_VERSION);
  cli.add_option("--db", s.db,
                 "the SQLite books file (default: books.sqlite in the data directory), or a PostgreSQL "
                 "connection URI (postgresql://...)");
  cli.add_flag("--init-demo", s.initDemo,
               "create the books with demo data when the file does not exist (with a URI: write them into "
               "a database without books)");
  cli.add_option("--import-books", s.importBooks,
                 "with a URI in --db: copy the SQLite books FILE into that database, check and print the "
                 "totals, and exit");
  cli.add_flag(
      "--check", s.check,
      "check the structure of the SQLite books file (pages, records, required columns) and exit");
  cli.add_option("--vendedor", s.vendedor, "interactive mode: call go with CODE at start");
  cli.add_option("--script", s.script, "run operator actions from FILE ('-' = standard input)");
  cli.add_option("--ui", s.ui, "qt or headless (default: qt without --script, headless with it)")
      ->check(CLI::IsMember({"qt", "headless"}));
  cli.add_option("--journal", s.journal, "append every late-bound call the host receives (JSON lines)");
  cli.add_option("--print-dir", s.printDir, "where printed cheques and transfers are written");
  cli.add_option("--today", s.today, "the system date YYYY-MM-DD seen by the host and the component");
  cli.add_option("--locale", s.locale, "regional settings, an ICU locale id such as es_VE");
  cli.add_option("--screen", s.screen, "headless screen size in twips, WxH");
  cli.add_option("--lock-timeout", s.lockTimeout, "seconds SetGlobalLock waits for a lock held elsewhere")
      ->check(lockTimeoutSeconds());
  cli.add_option("--fail-at", s.failAt, "MEMBER[#N]: the N-th call of MEMBER raises error 50001");
  cli.add_option("--crash-at", s.crashAt, "MEMBER[#N]: the process ends at once at that call");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int code = cli.exit(e);
    return code == 0 ? 0 : 1;
  }
  try {
    return run(s, argc, argv);
  } catch (const Fatal& f) {
    std::cerr << "tessaline-host: " << f.message << "\n";
  } catch (const automation::Error& e) {
    std::cerr << "tessaline-host: " << e.description() << " (error " << e.number() << ", "
              << e.source() << ")\n";
  } catch (const std::exception& e) {
    std::cerr << "tessaline-host: " << e.what() << "\n";
  }
  return 1;
}
