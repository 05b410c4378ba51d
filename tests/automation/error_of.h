#pragma once
// The number of the automation error a call raises (0 when it raises none).

#include <functional>

#include "automation/error.h"

inline int32_t errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const automation::Error& e) {
    return e.number();
  }
  return 0;
}
