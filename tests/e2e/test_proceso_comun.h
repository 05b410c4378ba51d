#pragma once
// What the commission cut scripts share: small books written here, runs of tessaline-host
// (whole scripts, or a live host fed line by line), the journal, every table of the books as
// text, and the state of the named lock.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host_process.h"
#include "host/books.h"
#include "host/database.h"
#include "host/named_lock.h"

#ifndef TESSALINE_HOST_PROGRAM
#error "TESSALINE_HOST_PROGRAM must name the tessaline-host program"
#endif

namespace corte {

namespace fs = std::filesystem;
using nlohmann::json;

inline constexpr const char* kHoy = "2026-12-01";
inline constexpr const char* kFuente = "SelectFacturas::cbProcesar_Click";

// Books for the cut: salesperson V1 with four open invoices (one with a long customer name with
// accents), one invoice credited already and one of another salesperson; two banks.
//   row 1  A-0000042  Abastos Uno               net 1000.00  commission 30.00
//   row 2  A-0000043  Ferretería Dos            net  700.00  commission 10.00
//   row 3  B-0000007  (long name, 61 chars)     net 1234.56  commission 61.73
//   row 4  B-0000008  Abastos Uno               net  500.00  commission 15.00
inline constexpr const char* kClienteLargo = "Distribuidora Ñandú de Occidente y Oriente, Compañía Anónima";

inline void escribirLibros(const fs::path& file) {
  auto db = host::Database::create(file);
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
inline constexpr const char* kTrabajo = R"(go V1
dblclick 1 6
type 30,11
click cbOk
dblclick 2 6
type 10,1
key ENTER
dblclick 1 8
dblclick 3 8
)";

// Choosing each payment method in the window.
inline constexpr const char* kEfectivo = "click optEfectivo\n";
inline constexpr const char* kCheque = "click optCheque\nfocus codigoBanco\ntype BAN01\ntab\n";  // proposes 1001
inline constexpr const char* kTransferencia =
    "click optTransferencia\nfocus codigoBanco\ntype \" ban02 \"\nfocus refMovBanco\ntype T-77\n";
inline constexpr const char* kNoPagar = "click optNoPagar\n";

// Every table of the books as text, row by row (the rowid order), for comparing books.
inline std::vector<std::string> filas(const fs::path& file, const std::string& sql) {
  auto db = host::Database::open(file);
  auto st = db->prepare(sql);
  std::vector<std::string> out;
  while (st.step()) {
    std::string fila;
    for (int c = 0; c < st.columnCount(); ++c) fila += (c ? "|" : "") + (st.isNull(c) ? "NULL" : st.columnText(c));
    out.push_back(fila);
  }
  return out;
}

// Every table of the books as text, row by row (the rowid order), for comparing books.
inline std::map<std::string, std::vector<std::string>> tablas(const fs::path& file) {
  std::map<std::string, std::vector<std::string>> out;
  for (const auto& t : filas(file, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))
    out[t] = filas(file, "SELECT * FROM \"" + t + "\" ORDER BY rowid");
  return out;
}

// Whether nobody holds the named lock "TESSALOCKS" of these books.
inline bool bloqueoLibre(const fs::path& books) {
  auto file = host::NamedLock::lockFile(books, "TESSALOCKS");
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool libre = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (libre) ::flock(fd, LOCK_UN);
  ::close(fd);
  return libre;
}

inline std::vector<json> leerJsonLines(const fs::path& file) { return e2e::parseJsonLines(e2e::readFile(file)); }

// One journal entry as readable text: Class.Member(args) {named}; objects by class, references
// marked with &.
inline std::string valorTexto(const json& v) {
  std::string t = v.at("type").get<std::string>();
  std::string s;
  if (t == "Object") {
    s = "Object:" + v.at("class").get<std::string>();
  } else if (t == "Empty" || t == "Null" || t == "Nothing") {
    s = t;
  } else if (v.at("value").is_string()) {
    s = t + ":" + v.at("value").get<std::string>();
  } else {
    s = t + ":" + v.at("value").dump();
  }
  return v.value("byRef", false) ? "&" + s : s;
}

inline std::string llamadaTexto(const json& e) {
  std::string s = e.at("class").get<std::string>() + "." + e.at("member").get<std::string>() + "(";
  for (size_t i = 0; i < e.at("args").size(); ++i) s += (i ? ", " : "") + valorTexto(e.at("args")[i]);
  s += ")";
  for (const auto& [k, v] : e.at("named").items()) s += " " + k + ":=" + valorTexto(v);
  return s;
}

struct Resultado {
  int estado = -1;  // exit status, or 128 + signal
  std::string salida;
  std::string errores;
  std::vector<json> eventos() const { return e2e::parseJsonLines(salida); }
};

// A temporary folder with the runs' own settings and data folders.
class Entorno {
 public:
  Entorno() {
    std::string pattern = (fs::temp_directory_path() / "corte-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    fs::create_directories(dir_ / "config");
    fs::create_directories(dir_ / "data");
  }
  ~Entorno() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  Entorno(const Entorno&) = delete;
  Entorno& operator=(const Entorno&) = delete;
  const fs::path& dir() const { return dir_; }
  e2e::Env variables() const {
    return {{"TESSALINE_CONFIG_HOME", (dir_ / "config").string()}, {"TESSALINE_DATA_HOME", (dir_ / "data").string()}};
  }

 private:
  fs::path dir_;
};

inline std::vector<std::string> argumentosBase(const Entorno&, const fs::path& books) {
  return {TESSALINE_HOST_PROGRAM, "--db", books.string(), "--today", kHoy, "--locale", "es_VE",
          "--lock-timeout", "5"};
}

// Runs tessaline-host with a whole script and waits for it.
inline Resultado ejecutar(const Entorno& env, std::vector<std::string> args, const std::string& script) {
  args.push_back("--script");
  args.push_back("-");
  auto p = e2e::runProcess(args, env.variables(), script, env.dir());
  return {p.exitCode, std::move(p.out), std::move(p.err)};
}

// Runs every job, two at a time (one per core), and returns their results in order.
inline std::vector<Resultado> ejecutarTodos(const Entorno& env,
                                            const std::vector<std::pair<std::vector<std::string>, std::string>>& trabajos) {
  std::vector<Resultado> out(trabajos.size());
  std::atomic<size_t> siguiente{0};
  auto obrero = [&] {
    for (size_t i = siguiente++; i < trabajos.size(); i = siguiente++) out[i] = ejecutar(env, trabajos[i].first, trabajos[i].second);
  };
  std::thread otro(obrero);
  obrero();
  otro.join();
  return out;
}

// A host fed line by line.
inline std::unique_ptr<e2e::LiveHost> hostVivo(const Entorno& env, std::vector<std::string> args) {
  args.push_back("--script");
  args.push_back("-");
  return std::make_unique<e2e::LiveHost>(args, env.variables());
}

// The events of one kind.
inline std::vector<json> eventosDe(const std::vector<json>& eventos, const std::string& kind) {
  std::vector<json> out;
  for (const auto& e : eventos) {
    if (e.value("event", "") == kind) out.push_back(e);
  }
  return out;
}

// The window of that name in a dump event (null when it is not loaded).
inline json ventana(const json& dump, const std::string& nombre) {
  for (const auto& w : dump.at("windows")) {
    if (w.at("name") == nombre) return w;
  }
  return nullptr;
}

}  // namespace corte
