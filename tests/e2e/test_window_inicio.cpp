// Cancel, reset and closing of the commission window through the reference host.

#include "test_window_support.h"

namespace {

using namespace window_e2e;

class VentanaInicio : public ::testing::Test {
 protected:
  void SetUp() override {
    books.factura({.numero = 1, .fecha = "2024-03-01", .comision = "5"});
    books.factura({.numero = 2, .fecha = "2024-03-04", .saldo = "3", .comision = "7.25"});
  }
  WindowBooks books;
};

TEST_F(VentanaInicio, CancelOnAnEmptyWindowClosesIt) {
  const Salida r = books.run("go\nclick cbCancelar\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_TRUE(r.unloaded("SelectFacturas"));
  EXPECT_TRUE(r.boxes().empty());
  // Closing remembered the option and the placement.
  EXPECT_EQ(books.setting("Hollowmere", "Transient", "optQuorvane"), "optNoPagar");
  EXPECT_EQ(books.setting("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Left"), "8400");
}

TEST_F(VentanaInicio, CancelWithChangesAsksAndResetsForTheNextSalesperson) {
  const Salida r = books.run(
      "go\ntype V001\ntab\ntype 2024-03-05\ntab\nclick chkIncluirPendientes\n"
      "click optCheque\nfocus codigoBanco\ntype ban01\ntab\n"
      "dblclick 1 8\n"
      "click cbCancelar\nno\ndump\n"
      "click cbCancelar\nyes\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{"question: ¿Desea perder los cambios?",
                                                 "question: ¿Desea perder los cambios?"}));
  const Ventana antes = r.dump("SelectFacturas", 0);
  EXPECT_EQ(antes.text("codigoVendedor"), "V001");
  EXPECT_EQ(antes.cell(1, 8), "SI");
  EXPECT_EQ(antes.text("refMovBanco"), "1001");
  EXPECT_EQ(antes.state()["hayCambios"], true);

  const Ventana v = r.dump();
  EXPECT_FALSE(r.unloaded("SelectFacturas"));
  EXPECT_EQ(v.text("codigoVendedor"), "");
  EXPECT_EQ(v.caption("nombreVendedor"), "");
  EXPECT_EQ(v.control("fechaPago")["value"], "2024-03-10");
  EXPECT_EQ(v.medioPago(), "optEfectivo");
  EXPECT_EQ(v.text("codigoBanco"), "");
  EXPECT_EQ(v.text("refMovBanco"), "");
  EXPECT_FALSE(v.enabled("codigoBanco"));
  EXPECT_FALSE(v.enabled("refMovBanco"));
  EXPECT_EQ(v.rows(), 1);
  EXPECT_EQ(v.caption("lblqFact"), "0");
  // No rows, nothing to credit.
  for (const char* l : {"lblTotalVenta", "lblTotalIVA", "lblMontoBruto", "lblSaldo", "lblComisionTotal", "lblComisionAcreditada"})
    EXPECT_EQ(v.caption(l), "0,00") << l;
  EXPECT_EQ(v.state()["comisionAcreditar"], "0.0000");
  EXPECT_EQ(v.active(), "codigoVendedor");
  EXPECT_EQ(v.state()["vendedorCargado"], "");
  EXPECT_EQ(v.state()["fechaCargada"], "1899-12-30");
  EXPECT_EQ(v.state()["hayCambios"], false);
  EXPECT_EQ(v.state()["cantidadFacturas"], 0);
  EXPECT_EQ(v.state()["totalVenta"], "0.0000");
  EXPECT_EQ(v.control("chkIncluirPendientes")["value"], 1);
}

TEST_F(VentanaInicio, CancelOnAWindowOpenedForASalespersonClosesIt) {
  const Salida sinCambios = books.run("go V001\nclick cbCancelar\n");
  ASSERT_EQ(sinCambios.status, 0) << sinCambios.transcript();
  EXPECT_TRUE(sinCambios.unloaded("SelectFacturas"));
  EXPECT_TRUE(sinCambios.boxes().empty());

  const Salida conCambios = books.run("go V001\ndblclick 1 8\nclick cbCancelar\nno\ndump\nclick cbCancelar\nyes\n");
  ASSERT_EQ(conCambios.status, 0) << conCambios.transcript();
  EXPECT_EQ(conCambios.dump().cell(1, 8), "SI");
  EXPECT_EQ(conCambios.boxes(), (std::vector<std::string>{"question: ¿Desea perder los cambios?",
                                                          "question: ¿Desea perder los cambios?"}));
  EXPECT_TRUE(conCambios.unloaded("SelectFacturas"));
}

}  // namespace
