#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

#include "automation/error.h"
#include "forms/application.h"
#include "forms/controls.h"
#include "forms/window.h"
#include "regional/format.h"
#include "scope.h"
#include "text/text.h"

namespace forms {

// ---------------------------------------------------------------------------------------------
// DateEntryBox

DateEntryBox::DateEntryBox(Window& window, std::string name)
    : Control(window, std::move(name), ControlKind::DateEntryBox), value_(automation::today().dateOnly()) {}

void DateEntryBox::setValue(automation::Date d) {
  if (value_ == d) return;
  detail::EventScope scope(application());
  value_ = d;
  changed();
  raise(onChange);
}

void DateEntryBox::setValue(const automation::Variant& v) {
  setValue(automation::cDate(v, application().regionalSettings().symbols()));
}

std::string DateEntryBox::text() const {
  return regional::format(automation::Variant(value_), "Short Date", application().regionalSettings());
}

void DateEntryBox::setThemeColors(const ThemeColors& colors) {
  if (theme_ == colors) return;
  theme_ = colors;
  changed();
}

namespace {

// Three groups of digits split by single separators, the first or the last of four digits.
bool conFormaDeFecha(std::string_view t) {
  std::vector<size_t> grupos;
  size_t largo = 0;
  for (size_t i = 0; i <= t.size(); ++i) {
    if (i < t.size() && t[i] >= '0' && t[i] <= '9') {
      ++largo;
      continue;
    }
    if (largo == 0) return false;
    grupos.push_back(largo);
    largo = 0;
  }
  return grupos.size() == 3 && (grupos.front() == 4 || grupos.back() == 4);
}

}  // namespace

TypeResult DateEntryBox::operatorTypeText(const std::string& typed) {
  const std::string text(text::trim(typed));
  if (auto iso = automation::Date::parseIso(text); iso && !iso->hasTime()) {
    setValue(*iso);
    return TypeResult::Accepted;
  }
  // The regional short date. A plain number is not a date here, but three groups of digits with a
  // four-digit year are a date even where they also read as a number (01.11.2026 where dots
  // group thousands). Text that converts to nothing keeps the value.
  const auto& symbols = application().regionalSettings().symbols();
  if (text.empty()) return TypeResult::Refused;
  try {
    if (!conFormaDeFecha(text) && automation::parseNumber(text, symbols)) return TypeResult::Refused;
    const automation::Date d = automation::cDate(automation::Variant(text), symbols);
    if (d.hasTime()) return TypeResult::Refused;
    setValue(d);
    return TypeResult::Accepted;
  } catch (const automation::Error&) {
    return TypeResult::Refused;
  }
}

// ---------------------------------------------------------------------------------------------
// NumberEntryBox

NumberEntryBox::NumberEntryBox(Window& window, std::string name)
    : Control(window, std::move(name), ControlKind::NumberEntryBox) {}

void NumberEntryBox::setValue(double v) {
  if (!std::isfinite(v)) automation::raise(automation::err::kOverflow, name());
  if (value_ == v && std::signbit(value_) == std::signbit(v)) return;
  detail::EventScope scope(application());
  value_ = v;
  changed();
  raise(onChange);
}

void NumberEntryBox::setValue(const automation::Variant& v) {
  setValue(automation::cDbl(v, application().regionalSettings().symbols()));
}

void NumberEntryBox::setFormat(std::string pattern) {
  if (format_ == pattern) return;
  format_ = std::move(pattern);
  changed();
}

void NumberEntryBox::setShowCalc(bool on) {
  showCalc_ = on;
  changed();
}

std::string NumberEntryBox::text() const {
  const auto& rs = application().regionalSettings();
  if (format_.empty()) return automation::cStr(automation::Variant(value_), rs.symbols());
  return regional::format(automation::Variant(value_), format_, rs);
}

void NumberEntryBox::setThemeColors(const ThemeColors& colors) {
  if (theme_ == colors) return;
  theme_ = colors;
  changed();
}

namespace {

// Whether every grouping separator that follows a digit starts a group of exactly three digits.
// The platform's conversion drops grouping separators wherever they stand, so "40.5" typed where
// dots group thousands would read as 405: a slip of the decimal key that multiplies an amount.
bool gruposEnSuSitio(std::string_view text, std::string_view miles) {
  if (miles.empty()) return true;
  auto esCifra = [&](size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
  for (size_t at = text.find(miles); at != std::string_view::npos; at = text.find(miles, at + 1)) {
    if (at == 0 || !esCifra(at - 1)) continue;  // not between digits: a currency symbol's dot, say
    size_t k = at + miles.size();
    while (esCifra(k)) ++k;
    if (k - at - miles.size() != 3) return false;
  }
  return true;
}

}  // namespace

TypeResult NumberEntryBox::operatorTypeText(const std::string& text) {
  const auto& rs = application().regionalSettings();
  // A number too large for a Double (1e999) is refused like any text that is no number.
  std::optional<double> number;
  try {
    number = automation::parseNumber(text, rs.symbols());
  } catch (const automation::Error&) {
    return TypeResult::Refused;
  }
  if (!number || !std::isfinite(*number)) return TypeResult::Refused;
  if (!gruposEnSuSitio(text, rs.thousandsText())) {
    application().showWarning("\"" + std::string(text::trim(text)) + "\" no es un número válido: \"" +
                              rs.thousandsText() + "\" separa los miles en grupos de tres cifras y \"" +
                              rs.decimalText() + "\" los decimales.");
    return TypeResult::Refused;
  }
  setValue(*number);
  return TypeResult::Accepted;
}

}  // namespace forms
