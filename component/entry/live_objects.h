#pragma once
// The module's description and its count of live objects: every object the module hands out or
// makes (activators, windows) counts, so that the module can tell its loader whether it may be
// unloaded.

#include "automation/module.h"

namespace tessaline {

// The module: its type library and its classes (module_exports.cpp).
const automation::Module& modulo();

// A member of every class whose objects the module makes by itself.
class LiveObject final {
 public:
  LiveObject() : token_(modulo().liveToken()) {}

 private:
  automation::Module::LiveToken token_;
};

}  // namespace tessaline
