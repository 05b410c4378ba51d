// SelectFacturas: processing the commission cut (the "Procesar" button).
//
// The checks that need no lock, then the cut's steps (corte.h) under the host lock "TESSALOCKS" and
// inside one host transaction, then the window is cleared while the lock is still held. An error
// before the commit aborts the transaction and leaves the window as it was, so the operator can
// correct the cause and process again; an error after the commit is reported once the window no
// longer shows the processed rows. Either way the lock is freed before the error box opens, so no
// other operator waits on someone reading a message.

#include <optional>
#include <string>
#include <vector>

#include "commission_window/intentar.h"
#include "commission_window/select_facturas.h"
#include "utilities/utilidades.h"

namespace tessaline {

using utilidades::Utilidades;

namespace {
constexpr const char* kFuenteProceso = "SelectFacturas::cbProcesar_Click";
}

bool SelectFacturas::puedeProcesar() {
  if (!hayCambios) {
    Utilidades::mostrarMensaje("No hay nada que procesar");
    return false;
  }
  if (optCheque->value() || optTransferencia->value()) {
    if (codigoBanco->text().empty()) {
      Utilidades::mostrarMensaje("Por favor, introduzca el código de un banco");
      return false;
    }
    if (refMovBanco->text().empty()) {
      Utilidades::mostrarMensaje(std::string("Introduzca un numero para ") +
                                 (optCheque->value() ? "el cheque" : "la transferencia"));
      return false;
    }
  }
  return true;
}

DatosCorte SelectFacturas::datosCorte() {
  DatosCorte datos;
  datos.codigoVendedor = codigoVendedor->text();
  datos.nombreVendedor = nombreVendedor->caption();
  if (optCheque->value()) {
    datos.medio = MedioPago::Cheque;
  } else if (optTransferencia->value()) {
    datos.medio = MedioPago::Transferencia;
  } else if (optEfectivo->value()) {
    datos.medio = MedioPago::Efectivo;
  }
  datos.codigoBanco = codigoBanco->text();
  datos.referencia = refMovBanco->text();
  datos.banco = [this] { return codigoBanco->registro(); };
  return datos;
}

void SelectFacturas::cbProcesar_Click() {
  // Clearing may unload this window; keep the object alive until the handler ends.
  const auto mismo = weak_from_this().lock();

  if (!puedeProcesar()) return;

  std::optional<automation::Error> error;
  std::vector<automation::Error> alLiberar;
  try {
    // Once the cut is in the books, the window is cleared (or closed) under the lock, every step
    // of it even when one fails.
    procesarCorte(lista_, datosCorte(), simbolos(), alLiberar, [&] { limpiarVentana(&error); });
  } catch (const std::exception&) {
    error = errorDe(std::current_exception());
  }
  if (error) Utilidades::mostrarError(0, error->number(), error->description(), kFuenteProceso);
  for (const automation::Error& e : alLiberar) Utilidades::mostrarError(0, e.number(), e.description(), kFuenteProceso);
}

}  // namespace tessaline
