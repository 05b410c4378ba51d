#include "entry/globales.h"

#include "automation/error.h"

namespace tessaline {

namespace {
struct HostGlobals {
  automation::ObjectRef factoria;
  automation::ObjectRef empresa;
  automation::ObjectRef temaUI;
};

HostGlobals& globals() {
  static HostGlobals g;
  return g;
}
}  // namespace

const automation::ObjectRef& Globales::factoria() { return globals().factoria; }
const automation::ObjectRef& Globales::empresa() { return globals().empresa; }
const automation::ObjectRef& Globales::temaUI() { return globals().temaUI; }

void Globales::setFactoria(const automation::ObjectRef& fact) {
  globals().factoria = fact;
  globals().empresa = automation::toObject(crearObjeto("Empresa"));

  automation::ObjectRef tema = automation::toObject(automation::get(fact, "TemaUI"));
  if (tema && !tema->supportsInterface(kTemaUIInterface)) automation::raise(automation::err::kTypeMismatch, kProyecto);
  globals().temaUI = std::move(tema);
}

automation::Variant Globales::crearObjeto(const std::string& nombre) {
  return automation::call(globals().factoria, "crearObjeto", {automation::Arg(nombre)});
}

automation::Variant Globales::MAX(std::span<const automation::Variant> args) {
  if (args.empty()) automation::raise(automation::err::kInvalidProcedureCall, kProyecto);
  automation::Variant running = args[0];
  for (size_t i = 1; i < args.size(); ++i) {
    if (automation::greaterThan(args[i], running)) running = args[i];
  }
  return running;
}

}  // namespace tessaline
