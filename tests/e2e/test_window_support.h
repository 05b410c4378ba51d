#pragma once
// End-to-end support for the commission window tests: fresh books written by the test, runs of
// tessaline-host --script (whole scripts, or fed line by line so that the test can change the
// books between two operator actions), the JSON events, the journal and the per-user settings.
//
//   WindowBooks books;                        // a fresh directory, books with the fixed schema
//   books.factura({.numero = 1, .fecha = "2024-03-01", .comision = "5"});
//   Salida r = books.run("go V001\ndump\n");
//   EXPECT_EQ(r.state("SelectFacturas")["cantidadFacturas"], 1);

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/books.h"
#include "host/database.h"

namespace window_e2e {

using nlohmann::json;
namespace fs = std::filesystem;

inline std::string hostProgram() {
  if (const char* env = std::getenv("TESSALINE_HOST")) return env;
#ifdef TESSALINE_HOST_BIN
  return TESSALINE_HOST_BIN;
#else
  return "tessaline-host";
#endif
}

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
      if (k == "message" || k == "warning" || k == "question") out.push_back(k + ": " + e.at("text").get<std::string>());
      if (k == "error") out.push_back("error: " + e.at("description").get<std::string>());
    }
    return out;
  }
  // Window `name` in dump number `n` (0 the first; -1 the last).
  Ventana dump(const std::string& name = "SelectFacturas", int n = -1) const {
    auto dumps = of("dump");
    if (dumps.empty()) throw std::runtime_error("the run printed no dump");
    const json& d = n < 0 ? dumps.at(dumps.size() + n) : dumps.at(static_cast<size_t>(n));
    for (const auto& w : d.at("windows"))
      if (w.at("name") == name) return Ventana{w};
    throw std::runtime_error("no window " + name + " in the dump");
  }
  bool unloaded(const std::string& name) const {
    for (const auto& e : of("unload"))
      if (e.at("window") == name) return true;
    return false;
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
    // A host that ends early must not take the test down with a broken pipe.
    ::signal(SIGPIPE, SIG_IGN);
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
    exec("INSERT INTO empresa VALUES (1, 'Comercial Las Acacias', '#,##0.00', 3, 5, 4, 2, 2.5, 1, "
         "'6.1.05.001', '1.1.01.001', '2.1.04.001')");
    exec("INSERT INTO vendedores VALUES ('V001', 'Rosalba Quintero'), ('V002', 'Ernesto Villalobos')");
    exec("INSERT INTO clientes VALUES ('C001', 'Ferreteria El Tornillo'), ('C002', 'Colegio Santa Rosa')");
    exec("INSERT INTO bancos VALUES ('BAN01', 'Banco Meridional', '1.1.02.001', 1001), "
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
      << ", " << f.precio << ", " << f.impuesto1 << ", " << f.impuesto2 << ", " << f.saldo << ", " << f.comision
      << ", " << f.acreditada << ")";
    exec(s.str());
  }

  // Runs a whole script.
  Salida run(const std::string& script, std::vector<std::string> extra = {}) const {
    return runSteps({Step{script, nullptr}}, std::move(extra));
  }

  // Runs a script fed to the host's standard input piece by piece: after each piece that has an
  // action, the host is asked to echo a marker, and the action runs once the marker is back (so
  // everything before it has been done).
  struct Step {
    std::string lines;
    std::function<void()> then;
  };
  Salida runSteps(const std::vector<Step>& steps, std::vector<std::string> extra = {}) const {
    fs::remove(journalPath);
    std::vector<std::string> args = {hostProgram(), "--db",     books.string(), "--script", "-",
                                     "--today",     today,      "--locale",     locale,     "--journal",
                                     journalPath.string(), "--screen", screen};
    for (auto& a : extra) args.push_back(std::move(a));

    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) throw std::runtime_error("pipe failed");
    const fs::path errPath = dir / "stderr.txt";
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      FILE* errFile = std::fopen(errPath.c_str(), "w");
      if (errFile) ::dup2(fileno(errFile), 2);
      ::close(in[0]);
      ::close(in[1]);
      ::close(out[0]);
      ::close(out[1]);
      ::setenv("TESSALINE_CONFIG_HOME", configHome.c_str(), 1);
      ::setenv("TESSALINE_DATA_HOME", (dir / "data").c_str(), 1);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      std::perror("execv");
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);

    Salida r;
    std::string pending;
    auto readLine = [&](std::string& line) {
      while (true) {
        const size_t nl = pending.find('\n');
        if (nl != std::string::npos) {
          line = pending.substr(0, nl);
          pending.erase(0, nl + 1);
          return true;
        }
        char buffer[65536];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        pending.append(buffer, static_cast<size_t>(n));
      }
    };
    auto take = [&](const std::string& line) {
      if (line.empty()) return;
      try {
        r.events.push_back(json::parse(line));
      } catch (const json::exception&) {
        r.events.push_back(json{{"event", "unparsed"}, {"text", line}});
      }
    };
    auto write = [&](const std::string& text) {
      size_t done = 0;
      while (done < text.size()) {
        const ssize_t n = ::write(in[1], text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
      }
      return true;
    };

    int marker = 0;
    bool open = true;
    for (const Step& step : steps) {
      std::string text = step.lines;
      if (!text.empty() && text.back() != '\n') text += '\n';
      if (open) open = write(text);
      if (!step.then) continue;
      const std::string mark = "step-" + std::to_string(marker++);
      if (open) open = write("echo " + mark + "\n");
      std::string line;
      bool seen = false;
      while (!seen && readLine(line)) {
        take(line);
        const json& e = r.events.back();
        seen = e.value("event", "") == "echo" && e.value("text", "") == mark;
      }
      if (seen) step.then();
    }
    ::close(in[1]);
    std::string line;
    while (readLine(line)) take(line);
    if (!pending.empty()) take(pending);
    ::close(out[0]);

    int status = 0;
    ::waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream err(errPath);
    r.err.assign(std::istreambuf_iterator<char>(err), {});
    std::ifstream journal(journalPath);
    for (std::string j; std::getline(journal, j);)
      if (!j.empty()) r.journal.push_back(json::parse(j));
    std::remove(errPath.c_str());
    // The events (a dump holds every cell) are written next to the books for a failing test.
    std::ofstream(dir / "events.jsonl") << [&] {
      std::string s;
      for (const auto& e : r.events) s += e.dump() + "\n";
      return s;
    }();
    return r;
  }

  // ---- Per-user settings (the store file and INI files in the settings directory) ----

  // The value of the settings store, or "<none>".
  std::string setting(const std::string& app, const std::string& section, const std::string& key) const {
    std::ifstream in(configHome / "settings.txt");
    const std::string header = "[" + app + "\\" + section + "]";
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.front() == '[') {
        inside = sameText(unescape(line), header);
        continue;
      }
      const size_t eq = line.find('=');
      if (inside && eq != std::string::npos && sameText(unescape(line.substr(0, eq)), key))
        return unescape(line.substr(eq + 1));
    }
    return "<none>";
  }
  // Writes settings as an operator editing the store file would (replacing the file).
  void writeStore(const std::map<std::string, std::map<std::string, std::string>>& sections) const {
    std::ofstream out(configHome / "settings.txt");
    out << "# Tessaline per-user settings, format 1\n";
    for (const auto& [section, values] : sections) {
      out << "\n[" << escapeName(section) << "]\n";
      for (const auto& [k, v] : values) out << k << "=" << v << "\n";
    }
  }
  void writeIni(const std::string& file, const std::string& text) const { std::ofstream(configHome / file) << text; }

  fs::path dir, configHome, books, journalPath;
  std::string today = "2024-03-10";
  std::string locale = "es_VE";
  std::string screen = "28800x16200";

 private:
  static std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
  }
  static bool sameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
  }
  static std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '%' && i + 2 < s.size()) {
        out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        out += s[i];
      }
    }
    return out;
  }
  // Section paths: the application and the levels joined by '\' (written as they are).
  static std::string escapeName(const std::string& s) { return s; }
};

// The journal value of an argument: {"type":..., "value":...}.
inline json arg(const json& call, size_t i) { return call.at("args").at(i); }

}  // namespace window_e2e
