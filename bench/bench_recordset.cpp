// Reading invoices through the host's late-bound recordset (OpenRecordset, then EOF, Fields,
// Value and MoveNext as late-bound calls, as the commission window reads them: each field found by
// name once) next to a plain sqlite3 loop over the same query and the same rows (raw column
// reads), and a typed sqlite3 loop that builds the same values the recordset gives. A second
// late-bound reader looks every value up by its field's name (Fields(name).Value each time).
//
//   build*/bin/bench_recordset [--benchmark_repetitions=5]
//
// BM_LateBoundVsPlain gives the ratio of the late-bound read to the plain loop in CPU time, the
// two measured by turns in one run.
//
// The books: 100,000 invoices of one salesperson, all listed by the query.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "anfitrion/host_factory.h"
#include "anfitrion/recordset.h"
#include "automation/object.h"
#include "host/books.h"
#include "host/database.h"
#include "host/factory.h"
#include "host/session.h"
#include "host/ui.h"
#include "bench_books.h"

namespace {

constexpr int kInvoices = 100000;

const char* kQuery =
    "SELECT "
    "  numero, serie, correlativo, fechaTransaccion, precioEfectivo, Saldo, Comision, CodigoCliente, "
    "  nombreCliente, Impuesto1 + Impuesto2 As TotalIVA, Impuesto1 + Impuesto2 + PrecioEfectivo As MontoTotal, "
    "  dbo.SafeDivide(Comision, PrecioEfectivo) * 100.0 As pComis "
    "FROM Facturas "
    "WHERE ComisionAcreditada = 0 "
    "  AND Comision > 0 "
    "  AND codigoVendedor = ? "
    "  AND FechaTransaccion <= ? "
    " AND Saldo <= 0 "
    "ORDER BY FechaTransaccion, Numero";

const char* kFields[] = {"numero",        "serie",         "correlativo", "fechaTransaccion",
                         "precioEfectivo", "Saldo",        "Comision",    "CodigoCliente",
                         "nombreCliente", "totalIva",      "MontoTotal",  "pComis"};

bench::TempBooks& books() {
  static bench::TempBooks b("recordset", kInvoices);
  return b;
}

// Each reader reads the whole query once. They are kept out of line so that an instruction
// profile (valgrind --tool=callgrind) gives each of them a count of its own.

// Raw column reads.
[[gnu::noinline]] int64_t readPlain(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
  sqlite3_bind_text(st, 1, "V1", -1, SQLITE_STATIC);
  sqlite3_bind_text(st, 2, "2026-12-31", -1, SQLITE_STATIC);
  double money = 0;
  int64_t ints = 0, rows = 0;
  size_t text = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    ints += sqlite3_column_int64(st, 0);
    text += sqlite3_column_bytes(st, 1) + (sqlite3_column_text(st, 1) ? 1 : 0);
    ints += sqlite3_column_int64(st, 2);
    text += sqlite3_column_bytes(st, 3) + (sqlite3_column_text(st, 3) ? 1 : 0);
    for (int c : {4, 5, 6, 9, 10, 11}) money += sqlite3_column_double(st, c);
    for (int c : {7, 8}) text += sqlite3_column_bytes(st, c) + (sqlite3_column_text(st, c) ? 1 : 0);
    ++rows;
  }
  sqlite3_finalize(st);
  benchmark::DoNotOptimize(money);
  benchmark::DoNotOptimize(ints);
  benchmark::DoNotOptimize(text);
  return rows;
}

// The same loop producing the values the recordset gives (Currency, Date, text as std::string):
// what a native, typed reader of the query costs.
[[gnu::noinline]] int64_t readTyped(sqlite3* db, const std::string& sql) {
  auto text = [](sqlite3_stmt* st, int c) {
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                       static_cast<size_t>(sqlite3_column_bytes(st, c)));
  };
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
  sqlite3_bind_text(st, 1, "V1", -1, SQLITE_STATIC);
  sqlite3_bind_text(st, 2, "2026-12-31", -1, SQLITE_STATIC);
  automation::Currency total;
  size_t chars = 0;
  int64_t rows = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    int32_t numero = static_cast<int32_t>(sqlite3_column_int64(st, 0));
    std::string serie = text(st, 1);
    int32_t correlativo = static_cast<int32_t>(sqlite3_column_int64(st, 2));
    auto fecha = automation::Date::parseIso(std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)),
                                                             static_cast<size_t>(sqlite3_column_bytes(st, 3))));
    for (int c : {4, 5, 6, 9, 10}) total += automation::Currency::fromDouble(sqlite3_column_double(st, c));
    std::string cliente = text(st, 7), nombre = text(st, 8);
    double pct = sqlite3_column_double(st, 11);
    chars += serie.size() + cliente.size() + nombre.size();
    benchmark::DoNotOptimize(numero + correlativo + pct);
    benchmark::DoNotOptimize(fecha);
    ++rows;
  }
  sqlite3_finalize(st);
  benchmark::DoNotOptimize(total);
  benchmark::DoNotOptimize(chars);
  return rows;
}

