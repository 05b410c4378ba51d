// Processing a commission cut of 10,000 marked invoices (cash payment) on SQLite books, through
// the commission window and the reference host, next to a plain sqlite3 program that makes the
// same updates and inserts in one transaction with prepared statements; and the same on books on
// a PostgreSQL server next to a plain libpq program (when TESSALINE_BENCH_SERVER names one).
//
//   build*/bin/bench_proceso [--benchmark_repetitions=3]
//
// Only the processing is timed (the Procesar click until it returns: the lock, the check of
// credited invoices, the updates, the voucher, the cash withdrawal, the commit and the reset);
// loading and marking the list, and copying fresh books for each run, are not. The time shown is
// wall time; the counter cpu_ms is the CPU time of the timed part, per run.

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "automation/date.h"
#include "automation/object.h"
#include "commission_window/select_facturas.h"
#include "entry/globales.h"
#include "forms/application.h"
#include "forms/grid.h"
#include "host/books.h"
#include "host/database.h"
#include "host/factory.h"
#include "host/session.h"
#include "host/ui.h"
#include "regional/regional_settings.h"
#include "bench_books.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFacturas = 10000;

bench::TempBooks& plantilla() {
  static bench::TempBooks p("proceso", kFacturas);
  return p;
}

// Fresh books for each run: a copy of the template.
fs::path copia(const std::string& nombre) {
  const fs::path f = plantilla().dir / nombre;
  for (const char* suffix : {"", "-wal", "-shm"}) {
    std::error_code ec;
    fs::remove(fs::path(f.string() + suffix), ec);
  }
  fs::copy_file(plantilla().file, f);
  return f;
}

forms::Application& aplicacion() {
  static forms::Application app(regional::RegionalSettings::fromLocale("es_VE"));
  return app;
}

int64_t contar(const std::string& books, const char* sql) {
  auto db = host::Database::open(books);
  auto st = db->prepare(sql);
  return st.step() ? st.columnInt(0) : -1;
}

double cpuSegundos() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Wall time of the timed part is the iteration's time; its CPU time of this thread adds up.
struct Tiempos {
  double cpu = 0;
  void informar(benchmark::State& state) const {
    state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations()) * 1e3;
  }
};

template <class F>
void medir(benchmark::State& state, Tiempos& tiempos, F&& parte) {
  const double c0 = cpuSegundos();
  const auto inicio = Clock::now();
  parte();
  const auto fin = Clock::now();
  tiempos.cpu += cpuSegundos() - c0;
  state.SetIterationTime(std::chrono::duration<double>(fin - inicio).count());
}

// The timed parts are out of line, so that an instruction profile (valgrind --tool=callgrind)
// counts them on their own.
[[gnu::noinline]] void procesar(tessaline::SelectFacturas& ventana) {
  ventana.operatorClick(*ventana.control("cbProcesar"));
}

// One cut of every invoice of V1 through the window on `books`. Loading and marking the list are
// not timed.
void procesarEnVentana(benchmark::State& state, Tiempos& tiempos, const std::string& books) {
  aplicacion();
  automation::setToday(automation::Date::fromYmd(2026, 12, 1));
  {
    auto session = std::make_shared<host::HostSession>(host::Database::open(books), host::HostOptions{},
                                                       std::make_shared<bench::NoUi>());
    automation::ObjectRef factory = std::make_shared<host::HostFactory>(session);
    tessaline::Globales::setFactoria(factory);

    auto ventana = std::make_shared<tessaline::SelectFacturas>();
    automation::Variant codigo("V1");
    ventana->setVendedor(codigo);
    ventana->operatorClick(*ventana->control("optEfectivo"));
    auto& grid = *ventana->controlAs<forms::Grid>("detalles");
    if (grid.rows() != kFacturas + 1) throw std::runtime_error("the list did not load");
    for (int r = 1; r < grid.rows(); ++r) ventana->operatorDblClick(grid, r, tessaline::col::kAcreditar);

    medir(state, tiempos, [&] { procesar(*ventana); });
    if (ventana->isLoaded()) throw std::runtime_error("the cut did not go through");
  }
  if (contar(books, "SELECT count(*) FROM Facturas WHERE ComisionAcreditada = 1") != kFacturas)
    throw std::runtime_error("not every invoice was credited");
}

