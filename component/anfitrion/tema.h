#pragma once
// The host's UI theme (interface ITemaUI) and the pictures getSysIcon returns.

#include <string>

#include "automation/error.h"
#include "anfitrion/host_object.h"

namespace tessaline::anfitrion {

class TemaUI final : public HostObject {
 public:
  using HostObject::HostObject;
  // Styles the window; the window (its automation object) is passed by reference.
  void aplicarTema(automation::Variant& ventana) const {
    static constinit Site site("aplicarTema", kMethod);
    call(site, {automation::Arg::ref(ventana)});
  }
};

class Picture final : public HostObject {
 public:
  using HostObject::HostObject;
  // The name of the icon a button draws: "" for Nothing, and when the host cannot answer (the
  // button then goes without an icon rather than failing to load).
  std::string iconName() const {
    if (isNothing()) return {};
    static constinit Site site("IconName", kGet);
    try {
      return automation::cStr(call(site));
    } catch (const automation::Error&) {
      return {};
    }
  }
};

}  // namespace tessaline::anfitrion
