#pragma once
// A lookup source of fixed codes and names: notes every code it is asked for; only `recordCode`
// has a record (`record`).

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "automation/object.h"
#include "forms/lookup_source.h"

namespace forms::test {

class FakeLookup final : public LookupSource {
 public:
  explicit FakeLookup(std::vector<LookupEntry> rows, std::string recordCode = {})
      : rows_(std::move(rows)), recordCode_(std::move(recordCode)) {}

  automation::ObjectRef find(const std::string& code) const override {
    found.push_back(code);
    return code == recordCode_ ? record : nullptr;
  }
  std::vector<LookupEntry> entries() const override { return rows_; }

  const automation::ObjectRef record = std::make_shared<automation::Dispatch>("Registro");
  mutable std::vector<std::string> found;

 private:
  std::vector<LookupEntry> rows_;
  std::string recordCode_;
};

}  // namespace forms::test
