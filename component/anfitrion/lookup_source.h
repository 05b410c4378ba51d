#pragma once
// The host behind the component's code boxes: a code's record is what the host lookup object
// ("Vendedor", "Banco") finds with Buscar; the search list (F2) reads the codes and descriptions
// of one table through the factory's OpenRecordset, in code order.

#include <string>
#include <vector>

#include "automation/variant.h"
#include "forms/lookup_source.h"

namespace tessaline::anfitrion {

class HostLookupSource final : public forms::LookupSource {
 public:
  HostLookupSource(automation::ObjectRef fuente, automation::ObjectRef factoria, std::string tabla,
                   std::string codigo, std::string descripcion);

  // fuente.Buscar(code); an empty reference when it finds nothing or there is no lookup object.
  automation::ObjectRef find(const std::string& code) const override;
  // "SELECT <codigo>, <descripcion> FROM <tabla> ORDER BY <codigo>". The names go into SQL text:
  // error 5 (before any host call) unless each is a plain identifier, optionally qualified.
  std::vector<forms::LookupEntry> entries() const override;

  const automation::ObjectRef& fuente() const { return fuente_; }
  const automation::ObjectRef& factoria() const { return factoria_; }
  const std::string& tabla() const { return tabla_; }

 private:
  automation::ObjectRef fuente_;
  automation::ObjectRef factoria_;
  std::string tabla_, codigo_, descripcion_;
};

}  // namespace tessaline::anfitrion
