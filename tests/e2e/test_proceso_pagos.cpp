// A whole commission cut, scripted, for each payment method: the books afterwards, the host
// calls of the processing in order with their arguments, the printed cheque or transfer, and
// the window (a window opened for a salesperson closes; a free window is cleared).
//
// Then a host call of the processing that fails, or a host that dies at it, for each payment
// method and each call in turn. Before the commit: the books are exactly as before, the lock is
// free, the window is as it was and the error box shows the error. After the commit: the cut
// stays, nothing is aborted, the lock is freed and the window no longer offers the processed
// marks. A host that dies leaves, after a restart, all of the cut or nothing of it, and no lock.

#include <gtest/gtest.h>

#include "host/cuts.h"
#include "e2e_support.h"
#include "text/text.h"

namespace e2e {
namespace {

const std::string kLineaFactura1 = "A-0000042 Abastos Uno";
// Column Factura, a blank and the customer's name, cut to 50 characters (not bytes).
const std::string kLineaFactura3 = "B-0000007 Distribuidora Ñandú de Occidente y Orien";

struct Metodo {
  std::string nombre;
  std::string lineas;       // choosing the method in the window
  std::string pago;         // the payment's own journal call (the one with the amount by reference)
  std::string cuenta;       // the account the payment is posted on
  std::string descripcion;  // the payment line on the salesperson's account
  std::vector<std::string> banco;
  std::vector<std::string> caja;
  std::string proximoCheque;
  std::string impreso;  // file name of the printout, "" for none
  std::vector<std::string> textoImpreso;
};

std::string nombre(const Metodo& m) {
  return m.nombre;
}
void PrintTo(const Metodo& m, std::ostream* os) {
  *os << m.nombre;
}

const std::string kPagoTexto = "String:Pago de comisiones a Rosa Peña";
std::string movimiento(int tipo, const std::string& referencia) {
  return "RegistroBanco.RegistrarMovimiento(Integer:" + std::to_string(tipo) + ", Date:2026-12-01, " + kPagoTexto +
         ", String:Rosa Peña, &Currency:91.8400, String:" + referencia +
         ", Date:2026-12-01, Object:BComprobante) Imprimir:=Boolean:true";
}

const std::vector<Metodo> kMetodos = {
    {"Efectivo", kEfectivo,
     "Sesion.RegistrarRetiro(Integer:1, &Currency:91.8400, " + kPagoTexto +
         ", Nothing, String:VND, String:V1) Beneficiario:=String:Rosa Peña",
     "1.1.01", "Pago en efectivo (MovCaja No. 1)", {},
     {"1|1|2026-12-01|91.84|Pago de comisiones a Rosa Peña|VND|V1|Rosa Peña|1"}, "1001", "", {}},
    {"Cheque", kCheque, movimiento(0, "1001"), "1.1.02.001", "Cheque 1001 Bco. BAN01",
     {"1|BAN01|0|2026-12-01|Pago de comisiones a Rosa Peña|Rosa Peña|91.84|1001|2026-12-01|1|1"}, {}, "1002",
     "cheque-BAN01-1001-m1.pdf", {"Cheque No. 1001", "Rosa Peña", "91,84"}},
    {"Transferencia", kTransferencia, movimiento(4, "T-77"), "1.1.02.002", "Transferencia T-77 Bco. BAN02",
     {"1|BAN02|4|2026-12-01|Pago de comisiones a Rosa Peña|Rosa Peña|91.84|T-77|2026-12-01|1|1"}, {}, "1001",
     "transferencia-BAN02-T-77-m1.pdf", {"Transferencia No. T-77", "Rosa Peña", "91,84"}},
    {"NoPagar", kNoPagar, "", "", "", {}, {}, "1001", "", {}},
};

// The calls of the cut that matter beyond what it leaves in the books: from the lock on, the
// lock, the transaction and the voucher's processing, and every call given an argument by
// reference (the check against the books, a query and its reading, is tested where it stops a cut).
std::vector<std::string> llamadasDelProceso(const std::vector<json>& diario) {
  std::vector<std::string> out;
  bool dentro = false;
  for (const auto& e : diario) {
    const std::string m = e.at("member"), c = e.at("class");
    dentro = dentro || m == "SetGlobalLock";
    bool clave = m.find("Transaction") != std::string::npos || m.find("GlobalLock") != std::string::npos ||
                 m == "Procesar";
    for (const auto& a : e.at("args")) clave = clave || a.value("byRef", false);
    if (dentro && clave && m != "OpenRecordset" && c != "Recordset" && c != "Field") out.push_back(llamadaTexto(e));
  }
  return out;
}

// The operator's whole cut paid by `m`, on `books`, with its journal and printouts.
Salida cortar(const Entorno& env, const std::string& books, const Metodo& m, const fs::path& journal,
              const fs::path& prints) {
  auto args = argumentosBase(books);
  args.insert(args.end(), {"--journal", journal.string(), "--print-dir", prints.string()});
  return ejecutar(env, args, std::string(kTrabajo) + m.lineas + "click cbProcesar\n", journal);
}

class CortePorMetodo : public PorMotor<Metodo> {};

TEST_P(CortePorMetodo, LosLibrosElDiarioYLaVentanaQuedanComoDebe) {
  const Metodo& m = std::get<0>(GetParam());
  Entorno env;
  const auto libros = librosDelCorte(env);
  const std::string& books = libros->db();
  const fs::path journal = env.dir() / "diario.jsonl";
  const fs::path prints = env.dir() / "impresos";
  const auto antes = tablas(books);
  const Salida r = cortar(env, books, m, journal, prints);
  ASSERT_EQ(r.status, 0) << r.transcript();

  // No message, no error box; the window opened for V1 closed after the cut.
  EXPECT_TRUE(r.boxes().empty()) << r.transcript();
  ASSERT_FALSE(r.events.empty());
  EXPECT_EQ(r.events.back(), (json{{"event", "unload"}, {"window", "SelectFacturas"}}));

  std::vector<std::string> esperadas = {
      "HostFactory.SetGlobalLock(String:TESSALOCKS)",
      "HostFactory.StartTransaction()",
      "HostFactory.ExecuteSQL(String:UPDATE Facturas SET Comision = ? WHERE Numero = ?, &Currency:30.1100, &Long:11)",
      "HostFactory.ExecuteSQL(String:UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = ?, &Long:11)",
      "HostFactory.ExecuteSQL(String:UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = ?, &Long:13)",
      "BComprobante.AddDetalleValor(String:6.1.05, String:Corte de comisiones para el vendedor V1, "
      "&Currency:91.8400)",
  };
  if (!m.pago.empty()) {
    esperadas.push_back(m.pago);
    esperadas.push_back("DetalleCE.Add(Integer:0, String:V1, String:VND, Date:2026-12-01, &String:" + m.descripcion +
                        ", &Currency:91.8400, Object:BComprobante)");
  }
  for (const char* fin : {"BComprobante.Procesar()", "HostFactory.CommitTransaction()", "HostFactory.FreeGlobalLock()"})
    esperadas.push_back(fin);
  EXPECT_EQ(llamadasDelProceso(r.journal), esperadas);

  // The books: exactly these rows changed or appeared.
  auto esperado = antes;
  esperado["Facturas"][0] = "11|A|42|2026-11-02|C1|Abastos Uno|V1|1000|160|0|0|30.11|1";
  esperado["Facturas"][2] =
      "13|B|7|2026-11-04|C3|Distribuidora Ñandú de Occidente y Oriente, Compañía Anónima|V1|1234.56|197.53|0|0|61.73|1";
  esperado["comprobantes"] = {"1|2026-12-01||Corte de comisiones para el vendedor V1"};
  esperado["comprobante_lineas"] = {"1|1|2.1.04|" + kLineaFactura1 + "|-30.11",
                                    "1|2|2.1.04|" + kLineaFactura3 + "|-61.73",
                                    "1|3|6.1.05|Corte de comisiones para el vendedor V1|91.84"};
  esperado["cuenta_vendedor"] = {"1|0|V1|VND|2026-12-01|" + kLineaFactura1 + "|-30.11|1",
                                 "2|0|V1|VND|2026-12-01|" + kLineaFactura3 + "|-61.73|1"};
  if (!m.pago.empty()) {
    esperado["comprobante_lineas"].push_back("1|4|" + m.cuenta + "|Pago de comisiones a Rosa Peña|-91.84");
    esperado["comprobante_lineas"].push_back("1|5|2.1.04|" + m.descripcion + "|91.84");
    esperado["cuenta_vendedor"].push_back("3|0|V1|VND|2026-12-01|" + m.descripcion + "|91.84|1");
  }
  esperado["movimientos_banco"] = m.banco;
  esperado["movimientos_caja"] = m.caja;
  esperado["bancos"][0] = "BAN01|Banco Meridional|1.1.02.001|" + m.proximoCheque;
  EXPECT_EQ(tablas(books), esperado);
  // The voucher balances.
  EXPECT_EQ(filas(books, "SELECT CAST(round(sum(monto) * 10000) AS INTEGER) FROM comprobante_lineas"),
            (std::vector<std::string>{"0"}));

  // The printout of a cheque or transfer, nothing otherwise.
  const std::vector<std::string> impresos = impresosDe(prints, books);
  if (m.impreso.empty()) {
    EXPECT_TRUE(impresos.empty());
  } else {
    ASSERT_EQ(impresos, std::vector<std::string>{m.impreso});
    const std::string nombre = m.impreso.substr(0, m.impreso.size() - 4) + "-" +
                               host::printTag(*host::Database::open(books)) + ".pdf";
    const std::string texto = correr(env, {"/usr/bin/pdftotext", "-q", (prints / nombre).string(), "-"}, "").out;
    for (const auto& t : m.textoImpreso) EXPECT_NE(texto.find(t), std::string::npos) << t << " in " << texto;
  }
  EXPECT_TRUE(bloqueoLibre(books));
}

INSTANTIATE_TEST_SUITE_P(Metodos, CortePorMetodo,
                         testing::Combine(testing::ValuesIn(kMetodos), testing::ValuesIn(kMotores)),
                         nombrePorMotor<Metodo>);

// The checks before the lock only warn: nothing to process, a bank payment without its bank or
// number. A window opened without a salesperson is cleared for the next one after the cut; the
// commissions adjusted on an unmarked list are written without a voucher.
TEST(CorteVentanaLibre, LasComprobacionesAvisanYSinMarcasEscribeLasComisionesYLimpiaLaVentana) {
  Entorno env;
  const fs::path books = env.dir() / "libros.sqlite";
  const fs::path journal = env.dir() / "diario.jsonl";
  escribirLibros(books);
  const auto antes = tablas(books);

  auto args = argumentosBase(books);
  args.insert(args.end(), {"--journal", journal.string()});
  const Salida r = ejecutar(env, args, R"(go
focus codigoVendedor
type v1
tab
click cbProcesar
ok
dblclick 1 8
click optCheque
click cbProcesar
ok
focus codigoBanco
type BAN02
focus refMovBanco
type ""
click cbProcesar
ok
click optTransferencia
click cbProcesar
ok
dblclick 1 8
dblclick 4 6
type 15,11
click cbOk
dblclick 2 6
type 9,9
click cbOk
click optNoPagar
click cbProcesar
dump
)",
                           journal);
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{"message: No hay nada que procesar",
                                                 "message: Por favor, introduzca el código de un banco",
                                                 "message: Introduzca un numero para el cheque",
                                                 "message: Introduzca un numero para la transferencia"}));

  // Only the commission that moved by more than 0.1 is written; nothing is credited.
  EXPECT_EQ(llamadasDelProceso(r.journal),
            (std::vector<std::string>{
                "HostFactory.SetGlobalLock(String:TESSALOCKS)", "HostFactory.StartTransaction()",
                "HostFactory.ExecuteSQL(String:UPDATE Facturas SET Comision = ? WHERE Numero = ?, &Currency:15.1100, "
                "&Long:14)",
                "HostFactory.CommitTransaction()", "HostFactory.FreeGlobalLock()"}));
  auto esperado = antes;
  esperado["Facturas"][3] = "14|B|8|2026-11-05|C1|Abastos Uno|V1|500|80|0|0|15.11|0";
  EXPECT_EQ(tablas(books), esperado);

  // The window stays, cleared (what clearing leaves is checked where Cancelar clears it).
  ASSERT_EQ(r.of("dump").size(), 1u);
  EXPECT_TRUE(r.dump().w.at("visible").get<bool>());
  EXPECT_EQ(r.dump().rows(), 1);
  EXPECT_EQ(r.dump().state().at("vendedorCargado"), "");
  EXPECT_TRUE(bloqueoLibre(books));
}

