#pragma once
// What a code box (CodeLookupField) looks its codes up in: the record of one code, and every code
// with its description for the search list F2 opens. The owner of the window implements it over
// wherever its codes live.

#include <string>
#include <vector>

#include "automation/variant.h"

namespace forms {

struct LookupEntry {
  std::string code;
  std::string description;
};

class LookupSource {
 public:
  virtual ~LookupSource() = default;
  // The record of `code`, or an empty reference when there is none.
  virtual automation::ObjectRef find(const std::string& code) const = 0;
  // The rows of the search list, in the order it shows them.
  virtual std::vector<LookupEntry> entries() const = 0;
};

}  // namespace forms
