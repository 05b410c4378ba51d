#include "form_object.h"

#include "automation/error.h"
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
}

Window& FormObject::window() const {
  if (window_ == nullptr) automation::raise(automation::err::kObjectNotSet, "Form");
  return *window_;
}

}  // namespace forms::detail
