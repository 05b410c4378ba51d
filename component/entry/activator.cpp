#include "entry/activator.h"

#include <memory>

#include "automation/error.h"
#include "commission_window/select_facturas.h"
#include "entry/globales.h"

namespace tessaline {

Activator::Activator() : Dispatch("Activator") {
  // go(Fact, codigo): both arguments by reference; the caller's variables are left as they are.
  method("go", [this](automation::CallArgs& args) {
    args.expect(2, 2);
    const automation::Variant& factArg = args.at(0);
    if (!factArg.isObject()) automation::raise(automation::err::kTypeMismatch, kProyecto);
    automation::ObjectRef fact = factArg.asObject();
    go(fact, args.at(1));
    return automation::Variant();
  });
  bindDispId(kDispIdGo, "go");
}

Activator::~Activator() = default;

void Activator::go(automation::ObjectRef& fact, automation::Variant& codigo) {
  Globales::setFactoria(fact);
  // The window belongs to the forms runtime once it is loaded; this reference is only ours for
  // the length of the call.
  auto ventana = std::make_shared<SelectFacturas>();
  ventana->load();
  ventana->setVendedor(codigo);
}

}  // namespace tessaline
