#pragma once
// Lookup sources of the code boxes ("Vendedor", "Banco", "banco") and the records they find.
// Buscar(codigo) returns the record of that exact code or Nothing; validarCodigo(codigo) tells
// whether the code exists.

#include <string>

#include "host/session.h"

namespace host {

class RegistroVendedor final : public HostObject {
 public:
  RegistroVendedor(std::shared_ptr<HostSession> session, std::string codigo, std::string nombre);

 private:
  std::string codigo_, nombre_;
};

class RegistroBanco final : public HostObject {
 public:
  RegistroBanco(std::shared_ptr<HostSession> session, std::string codigo, std::string nombre,
                std::string cuenta);
  // The next cheque number as text, read from the books at each call.
  std::string proximoCheque() const;

 private:
  std::string codigo_, nombre_, cuenta_;
};

// "Vendedor": salespeople (table vendedores).
class FuenteVendedores final : public HostObject {
 public:
  explicit FuenteVendedores(std::shared_ptr<HostSession> session);
  automation::Variant buscar(const std::string& codigo);
};

// "Banco" and "banco": banks (table bancos).
class FuenteBancos final : public HostObject {
 public:
  FuenteBancos(std::shared_ptr<HostSession> session, std::string className);
  automation::Variant buscar(const std::string& codigo);
  bool validarCodigo(const std::string& codigo);
};

}  // namespace host
