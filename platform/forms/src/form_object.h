#pragma once
// The late-bound face of a window (class "Form"), as the host's theme sees it.

#include <cstdint>
#include <memory>
#include <string>

#include "automation/object.h"

namespace forms {

class Window;
class Control;

namespace detail {

class FormObject final : public automation::Dispatch {
 public:
  explicit FormObject(Window& target);
  // The window object is going away: later calls raise 91.
  void detach() { window_ = nullptr; }
  Window& window() const;

 private:
  Window* window_;
};

// The window's `Controls` collection: Count, and Item(index) from 0 in creation order.
class ControlsObject final : public automation::Dispatch {
 public:
  explicit ControlsObject(std::shared_ptr<FormObject> form);

 private:
  std::shared_ptr<FormObject> form_;
};

// One control as the theme sees it (class: its kind, "Label", "Frame", ...): Name (get),
// BackColor and ForeColor (get/let). It names the control of one load of the window; once the
// window has been unloaded (or is gone) its members raise 91.
class ControlObject final : public automation::Dispatch {
 public:
  ControlObject(std::shared_ptr<FormObject> form, const Control& target);

 private:
  Control& control() const;
  std::shared_ptr<FormObject> form_;
  std::string name_;
  uint64_t generation_;
};

}  // namespace detail
}  // namespace forms
