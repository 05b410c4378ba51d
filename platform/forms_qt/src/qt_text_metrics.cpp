#include "forms_qt/qt_text_metrics.h"

#include <QFontMetricsF>
#include <cmath>
#include <map>
#include <tuple>

#include "convert.h"

namespace forms_qt {

struct QtTextMetrics::Cache {
  using Key = std::tuple<std::string, double, bool, bool>;
  std::map<Key, QFontMetricsF> metrics;

  const QFontMetricsF& of(const forms::Font& font) {
    Key key{font.name, font.size, font.bold, font.italic};
    auto it = metrics.find(key);
    if (it == metrics.end()) it = metrics.emplace(std::move(key), QFontMetricsF(toQFont(font))).first;
    return it->second;
  }
};

QtTextMetrics::QtTextMetrics(double twipsPerPixelX, double twipsPerPixelY)
    : tppX_(twipsPerPixelX), tppY_(twipsPerPixelY), cache_(std::make_unique<Cache>()) {}

QtTextMetrics::~QtTextMetrics() = default;

int QtTextMetrics::textWidth(std::string_view text, const forms::Font& font) const {
  // Whole pixels, as the text is drawn, then twips.
  const double px = std::ceil(cache_->of(font).horizontalAdvance(qs(text)));
  return static_cast<int>(std::lround(px * tppX_));
}

int QtTextMetrics::lineHeight(const forms::Font& font) const {
  const double px = std::ceil(cache_->of(font).height());
  return static_cast<int>(std::lround(px * tppY_));
}

}  // namespace forms_qt
