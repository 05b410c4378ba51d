#pragma once
// Activator: the component's one public class (ProgID "Quorvane.Activator"). The host creates it
// and starts the commission cut with go(Fact, codigo).

#include <cstdint>

#include "automation/object.h"
#include "entry/live_objects.h"

namespace tessaline {

class Activator final : public automation::Dispatch {
 public:
  // Dispatch identifier of `go` on the default interface _Activator.
  static constexpr int32_t kDispIdGo = 0x60030000;

  Activator();
  ~Activator() override;
  Activator(const Activator&) = delete;
  Activator& operator=(const Activator&) = delete;

  // Keeps the host's factory (Globales::setFactoria), opens one more commission cut window and
  // hands it the salesperson code; returns once the window is visible. Neither argument is
  // modified; every error reaches the host as the error of this call, and when setFactoria fails
  // no window is created.
  void go(automation::ObjectRef& fact, automation::Variant& codigo);

 private:
  LiveObject live_;
};

}  // namespace tessaline
