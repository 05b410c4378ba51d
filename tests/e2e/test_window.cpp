#include <array>

#include "e2e_support.h"

namespace e2e {
namespace {

using Rect = std::array<int, 4>;  // left, top, width, height
using Textos = std::vector<std::string>;

// The commission window through the reference host; each test writes the invoices it needs.
class VentanaComision : public ::testing::Test {
 protected:
  // Opens a free window in a live host and closes it (saving its placement and payment option).
  Ventana abrir(LiveHost& host) {
    host.send("go\ndump\nclose\necho cerrada");
    const Ventana v{ventana(host.waitFor("dump"))};
    host.waitFor("echo", "cerrada");
    return v;
  }
  Rect lugar(LiveHost& host) {
    const json w = abrir(host).w;
    return {w["left"], w["top"], w["width"], w["height"]};
  }
  WindowBooks libros;
};

// Starting tessaline-host: unusable and demo books, bad options and script errors, and go.

using HostStart = VentanaComision;

bool mentions(const Salida& r, const std::string& text) {
  return r.err.find(text) != std::string::npos;
}

// Missing or unusable books are a clear error and nothing is created or changed; --init-demo
// creates the books once and never overwrites them.
TEST_F(HostStart, BooksAreUsedAsTheyAreOrCreatedOnceOnDemand) {
  Salida r = libros.runHost({"--script", "-"}, 1);  // the default books in the data folder
  EXPECT_TRUE(mentions(r, "does not exist") && mentions(r, "--init-demo")) << r.err;
  EXPECT_FALSE(fs::exists(libros.dir() / "data" / "books.sqlite"));

  std::ofstream(libros.books) << "not a database\n";
  r = libros.runHost({"--db", libros.books.string(), "--script", "-"}, 1);
  EXPECT_TRUE(mentions(r, "cannot be used")) << r.err;
  EXPECT_EQ(readFile(libros.books), "not a database\n");

  const auto demo = libros.dir() / "demo.sqlite";
  r = libros.runHost({"--db", demo.string(), "--init-demo", "--script", "-"}, 0);
  EXPECT_TRUE(mentions(r, "created demo books")) << r.err;
  const std::string before = readFile(demo);
  r = libros.runHost({"--db", demo.string(), "--init-demo", "--script", "-"}, 0, "go V001\n");
  EXPECT_FALSE(mentions(r, "created demo books")) << r.err;
  EXPECT_EQ(r.of("show").size(), 1u);
  libros.runHost({"--db", demo.string(), "--check"}, 0);
  EXPECT_EQ(readFile(demo), before);
}

TEST_F(HostStart, BadOptionsAndScriptErrorsAreRefused) {
  for (std::vector<std::string> bad :
       {std::vector<std::string>{"--today", "2026-02-30"}, {"--screen", "wide"}, {"--fail-at", "Procesar#0"},
        {"--ui", "tty"}, {"--lock-timeout", "-1"}, {"--lock-timeout", "inf"}, {"--lock-timeout", "nan"},
        {"--lock-timeout", "1e10"}, {"--vendedor", "V001"}}) {
    std::vector<std::string> args{"--db", libros.books.string(), "--script", "-"};
    args.insert(args.end(), bad.begin(), bad.end());
    const Salida r = libros.runHost(args, 1);
    EXPECT_FALSE(r.err.empty()) << bad[0];
    EXPECT_LT(r.err.size(), 200u) << r.err;
  }
  // Interactive: a salesperson that is not in the books is refused before any window opens.
  Salida r = libros.runHost({"--db", libros.books.string(), "--vendedor", "v001"}, 1);
  EXPECT_TRUE(mentions(r, "--vendedor v001") && mentions(r, "no salesperson") && mentions(r, "V001")) << r.err;
  EXPECT_EQ(libros.run("echo hola\n").of("echo").size(), 1u);
  EXPECT_EQ(libros.run("click nada\n", 2).of("script-error").size(), 1u);
}

// Each go opens a window of its own, locked on its salesperson (even one the books do not know,
// whose invoices are asked for all the same) and with a company of its own; the first run
// registers the module; the host's theme gets each window by reference.
TEST_F(HostStart, EachGoOpensAWindowLockedOnItsSalespersonWithItsOwnCompany) {
  libros.facturas({{.numero = 1}, {.numero = 2, .vendedor = "V002"}});
  const Salida r = libros.run("go V001\ngo V002\ngo ZZZ\nok\ndump\n");
  EXPECT_TRUE(mentions(r, "registering")) << r.err;
  std::vector<std::string> codes, names;
  const json dump = r.of("dump").back();
  for (const auto& w : dump["windows"]) {
    if (w["name"] != "SelectFacturas") continue;
    const Ventana v{w};
    codes.push_back(v.state()["vendedorCargado"]);
    names.push_back(v.caption("nombreVendedor"));
    EXPECT_FALSE(v.enabled("codigoVendedor"));
    EXPECT_EQ(v.rows(), codes.back() == "ZZZ" ? 1 : 2);
  }
  EXPECT_EQ(codes, (std::vector<std::string>{"V001", "V002", "ZZZ"}));
  EXPECT_EQ(names, (std::vector<std::string>{"Rosalba Quintero", "Ernesto Villalobos", ""}));
  const auto consultas = r.calls("OpenRecordset");
  ASSERT_EQ(consultas.size(), 3u);
  EXPECT_EQ(arg(consultas[2], 1)["value"], "ZZZ");
  int companies = 0;
  for (const auto& c : r.calls("crearObjeto", "HostFactory")) companies += arg(c, 0)["value"] == "Empresa";
  EXPECT_EQ(companies, 3);
  const auto theme = r.calls("aplicarTema", "TemaUI");
  ASSERT_EQ(theme.size(), 3u);
  EXPECT_EQ(json::array({arg(theme[0], 0)["class"], arg(theme[0], 0)["byRef"]}), json::parse(R"(["Form", true])"));
}

const std::string kAbandonar = "question: ¿Desea abandonar los cambios?";
const std::string kPerder = "question: ¿Desea perder los cambios?";

class VentanaVendedor : public VentanaComision {
 protected:
  void SetUp() override {
    libros.facturas({{.numero = 1, .fecha = "2024-03-01", .comision = "5"},
                     {.numero = 2, .fecha = "2024-03-08", .comision = "7.25"},
                     {.numero = 3, .fecha = "2024-03-04", .vendedor = "V002", .comision = "9"}});
  }
};

// An empty or unknown code is refused and keeps the focus; a typed code is trimmed, upper-cased
// and loaded (Enter in the box moves on as Tab does), and only then is the host asked for invoices.
TEST_F(VentanaVendedor, ACodeIsRefusedOrTrimmedUpperCasedAndLoaded) {
  const Salida r = libros.run("go\ndump\ntab\nok\ntype zz9\ntab\nok\ndump\ntype \"  v001 \"\nkey ENTER\ndump\n");
  EXPECT_EQ(r.boxes(),
            (std::vector<std::string>{"warning: Introduzca el código de un vendedor", "warning: Codigo inválido"}));
  const Ventana vacia = r.dump(0), refused = r.dump(1), v = r.dump();
  EXPECT_TRUE(vacia.enabled("codigoVendedor"));
  EXPECT_EQ((Textos{vacia.active(), vacia.status()}),
            (Textos{"codigoVendedor", "Introduzca el código del vendedor con el que va a trabajar (F2: buscar)"}));
  EXPECT_EQ((Textos{refused.active(), refused.text("codigoVendedor")}), (Textos{"codigoVendedor", "ZZ9"}));

  EXPECT_EQ((Textos{v.text("codigoVendedor"), v.caption("nombreVendedor"), v.active(), v.status()}),
            (Textos{"V001", "Rosalba Quintero", "fechaPago", "Introduzca la fecha de corte"}));
  EXPECT_EQ(v.state()["cantidadFacturas"], 2);
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
  EXPECT_EQ(r.boxes(), std::vector<std::string>(4, kAbandonar));
  for (int i : {0, 1}) {
    const Ventana refused = r.dump(i);
    EXPECT_EQ((Textos{refused.active(), refused.text("codigoVendedor"), refused.caption("nombreVendedor"),
                      refused.cell(1, 8)}),
              (Textos{"fechaPago", "V001", "Rosalba Quintero", "SI"})) << i;
    esperarEstado(refused, {{"hayCambios", true}, {"comisionAcreditar", "5.0000"}}, std::to_string(i));
  }
  const Ventana otro = r.dump(2);
  EXPECT_EQ((Textos{otro.caption("nombreVendedor"), otro.cell(1, 10)}), (Textos{"Ernesto Villalobos", "3"}));
  esperarEstado(otro, {{"cantidadFacturas", 1}, {"hayCambios", false}});

  const Ventana mismo = r.dump();
  EXPECT_EQ((Textos{mismo.text("codigoVendedor"), mismo.cell(1, 8), mismo.active()}),
            (Textos{"V002", "NO", "fechaPago"}));
  esperarEstado(mismo, {{"hayCambios", false}, {"comisionAcreditar", "0.0000"}});
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
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{kAbandonar, kAbandonar,
                                                 "message: La fecha no puede ser posterior al día de hoy"}));
  const Ventana refused = r.dump(0);
  EXPECT_EQ(json::array({refused.control("fechaPago")["value"], refused.active(), refused.cell(1, 8),
                         refused.state()["hayCambios"]}),
            json::parse(R"(["2024-03-10", "fechaPago", "SI", true])"));

