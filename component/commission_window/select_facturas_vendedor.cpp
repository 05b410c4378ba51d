// SelectFacturas: the salesperson and the cut-off date, and the box that includes invoices still
// owing.

#include "automation/error.h"
#include "commission_window/select_facturas.h"
#include "anfitrion/documentos.h"
#include "utilities/utilidades.h"

namespace tessaline {

using utilidades::Utilidades;

namespace {
constexpr const char* kPreguntaAbandonar = "¿Desea abandonar los cambios?";
}

void SelectFacturas::setVendedor(automation::Variant& codVend) {
  codigoVendedor->setText(automation::cStr(codVend, simbolos()));
  if (!codigoVendedor->registro()) {
    nombreVendedor->setCaption("");
  } else {
    nombreVendedor->setCaption(automation::cStr(anfitrion::VendedorRegistro(codigoVendedor->registro()).nombre(), simbolos()));
  }
  vendedorCargado = automation::cStr(codVend, simbolos());

  const auto comparado = automation::compare(codVend, automation::Variant(""));
  if (comparado && *comparado != 0) {
    vendedorFijo = true;
    Utilidades::deshabilitar(*codigoVendedor);
    cargarFacturas();
  }
  show();
}

void SelectFacturas::codigoVendedor_GotFocus() {
  mostrarAyuda("Introduzca el código del vendedor con el que va a trabajar (F2: buscar)");
}

void SelectFacturas::fechaPago_GotFocus() { mostrarAyuda("Introduzca la fecha de corte"); }

void SelectFacturas::codigoVendedor_Validate(bool& Cancel) {
  codigoVendedor->setText(recortarMayusculas(codigoVendedor->text()));
  const std::string codigo = codigoVendedor->text();

  if (codigo.empty()) {
    factoria().mAdvertencia("Introduzca el código de un vendedor");
    Cancel = true;
    return;
  }
  // Accepting the code reloads the list, also for the code already loaded: unsaved changes are
  // only dropped after the operator agrees. Declining keeps them, with the loaded salesperson and
  // list, and lets the focus go on (keeping it here would ask again at every attempt to leave).
  if (hayCambios) {
    if (!Utilidades::confirmar(kPreguntaAbandonar, 0, "")) {
      codigoVendedor->setText(vendedorCargado);
      return;
    }
  }
  if (!codigoVendedor->registro()) {
    factoria().mAdvertencia("Codigo inválido");
    Cancel = true;
    return;
  }

  nombreVendedor->setCaption(automation::cStr(anfitrion::VendedorRegistro(codigoVendedor->registro()).nombre(), simbolos()));
  vendedorCargado = codigoVendedor->text();
  fechaPago->setValue(automation::today());
  fechaCargada = automation::Date();
  limpiarLista();
  hayCambios = false;
  cargarFacturas();
}

void SelectFacturas::fechaPago_Validate(bool& Cancel) {
  if (fechaPago->value() == fechaCargada) return;

  if (hayCambios && !Utilidades::confirmar(kPreguntaAbandonar, 0, "")) {
    fechaPago->setValue(fechaCargada);
    Cancel = true;
    return;
  }
  if (fechaPago->value() > automation::today()) {
    Utilidades::mostrarMensaje("La fecha no puede ser posterior al día de hoy");
    Cancel = true;
    return;
  }
  fechaCargada = fechaPago->value();
  hayCambios = false;
  cargarFacturas();
}

void SelectFacturas::chkIncluirPendientes_Click() {
  if (hayCambios && !Utilidades::confirmar(kPreguntaAbandonar, 0, "")) return;
  cargarFacturas();
}

}  // namespace tessaline
