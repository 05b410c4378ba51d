// SelectFacturas: commission adjustment of one invoice, as an amount (column Comision) or as a
// percentage of the net sale (column % comis.), asked through the number dialog.
//
// Nothing is written to the books here: the new commission lives in the row's column Comision
// (processing writes it when it differs from the commission as loaded), and the window's totals
// follow it.

#include <memory>
#include <optional>
#include <string>

#include "automation/error.h"
#include "commission_window/intentar.h"
#include "regional/format.h"
#include "commission_window/select_facturas.h"
#include "entry/globales.h"
#include "number_dialog/f_get_numero.h"
#include "utilities/utilidades.h"

namespace tessaline {

using automation::Currency;
using automation::Variant;
using utilidades::Utilidades;

namespace {

constexpr const char* kTituloAjuste = "Ajuste de comisiones";

}  // namespace

Presentacion SelectFacturas::presentacion() const {
  return Presentacion{regional::Formatter(mascara, ajustesRegionales()), regional::Formatter("0.00", ajustesRegionales())};
}

void SelectFacturas::avisarDesborde() {
  Utilidades::mostrarMensaje("El monto resultante es demasiado grande");
}

void SelectFacturas::inputComision() {
  const std::optional<size_t> i = filaActual();
  if (!i) return;
  auto dialogo = std::make_shared<fGetNumero>();
  const Currency anterior = lista_[*i].comision;

  double valor = 0;
  if (!intentar([&] {
        valor = dialogo->GetNumeroWithError("Nueva comision para la factura", mascara, kTituloAjuste, anterior);
      })) {
    return;  // cancelled
  }
  // Held as the mask shows it: what the cell shows is what is credited.
  Currency nueva;
  try {
    if (Currency::fromDouble(valor) < Currency()) return;
    nueva = presentacion().comision(valor);
  } catch (const automation::Error&) {
    avisarDesborde();
    return;
  }
  if (nueva == anterior) return;

  aplicarAjuste(*i, nueva);
}

void SelectFacturas::inputPComis() {
  const std::optional<size_t> i = filaActual();
  if (!i) return;
  auto dialogo = std::make_shared<fGetNumero>();
  // Copies: the dialog is modal, but nothing of the list is held across it.
  const Currency anterior = lista_[*i].comision;
  const Currency venta = lista_[*i].ventaNeta;
  const Currency porcentajeActual = presentacion().porcentajeMostrado(lista_[*i].porcentaje);

  double valor = 0;
  if (!intentar([&] {
        valor = dialogo->GetNumeroWithError("Nuevo porcentaje de comision", mascara, kTituloAjuste, porcentajeActual);
      })) {
    return;  // cancelled
  }
  Currency porcentaje;
  try {
    porcentaje = Currency::fromDouble(valor);
  } catch (const automation::Error&) {
    avisarDesborde();
    return;
  }
  if (porcentaje < Currency()) return;

  // A percentage above every percentage of the company must be confirmed. When the company's
  // percentages cannot be compared (missing or not numbers), the operator is asked as well.
  bool preguntar = true;
  intentar([&] {
    const anfitrion::Empresa emp = empresa();
    const Variant maximo = Globales::MAX(emp.pComisVenta1(), emp.pComisVenta2(), emp.pComisVenta3(),
                                         emp.pComisCobranza1(), emp.pComisCobranza2(), emp.pComisCobranza3());
    const auto orden = automation::compare(Variant(porcentaje), maximo);
    if (orden) preguntar = *orden > 0;
  });
  if (preguntar) {
    bool confirmado = false;  // a question that fails counts as a no
    intentar([&] {
      confirmado = Utilidades::confirmar(
          "El nuevo porcentaje de comision parece demasiado alto\r\n¿Es correcto ese valor?", 0, "");
    });
    if (!confirmado) return;
  }

  // The new commission, from the net sale: V / 100 first, then times the percentage; held as the
  // mask shows it.
  Currency nueva;
  try {
    nueva = presentacion().comisionPorPorcentaje(venta, porcentaje);
  } catch (const automation::Error&) {
    avisarDesborde();
    return;
  }
  if (nueva == anterior) return;

  aplicarAjuste(*i, nueva);
}

// Row i's commission becomes `nueva`: the totals follow and the percentage is recomputed from the
// new commission. All of it or, when a total would not fit, none of it (the operator is told).
void SelectFacturas::aplicarAjuste(size_t i, Currency nueva) {
  if (i >= lista_.size()) return;
  const FilaFactura& fila = lista_[i];
  const Currency anterior = fila.comision;

  const double porcentaje = presentacion().porcentajeDe(nueva, fila.ventaNeta);

  Currency total;
  try {
    total = totalComision - anterior + nueva;
    lista_.ajustarComision(i, nueva, porcentaje);
  } catch (const automation::Error&) {
    avisarDesborde();
    return;
  }
  hayCambios = true;
  totalComision = total;
  intentar([&] { lblComisionTotal->setCaption(formato(Variant(totalComision), mascara)); });
  if (lista_[i].acreditar) {
    intentar([&] { lblComisionAcreditada->setCaption(formato(Variant(lista_.comisionAcreditar()), mascara)); });
  }
  intentar([&] { pintarFila(i); });
}

}  // namespace tessaline
