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
    static constinit Site site("crearObjeto", kMethod);
    return automation::toObject(call(site, {automation::Arg(nombre)}));
  }
  // The host's UI theme object, as the property gives it.
  automation::Variant temaUI() const {
    static constinit Site site("TemaUI", kGet);
    return call(site);
  }
  // A picture object for a button.
  automation::ObjectRef getSysIcon(int16_t numero) const {
    static constinit Site site("getSysIcon", kMethod);
    return automation::toObject(call(site, {automation::Arg(numero)}));
  }

  // SQL with ? placeholders, then one value per placeholder, each passed by value.
  template <class... Values>
    requires(std::is_constructible_v<automation::Variant, const Values&> && ...)
  Recordset openRecordset(const std::string& sql, const Values&... values) const {
    return Recordset(
        call(openRecordsetSite(), {automation::Arg(sql), automation::Arg(automation::Variant(values))...}));
  }
  // The same with any number of values.
  Recordset openRecordset(const std::string& sql, std::span<const automation::Variant> values) const {
    std::vector<automation::Arg> args;
    args.reserve(values.size() + 1);
    args.emplace_back(sql);
    for (const automation::Variant& v : values) args.emplace_back(v);
    return Recordset(call(openRecordsetSite(), args));
  }
  // SQL with ? placeholders, then the caller's variables, each passed by reference.
  template <class... Vars>
    requires(std::is_same_v<Vars, automation::Variant> && ...)
  void executeSQL(const std::string& sql, Vars&... byRef) const {
    static constinit Site site("ExecuteSQL", kMethod);
    call(site, {automation::Arg(sql), automation::Arg::ref(byRef)...});
  }

  void setGlobalLock(const std::string& nombre) const {
    static constinit Site site("SetGlobalLock", kMethod);
    call(site, {automation::Arg(nombre)});
  }
  void startTransaction() const {
    static constinit Site site("StartTransaction", kMethod);
    call(site);
  }
  void commitTransaction() const {
    static constinit Site site("CommitTransaction", kMethod);
    call(site);
  }
  void abortTransaction() const {
    static constinit Site site("AbortTransaction", kMethod);
    call(site);
  }
  void freeGlobalLock() const {
    static constinit Site site("FreeGlobalLock", kMethod);
    call(site);
  }
  // Submits a document (the cash box's last movement), passed by value.
  void submitDoc(const automation::Variant& documento) const {
    static constinit Site site("SubmitDoc", kMethod);
    call(site, {automation::Arg(documento)});
  }
  // A warning box; returns when the operator has dismissed it.
  void mAdvertencia(const std::string& texto) const {
    static constinit Site site("mAdvertencia", kMethod);
    call(site, {automation::Arg(texto)});
  }

 private:
  // Both forms of openRecordset are one call in the host's eyes.
  static Site& openRecordsetSite() {
    static constinit Site site("OpenRecordset", kMethod);
    return site;
  }
};

}  // namespace tessaline::anfitrion
