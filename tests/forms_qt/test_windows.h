#pragma once
// Windows for the view's tests: the commission window's layout (controls, places, colours, tab
// order and resize rules) with small handlers of its own, and a number dialog. They stand in for
// the component's windows, which live above this layer.

#include <algorithm>
#include <memory>
#include <string>

#include "forms/application.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "forms/window.h"

namespace forms_qt_test {

using namespace forms;

inline void styleActionButton(ActionButton& b, const std::string& caption) {
  b.setCaption(caption);
  b.setBackColor(rgb(7, 116, 205));
  b.setForeColor(colors::kWhite);
  ThemeColors t;
  t.backFocused = rgb(0, 0, 192);
  t.foreFocused = colors::kWhite;
  t.backDisabled = rgb(224, 224, 224);
  t.foreDisabled = rgb(192, 192, 192);
  b.setThemeColors(t);
}

class CommissionWindow final : public Window {
 public:
  CommissionWindow() : Window("SelectFacturas") {}

  int cancelClicks = 0;
  int processClicks = 0;
  int gridActions = 0;
  std::string lastKeyPreview;

 protected:
  void build() override {
    setCaption("Acreditacion/pago de comisiones");
    setBorderStyle(BorderStyle::Sizable);
    setKeyPreview(true);
    setBackColor(colors::kWindow);
    setStartUpPosition(StartUpPosition::Manual);
    setClientSize(11880, 8595);

    label("Label1", {150, 165, 1515, 195}, "Codigo del vendedor:", true);
    auto& codigo = add<CodeLookupField>("codigoVendedor", {1905, 120, 2070, 345});
    codigo.setMaxLength(20);
    codigo.setAppearance(0);
    codigo.onValidate = [this](bool& cancel) {
      const std::string t = controlAs<CodeLookupField>("codigoVendedor")->text();
      cancel = !t.empty() && t != "V01";
    };
    codigo.onGotFocus = [this] { hint("Codigo del vendedor (F2 para buscar)"); };
    label("nombreVendedor", {570, 555, 7125, 195}, "...nombre del vendedor...", false);
    label("Label4", {150, 945, 1155, 195}, "Fecha del pago:", true);
    auto& fecha = add<DateEntryBox>("fechaPago", {1905, 915, 1710, 315});
    ThemeColors dateTheme;
    dateTheme.borderFocused = rgb(0, 0, 255);
    fecha.setThemeColors(dateTheme);
    auto& chk = add<OptionCheckBox>("chkIncluirPendientes", {4320, 960, 2130, 270});
    chk.setCaption("Incluir facturas pendientes");
    chk.setBackColor(colors::kWindow);

    const struct {
      const char* name;
      Rect r;
      const char* caption;
      bool value;
    } summary[] = {
        {"Label2", {1215, 1410, 1515, 195}, "Cantidad de facturas:", false},
        {"lblqFact", {2955, 1410, 525, 195}, "0", true},
        {"Label3", {1215, 1695, 810, 195}, "Venta total:", false},
        {"lblTotalVenta", {2865, 1695, 840, 195}, "0,00", true},
        {"Label13", {4350, 1695, 450, 195}, "Saldo:", false},
        {"lblSaldo", {5895, 1695, 840, 195}, "0,00", true},
        {"Label9", {1215, 1980, 300, 195}, "IVA:", false},
        {"lblTotalIVA", {2865, 1980, 840, 195}, "0,00", true},
        {"Label8", {4335, 1980, 1020, 195}, "Comision total:", false},
        {"lblComisionTotal", {5895, 1980, 840, 195}, "0,00", true},
        {"Label11", {1215, 2265, 900, 195}, "Monto bruto:", false},
        {"lblMontoBruto", {2865, 2265, 840, 195}, "0,00", true},
        {"Label12", {4335, 2265, 1470, 195}, "Comision a acreditar:", false},
        {"lblComisionAcreditada", {5895, 2265, 840, 195}, "0,00", true},
    };
    for (const auto& s : summary) {
      Label& l = label(s.name, s.r, s.caption, false);
      if (s.value) l.setAlignment(Alignment::Right);
    }

    auto& frame = add<Frame>("Frame1", {7995, 135, 3750, 2400});
    frame.setBorderStyle(0);
    frame.setBackColor(colors::kWindow);
    add<Shape>("Shape1", {0, 45, 3750, 2340}, &frame);
    label("Label5", {90, -45, 1170, 225}, " Medio de pago ", false, &frame);
    auto& efectivo = option("optEfectivo", {285, 255, 1185, 195}, "Efectivo", frame);
    auto& cheque = option("optCheque", {285, 570, 1305, 255}, "Cheque", frame);
    auto& transferencia = option("optTransferencia", {285, 885, 1470, 255}, "Transferencia", frame);
    label("Label6", {705, 1230, 510, 195}, "Banco:", false, &frame);
    auto& banco = add<CodeLookupField>("codigoBanco", {1620, 1170, 2055, 345}, &frame);
    banco.setAppearance(0);
    label("Label7", {705, 1575, 825, 195}, "Referencia:", false, &frame);
    auto& ref = add<ReferenceTextBox>("refMovBanco", {1620, 1530, 1695, 315}, &frame);
    ref.setEnabled(false);
    auto& noPagar = option("optNoPagar", {285, 1905, 2490, 240}, "No pagar ahora (solo acreditar)", frame);
    efectivo.setValue(true);
    banco.setEnabled(false);
    auto bankFields = [this](bool on) {
      controlAs<CodeLookupField>("codigoBanco")->setEnabled(on);
      controlAs<ReferenceTextBox>("refMovBanco")->setEnabled(on);
    };
    efectivo.onClick = [bankFields] { bankFields(false); };
    cheque.onClick = [bankFields] { bankFields(true); };
    transferencia.onClick = [bankFields] { bankFields(true); };
    noPagar.onClick = [bankFields] { bankFields(false); };

    auto& shape2 = add<Shape>("Shape2", {105, 2670, 11640, 4815});
    shape2.setBorderColor(rgb(162, 182, 253));
    auto& grid = add<Grid>("detalles", {135, 2700, 11580, 4755});
    Grid::Colors gc;
    gc.fore = rgb(64, 64, 64);
    gc.backFixed = rgb(207, 226, 254);
    gc.foreFixed = rgb(64, 64, 64);
    gc.backSel = rgb(0, 0, 255);
    gc.foreSel = colors::kWhite;
    gc.backBkg = rgb(224, 224, 224);
    gc.grid = rgb(162, 182, 253);
    gc.gridFixed = rgb(162, 182, 253);
    grid.setGridColors(gc);
    grid.setFormatString(
        "^Fecha     |^Factura  |>Venta Neta   |>I.V.A.     |>Total       |>Saldo       |>Comision    |>% comis.|^Acreditar|<Nombre "
        "del cliente                 |Numero|codigoCliente|Comision cargada");
    for (int c = 10; c <= 12; ++c) grid.setColWidth(c, 0);
    grid.onKeyPress = [this](int16_t& k) {
      if (k == keys::kEnter || k == keys::kSpace) toggleMark();
    };
    grid.onDblClick = [this] { toggleMark(); };
    grid.onGotFocus = [this] { hint("Doble click o espacio: marcar la factura"); };

    auto& procesar = add<ActionButton>("cbProcesar", {8640, 7605, 1515, 510});
    styleActionButton(procesar, "Procesar");
    procesar.onClick = [this] { ++processClicks; };
    auto& cancelar = add<ActionButton>("cbCancelar", {10230, 7605, 1515, 510});
    styleActionButton(cancelar, "Cancelar");
    cancelar.setCancel(true);
    cancelar.setCausesValidation(false);
    cancelar.onClick = [this] { ++cancelClicks; };
    add<StatusBar>("StatusBar1", {0, 8280, 11880, 315});

    onKeyPress = [this](int16_t& k) {
      Control* active = activeControl();
      if (k == keys::kEnter && active != nullptr && active->kind() == ControlKind::Grid) k = keys::kSpace;
      if (k == '#') k = 0;                                 // swallowed
      if (k >= 'a' && k <= 'z') k = static_cast<int16_t>(k - 32);  // upper case
      lastKeyPreview = std::to_string(k);
    };
    onResize = [this] { formResize(); };
  }

