#include "host/company.h"

#include "host/errors.h"

namespace host {

using automation::CallArgs;
using automation::Variant;

namespace {

struct CompanyColumn {
  const char* name;
  bool percentage;
};
constexpr CompanyColumn kColumns[] = {
    {"nombre", false},          {"MascaraMonetarios", false},      {"PComisVenta1", true},
    {"PComisVenta2", true},     {"PComisVenta3", true},            {"PComisCobranza1", true},
    {"PComisCobranza2", true},  {"PComisCobranza3", true},         {"CuentaGastosComisiones", false},
    {"CuentaCaja", false},      {"CuentaVendedores", false},
};

}  // namespace

Empresa::Empresa(std::shared_ptr<HostSession> session)
    : HostObject(std::move(session), "Empresa") {
  auto st = this->session().db().prepare("SELECT count(*) FROM empresa WHERE id = 1");
  st.step();
  if (st.columnInt(0) == 0)
    raiseHost(hosterr::kNotFound, "the books have no company settings (table empresa is empty)");
  for (const auto& c : kColumns) {
    std::string name = c.name;
    getter(name, [this, name](CallArgs& a) {
      a.expect(0, 0);
      return column(name);
    });
  }
}

Variant Empresa::column(std::string_view name) const {
  const CompanyColumn* found = nullptr;
  for (const auto& c : kColumns)
    if (automation::sameName(c.name, name)) found = &c;
  if (!found) raiseHost(hosterr::kInvalidArgument, "the company has no setting " + std::string(name));
  // The column name comes from the fixed list above, never from the caller's text.
  auto st = session().db().prepare(std::string("SELECT ") + found->name +
                                   " FROM empresa WHERE id = 1");
  if (!st.step()) raiseHost(hosterr::kNotFound, "the books have no company settings");
  if (st.isNull(0)) return Variant::null();
  if (found->percentage) return Variant(st.columnDouble(0));
  return Variant(st.columnText(0));
}

}  // namespace host