// One host call of the processing: its member, which call of that member it is in the whole run
// (as --fail-at and --crash-at count them) and its place in the journal.
struct Punto {
  std::string miembro;
  int n = 0;
  size_t indice = 0;
  std::string regla() const { return miembro + "#" + std::to_string(n); }
};

// A successful cut on a copy of the books: its journal, its calls and the books before and after.
struct Referencia {
  std::vector<json> diario;
  std::vector<Punto> puntos;
  size_t confirmacion = 0;  // journal index of CommitTransaction
  std::map<std::string, std::vector<std::string>> antes, despues;
  std::vector<std::string> impresos;
};

Referencia referencia(const Entorno& env, const Libros& plantilla, Motor motor, const Metodo& m) {
  Referencia ref;
  const Libros libros(motor, env, "referencia", &plantilla);
  const std::string& books = libros.db();
  const fs::path journal = env.dir() / "referencia.jsonl";
  const fs::path prints = env.dir() / "referencia-impresos";
  ref.antes = tablas(books);
  const Salida r = cortar(env, books, m, journal, prints);
  EXPECT_EQ(r.status, 0) << r.transcript();
  ref.diario = r.journal;
  ref.despues = tablas(books);
  ref.impresos = impresosDe(prints, books);
  std::map<std::string, int> cuenta;
  bool dentro = false;
  for (size_t i = 0; i < ref.diario.size(); ++i) {
    const std::string miembro = ref.diario[i].at("member");
    const int n = ++cuenta[text::lowerAscii(miembro)];
    if (miembro == "SetGlobalLock") dentro = true;
    if (miembro == "CommitTransaction") ref.confirmacion = i;
    if (dentro) ref.puntos.push_back({miembro, n, i});
  }
  EXPECT_GT(ref.puntos.size(), 10u);
  EXPECT_NE(ref.antes, ref.despues);
  return ref;
}

