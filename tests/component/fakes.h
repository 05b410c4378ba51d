#pragma once
// Small stand-ins for the host's objects, enough for the component's windows to load and run
// without a real host.

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

class Picture final : public automation::Dispatch {
 public:
  explicit Picture(std::string icon) : Dispatch("Picture"), icon_(std::move(icon)) {
    getter("IconName", [this](CallArgs&) { return Variant(icon_); });
  }

 private:
  std::string icon_;
};

// The theme: implements the theme interface unless told otherwise, and notes the windows it styled.
class Tema final : public automation::Dispatch {
 public:
  explicit Tema(bool implementsInterface) : Dispatch("TemaUI"), implements_(implementsInterface) {
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

class Empresa final : public automation::Dispatch {
 public:
  Empresa() : Dispatch("Empresa") { property("MascaraMonetarios", &mascara); }
  Variant mascara = Variant("#,##0.00");
};

// A lookup source ("Vendedor", "Banco"): Buscar(codigo) gives the record or Nothing.
class Lookup final : public automation::Dispatch {
 public:
  explicit Lookup(std::string cls) : Dispatch(std::move(cls)) {
    method("Buscar", [this](CallArgs& a) {
      auto it = records.find(automation::cStr(a.at(0)));
      return it == records.end() ? Variant::nothing() : Variant(it->second);
    });
  }
  std::map<std::string, ObjectRef> records;
};

// A recordset of `filas` rows read forward, `valor(row, field)` giving each field (named in lower
// case); a field follows the current record, as a host's does.
class Recordset final : public automation::Dispatch {
 public:
  using Valor = std::function<Variant(size_t fila, const std::string& campo)>;
  Recordset(size_t filas, Valor valor) : Dispatch("Recordset"), filas_(filas), valor_(std::move(valor)) {
    getter("EOF", [this](CallArgs&) { return Variant(pos_ >= filas_); });
    method("MoveNext", [this](CallArgs&) { return ++pos_, Variant(); });
    getter("Fields", [this](CallArgs& a) {
      return Variant(ObjectRef(std::make_shared<Field>(*this, text::lowerAscii(automation::cStr(a.at(0))))));
    });
  }

 private:
  class Field final : public automation::Dispatch {
   public:
    Field(const Recordset& rs, std::string name) : Dispatch("Field") {
      getter("Value", [&rs, name](CallArgs&) { return rs.valor_(rs.pos_, name); });
    }
  };
  size_t filas_;
  Valor valor_;
  size_t pos_ = 0;
};

class Factory : public automation::Dispatch {
 public:
  explicit Factory(bool themeImplementsInterface = true)
      : Dispatch("HostFactory"),
        empresa(std::make_shared<Empresa>()),
        tema(std::make_shared<Tema>(themeImplementsInterface)) {
    method("crearObjeto", [this](CallArgs& a) -> Variant {
      const std::string name = automation::cStr(a.at(0));
      if (name == "Empresa") return Variant(ObjectRef(empresa));
      if (name == "Vendedor" || name == "Banco") return Variant(ObjectRef(std::make_shared<Lookup>(name)));
      return Variant(ObjectRef(std::make_shared<automation::Dispatch>(name)));
    });
    getter("TemaUI", [this](CallArgs&) { return temaValue.isEmpty() ? Variant(ObjectRef(tema)) : temaValue; });
    method("getSysIcon", [this](CallArgs& a) {
      const int16_t n = a.at(0).asInteger();
      icons.push_back(n);
      const char* name = n == 19 ? "process" : n == 8 ? "cancel" : n == 25 ? "ok" : "other";
      return Variant(ObjectRef(std::make_shared<Picture>(name)));
    });
    method("OpenRecordset", [this](CallArgs& a) {
      sql.push_back(automation::cStr(a.at(0)));
      if (recordset) return Variant(recordset());
      return Variant(ObjectRef(std::make_shared<Recordset>(
          tabla.size(), [t = tabla](size_t i, const std::string& c) { return t.at(i).at(c); })));
    });
  }
  std::shared_ptr<Empresa> empresa;
  std::shared_ptr<Tema> tema;
  Variant temaValue;  // when set, TemaUI gives this instead of the theme
  std::vector<int16_t> icons;
  std::vector<std::string> sql;                             // every OpenRecordset, in order
  std::vector<std::map<std::string, Variant>> tabla;        // what OpenRecordset lists (fields in lower case)
  std::function<ObjectRef()> recordset;                     // when set, what OpenRecordset gives instead
};

}  // namespace fakes
