// Invoices credited by someone else after this window loaded them are not credited (or paid)
// again: the cut stops with the list of those invoices, nothing is written, and the window stays
// as it was. Four hosts racing on one books file credit each invoice once.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

#include "e2e_support.h"

namespace e2e {
namespace {

// Another operator crediting invoices behind the window's back.
std::string acreditar(const std::string& numeros) {
  return "UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero IN (" + numeros + ")";
}

// Loads and works the list in a live host, runs `sql` on the books behind its back, then
// processes; `fallo` is a host call to fail (--fail-at), which adds an error box.
struct Intento {
  std::vector<json> errores;
  json antes, despues;  // the window before Procesar and after the error boxes
  std::map<std::string, std::vector<std::string>> libros;  // the books as the change left them
  bool libre = false;   // the named lock, free while the first error box is open
  int status = -1;
};

Intento procesarTrasCambioPorFuera(const Entorno& env, const std::string& books, const std::string& trabajo,
                                   const std::string& sql, const std::string& fallo = "") {
  Intento out;
  auto args = argumentosBase(books);
  if (!fallo.empty()) args.insert(args.end(), {"--fail-at", fallo});
  auto host = hostVivo(env, args);
  host->send(trabajo + "focus cbProcesar\ndump");
  out.antes = ventana(host->waitFor("dump"));
  host::Database::open(books)->exec(sql);
  out.libros = tablas(books);
  host->send("click cbProcesar");
  host->waitFor("error");
  // The lock is freed before the error box opens: while one operator reads it, another cuts.
  out.libre = bloqueoLibre(books);
  // Without a second error box, the second "ok" is a script error that ends the host: waitFor then throws.
  host->send("ok\n" + std::string(fallo.empty() ? "" : "ok\n") + "dump");
  out.despues = ventana(host->waitFor("dump"));
  out.status = host->finish();
  out.errores = eventosDe(host->events, "error");
  return out;
}

class DobleAcreditacion : public PorMotor<> {};

// The abort that follows fails too: its error box comes after the cut's own, which it does not
// hide, and the lock is freed all the same.
TEST_P(DobleAcreditacion, UnaFacturaMarcadaYaAcreditadaDetieneElCorte) {
  Entorno env;
  const auto libros = librosDelCorte(env);
  const std::string& books = libros->db();
  const Intento r =
      procesarTrasCambioPorFuera(env, books, std::string(kTrabajo) + kEfectivo, acreditar("13"), "AbortTransaction");
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(r.errores.size(), 2u);
  EXPECT_EQ(r.errores[0], (json{{"event", "error"},
                                {"number", static_cast<int32_t>(0x80040000u) + 513},
                                {"description", "Facturas ya acreditadas: B-0000007"},
                                {"source", kFuente}}));
  EXPECT_EQ(r.errores[1].at("description"), "injected failure in AbortTransaction");
  // Nothing written (row 1's adjusted commission neither), no lock held, the window unchanged.
  EXPECT_EQ(tablas(books), r.libros);
  EXPECT_TRUE(r.libre);
  ASSERT_FALSE(r.antes.is_null());
  EXPECT_EQ(r.despues, r.antes);
  EXPECT_EQ(r.despues.at("state").at("hayCambios"), true);
}

// An invoice whose commission was adjusted (not marked) counts too: its new commission would be
// written over a credited one.
TEST_P(DobleAcreditacion, UnaComisionCambiadaDeUnaFacturaYaAcreditadaTambien) {
  Entorno env;
  const auto libros = librosDelCorte(env);
  const std::string& books = libros->db();
  const Intento r = procesarTrasCambioPorFuera(env, books, R"(go V1
dblclick 1 6
type 31
click cbOk
dblclick 4 6
type 14
click cbOk
dblclick 3 8
click optNoPagar
)",
                                               acreditar("11, 13, 14"));
  ASSERT_EQ(r.errores.size(), 1u);
  EXPECT_EQ(r.errores[0].at("description"), "Facturas ya acreditadas: A-0000042, B-0000007, B-0000008");
  EXPECT_EQ(tablas(books), r.libros);
  EXPECT_TRUE(r.libre);
}

// A commission changed by someone else since the list was loaded would be credited and paid at
// its old value, and a rewritten one would overwrite theirs: the cut stops, nothing written. The
// books' value as loaded counts to the last decimal, though the list shows two.
TEST_P(DobleAcreditacion, UnaComisionCambiadaPorOtroDetieneElCorte) {
  Entorno env;
  const auto libros = librosDelCorte(env);
  const std::string& books = libros->db();
  const Intento r = procesarTrasCambioPorFuera(
      env, books, std::string(kTrabajo) + kEfectivo,
      "UPDATE Facturas SET Comision = Comision + CASE Numero WHEN 14 THEN 99 ELSE 0.0001 END "
      "WHERE Numero IN (11, 13, 14)");
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(r.errores.size(), 1u);
  EXPECT_EQ(r.errores[0].at("description"), "Facturas modificadas por otro usuario: A-0000042, B-0000007");
  EXPECT_EQ(r.despues.at("state").at("comisionAcreditar"), "91.8400");
  EXPECT_EQ(tablas(books), r.libros);
  EXPECT_TRUE(r.libre);
}

// Four operators load the same salesperson's two new invoices, mark them and press Procesar at
// once, round after round (100, or as many as fit in a minute): each round one cut goes through
// and three find the invoices credited; no invoice is credited twice, every voucher balances, and
// no host hangs.
TEST_P(DobleAcreditacion, CuatroHostsCompitiendoAcreditanCadaFacturaUnaVez) {
  using namespace std::chrono_literals;
  Entorno env;
  Libros libros(motor(), env, "carrera");
  const std::string& books = libros.db();
  escribirLibros(books);
  host::Database::open(books)->exec("UPDATE Facturas SET ComisionAcreditada = 1");

  auto args = argumentosBase(books);
  args.back() = "60";
  std::vector<std::unique_ptr<e2e::LiveHost>> hosts;
  for (int h = 0; h < 4; ++h) {
    hosts.push_back(hostVivo(env, args));
    hosts.back()->send("go");
  }
  // No host may hang: past the deadline every one still running is killed, and the reads below fail.
  std::jthread vigia([&](std::stop_token fin) {
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    if (!cv.wait_for(lock, fin, 180s, [&] { return fin.stop_requested(); }))
      for (const auto& h : hosts)
        if (h->pid() > 0) ::kill(h->pid(), SIGKILL);
  });

  int fallos = 0, rondas = 0;
  const auto hasta = std::chrono::steady_clock::now() + 60s;
  for (int ronda = 0; ronda < 100 && (ronda < 10 || std::chrono::steady_clock::now() < hasta) && !HasFatalFailure();
       rondas = ++ronda) {
    const int n = 100 + 2 * ronda;
    std::string nuevas;
    for (int k : {n, n + 1})
      nuevas += (k == n ? "(" : ", (") + std::to_string(k) + ", 'A', " + std::to_string(k) +
                ", '2026-11-10', 'C1', 'Abastos Uno', 'V1', 100, 16, 0, 0, 3.01, 0)";
    host::Database::open(books)->exec("INSERT INTO Facturas VALUES " + nuevas);
    for (auto& h : hosts)
      h->send(
          "focus codigoVendedor\ntype V1\ntab\ndblclick 1 8\ndblclick 2 8\nclick optEfectivo\necho "
          "listo");
    for (auto& h : hosts) h->waitFor("echo", "listo");
    for (auto& h : hosts) h->send("click cbProcesar\necho hecho");
    int hechos = 0;
    for (auto& h : hosts) {
      bool error = false;
      for (auto e = h->next(); e && !(e->value("event", "") == "echo" && e->value("text", "") == "hecho");
           e = h->next()) {
        if (e->value("event", "") != "error") continue;
        error = true;
        EXPECT_EQ(e->value("description", ""),
                  "Facturas ya acreditadas: A-0000" + std::to_string(n) + ", A-0000" + std::to_string(n + 1))
            << "round " << ronda;
      }
      if (error) h->send("ok\nclick cbCancelar\nyes");
      hechos += error ? 0 : 1;
    }
    EXPECT_EQ(hechos, 1) << "round " << ronda;
    fallos += hechos == 1 ? 0 : 1;
    ASSERT_LT(fallos, 3);
  }
  for (auto& h : hosts) EXPECT_EQ(h->finish(), 0);
  vigia.request_stop();

  EXPECT_EQ(filas(books, "SELECT count(*), count(DISTINCT descripcion) FROM cuenta_vendedor WHERE monto < 0"),
            std::vector<std::string>{std::to_string(2 * rondas) + "|" + std::to_string(2 * rondas)});
  EXPECT_EQ(filas(books, "SELECT count(*) FROM Facturas WHERE ComisionAcreditada = 0"), std::vector<std::string>{"0"});
  EXPECT_EQ(filas(books, "SELECT count(*), count(CASE WHEN monto <> 6.02 THEN 1 END) FROM movimientos_caja"),
            std::vector<std::string>{std::to_string(rondas) + "|0"});
  EXPECT_EQ(filas(books, "SELECT count(*) FROM comprobantes"), std::vector<std::string>{std::to_string(rondas)});
  EXPECT_TRUE(
      filas(books, "SELECT comprobante FROM comprobante_lineas GROUP BY comprobante HAVING abs(sum(monto)) > 0.005").empty());
  EXPECT_TRUE(bloqueoLibre(books));
  EXPECT_EQ(integridad(books), std::vector<std::string>{"ok"});
}

INSTANTIATE_TEST_SUITE_P(Motores, DobleAcreditacion, testing::Combine(testing::ValuesIn(kMotores)), nombrePorMotor<>);

}  // namespace
}  // namespace e2e