std::vector<std::string> miembrosDesde(const std::vector<json>& diario, size_t desde) {
  std::vector<std::string> out;
  for (size_t i = desde; i < diario.size(); ++i) out.push_back(diario[i].at("member"));
  return out;
}

class FallosPorMetodo : public PorMotor<Metodo> {
 protected:
  const Metodo& metodo() const { return std::get<0>(GetParam()); }
  // One run per host call of the reference cut, each on a copy of the books named `prefijo` and
  // its number, with the options `opcion` and that call's rule; its printouts go to
  // "<copy>-impresos" and, with `diario`, its journal to "<copy>.jsonl".
  std::vector<Salida> correrCadaPunto(const Entorno& env, const Libros& plantilla, const Referencia& ref,
                                         const std::string& prefijo, const std::string& opcion, bool diario,
                                         const std::string& guion) {
    std::vector<std::pair<std::vector<std::string>, std::string>> trabajos;
    for (size_t k = 0; k < ref.puntos.size(); ++k) {
      const std::string id = prefijo + std::to_string(k);
      copias.push_back(std::make_unique<Libros>(motor(), env, id, &plantilla));
      auto args = argumentosBase(copias.back()->db());
      if (diario) args.insert(args.end(), {"--journal", (env.dir() / (id + ".jsonl")).string()});
      args.insert(args.end(),
                  {"--print-dir", (env.dir() / (id + "-impresos")).string(), opcion, ref.puntos[k].regla()});
      trabajos.emplace_back(std::move(args), guion);
    }
    return ejecutarTodos(env, trabajos);
  }
  std::vector<std::unique_ptr<Libros>> copias;
};

