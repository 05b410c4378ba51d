#pragma once
// A host factory for the search list (F2): OpenRecordset notes its SQL and lists fixed rows of
// code and name.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "automation/object.h"

namespace forms::test {

using LookupRows = std::vector<std::pair<automation::Variant, automation::Variant>>;

class FakeRecordset final : public automation::Dispatch {
 public:
  explicit FakeRecordset(LookupRows rows) : Dispatch("Recordset"), rows_(std::move(rows)) {
    using automation::Variant;
    getter("EOF", [this](automation::CallArgs&) { return Variant(pos_ >= rows_.size()); });
    method("MoveNext", [this](automation::CallArgs&) {
      ++pos_;
      return Variant();
    });
    getter("Fields", [this](automation::CallArgs& a) {
      const auto& row = rows_.at(pos_);
      return Variant(automation::ObjectRef(std::make_shared<Field>(automation::cStr(a.at(0)) == "codigo" ? row.first : row.second)));
    });
  }

 private:
  struct Field final : automation::Dispatch {
    explicit Field(automation::Variant v) : Dispatch("Field"), value(std::move(v)) {
      getter("Value", [this](automation::CallArgs&) { return value; });
    }
    automation::Variant value;
  };
  LookupRows rows_;
  size_t pos_ = 0;
};

class FakeLookupFactory final : public automation::Dispatch {
 public:
  explicit FakeLookupFactory(LookupRows rows) : Dispatch("HostFactory"), rows_(std::move(rows)) {
    method("OpenRecordset", [this](automation::CallArgs& a) {
      sql.push_back(automation::cStr(a.at(0)));
      return automation::Variant(automation::ObjectRef(std::make_shared<FakeRecordset>(rows_)));
    });
  }
  std::vector<std::string> sql;

 private:
  LookupRows rows_;
};

}  // namespace forms::test
