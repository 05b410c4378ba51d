// Commission adjustment through the number dialog: the amount and the percentage paths, their
// rounding, the check against the company's percentages, cancelled and negative entries, and how
// the totals follow marked and unmarked rows. Regional settings es_VE (decimal comma).

#include <gtest/gtest.h>

#include "e2e_support.h"

namespace e2e {
namespace {

// A run of `guion` on the window opened for V001, with a dump before and after it. The company's
// percentages are 3, 5, 4, 2, 2.5 and 1 (largest 5).
//   row 1  net 1000.00  commission 33.33  (3,33 %)
//   row 2  net  700.00  commission 10.00  (1,43 %)
//   row 3  net 1000.00  commission 30.00  (3,00 %)
//   row 4  net    0.00  commission  5.00  (0,00 %)
//   row 5  net  100.05  commission 10.00  (9,99 %)
Salida correr(const std::string& guion) {
  WindowBooks libros;
  libros.factura({.numero = 1, .precio = "1000", .comision = "33.33"});
  libros.factura({.numero = 2, .precio = "700", .comision = "10"});
  libros.factura({.numero = 3, .precio = "1000", .comision = "30"});
  libros.factura({.numero = 4, .precio = "0", .comision = "5"});
  libros.factura({.numero = 5, .precio = "100.05", .comision = "10"});
  const auto antes = tablas(libros.books.string());
  const Salida r = libros.run("go V001\ndump\n" + guion + "dump\n");
  EXPECT_EQ(r.status, 0) << r.transcript();
  // Adjusting writes nothing to the books.
  EXPECT_EQ(tablas(libros.books.string()), antes);
  return r;
}

// Columns Comision and % comis. of a row.
using Par = std::pair<std::string, std::string>;
Par comision(const Ventana& w, int fila) { return {w.cell(fila, 6), w.cell(fila, 7)}; }

TEST(AjustePorcentaje, LaComisionSaleDeVentaNetaEntreCienPorElPorcentaje) {
  const Salida c = correr(R"(dblclick 1 7
dump
key ENTER
dblclick 2 7
type 1,5
key ENTER
dblclick 3 7
type 3
key ENTER
dblclick 5 7
type 1,5
key ENTER
)");
  // The number dialog asks modally with the window's caption, prompt and mask and the row's
  // percentage, its box focused, and is gone once answered.
  const Ventana d = c.dump(1, "fGetNumero");
  EXPECT_EQ(d.w["caption"], "Ajuste de comisiones");
  EXPECT_EQ(d.caption("Label1"), "Nuevo porcentaje de comision");
  EXPECT_EQ(d.control("Velnor1")["value"], 3.33);
  EXPECT_EQ(d.control("Velnor1")["format"], "#,##0.00");
  EXPECT_EQ(d.active(), "Velnor1");
  // It widens to its prompt (2160 twips), the buttons right-aligned, keeps its height and is
  // centred again.
  EXPECT_EQ(json::array({d.control("Velnor1")["left"], d.control("cbOk")["left"], d.control("cbCancelar")["left"]}),
            json::parse("[2520, 1590, 3165]"));
  EXPECT_EQ(json::array({d.w["left"], d.w["top"], d.w["width"], d.w["height"]}),
            json::parse("[11977, 7177, 4845, 1845]"));
  EXPECT_EQ(c.of("show")[1]["modal"], true);
  EXPECT_TRUE(ventana(c.of("dump").back(), "fGetNumero").is_null());
  const Ventana w = c.dump();
  // Accepting the 3,33 shown recomputes 33.33 from the two-decimal percentage: 33.30.
  EXPECT_EQ(comision(w, 1), (Par{"33,30", "3,33"}));
  // 700 / 100 * 1.5 = 10.50; the percentage written back is 10.50 * 100 / 700.
  EXPECT_EQ(comision(w, 2), (Par{"10,50", "1,50"}));
  // 3 % of 1000 is the commission it had: nothing changes.
  EXPECT_EQ(comision(w, 3), (Par{"30,00", "3,00"}));
  // 1.5 * (100.05 / 100) is 1.50075, held as the cell shows it: 1.50.
  EXPECT_EQ(comision(w, 5), (Par{"1,50", "1,50"}));
  // 33.33 + 10 + 30 + 5 + 10 = 88.33, then -0.03, +0.50 and -8.50: the total moves by what the
  // cells show.
  EXPECT_EQ(w.state()["totalComision"], "80.3000");
  EXPECT_EQ(w.caption("lblComisionTotal"), "80,30");
  EXPECT_EQ(w.state()["hayCambios"], true);
  EXPECT_EQ(w.state()["comisionAcreditar"], "0.0000");
  // Column Comision cargada keeps the commission as loaded.
  EXPECT_EQ(w.cell(1, 12), "33,33");
}

TEST(AjustePorcentaje, SobreElMayorPorcentajeDeLaEmpresaPidePermiso) {
  const Salida c = correr(R"(dblclick 3 7
type 5
key ENTER
dblclick 2 7
type 5,01
key ENTER
no
dump
dblclick 2 7
type 5,01
key ENTER
yes
)");
  const std::string pregunta = "question: El nuevo porcentaje de comision parece demasiado alto\r\n¿Es correcto ese valor?";
  // 5 equals the largest company percentage: no question. 5.01 is above it: asked twice.
  EXPECT_EQ(c.boxes(), (std::vector<std::string>{pregunta, pregunta}));
  ASSERT_EQ(c.of("dump").size(), 3u);
  EXPECT_EQ(comision(c.dump(1), 3), (Par{"50,00", "5,00"}));
  // No: the row stays as it was.
  EXPECT_EQ(comision(c.dump(1), 2), (Par{"10,00", "1,43"}));
  EXPECT_EQ(c.dump(1).state()["totalComision"], "108.3300");
  // Yes: 700 / 100 * 5.01.
  EXPECT_EQ(comision(c.dump(2), 2), (Par{"35,07", "5,01"}));
  EXPECT_EQ(c.dump(2).state()["totalComision"], "133.4000");
}

// Cancel (button, Esc, close box), negative entries, an unchanged amount and a percentage so large
// that the commission does not fit the money type (the operator is told) leave the window exactly
// as it was, hayCambios included.
TEST(AjusteSinCambios, CancelarNegativosElMismoValorYLoQueNoCabeNoTocanNada) {
  const Salida c = correr(R"(dblclick 1 6
key ESC
dblclick 1 6
type 40
click cbCancelar
dblclick 1 7
close
dblclick 1 6
type -5
key ENTER
dblclick 1 7
type -1
key ENTER
dblclick 1 6
key ENTER
dblclick 3 7
type 900000000000000
key ENTER
yes
ok
)");
  ASSERT_EQ(c.boxes().size(), 2u);
  EXPECT_EQ(c.boxes()[1], "message: El monto resultante es demasiado grande");
  ASSERT_EQ(c.of("dump").size(), 2u);
  json antes = c.dump(0).w, despues = c.dump(1).w;
  // The focus is on the grid afterwards (it was on the salesperson box): everything else is equal.
  for (json* w : {&antes, &despues}) {
    for (const char* k : {"activeControl", "statusText"}) w->erase(k);
    for (const char* k : {"col", "row"}) (*w)["controls"]["detalles"].erase(k);
  }
  EXPECT_EQ(despues, antes);
  EXPECT_EQ(despues.at("state").at("hayCambios"), false);
}

TEST(AjusteImporte, LosTotalesSiguenALasFilasMarcadasYNoMarcadas) {
  const Salida c = correr(R"(dblclick 2 8
dblclick 2 6
type 12,5
click cbOk
dblclick 3 6
type 32
click cbOk
dblclick 1 6
type 0
click cbOk
dblclick 4 6
type 7
click cbOk
dblclick 3 6
type 2500
click cbOk
)");
  const Ventana w = c.dump();
  // Marked row 2: 10 -> 12.5 moves both totals; unmarked row 3 only the commission total.
  EXPECT_EQ(comision(w, 2), (Par{"12,50", "1,79"}));
  EXPECT_EQ(w.state()["comisionAcreditar"], "12.5000");
  EXPECT_EQ(w.caption("lblComisionAcreditada"), "12,50");
  // Zero is accepted.
  EXPECT_EQ(comision(w, 1), (Par{"0,00", "0,00"}));
  // A net sale of zero gives no percentage: the cell shows zero.
  EXPECT_EQ(comision(w, 4), (Par{"7,00", "0,00"}));
  // An amount above the net sale is taken as it is (no question).
  EXPECT_EQ(comision(w, 3), (Par{"2.500,00", "250,00"}));
  EXPECT_TRUE(c.boxes().empty());
  // 88.33 + 2.5 + 2 - 33.33 + 2 + 2468 = 2529.50
  EXPECT_EQ(w.state()["totalComision"], "2529.5000");
  EXPECT_EQ(w.caption("lblComisionTotal"), "2.529,50");
}

}  // namespace
}  // namespace e2e
