// SelectFacturas: the window's controls with their design values, the wiring of its handlers,
// its layout on resize and its state for dumps.

#include "commission_window/select_facturas.h"

#include "entry/globales.h"
#include "estilo/botones.h"
#include "forms/application.h"
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

void asLabel(forms::Label& l, const std::string& caption) {
  l.setBackColor(forms::colors::kWindow);
  l.setForeColor(forms::colors::kWindowText);
  l.setCaption(caption);
}

void asValueLabel(forms::Label& l, const std::string& caption) {
  asLabel(l, caption);
  l.setAlignment(forms::Alignment::Right);
}

void asLookup(forms::CodeLookupField& f, const char* titulo) {
  f.setTitle(titulo);
  f.setMaxLength(20);
  f.setText("");
  f.setAppearance(0);  // flat
}

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

  // ---- Salesperson and date ----
  auto& label1 = add<forms::Label>("Label1", {150, 165, 1515, 195});
  asLabel(label1, "Codigo del vendedor:");
  label1.setAutoSize(true);
  label1.setTabIndex(0);

  auto& vendedor = add<forms::CodeLookupField>("codigoVendedor", {1905, 120, 2070, 345});
  asLookup(vendedor, "Vendedor");
  vendedor.setTabIndex(1);
  vendedor.onGotFocus = [this] { codigoVendedor_GotFocus(); };
  vendedor.onValidate = [this](bool& cancel) { codigoVendedor_Validate(cancel); };

  auto& nombre = add<forms::Label>("nombreVendedor", {570, 555, 7125, 195});
  asLabel(nombre, "...nombre del vendedor...");
  nombre.setAlignment(forms::Alignment::Left);
  nombre.setTabIndex(2);

  auto& label4 = add<forms::Label>("Label4", {150, 945, 1155, 195});
  asLabel(label4, "Fecha del pago:");
  label4.setAutoSize(true);
  label4.setTabIndex(3);

  auto& fecha = add<forms::DateEntryBox>("fechaPago", {1905, 915, 1710, 315});
  fecha.setBackColor(forms::colors::kWhite);
  {
    forms::ThemeColors theme;
    theme.backFocused = forms::colors::kWhite;
    theme.borderFocused = forms::rgb(0, 0, 255);
    fecha.setThemeColors(theme);
  }
  fecha.setTabIndex(4);
  fecha.onGotFocus = [this] { fechaPago_GotFocus(); };
  fecha.onValidate = [this](bool& cancel) { fechaPago_Validate(cancel); };

  auto& pendientes = add<forms::OptionCheckBox>("chkIncluirPendientes", {4320, 960, 2130, 270});
  pendientes.setBackColor(forms::colors::kWindow);
  pendientes.setCaption("Incluir facturas pendientes");
  pendientes.setValue(0);
  pendientes.setTabIndex(5);
  pendientes.onClick = [this] { chkIncluirPendientes_Click(); };

  // ---- Summary ----
  struct Par {
    const char* name;
    forms::Rect rect;
    const char* caption;
    bool value;
  };
  const Par resumen[] = {
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
  int tab = 6;
  for (const Par& p : resumen) {
    auto& l = add<forms::Label>(p.name, p.rect);
    if (p.value) {
      asValueLabel(l, p.caption);
    } else {
      asLabel(l, p.caption);
    }
    l.setTabIndex(tab++);
  }

  // ---- Payment panel ----
  auto& frame = add<forms::Frame>("Frame1", {7995, 135, 3750, 2400});
  frame.setCaption("");
  frame.setBorderStyle(0);
  frame.setBackColor(forms::colors::kWindow);
  frame.setTabIndex(20);

  add<forms::Shape>("Shape1", {0, 45, 3750, 2340}, &frame);

  auto& label5 = add<forms::Label>("Label5", {90, -45, 1170, 225}, &frame);
  asLabel(label5, " Medio de pago ");
  label5.setTabIndex(21);

  auto option = [&](const char* name, forms::Rect rect, const char* caption, int tabIndex) -> forms::OptionButton& {
    auto& o = add<forms::OptionButton>(name, rect, &frame);
    o.setBackColor(forms::colors::kWindow);
    o.setCaption(caption);
    o.setTabIndex(tabIndex);
    return o;
  };
  auto& efectivo = option("optEfectivo", {285, 255, 1185, 195}, "Efectivo", 22);
  efectivo.setValue(true);
  efectivo.onClick = [this] { optEfectivo_Click(); };
  efectivo.onGotFocus = [this] { optEfectivo_GotFocus(); };
  auto& cheque = option("optCheque", {285, 570, 1305, 255}, "Cheque", 23);
  cheque.onClick = [this] { optCheque_Click(); };
  auto& transferencia = option("optTransferencia", {285, 885, 1470, 255}, "Transferencia", 24);
  transferencia.onClick = [this] { optTransferencia_Click(); };
  transferencia.onGotFocus = [this] { optTransferencia_GotFocus(); };

  auto& label6 = add<forms::Label>("Label6", {705, 1230, 510, 195}, &frame);
  asLabel(label6, "Banco:");
  label6.setTabIndex(25);

  auto& banco = add<forms::CodeLookupField>("codigoBanco", {1620, 1170, 2055, 345}, &frame);
  asLookup(banco, "Banco");
  banco.setTabIndex(26);
  banco.onGotFocus = [this] { codigoBanco_GotFocus(); };
  banco.onValidate = [this](bool& cancel) { codigoBanco_Validate(cancel); };

  auto& label7 = add<forms::Label>("Label7", {705, 1575, 825, 195}, &frame);
  asLabel(label7, "Referencia:");
  label7.setTabIndex(27);

  auto& referencia = add<forms::ReferenceTextBox>("refMovBanco", {1620, 1530, 1695, 315}, &frame);
  referencia.setEnabled(false);
  referencia.setBackColor(forms::colors::kWhite);
  referencia.setText("");
  referencia.setPasswordChar("");
  referencia.setTabIndex(28);

  auto& noPagar = option("optNoPagar", {285, 1905, 2490, 240}, "No pagar ahora (solo acreditar)", 29);
  noPagar.onClick = [this] { optNoPagar_Click(); };
  noPagar.onGotFocus = [this] { optNoPagar_GotFocus(); };

  // ---- Invoice grid, buttons, status bar ----
  auto& marco = add<forms::Shape>("Shape2", {105, 2670, 11640, 4815});
  marco.setBorderColor(kLineasGrid);

  auto& grid = add<forms::Grid>("detalles", {135, 2700, 11580, 4755});
  grid.setFormatString(kFormatoDetalles);
  grid.setFixedRows(1);
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
    grid.setGridColors(colores);
  }
  grid.setTabIndex(30);
  grid.onGotFocus = [this] { detalles_GotFocus(); };
  grid.onDblClick = [this] { detalles_DblClick(); };
  grid.onKeyPress = [this](int16_t& keyAscii) { detalles_KeyPress(keyAscii); };

  auto& procesar = add<forms::ActionButton>("cbProcesar", {8640, 7605, 1515, 510});
  asActionButton(procesar, "Procesar");
  procesar.setTabIndex(31);
  procesar.onClick = [this] { cbProcesar_Click(); };

  auto& cancelar = add<forms::ActionButton>("cbCancelar", {10230, 7605, 1515, 510});
  asActionButton(cancelar, "Cancelar");
  cancelar.setCancel(true);
  cancelar.setCausesValidation(false);
  cancelar.setTabIndex(32);
  cancelar.onClick = [this] { cbCancelar_Click(); };

  auto& barra = add<forms::StatusBar>("StatusBar1", {0, 8280, 11880, kAltoBarraEstado});
  barra.setTabIndex(33);

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