  esperarEstado(r.dump(1), {{"fechaCargada", "2024-03-05"}, {"cantidadFacturas", 1}, {"hayCambios", false}});
  // Too late: refused, the date loaded stays.
  EXPECT_EQ((Textos{r.dump(2).active(), r.dump(2).state()["fechaCargada"]}), (Textos{"fechaPago", "2024-03-05"}));

  esperarEstado(r.dump(), {{"fechaCargada", "2024-03-10"}, {"cantidadFacturas", 2}});
  const auto consultas = r.calls("OpenRecordset");
  ASSERT_EQ(consultas.size(), 3u);
  EXPECT_EQ(arg(consultas[1], 2), (json{{"type", "Date"}, {"value", "2024-03-05"}}));
}

// The invoice list: which invoices qualify, its cells, totals and query values, and the empty list.

TEST_F(VentanaComision, ListsTheUncreditedInvoicesUpToTheCutOffDateAndWhenTickedThoseStillOwing) {
  // Listed: three invoices, two on the same day (ordered by number), one on the cut-off date.
  libros.exec(R"sql(INSERT INTO Facturas VALUES
(3, 'A', 42, '2024-03-01', 'C001', 'Ferreteria El Tornillo', 'V001', 1234.5678, 197.5308, 0.0001, 0, 61.7284, 0),
(7, 'B', 118, '2024-03-01', 'C002', 'Colegio Santa Rosa', 'V001', 0.0003, 0, 0, 0, 0.0001, 0),
(2, 'A', 2, '2024-03-10', 'C001', 'Ferreteria El Tornillo', 'V001', 2000.006, 320.004, 0, 0, 100, 0))sql");
  // Not listed (with the check box unticked).
  libros.facturas({{.numero = 11, .fecha = "2024-03-10 09:30:00"},          // after midnight of the cut-off date
                   {.numero = 12, .fecha = "2024-03-05", .saldo = "0.01"},  // still owes
                   {.numero = 13, .comision = "0"},
                   {.numero = 14, .acreditada = 1},
                   {.numero = 15, .vendedor = "V002"},
                   {.numero = 16, .fecha = "2024-03-11"}});
  const Salida r = libros.run("go V001\ndump\nclick chkIncluirPendientes\ndump\nclick chkIncluirPendientes\ndump\n");
  const Ventana v = r.dump(0);

  ASSERT_EQ(v.rows(), 4) << v.cells().dump();
  EXPECT_EQ(v.cells()[1], (json{"1/3/2024", "A-0000042", "1.234,57", "197,53", "1.432,10", "0,00", "61,73", "5,00",
                                "NO", "Ferreteria El Tornillo", "3", "C001", "61,73"}));
  // Row 2's % comis. is the commission over the net sale, in percent.
  EXPECT_EQ((Textos{v.cell(2, 1), v.cell(2, 7), v.cell(2, 10), v.cell(2, 11), v.cell(3, 0), v.cell(3, 10)}),
            (Textos{"B-0000118", "33,33", "7", "C002", "10/3/2024", "2"}));

  // Totals are exact sums of the field values, not of the rounded cell texts.
  esperarEstado(v, {{"cantidadFacturas", 3}, {"totalVenta", "3234.5741"}, {"totalIVA", "517.5349"},
                    {"totalComision", "161.7285"}, {"hayCambios", false}});
  // lblMontoBruto: 3752.1090 exactly, not 3.234,57 + 517,53.
  EXPECT_EQ((Textos{v.caption("lblqFact"), v.caption("lblTotalVenta"), v.caption("lblTotalIVA"),
                    v.caption("lblMontoBruto"), v.caption("lblComisionTotal")}),
            (Textos{"3", "3.234,57", "517,53", "3.752,11", "161,73"}));

  // Column Saldo is hidden while only paid invoices are listed; the key columns always.
  for (int c : {5, 10, 11, 12}) EXPECT_EQ(v.control("detalles")["colWidths"][c], 0) << c;

  // The salesperson and the cut-off date go to the host as values, the date as a date.
  const auto consultas = r.calls("OpenRecordset", "HostFactory");
  ASSERT_EQ(consultas.size(), 3u);  // loading, ticking and unticking
  EXPECT_EQ(json::array({consultas[0]["args"].size(), arg(consultas[0], 1), arg(consultas[0], 2)}),
            json::parse(R"([3, {"type": "String", "value": "V001"}, {"type": "Date", "value": "2024-03-10"}])"));

  // Ticking the box lists the invoices still owing and shows their balance; unticking hides them.
  const Ventana ticked = r.dump(1);
  ASSERT_EQ(ticked.rows(), 5);
  EXPECT_EQ((Textos{ticked.cell(3, 10), ticked.cell(3, 5), ticked.state()["totalSaldo"]}),
            (Textos{"12", "0,01", "0.0100"}));
  EXPECT_GT(ticked.state()["anchoSaldo"].get<int>(), 0);
  EXPECT_EQ(ticked.control("detalles")["colWidths"][5], ticked.state()["anchoSaldo"]);

  EXPECT_EQ(json::array({r.dump().rows(), r.dump().control("detalles")["colWidths"][5]}), json::parse("[4, 0]"));
}

