#pragma once
// The company object (host class "Empresa"): settings read as late-bound properties.

#include <string>

#include "anfitrion/host_object.h"

namespace tessaline::anfitrion {

class Empresa final : public HostObject {
 public:
  using HostObject::HostObject;

  // The money display mask.
  std::string mascaraMonetarios() const {
    static constinit Site site("MascaraMonetarios", kGet);
    return automation::cStr(call(site));
  }
  // The company's commission percentages, as the host gives them.
  automation::Variant pComisVenta1() const {
    static constinit Site site("PComisVenta1", kGet);
    return call(site);
  }
  automation::Variant pComisVenta2() const {
    static constinit Site site("PComisVenta2", kGet);
    return call(site);
  }
  automation::Variant pComisVenta3() const {
    static constinit Site site("PComisVenta3", kGet);
    return call(site);
  }
  automation::Variant pComisCobranza1() const {
    static constinit Site site("PComisCobranza1", kGet);
    return call(site);
  }
  automation::Variant pComisCobranza2() const {
    static constinit Site site("PComisCobranza2", kGet);
    return call(site);
  }
  automation::Variant pComisCobranza3() const {
    static constinit Site site("PComisCobranza3", kGet);
    return call(site);
  }
  // Ledger accounts, passed on to the host unchanged.
  automation::Variant cuentaGastosComisiones() const {
    static constinit Site site("CuentaGastosComisiones", kGet);
    return call(site);
  }
  automation::Variant cuentaCaja() const {
    static constinit Site site("CuentaCaja", kGet);
    return call(site);
  }
};

}  // namespace tessaline::anfitrion
