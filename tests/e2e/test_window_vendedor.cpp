// The salesperson and cut-off date of the commission window through the reference host:
// normalising and validating the code, the questions before unsaved changes are dropped, and the
// cut-off date rules.

#include "e2e_support.h"

namespace {

using namespace e2e;

const std::string kAbandonar = "question: ¿Desea abandonar los cambios?";

class VentanaVendedor : public ::testing::Test {
 protected:
  void SetUp() override {
    libros.factura({.numero = 1, .fecha = "2024-03-01", .comision = "5"});
    libros.factura({.numero = 2, .fecha = "2024-03-08", .comision = "7.25"});
    libros.factura({.numero = 3, .fecha = "2024-03-04", .vendedor = "V002", .comision = "9"});
  }
  WindowBooks libros;
};

// An empty or unknown code is refused and keeps the focus; a typed code is trimmed, upper-cased
// and loaded (Enter in the box moves on as Tab does), and only then is the host asked for invoices.
TEST_F(VentanaVendedor, ACodeIsRefusedOrTrimmedUpperCasedAndLoaded) {
  const Salida r = libros.run("go\ndump\ntab\nok\ntype zz9\ntab\nok\ndump\ntype \"  v001 \"\nkey ENTER\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(),
            (std::vector<std::string>{"warning: Introduzca el código de un vendedor", "warning: Codigo inválido"}));
  const Ventana vacia = r.dump(0);
  EXPECT_TRUE(vacia.enabled("codigoVendedor"));
  EXPECT_EQ(vacia.active(), "codigoVendedor");
  EXPECT_EQ(vacia.status(), "Introduzca el código del vendedor con el que va a trabajar (F2: buscar)");

  const Ventana refused = r.dump(1);
  EXPECT_EQ(refused.active(), "codigoVendedor");
  EXPECT_EQ(refused.text("codigoVendedor"), "ZZ9");

  const Ventana v = r.dump();
  EXPECT_EQ(v.text("codigoVendedor"), "V001");
  EXPECT_EQ(v.caption("nombreVendedor"), "Rosalba Quintero");
  EXPECT_EQ(v.state()["cantidadFacturas"], 2);
  EXPECT_EQ(v.active(), "fechaPago");
  EXPECT_EQ(v.status(), "Introduzca la fecha de corte");
  EXPECT_EQ(r.calls("OpenRecordset").size(), 1u);
}

// Leaving the code box with changes asks first, for the same code as for another. Declined, the
// changes, the list and the loaded code stay and the focus goes on; agreed, the list is loaded
// again without them.
TEST_F(VentanaVendedor, LeavingTheCodeWithChangesAsksBeforeReloading) {
  const Salida r = libros.run(
      "go\ntype V001\ntab\ndblclick 1 8\n"
      "focus codigoVendedor\ntab\nno\ndump\n"
      "focus codigoVendedor\ntype v002\ntab\nno\ndump\n"
      "focus codigoVendedor\ntype v002\ntab\nyes\ndump\n"
      "dblclick 1 8\nfocus codigoVendedor\ntab\nyes\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(), std::vector<std::string>(4, kAbandonar));
  for (int i : {0, 1}) {
    const Ventana refused = r.dump(i);
    EXPECT_EQ(refused.active(), "fechaPago") << i;
    EXPECT_EQ(refused.text("codigoVendedor"), "V001") << i;
    EXPECT_EQ(refused.caption("nombreVendedor"), "Rosalba Quintero") << i;
    EXPECT_EQ(refused.cell(1, 8), "SI") << i;
    EXPECT_EQ(refused.state()["hayCambios"], true) << i;
    EXPECT_EQ(refused.state()["comisionAcreditar"], "5.0000") << i;
  }
  const Ventana otro = r.dump(2);
  EXPECT_EQ(otro.caption("nombreVendedor"), "Ernesto Villalobos");
  EXPECT_EQ(otro.state()["cantidadFacturas"], 1);
  EXPECT_EQ(otro.cell(1, 10), "3");
  EXPECT_EQ(otro.state()["hayCambios"], false);

  const Ventana mismo = r.dump();
  EXPECT_EQ(mismo.text("codigoVendedor"), "V002");
  EXPECT_EQ(mismo.cell(1, 8), "NO");
  EXPECT_EQ(mismo.state()["hayCambios"], false);
  EXPECT_EQ(mismo.state()["comisionAcreditar"], "0.0000");
  EXPECT_EQ(mismo.active(), "fechaPago");
  EXPECT_EQ(r.calls("OpenRecordset").size(), 3u);  // the code typed and each yes
}

// An unchanged date does nothing; another one with changes asks first; a date after today is
// refused; a date typed the regional way is read.
TEST_F(VentanaVendedor, TheCutOffDateAsksBeforeDroppingChangesAndCannotBeAfterToday) {
  const Salida r = libros.run(
      "go V001\ndblclick 1 8\nfocus fechaPago\ntab\n"
      "focus fechaPago\ntype 2024-03-05\ntab\nno\ndump\n"
      "type 2024-03-05\ntab\nyes\ndump\n"
      "focus fechaPago\ntype 2024-03-11\ntab\nok\ndump\n"
      "type 10/3/2024\ntab\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{kAbandonar, kAbandonar,
                                                 "message: La fecha no puede ser posterior al día de hoy"}));
  const Ventana refused = r.dump(0);
  EXPECT_EQ(refused.control("fechaPago")["value"], "2024-03-10");
  EXPECT_EQ(refused.active(), "fechaPago");
  EXPECT_EQ(refused.cell(1, 8), "SI");
  EXPECT_EQ(refused.state()["hayCambios"], true);

  const Ventana earlier = r.dump(1);
  EXPECT_EQ(earlier.state()["fechaCargada"], "2024-03-05");
  EXPECT_EQ(earlier.state()["cantidadFacturas"], 1);
  EXPECT_EQ(earlier.state()["hayCambios"], false);

  const Ventana tooLate = r.dump(2);
  EXPECT_EQ(tooLate.active(), "fechaPago");
  EXPECT_EQ(tooLate.state()["fechaCargada"], "2024-03-05");

  EXPECT_EQ(r.dump().state()["fechaCargada"], "2024-03-10");
  EXPECT_EQ(r.dump().state()["cantidadFacturas"], 2);
  const auto consultas = r.calls("OpenRecordset");
  ASSERT_EQ(consultas.size(), 3u);
  EXPECT_EQ(arg(consultas[1], 2), (json{{"type", "Date"}, {"value", "2024-03-05"}}));
}

}  // namespace
