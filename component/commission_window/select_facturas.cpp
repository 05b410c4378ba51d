// SelectFacturas: the window's controls with their design values, the wiring of its handlers,
// its layout on resize and its state for dumps.

#include "commission_window/select_facturas.h"

#include "entry/globales.h"
#include "estilo/botones.h"
#include "forms/application.h"
#include "forms/design.h"
#include "forms/json.h"
#include "regional/format.h"
#include "text/text.h"

namespace tessaline {

namespace {

// Design colours of the grid.
constexpr forms::Color kLineasGrid = forms::rgb(162, 182, 253);
constexpr forms::Color kTextoGrid = forms::rgb(64, 64, 64);

// Size range of the window (outer twips).
constexpr int kAnchoMinimo = 12000;
constexpr int kAltoMinimo = 9000;
constexpr int kAnchoMaximo = 14500;

constexpr int kAltoBarraEstado = 315;

void asLookup(forms::CodeLookupField& f, const char* titulo) {
  f.setTitle(titulo);
  f.setMaxLength(20);
  f.setText("");
  f.setAppearance(0);  // flat
}

// The window's design: its controls in creation order. The code boxes' lookup settings, the
// colours of the date box, the grid and the buttons are set in build().
namespace diseno {

using enum forms::ControlKind;

// Design values shared by many rows.
constexpr forms::DesignValues kEtiqueta{.back = forms::colors::kWindow, .fore = forms::colors::kWindowText};
constexpr forms::DesignValues kEtiquetaAjustada{
    .back = forms::colors::kWindow, .fore = forms::colors::kWindowText, .autoSize = true};
constexpr forms::DesignValues kValor{
    .back = forms::colors::kWindow, .fore = forms::colors::kWindowText, .alignment = forms::Alignment::Right};
constexpr forms::DesignValues kOpcion{.back = forms::colors::kWindow};

const forms::ControlDesign kControles[] = {
    // Salesperson and date.
    {Label, "Label1", "", {150, 165, 1515, 195}, "Codigo del vendedor:", 0, kEtiquetaAjustada},
    {CodeLookupField, "codigoVendedor", "", {1905, 120, 2070, 345}, "", 1},
    {Label, "nombreVendedor", "", {570, 555, 7125, 195}, "...nombre del vendedor...", 2, kEtiqueta},
    {Label, "Label4", "", {150, 945, 1155, 195}, "Fecha del pago:", 3, kEtiquetaAjustada},
    {DateEntryBox, "fechaPago", "", {1905, 915, 1710, 315}, "", 4, {.back = forms::colors::kWhite}},
    {OptionCheckBox, "chkIncluirPendientes", "", {4320, 960, 2130, 270}, "Incluir facturas pendientes", 5,
     {.back = forms::colors::kWindow, .value = 0}},
    // Summary.
    {Label, "Label2", "", {1215, 1410, 1515, 195}, "Cantidad de facturas:", 6, kEtiqueta},
    {Label, "lblqFact", "", {2955, 1410, 525, 195}, "0", 7, kValor},
    {Label, "Label3", "", {1215, 1695, 810, 195}, "Venta total:", 8, kEtiqueta},
    {Label, "lblTotalVenta", "", {2865, 1695, 840, 195}, "0,00", 9, kValor},
    {Label, "Label13", "", {4350, 1695, 450, 195}, "Saldo:", 10, kEtiqueta},
    {Label, "lblSaldo", "", {5895, 1695, 840, 195}, "0,00", 11, kValor},
    {Label, "Label9", "", {1215, 1980, 300, 195}, "IVA:", 12, kEtiqueta},
    {Label, "lblTotalIVA", "", {2865, 1980, 840, 195}, "0,00", 13, kValor},
    {Label, "Label8", "", {4335, 1980, 1020, 195}, "Comision total:", 14, kEtiqueta},
    {Label, "lblComisionTotal", "", {5895, 1980, 840, 195}, "0,00", 15, kValor},
    {Label, "Label11", "", {1215, 2265, 900, 195}, "Monto bruto:", 16, kEtiqueta},
    {Label, "lblMontoBruto", "", {2865, 2265, 840, 195}, "0,00", 17, kValor},
    {Label, "Label12", "", {4335, 2265, 1470, 195}, "Comision a acreditar:", 18, kEtiqueta},
    {Label, "lblComisionAcreditada", "", {5895, 2265, 840, 195}, "0,00", 19, kValor},
    // Payment panel.
    {Frame, "Frame1", "", {7995, 135, 3750, 2400}, "", 20, {.back = forms::colors::kWindow, .border = 0}},
    {Shape, "Shape1", "Frame1", {0, 45, 3750, 2340}},
    {Label, "Label5", "Frame1", {90, -45, 1170, 225}, " Medio de pago ", 21, kEtiqueta},
    {OptionButton, "optEfectivo", "Frame1", {285, 255, 1185, 195}, "Efectivo", 22,
     {.back = forms::colors::kWindow, .value = 1}},
    {OptionButton, "optCheque", "Frame1", {285, 570, 1305, 255}, "Cheque", 23, kOpcion},
    {OptionButton, "optTransferencia", "Frame1", {285, 885, 1470, 255}, "Transferencia", 24, kOpcion},
    {Label, "Label6", "Frame1", {705, 1230, 510, 195}, "Banco:", 25, kEtiqueta},
    {CodeLookupField, "codigoBanco", "Frame1", {1620, 1170, 2055, 345}, "", 26},
    {Label, "Label7", "Frame1", {705, 1575, 825, 195}, "Referencia:", 27, kEtiqueta},
    {ReferenceTextBox, "refMovBanco", "Frame1", {1620, 1530, 1695, 315}, "", 28,
     {.back = forms::colors::kWhite, .enabled = false}},
    {OptionButton, "optNoPagar", "Frame1", {285, 1905, 2490, 240}, "No pagar ahora (solo acreditar)", 29, kOpcion},
    // Invoice grid, buttons, status bar.
    {Shape, "Shape2", "", {105, 2670, 11640, 4815}, "", -1, {.borderColor = kLineasGrid}},
    {Grid, "detalles", "", {135, 2700, 11580, 4755}, "", 30, {.format = SelectFacturas::kFormatoDetalles}},
    {ActionButton, "cbProcesar", "", {8640, 7605, 1515, 510}, "Procesar", 31},
    {ActionButton, "cbCancelar", "", {10230, 7605, 1515, 510}, "Cancelar", 32,
     {.isCancel = true, .causesValidation = false}},
    {StatusBar, "StatusBar1", "", {0, 8280, 11880, kAltoBarraEstado}, "", 33},
};

}  // namespace diseno

}  // namespace

SelectFacturas::SelectFacturas() : Window("SelectFacturas") {}

SelectFacturas::~SelectFacturas() = default;

void SelectFacturas::build() {
  setCaption("Acreditacion/pago de comisiones");
  setBorderStyle(forms::BorderStyle::Sizable);
  setKeyPreview(true);
  setStartUpPosition(forms::StartUpPosition::Manual);
  setBackColor(forms::colors::kWindow);
  setForeColor(forms::colors::kWindowText);
  setClientSize(11880, 8595);

  addDesign(diseno::kControles);

  asLookup(*codigoVendedor, "Vendedor");
  asLookup(*codigoBanco, "Banco");
  {
    forms::ThemeColors theme;
    theme.backFocused = forms::colors::kWhite;
    theme.borderFocused = forms::rgb(0, 0, 255);
    fechaPago->setThemeColors(theme);
  }
  {
    forms::Grid::Colors colores;
    colores.back = forms::colors::kWhite;
    colores.fore = kTextoGrid;
    colores.backFixed = forms::rgb(207, 226, 254);
    colores.foreFixed = kTextoGrid;
    colores.backSel = forms::rgb(0, 0, 255);
    colores.foreSel = forms::colors::kWhite;
    colores.backBkg = kGrisDeshabilitado;
    colores.grid = kLineasGrid;
    colores.gridFixed = kLineasGrid;
    detalles->setGridColors(colores);
  }
  for (forms::ActionButton* b : {cbProcesar.get(), cbCancelar.get()}) asActionButton(*b, b->caption());

  // ---- Handlers ----
  codigoVendedor->onGotFocus = [this] { codigoVendedor_GotFocus(); };
  codigoVendedor->onValidate = [this](bool& cancel) { codigoVendedor_Validate(cancel); };
  fechaPago->onGotFocus = [this] { fechaPago_GotFocus(); };
  fechaPago->onValidate = [this](bool& cancel) { fechaPago_Validate(cancel); };
  chkIncluirPendientes->onClick = [this] { chkIncluirPendientes_Click(); };
  optEfectivo->onClick = [this] { optEfectivo_Click(); };
  optEfectivo->onGotFocus = [this] { optEfectivo_GotFocus(); };
  optCheque->onClick = [this] { optCheque_Click(); };
  optTransferencia->onClick = [this] { optTransferencia_Click(); };
  optTransferencia->onGotFocus = [this] { optTransferencia_GotFocus(); };
  codigoBanco->onGotFocus = [this] { codigoBanco_GotFocus(); };
  codigoBanco->onValidate = [this](bool& cancel) { codigoBanco_Validate(cancel); };
  optNoPagar->onClick = [this] { optNoPagar_Click(); };
  optNoPagar->onGotFocus = [this] { optNoPagar_GotFocus(); };
  detalles->onGotFocus = [this] { detalles_GotFocus(); };
  detalles->onDblClick = [this] { detalles_DblClick(); };
  detalles->onKeyPress = [this](int16_t& keyAscii) { detalles_KeyPress(keyAscii); };
  cbProcesar->onClick = [this] { cbProcesar_Click(); };
  cbCancelar->onClick = [this] { cbCancelar_Click(); };

  // ---- Window events ----
  onLoad = [this] { Form_Load(); };
  onResize = [this] { Form_Resize(); };
  onKeyPress = [this](int16_t& keyAscii) { Form_KeyPress(keyAscii); };
  onUnload = [this](bool& cancel) { Form_Unload(cancel); };
}

void SelectFacturas::Form_Resize() {
  // Never left maximised.
  if (windowState() == forms::WindowState::Maximized) setWindowState(forms::WindowState::Normal);

  // Size range, one check after the other; each change runs this handler again (nested).
  if (windowState() == forms::WindowState::Normal) {
    if (width() < kAnchoMinimo) setWidth(kAnchoMinimo);
    if (height() < kAltoMinimo) setHeight(kAltoMinimo);
    if (width() > kAnchoMaximo) setWidth(kAnchoMaximo);
  }

  if (windowState() == forms::WindowState::Minimized) return;

  // Computed in 32 bits: the height has no upper limit, so a client area taller than 32767
  // twips must still lay out.
  const int32_t alto = clientHeight();
  const int32_t ancho = clientWidth();
  cbProcesar->move(ancho - 3240, alto - 990);
  cbCancelar->move(ancho - 1650, alto - 990);
  detalles->setWidth(ancho - 300);
  detalles->setHeight(alto - 3840);
  Shape2->setWidth(ancho - 240);
  Shape2->setHeight(alto - 3780);
}

nlohmann::json SelectFacturas::stateJson() const {
  using forms::jsonValue;
  nlohmann::json j = nlohmann::json::object();
  j["hayCambios"] = hayCambios;
  j["fechaCargada"] = jsonValue(automation::Variant(fechaCargada));
  j["vendedorCargado"] = vendedorCargado;
  j["anchoSaldo"] = anchoSaldo;
  j["cantidadFacturas"] = cantidadFacturas;
  j["totalVenta"] = jsonValue(automation::Variant(totalVenta));
  j["totalIVA"] = jsonValue(automation::Variant(totalIVA));
  j["totalSaldo"] = jsonValue(automation::Variant(totalSaldo));
  j["totalComision"] = jsonValue(automation::Variant(totalComision));
  j["comisionAcreditar"] = jsonValue(automation::Variant(lista_.comisionAcreditar()));
  j["vendedorFijo"] = vendedorFijo;
  j["mascara"] = mascara;
  return j;
}

const regional::RegionalSettings& SelectFacturas::ajustesRegionales() const {
  return application().regionalSettings();
}

const automation::NumberSymbols& SelectFacturas::simbolos() const { return ajustesRegionales().symbols(); }

std::string SelectFacturas::formato(const automation::Variant& value, std::string_view pattern) const {
  return regional::format(value, pattern, ajustesRegionales());
}

anfitrion::HostFactory SelectFacturas::factoria() { return anfitrion::HostFactory(Globales::factoria()); }

anfitrion::Empresa SelectFacturas::empresa() { return anfitrion::Empresa(Globales::empresa()); }

void SelectFacturas::mostrarAyuda(const std::string& texto) { StatusBar1->setPanelText(1, texto); }

std::string SelectFacturas::recortarMayusculas(const std::string& texto) { return text::upperCode(texto); }

}  // namespace tessaline
