#include "host/lookups.h"

#include "host/errors.h"
#include "host/postings.h"

namespace host {

using automation::CallArgs;
using automation::Variant;

RegistroVendedor::RegistroVendedor(std::shared_ptr<HostSession> session, std::string codigo,
                                   std::string nombre)
    : HostObject(std::move(session), "RegistroVendedor"),
      codigo_(std::move(codigo)),
      nombre_(std::move(nombre)) {
  getter("Codigo", [this](CallArgs&) { return Variant(codigo_); });
  getter("Nombre", [this](CallArgs&) { return Variant(nombre_); });
}

RegistroBanco::RegistroBanco(std::shared_ptr<HostSession> session, std::string codigo,
                             std::string nombre, std::string cuenta)
    : HostObject(std::move(session), "RegistroBanco"),
      codigo_(std::move(codigo)),
      nombre_(std::move(nombre)),
      cuenta_(std::move(cuenta)) {
  getter("Codigo", [this](CallArgs&) { return Variant(codigo_); });
  getter("Nombre", [this](CallArgs&) { return Variant(nombre_); });
  getter("Cuenta", [this](CallArgs&) { return Variant(cuenta_); });
  method("proximoCheque", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(proximoCheque());
  });
  method("RegistrarMovimiento", [this](CallArgs& a) {
    return booksNumber(registerBankMovement(this->session(), codigo_, a));
  });
}

std::string RegistroBanco::proximoCheque() const {
  auto st = session().db().prepare("SELECT proximo_cheque FROM bancos WHERE codigo = ?");
  st.bind(1, codigo_);
  if (!st.step()) raiseHost(hosterr::kNotFound, "the bank " + codigo_ + " is no longer in the books");
  return std::to_string(st.columnInt(0));
}

FuenteVendedores::FuenteVendedores(std::shared_ptr<HostSession> session)
    : HostObject(std::move(session), "Vendedor") {
  method("Buscar", [this](CallArgs& a) {
    a.expect(1, 1);
    return buscar(automation::cStr(a.at(0)));
  });
  method("validarCodigo", [this](CallArgs& a) {
    a.expect(1, 1);
    return Variant(!buscar(automation::cStr(a.at(0))).isNothing());
  });
}

Variant FuenteVendedores::buscar(const std::string& codigo) {
  auto st = session().db().prepare("SELECT codigo, nombre FROM vendedores WHERE codigo = ?");
  st.bind(1, codigo);
  if (!st.step()) return Variant::nothing();
  return Variant(
      std::make_shared<RegistroVendedor>(sessionPtr(), st.columnText(0), st.columnText(1)));
}

FuenteBancos::FuenteBancos(std::shared_ptr<HostSession> session, std::string className)
    : HostObject(std::move(session), std::move(className)) {
  method("Buscar", [this](CallArgs& a) {
    a.expect(1, 1);
    return buscar(automation::cStr(a.at(0)));
  });
  method("validarCodigo", [this](CallArgs& a) {
    a.expect(1, 1);
    return Variant(validarCodigo(automation::cStr(a.at(0))));
  });
}

Variant FuenteBancos::buscar(const std::string& codigo) {
  auto st = session().db().prepare("SELECT codigo, nombre, cuenta FROM bancos WHERE codigo = ?");
  st.bind(1, codigo);
  if (!st.step()) return Variant::nothing();
  return Variant(std::make_shared<RegistroBanco>(sessionPtr(), st.columnText(0), st.columnText(1),
                                                 st.columnText(2)));
}

bool FuenteBancos::validarCodigo(const std::string& codigo) {
  auto st = session().db().prepare("SELECT 1 FROM bancos WHERE codigo = ?");
  st.bind(1, codigo);
  return st.step();
}

}  // namespace host
