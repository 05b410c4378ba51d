#pragma once
// The host's document viewers: "Factura" (an invoice by number) and "CLIENTE" (a customer by
// code). Load finds the document and answers whether it exists; Show opens a viewer window.

#include <optional>

#include "host/session.h"
#include "host/ui.h"

namespace host {

class VisorFactura final : public HostObject {
 public:
  explicit VisorFactura(std::shared_ptr<HostSession> session);
  bool load(int32_t numero);
  void show();

 private:
  std::optional<DocumentView> loaded_;
};

class VisorCliente final : public HostObject {
 public:
  explicit VisorCliente(std::shared_ptr<HostSession> session);
  bool load(const std::string& codigo);
  void show();

 private:
  std::optional<DocumentView> loaded_;
};

}  // namespace host
