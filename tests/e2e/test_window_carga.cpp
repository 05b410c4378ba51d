// The invoice list of the commission window through the reference host: which invoices qualify,
// how each cell is written, the totals, the query the host receives, and the grid's size.

#include "test_window_support.h"

namespace {

using namespace window_e2e;

// The query as the host must receive it, unticked and ticked.
const std::string kConsultaInicio =
    "SELECT   numero, serie, correlativo, fechaTransaccion, precioEfectivo, Saldo, Comision, CodigoCliente, "
    "  nombreCliente, Impuesto1 + Impuesto2 As TotalIVA, Impuesto1 + Impuesto2 + PrecioEfectivo As MontoTotal, "
    "  dbo.SafeDivide(Comision, PrecioEfectivo) * 100.0 As pComis FROM Facturas WHERE ComisionAcreditada = 0 "
    "  AND Comision > 0   AND codigoVendedor = ?   AND FechaTransaccion <= ? ";
const std::string kConsultaSinSaldo = kConsultaInicio + " AND Saldo <= 0 ORDER BY FechaTransaccion, Numero";
const std::string kConsultaConSaldo = kConsultaInicio + "ORDER BY FechaTransaccion, Numero";

class VentanaCarga : public ::testing::Test {
 protected:
  void SetUp() override {
    // Listed: three invoices, two on the same day (ordered by number), one on the cut-off date.
    books.factura({.numero = 3, .correlativo = 42, .fecha = "2024-03-01", .precio = "1234.5678", .impuesto1 = "197.5308",
                   .impuesto2 = "0.0001", .comision = "61.7284"});
    books.factura({.numero = 7, .serie = "B", .correlativo = 118, .fecha = "2024-03-01", .cliente = "C002",
                   .nombreCliente = "Colegio Santa Rosa", .precio = "0.0003", .impuesto1 = "0", .comision = "0.0001"});
    books.factura({.numero = 2, .fecha = "2024-03-10", .precio = "2000.006", .impuesto1 = "320.004", .comision = "100"});
    // Not listed (with the check box unticked).
    books.factura({.numero = 11, .fecha = "2024-03-10 09:30:00"});    // after midnight of the cut-off date
    books.factura({.numero = 12, .fecha = "2024-03-05", .saldo = "0.01"});  // still owes
    books.factura({.numero = 13, .comision = "0"});
    books.factura({.numero = 14, .acreditada = 1});
    books.factura({.numero = 15, .vendedor = "V002"});
    books.factura({.numero = 16, .fecha = "2024-03-11"});
  }
  WindowBooks books;
};

TEST_F(VentanaCarga, ListsTheUncreditedInvoicesUpToTheCutOffDate) {
  const Salida r = books.run("go V001\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const Ventana v = r.dump();

  ASSERT_EQ(v.rows(), 4) << v.cells().dump();
  const std::vector<std::string> primera = {"1/3/2024", "A-0000042", "1.234,57", "197,53", "1.432,10", "0,00",
                                            "61,73",    "5,00",      "NO",       "Ferreteria El Tornillo",
                                            "3",        "C001",      "61,73"};
  for (int c = 0; c < 13; ++c) EXPECT_EQ(v.cell(1, c), primera[static_cast<size_t>(c)]) << "column " << c;
  EXPECT_EQ(v.cell(2, 1), "B-0000118");
  EXPECT_EQ(v.cell(2, 7), "33,33");  // the commission over the net sale, in percent
  EXPECT_EQ(v.cell(2, 10), "7");
  EXPECT_EQ(v.cell(3, 0), "10/3/2024");
  EXPECT_EQ(v.cell(3, 10), "2");

  // Totals are exact sums of the field values, not of the rounded cell texts.
  const json& s = v.state();
  EXPECT_EQ(s["cantidadFacturas"], 3);
  EXPECT_EQ(s["totalVenta"], "3234.5741");
  EXPECT_EQ(s["totalIVA"], "517.5349");
  EXPECT_EQ(s["totalComision"], "161.7285");
  EXPECT_EQ(s["fechaCargada"], "2024-03-10");
  EXPECT_EQ(s["vendedorCargado"], "V001");
  EXPECT_EQ(s["hayCambios"], false);

  EXPECT_EQ(v.caption("lblqFact"), "3");
  EXPECT_EQ(v.caption("lblTotalVenta"), "3.234,57");
  EXPECT_EQ(v.caption("lblTotalIVA"), "517,53");
  EXPECT_EQ(v.caption("lblMontoBruto"), "3.752,11");  // 3752.1090 exactly, not 3.234,57 + 517,53
  EXPECT_EQ(v.caption("lblComisionTotal"), "161,73");

  // Column Saldo is hidden while only paid invoices are listed; the key columns always.
  for (int c : {5, 10, 11, 12}) EXPECT_EQ(v.control("detalles")["colWidths"][c], 0) << c;

  const auto consultas = r.calls("OpenRecordset", "HostFactory");
  ASSERT_EQ(consultas.size(), 1u);
  EXPECT_EQ(arg(consultas[0], 0), (json{{"type", "String"}, {"value", kConsultaSinSaldo}}));
  EXPECT_EQ(arg(consultas[0], 1), (json{{"type", "String"}, {"value", "V001"}}));
  EXPECT_EQ(arg(consultas[0], 2), (json{{"type", "Date"}, {"value", "2024-03-10"}}));
  EXPECT_EQ(consultas[0]["args"].size(), 3u);
}

TEST_F(VentanaCarga, TickingTheBoxListsInvoicesStillOwingAndShowsTheirBalance) {
  const Salida r = books.run("go V001\nclick chkIncluirPendientes\ndump\nclick chkIncluirPendientes\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();

  const Ventana ticked = r.dump("SelectFacturas", 0);
  ASSERT_EQ(ticked.rows(), 5);
  EXPECT_EQ(ticked.cell(3, 10), "12");
  EXPECT_EQ(ticked.cell(3, 5), "0,01");
  EXPECT_EQ(ticked.state()["totalSaldo"], "0.0100");
  const int anchoSaldo = ticked.state()["anchoSaldo"];
  EXPECT_GT(anchoSaldo, 0);
  EXPECT_EQ(ticked.control("detalles")["colWidths"][5], anchoSaldo);

  const Ventana unticked = r.dump("SelectFacturas", 1);
  EXPECT_EQ(unticked.rows(), 4);
  EXPECT_EQ(unticked.control("detalles")["colWidths"][5], 0);

  const auto consultas = r.calls("OpenRecordset", "HostFactory");
  ASSERT_EQ(consultas.size(), 3u);
  EXPECT_EQ(arg(consultas[1], 0)["value"], kConsultaConSaldo);
  EXPECT_EQ(arg(consultas[2], 0)["value"], kConsultaSinSaldo);
}

TEST(VentanaCargaVacia, NoInvoicesIsSaidBeforeTheWindowShowsAndLeavesZeros) {
  WindowBooks books;
  books.factura({.numero = 1, .vendedor = "V002"});
  const Salida r = books.run("go V001\nok\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  ASSERT_GE(r.events.size(), 2u);
  EXPECT_EQ(r.events[0], (json{{"event", "message"}, {"text", "No hay facturas no acreditadas hasta la fecha seleccionada"}}));
  EXPECT_EQ(r.events[1]["event"], "show");

  const Ventana v = r.dump();
  EXPECT_EQ(v.rows(), 1);
  EXPECT_EQ(v.state()["fechaCargada"], "2024-03-10");
  EXPECT_EQ(v.state()["cantidadFacturas"], 0);
  for (const char* l : {"lblTotalVenta", "lblTotalIVA", "lblMontoBruto", "lblSaldo", "lblComisionTotal"})
    EXPECT_EQ(v.caption(l), "0,00") << l;
  EXPECT_EQ(v.caption("lblqFact"), "0");
}

TEST(VentanaCargaVacia, AnEmptyResultKeepsTheChangesFlag) {
  WindowBooks books;
  books.factura({.numero = 1, .saldo = "10", .comision = "7.5"});
  // Ticked the owing invoice is listed; one is marked; unticking (after agreeing to drop the
  // change) finds nothing, and the flag stays as it was.
  const Salida r = books.run(
      "go V001\nok\nclick chkIncluirPendientes\ndblclick 1 8\nclick chkIncluirPendientes\nyes\nok\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{
                           "message: No hay facturas no acreditadas hasta la fecha seleccionada",
                           "question: ¿Desea abandonar los cambios?",
                           "message: No hay facturas no acreditadas hasta la fecha seleccionada"}));
  const Ventana v = r.dump();
  EXPECT_EQ(v.rows(), 1);
  EXPECT_EQ(v.state()["hayCambios"], true);
  EXPECT_EQ(v.state()["comisionAcreditar"], "0.0000");
  EXPECT_EQ(v.caption("lblComisionAcreditada"), "0,00");
}

}  // namespace
