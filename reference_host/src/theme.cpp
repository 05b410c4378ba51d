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
  automation::let(window, "BackColor", Variant(look_.backColor));
  automation::let(window, "ForeColor", Variant(look_.foreColor));
  automation::let(window, "FontName", Variant(look_.fontName));
  automation::let(window, "FontSize", Variant(look_.fontSize));
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
