// The host calling the component's go: with a salesperson, without one, twice.

#include "e2e_harness.h"

namespace e2e {
namespace {

class GoTest : public HostScriptTest {
 protected:
  void SetUp() override {
    HostScriptTest::SetUp();
    writeDemoBooks();
  }
  // Invoices the window should list for a salesperson on the cut-off date (paid ones only).
  int64_t listed(const std::string& code) {
    return scalar(
        "SELECT count(*) FROM Facturas WHERE ComisionAcreditada = 0 AND Comision > 0 AND "
        "codigoVendedor = '" + code + "' AND FechaTransaccion <= '" + today + "' AND Saldo <= 0");
  }
};

TEST_F(GoTest, WithACodeTheWindowOpensForThatSalespersonWithItsInvoices) {
  auto run = runScript("go V001\ndump\n");
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  EXPECT_NE(run.err.find("registering"), std::string::npos) << "first run registers the module";
  auto shows = run.eventsOf("show");
  ASSERT_EQ(shows.size(), 1u);
  EXPECT_EQ(shows[0]["window"], "SelectFacturas");
  auto w = run.window("SelectFacturas");
  ASSERT_TRUE(w.is_object());
  EXPECT_EQ(w["controls"]["codigoVendedor"]["text"], "V001");
  EXPECT_EQ(w["controls"]["codigoVendedor"]["enabled"], false);
  EXPECT_EQ(w["controls"]["detalles"]["rows"], listed("V001") + 1);
  EXPECT_EQ(w["state"]["cantidadFacturas"], listed("V001"));

  // What go asked of the host, as the journal has it.
  ASSERT_FALSE(run.journal.empty());
  EXPECT_EQ(run.journal[0]["member"], "crearObjeto");
  EXPECT_EQ(run.journal[0]["args"][0]["value"], "Empresa");
  auto theme = run.calls("aplicarTema", "TemaUI");
  ASSERT_FALSE(theme.empty());
  EXPECT_EQ(theme[0]["args"][0]["type"], "Object");
  EXPECT_EQ(theme[0]["args"][0]["class"], "Form");
  EXPECT_EQ(theme[0]["args"][0]["byRef"], true);
  auto queries = run.calls("OpenRecordset", "HostFactory");
  ASSERT_EQ(queries.size(), 1u);
  const auto& args = queries[0]["args"];
  ASSERT_EQ(args.size(), 3u);
  EXPECT_NE(args[0]["value"].get<std::string>().find("dbo.SafeDivide(Comision, PrecioEfectivo)"),
            std::string::npos);
  EXPECT_EQ(args[1], (Json{{"type", "String"}, {"value", "V001"}}));
  EXPECT_EQ(args[2], (Json{{"type", "Date"}, {"value", "2026-11-30"}}));
  for (const auto& j : run.journal) {
    EXPECT_TRUE(j.contains("seq") && j.contains("id") && j.contains("kind") && j.contains("named")) << j;
  }
}

TEST_F(GoTest, WithoutACodeTheWindowOpensEmptyAndEditable) {
  auto run = runScript("go\ndump\n");
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  auto w = run.window("SelectFacturas");
  ASSERT_TRUE(w.is_object());
  EXPECT_EQ(w["controls"]["codigoVendedor"]["text"], "");
  EXPECT_EQ(w["controls"]["codigoVendedor"]["enabled"], true);
  EXPECT_EQ(w["state"]["vendedorFijo"], false);
  EXPECT_TRUE(run.calls("OpenRecordset").empty());
}

TEST_F(GoTest, TwoGoCallsOpenTwoWindows) {
  auto run = runScript("go V001\ngo V002\ndump\n");
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  EXPECT_EQ(run.eventsOf("show").size(), 2u);
  std::vector<std::string> codes;
  for (const auto& w : run.lastDump())
    if (w["name"] == "SelectFacturas") codes.push_back(w["controls"]["codigoVendedor"]["text"]);
  EXPECT_EQ(codes, (std::vector<std::string>{"V001", "V002"}));
  // Each go hands over the factory again: the company object is created twice.
  auto created = run.calls("crearObjeto", "HostFactory");
  int companies = 0;
  for (const auto& c : created) companies += c["args"][0]["value"] == "Empresa";
  EXPECT_EQ(companies, 2);
}

TEST_F(GoTest, ViewersOpenAsHostWindows) {
  // The viewer becomes the active window; closing it returns to the list.
  auto run = runScript("go V001\ndblclick 1 1\nclose\ndblclick 1 9\ndump\n");
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  std::vector<std::string> shown;
  for (const auto& s : run.eventsOf("show")) shown.push_back(s["window"]);
  EXPECT_EQ(shown, (std::vector<std::string>{"SelectFacturas", "VisorFactura", "VisorCliente"}));
  EXPECT_TRUE(run.eventsOf("show")[1]["caption"].get<std::string>().starts_with("Factura "));
  auto cliente = run.window("VisorCliente");
  ASSERT_TRUE(cliente.is_object());
  EXPECT_TRUE(cliente["caption"].get<std::string>().starts_with("Cliente C")) << cliente["caption"];
  EXPECT_TRUE(cliente["state"]["lines"].contains("Nombre")) << cliente["state"];
  auto load = run.calls("Load", "Factura");
  ASSERT_EQ(load.size(), 1u);
  EXPECT_EQ(load[0]["args"][0]["type"], "Long");
  EXPECT_EQ(load[0]["args"][0]["byRef"], true);
}

}  // namespace
}  // namespace e2e
