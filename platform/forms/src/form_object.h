#pragma once
// The late-bound face of a window (class "Form"), as the host's theme sees it.

#include "automation/object.h"

namespace forms {

class Window;

namespace detail {

class FormObject final : public automation::Dispatch {
 public:
  explicit FormObject(Window& target);
  // The window object is going away: later calls raise 91.
  void detach() { window_ = nullptr; }

 private:
  Window& window() const;
  Window* window_;
};

}  // namespace detail
}  // namespace forms
