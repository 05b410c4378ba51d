// Sixteen hosts on one PostgreSQL server, each cutting its own salesperson's 100 invoices (cash
// payment) at the same moment: cuts per second, how long each cut takes from the click, and how
// long each holds the named lock (from SetGlobalLock's return to the FreeGlobalLock call).
//
//   TESSALINE_BENCH_SERVER=$(bash scripts/pg-cluster.sh start) build*/bin/bench_hosts
//
// Every host is a process of its own (the window and the reference host, driven directly, as in
// bench_proceso); they load and mark their lists, wait for one signal, and click Procesar.

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

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
#include "regional/regional_settings.h"
#include "bench_books.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kHosts = 16;
constexpr int kFacturasPorVendedor = 100;

std::string vendedor(int h) {
  const std::string n = std::to_string(h + 1);
  return (n.size() < 2 ? "S0" : "S") + n;
}

// Company, customer and the sixteen salespeople (bench::ServerBooks with no invoices).
bench::ServerBooks& libros() {
  static bench::ServerBooks l("hosts", 0);
  static const bool vendedores = [] {
    auto db = host::Database::open(l.uri);
    for (int h = 0; h < kHosts; ++h)
      db->exec("INSERT INTO vendedores VALUES ('" + vendedor(h) + "', 'Vendedor " + vendedor(h) + "')");
    return true;
  }();
  (void)vendedores;
  return l;
}

// Fresh invoices for every salesperson before a round.
void nuevasFacturas(int ronda) {
  auto db = host::Database::open(libros().uri);
  host::Transaction txn(*db);
  auto st = db->prepare(
      "INSERT INTO Facturas VALUES (?, 'A', ?, '2026-11-10', 'C1', 'Abastos La Candelaria, C.A.', ?, 1000, 160, 0, "
      "0, 30, 0)");
  for (int h = 0; h < kHosts; ++h)
    for (int i = 0; i < kFacturasPorVendedor; ++i) {
      const int64_t numero = 1 + (int64_t{ronda} * kHosts + h) * kFacturasPorVendedor + i;
      st.reset();
      st.bind(1, numero);
      st.bind(2, numero);
      st.bind(3, vendedor(h));
      st.run();
    }
  txn.commit();
}

// The factory as the component sees it, timing the lock: from SetGlobalLock's return to the
// FreeGlobalLock call.
class FabricaCronometrada final : public automation::Object {
 public:
  explicit FabricaCronometrada(automation::ObjectRef real) : real_(std::move(real)) {}
  std::string className() const override { return real_->className(); }
  automation::Variant invoke(std::string_view member, automation::CallKind kind, automation::CallArgs& args) override {
    if (automation::sameName(member, "FreeGlobalLock") && tomado_) {
      retenido += std::chrono::duration<double>(Clock::now() - desde_).count();
      tomado_ = false;
    }
    automation::Variant v = real_->invoke(member, kind, args);
    if (automation::sameName(member, "SetGlobalLock")) {
      desde_ = Clock::now();
      tomado_ = true;
    }
    return v;
  }
  automation::Variant invokeById(int32_t id, automation::CallKind kind, automation::CallArgs& args) override {
    return real_->invokeById(id, kind, args);
  }
  bool supportsInterface(std::string_view iid) const override { return real_->supportsInterface(iid); }

  double retenido = 0;

 private:
  automation::ObjectRef real_;
  Clock::time_point desde_;
  bool tomado_ = false;
};

struct Medida {
  double corte = -1, bloqueo = -1;  // seconds; negative when the cut failed
};

