// Loading the invoice list of the commission window (cargarFacturas) with 100,000 invoices on
// SQLite books, headless, next to a plain sqlite3 program that runs the same query and reads the
// same rows, and the memory the grid keeps per row; and the same load on books on a PostgreSQL
// server next to a plain libpq program (when TESSALINE_BENCH_SERVER names one).
//
//   build*/bin/bench_carga [--benchmark_repetitions=5]
//
// The window is the real one, driven directly: the reference host's factory over the books, the
// forms runtime without a view. Each timed load is one click of "Incluir facturas pendientes",
// which reloads the list (every invoice has no balance left, so ticked and unticked list the
// same 100,000 rows); the plain program alternates the same two query texts.
//
// Memory: the heap in use (mallinfo2) after a first load of the list minus before it, divided by
// the rows, and the grid's own store (cells, and the text of cells too long to live inside their
// string) per row.

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <malloc.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "automation/date.h"
#include "automation/object.h"
#include "commission_window/select_facturas.h"
#include "entry/globales.h"
#include "forms/application.h"
#include "forms/grid.h"
#include "forms/message_box.h"
#include "host/books.h"
#include "host/database.h"
#include "host/factory.h"
#include "host/session.h"
#include "host/ui.h"
#include "regional/regional_settings.h"
#include "bench_books.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFacturas = 100000;

// The query the window sends, in its two forms (the host rewrites dbo.SafeDivide).
const std::string kConsulta =
    "SELECT   numero, serie, correlativo, fechaTransaccion, precioEfectivo, Saldo, Comision, CodigoCliente, "
    "  nombreCliente, Impuesto1 + Impuesto2 As TotalIVA, Impuesto1 + Impuesto2 + PrecioEfectivo As MontoTotal, "
    "  dbo.SafeDivide(Comision, PrecioEfectivo) * 100.0 As pComis FROM Facturas WHERE ComisionAcreditada = 0 "
    "  AND Comision > 0   AND codigoVendedor = ?   AND FechaTransaccion <= ? ";
const std::string kSinSaldo = kConsulta + " AND Saldo <= 0 ORDER BY FechaTransaccion, Numero";
const std::string kConSaldo = kConsulta + "ORDER BY FechaTransaccion, Numero";

bench::TempBooks& libros() {
  static bench::TempBooks l("carga", kFacturas);
  return l;
}

// Answers every message box (a list with no invoices says so).
class Operador final : public forms::ModalLoop {
 public:
  explicit Operador(forms::Application& app) : app_(app) { app_.setModalLoop(this); }
  void runModalLoop(const std::function<bool()>& finished) override {
    while (!finished()) {
      if (app_.activeMessageBox() == nullptr) throw std::runtime_error("a modal window waits for the operator");
      app_.answerMessageBox(forms::MessageBox::Answer::Ok);
    }
  }

 private:
  forms::Application& app_;
};

forms::Application& aplicacion() {
  static forms::Application app(regional::RegionalSettings::fromLocale("es_VE"));
  static Operador operador(app);
  return app;
}

// The commission window on the books, opened for `vendedor` (which loads its list once).
struct Ventana {
  std::shared_ptr<host::HostSession> session;
  std::shared_ptr<tessaline::SelectFacturas> ventana;
  explicit Ventana(const char* vendedor, const std::string& books = libros().file.string()) {
    aplicacion();
    automation::setToday(automation::Date::fromYmd(2026, 12, 31));
    session = std::make_shared<host::HostSession>(host::Database::open(books), host::HostOptions{},
                                                  std::make_shared<bench::NoUi>());
    automation::ObjectRef factory = std::make_shared<host::HostFactory>(session);
    tessaline::Globales::setFactoria(factory);
    ventana = std::make_shared<tessaline::SelectFacturas>();
    automation::Variant codigo(vendedor);
    ventana->setVendedor(codigo);
  }
  ~Ventana() { ventana->unload(); }
  forms::Grid& grid() { return *ventana->controlAs<forms::Grid>("detalles"); }
  // One click of the check box: the list is loaded again. Out of line, so that an instruction
  // profile (valgrind --tool=callgrind) counts the loads on their own.
  [[gnu::noinline]] void recargar() {
    auto* chk = ventana->controlAs<forms::OptionCheckBox>("chkIncluirPendientes");
    chk->setValue(1 - chk->value());
  }
};

