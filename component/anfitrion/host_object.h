#pragma once
// Base of the typed facades over the host's objects. A facade only names the late-bound calls the
// component makes; every call still goes through automation::invoke (and so through the host's
// journal). Each call is written with a call site of its own, a static in the facade's method:
//
//   void startTransaction() const {
//     static constinit Site site("StartTransaction", kMethod);
//     call(site);
//   }
//
// A facade over Nothing raises 91 on its first call, as the late-bound call would.

#include <span>
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
  using Site = automation::CallSite;
  static constexpr automation::CallKind kMethod = automation::CallKind::Method;
  static constexpr automation::CallKind kGet = automation::CallKind::Get;

  // The call written at `site`; arguments in a braced list stay on the caller's stack.
  automation::Variant call(Site& site) const { return automation::invoke(obj_, site); }
  automation::Variant call(Site& site, std::span<automation::Arg> args) const {
    return automation::invoke(obj_, site, args);
  }
  template <size_t N>
  automation::Variant call(Site& site, automation::Arg (&&args)[N]) const {
    return automation::invoke(obj_, site, std::span<automation::Arg>(args, N));
  }
  template <size_t N, size_t M>
  automation::Variant call(Site& site, automation::Arg (&&args)[N], automation::NamedArg (&&named)[M]) const {
    return automation::invoke(obj_, site, std::span<automation::Arg>(args, N),
                              std::span<automation::NamedArg>(named, M));
  }

 private:
  automation::ObjectRef obj_;
};

}  // namespace tessaline::anfitrion