 public:
  void fillInvoices(int count) {
    Grid& g = *controlAs<Grid>("detalles");
    g.setRedraw(false);
    g.setRows(count + 1);
    for (int r = 1; r <= count; ++r) {
      g.setTextMatrix(r, 0, "01/03/2024");
      g.setTextMatrix(r, 1, std::to_string(1000000 + r).substr(1));
      g.setTextMatrix(r, 2, "1.000,00");
      g.setTextMatrix(r, 6, "50,00");
      g.setTextMatrix(r, 8, "NO");
      g.setTextMatrix(r, 9, "Cliente " + std::to_string(r));
    }
    g.setRedraw(true);
    if (count > 0) g.setRow(1);
  }

 private:
  Label& label(const char* name, Rect r, const char* caption, bool autoSize, Control* container = nullptr) {
    auto& l = add<Label>(name, r, container);
    l.setBackColor(colors::kWindow);
    l.setAutoSize(autoSize);
    l.setCaption(caption);
    return l;
  }
  OptionButton& option(const char* name, Rect r, const char* caption, Frame& frame) {
    auto& o = add<OptionButton>(name, r, &frame);
    o.setCaption(caption);
    o.setBackColor(colors::kWindow);
    return o;
  }
  void hint(const std::string& text) {
    if (StatusBar* s = statusBar()) s->setPanelText(1, text);
  }
  void toggleMark() {
    Grid& g = *controlAs<Grid>("detalles");
    if (g.row() < 1) return;
    ++gridActions;
    g.setTextMatrix(g.row(), 8, g.textMatrix(g.row(), 8) == "SI" ? "NO" : "SI");
  }
  // The window's resize rules: never maximised, 12000 x 9000 at least, 14500 wide at most; the
  // grid grows with the window and the buttons keep to the bottom-right corner.
  void formResize() {
    if (windowState() == WindowState::Maximized) setWindowState(WindowState::Normal);
    if (windowState() == WindowState::Normal) {
      if (width() < 12000) setWidth(12000);
      if (height() < 9000) setHeight(9000);
      if (width() > 14500) setWidth(14500);
    }
    if (windowState() == WindowState::Minimized) return;
    const int w = clientWidth(), h = clientHeight();
    control("cbProcesar")->move(w - 3240, h - 990);
    control("cbCancelar")->move(w - 1650, h - 990);
    Control* grid = control("detalles");
    grid->move(grid->left(), grid->top(), w - 300, h - 3840);
    Control* shape = control("Shape2");
    shape->move(shape->left(), shape->top(), w - 240, h - 3780);
  }
};

class NumberDialog final : public Window {
 public:
  NumberDialog() : Window("fGetNumero") {}