void BM_CargarFacturasVentana(benchmark::State& state) {
  Ventana v("V1");
  for (auto _ : state) {
    v.recargar();
    if (v.grid().rows() != kFacturas + 1) throw std::runtime_error("the list did not load");
  }
  state.counters["rows"] = kFacturas;
  state.SetItemsProcessed(state.iterations() * kFacturas);
}

// A plain sqlite3 program: the same query and parameters, every column of every row read.
class Plano {
 public:
  Plano() {
    libros();
    db_ = bench::openPlainReader(libros().file);
  }
  ~Plano() { sqlite3_close(db_); }
  // Runs the query in the form the window's next load uses (they alternate) and reads it all.
  [[gnu::noinline]] void leer() {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db_, consultas_[vuelta_++ % 2].c_str(), -1, &st, nullptr);
    sqlite3_bind_text(st, 1, "V1", -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, "2026-12-31", -1, SQLITE_STATIC);
    int64_t filas = 0, enteros = 0;
    double dinero = 0;
    size_t texto = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      enteros += sqlite3_column_int64(st, 0) + sqlite3_column_int64(st, 2);
      for (int c : {1, 3, 7, 8})
        texto += static_cast<size_t>(sqlite3_column_bytes(st, c)) + (sqlite3_column_text(st, c) ? 1 : 0);
      for (int c : {4, 5, 6, 9, 10, 11}) dinero += sqlite3_column_double(st, c);
      ++filas;
    }
    sqlite3_finalize(st);
    if (filas != kFacturas) throw std::runtime_error("the query did not list every invoice");
    benchmark::DoNotOptimize(enteros);
    benchmark::DoNotOptimize(dinero);
    benchmark::DoNotOptimize(texto);
  }

 private:
  sqlite3* db_ = nullptr;
  const std::string consultas_[2] = {host::rewriteHostSql(kConSaldo), host::rewriteHostSql(kSinSaldo)};
  int vuelta_ = 0;
};

void BM_PlainSqlite(benchmark::State& state) {
  Plano plano;
  for (auto _ : state) plano.leer();
  state.counters["rows"] = kFacturas;
  state.SetItemsProcessed(state.iterations() * kFacturas);
}