void BM_ProcesarVentana(benchmark::State& state) {
  Tiempos tiempos;
  plantilla();
  for (auto _ : state) procesarEnVentana(state, tiempos, copia("ventana.sqlite").string());
  state.counters["facturas"] = kFacturas;
  tiempos.informar(state);
}

void ejecutar(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::string e = error ? error : "?";
    sqlite3_free(error);
    throw std::runtime_error(e);
  }
}

sqlite3_stmt* preparar(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
  return st;
}

void correr(sqlite3_stmt* st) {
  if (sqlite3_step(st) != SQLITE_DONE) throw std::runtime_error("step failed");
  sqlite3_reset(st);
}

// The same writes the cut makes, in one transaction, with statements prepared once.
[[gnu::noinline]] void escribirCorte(sqlite3* db, const std::vector<std::pair<int64_t, double>>& facturas) {
  ejecutar(db, "BEGIN IMMEDIATE");
  sqlite3_stmt* acreditar = preparar(db, "UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = ?");
  sqlite3_stmt* cabecera =
      preparar(db, "INSERT INTO comprobantes (fecha, referencia, descripcion) VALUES ('2026-12-01', '', ?)");
  sqlite3_stmt* linea = preparar(db,
                                 "INSERT INTO comprobante_lineas (comprobante, linea, cuenta, "
                                 "descripcion, monto) VALUES (?, ?, ?, ?, ?)");
  sqlite3_stmt* cuenta = preparar(db,
                                  "INSERT INTO cuenta_vendedor (tipo, vendedor, codigo, fecha, descripcion, monto, "
                                  "comprobante) VALUES (0, 'V1', 'VND', '2026-12-01', ?, ?, ?)");
  sqlite3_stmt* caja = preparar(db,
                                "INSERT INTO movimientos_caja (tipo, fecha, monto, descripcion, codigo, vendedor, "
                                "beneficiario) VALUES (1, '2026-12-01', ?, 'Pago de comisiones a Rosa Peña', 'VND', "
                                "'V1', 'Rosa Peña')");
  sqlite3_stmt* enviar = preparar(db, "UPDATE movimientos_caja SET enviado = 1 WHERE numero = ?");

  double total = 0;
  for (const auto& [numero, comision] : facturas) {
    sqlite3_bind_int64(acreditar, 1, numero);
    correr(acreditar);
    total += comision;
  }
  sqlite3_bind_double(caja, 1, total);
  correr(caja);
  const int64_t movimiento = sqlite3_last_insert_rowid(db);
  sqlite3_bind_int64(enviar, 1, movimiento);
  correr(enviar);
  sqlite3_bind_text(cabecera, 1, "Corte de comisiones para el vendedor V1", -1, SQLITE_STATIC);
  correr(cabecera);
  const int64_t comprobante = sqlite3_last_insert_rowid(db);
  int64_t n = 0;
  auto unaLinea = [&](const char* cta, const std::string& texto, double monto) {
    sqlite3_bind_int64(linea, 1, comprobante);
    sqlite3_bind_int64(linea, 2, ++n);
    sqlite3_bind_text(linea, 3, cta, -1, SQLITE_STATIC);
    sqlite3_bind_text(linea, 4, texto.c_str(), static_cast<int>(texto.size()), SQLITE_TRANSIENT);
    sqlite3_bind_double(linea, 5, monto);
    correr(linea);
  };
  auto unaCuenta = [&](const std::string& texto, double monto) {
    sqlite3_bind_text(cuenta, 1, texto.c_str(), static_cast<int>(texto.size()), SQLITE_TRANSIENT);
    sqlite3_bind_double(cuenta, 2, monto);
    sqlite3_bind_int64(cuenta, 3, comprobante);
    correr(cuenta);
  };
  for (const auto& [numero, comision] : facturas) {
    const std::string texto = "A-" + std::to_string(4000 + numero) + " Abastos La Candelaria, C.A.";
    unaLinea("2.1.04", texto, -comision);
    unaCuenta(texto, -comision);
  }
  unaLinea("6.1.05", "Corte de comisiones para el vendedor V1", total);
  unaLinea("1.1.01", "Pago de comisiones a Rosa Peña", -total);
  const std::string ref = "Pago en efectivo (MovCaja No. " + std::to_string(movimiento) + ")";
  unaLinea("2.1.04", ref, total);
  unaCuenta(ref, total);
  for (sqlite3_stmt* st : {acreditar, cabecera, linea, cuenta, caja, enviar}) sqlite3_finalize(st);
  ejecutar(db, "COMMIT");
}

