#pragma once
// Base of the typed facades over the host's objects. A facade only names the late-bound calls the
// component makes; every call still goes through automation::call (and so through the host's
// journal). A facade over Nothing raises 91 on its first call, as the late-bound call would.

#include <utility>

#include "automation/object.h"
#include "automation/variant.h"

namespace tessaline::anfitrion {

class HostObject {
 public:
  HostObject() = default;
  explicit HostObject(automation::ObjectRef obj) : obj_(std::move(obj)) {}
  // The object a Variant holds (424 when it holds no object; Nothing gives a facade over Nothing).
  explicit HostObject(const automation::Variant& v) : obj_(automation::toObject(v)) {}

  const automation::ObjectRef& object() const { return obj_; }
  bool isNothing() const { return obj_ == nullptr; }
  explicit operator bool() const { return obj_ != nullptr; }

 protected:
  automation::Variant call(std::string_view member, std::vector<automation::Arg> args = {},
                           std::vector<automation::NamedArg> named = {}) const {
    return automation::call(obj_, member, std::move(args), std::move(named));
  }
  automation::Variant get(std::string_view member, std::vector<automation::Arg> args = {}) const {
    return automation::get(obj_, member, std::move(args));
  }

 private:
  automation::ObjectRef obj_;
};

}  // namespace tessaline::anfitrion
