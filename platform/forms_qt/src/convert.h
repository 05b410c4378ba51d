#pragma once
// Conversions between the forms runtime's values and Qt's: twips and pixels, colours, fonts,
// text and alignment.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <cmath>
#include <string>
#include <string_view>

#include "forms/types.h"

namespace forms_qt {

// Twips per pixel of the screen (15 at 96 dots per inch). Pixel values are rounded to the
// nearest whole pixel; a rectangle keeps its edges where they fall, so neighbours that touch in
// twips touch in pixels.
class Scale final {
 public:
  Scale() = default;
  Scale(double dpiX, double dpiY) : tppX_(1440.0 / dpiX), tppY_(1440.0 / dpiY) {}
  // The primary screen's logical dots per inch (96 when there is no screen).
  static Scale ofPrimaryScreen();

  double twipsPerPixelX() const { return tppX_; }
  double twipsPerPixelY() const { return tppY_; }
  int pxX(int twips) const { return static_cast<int>(std::lround(twips / tppX_)); }
  int pxY(int twips) const { return static_cast<int>(std::lround(twips / tppY_)); }
  int twipsX(int px) const { return static_cast<int>(std::lround(px * tppX_)); }
  int twipsY(int px) const { return static_cast<int>(std::lround(px * tppY_)); }
  QRect rect(const forms::Rect& r) const {
    const int l = pxX(r.left), t = pxY(r.top);
    return QRect(l, t, std::max(0, pxX(r.left + r.width) - l), std::max(0, pxY(r.top + r.height) - t));
  }

 private:
  double tppX_ = 15.0;
  double tppY_ = 15.0;
};

inline QColor toQColor(forms::Color c) { return QColor(forms::redOf(c), forms::greenOf(c), forms::blueOf(c)); }
// "rgb(r, g, b)" for style sheets.
QString cssColor(forms::Color c);

inline QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
inline std::string utf8(const QString& text) { return text.toStdString(); }

// The font a control asks for. The classic system sans-serif faces, which this platform does
// not have, map to the narrow DejaVu face, the closest in width; other names go to fontconfig.
QFont toQFont(const forms::Font& font);

Qt::Alignment toQtAlignment(forms::Alignment a);

}  // namespace forms_qt