tessaline::anfitrion::Recordset openLateBound(const automation::ObjectRef& factory) {
  return tessaline::anfitrion::HostFactory(factory).openRecordset(kQuery, std::string("V1"),
                                                                  automation::Date::fromYmd(2026, 12, 31));
}

// As the commission window reads, through the component's recordset reader: each field found by
// name once (Fields(name) on the first record), then EOF, each field's Value and MoveNext for
// every record, all late-bound.
[[gnu::noinline]] int64_t readLateBound(const automation::ObjectRef& factory) {
  const tessaline::anfitrion::Recordset rs = openLateBound(factory);
  std::vector<tessaline::anfitrion::Recordset::Campo> fields;
  automation::Currency total;
  int64_t rows = 0;
  while (!rs.eof()) {
    if (fields.empty())
      for (const char* name : kFields) fields.push_back(rs.campo(name));
    for (const auto& field : fields) {
      const automation::Variant v = field.valor();
      if (v.type() == automation::VarType::Currency) total += v.asCurrency();
    }
    rs.moveNext();
    ++rows;
  }
  benchmark::DoNotOptimize(total);
  return rows;
}

// Every value through Fields(name).Value, the field looked up by its name each time.
[[gnu::noinline]] int64_t readLateBoundByName(const automation::ObjectRef& factory) {
  const tessaline::anfitrion::Recordset rs = openLateBound(factory);
  automation::Currency total;
  int64_t rows = 0;
  while (!rs.eof()) {
    for (const char* name : kFields) {
      const automation::Variant v = rs.field(name);
      if (v.type() == automation::VarType::Currency) total += v.asCurrency();
    }
    rs.moveNext();
    ++rows;
  }
  benchmark::DoNotOptimize(total);
  return rows;
}

struct Readers {
  sqlite3* db = bench::openPlainReader(books().file);
  std::string sql = host::rewriteHostSql(kQuery);
  std::shared_ptr<host::HostSession> session = std::make_shared<host::HostSession>(
      host::Database::open(books().file), host::HostOptions{}, std::make_shared<bench::NoUi>());
  automation::ObjectRef factory = std::make_shared<host::HostFactory>(session);
  ~Readers() { sqlite3_close(db); }
};

template <int64_t (*read)(Readers&)>
void BM_Read(benchmark::State& state) {
  Readers readers;
  int64_t rows = 0;
  for (auto _ : state) rows = read(readers);
  if (rows != kInvoices) state.SkipWithError("the query did not list every invoice");
  state.counters["rows"] = static_cast<double>(rows);
}

int64_t plain(Readers& r) {
  return readPlain(r.db, r.sql);
}
int64_t typed(Readers& r) {
  return readTyped(r.db, r.sql);
}
int64_t lateBound(Readers& r) {
  return readLateBound(r.factory);
}
int64_t lateBoundByName(Readers& r) {
  return readLateBoundByName(r.factory);
}

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The late-bound read and the plain loop one after the other in every iteration, so that a busy
// machine weighs on both alike: their ratio in CPU time of this thread.
void BM_LateBoundVsPlain(benchmark::State& state) {
  Readers readers;
  double cpuLate = 0, cpuPlain = 0;
  for (auto _ : state) {
    const double c0 = cpuSeconds();
    lateBound(readers);
    const double c1 = cpuSeconds();
    plain(readers);
    const double c2 = cpuSeconds();
    cpuLate += c1 - c0;
    cpuPlain += c2 - c1;
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["late_cpu_ms"] = cpuLate / n * 1e3;
  state.counters["plain_cpu_ms"] = cpuPlain / n * 1e3;
  state.counters["cpu_ratio"] = cpuLate / cpuPlain;
}

BENCHMARK(BM_Read<plain>)->Name("BM_PlainSqliteLoop")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read<typed>)->Name("BM_TypedSqliteLoop")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read<lateBound>)->Name("BM_LateBoundRecordset")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read<lateBoundByName>)->Name("BM_LateBoundRecordsetByName")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LateBoundVsPlain)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace

BENCHMARK_MAIN();
