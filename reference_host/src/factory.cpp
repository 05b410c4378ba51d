#include "host/factory.h"

#include <cctype>

#include "host/company.h"
#include "host/errors.h"
#include "host/lookups.h"
#include "host/postings.h"
#include "host/recordset.h"
#include "host/theme.h"
#include "host/ui.h"
#include "host/viewers.h"

namespace host {

using automation::CallArgs;
using automation::ObjectRef;
using automation::Variant;

const std::vector<std::string>& hostClassNames() {
  static const std::vector<std::string> names{"Empresa", "Vendedor",     "Banco",
                                              "banco",   "Factura",      "CLIENTE",
                                              "BComprobante", "DetalleCE", "Sesion"};
  return names;
}

namespace {

// The first word of a statement, upper case.
std::string firstWord(std::string_view sql) {
  size_t i = 0;
  std::string word;
  for (;;) {
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    if (sql.substr(i).starts_with("--")) {
      size_t nl = sql.find('\n', i);
      i = nl == std::string_view::npos ? sql.size() : nl + 1;
    } else if (sql.substr(i).starts_with("/*")) {
      size_t end = sql.find("*/", i + 2);
      i = end == std::string_view::npos ? sql.size() : end + 2;
    } else {
      break;
    }
  }
  while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])))
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i++])));
  return word;
}

}  // namespace

HostFactory::HostFactory(std::shared_ptr<HostSession> session)
    : HostObject(std::move(session), "HostFactory") {
  method("crearObjeto", [this](CallArgs& a) {
    a.expect(1, 1);
    return Variant(crearObjeto(automation::cStr(a.at(0))));
  });
  getter("TemaUI", [this](CallArgs& a) {
    a.expect(0, 0);
    if (!tema_) tema_ = std::make_shared<TemaUI>(sessionPtr());
    return Variant(ObjectRef(tema_));
  });
  method("getSysIcon", [this](CallArgs& a) {
    a.expect(1, 1);
    int icon = automation::cInt(a.at(0));
    std::string name = sysIconName(icon);
    if (name.empty())
      raiseHost(hosterr::kNotFound, "the host has no system icon " + std::to_string(icon));
    return Variant(ObjectRef(std::make_shared<Picture>(sessionPtr(), icon, name)));
  });
  method("OpenRecordset", [this](CallArgs& a) {
    if (a.size() < 1) a.expect(1, 1);
    return Variant(ObjectRef(Recordset::open(sessionPtr(), automation::cStr(a.at(0)), a, 1)));
  });
  method("ExecuteSQL", [this](CallArgs& a) { return Variant(executeSql(a)); });
  method("SetGlobalLock", [this](CallArgs& a) {
    a.expect(1, 1);
    setGlobalLock(automation::cStr(a.at(0)));
    return Variant();
  });
  method("FreeGlobalLock", [this](CallArgs& a) {
    a.expect(0, 1);  // a lock name may be given; one lock is held at most
    freeGlobalLock();
    return Variant();
  });
  method("StartTransaction", [this](CallArgs& a) {
    a.expect(0, 0);
    startTransaction();
    return Variant();
  });
  method("CommitTransaction", [this](CallArgs& a) {
    a.expect(0, 0);
    commitTransaction();
    return Variant();
  });
  method("AbortTransaction", [this](CallArgs& a) {
    a.expect(0, 0);
    abortTransaction();
    return Variant();
  });
  method("SubmitDoc", [this](CallArgs& a) {
    a.expect(1, 1);
    submitDocument(this->session(), a.at(0));
    return Variant();
  });
  method("mAdvertencia", [this](CallArgs& a) {
    a.expect(1, 1);
    this->session().ui().warning(automation::cStr(a.at(0)));
    return Variant();
  });
}

ObjectRef HostFactory::crearObjeto(const std::string& requested) {
  const auto& names = hostClassNames();
  std::string name;
  for (const auto& n : names)
    if (n == requested) name = n;
  if (name.empty())  // "Banco" and "banco" differ; otherwise case does not matter
    for (const auto& n : names)
      if (name.empty() && automation::sameName(n, requested)) name = n;
  auto s = sessionPtr();
  if (name == "Empresa") return std::make_shared<Empresa>(s);
  if (name == "Vendedor") return std::make_shared<FuenteVendedores>(s);
  if (name == "Banco" || name == "banco") return std::make_shared<FuenteBancos>(s, name);
  if (name == "Factura") return std::make_shared<VisorFactura>(s);
  if (name == "CLIENTE") return std::make_shared<VisorCliente>(s);
  if (name == "BComprobante") return std::make_shared<Comprobante>(s);
  if (name == "DetalleCE") return std::make_shared<DetalleCE>(s);
  if (name == "Sesion") return std::make_shared<Sesion>(s);
  std::string known;
  for (const auto& n : names) known += (known.empty() ? "" : ", ") + n;
  raiseHost(hosterr::kUnknownClass,
            "crearObjeto: the host has no class '" + requested + "' (it has " + known + ")");
}

void HostFactory::setGlobalLock(const std::string& name) {
  auto& s = session();
  if (s.lock)
    raiseHost(hosterr::kLockTimeout, "the lock " + s.lock->name() +
                                         " is already held by this session; free it first");
  s.lock = s.db().lock(name, s.options().lockTimeoutSeconds);
}

void HostFactory::freeGlobalLock() { session().lock.reset(); }

void HostFactory::startTransaction() {
  auto& s = session();
  if (s.transaction) raiseHost(hosterr::kTransactionState, "a transaction is already open");
  s.transaction = std::make_unique<Transaction>(s.db());
}

void HostFactory::commitTransaction() {
  auto& s = session();
  if (!s.transaction) raiseHost(hosterr::kTransactionState, "no transaction is open to commit");
  auto txn = std::move(s.transaction);
  txn->commit();  // on failure the guard has rolled back
  // What failed after the commit (a printout that could not take its name) is the operator's to
  // know; the component's work stands, so its call succeeds.
  for (const auto& e : s.db().takeLateFailures()) s.ui().error(e);
  if (s.afterCommit) s.afterCommit();
}

void HostFactory::abortTransaction() { session().transaction.reset(); }

int32_t HostFactory::executeSql(const CallArgs& a) {
  if (a.size() < 1) a.expect(1, 1);
  std::string sql = automation::cStr(a.at(0));
  std::string word = firstWord(sql);
  // Transaction control, and what would drop the server connection's prepared statements.
  for (const char* control : {"BEGIN", "START", "COMMIT", "END", "ROLLBACK", "ABORT", "SAVEPOINT",
                              "RELEASE", "PREPARE", "ATTACH", "DETACH", "VACUUM", "DISCARD",
                              "DEALLOCATE"})
    if (word == control)
      raiseHost(hosterr::kInvalidArgument,
                "ExecuteSQL does not take " + word +
                    "; transactions go through StartTransaction and CommitTransaction");
  auto st = session().db().prepare(sql);
  bindArguments(st, a, 1, "ExecuteSQL");
  st.run();
  return static_cast<int32_t>(st.changes());
}

}  // namespace host
