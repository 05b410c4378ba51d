// SelectFacturas: what a double-click, Space or Enter does on the invoice grid: mark or unmark an
// invoice for crediting, open the invoice or its customer in the host's viewers, or change the
// commission (select_facturas_ajuste.cpp).

#include <optional>

#include "automation/error.h"
#include "commission_window/intentar.h"
#include "commission_window/select_facturas.h"
#include "entry/globales.h"
#include "anfitrion/documentos.h"
#include "utilities/utilidades.h"

namespace tessaline {

using utilidades::Utilidades;

void SelectFacturas::detalles_GotFocus() {
  mostrarAyuda(
      "DobleClick ([Espacio][Intro]): [\"Factura\"=Ver documento] [\"Comision\"=Modificar comision] "
      "[\"%Comis\"=Modificar porcentaje] [\"Acreditar\"=marcar/desmarcar]");
}

void SelectFacturas::detalles_DblClick() { accionDetalles(); }

void SelectFacturas::detalles_KeyPress(int16_t& KeyAscii) {
  if (KeyAscii == forms::keys::kEnter || KeyAscii == forms::keys::kSpace) accionDetalles();
}

std::optional<size_t> SelectFacturas::filaActual() const {
  const forms::Grid& grid = *detalles;
  // A header row, or a row below the last invoice, holds no invoice.
  const int fila = grid.row() - grid.fixedRows();
  if (fila < 0 || static_cast<size_t>(fila) >= lista_.size()) return std::nullopt;
  return static_cast<size_t>(fila);
}

void SelectFacturas::pintarFila(size_t i) {
  const FilaFactura& f = lista_[i];
  forms::Grid& grid = *detalles;
  const int fila = grid.fixedRows() + static_cast<int>(i);
  grid.setTextMatrix(fila, col::kComision, formato(automation::Variant(f.comision), mascara));
  grid.setTextMatrix(fila, col::kPComis, formato(automation::Variant(f.porcentaje), "0.00"));
  grid.setTextMatrix(fila, col::kAcreditar, f.acreditar ? "SI" : "NO");
}

void SelectFacturas::accionDetalles() {
  if (!filaActual()) return;
  switch (detalles->col()) {
    case col::kFactura:
      mostrarFactura();
      break;
    case col::kComision:
      inputComision();
      break;
    case col::kPComis:
      inputPComis();
      break;
    case col::kAcreditar:
      toggleAcreditar();
      break;
    case col::kNombreCliente:
      mostrarCliente();
      break;
    default:
      break;
  }
}

void SelectFacturas::toggleAcreditar() {
  const std::optional<size_t> i = filaActual();
  if (!i) return;
  bool marcada = false;
  try {
    marcada = lista_.alternarMarca(*i);
  } catch (const automation::Error&) {
    avisarDesborde();
    return;
  }
  // Unmarking never clears the pending changes.
  if (marcada) hayCambios = true;
  intentar([&] { pintarFila(*i); });
  intentar([&] { lblComisionAcreditada->setCaption(formato(automation::Variant(lista_.comisionAcreditar()), mascara)); });
}

void SelectFacturas::mostrarFactura() {
  const anfitrion::Factura factura(Globales::crearObjeto("Factura"));
  const std::optional<size_t> i = filaActual();
  if (!i) return;
  automation::Variant numero(lista_[*i].clave());
  const automation::Variant cargada = factura.load(numero);
  if (!cargada.isNull() && automation::cBool(cargada)) {
    factura.show();
  } else {
    Utilidades::mostrarMensaje("Error: no se puede cargar la factura");
  }
}

void SelectFacturas::mostrarCliente() {
  const anfitrion::Cliente cliente(Globales::crearObjeto("CLIENTE"));
  const std::optional<size_t> i = filaActual();
  if (!i) return;
  const std::string codigo(lista_.texto(lista_[*i].codigoCliente));
  const automation::Variant cargado = cliente.load(codigo);
  if (!cargado.isNull() && automation::cBool(cargado)) cliente.show();
}

}  // namespace tessaline
