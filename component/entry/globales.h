#pragma once
// Globales: the host objects every window of the component reaches the host through, kept for as
// long as the component is loaded and replaced on every `go`.
//
//   factoria  the HostFactory handed to the latest `go`
//   empresa   the company object (host class "Empresa")
//   temaUI    the host's UI theme, converted to its theme interface
//
// No routine here traps errors: a failing host call reaches the caller as it is.

#include <span>
#include <string>

#include "automation/object.h"
#include "automation/variant.h"

namespace tessaline {

// The project name: the source of the errors the component's own code raises.
inline constexpr const char* kProyecto = "Quorvane";

// Identifier of the host's theme interface (ITemaUI).
inline constexpr const char* kTemaUIInterface = "{3239BD71-5C39-434E-B049-48A1CDD16445}";

class Globales final {
 public:
  Globales() = delete;

  // Empty references until the first `go`.
  static const automation::ObjectRef& factoria();
  static const automation::ObjectRef& empresa();
  static const automation::ObjectRef& temaUI();

  // In this order: factoria := fact; empresa := crearObjeto("Empresa"); temaUI := fact.TemaUI
  // converted to the theme interface (error 13 when the object does not implement it, 424 when the
  // property is not an object; Nothing stays Nothing). Steps done before a failure stay done.
  static void setFactoria(const automation::ObjectRef& fact);

  // factoria.crearObjeto(nombre), the result returned as the host gave it.
  static automation::Variant crearObjeto(const std::string& nombre);

  // The largest of the arguments by the ordering of dynamic values; among equal values the earlier
  // one wins, and the result keeps its own type. Error 5 without arguments.
  static automation::Variant MAX(std::span<const automation::Variant> args);
  template <class... Rest>
  static automation::Variant MAX(const automation::Variant& first, const Rest&... rest) {
    const automation::Variant all[] = {first, automation::Variant(rest)...};
    return MAX(std::span<const automation::Variant>(all));
  }
};

}  // namespace tessaline
