#pragma once
// Text measurement with the fonts the Qt view draws with: labels that size themselves, grid
// column widths from a format string and dialogs sized to their prompt then fit what the
// operator sees. Needs a QGuiApplication; used from the GUI thread only.

#include <memory>
#include <string_view>

#include "forms/text_metrics.h"

namespace forms_qt {

class QtTextMetrics final : public forms::TextMetrics {
 public:
  // twipsPerPixel: 1440 divided by the screen's dots per inch (15 at 96 dpi).
  QtTextMetrics(double twipsPerPixelX, double twipsPerPixelY);
  ~QtTextMetrics() override;

  int textWidth(std::string_view text, const forms::Font& font) const override;
  int lineHeight(const forms::Font& font) const override;

 private:
  struct Cache;
  double tppX_;
  double tppY_;
  std::unique_ptr<Cache> cache_;
};

}  // namespace forms_qt
