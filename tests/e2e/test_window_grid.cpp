// The invoice grid's actions through the reference host: marking and unmarking for crediting,
// Enter acting as Space, and the host's invoice and customer viewers.

#include "test_window_support.h"

namespace {

using namespace window_e2e;

class VentanaGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    books.factura({.numero = 1, .fecha = "2024-03-01", .comision = "5.0001"});
    books.factura({.numero = 2, .fecha = "2024-03-02", .cliente = "C002", .comision = "7.2499"});
  }
  WindowBooks books;
};

TEST_F(VentanaGrid, MarkingAddsAndUnmarkingSubtractsTheCommissionAsShown) {
  const Salida r = books.run(
      "go V001\n"
      "dblclick 1 8\ndump\n"
      "dblclick 2 8\ndump\n"
      "dblclick 1 8\ndump\n"
      "dblclick 2 8\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  struct Paso {
    std::string marca1;
    std::string marca2;
    std::string total;
    std::string etiqueta;
  };
  // The amount to credit follows the commission cells (money shown with two decimals), while the
  // commission total keeps the exact sum of the books.
  const Paso pasos[] = {{"SI", "NO", "5.0000", "5,00"},
                        {"SI", "SI", "12.2500", "12,25"},
                        {"NO", "SI", "7.2500", "7,25"},
                        {"NO", "NO", "0.0000", "0,00"}};
  for (int i = 0; i < 4; ++i) {
    const Ventana v = r.dump("SelectFacturas", i);
    EXPECT_EQ(v.cell(1, 8), pasos[i].marca1) << i;
    EXPECT_EQ(v.cell(2, 8), pasos[i].marca2) << i;
    EXPECT_EQ(v.state()["comisionAcreditar"], pasos[i].total) << i;
    EXPECT_EQ(v.caption("lblComisionAcreditada"), pasos[i].etiqueta) << i;
    // Once something was marked the window counts as changed, even with every mark removed.
    EXPECT_EQ(v.state()["hayCambios"], true) << i;
    // Marking touches neither the commission total nor the summary.
    EXPECT_EQ(v.state()["totalComision"], "12.2500") << i;
    EXPECT_EQ(v.caption("lblComisionTotal"), "12,25") << i;
  }
}

TEST_F(VentanaGrid, EnterActsAsSpaceAndOtherKeysAndColumnsDoNothing) {
  const Salida r = books.run(
      "go V001\ncell 1 8\ndump\n"
      "key ENTER\ndump\n"
      "key SPACE\ndump\n"
      "key a\ndblclick 1 0\ndblclick 1 2\ndblclick 1 3\ndblclick 1 4\ndblclick 1 5\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const Ventana enFoco = r.dump("SelectFacturas", 0);
  EXPECT_EQ(enFoco.active(), "detalles");
  EXPECT_EQ(enFoco.cell(1, 8), "NO");

  EXPECT_EQ(r.dump("SelectFacturas", 1).cell(1, 8), "SI");
  EXPECT_EQ(r.dump("SelectFacturas", 2).cell(1, 8), "NO");

  const Ventana v = r.dump();
  EXPECT_EQ(v.cell(1, 8), "NO");
  EXPECT_EQ(v.state()["comisionAcreditar"], "0.0000");
  EXPECT_TRUE(r.boxes().empty());
  EXPECT_TRUE(r.calls("Load").empty());
}

TEST_F(VentanaGrid, TheViewersGetTheInvoiceNumberByReferenceAndTheCustomerCode) {
  const Salida r = books.run("go V001\ndblclick 2 1\nclose\ndblclick 2 9\nclose\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const auto shows = r.of("show");
  ASSERT_EQ(shows.size(), 3u);
  EXPECT_EQ(shows[1]["window"], "VisorFactura");
  EXPECT_EQ(shows[2]["window"], "VisorCliente");

  const auto factura = r.calls("Load", "Factura");
  ASSERT_EQ(factura.size(), 1u);
  EXPECT_EQ(factura[0]["args"], (json::array({{{"type", "Long"}, {"value", 2}, {"byRef", true}}})));
  const auto cliente = r.calls("Load", "CLIENTE");
  ASSERT_EQ(cliente.size(), 1u);
  EXPECT_EQ(cliente[0]["args"], (json::array({{{"type", "String"}, {"value", "C002"}}})));
  EXPECT_EQ(r.calls("Show", "Factura").size(), 1u);
  EXPECT_EQ(r.calls("Show", "CLIENTE").size(), 1u);

  const Ventana v = r.dump();
  EXPECT_EQ(v.state()["hayCambios"], false);
  EXPECT_EQ(v.cell(2, 8), "NO");
}

TEST_F(VentanaGrid, ViewersThatCannotLoadGiveAMessageOrNothing) {
  // The invoice and the customer disappear from the books while the list is on screen.
  auto host = books.live();
  host->send("go V001\necho loaded");
  host->waitFor("echo", "loaded");
  books.exec("DELETE FROM Facturas WHERE Numero = 1; DELETE FROM clientes WHERE codigo = 'C001'");
  host->send("dblclick 1 1\nok\ndblclick 1 9\ndump");
  const Salida r = books.finish(*host);
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{"message: Error: no se puede cargar la factura"}));
  EXPECT_EQ(r.of("show").size(), 1u);  // only the commission window
  EXPECT_TRUE(r.calls("Show", "Factura").empty());
  EXPECT_TRUE(r.calls("Show", "CLIENTE").empty());
  ASSERT_EQ(r.calls("Load", "CLIENTE").size(), 1u);

  const Ventana v = r.dump();
  EXPECT_EQ(v.rows(), 3);
  EXPECT_EQ(v.state()["hayCambios"], false);
}

}  // namespace
