#pragma once
// SelectFacturas: the commission cut window ("Acreditacion/pago de comisiones").
//
// The window is built in select_facturas.cpp (controls with their design values, handler wiring,
// Form_Resize, stateJson); its routines live in one source file per area:
//   select_facturas_inicio.cpp    Form_Load, reset, cbCancelar_Click, Form_KeyPress
//   select_facturas_vendedor.cpp  setVendedor, the salesperson and date boxes, chkIncluirPendientes
//   select_facturas_carga.cpp     cargarFacturas, updateResumen
//   select_facturas_grid.cpp      grid actions (marking, viewers)
//   select_facturas_ajuste.cpp    commission adjustment through the number dialog
//   select_facturas_pago.cpp      payment method, remembered option, Form_Unload
//   select_facturas_proceso.cpp   cbProcesar_Click (the cut's steps are in corte.h)
//
// The invoices live in a typed list (lista_facturas.h): loading fills it, marking and adjusting
// change it, and the grid is drawn from it; processing reads it, never the grid's text.
//
// Controls are reached by their names (ControlRef members below): `codigoVendedor->text()`,
// `detalles->textMatrix(r, c)`. Touching a control of an unloaded window loads it again, as the
// platform does. Handlers are wired in build(), so every routine runs through the forms runtime's
// handler machinery (an error that escapes a handler is shown in an error box).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "automation/currency.h"
#include "automation/date.h"
#include "automation/variant.h"
#include "commission_window/corte.h"
#include "commission_window/lista_facturas.h"
#include "entry/live_objects.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "forms/window.h"
#include "anfitrion/empresa.h"
#include "anfitrion/host_factory.h"
#include "regional/regional_settings.h"

namespace tessaline {

// Grid `detalles`: column indexes.
namespace col {
inline constexpr int kFecha = 0;
inline constexpr int kFactura = 1;
inline constexpr int kVentaNeta = 2;
inline constexpr int kIVA = 3;
inline constexpr int kTotal = 4;
inline constexpr int kSaldo = 5;
inline constexpr int kComision = 6;
inline constexpr int kPComis = 7;
inline constexpr int kAcreditar = 8;
inline constexpr int kNombreCliente = 9;
inline constexpr int kNumero = 10;            // hidden: the invoice key
inline constexpr int kCodigoCliente = 11;     // hidden
inline constexpr int kComisionCargada = 12;   // hidden: the commission as loaded
inline constexpr int kCount = 13;
}  // namespace col

class SelectFacturas final : public forms::Window {
 public:
  // Header texts of the invoice grid (a leading '>' aligns right; the blanks give the widths).
  static constexpr const char* kFormatoDetalles =
      "Fecha           |Factura           |>Venta Neta |>I.V.A.            |>Total                 "
      "|>Saldo           |>Comision         |% comis.|Acreditar|Nombre del cliente                  "
      "                                               |||";

  SelectFacturas();
  ~SelectFacturas() override;

  // Fills in the salesperson (its text form), loads the invoices when a code was given (the
  // salesperson box is then locked for the window's life) and shows the window non-modally.
  // codVend is not modified.
  void setVendedor(automation::Variant& codVend);

  // The window's variables for `dump`: money as "0.0000" text, dates as YYYY-MM-DD.
  nlohmann::json stateJson() const override;

 protected:
  void build() override;

 private:
  // Tests reach the routines and the state through this.
  friend struct SelectFacturasAccess;

  // ---- Start-up, reset, closing (select_facturas_inicio.cpp) ----
  void Form_Load();
  void reset();
  // What reset does. With `primerError`, every step runs even when one fails, and the first
  // failure is kept there (after a commit, the window must not offer the processed rows again).
  void limpiarVentana(std::optional<automation::Error>* primerError);
  // No invoices: the grid and the list emptied together.
  void limpiarLista();
  void cbCancelar_Click();
  void Form_KeyPress(int16_t& KeyAscii);

  // ---- Salesperson and cut-off date (select_facturas_vendedor.cpp) ----
  void codigoVendedor_GotFocus();
  void fechaPago_GotFocus();
  void codigoVendedor_Validate(bool& Cancel);
  void fechaPago_Validate(bool& Cancel);
  void chkIncluirPendientes_Click();

  // ---- Invoice list and totals (select_facturas_carga.cpp) ----
  void cargarFacturas();
  void updateResumen();
  // Draws row i of the list into its grid row (the cells that marking and adjusting change).
  void pintarFila(size_t i);
  // The list row of the grid's current row, or nullopt on a row that holds no invoice.
  std::optional<size_t> filaActual() const;

  // ---- Grid actions (select_facturas_grid.cpp) ----
  void detalles_GotFocus();
  void detalles_DblClick();
  void detalles_KeyPress(int16_t& KeyAscii);
  void accionDetalles();
  void toggleAcreditar();
  void mostrarFactura();
  void mostrarCliente();

  // ---- Commission adjustment (select_facturas_ajuste.cpp) ----
  void inputComision();
  void inputPComis();
  // Row i's commission becomes `nueva` (as shown): totals, labels and the row's cells.
  void aplicarAjuste(size_t i, automation::Currency nueva);
  Presentacion presentacion() const;
  // A result the operator's entry gives that money cannot hold: told, nothing changes.
  static void avisarDesborde();

