// Commission adjustment through the number dialog: the amount and the percentage paths, their
// rounding, the check against the company's percentages, cancelled and negative entries, and how
// the totals follow marked and unmarked rows. Regional settings es_VE (decimal comma).

#include <gtest/gtest.h>

#include "test_proceso_comun.h"

namespace corte {
namespace {

// The company's percentages are 3, 5, 4, 2, 2.5 and 1 (largest 5).
//   row 1  net 1000.00  commission 33.33  (3,33 %)
//   row 2  net  700.00  commission 10.00  (1,43 %)
//   row 3  net 1000.00  commission 30.00  (3,00 %)
//   row 4  net    0.00  commission  5.00  (0,00 %)
//   row 5  net  100.05  commission 10.00  (9,99 %)
void escribirLibrosAjuste(const fs::path& file) {
  auto db = host::Database::create(file);
  host::createSchema(*db);
  db->exec(R"sql(
BEGIN;
INSERT INTO empresa VALUES (1, 'Prueba C.A.', '#,##0.00', 3, 5, 4, 2, 2.5, 1, '6.1.05', '1.1.01', '2.1.04');
INSERT INTO vendedores VALUES ('V1', 'Rosa Peña');
INSERT INTO clientes VALUES ('C1', 'Abastos Uno');
INSERT INTO bancos VALUES ('BAN01', 'Banco Meridional', '1.1.02.001', 1001);
INSERT INTO Facturas VALUES
  (21, 'A', 1, '2026-11-01', 'C1', 'Abastos Uno', 'V1', 1000, 160, 0, 0, 33.33, 0),
  (22, 'A', 2, '2026-11-02', 'C1', 'Abastos Uno', 'V1', 700, 112, 0, 0, 10, 0),
  (23, 'A', 3, '2026-11-03', 'C1', 'Abastos Uno', 'V1', 1000, 160, 0, 0, 30, 0),
  (24, 'A', 4, '2026-11-04', 'C1', 'Abastos Uno', 'V1', 0, 0, 0, 0, 5, 0),
  (25, 'A', 5, '2026-11-05', 'C1', 'Abastos Uno', 'V1', 100.05, 16.01, 0, 0, 10, 0);
COMMIT;
)sql");
}

struct Corrida {
  std::vector<json> eventos;
  std::vector<json> ventanas;  // SelectFacturas at each dump
};

Corrida correr(const std::string& guion) {
  Entorno env;
  const fs::path books = env.dir() / "libros.sqlite";
  escribirLibrosAjuste(books);
  const auto antes = tablas(books);
  const Resultado r = ejecutar(env, argumentosBase(env, books), "go V1\ndump\n" + guion + "dump\n");
  EXPECT_EQ(r.estado, 0) << r.salida << r.errores;
  // Adjusting writes nothing to the books.
  EXPECT_EQ(tablas(books), antes);
  Corrida c;
  c.eventos = r.eventos();
  for (const auto& d : eventosDe(c.eventos, "dump")) c.ventanas.push_back(ventana(d, "SelectFacturas"));
  EXPECT_GE(c.ventanas.size(), 2u);
  return c;
}

// Columns Comision and % comis. of a row.
std::pair<std::string, std::string> comision(const json& w, int fila) {
  const auto& celdas = w.at("controls").at("detalles").at("cells").at(fila);
  return {celdas.at(6).get<std::string>(), celdas.at(7).get<std::string>()};
}
using Par = std::pair<std::string, std::string>;

std::string estado(const json& w, const char* nombre) {
  return w.at("state").at(nombre).get<std::string>();
}
std::string rotulo(const json& w, const char* nombre) {
  return w.at("controls").at(nombre).at("caption");
}

TEST(AjustePorcentaje, LaComisionSaleDeVentaNetaEntreCienPorElPorcentaje) {
  const Corrida c = correr(R"(dblclick 1 7
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
  const json& w = c.ventanas.back();
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
  EXPECT_EQ(estado(w, "totalComision"), "80.3000");
  EXPECT_EQ(rotulo(w, "lblComisionTotal"), "80,30");
  EXPECT_EQ(w.at("state").at("hayCambios"), true);
  EXPECT_EQ(estado(w, "comisionAcreditar"), "0.0000");
  // Column Comision cargada keeps the commission as loaded.
  EXPECT_EQ(w.at("controls").at("detalles").at("cells").at(1).at(12), "33,33");
}

TEST(AjustePorcentaje, SobreElMayorPorcentajeDeLaEmpresaPidePermiso) {
  const Corrida c = correr(R"(dblclick 3 7
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
  std::vector<std::string> preguntas;
  for (const auto& q : eventosDe(c.eventos, "question")) preguntas.push_back(q.at("text"));
  const std::string pregunta = "El nuevo porcentaje de comision parece demasiado alto\r\n¿Es correcto ese valor?";
  // 5 equals the largest company percentage: no question. 5.01 is above it: asked twice.
  EXPECT_EQ(preguntas, (std::vector<std::string>{pregunta, pregunta}));
  ASSERT_EQ(c.ventanas.size(), 3u);
  EXPECT_EQ(comision(c.ventanas[1], 3), (Par{"50,00", "5,00"}));
  // No: the row stays as it was.
  EXPECT_EQ(comision(c.ventanas[1], 2), (Par{"10,00", "1,43"}));
  EXPECT_EQ(estado(c.ventanas[1], "totalComision"), "108.3300");
  // Yes: 700 / 100 * 5.01.
  EXPECT_EQ(comision(c.ventanas[2], 2), (Par{"35,07", "5,01"}));
  EXPECT_EQ(estado(c.ventanas[2], "totalComision"), "133.4000");
}

// Cancel (button, Esc, close box), negative entries, an unchanged amount and a percentage so large
// that the commission does not fit the money type (the operator is told) leave the window exactly
// as it was, hayCambios included.
TEST(AjusteSinCambios, CancelarNegativosElMismoValorYLoQueNoCabeNoTocanNada) {
  const Corrida c = correr(R"(dblclick 1 6
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
  EXPECT_EQ(eventosDe(c.eventos, "question").size(), 1u);
  EXPECT_EQ(eventosDe(c.eventos, "message").at(0).at("text"), "El monto resultante es demasiado grande");
  EXPECT_TRUE(eventosDe(c.eventos, "error").empty());
  ASSERT_EQ(c.ventanas.size(), 2u);
  json antes = c.ventanas[0], despues = c.ventanas[1];
  // The focus is on the grid afterwards (it was on the salesperson box): everything else is equal.
  for (json* w : {&antes, &despues}) {
    for (const char* k : {"activeControl", "statusText"}) w->erase(k);
    for (const char* k : {"col", "row"}) (*w)["controls"]["detalles"].erase(k);
  }
  EXPECT_EQ(despues, antes);
  EXPECT_EQ(despues.at("state").at("hayCambios"), false);
}

TEST(AjusteImporte, LosTotalesSiguenALasFilasMarcadasYNoMarcadas) {
  const Corrida c = correr(R"(dblclick 2 8
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
  const json& w = c.ventanas.back();
  // Marked row 2: 10 -> 12.5 moves both totals; unmarked row 3 only the commission total.
  EXPECT_EQ(comision(w, 2), (Par{"12,50", "1,79"}));
  EXPECT_EQ(estado(w, "comisionAcreditar"), "12.5000");
  EXPECT_EQ(rotulo(w, "lblComisionAcreditada"), "12,50");
  // Zero is accepted.
  EXPECT_EQ(comision(w, 1), (Par{"0,00", "0,00"}));
  // A net sale of zero gives no percentage: the cell shows zero.
  EXPECT_EQ(comision(w, 4), (Par{"7,00", "0,00"}));
  // An amount above the net sale is taken as it is (no question).
  EXPECT_EQ(comision(w, 3), (Par{"2.500,00", "250,00"}));
  EXPECT_TRUE(eventosDe(c.eventos, "question").empty());
  // 88.33 + 2.5 + 2 - 33.33 + 2 + 2468 = 2529.50
  EXPECT_EQ(estado(w, "totalComision"), "2529.5000");
  EXPECT_EQ(rotulo(w, "lblComisionTotal"), "2.529,50");
}

}  // namespace
}  // namespace corte
