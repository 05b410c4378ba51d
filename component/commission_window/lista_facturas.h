#pragma once
// The invoice list of the commission window, as typed rows: what loading found, what the operator
// marked and adjusted, and the amount to credit. The grid is drawn from it and processing reads
// it; nothing here knows about windows.
//
// Money is held as the window shows it: a commission of 33.3333 in the books, shown through the
// mask "#,##0.00", is 33.33 here, and that is what is marked, credited and paid. The amount to
// credit is the exact sum of the marked rows' commissions at every moment.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/currency.h"
#include "automation/date.h"
#include "regional/format.h"

namespace tessaline {

// Commission changes of this size or less are not written to the books.
inline constexpr automation::Currency kToleranciaComision = automation::Currency::fromRaw(automation::Currency::kScale / 10);

// A text of the list's rows: the rows' texts are kept together in one buffer of the list.
struct TextoLista {
  uint32_t inicio = 0;
  uint32_t largo = 0;
};

struct FilaFactura {
  // The invoice's key. When the books' value did not convert to a 32-bit integer, `errorNumero`
  // holds the error that conversion raised, and every use of the key raises it again.
  int32_t numero = 0;
  int32_t errorNumero = 0;
  automation::Date fecha;
  TextoLista factura;  // serie-correlativo, as shown
  TextoLista nombreCliente;
  TextoLista codigoCliente;
  automation::Currency ventaNeta;        // as shown
  automation::Currency comisionLibros;   // in the books when the list was loaded, exact
  automation::Currency comisionCargada;  // as loaded, as shown
  automation::Currency comision;         // now, as shown
  double porcentaje = 0;                 // % comis.: the value written through "0.00"
  bool acreditar = false;

  // The key (raises the error of its conversion when it has none).
  int32_t clave() const;
  bool comisionCambiada() const { return (comision - comisionCargada).abs() > kToleranciaComision; }
};

// How the window shows money and percentages, and so how it holds them.
struct Presentacion {
  regional::Formatter dinero;      // the company's money mask
  regional::Formatter porcentaje;  // "0.00"

  // An amount the operator entered, as shown. Error 6 when money cannot hold it.
  automation::Currency comision(double monto) const;
  // The commission a percentage of the net sale gives (the sale divided by 100 first, then times
  // the percentage), as shown. Error 6 when money cannot hold it.
  automation::Currency comisionPorPorcentaje(automation::Currency venta, automation::Currency porcentaje) const;
  // The percentage of the net sale a commission is (to four decimals); zero when it cannot be
  // formed (a net sale of zero).
  double porcentajeDe(automation::Currency comision, automation::Currency venta) const;
  // A row's percentage as shown.
  automation::Currency porcentajeMostrado(double porcentaje) const { return this->porcentaje.shown(porcentaje); }
};

class ListaFacturas final {
 public:
  void limpiar();
  // A loaded row; it arrives unmarked.
  void agregar(FilaFactura fila);
  // Keeps a text with the list's texts (error 6 past 4 GiB of them).
  TextoLista guardar(std::string_view texto);
  std::string_view texto(TextoLista t) const { return std::string_view(textos_).substr(t.inicio, t.largo); }
  // The load is over: the room kept for more rows and texts is given back.
  void ajustarCapacidad();

  size_t size() const { return filas_.size(); }
  bool empty() const { return filas_.empty(); }
  const FilaFactura& operator[](size_t i) const { return filas_.at(i); }
  std::span<const FilaFactura> filas() const { return filas_; }

  // The sum of the marked rows' commissions.
  automation::Currency comisionAcreditar() const { return acreditar_; }

  // Marks an unmarked row or unmarks a marked one; returns the new mark. Error 6 (nothing
  // changes) when the amount to credit would leave Currency's range.
  bool alternarMarca(size_t i);
  // Row i's commission becomes `comision`, with `porcentaje` as its percentage (both as shown);
  // a marked row moves the amount to credit with it. Error 6 (nothing changes) when that amount
  // would leave Currency's range.
  void ajustarComision(size_t i, automation::Currency comision, double porcentaje);

 private:
  std::vector<FilaFactura> filas_;
  std::string textos_;
  automation::Currency acreditar_;
};

}  // namespace tessaline
