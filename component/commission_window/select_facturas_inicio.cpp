// SelectFacturas: start-up, reset, the Cancel button and the window-wide key handling.

#include "automation/error.h"
#include "commission_window/intentar.h"
#include "commission_window/select_facturas.h"
#include "entry/globales.h"
#include "anfitrion/lookup_source.h"
#include "anfitrion/tema.h"
#include "settings/lm_form_placement.h"
#include "utilities/utilidades.h"

namespace tessaline {

using utilidades::Utilidades;
using utilidades::UtilidadesGrid;

void SelectFacturas::Form_Load() {
  // The host theme styles the window first.
  automation::Variant ventana(asObject());
  anfitrion::TemaUI(Globales::temaUI()).aplicarTema(ventana);
  Utilidades::prepararForm(*this);
  // A saved placement overrides the place prepararForm gave the window.
  lmFormPlacement::restoreFormPlacement(*this, "");

  cbProcesar->setIcon(anfitrion::Picture(factoria().getSysIcon(19)).iconName());
  cbCancelar->setIcon(anfitrion::Picture(factoria().getSysIcon(8)).iconName());

  fechaCargada = automation::Date();

  codigoVendedor->setLookupSource(std::make_shared<anfitrion::HostLookupSource>(
      automation::toObject(Globales::crearObjeto("Vendedor")), Globales::factoria(), "vendedores", "codigo", "nombre"));
  codigoBanco->setLookupSource(std::make_shared<anfitrion::HostLookupSource>(
      automation::toObject(Globales::crearObjeto("Banco")), Globales::factoria(), "bancos", "codigo", "nombre"));

  anchoSaldo = automation::cInt(automation::Variant(static_cast<int32_t>(detalles->colWidth(col::kSaldo))));
  detalles->setColWidth(col::kNumero, 0);
  detalles->setColWidth(col::kCodigoCliente, 0);
  detalles->setColWidth(col::kComisionCargada, 0);

  restoreMedioPago();

  mascara = empresa().mascaraMonetarios();
}

void SelectFacturas::reset() { limpiarVentana(nullptr); }

void SelectFacturas::limpiarVentana(std::optional<automation::Error>* primerError) {
  // Every step on its own when the first error is collected; otherwise the first failure ends it.
  auto paso = [primerError](auto&& f) {
    if (primerError == nullptr) {
      f();
    } else {
      intentar(f, primerError);
    }
  };
  // A window closed already is left alone (touching it would load it again).
  if (primerError != nullptr && !isLoaded()) return;
  if (vendedorFijo) {
    paso([&] { hide(); });
    paso([&] { unload(); });
    return;
  }
  paso([&] { codigoVendedor->setText(""); });
  paso([&] { nombreVendedor->setCaption(""); });
  paso([&] { fechaPago->setValue(automation::today()); });
  cantidadFacturas = 0;
  totalVenta = totalIVA = totalSaldo = totalComision = automation::Currency();
  paso([&] { codigoBanco->setText(""); });
  paso([&] { refMovBanco->setText(""); });
  paso([&] { optEfectivo->setValue(true); });
  paso([&] { updateResumen(); });
  vendedorCargado.clear();
  fechaCargada = automation::Date();
  paso([&] { limpiarLista(); });
  hayCambios = false;
  paso([&] { codigoVendedor->setFocus(); });
}

void SelectFacturas::limpiarLista() {
  lista_.limpiar();
  UtilidadesGrid::limpiarGrid(*detalles);
  // Nothing is marked any more.
  lblComisionAcreditada->setCaption(formato(automation::Variant(lista_.comisionAcreditar()), mascara));
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
