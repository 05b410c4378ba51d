#pragma once
// A recordset as the host's OpenRecordset returns it, read forward only: EOF, Fields(name).Value,
// MoveNext. Field names are matched by the host without regard to case.

#include <string>

#include "host/host_object.h"

namespace tessaline::host {

class Recordset final : public HostObject {
 public:
  using HostObject::HostObject;

  bool eof() const { return automation::cBool(get("EOF")); }
  // The value of the field of that name in the current record.
  automation::Variant field(const std::string& name) const {
    return automation::get(automation::toObject(get("Fields", {automation::Arg(name)})), "Value");
  }
  void moveNext() const { call("MoveNext"); }
};

}  // namespace tessaline::host
