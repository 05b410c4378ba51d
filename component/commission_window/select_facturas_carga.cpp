// SelectFacturas: the salesperson's uncredited invoices up to the cut-off date, queried from the
// host into the grid, and the totals summary under it.

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string>

#include "automation/error.h"
#include "automation/object.h"
#include "commission_window/intentar.h"
#include "commission_window/select_facturas.h"
#include "anfitrion/recordset.h"
#include "regional/format.h"
#include "utilities/utilidades.h"

namespace tessaline {

using automation::Variant;
using utilidades::Utilidades;

namespace {

// The grid grows in steps instead of one row per invoice, and is cut to size at the end.
constexpr int32_t kFilasIniciales = 50;
constexpr int32_t kFilasPorPaso = 20;

// The fields of a record, in the order the load first needs them.
enum Campo : size_t {
  kPrecioEfectivo,
  kTotalIva,
  kSaldo,
  kComision,
  kFechaTransaccion,
  kSerie,
  kCorrelativo,
  kMontoTotal,
  kPComis,
  kNombreCliente,
  kNumero,
  kCodigoCliente,
  kCampos
};
constexpr std::array<const char*, kCampos> kNombresCampos = {
    "precioEfectivo", "totalIva", "Saldo",         "Comision", "fechaTransaccion", "serie",
    "correlativo",    "MontoTotal", "pComis", "nombreCliente", "numero",           "codigoCliente"};

// The fields of the recordset's current record. Each field is found by name the first time it is
// needed and kept (it follows the current record); each value is read once per record.
class Registro final {
 public:
  explicit Registro(anfitrion::Recordset recordset) : rs_(std::move(recordset)) {}

  bool eof() const { return rs_.eof(); }
  void moveNext() {
    rs_.moveNext();
    leidos_ = {};
  }
  const Variant& operator[](Campo c) {
    if (!leidos_[c]) {
      if (!campos_[c]) campos_[c] = rs_.campo(kNombresCampos[c]);
      valores_[c] = campos_[c].valor();
      leidos_[c] = true;
    }
    return valores_[c];
  }

 private:
  anfitrion::Recordset rs_;
  std::array<anfitrion::Recordset::Campo, kCampos> campos_{};
  std::array<Variant, kCampos> valores_{};
  std::array<bool, kCampos> leidos_{};
};

// A value written into a cell: Null cannot be (94), as in any text property.
const Variant& noNulo(const Variant& v) {
  if (v.isNull()) automation::raise(automation::err::kInvalidUseOfNull);
  return v;
}

// Drawing of the grid is held while it fills, and given back (views re-read it) however the
// load ends.
class DibujoSuspendido final {
 public:
  explicit DibujoSuspendido(forms::Grid& grid) : grid_(grid), antes_(grid.redraw()) { grid_.setRedraw(false); }
  ~DibujoSuspendido() {
    if (grid_.window().isLoaded()) grid_.setRedraw(antes_);
  }
  DibujoSuspendido(const DibujoSuspendido&) = delete;
  DibujoSuspendido& operator=(const DibujoSuspendido&) = delete;