  bool accepted = false;
  double acceptedValue = 0;

  // Asks and returns whether the operator accepted (modal).
  bool ask(const std::string& prompt, double start) {
    load();
    setCaption("Ajuste de comisiones");
    auto* l = controlAs<Label>("Label1");
    l->setCaption(prompt);
    auto* box = controlAs<NumberEntryBox>("Velnor1");
    box->setValue(start);
    box->setLeft(l->width() + 360);
    setWidth(box->left() + 2325);
    controlAs<ActionButton>("cbCancelar")->setLeft(clientWidth() + 120 - 1680);
    controlAs<ActionButton>("cbOk")->setLeft(controlAs<ActionButton>("cbCancelar")->left() - 1575);
    show(true);
    unload();
    return accepted;
  }

 protected:
  void build() override {
    setCaption("...");
    setBorderStyle(BorderStyle::FixedDialog);
    setShowInTaskbar(false);
    setStartUpPosition(StartUpPosition::CenterScreen);
    setClientSize(3390, 1440);
    auto& l = add<Label>("Label1", {90, 180, 480, 195});
    l.setAutoSize(true);
    l.setCaption("Label1");
    auto& box = add<NumberEntryBox>("Velnor1", {975, 120, 2160, 315});
    box.setShowCalc(true);
    box.setFormat("#,##0.00");
    box.setBackColor(colors::kWhite);
    auto& ok = add<ActionButton>("cbOk", {45, 615, 1515, 510});
    styleActionButton(ok, "Procesar");
    ok.setDefault(true);
    ok.setIcon("ok");
    ok.onClick = [this] {
      accepted = true;
      acceptedValue = controlAs<NumberEntryBox>("Velnor1")->value();
      hide();
    };
    auto& cancel = add<ActionButton>("cbCancelar", {1620, 615, 1515, 510});
    styleActionButton(cancel, "Cancelar");
    cancel.setCancel(true);
    cancel.setIcon("cancel");
    cancel.onClick = [this] {
      accepted = false;
      hide();
    };
  }
};

}  // namespace forms_qt_test
