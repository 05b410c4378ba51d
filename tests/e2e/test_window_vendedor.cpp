// The salesperson and cut-off date of the commission window through the reference host:
// normalising and validating the code, the questions before unsaved changes are dropped, the
// cut-off date rules, and a window opened for a given salesperson.

#include "test_window_support.h"

namespace {

using namespace window_e2e;

class VentanaVendedor : public ::testing::Test {
 protected:
  void SetUp() override {
    books.factura({.numero = 1, .fecha = "2024-03-01", .comision = "5"});
    books.factura({.numero = 2, .fecha = "2024-03-08", .comision = "7.25"});
    books.factura({.numero = 3, .fecha = "2024-03-04", .vendedor = "V002", .comision = "9"});
  }
  WindowBooks books;
};

TEST_F(VentanaVendedor, ATypedCodeIsTrimmedUpperCasedAndLoaded) {
  const Salida r = books.run("go\ndump\nfocus codigoVendedor\ntype \"  v001 \"\ntab\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const Ventana vacia = r.dump("SelectFacturas", 0);
  EXPECT_TRUE(vacia.enabled("codigoVendedor"));
  EXPECT_EQ(vacia.active(), "codigoVendedor");
  EXPECT_EQ(vacia.status(), "Introduzca el código del vendedor con el que va a trabajar (F2: buscar)");
  EXPECT_EQ(vacia.state()["vendedorFijo"], false);

  const Ventana v = r.dump();
  EXPECT_EQ(v.text("codigoVendedor"), "V001");
  EXPECT_EQ(v.caption("nombreVendedor"), "Rosalba Quintero");
  EXPECT_EQ(v.state()["vendedorCargado"], "V001");
  EXPECT_EQ(v.state()["fechaCargada"], "2024-03-10");
  EXPECT_EQ(v.state()["cantidadFacturas"], 2);
  EXPECT_EQ(v.active(), "fechaPago");
  EXPECT_EQ(v.status(), "Introduzca la fecha de corte");
  const auto consultas = r.calls("OpenRecordset");
  ASSERT_EQ(consultas.size(), 1u);
  EXPECT_EQ(arg(consultas[0], 1)["value"], "V001");
}

TEST_F(VentanaVendedor, AnEmptyOrUnknownCodeIsRefusedAndKeepsTheFocus) {
  const Salida r = books.run("go\ntab\nok\ndump\ntype zz9\ntab\nok\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{"warning: Introduzca el código de un vendedor",
                                                 "warning: Codigo inválido"}));
  EXPECT_EQ(r.dump("SelectFacturas", 0).active(), "codigoVendedor");
  const Ventana v = r.dump();
  EXPECT_EQ(v.active(), "codigoVendedor");
  EXPECT_EQ(v.text("codigoVendedor"), "ZZ9");
  EXPECT_EQ(v.state()["vendedorCargado"], "");
  EXPECT_TRUE(r.calls("OpenRecordset").empty());
}

TEST_F(VentanaVendedor, LeavingTheSameCodeWithChangesAsksBeforeReloading) {
  const Salida r = books.run(
      "go\ntype V001\ntab\ndblclick 1 8\n"
      "focus codigoVendedor\ntab\nno\ndump\n"
      "focus codigoVendedor\ntab\nyes\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{"question: ¿Desea abandonar los cambios?",
                                                 "question: ¿Desea abandonar los cambios?"}));
  // Declined: the changes and the list stay, and the focus goes on.
  const Ventana refused = r.dump("SelectFacturas", 0);
  EXPECT_EQ(refused.active(), "fechaPago");
  EXPECT_EQ(refused.text("codigoVendedor"), "V001");
  EXPECT_EQ(refused.cell(1, 8), "SI");
  EXPECT_EQ(refused.state()["hayCambios"], true);
  EXPECT_EQ(refused.state()["comisionAcreditar"], "5.0000");
  // One load for the code typed, one after the yes.
  EXPECT_EQ(r.calls("OpenRecordset").size(), 2u);
  // Agreed: the list is loaded again, without the mark.
  const Ventana v = r.dump();
  EXPECT_EQ(v.cell(1, 8), "NO");
  EXPECT_EQ(v.state()["hayCambios"], false);
  EXPECT_EQ(v.state()["comisionAcreditar"], "0.0000");
  EXPECT_EQ(v.active(), "fechaPago");
}

