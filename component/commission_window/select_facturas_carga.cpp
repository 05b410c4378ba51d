// SelectFacturas: the salesperson's uncredited invoices up to the cut-off date, queried from the
// host into the grid, and the totals summary under it.

#include <array>
#include <cstdint>
#include <limits>
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
    std::string texto;
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
      // leaves its cells so far in the grid but no row the operator could act on.
      FilaFactura f;
      auto celda = [&](int columna) { grid.setTextMatrix(fila, columna, std::move(texto)); };
      {
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
      celda(col::kFecha);
      // Serie & "-" & the number: a Null part joins as nothing.
      {
        const Variant& serie = registro[kSerie];
        texto = serie.isNull() ? std::string() : automation::cStr(serie, sim);
        texto += '-';
        std::string numero;
        correlativo.formatTo(registro[kCorrelativo], numero);
        texto += numero;
        f.factura = lista_.guardar(texto);
      }
      celda(col::kFactura);
      f.ventaNeta = dinero.shown(venta);
      escribirDinero(registro[kPrecioEfectivo], texto);
      celda(col::kVentaNeta);
      escribirDinero(registro[kTotalIva], texto);
      celda(col::kIVA);
      escribirDinero(noNulo(registro[kMontoTotal]), texto);
      celda(col::kTotal);
      escribirDinero(registro[kSaldo], texto);
      celda(col::kSaldo);
      // The commission as shown, and kept unchanged as loaded.
      f.comisionLibros = comision;
      f.comision = f.comisionCargada = dinero.shown(comision);
      std::string textoComision;
      escribirDinero(registro[kComision], textoComision);
      texto = textoComision;
      celda(col::kComision);
      {
        const Variant& p = noNulo(registro[kPComis]);
        porcentaje.formatTo(p, texto);
        f.porcentaje = p.type() == automation::VarType::Double ? p.asDouble() : automation::cDbl(p, sim);
      }
      celda(col::kPComis);
      texto = "NO";
      celda(col::kAcreditar);
      texto = automation::cStr(registro[kNombreCliente], sim);
      f.nombreCliente = lista_.guardar(texto);
      celda(col::kNombreCliente);
      {
        const Variant& numero = registro[kNumero];
        texto = automation::cStr(numero, sim);
        try {
          f.numero = automation::cLng(numero, sim);
        } catch (const automation::Error& e) {
          f.errorNumero = e.number();
        }
      }
      celda(col::kNumero);
      texto = automation::cStr(registro[kCodigoCliente], sim);
      f.codigoCliente = lista_.guardar(texto);
      celda(col::kCodigoCliente);
      texto = std::move(textoComision);
      celda(col::kComisionCargada);
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
