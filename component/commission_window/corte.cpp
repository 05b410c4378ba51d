#include "commission_window/corte.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "text/utf8.h"
#include "commission_window/intentar.h"
#include "entry/globales.h"
#include "anfitrion/empresa.h"

namespace tessaline {

using automation::Arg;
using automation::Currency;
using automation::Variant;

namespace {

constexpr const char* kFuenteProceso = "SelectFacturas::cbProcesar_Click";
constexpr const char* kBloqueo = "TESSALOCKS";
constexpr const char* kSqlComision = "UPDATE Facturas SET Comision = ? WHERE Numero = ?";
constexpr const char* kSqlAcreditar = "UPDATE Facturas SET ComisionAcreditada = 1 WHERE Numero = ?";
constexpr const char* kCodigoCuenta = "VND";
constexpr size_t kLargoLineaFactura = 50;

// Invoices per query when checking them against the books (well under SQLite's limit on bound
// parameters).
constexpr size_t kFacturasPorConsulta = 500;

// "A-0000042, B-0000007": the invoices of a conflict, each once, in list order.
std::string listaFacturas(const ListaFacturas& facturas, const std::vector<const FilaFactura*>& filas,
                          const std::unordered_map<int32_t, bool>& enConflicto) {
  std::string lista;
  std::unordered_map<int32_t, bool> nombradas;
  for (const FilaFactura* f : filas) {
    if (!enConflicto.contains(f->numero) || nombradas.contains(f->numero)) continue;
    nombradas[f->numero] = true;
    if (!lista.empty()) lista += ", ";
    lista += facturas.texto(f->factura);
  }
  return lista;
}

}  // namespace

TransaccionCorte::TransaccionCorte(anfitrion::HostFactory factoria, std::vector<automation::Error>& erroresAlLiberar)
    : factoria_(std::move(factoria)), errores_(erroresAlLiberar) {
  try {
    factoria_.setGlobalLock(kBloqueo);
    factoria_.startTransaction();
  } catch (...) {
    // A lock or a transaction refused is undone all the same: the host does nothing for what it
    // does not hold.
    liberar();
    throw;
  }
}

TransaccionCorte::~TransaccionCorte() { liberar(); }

void TransaccionCorte::confirmar() {
  factoria_.commitTransaction();
  confirmada_ = true;
}

void TransaccionCorte::liberar() noexcept {
  auto anotar = [this](auto&& paso) {
    std::optional<automation::Error> error;
    if (!intentar(paso, &error) && error) errores_.push_back(std::move(*error));
    return !error;
  };
  if (!confirmada_) anotar([this] { factoria_.abortTransaction(); });
  // A lock that would not go is asked once more: left held, it would stop every other operator.
  if (!anotar([this] { factoria_.freeGlobalLock(); })) intentar([this] { factoria_.freeGlobalLock(); });
}

Corte::Corte(const ListaFacturas& lista, DatosCorte datos, const automation::NumberSymbols& simbolos)
    : lista_(lista),
      datos_(std::move(datos)),
      simbolos_(simbolos),
      factoria_(Globales::factoria()),
      textoComprobante_("Corte de comisiones para el vendedor " + datos_.codigoVendedor),
      textoPago_("Pago de comisiones a " + datos_.nombreVendedor) {
  for (const FilaFactura& f : lista_.filas()) f.clave();
}

bool Corte::hayQueAcreditar() const { return lista_.comisionAcreditar() > Currency(); }

std::vector<const FilaFactura*> Corte::filasAEscribir() const {
  const bool acreditar = hayQueAcreditar();
  std::vector<const FilaFactura*> filas;
  for (const FilaFactura& f : lista_.filas()) {
    if ((f.acreditar && acreditar) || f.comisionCambiada()) filas.push_back(&f);
  }
  return filas;
}

void Corte::verificarConflictos() const {
  const std::vector<const FilaFactura*> filas = filasAEscribir();
  std::unordered_map<int32_t, Currency> cargadas;
  for (const FilaFactura* f : filas) cargadas.emplace(f->numero, f->comisionLibros);

  std::unordered_map<int32_t, bool> acreditadas, modificadas;
  for (size_t desde = 0; desde < filas.size(); desde += kFacturasPorConsulta) {
    const size_t hasta = std::min(filas.size(), desde + kFacturasPorConsulta);
    std::string sql = "SELECT Numero, Comision, ComisionAcreditada FROM Facturas WHERE Numero IN (";
    std::vector<Variant> numeros;
    numeros.reserve(hasta - desde);
    for (size_t i = desde; i < hasta; ++i) {
      sql += i == desde ? "?" : ", ?";
      numeros.emplace_back(filas[i]->numero);
    }
    sql += ")";
    const anfitrion::Recordset rs = factoria_.openRecordset(sql, numeros);
    const anfitrion::Recordset::Campo numero = rs.eof() ? anfitrion::Recordset::Campo() : rs.campo("Numero");
    const anfitrion::Recordset::Campo comision = rs.eof() ? anfitrion::Recordset::Campo() : rs.campo("Comision");
    const anfitrion::Recordset::Campo acreditada = rs.eof() ? anfitrion::Recordset::Campo() : rs.campo("ComisionAcreditada");
    while (!rs.eof()) {
      const int32_t n = automation::cLng(numero.valor());
      if (automation::cLng(acreditada.valor()) != 0) {
        acreditadas[n] = true;
      } else {
        const auto cargada = cargadas.find(n);
        if (cargada != cargadas.end() && automation::cCur(comision.valor()) != cargada->second) modificadas[n] = true;
      }
      rs.moveNext();
    }
  }
  if (!acreditadas.empty()) {
    throw automation::Error(kErrorYaAcreditadas, kFuenteProceso,
                            "Facturas ya acreditadas: " + listaFacturas(lista_, filas, acreditadas));
  }
  if (!modificadas.empty()) {
    throw automation::Error(kErrorModificadas, kFuenteProceso,
                            "Facturas modificadas por otro usuario: " + listaFacturas(lista_, filas, modificadas));
  }
}

void Corte::escribirComisiones() const {
  for (const FilaFactura& f : lista_.filas()) {
    if (!f.comisionCambiada()) continue;
    Variant comision(f.comision);
    Variant numero(f.clave());
    factoria_.executeSQL(kSqlComision, comision, numero);
  }
}

void Corte::acreditarFacturas() {
  comprobante_.emplace(Globales::crearObjeto("BComprobante"));
  comprobante_->startComprobante(automation::today(), "", textoComprobante_);
  detalle_.emplace(Globales::crearObjeto("DetalleCE"));

  for (const FilaFactura& f : lista_.filas()) {
    if (!f.acreditar) continue;
    Variant numero(f.clave());
    factoria_.executeSQL(kSqlAcreditar, numero);
    // Cut by characters: an accented name is never split.
    std::string completa(lista_.texto(f.factura));
    completa += ' ';
    completa += lista_.texto(f.nombreCliente);
    const std::string linea(text::utf8::prefix(completa, kLargoLineaFactura));
    detalle_->add(0, datos_.codigoVendedor, kCodigoCuenta, automation::today(), Arg(Variant(linea)),
                  Arg(Variant(-f.comision)), comprobante_->object());
  }
}

void Corte::asentarGasto() const {
  // Each by-reference amount is a copy of the total: what a host writes back into it changes
  // nothing of the cut.
  Variant total(lista_.comisionAcreditar());
  comprobante_->addDetalleValor(anfitrion::Empresa(Globales::empresa()).cuentaGastosComisiones(), textoComprobante_,
                                Arg::ref(total));
}

void Corte::registrarPago() {
  const Currency monto = lista_.comisionAcreditar();
  std::string referencia;
  switch (datos_.medio) {
    case MedioPago::Cheque:
    case MedioPago::Transferencia: {
      const bool cheque = datos_.medio == MedioPago::Cheque;
      const anfitrion::BancoRegistro banco(datos_.banco ? datos_.banco() : automation::ObjectRef{});
      Variant total(monto);
      banco.registrarMovimiento(cheque ? 0 : 4, automation::today(), textoPago_, datos_.nombreVendedor, total,
                                datos_.referencia, automation::today(), comprobante_->object(), true);
      referencia = std::string(cheque ? "Cheque " : "Transferencia ") + datos_.referencia + " Bco. " + datos_.codigoBanco;
      break;
    }
    case MedioPago::Efectivo: {
      const anfitrion::Sesion caja(Globales::crearObjeto("Sesion"));
      Variant total(monto);
      caja.registrarRetiro(1, total, textoPago_, automation::ObjectRef{}, kCodigoCuenta, datos_.codigoVendedor,
                           datos_.nombreVendedor);
      factoria_.submitDoc(caja.ultimoMovCaja());
      comprobante_->addDetalleValor(anfitrion::Empresa(Globales::empresa()).cuentaCaja(), textoPago_, Arg(Variant(-monto)));
      const Variant movimiento = automation::get(automation::toObject(caja.ultimoMovCaja()), "Numero");
      referencia = "Pago en efectivo (MovCaja No. " + automation::cStr(movimiento, simbolos_) + ")";
      break;
    }
    case MedioPago::NoPagar:
      return;
  }
  Variant ref(referencia);
  Variant total(monto);
  detalle_->add(0, datos_.codigoVendedor, kCodigoCuenta, automation::today(), Arg::ref(ref), Arg::ref(total),
                comprobante_->object());
}

void Corte::cerrarComprobante() const { comprobante_->procesar(); }

void procesarCorte(const ListaFacturas& lista, DatosCorte datos, const automation::NumberSymbols& simbolos,
                   std::vector<automation::Error>& erroresAlLiberar, const std::function<void()>& despuesDeConfirmar) {
  TransaccionCorte transaccion(anfitrion::HostFactory(Globales::factoria()), erroresAlLiberar);
  Corte corte(lista, std::move(datos), simbolos);
  corte.verificarConflictos();
  corte.escribirComisiones();
  if (corte.hayQueAcreditar()) {
    corte.acreditarFacturas();
    corte.asentarGasto();
    corte.registrarPago();
    corte.cerrarComprobante();
  }
  transaccion.confirmar();
  if (despuesDeConfirmar) despuesDeConfirmar();
}

}  // namespace tessaline
