// Cancel on the commission window (the button, or Esc): with changes it asks first; a window with
// nothing loaded, or opened for a salesperson, closes; a free window with a list is reset for the
// next salesperson. Pressing it validates nothing, not even an empty salesperson box.

#include "e2e_support.h"

namespace {

using namespace e2e;

class VentanaInicio : public ::testing::Test {
 protected:
  void SetUp() override {
    libros.factura({.numero = 1, .fecha = "2024-03-01", .comision = "5"});
    libros.factura({.numero = 2, .fecha = "2024-03-04", .saldo = "3", .comision = "7.25"});
  }
  WindowBooks libros;
};

TEST_F(VentanaInicio, CancelClosesAnEmptyWindowOrOneOpenedForASalesperson) {
  const Salida r = libros.run(
      "go\nclick cbCancelar\n"
      "go V001\nkey ESC\n"
      "go V001\ndblclick 1 8\nclick cbCancelar\nno\ndump\nclick cbCancelar\nyes\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(),
            (std::vector<std::string>{"question: ¿Desea perder los cambios?", "question: ¿Desea perder los cambios?"}));
  EXPECT_EQ(r.dump().cell(1, 8), "SI");
  EXPECT_EQ(r.of("unload").size(), 3u);
}

// Reset, the window is as a fresh one but for the payment option (cash), the check box for
// invoices still owing, which keeps its state, and the grid, left with its header row only.
TEST_F(VentanaInicio, CancelWithChangesOnAFreeWindowAsksAndResetsIt) {
  const Salida r = libros.run(
      "go\ndump\nkey F2\ndump\nkey ENTER\ntab\ntype 2024-03-05\ntab\nclick chkIncluirPendientes\n"
      "click optCheque\nfocus codigoBanco\ntype ban01\ntab\ndblclick 1 8\n"
      "click cbCancelar\nno\ndump\n"
      "click cbCancelar\nyes\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(),
            (std::vector<std::string>{"question: ¿Desea perder los cambios?", "question: ¿Desea perder los cambios?"}));
  // F2 lists the host's salespeople; Enter takes the first.
  EXPECT_EQ(r.dump(1, "busqueda").control("lista")["cells"][1], (json{"V001", "Rosalba Quintero"}));
  const Ventana antes = r.dump(2);
  EXPECT_EQ(antes.text("codigoVendedor"), "V001");
  EXPECT_EQ(antes.cell(1, 8), "SI");
  EXPECT_EQ(antes.text("refMovBanco"), "1001");

  for (const json& u : r.of("unload")) EXPECT_EQ(u["window"], "busqueda");
  json nueva = r.dump(0).w, limpia = r.dump().w;
  EXPECT_EQ(Ventana{limpia}.medioPago(), "optEfectivo");
  EXPECT_EQ(Ventana{limpia}.control("chkIncluirPendientes")["value"], 1);
  EXPECT_EQ(Ventana{limpia}.rows(), 1);
  for (json* w : {&nueva, &limpia}) {
    for (const char* c :
         {"optEfectivo", "optCheque", "optTransferencia", "optNoPagar", "chkIncluirPendientes", "detalles"})
      (*w)["controls"].erase(c);
  }
  EXPECT_EQ(limpia, nueva);
}

}  // namespace
