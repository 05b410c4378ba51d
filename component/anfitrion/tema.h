#pragma once
// The host's UI theme (interface ITemaUI) and the pictures getSysIcon returns.

#include <string>

#include "anfitrion/host_object.h"

namespace tessaline::anfitrion {

class TemaUI final : public HostObject {
 public:
  using HostObject::HostObject;
  // Styles the window; the window (its automation object) is passed by reference.
  void aplicarTema(automation::Variant& ventana) const { call("aplicarTema", {automation::Arg::ref(ventana)}); }
};

class Picture final : public HostObject {
 public:
  using HostObject::HostObject;
  std::string iconName() const { return automation::cStr(get("IconName")); }
};

}  // namespace tessaline::anfitrion
