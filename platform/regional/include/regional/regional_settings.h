#pragma once
// RegionalSettings: the user's separators, currency and date conventions, read once from ICU
// locale data and then passed around by value. Copies are cheap (the data is shared and immutable).
//   RegionalSettings::fromLocale("es_VE"): decimal ',', thousands '.', short date "d/M/yyyy".
//   RegionalSettings::fromLocale("en_US"): decimal '.', thousands ',', short date "M/d/yyyy".

#include <memory>
#include <string>
#include <string_view>

#include "automation/variant.h"

namespace regional {

namespace detail {
struct LocaleData;
}

class RegionalSettings final {
 public:
  // The en_US settings.
  RegionalSettings();

  // Settings of an ICU locale id ("es_VE", "es-VE", "en_US"). Error 5 when ICU has no data for
  // that locale (a misspelt id must not silently fall back to other conventions).
  static RegionalSettings fromLocale(std::string_view id);
  // Settings of the process environment: the first non-empty of LC_ALL, LC_NUMERIC, LANG
  // ("es_VE.UTF-8" -> es_VE); "C", "POSIX", unset or unknown to ICU -> en_US.
  static RegionalSettings fromEnvironment();
  // The ICU locale id a POSIX locale name stands for: codeset and modifier dropped,
  // "C"/"POSIX"/"" -> "en_US" ("es_VE.UTF-8@euro" -> "es_VE").
  static std::string localeIdFromPosix(std::string_view posixName);

  std::string localeId() const;
  char32_t decimalSeparator() const;
  char32_t thousandsSeparator() const;
  // The separators as UTF-8 text (what Format writes).
  const std::string& decimalText() const;
  const std::string& thousandsText() const;
  const std::string& currencySymbol() const;
  // The named "Currency" format of this locale, written in the Format pattern language
  // (en_US: "\"$\"#,##0.00").
  const std::string& currencyPattern() const;
  // The regional short date in ICU letters with the year widened to four digits ("d/M/yyyy").
  const std::string& shortDatePattern() const;
  // The separators and symbol for text-to-number conversion (automation::parseNumber, cCur...).
  automation::NumberSymbols numberSymbols() const;
  const automation::NumberSymbols& symbols() const;

  bool operator==(const RegionalSettings& other) const { return localeId() == other.localeId(); }

  // The gathered locale data, for the Format engine of this library.
  const detail::LocaleData& data() const { return *data_; }

 private:
  explicit RegionalSettings(std::shared_ptr<const detail::LocaleData> data) : data_(std::move(data)) {}
  std::shared_ptr<const detail::LocaleData> data_;
};

}  // namespace regional
