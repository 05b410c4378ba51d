#pragma once
// Format: a value written through a display pattern, with the regional separators.
//   format(1234.5, "#,##0.00", en_US) == "1,234.50"; with es_VE "1.234,50".
//   format(-1234.567, "#,##0.00;(#,##0.00)", en_US) == "(1,234.57)".
//   format(42, "0000000", any) == "0000042"; format(date, "Short Date", es_VE) == "5/3/2024".
//
// Patterns:
//   number  sections split by ';' (positive and zero; negative, which writes its own sign; zero;
//           Null), 0 and # digit placeholders, '.' decimal point, ',' grouping between
//           placeholders or dividing by 1000 before the point or the end, %, E+ E- e+ e-,
//           literals, \x, "text". Half away from zero on the decimal digits; a Double is first
//           taken to 15 significant digits; Currency is exact.
//   date    d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes after an hour or before seconds),
//           y yy yyyy, h hh, n nn, s ss, w ww, q, c, ttttt, AM/PM am/pm A/P a/p AMPM, / and :.
//   text    @ (character or blank), & (character or nothing), < lower case, > upper case,
//           ! fills from the left.
//   named   "General Number", "Currency", "Fixed", "Standard", "Percent", "Scientific",
//           "Yes/No", "True/False", "On/Off", "General Date", "Long Date", "Medium Date",
//           "Short Date", "Long Time", "Medium Time", "Short Time" (any letter case).
//   ""      the value as CStr writes it (Null gives "").
// Null gives "" unless a number pattern has a fourth section. Empty is 0 for number patterns. A
// String holding a number (in the regional form) is formatted as that number; other text comes
// back unchanged. Error 5 for a pattern with more than four sections; error 6 for a date serial
// out of range or a Double that is not finite.

#include <memory>
#include <string>
#include <string_view>

#include "automation/currency.h"
#include "automation/variant.h"
#include "regional/regional_settings.h"

namespace regional {

namespace detail {
struct CompiledPattern;
}

// Compiles the pattern on first use and keeps it in a small per-thread cache.
std::string format(const automation::Variant& value, std::string_view pattern, const RegionalSettings& rs);

// A pattern compiled once for one set of regional settings; formatting allocates nothing beyond
// the result (and nothing at all through formatTo into a string that already has the room).
class Formatter final {
 public:
  Formatter(std::string_view pattern, RegionalSettings rs);

  std::string operator()(const automation::Variant& value) const { return format(value); }
  std::string format(const automation::Variant& value) const;
  std::string format(automation::Currency value) const;
  std::string format(double value) const;
  // Replaces the content of out with the formatted value.
  void formatTo(const automation::Variant& value, std::string& out) const;
  void formatTo(automation::Currency value, std::string& out) const;
  void formatTo(double value, std::string& out) const;

  // The number the pattern shows for the value, rounded as its digits are written ("#,##0.00"
  // shows 4.005 as 4.01, "0.0%" shows 0.12345 as 12.3% that is 0.123). A pattern that writes no
  // digits of its own (text, dates, "General Number") shows the value itself. Error 6 when the
  // result leaves Currency's range.
  automation::Currency shown(automation::Currency value) const;
  automation::Currency shown(double value) const;

  const std::string& pattern() const { return pattern_; }
  const RegionalSettings& settings() const { return rs_; }

 private:
  std::string pattern_;
  RegionalSettings rs_;
  std::shared_ptr<const detail::CompiledPattern> compiled_;
};

}  // namespace regional
