#pragma once
// Windows for the view's tests: a sizable window with one control of each kind the view draws
// (a panel of options, a list with hidden columns, a docked status bar), and a modal number dialog.

#include <memory>
#include <string>

#include "forms/application.h"
#include "forms/controls.h"
#include "forms/design.h"
#include "forms/grid.h"
#include "forms/window.h"

namespace forms_qt_test {

using namespace forms;

// The themed button face; controls painted on the window's colour.
inline constexpr DesignValues kButton{.back = rgb(7, 116, 205), .fore = colors::kWhite};
inline constexpr DesignValues kOnWindow{.back = colors::kWindow};

// Client area 9000 x 6000 twips (600 x 400 pixels).
class TestWindow final : public Window {
 public:
  TestWindow() : Window("Prueba") {}

  // Rows of the list: date, number, amount, mark (column 3), customer; two hidden key columns.
  void fillRows(int count) {
    Grid& g = *controlAs<Grid>("lista");
    g.setRedraw(false);
    g.setRows(count + 1);
    for (int r = 1; r <= count; ++r) {
      const std::string cells[] = {"01/03/2024", std::to_string(r), "1.000,00", "NO", "Cliente " + std::to_string(r)};
      for (int c = 0; c < 5; ++c) g.setTextMatrix(r, c, cells[c]);
    }
    g.setRedraw(true);
    if (count > 0) g.setRow(1);
  }

 protected:
  void build() override {
    setCaption("Ventana de prueba");
    setBorderStyle(BorderStyle::Sizable);
    setKeyPreview(true);
    setBackColor(colors::kWindow);
    setStartUpPosition(StartUpPosition::Manual);
    setClientSize(9000, 6000);
    {
      using enum ControlKind;
      static const ControlDesign kDesign[] = {
          {Label, "lblCodigo", "", {150, 165, 1200, 195}, "Codigo:", 0, {.back = colors::kWindow, .autoSize = true}},
          {CodeLookupField, "codigo", "", {1500, 120, 1800, 345}, "", 1},
          {DateEntryBox, "fecha", "", {1500, 600, 1710, 315}, "", 2},
          {OptionCheckBox, "marca", "", {3600, 630, 2100, 270}, "Solo pendientes", 3, kOnWindow},
          {Label, "lblNombre", "", {150, 1050, 3000, 195}, "...nombre...", 4, kOnWindow},
          {Frame, "panel", "", {6000, 120, 2850, 1800}, "", 5, {.back = colors::kWindow, .border = 0}},
          {Shape, "caja", "panel", {0, 45, 2850, 1740}},
          {Label, "lblPanel", "panel", {90, -45, 900, 225}, " Pago ", 6, kOnWindow},
          {OptionButton, "optNo", "panel", {285, 300, 1500, 255}, "Sin banco", 7,
           {.back = colors::kWindow, .value = 1}},
          {OptionButton, "optBanco", "panel", {285, 630, 1500, 255}, "Con banco", 8, kOnWindow},
          {CodeLookupField, "banco", "panel", {285, 960, 1800, 345}, "", 9, {.enabled = false}},
          {ReferenceTextBox, "referencia", "panel", {285, 1350, 1800, 315}, "", 10, {.enabled = false}},
          {Shape, "borde", "", {105, 2070, 8790, 2880}, "", -1, {.borderColor = rgb(162, 182, 253)}},
          {Grid, "lista", "", {135, 2100, 8730, 2820}, "", 11,
           {.format = "^Fecha     |^Numero  |>Importe      |^Marca|<Cliente                     |Clave|Oculta"}},
          {ActionButton, "cbAceptar", "", {5970, 5205, 1440, 450}, "Aceptar", 12, kButton},
          {ActionButton, "cbCancelar", "", {7455, 5205, 1440, 450}, "Cancelar", 13,
           {.back = kButton.back, .fore = kButton.fore, .isCancel = true, .causesValidation = false}},
          {StatusBar, "barra", "", {0, 5700, 9000, 300}, "", 14},
      };
      addDesign(kDesign);
    }

    Grid& grid = *controlAs<Grid>("lista");
    grid.setGridColors({.backFixed = rgb(207, 226, 254), .backSel = rgb(0, 0, 255)});
    for (int hidden : {5, 6}) grid.setColWidth(hidden, 0);
    grid.onKeyPress = [this](int16_t& k) {
      if (k == keys::kEnter || k == keys::kSpace) toggleMark();
    };
    grid.onDblClick = [this] { toggleMark(); };

    auto& codigo = *controlAs<CodeLookupField>("codigo");
    codigo.onValidate = [&codigo](bool& cancel) { cancel = !codigo.text().empty() && codigo.text() != "A01"; };
    auto bankFields = [this](bool on) {
      control("banco")->setEnabled(on);
      control("referencia")->setEnabled(on);
    };
    control("optNo")->onClick = [bankFields] { bankFields(false); };
    control("optBanco")->onClick = [bankFields] { bankFields(true); };

    // Enter on the list acts as Space; letters are upper-cased and '#' is swallowed.
    onKeyPress = [this](int16_t& k) {
      Control* active = activeControl();
      if (k == keys::kEnter && active != nullptr && active->kind() == ControlKind::Grid) k = keys::kSpace;
      if (k == '#') k = 0;
      if (k >= 'a' && k <= 'z') k = static_cast<int16_t>(k - 32);
    };
  }

 private:
  void toggleMark() {
    Grid& g = *controlAs<Grid>("lista");
    if (g.row() < 1) return;
    g.setTextMatrix(g.row(), 3, g.textMatrix(g.row(), 3) == "SI" ? "NO" : "SI");
  }
};

class NumberDialog final : public Window {
 public:
  NumberDialog() : Window("Numero") {}

  bool accepted = false;
  double acceptedValue = 0;

  // Asks and returns whether the operator accepted (modal).
  bool ask(const std::string& prompt, double start) {
    load();
    controlAs<Label>("lblPregunta")->setCaption(prompt);
    controlAs<NumberEntryBox>("importe")->setValue(start);
    show(true);
    unload();
    return accepted;
  }

 protected:
  void build() override {
    setCaption("Importe");
    setBorderStyle(BorderStyle::FixedDialog);
    setStartUpPosition(StartUpPosition::CenterScreen);
    setClientSize(3390, 1440);
    {
      using enum ControlKind;
      static const ControlDesign kDesign[] = {
          {Label, "lblPregunta", "", {90, 180, 480, 195}, "Importe:", 0, {.autoSize = true}},
          {NumberEntryBox, "importe", "", {975, 120, 2160, 315}, "", 1,
           {.back = colors::kWhite, .format = "#,##0.00", .showCalc = true}},
          {ActionButton, "cbOk", "", {45, 615, 1515, 510}, "Aceptar", 2, {.isDefault = true}},
          {ActionButton, "cbCancelar", "", {1620, 615, 1515, 510}, "Cancelar", 3, {.isCancel = true}},
      };
      addDesign(kDesign);
    }
    control("cbOk")->onClick = [this] {
      accepted = true;
      acceptedValue = controlAs<NumberEntryBox>("importe")->value();
      hide();
    };
    control("cbCancelar")->onClick = [this] { hide(); };
  }
};

}  // namespace forms_qt_test
