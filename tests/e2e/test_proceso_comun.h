#pragma once
// What the commission cut scripts share: small books written here on either driver, runs of
// tessaline-host (whole scripts, or a live host fed line by line), the journal, every table of
// the books as text, and the state of the named lock.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "automation/error.h"
#include "host_process.h"
#include "host/books.h"
#include "host/database.h"
#include "host/errors.h"
#include "host/printing.h"

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
  // The books of the cut, written.
  std::unique_ptr<Libros> librosDelCorte(const Entorno& env, const std::string& nombre = "libros") const {
    auto libros = std::make_unique<Libros>(motor(), env, nombre);
    escribirLibros(libros->db());
    return libros;
  }
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

inline std::vector<std::string> argumentosBase(const Entorno&, const std::string& books) {
  return {TESSALINE_HOST_PROGRAM, "--db", books, "--today", kHoy, "--locale", "es_VE",
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
