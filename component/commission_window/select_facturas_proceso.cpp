// SelectFacturas: processing the commission cut (the "Procesar" button).
//
// Under the host lock "TESSALOCKS" and inside one host transaction: the commissions the operator
// changed by more than 0.1 are written, and when there is an amount to credit, the marked invoices
// are credited, the voucher with one salesperson line per invoice is posted and the payment is
// recorded (bank movement, cash withdrawal or none). Then the transaction commits, the window is
// reset and the lock is freed.
//
// Before writing anything, the invoices processing would write are checked against the books: an
// invoice another operator credited since this list was loaded stops the cut (otherwise it would
// be credited and paid twice). An error before the commit aborts the transaction and leaves the
// window as it was, so the operator can correct the cause and process again; an error after the
// commit is reported without an abort, and the window no longer shows the processed marks.

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "automation/error.h"
#include "automation/object.h"
#include "automation/utf8.h"
#include "commission_window/select_facturas.h"
#include "entry/globales.h"
#include "host/documentos.h"
#include "host/recordset.h"
#include "utilities/utilidades.h"

namespace tessaline {

using automation::Arg;
using automation::Currency;
using automation::Variant;
using utilidades::Utilidades;
using utilidades::UtilidadesGrid;

namespace {

constexpr const char* kFuenteProceso = "SelectFacturas::cbProcesar_Click";
constexpr const char* kBloqueo = "TESSALOCKS";
constexpr const char* kSqlComision = "UPDATE Facturas SET Comision = ? WHERE Numero = ?";
constexpr const char* kSqlAcreditar = "UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = ?";
constexpr const char* kCodigoCuenta = "VND";

// The error raised when invoices of the cut were credited meanwhile by someone else.
constexpr int32_t kErrorYaAcreditadas = automation::err::kObjectErrorBase + 513;

// Invoices per query when checking which are credited already (well under SQLite's limit on
// bound parameters).
constexpr size_t kFacturasPorConsulta = 500;

// Commission changes of this size or less are not written to the books.
constexpr Currency kToleranciaComision = Currency::fromRaw(Currency::kScale / 10);  // 0.1

constexpr size_t kLargoLineaFactura = 50;

// Runs one step; an error it raises is dropped (the caller goes on with its next step).
template <class Paso>
void intentar(Paso&& paso) {
  try {
    paso();
  } catch (const automation::Error&) {
  } catch (const std::exception&) {
  }
}

// One invoice row of the grid as processing reads it.
struct Fila {
  int32_t numero = 0;
  Currency cargada;  // the commission as loaded
  Currency actual;   // the commission shown (possibly adjusted)
  bool acreditar = false;
  int fila = 0;
  bool comisionCambiada() const { return (actual - cargada).abs() > kToleranciaComision; }
};

}  // namespace

void SelectFacturas::cbProcesar_Click() {
  // The reset at the end may unload this window; keep the object alive until the handler ends.
  const auto mismo = weak_from_this().lock();

  if (!hayCambios) {
    Utilidades::mostrarMensaje("No hay nada que procesar");
    return;
  }
  const bool pagoBancario = optCheque->value() || optTransferencia->value();
  if (pagoBancario) {
    if (codigoBanco->text().empty()) {
      Utilidades::mostrarMensaje("Por favor, introduzca el código de un banco");
      return;
    }
    if (refMovBanco->text().empty()) {
      Utilidades::mostrarMensaje(std::string("Introduzca un numero para ") +
                                 (optCheque->value() ? "el cheque" : "la transferencia"));
      return;
    }
  }

  const host::HostFactory fact = factoria();
  bool confirmado = false;  // the transaction has committed
  int32_t numeroError = 0;
  std::string descripcionError;
  bool fallo = false;
  try {
    fact.setGlobalLock(kBloqueo);
    fact.startTransaction();

    const std::string codigo = codigoVendedor->text();
    const std::string nombre = nombreVendedor->caption();
    const std::string textoComprobante = "Corte de comisiones para el vendedor " + codigo;
    const std::string textoPago = "Pago de comisiones a " + nombre;

    // The rows, read once: a cell that does not convert stops the cut here.
    const forms::Grid& grid = *detalles;
    const int primera = grid.fixedRows();
    const int ultima = grid.rows();
    std::vector<Fila> filas;
    filas.reserve(static_cast<size_t>(std::max(0, ultima - primera)));
    for (int r = primera; r < ultima; ++r) {
      Fila f;
      f.fila = r;
      f.numero = automation::cLng(Variant(grid.textMatrix(r, col::kNumero)), simbolos());
      f.cargada = automation::cCur(Variant(grid.textMatrix(r, col::kComisionCargada)), simbolos());
      f.actual = automation::cCur(Variant(grid.textMatrix(r, col::kComision)), simbolos());
      f.acreditar = grid.textMatrix(r, col::kAcreditar) == "SI";
      filas.push_back(f);
    }
    const bool hayQueAcreditar = comisionAcreditar > Currency();

    // Invoices credited since the list was loaded (by another operator): none of them may be
    // written again.
    {
      std::vector<const Fila*> aEscribir;
      for (const Fila& f : filas) {
        if ((f.acreditar && hayQueAcreditar) || f.comisionCambiada()) aEscribir.push_back(&f);
      }
      std::unordered_set<int32_t> acreditadas;
      for (size_t desde = 0; desde < aEscribir.size(); desde += kFacturasPorConsulta) {
        const size_t hasta = std::min(aEscribir.size(), desde + kFacturasPorConsulta);
        std::string sql = "SELECT Numero FROM Facturas WHERE ComisionAcreditada <> 0 AND Numero IN (";
        std::vector<Arg> args;
        args.reserve(hasta - desde + 1);
        args.emplace_back(Variant());  // the SQL text, filled in below
        for (size_t i = desde; i < hasta; ++i) {
          sql += i == desde ? "?" : ", ?";
          args.emplace_back(Variant(aEscribir[i]->numero));
        }
        sql += ")";
        args[0] = Arg(Variant(sql));
        host::Recordset rs(automation::call(fact.object(), "OpenRecordset", std::move(args)));
        while (!rs.eof()) {
          acreditadas.insert(automation::cLng(rs.field("Numero")));
          rs.moveNext();
        }
      }
      if (!acreditadas.empty()) {
        std::string lista;
        for (const Fila* f : aEscribir) {
          if (!acreditadas.contains(f->numero)) continue;
          if (!lista.empty()) lista += ", ";
          lista += grid.textMatrix(f->fila, col::kFactura);
          acreditadas.erase(f->numero);  // each invoice once
        }
        throw automation::Error(kErrorYaAcreditadas, kFuenteProceso, "Facturas ya acreditadas: " + lista);
      }
    }

    // Commissions the operator changed.
    for (const Fila& f : filas) {
      if (!f.comisionCambiada()) continue;
      Variant comision(f.actual);
      Variant numero(f.numero);
      fact.executeSQL(kSqlComision, comision, numero);
    }

    if (hayQueAcreditar) {
      const host::Comprobante comprobante(Globales::crearObjeto("BComprobante"));
      comprobante.startComprobante(automation::today(), "", textoComprobante);
      const host::DetalleCE detalle(Globales::crearObjeto("DetalleCE"));

      for (const Fila& f : filas) {
        if (!f.acreditar) continue;
        Variant numero(f.numero);
        fact.executeSQL(kSqlAcreditar, numero);
        // Cut by characters: an accented name is never split.
        const std::string linea(automation::utf8::prefix(
            grid.textMatrix(f.fila, col::kFactura) + " " + grid.textMatrix(f.fila, col::kNombreCliente),
            kLargoLineaFactura));
        detalle.add(0, codigo, kCodigoCuenta, automation::today(), Arg(Variant(linea)), Arg(Variant(-f.actual)),
                    comprobante.object());
      }

      {
        // Each by-reference amount is a copy of the window's total: what a host writes back into
        // it does not change the window.
        Variant total(comisionAcreditar);
        comprobante.addDetalleValor(empresa().cuentaGastosComisiones(), textoComprobante, Arg::ref(total));
      }

      std::string referencia;
      if (pagoBancario) {
        const bool cheque = optCheque->value();
        const host::BancoRegistro banco(codigoBanco->registro());
        Variant total(comisionAcreditar);
        banco.registrarMovimiento(cheque ? 0 : 4, automation::today(), textoPago, nombre, total, refMovBanco->text(),
                                  automation::today(), comprobante.object(), true);
        referencia = std::string(cheque ? "Cheque " : "Transferencia ") + refMovBanco->text() + " Bco. " +
                     codigoBanco->text();
      } else if (optEfectivo->value()) {
        const host::Sesion caja(Globales::crearObjeto("Sesion"));
        Variant total(comisionAcreditar);
        caja.registrarRetiro(1, total, textoPago, automation::ObjectRef{}, kCodigoCuenta, codigo, nombre);
        fact.submitDoc(caja.ultimoMovCaja());
        comprobante.addDetalleValor(empresa().cuentaCaja(), textoPago, Arg(Variant(-comisionAcreditar)));
        const Variant movimiento = automation::get(automation::toObject(caja.ultimoMovCaja()), "Numero");
        referencia = "Pago en efectivo (MovCaja No. " + automation::cStr(movimiento, simbolos()) + ")";
      }

      if (!optNoPagar->value()) {
        Variant ref(referencia);
        Variant total(comisionAcreditar);
        detalle.add(0, codigo, kCodigoCuenta, automation::today(), Arg::ref(ref), Arg::ref(total),
                    comprobante.object());
      }
      comprobante.procesar();
    }

    fact.commitTransaction();
    confirmado = true;

    reset();
    fact.freeGlobalLock();
    return;
  } catch (const automation::Error& e) {
    fallo = true;
    numeroError = e.number();
    descripcionError = e.description();
  } catch (const std::exception& e) {
    fallo = true;
    numeroError = automation::err::kAutomationError;
    descripcionError = e.what();
  }
  if (!fallo) return;

  if (!confirmado) {
    // Nothing of the cut stays in the books; the window is as it was.
    int32_t numeroAbort = 0;
    std::string descripcionAbort;
    try {
      fact.abortTransaction();
    } catch (const automation::Error& e) {
      numeroAbort = e.number();
      descripcionAbort = e.description();
    } catch (const std::exception& e) {
      numeroAbort = automation::err::kAutomationError;
      descripcionAbort = e.what();
    }
    Utilidades::mostrarError(0, numeroError, descripcionError, kFuenteProceso);
    if (numeroAbort != 0) Utilidades::mostrarError(0, numeroAbort, descripcionAbort, kFuenteProceso);
  } else {
    // The cut is in the books: the window must not offer the processed marks again. The same
    // clearing as the reset, each step on its own so that a failing one does not keep the others
    // from running; a window opened for a given salesperson closes. A window that is closed
    // already is left alone (touching it would load it again).
    if (isLoaded()) {
      if (vendedorFijo) {
        intentar([&] { hide(); });
        intentar([&] { unload(); });
      } else {
        intentar([&] { codigoVendedor->setText(""); });
        intentar([&] { nombreVendedor->setCaption(""); });
        intentar([&] { fechaPago->setValue(automation::today()); });
        cantidadFacturas = 0;
        totalVenta = totalIVA = totalSaldo = totalComision = Currency();
        intentar([&] { codigoBanco->setText(""); });
        intentar([&] { refMovBanco->setText(""); });
        intentar([&] { optEfectivo->setValue(true); });
        intentar([&] { updateResumen(); });
        vendedorCargado.clear();
        fechaCargada = automation::Date();
        intentar([&] { UtilidadesGrid::limpiarGrid(*detalles); });
        hayCambios = false;
        intentar([&] { codigoVendedor->setFocus(); });
      }
    }
    Utilidades::mostrarError(0, numeroError, descripcionError, kFuenteProceso);
  }
  fact.freeGlobalLock();
}

}  // namespace tessaline