// No invoices is said before the window shows, and leaves zeros. A reload that finds nothing
// (after agreeing to drop a mark) keeps the changes flag as it was.
TEST_F(VentanaComision, NoInvoicesIsSaidBeforeTheWindowShowsAndLeavesZeros) {
  libros.factura({.numero = 1, .saldo = "10", .comision = "7.5"});
  const Salida r = libros.run(
      "go V001\nok\ndump\nclick chkIncluirPendientes\ndblclick 1 8\nclick "
      "chkIncluirPendientes\nyes\nok\ndump\n");
  const std::string sinFacturas = "message: No hay facturas no acreditadas hasta la fecha seleccionada";
  EXPECT_EQ(r.boxes(), (Textos{sinFacturas, kAbandonar, sinFacturas}));
  ASSERT_GE(r.events.size(), 2u);  // the first one before the window shows
  EXPECT_EQ(json::array({r.events[0]["event"], r.events[1]["event"], r.events[1]["modal"]}),
            json::parse(R"(["message", "show", false])"));

  const Ventana v = r.dump(0);
  EXPECT_EQ(v.rows(), 1);
  esperarEstado(v, {{"fechaCargada", "2024-03-10"}, {"cantidadFacturas", 0}});
  for (const char* l : {"lblTotalVenta", "lblTotalIVA", "lblMontoBruto", "lblSaldo", "lblComisionTotal"})
    EXPECT_EQ(v.caption(l), "0,00") << l;
  EXPECT_EQ(v.caption("lblqFact"), "0");

  const Ventana otraVez = r.dump();
  EXPECT_EQ(json::array({otraVez.rows(), otraVez.caption("lblComisionAcreditada")}), json::parse(R"([1, "0,00"])"));
  esperarEstado(otraVez, {{"hayCambios", true}, {"comisionAcreditar", "0.0000"}});
}

