#pragma once
// End-to-end support: tessaline-host run as a child process (a whole script, or live, fed line by
// line), books written by the test on either driver, and what a run leaves: its JSON events, the
// journal, every table of the books as text, the named lock and the per-user settings.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "automation/error.h"
#include "host/books.h"
#include "host/database.h"
#include "host/errors.h"
#include "host/printing.h"
#include "profile/settings_store.h"

#ifndef TESSALINE_HOST_PROGRAM
#error "TESSALINE_HOST_PROGRAM must name the tessaline-host program"
#endif

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;
using nlohmann::json;
using Env = std::map<std::string, std::string>;

// ---- Running the host ----

inline std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The JSON objects of a file, one a line; other lines are skipped.
inline std::vector<json> leerJsonLines(const fs::path& file) {
  std::vector<json> out;
  std::istringstream in(readFile(file));
  for (std::string line; std::getline(in, line);) {
    auto j = json::parse(line, nullptr, false);
    if (j.is_object()) out.push_back(std::move(j));
  }
  return out;
}

// A host fed its script line by line on standard input; its events are read as they come. `err`,
// when given, is the file its standard error goes to.
class LiveHost {
 public:
  LiveHost(std::vector<std::string> argv, const Env& env, const fs::path& err = {}) {
    ::signal(SIGPIPE, SIG_IGN);  // a host that ends early must not take the test down
    // argv and envp for execve, built before the fork: this process's environment with `env` over it.
    std::vector<std::string> vars;
    for (char** e = environ; *e != nullptr; ++e)
      if (!env.count(std::string(*e).substr(0, std::string(*e).find('=')))) vars.emplace_back(*e);
    for (const auto& [k, v] : env) vars.push_back(k + "=" + v);
    std::vector<char*> argp, envp;
    for (auto& a : argv) argp.push_back(a.data());
    for (auto& v : vars) envp.push_back(v.data());
    argp.push_back(nullptr);
    envp.push_back(nullptr);
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      if (!err.empty()) ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
      ::execve(argp[0], argp.data(), envp.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    in_ = in[1];
    out_ = ::fdopen(out[0], "r");
  }
  ~LiveHost() {
    if (in_ >= 0) ::close(in_);
    if (out_) std::fclose(out_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  LiveHost(const LiveHost&) = delete;
  LiveHost& operator=(const LiveHost&) = delete;

  void send(std::string lines) {
    if (lines.empty() || lines.back() != '\n') lines += '\n';
    for (size_t done = 0; done < lines.size();) {
      const ssize_t w = ::write(in_, lines.data() + done, lines.size() - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) throw std::runtime_error("the host does not read its script");
      done += static_cast<size_t>(w);
    }
  }
  // The next event; nullopt at the end of the output.
  std::optional<json> next() {
    char* line = nullptr;
    size_t cap = 0;
    for (ssize_t n; (n = ::getline(&line, &cap, out_)) >= 0;) {
      text.append(line, static_cast<size_t>(n));
      auto j = json::parse(std::string(line, static_cast<size_t>(n)), nullptr, false);
      if (!j.is_object()) continue;
      std::free(line);
      events.push_back(j);
      return j;
    }
    std::free(line);
    return std::nullopt;
  }
  // Reads events until one of kind `event` (and, when given, with that text) arrives.
  json waitFor(const std::string& event, const std::string& text = {}) {
    for (;;) {
      auto e = next();
      if (!e) throw std::runtime_error("the host ended before the event " + event);
      if (e->value("event", "") == event && (text.empty() || e->value("text", "") == text)) return *e;
    }
  }
  // Closes the script, reads the rest of the events and returns the exit status.
  int finish() {
    ::close(in_);
    in_ = -1;
    while (next()) {
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  std::vector<json> events;
  std::string text;  // everything it printed
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  FILE* out_ = nullptr;
};

// ---- What a run printed ----

inline std::vector<json> eventosDe(const std::vector<json>& eventos, const std::string& kind) {
  std::vector<json> out;
  for (const auto& e : eventos)
    if (e.value("event", "") == kind) out.push_back(e);
  return out;
}

// Window `name` of a dump event; null when it is not loaded.
inline json ventana(const json& dump, const std::string& name = "SelectFacturas") {
  for (const auto& w : dump.at("windows"))
    if (w.at("name") == name) return w;
  return nullptr;
}

// A window of a dump, and its parts.
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

// The window's state holds each value of `esperado` (its other keys are not looked at).
inline void esperarEstado(const Ventana& v, const json& esperado, const std::string& donde = "") {
  for (const auto& [k, e] : esperado.items()) EXPECT_EQ(v.state().at(k), e) << k << " " << donde;
}

// A run: exit status (or 128 + signal), events, standard error, when it kept one its journal, and
// its whole standard output.
struct Salida {
  int status = -1;
  std::vector<json> events;
  std::string err;
  std::vector<json> journal;
  std::string out;

  std::vector<json> of(const std::string& event) const { return eventosDe(events, event); }
  // The texts of the message boxes, warnings, questions and errors, in order, prefixed with their kind.
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
  Ventana dump(int n = -1, const std::string& name = "SelectFacturas") const {
    auto dumps = of("dump");
    if (dumps.empty()) throw std::runtime_error("the run printed no dump");
    json w = ventana(n < 0 ? dumps.at(dumps.size() + n) : dumps.at(static_cast<size_t>(n)), name);
    if (w.is_null()) throw std::runtime_error("no window " + name + " in the dump");
    return Ventana{std::move(w)};
  }
  std::vector<json> calls(const std::string& member, const std::string& cls = "") const {
    std::vector<json> out;
    for (const auto& j : journal)
      if (j.at("member") == member && (cls.empty() || j.at("class") == cls)) out.push_back(j);
    return out;
  }
  // A readable transcript for failure messages.
  std::string transcript() const {
    std::string s = "exit " + std::to_string(status) + "\n";
    for (const auto& e : events) s += e.value("event", "") == "dump" ? "{dump}\n" : e.dump() + "\n";
    return s + err;
  }
};

// The journal value of an argument: {"type":..., "value":...}.
inline json arg(const json& call, size_t i) { return call.at("args").at(i); }

// One journal entry as readable text: Class.Member(args) {named}; objects by class, references
// marked with &.
inline std::string valorTexto(const json& v) {
  const std::string t = v.at("type").get<std::string>();
  std::string s = t;
  if (t == "Object")
    s += ":" + v.at("class").get<std::string>();
  else if (t != "Empty" && t != "Null" && t != "Nothing")
    s += ":" + (v.at("value").is_string() ? v.at("value").get<std::string>() : v.at("value").dump());
  return v.value("byRef", false) ? "&" + s : s;
}
inline std::string llamadaTexto(const json& e) {
  std::string s = e.at("class").get<std::string>() + "." + e.at("member").get<std::string>() + "(";
  for (size_t i = 0; i < e.at("args").size(); ++i) s += (i ? ", " : "") + valorTexto(e.at("args")[i]);
  s += ")";
  for (const auto& [k, v] : e.at("named").items()) s += " " + k + ":=" + valorTexto(v);
  return s;
}

// A temporary folder with the runs' own settings and data folders; kept when the test failed.
class Entorno {
 public:
  Entorno() {
    std::string pattern = (fs::temp_directory_path() / "tessaline-e2e-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    fs::create_directories(dir_ / "config");
    fs::create_directories(dir_ / "data");
  }
  ~Entorno() {
    std::error_code ec;
    if (!::testing::Test::HasFailure()) fs::remove_all(dir_, ec);
  }
  Entorno(const Entorno&) = delete;
  Entorno& operator=(const Entorno&) = delete;
  const fs::path& dir() const { return dir_; }
  fs::path configHome() const { return dir_ / "config"; }
  Env variables() const {
    return {{"TESSALINE_CONFIG_HOME", configHome().string()},
            {"TESSALINE_DATA_HOME", (dir_ / "data").string()},
            {"QT_QPA_PLATFORM", "offscreen"}};
  }

 private:
  fs::path dir_;
};

// Runs a program with `input` on its standard input and waits for it; `journal`, when given, is
// read afterwards.
inline Salida correr(const Entorno& env, const std::vector<std::string>& argv, const std::string& input,
                     const fs::path& journal = {}) {
  static std::atomic<int> cuenta{0};
  const fs::path err = env.dir() / ("stderr-" + std::to_string(++cuenta));
  LiveHost host(argv, env.variables(), err);
  try {
    if (!input.empty()) host.send(input);
  } catch (const std::runtime_error&) {  // it ended before reading it all
  }
  const int status = host.finish();
  return {status, host.events, readFile(err), journal.empty() ? std::vector<json>{} : leerJsonLines(journal), host.text};
}

// Runs tessaline-host with a whole script on standard input.
inline Salida ejecutar(const Entorno& env, std::vector<std::string> args, const std::string& script,
                       const fs::path& journal = {}) {
  args.insert(args.end(), {"--script", "-"});
  return correr(env, args, script, journal);
}

// Runs every job, two at a time (one per core), and returns their results in order.
inline std::vector<Salida> ejecutarTodos(const Entorno& env,
                                         const std::vector<std::pair<std::vector<std::string>, std::string>>& trabajos) {
  std::vector<Salida> out(trabajos.size());
  std::atomic<size_t> siguiente{0};
  auto obrero = [&] {
    for (size_t i = siguiente++; i < trabajos.size(); i = siguiente++) out[i] = ejecutar(env, trabajos[i].first, trabajos[i].second);
  };
  std::thread otro(obrero);
  obrero();
  otro.join();
  return out;
}

inline std::unique_ptr<LiveHost> hostVivo(const Entorno& env, std::vector<std::string> args) {
  args.insert(args.end(), {"--script", "-"});
  return std::make_unique<LiveHost>(args, env.variables());
}

// ---- The books ----

// The rows of a query as text, one line each ("|" between columns, NULL for null).
inline std::vector<std::string> filas(const std::string& books, const std::string& sql) {
  auto db = host::Database::open(books);
  auto st = db->prepare(sql);
  std::vector<std::string> out;
  while (st.step()) {
    std::string fila;
    for (int c = 0; c < st.columnCount(); ++c) fila += (c ? "|" : "") + (st.isNull(c) ? "NULL" : st.columnText(c));
    out.push_back(fila);
  }
  return out;
}

// Every table of the books as text, row by row in key order, for comparing books.
inline std::map<std::string, std::vector<std::string>> tablas(const std::string& books) {
  std::map<std::string, std::vector<std::string>> out;
  for (const char* t : {"empresa", "vendedores", "clientes", "bancos", "Facturas", "comprobantes", "comprobante_lineas",
                        "cuenta_vendedor", "movimientos_banco", "movimientos_caja"})
    out[t] = filas(books, std::string("SELECT * FROM ") + t + " ORDER BY 1, 2");
  return out;
}

// The database's own check of a books file: {"ok"} when whole (a server keeps its databases
// whole itself).
inline std::vector<std::string> integridad(const std::string& books) {
  if (host::isServerLocation(books)) return {"ok"};
  return filas(books, "PRAGMA integrity_check");
}

// The file names in a print folder, sorted, with the tag of `books` taken out of them (so that
// the printouts of copies of the books compare equal).
inline std::vector<std::string> impresosDe(const fs::path& dir, const std::string& books) {
  const std::string tag = "-" + host::printTag(*host::Database::open(books));
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& f : fs::directory_iterator(dir, ec)) {
    std::string n = f.path().filename().string();
    if (const size_t at = n.find(tag); at != std::string::npos) n.erase(at, tag.size());
    out.push_back(n);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Whether nobody holds the named lock "TESSALOCKS" of these books.
inline bool bloqueoLibre(const std::string& books) {
  try {
    host::Database::open(books)->lock("TESSALOCKS", 0);
    return true;
  } catch (const automation::Error& e) {
    if (e.number() != host::hosterr::kLockTimeout) throw;
    return false;
  }
}

// ---- The commission cut's books, on either driver ----

inline constexpr const char* kFuente = "SelectFacturas::cbProcesar_Click";

// Salesperson V1 with four open invoices (one with a long customer name with accents), one
// invoice credited already and one of another salesperson; two banks.
//   row 1  A-0000042  Abastos Uno               net 1000.00  commission 30.00
//   row 2  A-0000043  Ferretería Dos            net  700.00  commission 10.00
//   row 3  B-0000007  (long name, 61 chars)     net 1234.56  commission 61.73
//   row 4  B-0000008  Abastos Uno               net  500.00  commission 15.00
inline void escribirLibros(const std::string& books) {
  auto db = host::Database::create(books);
  host::createSchema(*db);
  db->exec(R"sql(
BEGIN;
INSERT INTO empresa VALUES (1, 'Prueba C.A.', '#,##0.00', 3, 5, 4, 2, 2.5, 1,
                            '6.1.05', '1.1.01', '2.1.04');
INSERT INTO vendedores VALUES ('V1', 'Rosa Peña'), ('V2', 'Ernesto Villa');
INSERT INTO clientes VALUES ('C1', 'Abastos Uno'), ('C2', 'Ferretería Dos'),
  ('C3', 'Distribuidora Ñandú de Occidente y Oriente, Compañía Anónima');
INSERT INTO bancos VALUES ('BAN01', 'Banco Meridional', '1.1.02.001', 1001),
                          ('BAN02', 'Banco Andino', '1.1.02.002', 7);
INSERT INTO Facturas VALUES
  (11, 'A', 42, '2026-11-02', 'C1', 'Abastos Uno', 'V1', 1000, 160, 0, 0, 30, 0),
  (12, 'A', 43, '2026-11-03', 'C2', 'Ferretería Dos', 'V1', 700, 112, 0, 0, 10, 0),
  (13, 'B', 7, '2026-11-04', 'C3', 'Distribuidora Ñandú de Occidente y Oriente, Compañía Anónima',
       'V1', 1234.56, 197.53, 0, 0, 61.73, 0),
  (14, 'B', 8, '2026-11-05', 'C1', 'Abastos Uno', 'V1', 500, 80, 0, 0, 15, 0),
  (15, 'A', 40, '2026-10-01', 'C1', 'Abastos Uno', 'V1', 900, 144, 0, 0, 27, 1),
  (16, 'A', 41, '2026-10-02', 'C2', 'Ferretería Dos', 'V2', 800, 128, 0, 0, 24, 0);
COMMIT;
)sql");
}

// Operator work of a whole cut: row 1's commission 30.00 -> 30.11 (written: it moved by more
// than 0.1), row 2's 10.00 -> 10.10 (not written), rows 1 and 3 marked (total 91.84).
inline constexpr const char* kTrabajo =
    "go V1\n"
    "dblclick 1 6\ntype 30,11\nclick cbOk\n"
    "dblclick 2 6\ntype 10,1\nkey ENTER\n"
    "dblclick 1 8\ndblclick 3 8\n";

// Choosing each payment method in the window.
inline constexpr const char* kEfectivo = "click optEfectivo\n";
inline constexpr const char* kCheque = "click optCheque\nfocus codigoBanco\ntype BAN01\ntab\n";  // proposes 1001
inline constexpr const char* kTransferencia =
    "click optTransferencia\nfocus codigoBanco\ntype \" ban02 \"\nfocus refMovBanco\ntype T-77\n";
inline constexpr const char* kNoPagar = "click optNoPagar\n";

inline std::vector<std::string> argumentosBase(const std::string& books) {
  return {TESSALINE_HOST_PROGRAM, "--db", books, "--today", "2026-12-01", "--locale", "es_VE", "--lock-timeout", "5"};
}

// The books' driver a test runs on. PostgreSQL tests need a server: TESSALINE_TEST_SERVER holds
// the URI of a database there whose user may create databases (scripts/pg-cluster.sh start
// prints one); without it they are skipped.
enum class Motor { SQLite, PostgreSQL };
inline const std::vector<Motor> kMotores = {Motor::SQLite, Motor::PostgreSQL};
inline std::string nombre(Motor m) { return m == Motor::SQLite ? "SQLite" : "PostgreSQL"; }
inline void PrintTo(Motor m, std::ostream* os) { *os << nombre(m); }
inline std::string servidorDePruebas() {
  const char* uri = std::getenv("TESSALINE_TEST_SERVER");
  return uri ? uri : "";
}

// A URI with another database in place of the one it names.
inline std::string conBaseDeDatos(const std::string& uri, const std::string& base) {
  const size_t ruta = uri.find_first_of("/?", uri.find("://") + 3);
  const size_t consulta = ruta == std::string::npos ? ruta : uri.find('?', ruta);
  return uri.substr(0, ruta) + "/" + base + (consulta == std::string::npos ? "" : uri.substr(consulta));
}

// One set of books of a test: a file in the test's folder, or a database of its own on the test
// server, dropped with this object. Empty until written, or a copy of `de`.
class Libros {
 public:
  Libros(Motor motor, const Entorno& env, const std::string& nombre, const Libros* de = nullptr) {
    if (motor == Motor::SQLite) {
      db_ = (env.dir() / (nombre + ".sqlite")).string();
      if (de) fs::copy_file(de->db_, db_);
      return;
    }
    static std::atomic<int> cuenta{0};
    base_ = "e2e_" + std::to_string(::getpid()) + "_" + std::to_string(++cuenta);
    servidor("CREATE DATABASE " + base_ + (de ? " TEMPLATE " + de->base_ : ""));
    db_ = conBaseDeDatos(servidorDePruebas(), base_);
  }
  ~Libros() {
    try {
      if (!base_.empty()) servidor("DROP DATABASE IF EXISTS " + base_ + " WITH (FORCE)");
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
  }
  Libros(const Libros&) = delete;
  Libros& operator=(const Libros&) = delete;

  // The --db value.
  const std::string& db() const { return db_; }

 private:
  static void servidor(const std::string& sql) { host::Database::create(servidorDePruebas())->exec(sql); }

  std::string db_, base_;
};

// A test run on each driver: its parameter is (P..., Motor).
template <class... P>
class PorMotor : public testing::TestWithParam<std::tuple<P..., Motor>> {
 protected:
  void SetUp() override {
    if (motor() == Motor::PostgreSQL && servidorDePruebas().empty())
      GTEST_SKIP() << "no PostgreSQL server for the tests (TESSALINE_TEST_SERVER)";
  }
  Motor motor() const { return std::get<sizeof...(P)>(this->GetParam()); }
  // The books of the cut, written, in the test's folder or on the test server.
  std::unique_ptr<Libros> librosDelCorte(const std::string& nombre = "libros") const {
    auto libros = std::make_unique<Libros>(motor(), env, nombre);
    escribirLibros(libros->db());
    return libros;
  }
  Entorno env;
};

// The test's name: its parameters' names joined.
template <class... P>
std::string nombrePorMotor(const testing::TestParamInfo<std::tuple<P..., Motor>>& info) {
  return std::apply(
      [](const auto&... p) {
        std::string s;
        ((s += (s.empty() ? "" : "_") + nombre(p)), ...);
        return s;
      },
      info.param);
}

// ---- The window tests' books (SQLite): V001 and V002, two customers, two banks ----

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
  std::string saldo = "0";
  std::string comision = "5";
  int acreditada = 0;
};

class WindowBooks : public Entorno {
 public:
  WindowBooks() : books(dir() / "books.sqlite"), journalPath(dir() / "journal.jsonl") {
    host::createSchema(*host::Database::create(books));
    exec(R"sql(
INSERT INTO empresa VALUES (1, 'Comercial Las Acacias', '#,##0.00', 3, 5, 4, 2, 2.5, 1,
                            '6.1.05.001', '1.1.01.001', '2.1.04.001');
INSERT INTO vendedores VALUES ('V001', 'Rosalba Quintero'), ('V002', 'Ernesto Villalobos');
INSERT INTO clientes VALUES ('C001', 'Ferreteria El Tornillo'), ('C002', 'Colegio Santa Rosa');
INSERT INTO bancos VALUES ('BAN01', 'Banco Meridional', '1.1.02.001', 1001),
                          ('BAN02', 'Banco Andino', '1.1.02.002', 523);
)sql");
  }

  // Runs statements on the books (through the host's own database layer, a connection of its own).
  void exec(const std::string& sql) const { host::Database::open(books)->exec(sql); }

  void factura(const Factura& f) const {
    std::ostringstream s;
    s << "INSERT INTO Facturas VALUES (" << f.numero << ", " << quote(f.serie) << ", "
      << (f.correlativo ? f.correlativo : f.numero) << ", " << quote(f.fecha) << ", " << quote(f.cliente) << ", "
      << quote(f.nombreCliente) << ", " << quote(f.vendedor) << ", " << f.precio << ", " << f.impuesto1 << ", 0, "
      << f.saldo << ", " << f.comision << ", " << f.acreditada << ")";
    exec(s.str());
  }
  void facturas(std::initializer_list<Factura> fs) const { for (const Factura& f : fs) factura(f); }

  std::vector<std::string> arguments() const {
    return {TESSALINE_HOST_PROGRAM, "--db",      books.string(),       "--today",  "2024-03-10", "--locale",
            "es_VE",                "--journal", journalPath.string(), "--screen", screen};
  }
  // Runs a whole script, which must end with exit status `status`.
  Salida run(const std::string& script, int status = 0) const {
    fs::remove(journalPath);
    Salida r = ejecutar(*this, arguments(), script, journalPath);
    EXPECT_EQ(r.status, status) << r.transcript();
    return r;
  }
  // Runs tessaline-host with exactly these arguments (no journal); it must exit with `status`.
  Salida runHost(std::vector<std::string> args, int status, const std::string& input = {}) const {
    args.insert(args.begin(), TESSALINE_HOST_PROGRAM);
    Salida r = correr(*this, args, input);
    EXPECT_EQ(r.status, status) << r.err;
    return r;
  }
  // A host fed its script line by line, so that the test can change the books between two
  // operator actions; finish() ends it.
  std::unique_ptr<LiveHost> live() const {
    fs::remove(journalPath);
    return hostVivo(*this, arguments());
  }
  // Ends it; it must exit with status 0.
  Salida finish(LiveHost& host) const {
    Salida r{host.finish(), host.events, "", leerJsonLines(journalPath), host.text};
    EXPECT_EQ(r.status, 0) << r.transcript();
    return r;
  }

  // The value of the settings store, or "<none>".
  std::string setting(const std::string& app, const std::string& section, const std::string& key) const {
    return profile::SettingsStore(configHome()).get(app, section, key, "<none>");
  }
  // Writes settings as an operator editing the store file would (replacing the file).
  void writeStore(const std::map<std::string, std::map<std::string, std::string>>& sections) const {
    std::ofstream out(configHome() / "settings.txt");
    out << "# Tessaline per-user settings, format 1\n";
    for (const auto& [section, values] : sections) {
      out << "\n[" << section << "]\n";
      for (const auto& [k, v] : values) out << k << "=" << v << "\n";
    }
  }

  fs::path books, journalPath;
  std::string screen = "28800x16200";

 private:
  static std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
  }
};

}  // namespace e2e
