#include "host/theme.h"

#include "host/errors.h"

namespace host {

using automation::CallArgs;
using automation::Variant;

TemaUI::TemaUI(std::shared_ptr<HostSession> session, ThemeLook look)
    : HostObject(std::move(session), "TemaUI"), look_(std::move(look)) {
  implements(kTemaUiInterface);
  method("aplicarTema", [this](CallArgs& a) {
    a.expect(1, 1);
    aplicarTema(automation::toObject(a.at(0)));
    return Variant();
  });
}

void TemaUI::aplicarTema(const automation::ObjectRef& window) const {
  if (!window)
    throw automation::Error(automation::err::kObjectNotSet, kErrorSource,
                            "aplicarTema needs a window");
  // Controls painted in the window's own colours (labels, frames, option buttons on the window's
  // background) take the theme's colours with it; controls with colours of their own (entry
  // boxes, buttons, the grid) keep them.
  const int32_t oldBack = automation::cLng(automation::get(window, "BackColor"));
  const int32_t oldFore = automation::cLng(automation::get(window, "ForeColor"));
  automation::let(window, "BackColor", Variant(look_.backColor));
  automation::let(window, "ForeColor", Variant(look_.foreColor));
  automation::let(window, "FontName", Variant(look_.fontName));
  automation::let(window, "FontSize", Variant(look_.fontSize));
  const auto controls = automation::toObject(automation::get(window, "Controls"));
  const int32_t count = automation::cLng(automation::get(controls, "Count"));
  for (int32_t i = 0; i < count; ++i) {
    const auto control = automation::toObject(automation::call(controls, "Item", {automation::Arg(i)}));
    const std::string kind = control->className();
    if (kind != "Label" && kind != "Frame" && kind != "OptionButton" && kind != "CheckBox" &&
        kind != "OptionCheckBox")
      continue;
    if (automation::cLng(automation::get(control, "BackColor")) != oldBack) continue;
    automation::let(control, "BackColor", Variant(look_.backColor));
    if (automation::cLng(automation::get(control, "ForeColor")) == oldFore)
      automation::let(control, "ForeColor", Variant(look_.foreColor));
  }
}

std::string sysIconName(int icon) {
  switch (icon) {
    case 19:
      return "process";
    case 8:
      return "cancel";
    case 25:
      return "ok";
    default:
      return {};
  }
}

Picture::Picture(std::shared_ptr<HostSession> session, int icon, std::string iconName)
    : HostObject(std::move(session), "Picture"), icon_(icon), iconName_(std::move(iconName)) {
  getter("IconName", [this](CallArgs&) { return Variant(iconName_); });
  getter("Icon", [this](CallArgs&) { return Variant(static_cast<int32_t>(icon_)); });
}

}  // namespace host