// The grid: marking for crediting, and the host's invoice and customer viewers.

class VentanaGrid : public VentanaComision {
 protected:
  void SetUp() override {
    libros.facturas({{.numero = 1, .fecha = "2024-03-01", .comision = "5.0001"},
                     {.numero = 2, .fecha = "2024-03-02", .cliente = "C002", .comision = "7.2499"}});
  }
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
  // Marks of rows 1 and 2, amount to credit and its label after each step.
  const Textos pasos[] = {{"SI", "NO", "5.0000", "5,00"}, {"SI", "SI", "12.2500", "12,25"},
                          {"NO", "SI", "7.2500", "7,25"}, {"NO", "NO", "0.0000", "0,00"},
                          {"NO", "NO", "0.0000", "0,00"}};
  for (int i = 0; i < 5; ++i) {
    const Ventana v = r.dump(i);
    EXPECT_EQ((Textos{v.cell(1, 8), v.cell(2, 8), v.state()["comisionAcreditar"], v.caption("lblComisionAcreditada")}),
              pasos[i]) << i;
    // Once something was marked the window counts as changed, even with every mark removed.
    esperarEstado(v, {{"hayCambios", true}, {"totalComision", "12.2500"}}, std::to_string(i));
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
  const auto shows = r.of("show");
  ASSERT_EQ(shows.size(), 3u);
  EXPECT_EQ(json::array({shows[1]["window"], shows[2]["window"]}), json::parse(R"(["VisorFactura", "VisorCliente"])"));
  const auto factura = r.calls("Load", "Factura");
  ASSERT_EQ(factura.size(), 2u);
  EXPECT_EQ(factura[0]["args"], (json::array({{{"type", "Long"}, {"value", 2}, {"byRef", true}}})));
  const auto cliente = r.calls("Load", "CLIENTE");
  ASSERT_EQ(cliente.size(), 2u);
  EXPECT_EQ(cliente[0]["args"], (json::array({{{"type", "String"}, {"value", "C002"}}})));
  EXPECT_EQ(r.boxes(), (std::vector<std::string>{"message: Error: no se puede cargar la factura"}));
  EXPECT_EQ(r.calls("Show").size(), 2u);
  EXPECT_EQ(json::array({r.dump().rows(), r.dump().cell(2, 8), r.dump().state()["hayCambios"]}),
            json::parse(R"([3, "NO", false])"));
}

// The payment panel: the remembered option, the bank fields and hints, and the bank box.

class VentanaPago : public VentanaComision {
 protected:
  void SetUp() override { libros.factura({.numero = 1}); }
};

// The option a window closed with is selected at the next start. Nothing remembered, or a name
// that is not a payment option, selects credit only; cash is the option selected by design, so
// remembering it raises no click of its own.
TEST_F(VentanaPago, TheRememberedOptionIsSelectedOnlyWhenItIsAPaymentOption) {
  const Salida r = libros.run("go V001\nclick optTransferencia\nclose\n");
  EXPECT_EQ(libros.setting("Hollowmere", "Transient", "optQuorvane"), "optTransferencia");

  // One host opens a free window after each change of the store.
  auto host = libros.live();
  const std::pair<const char*, const char*> casos[] = {
      {nullptr, "optTransferencia"},                                 // the store as the last window left it
      {"optCheque", "optCheque"},     {"OPTCHEQUE", "optCheque"},    // control names ignore case
      {"optChequ", "optNoPagar"},     {"cbProcesar", "optNoPagar"},  // another control
      {"detalles", "optNoPagar"},     {"", "optNoPagar"},
      {"optEfectivo", "optEfectivo"}, {"-", "optNoPagar"},  // nothing remembered
  };
  for (const auto& [guardado, esperado] : casos) {
    if (guardado && std::string(guardado) == "-")
      libros.writeStore({});
    else if (guardado)
      libros.writeStore({{"Hollowmere\\Transient", {{"optQuorvane", guardado}}}});
    const Ventana v = abrir(*host);
    const std::string caso = guardado ? guardado : "(as closed)";
    EXPECT_EQ(v.medioPago(), esperado) << caso;
    EXPECT_EQ(v.text("codigoBanco"), "") << caso;
    const bool banco = std::string(esperado) == "optCheque" || std::string(esperado) == "optTransferencia";
    EXPECT_EQ(std::pair(v.enabled("codigoBanco"), v.enabled("refMovBanco")), std::pair(banco, banco)) << caso;
  }
  libros.finish(*host);
}

// Leaving a bank payment clears and locks the bank fields; coming back finds them empty.
TEST_F(VentanaPago, OptionsSetTheBankFieldsAndTheHint) {
  const Salida r = libros.run(
      "go V001\nclick optCheque\ndump\nfocus codigoBanco\ntype ban01\nfocus refMovBanco\ntype 555\n"
      "click optEfectivo\ndump\nclick optCheque\ndump\nclick optNoPagar\ndump\n");
  const std::pair<bool, const char*> pasos[] = {{true, "El pago se realizará mediante la emision de un cheque"},
                                                {false, "El pago se realizará mediante un egreso de caja"},
                                                {true, "El pago se realizará mediante la emision de un cheque"},
                                                {false, "Solo se acreditarán las comisiones al vendedor"}};
  for (int i = 0; i < 4; ++i) {
    const Ventana v = r.dump(i);
    const bool banco = pasos[i].first;
    EXPECT_EQ(std::pair(v.enabled("codigoBanco"), v.enabled("refMovBanco")), std::pair(banco, banco)) << i;
    EXPECT_EQ(v.text("codigoBanco") + v.text("refMovBanco"), "") << i;
    EXPECT_EQ(v.status(), pasos[i].second) << i;
  }
}

// F2 on the bank box lists the host's banks. The box trims and upper-cases the code; for a cheque
// it proposes the bank's next cheque number, for a transfer it keeps the number typed. The host
// refuses an unknown code (the window says nothing of its own and keeps the focus) and an empty
// one is accepted without asking it.
TEST_F(VentanaPago, TheBankBoxNormalisesTheCodeAndTheHostRefusesAnUnknownOne) {
  const Salida r = libros.run(
      "go V001\nclick optCheque\nfocus codigoBanco\nkey F2\ndump\nkey ESC\nfocus refMovBanco\ntype 555\n"
      "focus codigoBanco\ntype \" ban01 \"\ntab\ndump\n"
      "click optTransferencia\nfocus refMovBanco\ntype 777\nfocus codigoBanco\ntype "
      "ban02\ntab\ndump\n"
      "focus codigoBanco\ntype xx1\ntab\ndump\n"
      "type \"  \"\ntab\ndump\n");
  const json lista = r.dump(0, "busqueda").control("lista")["cells"];
  EXPECT_EQ(lista, json::parse(R"([["Código", "Banco"], ["BAN01", "Banco Meridional"], ["BAN02", "Banco Andino"]])"));
  // Code, number and focus after each entry.
  const auto banco = [&](int i) {
    const Ventana v = r.dump(i);
    return Textos{v.text("codigoBanco"), v.text("refMovBanco"), v.active()};
  };
  EXPECT_EQ(banco(1), (Textos{"BAN01", "1001", "refMovBanco"}));  // cheque
  EXPECT_EQ(r.calls("proximoCheque").size(), 1u);
  EXPECT_EQ(banco(2), (Textos{"BAN02", "777", "refMovBanco"}));  // transfer
  EXPECT_EQ(banco(3), (Textos{"XX1", "777", "codigoBanco"}));    // refused
  EXPECT_TRUE(r.boxes().empty());
  const auto validar = r.calls("validarCodigo");
  ASSERT_EQ(validar.size(), 1u);
  EXPECT_EQ(arg(validar[0], 0)["value"], "XX1");

  EXPECT_EQ(banco(4), (Textos{"", "777", "refMovBanco"}));  // empty
}

// Cancel (the button, or Esc) asks first when there are changes; it closes a window with nothing loaded
// or opened for a salesperson and resets a free one; it validates nothing, not even an empty salesperson box.

class VentanaInicio : public VentanaComision {
 protected:
  void SetUp() override {
    libros.facturas({{.numero = 1, .fecha = "2024-03-01", .comision = "5"},
                     {.numero = 2, .fecha = "2024-03-04", .saldo = "3", .comision = "7.25"}});
  }
};

TEST_F(VentanaInicio, CancelClosesAnEmptyWindowOrOneOpenedForASalesperson) {
  const Salida r = libros.run(
      "go\nclick cbCancelar\n"
      "go V001\nkey ESC\n"
      "go V001\ndblclick 1 8\nclick cbCancelar\nno\ndump\nclick cbCancelar\nyes\n");
  EXPECT_EQ(r.boxes(), std::vector<std::string>(2, kPerder));
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
  EXPECT_EQ(r.boxes(), std::vector<std::string>(2, kPerder));
  // F2 lists the host's salespeople; Enter takes the first.
  EXPECT_EQ(r.dump(1, "busqueda").control("lista")["cells"][1], (json{"V001", "Rosalba Quintero"}));
  const Ventana antes = r.dump(2);
  EXPECT_EQ((Textos{antes.text("codigoVendedor"), antes.cell(1, 8), antes.text("refMovBanco")}),
            (Textos{"V001", "SI", "1001"}));

  for (const json& u : r.of("unload")) EXPECT_EQ(u["window"], "busqueda");
  json nueva = r.dump(0).w, limpia = r.dump().w;
  const Ventana l{limpia};
  EXPECT_EQ(json::array({l.medioPago(), l.control("chkIncluirPendientes")["value"], l.rows()}),
            json::parse(R"(["optEfectivo", 1, 1])"));
  for (json* w : {&nueva, &limpia}) {
    for (const char* c :
         {"optEfectivo", "optCheque", "optTransferencia", "optNoPagar", "chkIncluirPendientes", "detalles"})
      (*w)["controls"].erase(c);
  }
  EXPECT_EQ(limpia, nueva);
}

const std::string kSeccion = "Zel\\CONFIG\\FormPlacement\\SelectFacturas";
using Lugar = std::map<std::string, std::string>;

// Centred by the utility library on the 28800 x 16200 screen: where a window stays when nothing
// is restored.
constexpr Rect kCentrada{8400, 3600, 12000, 9000};

TEST_F(VentanaComision, SavedPlacementsAreRestoredPulledBackOrRefused) {
  const std::pair<Lugar, Rect> casos[] = {
      {{}, kCentrada},
      {{{"Left", "1000"}, {"Top", "500"}, {"Width", "13000"}, {"Height", "9500"}}, {1000, 500, 13000, 9500}},
      // Overhanging by more than 180 twips: pulled back to the edge, never shrunk.
      {{{"Left", "16000"}, {"Top", "7000"}, {"Width", "13000"}, {"Height", "9500"}}, {15800, 6700, 13000, 9500}},
      // Overhanging by 80 twips: left where it was.
      {{{"Left", "15900"}, {"Top", "6800"}, {"Width", "13000"}, {"Height", "9500"}}, {15900, 6800, 13000, 9500}},
      {{{"Left", "-90"}, {"Top", "-90"}, {"Width", "13000"}, {"Height", "9500"}}, {-90, -90, 13000, 9500}},
      {{{"Left", "-100"}, {"Top", "500"}, {"Width", "13000"}, {"Height", "9500"}}, kCentrada},
      {{{"Left", "500"}, {"Top", "-91"}, {"Width", "13000"}, {"Height", "9500"}}, kCentrada},
      // Wider than the screen: cannot be pulled back, so nothing is restored.
      {{{"Left", "0"}, {"Top", "0"}, {"Width", "30000"}, {"Height", "9500"}}, kCentrada},
      // A missing coordinate is not the -1 of an unreadable one, a place on the screen.
      {{{"Left", "1000"}, {"Top", "500"}, {"Width", "13000"}}, kCentrada},
      {{{"Top", "500"}, {"Width", "13000"}, {"Height", "9500"}}, kCentrada},
      // Whole numbers with halves to even, read with the regional separators.
      {{{"Left", "1001,5"}, {"Top", "1.000"}, {"Width", "13000"}, {"Height", "9500"}}, {1002, 1000, 13000, 9500}},
  };
  auto host = libros.live();
  for (const auto& [guardado, esperado] : casos) {
    libros.writeStore({{kSeccion, guardado}});
    std::string nombre;
    for (const auto& [k, v] : guardado) nombre += k + "=" + v + " ";
    EXPECT_EQ(lugar(*host), esperado) << nombre;
  }
  libros.finish(*host);
}

// Closing saves the outer rectangle, as whole numbers, into the store and never into the INI
// file, whose values win over the store's at every start (an empty one does not count).
TEST_F(VentanaComision, ClosingSavesToTheStoreAndTheIniFileWinsAtEveryStart) {
  libros.writeStore({{kSeccion, {{"Left", "1000"}, {"Top", "500"}, {"Width", "13000"}, {"Height", "9500"}}}});
  const Salida r = libros.run("go\nresize 13500 9815\nclose\n");
  for (const auto& [k, v] : Lugar{{"Left", "1000"}, {"Top", "500"}, {"Width", "13500"}, {"Height", "9815"}})
    EXPECT_EQ(libros.setting("Zel", "CONFIG\\FormPlacement\\SelectFacturas", k), v) << k;

  std::ofstream(libros.configHome() / "Zel.ini") << "[CONFIG\\FormPlacement\\SelectFacturas]\nLeft=2000\nTop=\n";
  auto host = libros.live();
  EXPECT_EQ(lugar(*host), (Rect{2000, 500, 13500, 9815}));
  libros.writeStore({{kSeccion, {{"Left", "3000"}, {"Top", "600"}, {"Width", "13000"}, {"Height", "9500"}}}});
  EXPECT_EQ(lugar(*host), (Rect{2000, 600, 13000, 9500}));
  libros.finish(*host);
  EXPECT_EQ(libros.setting("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Left"), "2000");
  EXPECT_EQ(readFile(libros.configHome() / "Zel.ini"), "[CONFIG\\FormPlacement\\SelectFacturas]\nLeft=2000\nTop=\n");
}

// On a screen smaller than the window the saved size cannot fit: nothing is restored, and the
// utility library centres the window partly off the screen.
TEST_F(VentanaComision, AScreenSmallerThanTheWindowRestoresNothing) {
  libros.screen = "11000x8000";
  libros.writeStore({{kSeccion, {{"Left", "0"}, {"Top", "0"}, {"Width", "12000"}, {"Height", "9000"}}}});
  auto host = libros.live();
  EXPECT_EQ(lugar(*host), (Rect{-500, -500, 12000, 9000}));
  libros.finish(*host);
}

// Commission adjustment through the number dialog (regional settings es_VE: decimal comma).

// A run of `guion` on the window opened for V001, with a dump before and after it. The company's
// percentages are 3, 5, 4, 2, 2.5 and 1 (largest 5).
//   row 1  net 1000.00  commission 33.33  (3,33 %)
//   row 2  net  700.00  commission 10.00  (1,43 %)
//   row 3  net 1000.00  commission 30.00  (3,00 %)
//   row 4  net    0.00  commission  5.00  (0,00 %)
//   row 5  net  100.05  commission 10.00  (9,99 %)
Salida ajustar(const std::string& guion) {
  WindowBooks libros;
  libros.facturas({{.numero = 1, .precio = "1000", .comision = "33.33"},
                   {.numero = 2, .precio = "700", .comision = "10"},
                   {.numero = 3, .precio = "1000", .comision = "30"}, {.numero = 4, .precio = "0", .comision = "5"},
                   {.numero = 5, .precio = "100.05", .comision = "10"}});
  const auto antes = tablas(libros.books.string());
  const Salida r = libros.run("go V001\ndump\n" + guion + "dump\n");
  // Adjusting writes nothing to the books.
  EXPECT_EQ(tablas(libros.books.string()), antes);
  return r;
}

// Columns Comision and % comis. of a row.
using Par = std::pair<std::string, std::string>;
Par comision(const Ventana& w, int fila) { return {w.cell(fila, 6), w.cell(fila, 7)}; }

TEST(AjustePorcentaje, LaComisionSaleDeVentaNetaEntreCienPorElPorcentaje) {
  const Salida c = ajustar(
      "dblclick 1 7\ndump\nkey ENTER\n"
      "dblclick 2 7\ntype 1,5\nkey ENTER\n"
      "dblclick 3 7\ntype 3\nkey ENTER\n"
      "dblclick 5 7\ntype 1,5\nkey ENTER\n");
  // The number dialog asks modally with the window's caption, prompt and mask and the row's
  // percentage, its box focused, and is gone once answered.
  const Ventana d = c.dump(1, "fGetNumero");
  EXPECT_EQ(json::array({d.w["caption"], d.caption("Label1"), d.control("Velnor1")["value"],
                         d.control("Velnor1")["format"], d.active()}),
            json::parse(R"(["Ajuste de comisiones", "Nuevo porcentaje de comision", 3.33, "#,##0.00", "Velnor1"])"));
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
  esperarEstado(w, {{"totalComision", "80.3000"}, {"hayCambios", true}, {"comisionAcreditar", "0.0000"}});
  EXPECT_EQ(w.caption("lblComisionTotal"), "80,30");
  // Column Comision cargada keeps the commission as loaded.
  EXPECT_EQ(w.cell(1, 12), "33,33");
}

TEST(AjustePorcentaje, SobreElMayorPorcentajeDeLaEmpresaPidePermiso) {
  const Salida c = ajustar(
      "dblclick 3 7\ntype 5\nkey ENTER\n"
      "dblclick 2 7\ntype 5,01\nkey ENTER\nno\ndump\n"
      "dblclick 2 7\ntype 5,01\nkey ENTER\nyes\n");
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
  const Salida c = ajustar(
      "dblclick 1 6\nkey ESC\n"
      "dblclick 1 6\ntype 40\nclick cbCancelar\n"
      "dblclick 1 7\nclose\n"
      "dblclick 1 6\ntype -5\nkey ENTER\n"
      "dblclick 1 7\ntype -1\nkey ENTER\n"
      "dblclick 1 6\nkey ENTER\n"
      "dblclick 3 7\ntype 900000000000000\nkey ENTER\nyes\nok\n");
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
  const Salida c = ajustar(
      "dblclick 2 8\ndblclick 2 6\ntype 12,5\nclick cbOk\n"
      "dblclick 3 6\ntype 32\nclick cbOk\n"
      "dblclick 1 6\ntype 0\nclick cbOk\n"
      "dblclick 4 6\ntype 7\nclick cbOk\n"
      "dblclick 3 6\ntype 2500\nclick cbOk\n");
  const Ventana w = c.dump();
  // Marked row 2: 10 -> 12.5 moves both totals; unmarked row 3 only the commission total.
  EXPECT_EQ(comision(w, 2), (Par{"12,50", "1,79"}));
  EXPECT_EQ((Textos{w.state()["comisionAcreditar"], w.caption("lblComisionAcreditada")}), (Textos{"12.5000", "12,50"}));
  // Zero is accepted.
  EXPECT_EQ(comision(w, 1), (Par{"0,00", "0,00"}));
  // A net sale of zero gives no percentage: the cell shows zero.
  EXPECT_EQ(comision(w, 4), (Par{"7,00", "0,00"}));
  // An amount above the net sale is taken as it is (no question).
  EXPECT_EQ(comision(w, 3), (Par{"2.500,00", "250,00"}));
  EXPECT_TRUE(c.boxes().empty());
  // 88.33 + 2.5 + 2 - 33.33 + 2 + 2468 = 2529.50
  EXPECT_EQ((Textos{w.state()["totalComision"], w.caption("lblComisionTotal")}), (Textos{"2529.5000", "2.529,50"}));
}

}  // namespace
}  // namespace e2e
