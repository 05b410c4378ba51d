// Invoices credited by someone else after this window loaded them are not credited (or paid)
// again: the cut stops with the list of those invoices, nothing is written, and the window stays
// as it was. Two hosts racing on one books file credit each invoice once.

#include <gtest/gtest.h>

#include "test_proceso_comun.h"

namespace corte {
namespace {

// Another operator's work on the books, behind the window's back.
void porFuera(const std::string& books, const std::string& sql) { host::Database::open(books)->exec(sql); }

void acreditarPorFuera(const std::string& books, const std::string& numeros) {
  porFuera(books, "UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero IN (" + numeros + ")");
}

// Loads and works the list in a live host, credits `numeros` behind its back, then processes.
struct Intento {
  json error;
  json antes, despues;  // the window before Procesar and after the error box
  int estado = -1;
};

Intento procesarTrasAcreditarPorFuera(const Entorno& env, const std::string& books, const std::string& trabajo,
                                      const std::string& numeros) {
  Intento out;
  auto host = hostVivo(env, argumentosBase(env, books));
  host->send(trabajo + "echo listo");
  host->waitFor("echo", "listo");
  acreditarPorFuera(books, numeros);
  // Without the error box, the "ok" is a script error that ends the host: waitFor then throws.
  host->send("focus cbProcesar\ndump\nclick cbProcesar\nok\ndump");
  out.antes = ventana(host->waitFor("dump"), "SelectFacturas");
  out.error = host->waitFor("error");
  out.despues = ventana(host->waitFor("dump"), "SelectFacturas");
  out.estado = host->finish();
  return out;
}

class DobleAcreditacion : public PorMotor<> {};

TEST_P(DobleAcreditacion, UnaFacturaMarcadaYaAcreditadaDetieneElCorte) {
  Entorno env;
  const auto libros = librosDelCorte(env);
  const std::string& books = libros->db();
  auto esperado = tablas(books);
  esperado["Facturas"][2] =
      "13|B|7|2026-11-04|C3|Distribuidora Ñandú de Occidente y Oriente, Compañía Anónima|V1|1234.56|197.53|0|0|61.73|1";

  const Intento r = procesarTrasAcreditarPorFuera(env, books, std::string(kTrabajo) + kEfectivo, "13");
  EXPECT_EQ(r.estado, 0);
  EXPECT_EQ(r.error, (json{{"event", "error"},
                           {"number", static_cast<int32_t>(0x80040000u) + 513},
                           {"description", "Facturas ya acreditadas: B-0000007"},
                           {"source", kFuente}}));
  // Nothing written (row 1's adjusted commission neither), no lock held, the window unchanged.
  EXPECT_EQ(tablas(books), esperado);
  EXPECT_TRUE(bloqueoLibre(books));
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
  const Intento r = procesarTrasAcreditarPorFuera(env, books, R"(go V1
dblclick 1 6
type 31
click cbOk
dblclick 4 6
type 14
click cbOk
dblclick 3 8
click optNoPagar
)",
                                                  "11, 13, 14");
  EXPECT_EQ(r.error.at("description"), "Facturas ya acreditadas: A-0000042, B-0000007, B-0000008");
  EXPECT_EQ(filas(books, "SELECT Numero, Comision FROM Facturas WHERE Numero IN (11, 14) ORDER BY Numero"),
            (std::vector<std::string>{"11|30", "14|15"}));
  EXPECT_TRUE(filas(books, "SELECT * FROM comprobantes").empty());
  EXPECT_TRUE(bloqueoLibre(books));
}

// A commission changed by someone else since the list was loaded would be credited and paid at
// its old value, and a rewritten one would overwrite theirs: the cut stops, nothing written.
TEST_P(DobleAcreditacion, UnaComisionCambiadaPorOtroDetieneElCorte) {
  Entorno env;
  const auto libros = librosDelCorte(env);
  const std::string& books = libros->db();
  auto host = hostVivo(env, argumentosBase(env, books));
  host->send(std::string(kTrabajo) + kEfectivo + "echo listo");
  host->waitFor("echo", "listo");
  porFuera(books, "UPDATE Facturas SET Comision = 99 WHERE Numero IN (13, 14)");
  const auto esperado = tablas(books);
  host->send("click cbProcesar\nok\ndump");
  EXPECT_EQ(host->waitFor("error").at("description"), "Facturas modificadas por otro usuario: B-0000007");
  EXPECT_EQ(ventana(host->waitFor("dump"), "SelectFacturas").at("state").at("comisionAcreditar"), "91.8400");
  EXPECT_EQ(host->finish(), 0);
  EXPECT_EQ(tablas(books), esperado);
  EXPECT_TRUE(bloqueoLibre(books));
}

// The lock is freed before the error box opens: while one operator reads it, another cuts.
TEST_P(DobleAcreditacion, ElBloqueoSeLiberaAntesDelMensajeDeError) {
  Entorno env;
  const auto libros = librosDelCorte(env);
  const std::string& books = libros->db();
  auto a = hostVivo(env, argumentosBase(env, books));
  a->send(std::string(kTrabajo) + kEfectivo + "echo listo");
  a->waitFor("echo", "listo");
  acreditarPorFuera(books, "13");
  a->send("click cbProcesar");
  a->waitFor("error");

  auto args = argumentosBase(env, books);
  args.back() = "0";  // no waiting: a lock held by the other host fails at once
  const Resultado b = ejecutar(env, args, "go V2\ndblclick 1 8\nclick optNoPagar\nclick cbProcesar\n");
  EXPECT_EQ(b.estado, 0) << b.errores;
  EXPECT_EQ(filas(books, "SELECT ComisionAcreditada FROM Facturas WHERE Numero = 16"), std::vector<std::string>{"1"});
  a->send("ok");
  EXPECT_EQ(a->finish(), 0);
}

// Two operators load the same salesperson, mark the same invoices and press Procesar at the same
// time: the lock lets one through, the other finds the invoices credited.
TEST_P(DobleAcreditacion, DosHostsCompitiendoAcreditanCadaFacturaUnaVez) {
  Entorno env;
  const auto libros = librosDelCorte(env);
  const std::string& books = libros->db();
  auto a = hostVivo(env, argumentosBase(env, books));
  auto b = hostVivo(env, argumentosBase(env, books));
  for (auto* h : {a.get(), b.get()}) h->send(std::string(kTrabajo) + kEfectivo + "echo listo");
  for (auto* h : {a.get(), b.get()}) h->waitFor("echo", "listo");
  for (auto* h : {a.get(), b.get()}) h->send("click cbProcesar");

  // Each ends either with its window closed (the cut went through) or with an error box.
  int hechos = 0;
  std::vector<json> errores;
  for (auto* h : {a.get(), b.get()}) {
    for (;;) {
      auto e = h->next();
      ASSERT_TRUE(e.has_value());
      if (e->at("event") == "unload" && e->at("window") == "SelectFacturas") {
        ++hechos;
        break;
      }
      if (e->at("event") == "error") {
        errores.push_back(*e);
        h->send("ok");
        break;
      }
    }
  }
  EXPECT_EQ(a->finish(), 0);
  EXPECT_EQ(b->finish(), 0);
  EXPECT_EQ(hechos, 1);
  ASSERT_EQ(errores.size(), 1u);
  EXPECT_EQ(errores[0].at("description"), "Facturas ya acreditadas: A-0000042, B-0000007");

  EXPECT_EQ(filas(books, "SELECT count(*) FROM comprobantes"), std::vector<std::string>{"1"});
  EXPECT_EQ(filas(books, "SELECT descripcion, count(*) FROM cuenta_vendedor GROUP BY descripcion ORDER BY 1"),
            (std::vector<std::string>{"A-0000042 Abastos Uno|1", "B-0000007 Distribuidora Ñandú de Occidente y Orien|1",
                                      "Pago en efectivo (MovCaja No. 1)|1"}));
  EXPECT_EQ(filas(books, "SELECT count(*), sum(monto) FROM movimientos_caja"), std::vector<std::string>{"1|91.84"});
  EXPECT_EQ(filas(books, "SELECT Numero, Comision, ComisionAcreditada FROM Facturas WHERE Numero IN (11, 13) ORDER BY 1"),
            (std::vector<std::string>{"11|30.11|1", "13|61.73|1"}));
  EXPECT_TRUE(bloqueoLibre(books));
}

INSTANTIATE_TEST_SUITE_P(Motores, DobleAcreditacion, testing::Combine(testing::ValuesIn(kMotores)), nombrePorMotor<>);

}  // namespace
}  // namespace corte
