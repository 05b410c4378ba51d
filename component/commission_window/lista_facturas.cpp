#include "commission_window/lista_facturas.h"

#include "automation/error.h"

namespace tessaline {

using automation::Currency;

int32_t FilaFactura::clave() const {
  if (errorNumero != 0) automation::raise(errorNumero);
  return numero;
}

Currency Presentacion::comision(double monto) const { return dinero.shown(Currency::fromDouble(monto)); }

Currency Presentacion::comisionPorPorcentaje(Currency venta, Currency porcentaje) const {
  return dinero.shown(porcentaje.toDouble() * (venta.toDouble() / 100.0));
}

double Presentacion::porcentajeDe(Currency comision, Currency venta) const {
  if (venta == Currency()) return 0;
  try {
    return Currency::fromDouble(comision.toDouble() * 100.0 / venta.toDouble()).toDouble();
  } catch (const automation::Error&) {
    return 0;  // a percentage money cannot hold shows as zero too
  }
}

void ListaFacturas::limpiar() {
  filas_.clear();
  textos_.clear();
  acreditar_ = Currency();
}

TextoLista ListaFacturas::guardar(std::string_view texto) {
  if (textos_.size() + texto.size() > UINT32_MAX) automation::raise(automation::err::kOverflow);
  const TextoLista t{static_cast<uint32_t>(textos_.size()), static_cast<uint32_t>(texto.size())};
  textos_.append(texto);
  return t;
}

void ListaFacturas::ajustarCapacidad() {
  filas_.shrink_to_fit();
  textos_.shrink_to_fit();
}

void ListaFacturas::agregar(FilaFactura fila) {
  fila.acreditar = false;
  filas_.push_back(std::move(fila));
}

bool ListaFacturas::alternarMarca(size_t i) {
  FilaFactura& fila = filas_.at(i);
  // The new total first: when it does not fit, nothing changes.
  const Currency total = fila.acreditar ? acreditar_ - fila.comision : acreditar_ + fila.comision;
  acreditar_ = total;
  fila.acreditar = !fila.acreditar;
  return fila.acreditar;
}

void ListaFacturas::ajustarComision(size_t i, Currency comision, double porcentaje) {
  FilaFactura& fila = filas_.at(i);
  const Currency total = fila.acreditar ? acreditar_ - fila.comision + comision : acreditar_;
  acreditar_ = total;
  fila.comision = comision;
  fila.porcentaje = porcentaje;
}

}  // namespace tessaline
