// The commission cut window as built: every control in its place, and its layout on resize.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "commission_window/select_facturas.h"
#include "forms/json.h"
#include "harness.h"

namespace {

using forms::Rect;
using tessaline::SelectFacturas;

struct Expected {
  const char* name;
  const char* kind;
  const char* container;  // nullptr: the client area
  Rect rect;
  std::optional<std::string> caption;  // caption, or text for text boxes
  std::optional<int> tabIndex;         // shapes have none
};

// The window as designed.
const Expected kDesign[] = {
    {"Label1", "Label", nullptr, {150, 165, 1515, 195}, "Codigo del vendedor:", 0},
    {"codigoVendedor", "CodeLookupField", nullptr, {1905, 120, 2070, 345}, "", 1},
    {"nombreVendedor", "Label", nullptr, {570, 555, 7125, 195}, "...nombre del vendedor...", 2},
    {"Label4", "Label", nullptr, {150, 945, 1155, 195}, "Fecha del pago:", 3},
    {"fechaPago", "DateEntryBox", nullptr, {1905, 915, 1710, 315}, std::nullopt, 4},
    {"chkIncluirPendientes", "OptionCheckBox", nullptr, {4320, 960, 2130, 270}, "Incluir facturas pendientes", 5},
    {"Label2", "Label", nullptr, {1215, 1410, 1515, 195}, "Cantidad de facturas:", 6},
    {"lblqFact", "Label", nullptr, {2955, 1410, 525, 195}, "0", 7},
    {"Label3", "Label", nullptr, {1215, 1695, 810, 195}, "Venta total:", 8},
    {"lblTotalVenta", "Label", nullptr, {2865, 1695, 840, 195}, "0,00", 9},
    {"Label13", "Label", nullptr, {4350, 1695, 450, 195}, "Saldo:", 10},
    {"lblSaldo", "Label", nullptr, {5895, 1695, 840, 195}, "0,00", 11},
    {"Label9", "Label", nullptr, {1215, 1980, 300, 195}, "IVA:", 12},
    {"lblTotalIVA", "Label", nullptr, {2865, 1980, 840, 195}, "0,00", 13},
    {"Label8", "Label", nullptr, {4335, 1980, 1020, 195}, "Comision total:", 14},
    {"lblComisionTotal", "Label", nullptr, {5895, 1980, 840, 195}, "0,00", 15},
    {"Label11", "Label", nullptr, {1215, 2265, 900, 195}, "Monto bruto:", 16},
    {"lblMontoBruto", "Label", nullptr, {2865, 2265, 840, 195}, "0,00", 17},
    {"Label12", "Label", nullptr, {4335, 2265, 1470, 195}, "Comision a acreditar:", 18},
    {"lblComisionAcreditada", "Label", nullptr, {5895, 2265, 840, 195}, "0,00", 19},
    {"Frame1", "Frame", nullptr, {7995, 135, 3750, 2400}, "", 20},
    {"Shape1", "Shape", "Frame1", {0, 45, 3750, 2340}, std::nullopt, std::nullopt},
    {"Label5", "Label", "Frame1", {90, -45, 1170, 225}, " Medio de pago ", 21},
    {"optEfectivo", "OptionButton", "Frame1", {285, 255, 1185, 195}, "Efectivo", 22},
    {"optCheque", "OptionButton", "Frame1", {285, 570, 1305, 255}, "Cheque", 23},
    {"optTransferencia", "OptionButton", "Frame1", {285, 885, 1470, 255}, "Transferencia", 24},
    {"Label6", "Label", "Frame1", {705, 1230, 510, 195}, "Banco:", 25},
    {"codigoBanco", "CodeLookupField", "Frame1", {1620, 1170, 2055, 345}, "", 26},
    {"Label7", "Label", "Frame1", {705, 1575, 825, 195}, "Referencia:", 27},
    {"refMovBanco", "ReferenceTextBox", "Frame1", {1620, 1530, 1695, 315}, "", 28},
    {"optNoPagar", "OptionButton", "Frame1", {285, 1905, 2490, 240}, "No pagar ahora (solo acreditar)", 29},
    {"Shape2", "Shape", nullptr, {105, 2670, 11640, 4815}, std::nullopt, std::nullopt},
    {"detalles", "Grid", nullptr, {135, 2700, 11580, 4755}, std::nullopt, 30},
    {"cbProcesar", "ActionButton", nullptr, {8640, 7605, 1515, 510}, "Procesar", 31},
    {"cbCancelar", "ActionButton", nullptr, {10230, 7605, 1515, 510}, "Cancelar", 32},
    {"StatusBar1", "StatusBar", nullptr, {0, 8280, 11880, 315}, std::nullopt, 33},
};

class SelectFacturasLayout : public harness::WindowTest {
 protected:
  std::shared_ptr<SelectFacturas> ventana = std::make_shared<SelectFacturas>();

