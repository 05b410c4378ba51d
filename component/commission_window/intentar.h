#pragma once
// Steps whose errors are trapped: a failing step is skipped and the caller goes on with the next.

#include <exception>
#include <optional>

#include "automation/error.h"

namespace tessaline {

// The error a step raised, as the error path reports it (a library failure counts as an
// automation error with its message).
inline automation::Error errorDe(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const automation::Error& error) {
    return error;
  } catch (const std::exception& error) {
    return automation::Error(automation::err::kAutomationError, "", error.what());
  }
}

// Runs the step; returns whether it ran to its end. With `primero`, the first error of a series of
// steps is kept there for the caller to report.
template <class Paso>
bool intentar(Paso&& paso, std::optional<automation::Error>* primero = nullptr) {
  try {
    paso();
    return true;
  } catch (const std::exception&) {
    if (primero != nullptr && !*primero) *primero = errorDe(std::current_exception());
  }
  return false;
}

}  // namespace tessaline