void BM_SqlitePlano(benchmark::State& state) {
  Tiempos tiempos;
  plantilla();
  for (auto _ : state) {
    const fs::path books = copia("plano.sqlite");
    sqlite3* db = nullptr;
    sqlite3_open_v2(books.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    // The host's connection settings.
    sqlite3_busy_timeout(db, 5000);
    ejecutar(db,
             "PRAGMA mmap_size = 268435456; PRAGMA cache_size = -16384; PRAGMA journal_mode = WAL; "
             "PRAGMA foreign_keys = ON;");
    // The amounts as the window has them: the commissions of the invoices.
    std::vector<std::pair<int64_t, double>> facturas;
    {
      sqlite3_stmt* q = preparar(db, "SELECT Numero, Comision FROM Facturas ORDER BY FechaTransaccion, Numero");
      while (sqlite3_step(q) == SQLITE_ROW)
        facturas.emplace_back(sqlite3_column_int64(q, 0), sqlite3_column_double(q, 1));
      sqlite3_finalize(q);
    }

    medir(state, tiempos, [&] { escribirCorte(db, facturas); });
    sqlite3_close(db);
    if (contar(books.string(), "SELECT count(*) FROM Facturas WHERE ComisionAcreditada = 1") != kFacturas)
      throw std::runtime_error("not every invoice was credited");
  }
  state.counters["facturas"] = kFacturas;
  tiempos.informar(state);
}

// The books on the server, written once; each run works on a database made from them.
bench::ServerBooks& plantillaServidor() {
  static bench::ServerBooks p("proceso", kFacturas);
  return p;
}

bool sinServidor(benchmark::State& state) {
  if (!bench::ServerBooks::server().empty()) return false;
  state.SkipWithError("no server (TESSALINE_BENCH_SERVER)");
  return true;
}

void BM_ProcesarVentanaServidor(benchmark::State& state) {
  if (sinServidor(state)) return;
  Tiempos tiempos;
  plantillaServidor();
  for (auto _ : state) {
    bench::ServerBooks libros("proceso_ventana", 0, &plantillaServidor());
    procesarEnVentana(state, tiempos, libros.uri);
  }
  state.counters["facturas"] = kFacturas;
  tiempos.informar(state);
}

// A plain libpq program: the same writes as the cut, in one transaction, each statement prepared
// once and run with its values as text.
class Libpq {
 public:
  explicit Libpq(const std::string& uri) : c_(PQconnectdb(uri.c_str())) {
    if (PQstatus(c_) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(c_));
  }
  ~Libpq() { PQfinish(c_); }
  void exec(const char* sql) { check(PQexec(c_, sql)); }
  void prepare(const char* name, const char* sql) { check(PQprepare(c_, name, sql, 0, nullptr)); }
  // Runs a prepared statement; the first column of its first row, if any.
  std::string run(const char* name, std::initializer_list<std::string> values) {
    std::vector<const char*> v;
    for (const auto& x : values) v.push_back(x.c_str());
    PGresult* r = PQexecPrepared(c_, name, static_cast<int>(v.size()), v.data(), nullptr, nullptr, 0);
    std::string first = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0 ? PQgetvalue(r, 0, 0) : "";
    check(r);
    return first;
  }
  PGconn* handle() { return c_; }

 private:
  void check(PGresult* r) {
    const auto status = PQresultStatus(r);
    PQclear(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
      throw std::runtime_error(PQerrorMessage(c_));
  }
  PGconn* c_;
};

void BM_LibpqPlano(benchmark::State& state) {
  if (sinServidor(state)) return;
  Tiempos tiempos;
  plantillaServidor();
  for (auto _ : state) {
    bench::ServerBooks libros("proceso_plano", 0, &plantillaServidor());
    Libpq db(libros.uri);
    std::vector<std::pair<std::string, automation::Currency>> facturas;
    {
      PGresult* q = PQexec(
          db.handle(), "SELECT Numero, Comision FROM Facturas ORDER BY FechaTransaccion, Numero");
      for (int f = 0; f < PQntuples(q); ++f)
        facturas.emplace_back(PQgetvalue(q, f, 0), *automation::parseCurrency(PQgetvalue(q, f, 1)));
      PQclear(q);
    }

    medir(state, tiempos, [&] {
      db.exec("BEGIN");
      db.prepare("acreditar", "UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = $1");
      db.prepare(
          "cabecera",
          "INSERT INTO comprobantes (fecha, referencia, descripcion) VALUES ('2026-12-01', '', $1) "
          "RETURNING numero");
      db.prepare("linea",
                 "INSERT INTO comprobante_lineas (comprobante, linea, cuenta, descripcion, monto) "
                 "VALUES ($1, $2, $3, $4, $5)");
      db.prepare("cuenta",
                 "INSERT INTO cuenta_vendedor (tipo, vendedor, codigo, fecha, descripcion, monto, "
                 "comprobante) "
                 "VALUES (0, 'V1', 'VND', '2026-12-01', $1, $2, $3)");
      db.prepare("caja",
                 "INSERT INTO movimientos_caja (tipo, fecha, monto, descripcion, codigo, vendedor, "
                 "beneficiario) "
                 "VALUES (1, '2026-12-01', $1, 'Pago de comisiones a Rosa Peña', 'VND', 'V1', "
                 "'Rosa Peña') "
                 "RETURNING numero");
      db.prepare("enviar", "UPDATE movimientos_caja SET enviado = 1 WHERE numero = $1");
      automation::Currency total;
      for (const auto& [numero, comision] : facturas) {
        db.run("acreditar", {numero});
        total += comision;
      }
      const std::string movimiento = db.run("caja", {total.toString()});
      db.run("enviar", {movimiento});
      const std::string comprobante =
          db.run("cabecera", {"Corte de comisiones para el vendedor V1"});
      int64_t n = 0;
      auto unaLinea = [&](const char* cta, const std::string& texto, automation::Currency monto) {
        db.run("linea", {comprobante, std::to_string(++n), cta, texto, monto.toString()});
      };
      for (const auto& [numero, comision] : facturas) {
        const std::string texto =
            "A-" + std::to_string(4000 + std::stoll(numero)) + " Abastos La Candelaria, C.A.";
        unaLinea("2.1.04", texto, -comision);
        db.run("cuenta", {texto, (-comision).toString(), comprobante});
      }
      unaLinea("6.1.05", "Corte de comisiones para el vendedor V1", total);
      unaLinea("1.1.01", "Pago de comisiones a Rosa Peña", -total);
      const std::string ref = "Pago en efectivo (MovCaja No. " + movimiento + ")";
      unaLinea("2.1.04", ref, total);
      db.run("cuenta", {ref, total.toString(), comprobante});
      db.exec("COMMIT");
    });
    if (contar(libros.uri, "SELECT count(*) FROM Facturas WHERE ComisionAcreditada = 1") !=
        kFacturas)
      throw std::runtime_error("not every invoice was credited");
  }
  state.counters["facturas"] = kFacturas;
  tiempos.informar(state);
}

BENCHMARK(BM_ProcesarVentana)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SqlitePlano)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ProcesarVentanaServidor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LibpqPlano)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
