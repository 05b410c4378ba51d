#pragma once
// A recordset as the host's OpenRecordset returns it, read forward only: EOF, Fields(name).Value,
// MoveNext. Field names are matched by the host without regard to case.

#include <string>
#include <string_view>
#include <utility>

#include "anfitrion/host_object.h"

namespace tessaline::anfitrion {

class Recordset final : public HostObject {
 public:
  using HostObject::HostObject;

  // A field of the recordset, found by name once; its value follows the current record.
  class Campo final {
   public:
    Campo() = default;
    explicit Campo(automation::ObjectRef field) : field_(std::move(field)) {}
    explicit operator bool() const { return field_ != nullptr; }
    automation::Variant valor() const {
      static constinit Site site("Value", kGet);
      return automation::invoke(field_, site);
    }

   private:
    automation::ObjectRef field_;
  };

  bool eof() const {
    static constinit Site site("EOF", kGet);
    return automation::cBool(call(site));
  }
  Campo campo(std::string_view name) const {
    static constinit Site site("Fields", kGet);
    return Campo(automation::toObject(call(site, {automation::Arg(std::string(name))})));
  }
  // The value of the field of that name in the current record.
  automation::Variant field(std::string_view name) const { return campo(name).valor(); }
  void moveNext() const {
    static constinit Site site("MoveNext", kMethod);
    call(site);
  }
};

}  // namespace tessaline::anfitrion
