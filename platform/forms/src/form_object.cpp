#include "form_object.h"

#include "automation/error.h"
#include "forms/control.h"
#include "forms/window.h"

namespace forms::detail {

using automation::CallArgs;
using automation::Variant;

FormObject::FormObject(Window& target) : Dispatch("Form"), window_(&target) {
  auto toInt = [](const Variant& v) { return static_cast<int>(automation::cLng(v)); };
  getter("Name", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(window().name());
  });
  getter("Caption", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(window().caption());
  });
  letter("Caption", [this](CallArgs& a, Variant& v) {
    a.expect(0, 0);
    window().setCaption(automation::cStr(v));
  });
  getter("BackColor", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(static_cast<int32_t>(window().backColor()));
  });
  letter("BackColor", [this](CallArgs& a, Variant& v) {
    a.expect(0, 0);
    window().setBackColor(static_cast<Color>(automation::cLng(v)));
  });
  getter("ForeColor", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(static_cast<int32_t>(window().foreColor()));
  });
  letter("ForeColor", [this](CallArgs& a, Variant& v) {
    a.expect(0, 0);
    window().setForeColor(static_cast<Color>(automation::cLng(v)));
  });
  getter("FontName", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(window().font().name);
  });
  letter("FontName", [this](CallArgs& a, Variant& v) {
    a.expect(0, 0);
    window().setFontName(automation::cStr(v));
  });
  getter("FontSize", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(window().font().size);
  });
  letter("FontSize", [this](CallArgs& a, Variant& v) {
    a.expect(0, 0);
    window().setFontSize(automation::cDbl(v));
  });
  struct Geometry {
    const char* name;
    int (Window::*get)() const;
    void (Window::*set)(int);
  };
  for (const Geometry& g : {Geometry{"Left", &Window::left, &Window::setLeft}, Geometry{"Top", &Window::top, &Window::setTop},
                            Geometry{"Width", &Window::width, &Window::setWidth},
                            Geometry{"Height", &Window::height, &Window::setHeight}}) {
    getter(g.name, [this, g](CallArgs& a) {
      a.expect(0, 0);
      return Variant(static_cast<int32_t>((window().*g.get)()));
    });
    letter(g.name, [this, g, toInt](CallArgs& a, Variant& v) {
      a.expect(0, 0);
      (window().*g.set)(toInt(v));
    });
  }
  getter("ScaleWidth", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(static_cast<int32_t>(window().clientWidth()));
  });
  getter("ScaleHeight", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(static_cast<int32_t>(window().clientHeight()));
  });
  getter("BorderStyle", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(static_cast<int16_t>(window().borderStyle()));
  });
  getter("WindowState", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(static_cast<int16_t>(window().windowState()));
  });
  letter("WindowState", [this, toInt](CallArgs& a, Variant& v) {
    a.expect(0, 0);
    const int s = toInt(v);
    if (s < 0 || s > 2) automation::raise(automation::err::kInvalidPropertyValue, "Form");
    window().setWindowState(static_cast<WindowState>(s));
  });
  getter("Visible", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(window().visible());
  });
  letter("Visible", [this](CallArgs& a, Variant& v) {
    a.expect(0, 0);
    window().setVisible(automation::cBool(v));
  });
  method("Move", [this, toInt](CallArgs& a) {
    a.expect(1, 4);
    auto part = [&](size_t i) -> std::optional<int> {
      auto v = a.opt(i);
      if (!v) return std::nullopt;
      return toInt(*v);
    };
    window().move(toInt(a.at(0)), part(1), part(2), part(3));
    return Variant();
  });
  method("Show", [this](CallArgs& a) {
    a.expect(0, 2);
    auto modal = a.opt(0);
    window().show(modal && automation::cLng(*modal) == 1);
    return Variant();
  });
  method("Hide", [this](CallArgs& a) {
    a.expect(0, 0);
    window().hide();
    return Variant();
  });
  getter("Controls", [this](CallArgs& a) {
    a.expect(0, 0);
    window().load();
    auto self = std::static_pointer_cast<FormObject>(shared_from_this());
    return Variant(automation::ObjectRef(std::make_shared<ControlsObject>(std::move(self))));
  });
}

Window& FormObject::window() const {
  if (window_ == nullptr) automation::raise(automation::err::kObjectNotSet, "Form");
  return *window_;
}

ControlsObject::ControlsObject(std::shared_ptr<FormObject> form) : Dispatch("Controls"), form_(std::move(form)) {
  getter("Count", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(static_cast<int32_t>(form_->window().controls().size()));
  });
  method("Item", [this](CallArgs& a) {
    a.expect(1, 1);
    const auto controls = form_->window().controls();
    const int32_t index = automation::cLng(a.at(0));
    if (index < 0 || static_cast<size_t>(index) >= controls.size())
      automation::raise(automation::err::kSubscriptOutOfRange, "Controls");
    return Variant(automation::ObjectRef(std::make_shared<ControlObject>(form_, *controls[static_cast<size_t>(index)])));
  });
}

ControlObject::ControlObject(std::shared_ptr<FormObject> form, const Control& target)
    : Dispatch(kindName(target.kind())),
      form_(std::move(form)),
      name_(target.name()),
      generation_(form_->window().loadGeneration()) {
  getter("Name", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(name_);
  });
  getter("BackColor", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(static_cast<int32_t>(control().backColor()));
  });
  letter("BackColor", [this](CallArgs& a, Variant& v) {
    a.expect(0, 0);
    control().setBackColor(static_cast<Color>(automation::cLng(v)));
  });
  getter("ForeColor", [this](CallArgs& a) {
    a.expect(0, 0);
    return Variant(static_cast<int32_t>(control().foreColor()));
  });
  letter("ForeColor", [this](CallArgs& a, Variant& v) {
    a.expect(0, 0);
    control().setForeColor(static_cast<Color>(automation::cLng(v)));
  });
}

Control& ControlObject::control() const {
  Window& w = form_->window();
  // Touching a control of an unloaded window would load it again with fresh controls: this
  // object named one of the old ones.
  Control* c = w.isLoaded() && w.loadGeneration() == generation_ ? w.control(name_) : nullptr;
  if (c == nullptr) automation::raise(automation::err::kObjectNotSet, className());
  return *c;
}

}  // namespace forms::detail