TEST_F(VentanaVendedor, AnotherCodeWithChangesAsksAndANoPutsTheLoadedCodeBack) {
  const Salida r = books.run(
      "go\ntype V001\ntab\ndblclick 2 8\n"
      "focus codigoVendedor\ntype v002\ntab\nno\ndump\n"
      "focus codigoVendedor\ntype v002\ntab\nyes\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const Ventana refused = r.dump("SelectFacturas", 0);
  EXPECT_EQ(refused.text("codigoVendedor"), "V001");
  EXPECT_EQ(refused.caption("nombreVendedor"), "Rosalba Quintero");
  EXPECT_EQ(refused.active(), "fechaPago");
  EXPECT_EQ(refused.cell(2, 8), "SI");

  const Ventana v = r.dump();
  EXPECT_EQ(v.text("codigoVendedor"), "V002");
  EXPECT_EQ(v.caption("nombreVendedor"), "Ernesto Villalobos");
  EXPECT_EQ(v.state()["cantidadFacturas"], 1);
  EXPECT_EQ(v.cell(1, 10), "3");
  EXPECT_EQ(v.state()["hayCambios"], false);
}

TEST_F(VentanaVendedor, TheCutOffDateCannotBeAfterToday) {
  const Salida r = books.run(
      "go V001\ntype 2024-03-11\ntab\nok\ndump\n"
      "type 2024-03-05\ntab\ndump\n"
      "focus fechaPago\ntype 10/3/2024\ntab\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{"message: La fecha no puede ser posterior al día de hoy"}));

  const Ventana refused = r.dump("SelectFacturas", 0);
  EXPECT_EQ(refused.active(), "fechaPago");
  EXPECT_EQ(refused.state()["fechaCargada"], "2024-03-10");
  EXPECT_EQ(refused.state()["cantidadFacturas"], 2);

  const Ventana earlier = r.dump("SelectFacturas", 1);
  EXPECT_EQ(earlier.state()["fechaCargada"], "2024-03-05");
  EXPECT_EQ(earlier.state()["cantidadFacturas"], 1);

  const Ventana today = r.dump();
  EXPECT_EQ(today.state()["fechaCargada"], "2024-03-10");
  EXPECT_EQ(today.state()["cantidadFacturas"], 2);

  const auto consultas = r.calls("OpenRecordset");
  ASSERT_EQ(consultas.size(), 3u);
  EXPECT_EQ(arg(consultas[1], 2), (json{{"type", "Date"}, {"value", "2024-03-05"}}));
}

TEST_F(VentanaVendedor, ADateChangeWithChangesAsksAndAnUnchangedDateDoesNothing) {
  const Salida r = books.run(
      "go V001\ndblclick 1 8\n"
      "focus fechaPago\ntab\n"  // same date: no question, no reload
      "focus fechaPago\ntype 2024-03-05\ntab\nno\ndump\n"
      "type 2024-03-05\ntab\nyes\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{"question: ¿Desea abandonar los cambios?",
                                                 "question: ¿Desea abandonar los cambios?"}));
  const Ventana refused = r.dump("SelectFacturas", 0);
  EXPECT_EQ(refused.control("fechaPago")["value"], "2024-03-10");
  EXPECT_EQ(refused.active(), "fechaPago");
  EXPECT_EQ(refused.cell(1, 8), "SI");
  EXPECT_EQ(refused.state()["hayCambios"], true);

  const Ventana v = r.dump();
  EXPECT_EQ(v.state()["fechaCargada"], "2024-03-05");
  EXPECT_EQ(v.state()["hayCambios"], false);
  EXPECT_EQ(v.cell(1, 8), "NO");
  EXPECT_EQ(r.calls("OpenRecordset").size(), 2u);
}

TEST_F(VentanaVendedor, AGivenUnknownCodeStillLocksTheBoxAndQueries) {
  const Salida r = books.run("go ZZZ\nok\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const Ventana v = r.dump();
  EXPECT_FALSE(v.enabled("codigoVendedor"));
  EXPECT_EQ(v.text("codigoVendedor"), "ZZZ");
  EXPECT_EQ(v.caption("nombreVendedor"), "");
  EXPECT_EQ(v.state()["vendedorFijo"], true);
  EXPECT_EQ(v.state()["vendedorCargado"], "ZZZ");
  const auto consultas = r.calls("OpenRecordset");
  ASSERT_EQ(consultas.size(), 1u);
  EXPECT_EQ(arg(consultas[0], 1)["value"], "ZZZ");
}

}  // namespace
