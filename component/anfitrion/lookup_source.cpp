#include "anfitrion/lookup_source.h"

#include "automation/error.h"
#include "anfitrion/host_factory.h"
#include "anfitrion/recordset.h"

namespace tessaline::anfitrion {

namespace {

bool plainIdentifier(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
    if (!ok) return false;
  }
  return name.front() != '.' && name.back() != '.';
}

std::string texto(const automation::Variant& v) {
  if (v.isNull() || v.isEmpty()) return {};
  return automation::cStr(v);
}

}  // namespace

HostLookupSource::HostLookupSource(automation::ObjectRef fuente, automation::ObjectRef factoria, std::string tabla,
                                   std::string codigo, std::string descripcion)
    : fuente_(std::move(fuente)),
      factoria_(std::move(factoria)),
      tabla_(std::move(tabla)),
      codigo_(std::move(codigo)),
      descripcion_(std::move(descripcion)) {}

automation::ObjectRef HostLookupSource::find(const std::string& code) const {
  if (!fuente_) return {};
  const automation::Variant found = automation::call(fuente_, "Buscar", {automation::Arg(code)});
  if (found.isObject()) return found.asObject();
  return {};
}

std::vector<forms::LookupEntry> HostLookupSource::entries() const {
  if (!plainIdentifier(tabla_) || !plainIdentifier(codigo_) || !plainIdentifier(descripcion_))
    throw automation::Error(automation::err::kInvalidProcedureCall, "",
                            "The lookup table and column names must be plain identifiers");
  if (!factoria_) automation::raise(automation::err::kObjectNotSet);
  const Recordset rs = HostFactory(factoria_).openRecordset("SELECT " + codigo_ + ", " + descripcion_ + " FROM " +
                                                            tabla_ + " ORDER BY " + codigo_);
  if (!rs) automation::raise(automation::err::kObjectNotSet);
  std::vector<forms::LookupEntry> rows;
  if (rs.eof()) return rows;
  const Recordset::Campo codigo = rs.campo(codigo_);
  const Recordset::Campo descripcion = rs.campo(descripcion_);
  while (!rs.eof()) {
    rows.push_back({texto(codigo.valor()), texto(descripcion.valor())});
    rs.moveNext();
  }
  return rows;
}

}  // namespace tessaline::anfitrion
