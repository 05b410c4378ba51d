// Reading invoices through the host's late-bound recordset (OpenRecordset, then EOF, Fields,
// Value and MoveNext as late-bound calls, as the commission window reads them) next to a plain
// sqlite3 loop over the same query and the same rows (raw column reads), and a typed sqlite3
// loop that builds the same values the recordset gives.
//
//   build*/bin/bench_recordset [--benchmark_repetitions=5]
//
// The books: 100,000 invoices of one salesperson, all listed by the query.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

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

void BM_PlainSqliteLoop(benchmark::State& state) {
  sqlite3* db = bench::openPlainReader(books().file);
  std::string sql = host::rewriteHostSql(kQuery);
  int64_t rows = 0;
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    sqlite3_bind_text(st, 1, "V1", -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, "2026-12-31", -1, SQLITE_STATIC);
    double money = 0;
    int64_t ints = 0;
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
  }
  sqlite3_close(db);
  state.counters["rows"] = benchmark::Counter(static_cast<double>(rows) / state.iterations());
}

// The same loop producing the values the recordset gives (Currency, Date, text as std::string):
// what a native, typed reader of the query costs.
void BM_TypedSqliteLoop(benchmark::State& state) {
  sqlite3* db = bench::openPlainReader(books().file);
  std::string sql = host::rewriteHostSql(kQuery);
  auto text = [](sqlite3_stmt* st, int c) {
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                       static_cast<size_t>(sqlite3_column_bytes(st, c)));
  };
  int64_t rows = 0;
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    sqlite3_bind_text(st, 1, "V1", -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, "2026-12-31", -1, SQLITE_STATIC);
    automation::Currency total;
    size_t chars = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      int32_t numero = static_cast<int32_t>(sqlite3_column_int64(st, 0));
      std::string serie = text(st, 1);
      int32_t correlativo = static_cast<int32_t>(sqlite3_column_int64(st, 2));
      auto fecha = automation::Date::parseIso(
          std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)),
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
  }
  sqlite3_close(db);
  state.counters["rows"] = benchmark::Counter(static_cast<double>(rows) / state.iterations());
}

void BM_LateBoundRecordset(benchmark::State& state) {
  auto session = std::make_shared<host::HostSession>(host::Database::open(books().file),
                                                     host::HostOptions{}, std::make_shared<bench::NoUi>());
  automation::ObjectRef factory = std::make_shared<host::HostFactory>(session);
  using automation::Arg;
  int64_t rows = 0;
  for (auto _ : state) {
    auto rs = automation::toObject(automation::call(
        factory, "OpenRecordset",
        {Arg(kQuery), Arg("V1"), Arg(automation::Date::fromYmd(2026, 12, 31))}));
    automation::Currency total;
    int64_t fields = 0;
    while (!automation::get(rs, "EOF").asBoolean()) {
      for (const char* name : kFields) {
        auto field = automation::toObject(automation::get(rs, "Fields", {Arg(name)}));
        automation::Variant v = automation::get(field, "Value");
        if (v.type() == automation::VarType::Currency) total += v.asCurrency();
        ++fields;
      }
      automation::call(rs, "MoveNext");
      ++rows;
    }
    benchmark::DoNotOptimize(total);
    benchmark::DoNotOptimize(fields);
  }
  state.counters["rows"] = benchmark::Counter(static_cast<double>(rows) / state.iterations());
}

BENCHMARK(BM_PlainSqliteLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypedSqliteLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LateBoundRecordset)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
