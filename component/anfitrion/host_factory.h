#pragma once
// The host's factory (HostFactory) as the component calls it.
//
//   anfitrion::HostFactory f(Globales::factoria());
//   anfitrion::Recordset rs = f.openRecordset(sql, codigo, fecha);        // values by value
//   automation::Variant monto = comision, numero = factura;
//   f.executeSQL("UPDATE Facturas SET Comision = ? WHERE Numero = ?", monto, numero);  // by reference

#include <span>
#include <string>
#include <vector>
#include <type_traits>

#include "anfitrion/host_object.h"
#include "anfitrion/recordset.h"

namespace tessaline::anfitrion {

class HostFactory final : public HostObject {
 public:
  using HostObject::HostObject;

  // A new host object of that class (the class name passed by value).
  automation::ObjectRef crearObjeto(const std::string& nombre) const {
    return automation::toObject(call("crearObjeto", {automation::Arg(nombre)}));
  }
  // The host's UI theme object, as the property gives it.
  automation::Variant temaUI() const { return get("TemaUI"); }
  // A picture object for a button.
  automation::ObjectRef getSysIcon(int16_t numero) const {
    return automation::toObject(call("getSysIcon", {automation::Arg(numero)}));
  }

  // SQL with ? placeholders, then one value per placeholder, each passed by value.
  template <class... Values>
    requires(std::is_constructible_v<automation::Variant, const Values&> && ...)
  Recordset openRecordset(const std::string& sql, const Values&... values) const {
    return Recordset(call("OpenRecordset", {automation::Arg(sql), automation::Arg(automation::Variant(values))...}));
  }
  // The same with any number of values.
  Recordset openRecordset(const std::string& sql, std::span<const automation::Variant> values) const {
    std::vector<automation::Arg> args;
    args.reserve(values.size() + 1);
    args.emplace_back(sql);
    for (const automation::Variant& v : values) args.emplace_back(v);
    return Recordset(call("OpenRecordset", std::move(args)));
  }
  // SQL with ? placeholders, then the caller's variables, each passed by reference.
  template <class... Vars>
    requires(std::is_same_v<Vars, automation::Variant> && ...)
  void executeSQL(const std::string& sql, Vars&... byRef) const {
    call("ExecuteSQL", {automation::Arg(sql), automation::Arg::ref(byRef)...});
  }

  void setGlobalLock(const std::string& nombre) const { call("SetGlobalLock", {automation::Arg(nombre)}); }
  void startTransaction() const { call("StartTransaction"); }
  void commitTransaction() const { call("CommitTransaction"); }
  void abortTransaction() const { call("AbortTransaction"); }
  void freeGlobalLock() const { call("FreeGlobalLock"); }
  // Submits a document (the cash box's last movement), passed by value.
  void submitDoc(const automation::Variant& documento) const { call("SubmitDoc", {automation::Arg(documento)}); }
  // A warning box; returns when the operator has dismissed it.
  void mAdvertencia(const std::string& texto) const { call("mAdvertencia", {automation::Arg(texto)}); }
};

}  // namespace tessaline::anfitrion