  Rect rectOf(const char* name) { return ventana->control(name)->geometry(); }

  // The four controls that follow the window's size, and the docked status bar.
  void expectLayout(Rect procesar, Rect cancelar, Rect grid, Rect shape, Rect barra) {
    EXPECT_EQ(rectOf("cbProcesar"), procesar);
    EXPECT_EQ(rectOf("cbCancelar"), cancelar);
    EXPECT_EQ(rectOf("detalles"), grid);
    EXPECT_EQ(rectOf("Shape2"), shape);
    EXPECT_EQ(rectOf("StatusBar1"), barra);
    // The rest never moves.
    EXPECT_EQ(rectOf("Frame1"), (Rect{7995, 135, 3750, 2400}));
    EXPECT_EQ(rectOf("codigoVendedor"), (Rect{1905, 120, 2070, 345}));
  }
  void expectDesignLayout() {
    expectLayout({8640, 7605, 1515, 510}, {10230, 7605, 1515, 510}, {135, 2700, 11580, 4755},
                 {105, 2670, 11640, 4815}, {0, 8280, 11880, 315});
  }
};

TEST_F(SelectFacturasLayout, EveryControlIsWhereItWasDesigned) {
  ventana->load();
  std::map<std::string, nlohmann::ordered_json> dumped;
  for (forms::Control* c : ventana->controls()) dumped[c->name()] = forms::controlJson(*c);
  ASSERT_EQ(dumped.size(), std::size(kDesign));

  for (const Expected& e : kDesign) {
    SCOPED_TRACE(e.name);
    ASSERT_TRUE(dumped.count(e.name));
    const auto& j = dumped[e.name];
    EXPECT_EQ(j["kind"], e.kind);
    if (e.container) {
      EXPECT_EQ(j["container"], e.container);
    } else {
      EXPECT_TRUE(j["container"].is_null());
    }
    EXPECT_EQ((Rect{j["left"], j["top"], j["width"], j["height"]}), e.rect);
    if (e.caption) {
      EXPECT_EQ(j.contains("text") ? j["text"] : j["caption"], *e.caption);
    }
    if (e.tabIndex) {
      EXPECT_EQ(j["tabIndex"], *e.tabIndex);
    }
  }

  EXPECT_EQ(ventana->caption(), "Acreditacion/pago de comisiones");
  EXPECT_EQ(ventana->borderStyle(), forms::BorderStyle::Sizable);
  EXPECT_TRUE(ventana->keyPreview());
  EXPECT_EQ(ventana->clientWidth(), 11880);
  EXPECT_EQ(ventana->clientHeight(), 8595);
  EXPECT_EQ(ventana->width(), 12000);
  EXPECT_EQ(ventana->height(), 9000);

  // Payment panel: one option selected, the bank reference locked until a bank payment.
  int selected = 0;
  for (const char* o : {"optEfectivo", "optCheque", "optTransferencia", "optNoPagar"}) selected += dumped[o]["value"] == true;
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(dumped["refMovBanco"]["enabled"], false);
  EXPECT_EQ(dumped["chkIncluirPendientes"]["value"], 0);

  // Esc presses Cancelar, and moving to it validates nothing.
  auto* cancelar = ventana->controlAs<forms::ActionButton>("cbCancelar");
  EXPECT_TRUE(cancelar->isCancel());
  EXPECT_FALSE(cancelar->causesValidation());
  EXPECT_EQ(ventana->cancelButton(), cancelar);
  EXPECT_EQ(ventana->defaultButton(), nullptr);
}

TEST_F(SelectFacturasLayout, TheInvoiceGridHasItsThirteenColumns) {
  auto* grid = ventana->controlAs<forms::Grid>("detalles");
  ASSERT_EQ(grid->cols(), 13);
  EXPECT_EQ(grid->fixedRows(), 1);
  const char* headers[] = {"Fecha",    "Factura",   "Venta Neta",         "I.V.A.", "Total", "Saldo", "Comision",
                           "% comis.", "Acreditar", "Nombre del cliente", "",       "",      ""};
  for (int c = 0; c < 13; ++c) EXPECT_EQ(grid->textMatrix(0, c), headers[c]) << c;
  EXPECT_EQ(grid->colAlignment(2), forms::Alignment::Right);
  EXPECT_EQ(grid->colAlignment(6), forms::Alignment::Right);
  EXPECT_EQ(grid->colAlignment(7), forms::Alignment::Left);
  // The key columns are hidden once the window has loaded; Saldo keeps its designed width.
  EXPECT_EQ(grid->colWidth(10), 0);
  EXPECT_EQ(grid->colWidth(11), 0);
  EXPECT_EQ(grid->colWidth(12), 0);
  EXPECT_GT(grid->colWidth(5), 0);
  EXPECT_EQ(ventana->stateJson()["anchoSaldo"], grid->colWidth(5));
}

TEST_F(SelectFacturasLayout, ResizeKeepsTheSizeRangeAndGrowsTheGrid) {
  ventana->show();
  ventana->move(1000, 1000);
  expectDesignLayout();

  // 2000 wider and 1000 taller than the minimum: buttons move, grid and frame grow.
  ventana->operatorResize(14000, 10000);
  EXPECT_EQ(ventana->clientWidth(), 13880);
  EXPECT_EQ(ventana->clientHeight(), 9595);
  expectLayout({10640, 8605, 1515, 510}, {12230, 8605, 1515, 510}, {135, 2700, 13580, 5755}, {105, 2670, 13640, 5815},
               {0, 9280, 13880, 315});

  // Smaller than the minimum snaps back to it, and so to the design layout.
  ventana->operatorResize(11000, 8000);
  EXPECT_EQ(ventana->width(), 12000);
  EXPECT_EQ(ventana->height(), 9000);
  expectDesignLayout();

  // Too wide snaps back to 14500; any height from 9000 up is kept.
  ventana->operatorResize(16000, 12000);
  EXPECT_EQ(ventana->width(), 14500);
  EXPECT_EQ(ventana->height(), 12000);
  expectLayout({11140, 10605, 1515, 510}, {12730, 10605, 1515, 510}, {135, 2700, 14080, 7755},
               {105, 2670, 14140, 7815}, {0, 11280, 14380, 315});
}

TEST_F(SelectFacturasLayout, NeverStaysMaximisedAndMinimisingChangesNothing) {
  ventana->show();
  ventana->operatorResize(13000, 9500);
  const Rect normal = ventana->outerRect();

  ventana->operatorSetState(forms::WindowState::Maximized);
  EXPECT_EQ(ventana->windowState(), forms::WindowState::Normal);
  EXPECT_EQ(ventana->outerRect(), normal);

  for (auto state : {forms::WindowState::Minimized, forms::WindowState::Normal}) {
    ventana->operatorSetState(state);
    EXPECT_EQ(ventana->windowState(), state);
    EXPECT_EQ(ventana->outerRect(), normal);
    expectLayout({9640, 8105, 1515, 510}, {11230, 8105, 1515, 510}, {135, 2700, 12580, 5255},
                 {105, 2670, 12640, 5315}, {0, 8780, 12880, 315});
  }
}

TEST_F(SelectFacturasLayout, AClientAreaTallerThan32767TwipsStillLaysOut) {
  app.setScreenSize(28800, 60000);
  ventana->show();
  ventana->operatorResize(13000, 40405);
  ASSERT_EQ(ventana->clientHeight(), 40000);
  expectLayout({9640, 39010, 1515, 510}, {11230, 39010, 1515, 510}, {135, 2700, 12580, 36160},
               {105, 2670, 12640, 36220}, {0, 39685, 12880, 315});
}

}  // namespace