// One host: loads and marks its salesperson's list, says so on `listo`, waits for a byte on
// `salida`, processes, and writes its Medida on `resultado`.
[[noreturn]] void host(int h, int listo, int salida, int resultado) {
  Medida m;
  try {
    static forms::Application app(regional::RegionalSettings::fromLocale("es_VE"));
    automation::setToday(automation::Date::fromYmd(2026, 12, 1));
    auto session = std::make_shared<host::HostSession>(host::Database::open(libros().uri), host::HostOptions{},
                                                       std::make_shared<bench::NoUi>());
    auto fabrica = std::make_shared<FabricaCronometrada>(std::make_shared<host::HostFactory>(session));
    tessaline::Globales::setFactoria(fabrica);
    auto ventana = std::make_shared<tessaline::SelectFacturas>();
    automation::Variant codigo(vendedor(h));
    ventana->setVendedor(codigo);
    ventana->operatorClick(*ventana->control("optEfectivo"));
    auto& grid = *ventana->controlAs<forms::Grid>("detalles");
    for (int r = 1; r < grid.rows(); ++r) ventana->operatorDblClick(grid, r, tessaline::col::kAcreditar);
    char c = 1;
    if (::write(listo, &c, 1) != 1 || ::read(salida, &c, 1) != 1) ::_exit(1);
    const auto inicio = Clock::now();
    ventana->operatorClick(*ventana->control("cbProcesar"));
    if (ventana->isLoaded()) throw std::runtime_error("the cut did not go through");
    m = {std::chrono::duration<double>(Clock::now() - inicio).count(), fabrica->retenido};
  } catch (const std::exception& e) {
    std::fprintf(stderr, "host %d: %s\n", h, e.what());
  }
  if (::write(resultado, &m, sizeof m) != sizeof m) ::_exit(1);
  ::_exit(0);
}

void BM_DieciseisHostsALaVez(benchmark::State& state) {
  if (bench::ServerBooks::server().empty()) {
    state.SkipWithError("no server (TESSALINE_BENCH_SERVER)");
    return;
  }
  libros();
  static int ronda = 0;  // fresh invoice numbers across repetitions too
  double cortes = 0, segundos = 0, bloqueo = 0, bloqueoMax = 0, corte = 0;
  for (auto _ : state) {
    nuevasFacturas(ronda++);
    int listo[2], salida[2], resultado[2];
    if (::pipe(listo) != 0 || ::pipe(salida) != 0 || ::pipe(resultado) != 0) throw std::runtime_error("pipe");
    std::vector<pid_t> hijos;
    for (int h = 0; h < kHosts; ++h) {
      const pid_t pid = ::fork();
      if (pid == 0) host(h, listo[1], salida[0], resultado[1]);
      hijos.push_back(pid);
    }
    char c;
    for (int h = 0; h < kHosts; ++h)
      if (::read(listo[0], &c, 1) != 1) throw std::runtime_error("a host did not get ready");
    const auto inicio = Clock::now();
    const std::string senal(kHosts, 'x');
    if (::write(salida[1], senal.data(), senal.size()) != kHosts) throw std::runtime_error("signal");
    int fallidos = 0;
    for (int h = 0; h < kHosts; ++h) {
      Medida m;
      if (::read(resultado[0], &m, sizeof m) != sizeof m || m.corte < 0) {
        ++fallidos;
        continue;
      }
      corte += m.corte;
      bloqueo += m.bloqueo;
      bloqueoMax = std::max(bloqueoMax, m.bloqueo);
    }
    const double s = std::chrono::duration<double>(Clock::now() - inicio).count();
    for (pid_t p : hijos) ::waitpid(p, nullptr, 0);
    for (int fd : {listo[0], listo[1], salida[0], salida[1], resultado[0], resultado[1]}) ::close(fd);
    if (fallidos) throw std::runtime_error(std::to_string(fallidos) + " cuts failed");
    state.SetIterationTime(s);
    cortes += kHosts;
    segundos += s;
  }
  state.counters["cuts_per_s"] = cortes / segundos;
  state.counters["cut_ms_mean"] = corte / cortes * 1e3;
  state.counters["lock_ms_mean"] = bloqueo / cortes * 1e3;
  state.counters["lock_ms_max"] = bloqueoMax * 1e3;
  auto db = host::Database::open(libros().uri);
  auto st = db->prepare("SELECT count(*) FROM Facturas WHERE ComisionAcreditada = 0");
  if (!st.step() || st.columnInt(0) != 0) throw std::runtime_error("invoices left uncredited");
}

BENCHMARK(BM_DieciseisHostsALaVez)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
