// SelectFacturas: the salesperson's uncredited invoices up to the cut-off date, queried from the
// host into the grid, and the totals summary under it.

#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "automation/error.h"
#include "automation/object.h"
#include "commission_window/select_facturas.h"
#include "regional/format.h"
#include "utilities/utilidades.h"

namespace tessaline {

using automation::Variant;
using utilidades::Utilidades;
using utilidades::UtilidadesGrid;

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

// The fields of the recordset's current record. Each Field object is asked of the recordset the
// first time it is needed and kept (a field follows the recordset's current record); each value
// is read once per record.
class Registro final {
 public:
  explicit Registro(automation::ObjectRef recordset) : rs_(std::move(recordset)) {}

  bool eof() const { return automation::cBool(automation::get(rs_, "EOF")); }
  void moveNext() {
    automation::call(rs_, "MoveNext");
    leidos_ = {};
  }
  const Variant& operator[](Campo c) {
    if (!leidos_[c]) {
      if (!campos_[c]) campos_[c] = automation::toObject(automation::get(rs_, "Fields", {automation::Arg(kNombresCampos[c])}));
      valores_[c] = automation::get(campos_[c], "Value");
      leidos_[c] = true;
    }
    return valores_[c];
  }

 private:
  automation::ObjectRef rs_;
  std::array<automation::ObjectRef, kCampos> campos_{};
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

  const host::Recordset rs = factoria().openRecordset(sql, codigoVendedor->text(), fechaPago->value());

  cantidadFacturas = 0;
  totalVenta = totalIVA = totalSaldo = totalComision = comisionAcreditar = automation::Currency();
  updateResumen();
  // Nothing is marked after a load.
  lblComisionAcreditada->setCaption(formato(Variant(comisionAcreditar), mascara));

  forms::Grid& grid = *detalles;
  UtilidadesGrid::limpiarGrid(grid);
  grid.setColWidth(col::kSaldo, chkIncluirPendientes->value() == 1 ? anchoSaldo : 0);

  Registro registro(rs.object());
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
    std::string texto;
    while (!registro.eof()) {
      if (cantidadFacturas == std::numeric_limits<int32_t>::max()) automation::raise(automation::err::kOverflow);
      ++cantidadFacturas;
      totalVenta += automation::cCur(registro[kPrecioEfectivo], sim);
      totalIVA += automation::cCur(registro[kTotalIva], sim);
      totalSaldo += automation::cCur(registro[kSaldo], sim);
      totalComision += automation::cCur(registro[kComision], sim);

      if (fila >= grid.rows()) {
        if (grid.rows() > std::numeric_limits<int32_t>::max() - kFilasPorPaso) automation::raise(automation::err::kOverflow);
        grid.setRows(grid.rows() + kFilasPorPaso);
      }

      auto celda = [&](int columna) { grid.setTextMatrix(fila, columna, std::move(texto)); };
      {
        const Variant& f = noNulo(registro[kFechaTransaccion]);
        if (f.type() == automation::VarType::Date && hayFechaAnterior && f.asDate() == fechaAnterior) {
          texto = textoFechaAnterior;
        } else {
          fecha.formatTo(f, texto);
          hayFechaAnterior = f.type() == automation::VarType::Date;
          if (hayFechaAnterior) {
            fechaAnterior = f.asDate();
            textoFechaAnterior = texto;
          }
        }
      }
      celda(col::kFecha);
      // Serie & "-" & the number: a Null part joins as nothing.
      {
        const Variant& serie = registro[kSerie];
        texto = serie.isNull() ? std::string() : automation::cStr(serie, sim);
        texto += '-';
        std::string numero;
        correlativo.formatTo(registro[kCorrelativo], numero);
        texto += numero;
      }
      celda(col::kFactura);
      escribirDinero(registro[kPrecioEfectivo], texto);
      celda(col::kVentaNeta);
      escribirDinero(registro[kTotalIva], texto);
      celda(col::kIVA);
      escribirDinero(noNulo(registro[kMontoTotal]), texto);
      celda(col::kTotal);
      escribirDinero(registro[kSaldo], texto);
      celda(col::kSaldo);
      // The commission as shown, and kept unchanged as loaded.
      std::string comision;
      escribirDinero(registro[kComision], comision);
      texto = comision;
      celda(col::kComision);
      porcentaje.formatTo(noNulo(registro[kPComis]), texto);
      celda(col::kPComis);
      texto = "NO";
      celda(col::kAcreditar);
      texto = automation::cStr(registro[kNombreCliente], sim);
      celda(col::kNombreCliente);
      texto = automation::cStr(registro[kNumero], sim);
      celda(col::kNumero);
      texto = automation::cStr(registro[kCodigoCliente], sim);
      celda(col::kCodigoCliente);
      texto = std::move(comision);
      celda(col::kComisionCargada);

      registro.moveNext();
      ++fila;
    }
    grid.setRows(fila);
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
