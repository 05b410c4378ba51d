#include "host/viewers.h"

#include <cstdio>

#include "host/errors.h"
#include "host/printing.h"

namespace host {

using automation::CallArgs;
using automation::Currency;
using automation::Variant;

VisorFactura::VisorFactura(std::shared_ptr<HostSession> session)
    : HostObject(std::move(session), "Factura") {
  method("Load", [this](CallArgs& a) {
    a.expect(1, 1);
    return Variant(load(automation::cLng(a.at(0))));
  });
  method("Show", [this](CallArgs& a) {
    a.expect(0, 0);
    show();
    return Variant();
  });
}

bool VisorFactura::load(int32_t numero) {
  auto st = session().db().prepare(
      "SELECT Serie, Correlativo, FechaTransaccion, CodigoCliente, nombreCliente, "
      "codigoVendedor, PrecioEfectivo, Impuesto1, Impuesto2, Saldo, Comision, ComisionAcreditada "
      "FROM Facturas WHERE Numero = ?");
  st.bind(1, static_cast<int64_t>(numero));
  if (!st.step()) {
    loaded_.reset();
    return false;
  }
  const auto& sym = session().options().symbols;
  char number[32];
  std::snprintf(number, sizeof number, "%07lld", static_cast<long long>(st.columnInt(1)));
  Currency net = st.columnCurrency(6), tax1 = st.columnCurrency(7), tax2 = st.columnCurrency(8);
  DocumentView doc;
  doc.windowName = "VisorFactura";
  doc.caption = "Factura " + st.columnText(0) + "-" + number;
  doc.lines = {
      {"Numero", std::to_string(numero)},
      {"Fecha", st.columnText(2)},
      {"Cliente", st.columnText(3) + " " + st.columnText(4)},
      {"Vendedor", st.columnText(5)},
      {"Venta neta", amountInFigures(net, sym)},
      {"I.V.A.", amountInFigures(tax1 + tax2, sym)},
      {"Total", amountInFigures(net + tax1 + tax2, sym)},
      {"Saldo", amountInFigures(st.columnCurrency(9), sym)},
      {"Comision", amountInFigures(st.columnCurrency(10), sym)},
      {"Comision acreditada", st.columnInt(11) != 0 ? "SI" : "NO"},
  };
  loaded_ = std::move(doc);
  return true;
}

void VisorFactura::show() {
  if (!loaded_) raiseHost(hosterr::kDocumentState, "Show: no invoice was loaded");
  session().ui().showDocument(*loaded_);
}

VisorCliente::VisorCliente(std::shared_ptr<HostSession> session)
    : HostObject(std::move(session), "CLIENTE") {
  method("Load", [this](CallArgs& a) {
    a.expect(1, 1);
    return Variant(load(automation::cStr(a.at(0))));
  });
  method("Show", [this](CallArgs& a) {
    a.expect(0, 0);
    show();
    return Variant();
  });
}

bool VisorCliente::load(const std::string& codigo) {
  auto st = session().db().prepare("SELECT codigo, nombre FROM clientes WHERE codigo = ?");
  st.bind(1, codigo);
  if (!st.step()) {
    loaded_.reset();
    return false;
  }
  DocumentView doc;
  doc.windowName = "VisorCliente";
  doc.caption = "Cliente " + st.columnText(0);
  doc.lines = {{"Codigo", st.columnText(0)}, {"Nombre", st.columnText(1)}};
  auto invoices = session().db().prepare("SELECT Saldo FROM Facturas WHERE CodigoCliente = ?");
  invoices.bind(1, codigo);
  int64_t count = 0;
  Currency owing;
  while (invoices.step()) {
    ++count;
    owing += invoices.columnCurrency(0);
  }
  doc.lines.emplace_back("Facturas", std::to_string(count));
  doc.lines.emplace_back("Saldo pendiente", amountInFigures(owing, session().options().symbols));
  loaded_ = std::move(doc);
  return true;
}

void VisorCliente::show() {
  if (!loaded_) raiseHost(hosterr::kDocumentState, "Show: no customer was loaded");
  session().ui().showDocument(*loaded_);
}

}  // namespace host