double cpuSegundos() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Both, one after the other in every iteration, so that a busy machine weighs on both alike: the
// ratio of the window's load to the plain program, in CPU time of this thread and in wall time.
template <class Lector>
void porTurnos(benchmark::State& state, Ventana& v, Lector& plano) {
  double cpuVentana = 0, cpuPlano = 0, realVentana = 0, realPlano = 0;
  using Reloj = std::chrono::steady_clock;
  for (auto _ : state) {
    const double c0 = cpuSegundos();
    const auto r0 = Reloj::now();
    v.recargar();
    const double c1 = cpuSegundos();
    const auto r1 = Reloj::now();
    plano.leer();
    const double c2 = cpuSegundos();
    const auto r2 = Reloj::now();
    if (v.grid().rows() != kFacturas + 1) throw std::runtime_error("the list did not load");
    cpuVentana += c1 - c0;
    cpuPlano += c2 - c1;
    realVentana += std::chrono::duration<double>(r1 - r0).count();
    realPlano += std::chrono::duration<double>(r2 - r1).count();
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["window_cpu_ms"] = cpuVentana / n * 1e3;
  state.counters["plain_cpu_ms"] = cpuPlano / n * 1e3;
  state.counters["window_ms"] = realVentana / n * 1e3;
  state.counters["plain_ms"] = realPlano / n * 1e3;
  state.counters["cpu_ratio"] = cpuVentana / cpuPlano;
  state.counters["wall_ratio"] = realVentana / realPlano;
}

void BM_CargaContraPlano(benchmark::State& state) {
  Ventana v("V1");
  Plano plano;
  porTurnos(state, v, plano);
}

// The books on the server, written once.
bench::ServerBooks& librosServidor() {
  static bench::ServerBooks l("carga", kFacturas);
  return l;
}

// A plain libpq program: the same query, prepared once, with the same parameters, every column
// of every row read (numbers parsed, text measured).
class PlanoServidor {
 public:
  PlanoServidor() : conn_(PQconnectdb(librosServidor().uri.c_str())) {
    if (PQstatus(conn_) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn_));
    for (int i = 0; i < 2; ++i) {
      const std::string sql = host::serverStatementText(i ? kSinSaldo : kConSaldo);
      PQclear(PQprepare(conn_, i ? "sin" : "con", sql.c_str(), 0, nullptr));
    }
  }
  ~PlanoServidor() { PQfinish(conn_); }
  void leer() {
    const char* valores[] = {"V1", "2026-12-31"};
    PGresult* r = PQexecPrepared(conn_, vuelta_++ % 2 ? "sin" : "con", 2, valores, nullptr, nullptr, 0);
    if (PQresultStatus(r) != PGRES_TUPLES_OK || PQntuples(r) != kFacturas)
      throw std::runtime_error("the query did not list every invoice");
    int64_t enteros = 0;
    double dinero = 0;
    size_t texto = 0;
    for (int f = 0; f < PQntuples(r); ++f) {
      enteros += std::strtoll(PQgetvalue(r, f, 0), nullptr, 10) + std::strtoll(PQgetvalue(r, f, 2), nullptr, 10);
      for (int c : {1, 3, 7, 8}) texto += static_cast<size_t>(PQgetlength(r, f, c)) + 1;
      for (int c : {4, 5, 6, 9, 10, 11}) dinero += std::strtod(PQgetvalue(r, f, c), nullptr);
    }
    PQclear(r);
    benchmark::DoNotOptimize(enteros);
    benchmark::DoNotOptimize(dinero);
    benchmark::DoNotOptimize(texto);
  }

 private:
  PGconn* conn_;
  int vuelta_ = 0;
};

// The window's load on server books against the plain libpq program, alternating as above.
void BM_CargaServidorContraPlano(benchmark::State& state) {
  if (bench::ServerBooks::server().empty()) {
    state.SkipWithError("no server (TESSALINE_BENCH_SERVER)");
    return;
  }
  Ventana v("V1", librosServidor().uri);
  PlanoServidor plano;
  porTurnos(state, v, plano);
}

// Memory the grid keeps per listed invoice.
void BM_MemoriaPorFila(benchmark::State& state) {
  for (auto _ : state) {
    Ventana v("V2");  // nobody's list: the window with an empty grid
    // In use: small blocks of the arenas plus the large blocks the allocator maps on its own.
    const auto enUso = [] {
      const struct mallinfo2 m = mallinfo2();
      return m.uordblks + m.hblkhd;
    };
    const size_t antes = enUso();
    // Load V1's list into the same window: the fixed salesperson box is set from code, as
    // setVendedor does, and the check box reloads.
    v.ventana->controlAs<forms::CodeLookupField>("codigoVendedor")->setText("V1");
    v.recargar();
    const size_t despues = enUso();
    forms::Grid& grid = v.grid();
    if (grid.rows() != kFacturas + 1) throw std::runtime_error("the list did not load");

    const auto& celdas = grid.store().cells();
    size_t tienda = celdas.capacity() * sizeof(std::string);
    for (const std::string& s : celdas)
      if (s.capacity() > 15) tienda += s.capacity() + 1;
    state.counters["heap_bytes_per_row"] = static_cast<double>(despues - antes) / kFacturas;
    state.counters["store_bytes_per_row"] = static_cast<double>(tienda) / kFacturas;
    state.counters["cell_capacity_per_row"] = static_cast<double>(celdas.capacity()) / kFacturas;
  }
}

BENCHMARK(BM_CargarFacturasVentana)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainSqlite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CargaContraPlano)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);
BENCHMARK(BM_CargaServidorContraPlano)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);
BENCHMARK(BM_MemoriaPorFila)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
