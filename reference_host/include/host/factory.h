#pragma once
// HostFactory: the object the host hands to the component's `go`. Members:
//   crearObjeto(className)          a new host object: "Empresa", "Vendedor", "Banco", "banco",
//                                   "Factura", "CLIENTE", "BComprobante", "DetalleCE", "Sesion"
//   TemaUI                          the theme object (ITemaUI)
//   getSysIcon(n)                   a Picture (19 process, 8 cancel, 25 ok)
//   OpenRecordset(sql, values...)   a forward-only recordset; each '?' bound to its value
//   ExecuteSQL(sql, values...)      runs one statement (in the open transaction); rows changed
//   SetGlobalLock(name)             takes the named lock, waiting up to --lock-timeout seconds
//   FreeGlobalLock                  releases it (nothing when none is held)
//   StartTransaction, CommitTransaction, AbortTransaction (nothing when none is open)
//   SubmitDoc(doc)                  marks a cash movement as submitted
//   mAdvertencia(text)              a warning box; returns when dismissed

#include <memory>
#include <string>

#include "host/session.h"

namespace host {

class TemaUI;

class HostFactory final : public HostObject {
 public:
  explicit HostFactory(std::shared_ptr<HostSession> session);
  automation::ObjectRef crearObjeto(const std::string& className);

  void setGlobalLock(const std::string& name);
  void freeGlobalLock();
  void startTransaction();
  void commitTransaction();
  void abortTransaction();
  int32_t executeSql(const automation::CallArgs& args);

 private:
  std::shared_ptr<TemaUI> tema_;
};

// The class names crearObjeto knows, in the order above.
const std::vector<std::string>& hostClassNames();

}  // namespace host
