// The invoice grid's actions through the reference host: marking and unmarking for crediting by
// double click, Enter and Space, and the host's invoice and customer viewers.

#include "e2e_support.h"

namespace {

using namespace e2e;

class VentanaGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    libros.factura({.numero = 1, .fecha = "2024-03-01", .comision = "5.0001"});
    libros.factura({.numero = 2, .fecha = "2024-03-02", .cliente = "C002", .comision = "7.2499"});
  }
  WindowBooks libros;
};

// The amount to credit follows the commission cells (money shown with two decimals), while the
// commission total keeps the exact sum of the books. Enter acts as Space on the mark column; other
// keys and columns mark nothing.
TEST_F(VentanaGrid, MarkingAddsAndUnmarkingSubtractsTheCommissionAsShown) {
  const Salida r = libros.run(
      "go V001\n"
      "dblclick 1 8\ndump\n"
      "cell 2 8\nkey ENTER\ndump\n"
      "dblclick 1 8\ndump\n"
      "cell 2 8\nkey SPACE\ndump\n"
      "key a\ndblclick 1 0\ndblclick 1 2\ndblclick 1 3\ndblclick 1 4\ndblclick 1 5\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  struct Paso {
    std::string marca1, marca2, total, etiqueta;
  };
  const Paso pasos[] = {{"SI", "NO", "5.0000", "5,00"},
                        {"SI", "SI", "12.2500", "12,25"},
                        {"NO", "SI", "7.2500", "7,25"},
                        {"NO", "NO", "0.0000", "0,00"},
                        {"NO", "NO", "0.0000", "0,00"}};
  for (int i = 0; i < 5; ++i) {
    const Ventana v = r.dump(i);
    EXPECT_EQ(v.cell(1, 8), pasos[i].marca1) << i;
    EXPECT_EQ(v.cell(2, 8), pasos[i].marca2) << i;
    EXPECT_EQ(v.state()["comisionAcreditar"], pasos[i].total) << i;
    EXPECT_EQ(v.caption("lblComisionAcreditada"), pasos[i].etiqueta) << i;
    // Once something was marked the window counts as changed, even with every mark removed.
    EXPECT_EQ(v.state()["hayCambios"], true) << i;
    EXPECT_EQ(v.state()["totalComision"], "12.2500") << i;
  }
  EXPECT_TRUE(r.boxes().empty());
  EXPECT_TRUE(r.calls("Load").empty());
}

// The viewers get the invoice number by reference and the customer code. When the invoice and the
// customer have gone from the books meanwhile, the invoice viewer says so and the customer's shows
// nothing. Neither touches the list.
TEST_F(VentanaGrid, TheViewersShowTheRowsInvoiceAndCustomerOrSayTheyCannot) {
  auto host = libros.live();
  host->send("go V001\ndblclick 2 1\nclose\ndblclick 2 9\nclose\necho vistos");
  host->waitFor("echo", "vistos");
  libros.exec("DELETE FROM Facturas WHERE Numero = 1; DELETE FROM clientes WHERE codigo = 'C001'");
  host->send("dblclick 1 1\nok\ndblclick 1 9\ndump");
  const Salida r = libros.finish(*host);
  ASSERT_EQ(r.status, 0) << r.transcript();
  const auto shows = r.of("show");
  ASSERT_EQ(shows.size(), 3u);
  EXPECT_EQ(shows[1]["window"], "VisorFactura");
  EXPECT_EQ(shows[2]["window"], "VisorCliente");
  const auto factura = r.calls("Load", "Factura");
  ASSERT_EQ(factura.size(), 2u);
  EXPECT_EQ(factura[0]["args"], (json::array({{{"type", "Long"}, {"value", 2}, {"byRef", true}}})));
  const auto cliente = r.calls("Load", "CLIENTE");
  ASSERT_EQ(cliente.size(), 2u);
  EXPECT_EQ(cliente[0]["args"], (json::array({{{"type", "String"}, {"value", "C002"}}})));
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{"message: Error: no se puede cargar la factura"}));
  EXPECT_EQ(r.calls("Show").size(), 2u);
  EXPECT_EQ(r.dump().rows(), 3);
  EXPECT_EQ(r.dump().cell(2, 8), "NO");
  EXPECT_EQ(r.dump().state()["hayCambios"], false);
}

}  // namespace
