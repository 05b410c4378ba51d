#pragma once
// End-to-end support for the commission window tests: fresh books written by the test, runs of
// tessaline-host (whole scripts, or fed line by line), the JSON events, the journal and the
// per-user settings.
//
//   WindowBooks books;                        // a fresh directory, books with the fixed schema
//   books.factura({.numero = 1, .fecha = "2024-03-01", .comision = "5"});
//   Salida r = books.run("go V001\ndump\n");
//   EXPECT_EQ(r.dump().state()["cantidadFacturas"], 1);

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/books.h"
#include "host/database.h"
#include "host_process.h"
#include "profile/settings_store.h"

namespace window_e2e {

using nlohmann::json;
namespace fs = std::filesystem;

// One invoice row. Money is written as SQL number text.
struct Factura {
  int64_t numero = 0;
  std::string serie = "A";
  int64_t correlativo = 0;  // 0: the invoice number
  std::string fecha = "2024-03-01";
  std::string cliente = "C001";
  std::string nombreCliente = "Ferreteria El Tornillo";
  std::string vendedor = "V001";
  std::string precio = "100";
  std::string impuesto1 = "16";
  std::string impuesto2 = "0";
  std::string saldo = "0";
  std::string comision = "5";
  int acreditada = 0;
};

// A window of the last dump, and its parts.
struct Ventana {
  json w;
  const json& control(const std::string& name) const { return w.at("controls").at(name); }
  const json& state() const { return w.at("state"); }
  std::string caption(const std::string& name) const { return control(name).at("caption").get<std::string>(); }
  std::string text(const std::string& name) const { return control(name).at("text").get<std::string>(); }
  bool enabled(const std::string& name) const { return control(name).at("enabled").get<bool>(); }
  const json& cells() const { return control("detalles").at("cells"); }
  std::string cell(int row, int col) const { return cells().at(row).at(col).get<std::string>(); }
  int rows() const { return control("detalles").at("rows").get<int>(); }
  std::string active() const { return w.at("activeControl").is_null() ? "" : w.at("activeControl").get<std::string>(); }
  std::string status() const { return w.at("statusText").is_null() ? "" : w.at("statusText").get<std::string>(); }
  // The selected payment option.
  std::string medioPago() const {
    for (const char* o : {"optEfectivo", "optCheque", "optTransferencia", "optNoPagar"})
      if (control(o).at("value").get<bool>()) return o;
    return "";
  }
};

struct Salida {
  int status = -1;
  std::vector<json> events;
  std::string err;
  std::vector<json> journal;

  // The events of one kind, in order.
  std::vector<json> of(const std::string& event) const {
    std::vector<json> out;
    for (const auto& e : events)
      if (e.value("event", "") == event) out.push_back(e);
    return out;
  }
  // The texts of the message boxes, warnings and questions, in order, prefixed with their kind.
  std::vector<std::string> boxes() const {
    std::vector<std::string> out;
    for (const auto& e : events) {
      const std::string k = e.value("event", "");
      if (k == "message" || k == "warning" || k == "question")
        out.push_back(k + ": " + e.at("text").get<std::string>());
      if (k == "error") out.push_back("error: " + e.at("description").get<std::string>());
    }
    return out;
  }
  // The commission window in dump number `n` (0 the first; -1 the last).
  Ventana dump(int n = -1) const { return dump("SelectFacturas", n); }
  // Window `name` in dump number `n`.
  Ventana dump(const std::string& name, int n = -1) const {
    auto dumps = of("dump");
    if (dumps.empty()) throw std::runtime_error("the run printed no dump");
    const json& d = n < 0 ? dumps.at(dumps.size() + n) : dumps.at(static_cast<size_t>(n));
    for (const auto& w : d.at("windows"))
      if (w.at("name") == name) return Ventana{w};
    throw std::runtime_error("no window " + name + " in the dump");
  }
  // Journal lines of one member (case-insensitive not needed: the component spells them).
  std::vector<json> calls(const std::string& member, const std::string& cls = "") const {
    std::vector<json> out;
    for (const auto& j : journal)
      if (j.at("member") == member && (cls.empty() || j.at("class") == cls)) out.push_back(j);
    return out;
  }
  // A readable transcript for failure messages.
  std::string transcript() const {
    std::string s = "exit " + std::to_string(status) + "\n";
    for (const auto& e : events) {
      if (e.value("event", "") == "dump") {
        s += "{dump}\n";
      } else {
        s += e.dump() + "\n";
      }
    }
    return s + err;
  }
};

class WindowBooks {
 public:
  WindowBooks() {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / ("tessaline-window-e2e-" + std::to_string(::getpid()) + "-" +
                                       std::to_string(counter++) + "-" + (info ? info->name() : "x"));
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
    fs::create_directories(dir / "data");
    configHome = dir / "config";
    books = dir / "books.sqlite";
    journalPath = dir / "journal.jsonl";
    host::createSchema(*host::Database::create(books));
    exec(
        "INSERT INTO empresa VALUES (1, 'Comercial Las Acacias', '#,##0.00', 3, 5, 4, 2, 2.5, 1, "
        "'6.1.05.001', '1.1.01.001', '2.1.04.001')");
    exec(
        "INSERT INTO vendedores VALUES ('V001', 'Rosalba Quintero'), ('V002', 'Ernesto "
        "Villalobos')");
    exec(
        "INSERT INTO clientes VALUES ('C001', 'Ferreteria El Tornillo'), ('C002', 'Colegio Santa "
        "Rosa')");
    exec(
        "INSERT INTO bancos VALUES ('BAN01', 'Banco Meridional', '1.1.02.001', 1001), "
        "('BAN02', 'Banco Andino', '1.1.02.002', 523)");
  }
  ~WindowBooks() {
    if (!::testing::Test::HasFailure()) fs::remove_all(dir);
  }
  WindowBooks(const WindowBooks&) = delete;
  WindowBooks& operator=(const WindowBooks&) = delete;