TEST_P(FallosPorMetodo, UnaLlamadaQueFallaNoDejaNadaAMedias) {
  Entorno env;
  const auto plantilla = librosDelCorte(env, "plantilla");
  const Referencia ref = referencia(env, *plantilla, motor(), metodo());
  ASSERT_FALSE(testing::Test::HasFailure());

  const auto resultados =
      correrCadaPunto(env, *plantilla, ref, "f", "--fail-at", true,
                      std::string(kTrabajo) + metodo().lineas + "focus cbProcesar\ndump\nclick cbProcesar\nok\ndump\n");

  for (size_t k = 0; k < ref.puntos.size(); ++k) {
    const Punto& p = ref.puntos[k];
    SCOPED_TRACE("--fail-at " + p.regla());
    const std::string id = std::to_string(k);
    const std::string& books = copias[k]->db();
    const Salida& r = resultados[k];
    ASSERT_EQ(r.status, 0) << r.transcript();

    // The error box, with the injected error and the processing as its source.
    const auto errores = r.of("error");
    ASSERT_EQ(errores.size(), 1u) << r.transcript();
    EXPECT_EQ(errores[0], (json{{"event", "error"},
                                {"number", 50001},
                                {"description", "injected failure in " + p.miembro},
                                {"source", kFuente}}));

    const auto diario = leerJsonLines(env.dir() / ("f" + id + ".jsonl"));
    ASSERT_GT(diario.size(), p.indice);
    EXPECT_EQ(diario[p.indice].at("member"), p.miembro);
    const auto dumps = r.of("dump");
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_TRUE(bloqueoLibre(books));
    EXPECT_EQ(integridad(books), std::vector<std::string>{"ok"});

    if (p.indice <= ref.confirmacion) {
      // Before the commit: aborted, reported, lock freed; books, printouts and window untouched.
      EXPECT_EQ(miembrosDesde(diario, p.indice + 1), (std::vector<std::string>{"AbortTransaction", "FreeGlobalLock"}));
      EXPECT_EQ(tablas(books), ref.antes);
      EXPECT_TRUE(impresosDe(env.dir() / ("f" + id + "-impresos"), books).empty());
      const json antes = ventana(dumps[0]);
      ASSERT_FALSE(antes.is_null());
      EXPECT_EQ(ventana(dumps[1]), antes);
    } else {
      ASSERT_EQ(p.miembro, "FreeGlobalLock");  // the one call after the commit (a commit that
                                               // fails as it arrives is not made: see above)
      // The lock's release failed after the commit: the cut stays, nothing is aborted, the lock
      // is freed by a second release, and the window (opened for the salesperson) has closed.
      EXPECT_EQ(miembrosDesde(diario, ref.confirmacion),
                (std::vector<std::string>{"CommitTransaction", "FreeGlobalLock", "FreeGlobalLock"}));
      EXPECT_EQ(tablas(books), ref.despues);
      EXPECT_EQ(impresosDe(env.dir() / ("f" + id + "-impresos"), books), ref.impresos);
      EXPECT_TRUE(ventana(dumps[1]).is_null());
    }
  }
}

