#pragma once
// The company object (host class "Empresa"): settings read as late-bound properties.

#include <string>

#include "anfitrion/host_object.h"

namespace tessaline::anfitrion {

class Empresa final : public HostObject {
 public:
  using HostObject::HostObject;

  // The money display mask.
  std::string mascaraMonetarios() const { return automation::cStr(get("MascaraMonetarios")); }
  // The company's commission percentages, as the host gives them.
  automation::Variant pComisVenta1() const { return get("PComisVenta1"); }
  automation::Variant pComisVenta2() const { return get("PComisVenta2"); }
  automation::Variant pComisVenta3() const { return get("PComisVenta3"); }
  automation::Variant pComisCobranza1() const { return get("PComisCobranza1"); }
  automation::Variant pComisCobranza2() const { return get("PComisCobranza2"); }
  automation::Variant pComisCobranza3() const { return get("PComisCobranza3"); }
  // Ledger accounts, passed on to the host unchanged.
  automation::Variant cuentaGastosComisiones() const { return get("CuentaGastosComisiones"); }
  automation::Variant cuentaCaja() const { return get("CuentaCaja"); }
};

}  // namespace tessaline::anfitrion
