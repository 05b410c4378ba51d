// SelectFacturas: commission adjustment of one invoice, as an amount (column Comision) or as a
// percentage of the net sale (column % comis.), asked through the number dialog.
//
// Nothing is written to the books here: the new commission lives in the row's column Comision
// (processing writes it when it differs from the commission as loaded), and the window's totals
// follow it.

#include <string>

#include "automation/error.h"
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
constexpr const char* kPatronPorcentaje = "0.00";

// Runs one step; returns false when it raised an error (which is dropped: the caller goes on
// with its next step or gives up, as it decides).
template <class Paso>
bool intentar(Paso&& paso) {
  try {
    paso();
    return true;
  } catch (const automation::Error&) {
  } catch (const std::exception&) {
  }
  return false;
}

}  // namespace

void SelectFacturas::inputComision() {
  auto dialogo = std::make_shared<fGetNumero>();
  const int fila = detalles->row();
  const Currency anterior = automation::cCur(Variant(detalles->textMatrix(fila, col::kComision)), simbolos());

  Currency nueva;
  const bool aceptada = intentar([&] {
    nueva = Currency::fromDouble(
        dialogo->GetNumeroWithError("Nueva comision para la factura", mascara, kTituloAjuste, anterior));
  });
  if (!aceptada) return;  // cancelled
  if (nueva < Currency()) return;
  if (nueva == anterior) return;

  aplicarAjuste(fila, anterior, nueva);
}

void SelectFacturas::inputPComis() {
  auto dialogo = std::make_shared<fGetNumero>();
  const int fila = detalles->row();
  const Currency anterior = automation::cCur(Variant(detalles->textMatrix(fila, col::kComision)), simbolos());
  const Currency porcentajeActual =
      Currency::fromDouble(automation::cDbl(Variant(detalles->textMatrix(fila, col::kPComis)), simbolos()));

  Currency porcentaje;
  const bool aceptado = intentar([&] {
    porcentaje = Currency::fromDouble(
        dialogo->GetNumeroWithError("Nuevo porcentaje de comision", mascara, kTituloAjuste, porcentajeActual));
  });
  if (!aceptado) return;  // cancelled
  if (porcentaje < Currency()) return;

  // A percentage above every percentage of the company must be confirmed. When the company's
  // percentages cannot be compared (missing or not numbers), the operator is asked as well.
  bool preguntar = true;
  intentar([&] {
    const host::Empresa emp = empresa();
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

  // The new commission, from the net sale: V / 100 first, then times the percentage. When it
  // cannot be computed, nothing changes.
  Currency nueva;
  const bool calculada = intentar([&] {
    const double venta = automation::cCur(Variant(detalles->textMatrix(fila, col::kVentaNeta)), simbolos()).toDouble();
    nueva = Currency::fromDouble(porcentaje.toDouble() * (venta / 100.0));
  });
  if (!calculada) return;
  if (nueva == anterior) return;

  aplicarAjuste(fila, anterior, nueva);
}

// The row's commission goes from `anterior` to `nueva`: the totals follow, the percentage is
// recomputed from the new commission, and the two cells are rewritten. Each step on its own: one
// that fails is skipped and the others still run.
void SelectFacturas::aplicarAjuste(int fila, Currency anterior, Currency nueva) {
  hayCambios = true;

  intentar([&] { totalComision = totalComision - anterior + nueva; });
  intentar([&] { lblComisionTotal->setCaption(formato(Variant(totalComision), mascara)); });

  if (detalles->textMatrix(fila, col::kAcreditar) == "SI") {
    intentar([&] { comisionAcreditar = comisionAcreditar - anterior + nueva; });
    intentar([&] { lblComisionAcreditada->setCaption(formato(Variant(comisionAcreditar), mascara)); });
  }

  // A net sale of zero gives no percentage: the cell shows zero.
  Currency porcentaje;
  intentar([&] {
    const double venta = automation::cCur(Variant(detalles->textMatrix(fila, col::kVentaNeta)), simbolos()).toDouble();
    porcentaje = Currency::fromDouble(nueva.toDouble() * 100.0 / venta);
  });
  intentar([&] { detalles->setTextMatrix(fila, col::kPComis, formato(Variant(porcentaje), kPatronPorcentaje)); });
  intentar([&] { detalles->setTextMatrix(fila, col::kComision, formato(Variant(nueva), mascara)); });
}

}  // namespace tessaline
