#pragma once
// Small stand-ins for the host's objects, enough for the component's windows to load and run
// without a real host. Every call they receive is noted in a shared log.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "automation/object.h"
#include "text/text.h"

namespace fakes {

using automation::Arg;
using automation::CallArgs;
using automation::ObjectRef;
using automation::Variant;

struct CallLog {
  std::vector<std::string> calls;  // "Class.Member"
  int count(const std::string& entry) const {
    int n = 0;
    for (const auto& c : calls) n += (c == entry);
    return n;
  }
};

class Logged : public automation::Dispatch {
 public:
  Logged(std::string cls, std::shared_ptr<CallLog> log) : Dispatch(std::move(cls)), log_(std::move(log)) {}
  Variant invoke(std::string_view member, automation::CallKind kind, CallArgs& args) override {
    if (log_) log_->calls.push_back(className() + "." + std::string(member));
    return Dispatch::invoke(member, kind, args);
  }

 protected:
  std::shared_ptr<CallLog> log_;
};

class Picture final : public Logged {
 public:
  Picture(std::string icon, std::shared_ptr<CallLog> log) : Logged("Picture", std::move(log)), icon_(std::move(icon)) {
    getter("IconName", [this](CallArgs&) { return Variant(icon_); });
  }

 private:
  std::string icon_;
};

// The theme: implements the theme interface unless told otherwise, and notes the windows it styled.
class Tema final : public Logged {
 public:
  Tema(bool implementsInterface, std::shared_ptr<CallLog> log)
      : Logged("TemaUI", std::move(log)), implements_(implementsInterface) {
    method("aplicarTema", [this](CallArgs& a) {
      styled.push_back(automation::cStr(automation::get(automation::toObject(a.at(0)), "Name")));
      byRef = a.isByRef(0);
      return Variant();
    });
  }
  bool supportsInterface(std::string_view iid) const override {
    return implements_ && iid == "{3239BD71-5C39-434E-B049-48A1CDD16445}";
  }
  std::vector<std::string> styled;
  bool byRef = false;

 private:
  bool implements_;
};

class Empresa final : public Logged {
 public:
  explicit Empresa(std::shared_ptr<CallLog> log) : Logged("Empresa", std::move(log)) {
    property("MascaraMonetarios", &mascara);
  }
  Variant mascara = Variant("#,##0.00");
};

// A host object with one property (a record's Nombre, a field's Value).
class Record final : public Logged {
 public:
  Record(std::string cls, const std::string& name, Variant v, std::shared_ptr<CallLog> log)
      : Logged(std::move(cls), std::move(log)), value(std::move(v)) {
    property(name, &value);
  }
  Variant value;
};

// A lookup source ("Vendedor", "Banco"): Buscar(codigo) gives the record or Nothing.
class Lookup final : public Logged {
 public:
  Lookup(std::string cls, std::shared_ptr<CallLog> log) : Logged(std::move(cls), log) {
    method("Buscar", [this](CallArgs& a) {
      auto it = records.find(automation::cStr(a.at(0)));
      return it == records.end() ? Variant::nothing() : Variant(it->second);
    });
  }
  std::map<std::string, ObjectRef> records;
};

// A recordset of `filas` rows read forward, `valor(row, field)` giving each field (named in lower
// case); a field follows the current record, as a host's does. `alAvanzar` hears each MoveNext
// with the number of the row being left.
class Recordset final : public Logged {
 public:
  using Valor = std::function<Variant(size_t fila, const std::string& campo)>;
  Recordset(size_t filas, Valor valor, std::shared_ptr<CallLog> log, std::function<void(size_t)> alAvanzar = {})
      : Logged("Recordset", std::move(log)), filas_(filas), valor_(std::move(valor)), alAvanzar_(std::move(alAvanzar)) {
    getter("EOF", [this](CallArgs&) { return Variant(pos_ >= filas_); });
    method("MoveNext", [this](CallArgs&) {
      if (alAvanzar_) alAvanzar_(pos_);
      return ++pos_, Variant();
    });
    getter("Fields", [this](CallArgs& a) {
      return Variant(ObjectRef(std::make_shared<Field>(*this, text::lowerAscii(automation::cStr(a.at(0))))));
    });
  }

 private:
  class Field final : public Logged {
   public:
    Field(const Recordset& rs, std::string name) : Logged("Field", rs.log_) {
      getter("Value", [&rs, name](CallArgs&) { return rs.valor_(rs.pos_, name); });
    }
  };
  size_t filas_;
  Valor valor_;
  std::function<void(size_t)> alAvanzar_;
  size_t pos_ = 0;
};

class Factory : public Logged {
 public:
  explicit Factory(std::shared_ptr<CallLog> log, bool themeImplementsInterface = true)
      : Logged("HostFactory", log),
        empresa(std::make_shared<Empresa>(log)),
        tema(std::make_shared<Tema>(themeImplementsInterface, log)) {
    method("crearObjeto", [this](CallArgs& a) -> Variant {
      const std::string name = automation::cStr(a.at(0));
      created.push_back(name);
      if (name == "Empresa") return Variant(ObjectRef(empresa));
      if (name == "Vendedor" || name == "Banco") return Variant(ObjectRef(std::make_shared<Lookup>(name, log_)));
      return Variant(ObjectRef(std::make_shared<Logged>(name, log_)));
    });
    getter("TemaUI", [this](CallArgs&) { return temaValue.isEmpty() ? Variant(ObjectRef(tema)) : temaValue; });
    method("getSysIcon", [this](CallArgs& a) {
      const int16_t n = a.at(0).asInteger();
      icons.push_back(n);
      const char* name = n == 19 ? "process" : n == 8 ? "cancel" : n == 25 ? "ok" : "other";
      return Variant(ObjectRef(std::make_shared<Picture>(name, log_)));
    });
    method("OpenRecordset", [this](CallArgs& a) {
      sql.push_back(automation::cStr(a.at(0)));
      if (recordset) return Variant(recordset());
      return Variant(ObjectRef(std::make_shared<Recordset>(
          tabla.size(), [t = tabla](size_t i, const std::string& c) { return t.at(i).at(c); }, log_)));
    });
    method("mAdvertencia", [this](CallArgs& a) {
      warnings.push_back(automation::cStr(a.at(0)));
      return Variant();
    });
  }
  std::shared_ptr<Empresa> empresa;
  std::shared_ptr<Tema> tema;
  Variant temaValue;  // when set, TemaUI gives this instead of the theme
  std::vector<std::string> created;
  std::vector<int16_t> icons;
  std::vector<std::string> sql;                             // every OpenRecordset, in order
  std::vector<std::map<std::string, Variant>> tabla;        // what OpenRecordset lists (fields in lower case)
  std::function<ObjectRef()> recordset;                     // when set, what OpenRecordset gives instead
  std::vector<std::string> warnings;
};

}  // namespace fakes
