// A whole commission cut, scripted, for each payment method: the books afterwards, the host
// calls of the processing in order with their arguments, the printed cheque or transfer, and
// the window (a window opened for a salesperson closes; a free window is cleared).

#include <gtest/gtest.h>

#include <cstdio>

#include "host/cuts.h"
#include "test_proceso_comun.h"

namespace corte {
namespace {

const std::string kLineaFactura1 = "A-0000042 Abastos Uno";
// Column Factura, a blank and the customer's name, cut to 50 characters (not bytes).
const std::string kLineaFactura3 = "B-0000007 Distribuidora Ñandú de Occidente y Orien";

struct Metodo {
  std::string nombre;
  std::string lineas;                          // choosing the method in the window
  std::vector<std::string> pago;               // the journal of the payment, between the expense and Procesar
  std::vector<std::string> lineasComprobante;  // voucher lines 4.. (after the expense line)
  std::vector<std::string> cuentaPago;         // the salesperson line of the payment
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

const std::vector<Metodo> kMetodos = {
    {"Efectivo",
     kEfectivo,
     {"HostFactory.crearObjeto(String:Sesion)",
      "Sesion.RegistrarRetiro(Integer:1, &Currency:91.8400, " + kPagoTexto +
          ", Nothing, String:VND, String:V1) Beneficiario:=String:Rosa Peña",
      "Sesion.UltimoMovCaja()", "HostFactory.SubmitDoc(Object:MovCaja)", "Empresa.CuentaCaja()",
      "BComprobante.AddDetalleValor(String:1.1.01, " + kPagoTexto + ", Currency:-91.8400)", "Sesion.UltimoMovCaja()",
      "MovCaja.Numero()",
      "DetalleCE.Add(Integer:0, String:V1, String:VND, Date:2026-12-01, &String:Pago en efectivo (MovCaja No. 1), "
      "&Currency:91.8400, Object:BComprobante)"},
     {"1|4|1.1.01|Pago de comisiones a Rosa Peña|-91.84", "1|5|2.1.04|Pago en efectivo (MovCaja No. 1)|91.84"},
     {"3|0|V1|VND|2026-12-01|Pago en efectivo (MovCaja No. 1)|91.84|1"},
     {},
     {"1|1|2026-12-01|91.84|Pago de comisiones a Rosa Peña|VND|V1|Rosa Peña|1"},
     "1001",
     "",
     {}},
    {"Cheque",
     kCheque,
     {"Banco.Buscar(String:BAN01)",
      "RegistroBanco.RegistrarMovimiento(Integer:0, Date:2026-12-01, " + kPagoTexto +
          ", String:Rosa Peña, &Currency:91.8400, String:1001, Date:2026-12-01, Object:BComprobante) "
          "Imprimir:=Boolean:true",
      "DetalleCE.Add(Integer:0, String:V1, String:VND, Date:2026-12-01, &String:Cheque 1001 Bco. BAN01, "
      "&Currency:91.8400, Object:BComprobante)"},
     {"1|4|1.1.02.001|Pago de comisiones a Rosa Peña|-91.84", "1|5|2.1.04|Cheque 1001 Bco. BAN01|91.84"},
     {"3|0|V1|VND|2026-12-01|Cheque 1001 Bco. BAN01|91.84|1"},
     {"1|BAN01|0|2026-12-01|Pago de comisiones a Rosa Peña|Rosa Peña|91.84|1001|2026-12-01|1|1"},
     {},
     "1002",
     "cheque-BAN01-1001-m1.pdf",
     {"Cheque No. 1001", "Rosa Peña", "91,84"}},
    {"Transferencia",
     kTransferencia,
     {"Banco.Buscar(String:BAN02)",
      "RegistroBanco.RegistrarMovimiento(Integer:4, Date:2026-12-01, " + kPagoTexto +
          ", String:Rosa Peña, &Currency:91.8400, String:T-77, Date:2026-12-01, Object:BComprobante) "
          "Imprimir:=Boolean:true",
      "DetalleCE.Add(Integer:0, String:V1, String:VND, Date:2026-12-01, &String:Transferencia T-77 Bco. BAN02, "
      "&Currency:91.8400, Object:BComprobante)"},
     {"1|4|1.1.02.002|Pago de comisiones a Rosa Peña|-91.84", "1|5|2.1.04|Transferencia T-77 Bco. BAN02|91.84"},
     {"3|0|V1|VND|2026-12-01|Transferencia T-77 Bco. BAN02|91.84|1"},
     {"1|BAN02|4|2026-12-01|Pago de comisiones a Rosa Peña|Rosa Peña|91.84|T-77|2026-12-01|1|1"},
     {},
     "1001",
     "transferencia-BAN02-T-77-m1.pdf",
     {"Transferencia No. T-77", "Rosa Peña", "91,84"}},
    {"NoPagar", kNoPagar, {}, {}, {}, {}, {}, "1001", "", {}},
};

// The journal from the lock to its release.
// The cut's calls from the lock on; the check against the books (a query and its reading) is
// left out: its effect is tested where it stops a cut.
std::vector<std::string> llamadasDelProceso(const fs::path& journal) {
  std::vector<std::string> out;
  bool dentro = false;
  for (const auto& e : leerJsonLines(journal)) {
    if (e.at("member") == "SetGlobalLock") dentro = true;
    const bool consulta = e.at("member") == "OpenRecordset" || e.at("class") == "Recordset" || e.at("class") == "Field";
    if (dentro && !consulta) out.push_back(llamadaTexto(e));
  }
  return out;
}

std::string textoPdf(const fs::path& pdf) {
  std::string cmd = "pdftotext -q '" + pdf.string() + "' -";
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return {};
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  ::pclose(p);
  return out;
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

  auto args = argumentosBase(env, books);
  for (const char* a : {"--journal", journal.c_str(), "--print-dir", prints.c_str()}) args.push_back(a);
  const Resultado r = ejecutar(env, args, std::string(kTrabajo) + m.lineas + "click cbProcesar\n");
  ASSERT_EQ(r.estado, 0) << r.salida << r.errores;

  // No message, no error box; the window opened for V1 closed after the cut.
  const auto eventos = r.eventos();
  EXPECT_TRUE(eventosDe(eventos, "error").empty()) << r.salida;
  EXPECT_TRUE(eventosDe(eventos, "message").empty()) << r.salida;
  ASSERT_FALSE(eventos.empty());
  EXPECT_EQ(eventos.back(), (json{{"event", "unload"}, {"window", "SelectFacturas"}}));

  // The calls of the processing, in order.
  std::vector<std::string> esperadas = {
      "HostFactory.SetGlobalLock(String:TESSALOCKS)",
      "HostFactory.StartTransaction()",
      "HostFactory.ExecuteSQL(String:UPDATE Facturas SET Comision = ? WHERE Numero = ?, &Currency:30.1100, &Long:11)",
      "HostFactory.crearObjeto(String:BComprobante)",
      "BComprobante.StartComprobante(Date:2026-12-01, String:, String:Corte de comisiones para el vendedor V1)",
      "HostFactory.crearObjeto(String:DetalleCE)",
      "HostFactory.ExecuteSQL(String:UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = ?, &Long:11)",
      "DetalleCE.Add(Integer:0, String:V1, String:VND, Date:2026-12-01, String:" + kLineaFactura1 +
          ", Currency:-30.1100, Object:BComprobante)",
      "HostFactory.ExecuteSQL(String:UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = ?, &Long:13)",
      "DetalleCE.Add(Integer:0, String:V1, String:VND, Date:2026-12-01, String:" + kLineaFactura3 +
          ", Currency:-61.7300, Object:BComprobante)",
      "Empresa.CuentaGastosComisiones()",
      "BComprobante.AddDetalleValor(String:6.1.05, String:Corte de comisiones para el vendedor V1, "
      "&Currency:91.8400)",
  };
  esperadas.insert(esperadas.end(), m.pago.begin(), m.pago.end());
  for (const char* fin : {"BComprobante.Procesar()", "HostFactory.CommitTransaction()", "HostFactory.FreeGlobalLock()"})
    esperadas.push_back(fin);
  EXPECT_EQ(llamadasDelProceso(journal), esperadas);

  // The books: exactly these rows changed or appeared.
  auto despues = tablas(books);
  auto esperado = antes;
  esperado["Facturas"][0] = "11|A|42|2026-11-02|C1|Abastos Uno|V1|1000|160|0|0|30.11|1";
  esperado["Facturas"][2] =
      "13|B|7|2026-11-04|C3|Distribuidora Ñandú de Occidente y Oriente, Compañía Anónima|V1|1234.56|197.53|0|0|61.73|1";
  esperado["comprobantes"] = {"1|2026-12-01||Corte de comisiones para el vendedor V1"};
  esperado["comprobante_lineas"] = {"1|1|2.1.04|" + kLineaFactura1 + "|-30.11",
                                    "1|2|2.1.04|" + kLineaFactura3 + "|-61.73",
                                    "1|3|6.1.05|Corte de comisiones para el vendedor V1|91.84"};
  esperado["comprobante_lineas"].insert(esperado["comprobante_lineas"].end(), m.lineasComprobante.begin(),
                                        m.lineasComprobante.end());
  esperado["cuenta_vendedor"] = {"1|0|V1|VND|2026-12-01|" + kLineaFactura1 + "|-30.11|1",
                                 "2|0|V1|VND|2026-12-01|" + kLineaFactura3 + "|-61.73|1"};
  esperado["cuenta_vendedor"].insert(esperado["cuenta_vendedor"].end(), m.cuentaPago.begin(), m.cuentaPago.end());
  esperado["movimientos_banco"] = m.banco;
  esperado["movimientos_caja"] = m.caja;
  esperado["bancos"][0] = "BAN01|Banco Meridional|1.1.02.001|" + m.proximoCheque;
  EXPECT_EQ(despues, esperado);

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
    const std::string texto = textoPdf(prints / nombre);
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

  auto args = argumentosBase(env, books);
  args.push_back("--journal");
  args.push_back(journal.string());
  const Resultado r = ejecutar(env, args, R"(go
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
)");
  ASSERT_EQ(r.estado, 0) << r.salida << r.errores;
  const auto eventos = r.eventos();
  EXPECT_TRUE(eventosDe(eventos, "error").empty()) << r.salida;
  std::vector<std::string> mensajes;
  for (const auto& e : eventosDe(eventos, "message")) mensajes.push_back(e.at("text"));
  EXPECT_EQ(mensajes, (std::vector<std::string>{
                          "No hay nada que procesar", "Por favor, introduzca el código de un banco",
                          "Introduzca un numero para el cheque", "Introduzca un numero para la transferencia"}));

  // Only the commission that moved by more than 0.1 is written; nothing is credited.
  EXPECT_EQ(llamadasDelProceso(journal),
            (std::vector<std::string>{
                "HostFactory.SetGlobalLock(String:TESSALOCKS)", "HostFactory.StartTransaction()",
                "HostFactory.ExecuteSQL(String:UPDATE Facturas SET Comision = ? WHERE Numero = ?, &Currency:15.1100, "
                "&Long:14)",
                "HostFactory.CommitTransaction()", "HostFactory.FreeGlobalLock()"}));
  auto esperado = antes;
  esperado["Facturas"][3] = "14|B|8|2026-11-05|C1|Abastos Uno|V1|500|80|0|0|15.11|0";
  EXPECT_EQ(tablas(books), esperado);

  // The window stays, cleared: no list, no changes, cash selected, the bank fields empty.
  auto dumps = eventosDe(eventos, "dump");
  ASSERT_EQ(dumps.size(), 1u);
  const json w = ventana(dumps[0], "SelectFacturas");
  ASSERT_FALSE(w.is_null());
  EXPECT_TRUE(w.at("visible").get<bool>());
  EXPECT_EQ(w.at("controls").at("detalles").at("rows"), 1);
  EXPECT_EQ(w.at("state").at("hayCambios"), false);
  EXPECT_EQ(w.at("state").at("vendedorCargado"), "");
  EXPECT_EQ(w.at("controls").at("codigoVendedor").at("text"), "");
  EXPECT_EQ(w.at("controls").at("optEfectivo").at("value"), true);
  EXPECT_EQ(w.at("controls").at("codigoBanco").at("text"), "");
  EXPECT_EQ(w.at("controls").at("refMovBanco").at("text"), "");
  EXPECT_EQ(w.at("activeControl"), "codigoVendedor");
  EXPECT_TRUE(bloqueoLibre(books));
}

}  // namespace
}  // namespace corte

namespace corte {
namespace {

// The launcher's register of processed cuts, read from books where cuts of every method were
// processed one after another: newest first, the payment's own line not counted as an invoice,
// bank and document of a bank payment with its printout.
class RegistroDeCortes : public PorMotor<> {};

TEST_P(RegistroDeCortes, UnaFilaPorCorteConSuMedioYSuDocumento) {
  Entorno env;
  auto libros = librosDelCorte(env);
  const fs::path prints = env.dir() / "impresos";
  auto args = argumentosBase(env, libros->db());
  args.push_back("--print-dir");
  args.push_back(prints.string());
  const Resultado r = ejecutar(env, args,
                               std::string("go V1\ndblclick 1 8\ndblclick 2 8\n") + kEfectivo + "click cbProcesar\n" +
                                   "go V1\ndblclick 1 8\n" + kCheque + "click cbProcesar\n" +
                                   "go V2\ndblclick 1 8\n" + kTransferencia + "click cbProcesar\n" +
                                   "go V1\ndblclick 1 8\n" + kNoPagar + "click cbProcesar\n");
  ASSERT_EQ(r.estado, 0) << r.salida << r.errores;
  ASSERT_TRUE(eventosDe(r.eventos(), "error").empty()) << r.salida;

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
}  // namespace corte