TEST_P(FallosPorMetodo, UnHostQueMuereDejaTodoONadaYElBloqueoLibre) {
  Entorno env;
  const auto plantilla = librosDelCorte(env, "plantilla");
  const Referencia ref = referencia(env, *plantilla, motor(), metodo());
  ASSERT_FALSE(testing::Test::HasFailure());

  const auto caidas = correrCadaPunto(env, *plantilla, ref, "c", "--crash-at", false,
                                      std::string(kTrabajo) + metodo().lineas + "click cbProcesar\n");

  // Restart on each of the books: the host opens them (and the database recovers what it must).
  std::vector<std::pair<std::vector<std::string>, std::string>> reinicios;
  for (size_t k = 0; k < ref.puntos.size(); ++k) {
    const std::string id = std::to_string(k);
    auto args = argumentosBase(copias[k]->db());
    args.insert(args.end(), {"--print-dir", (env.dir() / ("c" + id + "-impresos")).string()});
    reinicios.emplace_back(std::move(args), "echo reiniciado\n");
  }
  const auto reiniciados = ejecutarTodos(env, reinicios);

  for (size_t k = 0; k < ref.puntos.size(); ++k) {
    const Punto& p = ref.puntos[k];
    SCOPED_TRACE("--crash-at " + p.regla());
    const std::string id = std::to_string(k);
    const std::string& books = copias[k]->db();
    EXPECT_EQ(caidas[k].status, 137) << caidas[k].transcript();
    EXPECT_EQ(reiniciados[k].status, 0) << reiniciados[k].err;
    EXPECT_TRUE(bloqueoLibre(books));
    EXPECT_EQ(integridad(books), std::vector<std::string>{"ok"});
    // The host dies as the call arrives: up to the commit itself, nothing of the cut is kept.
    const bool confirmado = p.indice > ref.confirmacion;
    EXPECT_EQ(tablas(books), confirmado ? ref.despues : ref.antes);
    EXPECT_TRUE(confirmado || impresosDe(env.dir() / ("c" + id + "-impresos"), books).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Metodos, FallosPorMetodo,
                         testing::Combine(testing::ValuesIn(kMetodos), testing::ValuesIn(kMotores)),
                         nombrePorMotor<Metodo>);

// The launcher's register of processed cuts, read from books where cuts of every method were
// processed one after another: newest first, the payment's own line not counted as an invoice,
// bank and document of a bank payment with its printout.
class RegistroDeCortes : public PorMotor<> {};

TEST_P(RegistroDeCortes, UnaFilaPorCorteConSuMedioYSuDocumento) {
  Entorno env;
  auto libros = librosDelCorte(env);
  const fs::path prints = env.dir() / "impresos";
  auto args = argumentosBase(libros->db());
  args.insert(args.end(), {"--print-dir", prints.string()});
  const Salida r = ejecutar(env, args,
                               std::string("go V1\ndblclick 1 8\ndblclick 2 8\n") + kEfectivo + "click cbProcesar\n" +
                                   "go V1\ndblclick 1 8\n" + kCheque + "click cbProcesar\n" +
                                   "go V2\ndblclick 1 8\n" + kTransferencia + "click cbProcesar\n" +
                                   "go V1\ndblclick 1 8\n" + kNoPagar + "click cbProcesar\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  ASSERT_TRUE(r.of("error").empty()) << r.transcript();

  const auto db = host::Database::open(libros->db());
  const auto cortes = host::processedCuts(*db, prints);
  const std::string tag = "-" + host::printTag(*db);
  std::vector<std::string> vistas;
  for (const auto& c : cortes)
    vistas.push_back(host::booksDateText(c.date) + " " + c.salesperson + " " + c.salespersonName + " " +
                     std::to_string(c.invoices) + " " + c.amount.toString() + " " + host::methodText(c.method) + " " +
                     c.bank + " " + c.document + " " + (c.printout ? c.printout->filename().string() : "-"));
  ASSERT_EQ(cortes.size(), 4u);
  EXPECT_EQ(vistas, (std::vector<std::string>{
                        "2026-12-01 V1 Rosa Peña 1 15.0000 Solo acreditado   -",
                        "2026-12-01 V2 Ernesto Villa 1 24.0000 Transferencia BAN02 T-77 transferencia-BAN02-T-77-m2" + tag + ".pdf",
                        "2026-12-01 V1 Rosa Peña 1 61.7300 Cheque BAN01 1001 cheque-BAN01-1001-m1" + tag + ".pdf",
                        "2026-12-01 V1 Rosa Peña 2 40.0000 Efectivo   -",
                    }));
  EXPECT_GT(cortes[0].voucher, cortes[1].voucher);
  EXPECT_TRUE(fs::is_regular_file(*cortes[1].printout));
}

INSTANTIATE_TEST_SUITE_P(Motores, RegistroDeCortes, testing::Combine(testing::ValuesIn(kMotores)), nombrePorMotor<>);

}  // namespace
}  // namespace e2e