  // Runs statements on the books (through the host's own database layer, a connection of its own).
  void exec(const std::string& sql) const {
    auto db = fs::exists(books) ? host::Database::open(books) : host::Database::create(books);
    db->exec(sql);
  }

  void factura(const Factura& f) const {
    const int64_t correlativo = f.correlativo ? f.correlativo : f.numero;
    std::ostringstream s;
    s << "INSERT INTO Facturas VALUES (" << f.numero << ", " << quote(f.serie) << ", " << correlativo << ", "
      << quote(f.fecha) << ", " << quote(f.cliente) << ", " << quote(f.nombreCliente) << ", " << quote(f.vendedor)
      << ", " << f.precio << ", " << f.impuesto1 << ", " << f.impuesto2 << ", " << f.saldo << ", " << f.comision << ", "
      << f.acreditada << ")";
    exec(s.str());
  }

  e2e::Env variables() const {
    return {{"TESSALINE_CONFIG_HOME", configHome.string()},
            {"TESSALINE_DATA_HOME", (dir / "data").string()},
            {"QT_QPA_PLATFORM", "offscreen"}};
  }
  std::vector<std::string> arguments(const std::vector<std::string>& extra) const {
    std::vector<std::string> args = {
        TESSALINE_HOST_BIN, "--db", books.string(), "--script",           "-",        "--today", today,
        "--locale",         locale, "--journal",    journalPath.string(), "--screen", screen};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  // Runs a whole script.
  Salida run(const std::string& script, const std::vector<std::string>& extra = {}) const {
    fs::remove(journalPath);
    auto p = e2e::runProcess(arguments(extra), variables(), script, dir);
    return collect(p.exitCode, e2e::parseJsonLines(p.out), p.err);
  }
  // Runs tessaline-host with exactly these arguments (no journal).
  Salida runHost(std::vector<std::string> args, const std::string& input = {}) const {
    fs::remove(journalPath);
    args.insert(args.begin(), TESSALINE_HOST_BIN);
    auto p = e2e::runProcess(args, variables(), input, dir);
    return collect(p.exitCode, e2e::parseJsonLines(p.out), p.err);
  }
  // A host fed its script line by line, so that the test can change the books between two
  // operator actions; finish() ends it.
  std::unique_ptr<e2e::LiveHost> live() const {
    fs::remove(journalPath);
    return std::make_unique<e2e::LiveHost>(arguments({}), variables());
  }
  Salida finish(e2e::LiveHost& host) const {
    const int status = host.finish();
    return collect(status, host.events, "");
  }

  // ---- Per-user settings (the store file and INI files in the settings directory) ----

  // The value of the settings store, or "<none>".
  std::string setting(const std::string& app, const std::string& section, const std::string& key) const {
    return profile::SettingsStore(configHome).get(app, section, key, "<none>");
  }
  // Writes settings as an operator editing the store file would (replacing the file).
  void writeStore(const std::map<std::string, std::map<std::string, std::string>>& sections) const {
    std::ofstream out(configHome / "settings.txt");
    out << "# Tessaline per-user settings, format 1\n";
    for (const auto& [section, values] : sections) {
      out << "\n[" << section << "]\n";
      for (const auto& [k, v] : values) out << k << "=" << v << "\n";
    }
  }
  void writeIni(const std::string& file, const std::string& text) const { std::ofstream(configHome / file) << text; }

  fs::path dir, configHome, books, journalPath;
  std::string today = "2024-03-10";
  std::string locale = "es_VE";
  std::string screen = "28800x16200";

 private:
  Salida collect(int status, std::vector<json> events, std::string err) const {
    Salida r{status, std::move(events), std::move(err), {}};
    if (fs::exists(journalPath)) r.journal = e2e::parseJsonLines(e2e::readFile(journalPath));
    return r;
  }
  static std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
  }
};

// Window `name` of a dump event; null when it is not loaded.
inline json ventanaDe(const json& dump, const std::string& name = "SelectFacturas") {
  for (const auto& w : dump.at("windows"))
    if (w.at("name") == name) return w;
  return nullptr;
}

// The journal value of an argument: {"type":..., "value":...}.
inline json arg(const json& call, size_t i) {
  return call.at("args").at(i);
}

}  // namespace window_e2e