  // ---- Payment method (select_facturas_pago.cpp) ----
  void restoreMedioPago();
  void Form_Unload(bool& Cancel);
  void optEfectivo_Click();
  void optCheque_Click();
  void optTransferencia_Click();
  void optNoPagar_Click();
  void optEfectivo_GotFocus();
  void optTransferencia_GotFocus();
  void optNoPagar_GotFocus();
  void codigoBanco_GotFocus();
  void codigoBanco_Validate(bool& Cancel);

  // ---- Processing (select_facturas_proceso.cpp) ----
  void cbProcesar_Click();
  // The checks before anything is locked: false (the operator told why) when the cut cannot run.
  bool puedeProcesar();
  DatosCorte datosCorte();

  // ---- Layout (select_facturas.cpp) ----
  void Form_Resize();

  // ---- Helpers for the routines ----
  // The regional settings of the forms runtime (separators, short date).
  const regional::RegionalSettings& ajustesRegionales() const;
  // Text to number and number to text with those settings.
  const automation::NumberSymbols& simbolos() const;
  std::string formato(const automation::Variant& value, std::string_view pattern) const;
  // The host factory of the latest `go` (Globales::factoria), as a typed facade.
  static anfitrion::HostFactory factoria();
  // The company object (Globales::empresa), as a typed facade.
  static anfitrion::Empresa empresa();
  // Writes the hint into the first panel of the status bar.
  void mostrarAyuda(const std::string& texto);
  // A typed code as the window keeps it: blanks around it removed, letters in upper case.
  static std::string recortarMayusculas(const std::string& texto);

  // ---- Window state ----
  bool hayCambios = false;
  automation::Date fechaCargada;  // the zero date until a list is loaded
  std::string vendedorCargado;
  int16_t anchoSaldo = 0;
  int32_t cantidadFacturas = 0;
  automation::Currency totalVenta;
  automation::Currency totalIVA;
  automation::Currency totalSaldo;
  automation::Currency totalComision;
  bool vendedorFijo = false;
  std::string mascara;
  ListaFacturas lista_;

  // ---- Controls ----
  // Salesperson and date.
  forms::ControlRef<forms::Label> Label1{this, "Label1"};
  forms::ControlRef<forms::CodeLookupField> codigoVendedor{this, "codigoVendedor"};
  forms::ControlRef<forms::Label> nombreVendedor{this, "nombreVendedor"};
  forms::ControlRef<forms::Label> Label4{this, "Label4"};
  forms::ControlRef<forms::DateEntryBox> fechaPago{this, "fechaPago"};
  forms::ControlRef<forms::OptionCheckBox> chkIncluirPendientes{this, "chkIncluirPendientes"};
  // Summary.
  forms::ControlRef<forms::Label> Label2{this, "Label2"};
  forms::ControlRef<forms::Label> lblqFact{this, "lblqFact"};
  forms::ControlRef<forms::Label> Label3{this, "Label3"};
  forms::ControlRef<forms::Label> lblTotalVenta{this, "lblTotalVenta"};
  forms::ControlRef<forms::Label> Label13{this, "Label13"};
  forms::ControlRef<forms::Label> lblSaldo{this, "lblSaldo"};
  forms::ControlRef<forms::Label> Label9{this, "Label9"};
  forms::ControlRef<forms::Label> lblTotalIVA{this, "lblTotalIVA"};
  forms::ControlRef<forms::Label> Label8{this, "Label8"};
  forms::ControlRef<forms::Label> lblComisionTotal{this, "lblComisionTotal"};
  forms::ControlRef<forms::Label> Label11{this, "Label11"};
  forms::ControlRef<forms::Label> lblMontoBruto{this, "lblMontoBruto"};
  forms::ControlRef<forms::Label> Label12{this, "Label12"};
  forms::ControlRef<forms::Label> lblComisionAcreditada{this, "lblComisionAcreditada"};
  // Payment panel (inside Frame1).
  forms::ControlRef<forms::Frame> Frame1{this, "Frame1"};
  forms::ControlRef<forms::Shape> Shape1{this, "Shape1"};
  forms::ControlRef<forms::Label> Label5{this, "Label5"};
  forms::ControlRef<forms::OptionButton> optEfectivo{this, "optEfectivo"};
  forms::ControlRef<forms::OptionButton> optCheque{this, "optCheque"};
  forms::ControlRef<forms::OptionButton> optTransferencia{this, "optTransferencia"};
  forms::ControlRef<forms::Label> Label6{this, "Label6"};
  forms::ControlRef<forms::CodeLookupField> codigoBanco{this, "codigoBanco"};
  forms::ControlRef<forms::Label> Label7{this, "Label7"};
  forms::ControlRef<forms::ReferenceTextBox> refMovBanco{this, "refMovBanco"};
  forms::ControlRef<forms::OptionButton> optNoPagar{this, "optNoPagar"};
  // Grid, buttons, status bar.
  forms::ControlRef<forms::Shape> Shape2{this, "Shape2"};
  forms::ControlRef<forms::Grid> detalles{this, "detalles"};
  forms::ControlRef<forms::ActionButton> cbProcesar{this, "cbProcesar"};
  forms::ControlRef<forms::ActionButton> cbCancelar{this, "cbCancelar"};
  forms::ControlRef<forms::StatusBar> StatusBar1{this, "StatusBar1"};

  LiveObject live_;
};

}  // namespace tessaline
