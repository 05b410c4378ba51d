#pragma once
// "Empresa": the company settings of the books (table empresa), read-only. Percentages come back
// as Double, the money mask and the account codes as String.

#include "host/session.h"

namespace host {

class Empresa final : public HostObject {
 public:
  explicit Empresa(std::shared_ptr<HostSession> session);  // raises when the books lack the row
  // One column of the company row, typed as above.
  automation::Variant column(std::string_view name) const;
};

}  // namespace host
