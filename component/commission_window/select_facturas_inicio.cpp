// SelectFacturas: start-up, reset, the Cancel button and the window-wide key handling.

#include "automation/error.h"
#include "commission_window/select_facturas.h"
#include "entry/globales.h"
#include "host/lookup_source.h"
#include "host/tema.h"
#include "settings/lm_form_placement.h"
#include "settings/lm_form_placement.h"
#include "utilities/utilidades.h"

namespace tessaline {

using utilidades::Utilidades;
using utilidades::UtilidadesGrid;

void SelectFacturas::Form_Load() {
  // The host theme styles the window first.
  automation::Variant ventana(asObject());
  host::TemaUI(Globales::temaUI()).aplicarTema(ventana);
  Utilidades::prepararForm(*this);
  // A saved placement overrides the place prepararForm gave the window.
  lmFormPlacement::restoreFormPlacement(*this, "");

  cbProcesar->setIcon(host::Picture(factoria().getSysIcon(19)).iconName());
  cbCancelar->setIcon(host::Picture(factoria().getSysIcon(8)).iconName());

  fechaCargada = automation::Date();

  codigoVendedor->setLookupSource(std::make_shared<host::HostLookupSource>(
      automation::toObject(Globales::crearObjeto("Vendedor")), Globales::factoria(), "vendedores", "codigo", "nombre"));
  codigoBanco->setLookupSource(std::make_shared<host::HostLookupSource>(
      automation::toObject(Globales::crearObjeto("Banco")), Globales::factoria(), "bancos", "codigo", "nombre"));

  anchoSaldo = automation::cInt(automation::Variant(static_cast<int32_t>(detalles->colWidth(col::kSaldo))));
  detalles->setColWidth(col::kNumero, 0);
  detalles->setColWidth(col::kCodigoCliente, 0);
  detalles->setColWidth(col::kComisionCargada, 0);

  restoreMedioPago();

  mascara = empresa().mascaraMonetarios();
}

void SelectFacturas::reset() {
  if (vendedorFijo) {
    hide();
    unload();
    return;
  }
  codigoVendedor->setText("");
  nombreVendedor->setCaption("");
  fechaPago->setValue(automation::today());
  cantidadFacturas = 0;
  totalVenta = totalIVA = totalSaldo = totalComision = automation::Currency();
  codigoBanco->setText("");
  refMovBanco->setText("");
  optEfectivo->setValue(true);
  updateResumen();
  vendedorCargado.clear();
  fechaCargada = automation::Date();
  UtilidadesGrid::limpiarGrid(*detalles);
  hayCambios = false;
  codigoVendedor->setFocus();
}

void SelectFacturas::cbCancelar_Click() {
  if (hayCambios && !Utilidades::confirmar("¿Desea perder los cambios?", 0, "")) return;
  if (!codigoVendedor->text().empty()) {
    reset();
  } else {
    hide();
    unload();
  }
}

void SelectFacturas::Form_KeyPress(int16_t& KeyAscii) {
  // Enter on the grid acts as the space key does there.
  if (KeyAscii == forms::keys::kEnter && activeControl() == detalles.get()) KeyAscii = forms::keys::kSpace;
  Utilidades::procesarTecla(KeyAscii, activeControl());
}

}  // namespace tessaline
