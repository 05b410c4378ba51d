// The invoice list of the commission window through the reference host: which invoices qualify,
// how each cell is written, the totals, the values the host's query is given, and the empty list.

#include "e2e_support.h"

namespace {

using namespace e2e;

class VentanaCarga : public ::testing::Test {
 protected:
  void SetUp() override {
    // Listed: three invoices, two on the same day (ordered by number), one on the cut-off date.
    libros.exec(R"sql(INSERT INTO Facturas VALUES
  (3, 'A', 42, '2024-03-01', 'C001', 'Ferreteria El Tornillo', 'V001', 1234.5678, 197.5308, 0.0001, 0, 61.7284, 0),
  (7, 'B', 118, '2024-03-01', 'C002', 'Colegio Santa Rosa', 'V001', 0.0003, 0, 0, 0, 0.0001, 0),
  (2, 'A', 2, '2024-03-10', 'C001', 'Ferreteria El Tornillo', 'V001', 2000.006, 320.004, 0, 0, 100, 0))sql");
    // Not listed (with the check box unticked).
    libros.factura({.numero = 11, .fecha = "2024-03-10 09:30:00"});          // after midnight of the cut-off date
    libros.factura({.numero = 12, .fecha = "2024-03-05", .saldo = "0.01"});  // still owes
    libros.factura({.numero = 13, .comision = "0"});
    libros.factura({.numero = 14, .acreditada = 1});
    libros.factura({.numero = 15, .vendedor = "V002"});
    libros.factura({.numero = 16, .fecha = "2024-03-11"});
  }
  WindowBooks libros;
};

TEST_F(VentanaCarga, ListsTheUncreditedInvoicesUpToTheCutOffDate) {
  const Salida r = libros.run("go V001\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const Ventana v = r.dump();

  ASSERT_EQ(v.rows(), 4) << v.cells().dump();
  EXPECT_EQ(v.cells()[1], (json{"1/3/2024", "A-0000042", "1.234,57", "197,53", "1.432,10", "0,00", "61,73", "5,00",
                                "NO", "Ferreteria El Tornillo", "3", "C001", "61,73"}));
  EXPECT_EQ(v.cell(2, 1), "B-0000118");
  EXPECT_EQ(v.cell(2, 7), "33,33");  // the commission over the net sale, in percent
  EXPECT_EQ(v.cell(2, 10), "7");
  EXPECT_EQ(v.cell(2, 11), "C002");
  EXPECT_EQ(v.cell(3, 0), "10/3/2024");
  EXPECT_EQ(v.cell(3, 10), "2");

  // Totals are exact sums of the field values, not of the rounded cell texts.
  const json& s = v.state();
  EXPECT_EQ(s["cantidadFacturas"], 3);
  EXPECT_EQ(s["totalVenta"], "3234.5741");
  EXPECT_EQ(s["totalIVA"], "517.5349");
  EXPECT_EQ(s["totalComision"], "161.7285");
  EXPECT_EQ(s["hayCambios"], false);
  EXPECT_EQ(v.caption("lblqFact"), "3");
  EXPECT_EQ(v.caption("lblTotalVenta"), "3.234,57");
  EXPECT_EQ(v.caption("lblTotalIVA"), "517,53");
  EXPECT_EQ(v.caption("lblMontoBruto"), "3.752,11");  // 3752.1090 exactly, not 3.234,57 + 517,53
  EXPECT_EQ(v.caption("lblComisionTotal"), "161,73");

  // Column Saldo is hidden while only paid invoices are listed; the key columns always.
  for (int c : {5, 10, 11, 12}) EXPECT_EQ(v.control("detalles")["colWidths"][c], 0) << c;

  // The salesperson and the cut-off date go to the host as values, the date as a date.
  const auto consultas = r.calls("OpenRecordset", "HostFactory");
  ASSERT_EQ(consultas.size(), 1u);
  EXPECT_EQ(consultas[0]["args"].size(), 3u);
  EXPECT_EQ(arg(consultas[0], 1), (json{{"type", "String"}, {"value", "V001"}}));
  EXPECT_EQ(arg(consultas[0], 2), (json{{"type", "Date"}, {"value", "2024-03-10"}}));
}

TEST_F(VentanaCarga, TickingTheBoxListsInvoicesStillOwingAndShowsTheirBalance) {
  const Salida r = libros.run("go V001\nclick chkIncluirPendientes\ndump\nclick chkIncluirPendientes\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const Ventana ticked = r.dump(0);
  ASSERT_EQ(ticked.rows(), 5);
  EXPECT_EQ(ticked.cell(3, 10), "12");
  EXPECT_EQ(ticked.cell(3, 5), "0,01");
  EXPECT_EQ(ticked.state()["totalSaldo"], "0.0100");
  EXPECT_GT(ticked.state()["anchoSaldo"].get<int>(), 0);
  EXPECT_EQ(ticked.control("detalles")["colWidths"][5], ticked.state()["anchoSaldo"]);

  const Ventana unticked = r.dump();
  EXPECT_EQ(unticked.rows(), 4);
  EXPECT_EQ(unticked.control("detalles")["colWidths"][5], 0);
}

// No invoices is said before the window shows, and leaves zeros. A reload that finds nothing
// (after agreeing to drop a mark) keeps the changes flag as it was.
TEST(VentanaCargaVacia, NoInvoicesIsSaidBeforeTheWindowShowsAndLeavesZeros) {
  WindowBooks libros;
  libros.factura({.numero = 1, .saldo = "10", .comision = "7.5"});
  const Salida r = libros.run(
      "go V001\nok\ndump\nclick chkIncluirPendientes\ndblclick 1 8\nclick "
      "chkIncluirPendientes\nyes\nok\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const json sinFacturas = {{"event", "message"},
                            {"text", "No hay facturas no acreditadas hasta la fecha seleccionada"}};
  ASSERT_GE(r.events.size(), 2u);
  EXPECT_EQ(r.events[0], sinFacturas);
  EXPECT_EQ(r.events[1]["event"], "show");
  EXPECT_EQ(r.events[1]["modal"], false);
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{"message: " + sinFacturas["text"].get<std::string>(),
                                                 "question: ¿Desea abandonar los cambios?",
                                                 "message: " + sinFacturas["text"].get<std::string>()}));

  const Ventana v = r.dump(0);
  EXPECT_EQ(v.rows(), 1);
  EXPECT_EQ(v.state()["fechaCargada"], "2024-03-10");
  EXPECT_EQ(v.state()["cantidadFacturas"], 0);
  for (const char* l : {"lblTotalVenta", "lblTotalIVA", "lblMontoBruto", "lblSaldo", "lblComisionTotal"})
    EXPECT_EQ(v.caption(l), "0,00") << l;
  EXPECT_EQ(v.caption("lblqFact"), "0");

  const Ventana otraVez = r.dump();
  EXPECT_EQ(otraVez.rows(), 1);
  EXPECT_EQ(otraVez.state()["hayCambios"], true);
  EXPECT_EQ(otraVez.state()["comisionAcreditar"], "0.0000");
  EXPECT_EQ(otraVez.caption("lblComisionAcreditada"), "0,00");
}

}  // namespace