 private:
  forms::Grid& grid_;
  bool antes_;
};

}  // namespace

void SelectFacturas::cargarFacturas() {
  // Unticked, only invoices with no balance left are listed.
  std::string sql = "SELECT ";
  sql += "  numero, serie, correlativo, fechaTransaccion, precioEfectivo, Saldo, Comision, CodigoCliente, ";
  sql += "  nombreCliente, Impuesto1 + Impuesto2 As TotalIVA, Impuesto1 + Impuesto2 + PrecioEfectivo As MontoTotal, ";
  sql += "  dbo.SafeDivide(Comision, PrecioEfectivo) * 100.0 As pComis ";
  sql += "FROM Facturas ";
  sql += "WHERE ComisionAcreditada = 0 ";
  sql += "  AND Comision > 0 ";
  sql += "  AND codigoVendedor = ? ";
  sql += "  AND FechaTransaccion <= ? ";
  sql += chkIncluirPendientes->value() == 0 ? " AND Saldo <= 0 " : "";
  sql += "ORDER BY FechaTransaccion, Numero";

  const anfitrion::Recordset rs = factoria().openRecordset(sql, codigoVendedor->text(), fechaPago->value());

  cantidadFacturas = 0;
  totalVenta = totalIVA = totalSaldo = totalComision = automation::Currency();
  updateResumen();

  forms::Grid& grid = *detalles;
  limpiarLista();
  grid.setColWidth(col::kSaldo, chkIncluirPendientes->value() == 1 ? anchoSaldo : 0);

  Registro registro(rs);
  if (registro.eof()) {
    Utilidades::mostrarMensaje("No hay facturas no acreditadas hasta la fecha seleccionada");
    fechaCargada = fechaPago->value();
    return;
  }

  const regional::RegionalSettings& ajustes = ajustesRegionales();
  const regional::Formatter dinero(mascara, ajustes);
  const regional::Formatter fecha("Short Date", ajustes);
  const regional::Formatter correlativo("0000000", ajustes);
  const regional::Formatter porcentaje("0.00", ajustes);
  const automation::NumberSymbols& sim = simbolos();

  // Money arrives as Currency (formatted without a detour through Variant dispatch); invoices
  // come ordered by date, so a row usually has the date text of the row before.
  auto escribirDinero = [&](const Variant& v, std::string& out) {
    if (v.type() == automation::VarType::Currency) {
      dinero.formatTo(v.asCurrency(), out);
    } else {
      dinero.formatTo(v, out);
    }
  };
  automation::Date fechaAnterior;
  std::string textoFechaAnterior;
  bool hayFechaAnterior = false;

  {
    DibujoSuspendido suspendido(grid);
    // 32 bits: a salesperson may have more invoices than a 16-bit counter holds.
    int32_t fila = grid.fixedRows();
    grid.setRows(kFilasIniciales);
    std::array<std::string, col::kCount> celdas;
    std::string numero;
    while (!registro.eof()) {
      if (cantidadFacturas == std::numeric_limits<int32_t>::max()) automation::raise(automation::err::kOverflow);
      ++cantidadFacturas;
      const automation::Currency venta = automation::cCur(registro[kPrecioEfectivo], sim);
      totalVenta += venta;
      totalIVA += automation::cCur(registro[kTotalIva], sim);
      totalSaldo += automation::cCur(registro[kSaldo], sim);
      const automation::Currency comision = automation::cCur(registro[kComision], sim);
      totalComision += comision;

      if (fila >= grid.rows()) {
        if (grid.rows() > std::numeric_limits<int32_t>::max() - kFilasPorPaso) automation::raise(automation::err::kOverflow);
        grid.setRows(grid.rows() + kFilasPorPaso);
      }

      // The row joins the list once every cell of it is written; a record that fails half way
      // leaves its cells so far in the grid but no row the operator could act on. The cells come
      // in column order and go into the grid as one row.
      FilaFactura f;
      size_t listas = 0;  // cells of the row complete so far
      auto celda = [&](int columna) -> std::string& {
        listas = static_cast<size_t>(columna);
        return celdas[static_cast<size_t>(columna)];
      };
      try {
        {
          std::string& texto = celda(col::kFecha);
          const Variant& v = noNulo(registro[kFechaTransaccion]);
          if (v.type() == automation::VarType::Date && hayFechaAnterior && v.asDate() == fechaAnterior) {
            texto = textoFechaAnterior;
          } else {
            fecha.formatTo(v, texto);
            hayFechaAnterior = v.type() == automation::VarType::Date;
            if (hayFechaAnterior) {
              fechaAnterior = v.asDate();
              textoFechaAnterior = texto;
            }
          }
          if (hayFechaAnterior) {
            f.fecha = v.asDate();
          } else {
            intentar([&] { f.fecha = automation::cDate(v, sim); });  // text that is no date shows as it is
          }
        }
        {
          // Serie & "-" & the number: a Null part joins as nothing.
          std::string& texto = celda(col::kFactura);
          const Variant& serie = registro[kSerie];
          if (serie.isNull()) {
            texto.clear();
          } else if (serie.type() == automation::VarType::String) {
            texto = serie.asString();
          } else {
            texto = automation::cStr(serie, sim);
          }
          texto += '-';
          correlativo.formatTo(registro[kCorrelativo], numero);
          texto += numero;
          f.factura = lista_.guardar(texto);
        }
        f.ventaNeta = dinero.shown(venta);
        escribirDinero(registro[kPrecioEfectivo], celda(col::kVentaNeta));
        escribirDinero(registro[kTotalIva], celda(col::kIVA));
        escribirDinero(noNulo(registro[kMontoTotal]), celda(col::kTotal));
        escribirDinero(registro[kSaldo], celda(col::kSaldo));
        // The commission as shown, and kept unchanged as loaded.
        f.comisionLibros = comision;
        f.comision = f.comisionCargada = dinero.shown(comision);
        escribirDinero(registro[kComision], celda(col::kComision));
        {
          const Variant& p = noNulo(registro[kPComis]);
          porcentaje.formatTo(p, celda(col::kPComis));
          f.porcentaje = p.type() == automation::VarType::Double ? p.asDouble() : automation::cDbl(p, sim);
        }
        celda(col::kAcreditar) = "NO";
        {
          std::string& texto = celda(col::kNombreCliente);
          texto = automation::cStr(registro[kNombreCliente], sim);
          f.nombreCliente = lista_.guardar(texto);
        }
        {
          const Variant& v = registro[kNumero];
          celda(col::kNumero) = automation::cStr(v, sim);
          try {
            f.numero = automation::cLng(v, sim);
          } catch (const automation::Error& e) {
            f.errorNumero = e.number();
          }
        }
        {
          std::string& texto = celda(col::kCodigoCliente);
          texto = automation::cStr(registro[kCodigoCliente], sim);
          f.codigoCliente = lista_.guardar(texto);
        }
        celda(col::kComisionCargada) = celdas[col::kComision];
        listas = celdas.size();
      } catch (...) {
        grid.swapRowTexts(fila, std::span(celdas).first(listas));
        throw;
      }
      grid.swapRowTexts(fila, celdas);
      lista_.agregar(std::move(f));

      registro.moveNext();
      ++fila;
    }
    grid.setRows(fila);
    lista_.ajustarCapacidad();
  }

  updateResumen();
  hayCambios = false;
  fechaCargada = fechaPago->value();
}

void SelectFacturas::updateResumen() {
  lblqFact->setCaption(formato(Variant(cantidadFacturas), "#,##0"));
  lblTotalVenta->setCaption(formato(Variant(totalVenta), mascara));
  lblTotalIVA->setCaption(formato(Variant(totalIVA), mascara));
  lblMontoBruto->setCaption(formato(Variant(totalVenta + totalIVA), mascara));
  lblSaldo->setCaption(formato(Variant(totalSaldo), mascara));
  lblComisionTotal->setCaption(formato(Variant(totalComision), mascara));
}

}  // namespace tessaline
