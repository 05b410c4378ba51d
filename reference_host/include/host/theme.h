#pragma once
// The host's look: the UI theme handed to the component (interface ITemaUI) and the system icons.

#include <string>

#include "host/session.h"

namespace host {

inline constexpr const char* kTemaUiInterface = "{3239BD71-5C39-434E-B049-48A1CDD16445}";

// The theme's colours and font, set on a window through its automation members.
struct ThemeLook {
  int32_t backColor = 0xF5EFE8;  // &HBBGGRR: a light blue-grey
  int32_t foreColor = 0x402A1E;  // a dark slate
  std::string fontName = "DejaVu Sans";
  double fontSize = 9;
};

class TemaUI final : public HostObject {
 public:
  explicit TemaUI(std::shared_ptr<HostSession> session, ThemeLook look = {});
  // Sets BackColor, ForeColor, FontName and FontSize of the window's automation object.
  void aplicarTema(const automation::ObjectRef& window) const;

 private:
  ThemeLook look_;
};

// getSysIcon's picture: its IconName is what a view draws ("process", "cancel", "ok").
class Picture final : public HostObject {
 public:
  Picture(std::shared_ptr<HostSession> session, int icon, std::string iconName);

 private:
  int icon_;
  std::string iconName_;
};

// The icon name of a system icon number; empty for a number the host does not have.
std::string sysIconName(int icon);

}  // namespace host
