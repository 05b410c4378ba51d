#include "convert.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <array>

#include "text/text.h"

namespace forms_qt {

Scale Scale::ofPrimaryScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return Scale(96, 96);
  const double dx = screen->logicalDotsPerInchX(), dy = screen->logicalDotsPerInchY();
  return Scale(dx > 0 ? dx : 96, dy > 0 ? dy : 96);
}

QString cssColor(forms::Color c) {
  return QStringLiteral("rgb(%1, %2, %3)").arg(forms::redOf(c)).arg(forms::greenOf(c)).arg(forms::blueOf(c));
}

namespace {

bool isClassicSansFace(std::string_view name) {
  static constexpr std::array<std::string_view, 5> kFaces = {"ms sans serif", "microsoft sans serif", "tahoma",
                                                              "ms shell dlg", "ms shell dlg 2"};
  return std::any_of(kFaces.begin(), kFaces.end(),
                     [&](std::string_view face) { return text::equalsNoCase(face, name); });
}

}  // namespace

QFont toQFont(const forms::Font& font) {
  QFont f;
  double points = font.size > 0 ? font.size : 8.25;
  if (font.name.empty() || isClassicSansFace(font.name)) {
    // The condensed face at ten elevenths of the size has the classic face's advance widths:
    // captions fit the places the windows were designed with.
    f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    points = points * 10.0 / 11.0;
  } else {
    f.setFamilies({qs(font.name)});
  }
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(points);
  f.setBold(font.bold);
  f.setItalic(font.italic);
  return f;
}

Qt::Alignment toQtAlignment(forms::Alignment a) {
  switch (a) {
    case forms::Alignment::Right: return Qt::AlignRight;
    case forms::Alignment::Center: return Qt::AlignHCenter;
    case forms::Alignment::Left: break;
  }
  return Qt::AlignLeft;
}

}  // namespace forms_qt
