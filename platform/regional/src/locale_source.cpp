// Regional data read from ICU locale data. ICU is used here only, once per locale; the Format
// engine works from the plain data gathered below.

#include "locale_source.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>

#include <cstring>

#include "text/utf8.h"

namespace regional::detail {
namespace {

using detail::LocaleData;

std::string toUtf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

// The quoted part of an ICU pattern that starts at i, just past its opening quote, as literals
// ('' is one quote); i ends past the closing quote.
void appendQuoted(const icu::UnicodeString& icuPattern, int32_t& i, std::string& out) {
  const int32_t n = icuPattern.length();
  if (i < n && icuPattern.charAt(i) == '\'') {
    appendLiteral(out, '\'');
    ++i;
    return;
  }
  while (i < n && icuPattern.charAt(i) != '\'') {
    UChar32 q = icuPattern.char32At(i);
    i += U16_LENGTH(q);
    appendLiteral(out, q);
  }
  ++i;
}

// ICU number pattern ("¤#,##0.00;¤-#,##0.00") -> Format pattern
// ("\"Bs.S\"#,##0.00;\"Bs.S\"-#,##0.00").
std::string currencyFormatFrom(const icu::UnicodeString& icuPattern, const std::string& symbol) {
  const std::string quoted = quotedSymbol(symbol);
  std::string out;
  const int32_t n = icuPattern.length();
  for (int32_t i = 0; i < n;) {
    UChar32 c = icuPattern.char32At(i);
    i += U16_LENGTH(c);
    if (c == 0xA4) {  // currency sign, possibly doubled or tripled
      while (i < n && icuPattern.char32At(i) == 0xA4) ++i;
      out += quoted;
    } else if (c == '\'') {
      appendQuoted(icuPattern, i, out);
    } else if (c == '*') {
      if (i < n) i += U16_LENGTH(icuPattern.char32At(i));  // padding: not a display character
    } else if (c == '0' || c == '#' || c == ',' || c == '.' || c == ';' || c == '%') {
      out += static_cast<char>(c);
    } else if ((c >= '1' && c <= '9') || c == '@') {
      out += '0';
    } else {
      appendLiteral(out, c);
    }
  }
  return out;
}

// ICU date/time pattern -> Format date pattern. Any year is written with four digits.
std::string dateFormatFrom(const icu::UnicodeString& icuPattern) {
  std::string out;
  const int32_t n = icuPattern.length();
  for (int32_t i = 0; i < n;) {
    UChar32 c = icuPattern.char32At(i);
    if (c == '\'') {
      ++i;
      appendQuoted(icuPattern, i, out);
      continue;
    }
    if (!isAsciiLetter(c)) {
      i += U16_LENGTH(c);
      if (c == 0xA0 || c == 0x202F) c = ' ';
      appendLiteral(out, c);
      continue;
    }
    int32_t run = 0;
    while (i < n && icuPattern.charAt(i) == c) {
      ++i;
      ++run;
    }
    switch (c) {
      case 'd':
        out += run >= 2 ? "dd" : "d";
        break;
      case 'M':
      case 'L':
        out += run == 1 ? "m" : run == 2 ? "mm" : run == 3 ? "mmm" : "mmmm";
        break;
      case 'y':
      case 'Y':
      case 'u':
        out += "yyyy";
        break;
      case 'E':
      case 'c':
      case 'e':
        out += run <= 3 ? "ddd" : "dddd";
        break;
      case 'h':
      case 'H':
      case 'k':
      case 'K':
        out += run >= 2 ? "hh" : "h";
        break;
      case 'm':
        out += run >= 2 ? "nn" : "n";
        break;
      case 's':
        out += run >= 2 ? "ss" : "s";
        break;
      case 'a':
      case 'b':
      case 'B':
        out += "AMPM";
        break;
      default:  // eras, zones and other fields the platform's dates do not show
        break;
    }
  }
  return out;
}

// The regional short date in ICU letters with the year widened to four digits ("d/M/yy" ->
// "d/M/yyyy").
std::string widenYear(const std::string& pattern) {
  std::string out;
  bool quoted = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '\'') quoted = !quoted;
    if (!quoted && c == 'y') {
      while (i + 1 < pattern.size() && pattern[i + 1] == 'y') ++i;
      out += "yyyy";
    } else {
      out += c;
    }
  }
  return out;
}

// The first character between two fields of a pattern ("d/M/yy" -> "/"), or the fallback.
std::string separatorOf(const icu::UnicodeString& icuPattern, const char* fallback) {
  bool seenField = false;
  for (int32_t i = 0; i < icuPattern.length();) {
    UChar32 c = icuPattern.char32At(i);
    i += U16_LENGTH(c);
    if (isAsciiLetter(c)) {
      seenField = true;
    } else if (c == '\'') {
      while (i < icuPattern.length() && icuPattern.charAt(i) != '\'') ++i;
      ++i;
    } else if (seenField && c != ' ' && c != 0xA0 && c != 0x202F && c != ',') {
      return text::utf8::encode(static_cast<char32_t>(c));
    }
  }
  return fallback;
}

icu::UnicodeString patternOf(icu::DateFormat* format) {
  icu::UnicodeString pattern;
  if (auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format)) simple->toPattern(pattern);
  return pattern;
}

std::shared_ptr<const LocaleData> load(const icu::Locale& locale) {
  UErrorCode status = U_ZERO_ERROR;
  auto ld = std::make_shared<LocaleData>();
  ld->id = locale.getBaseName();

  icu::DecimalFormatSymbols numbers(locale, status);
  if (U_FAILURE(status)) unknownLocale(ld->id);
  const icu::UnicodeString decimal =
      numbers.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol);
  const icu::UnicodeString grouping =
      numbers.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol);
  ld->decimal = static_cast<char32_t>(decimal.char32At(0));
  ld->thousands = static_cast<char32_t>(grouping.char32At(0));
  ld->decimalText = text::utf8::encode(ld->decimal);
  ld->thousandsText = text::utf8::encode(ld->thousands);
  ld->currencySymbol = toUtf8(numbers.getSymbol(icu::DecimalFormatSymbols::kCurrencySymbol));

  std::unique_ptr<icu::NumberFormat> money(
      icu::NumberFormat::createCurrencyInstance(locale, status));
  icu::UnicodeString moneyPattern;
  if (U_SUCCESS(status)) {
    if (auto* decimalFormat = dynamic_cast<icu::DecimalFormat*>(money.get()))
      decimalFormat->toPattern(moneyPattern);
  }
  if (moneyPattern.isEmpty()) moneyPattern = icu::UnicodeString::fromUTF8("\xC2\xA4#,##0.00");
  ld->currencyPattern = currencyFormatFrom(moneyPattern, ld->currencySymbol);

  std::unique_ptr<icu::DateFormat> shortDate(
      icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
  std::unique_ptr<icu::DateFormat> mediumDate(
      icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, locale));
  std::unique_ptr<icu::DateFormat> longDate(
      icu::DateFormat::createDateInstance(icu::DateFormat::kLong, locale));
  std::unique_ptr<icu::DateFormat> longTime(
      icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
  if (!shortDate || !mediumDate || !longDate || !longTime) unknownLocale(ld->id);
  const icu::UnicodeString shortPattern = patternOf(shortDate.get());
  const icu::UnicodeString timePattern = patternOf(longTime.get());
  ld->shortDatePattern = widenYear(toUtf8(shortPattern));
  ld->dateSeparator = separatorOf(shortPattern, "/");
  ld->timeSeparator = separatorOf(timePattern, ":");

  icu::DateFormatSymbols dates(locale, status);
  if (U_FAILURE(status)) unknownLocale(ld->id);
  int32_t count = 0;
  const icu::UnicodeString* ampm = dates.getAmPmStrings(count);
  if (count >= 2) {
    ld->am = plainBlanks(toUtf8(ampm[0]));
    ld->pm = plainBlanks(toUtf8(ampm[1]));
  }
  using Symbols = icu::DateFormatSymbols;
  const icu::UnicodeString* months = dates.getMonths(count, Symbols::FORMAT, Symbols::WIDE);
  for (int32_t k = 0; k < 12 && k < count; ++k)
    ld->monthNames[static_cast<std::size_t>(k)] = toUtf8(months[k]);
  months = dates.getMonths(count, Symbols::FORMAT, Symbols::ABBREVIATED);
  for (int32_t k = 0; k < 12 && k < count; ++k)
    ld->monthAbbreviations[static_cast<std::size_t>(k)] = toUtf8(months[k]);
  // ICU's weekday arrays start at index 1 (Sunday)
  const icu::UnicodeString* days = dates.getWeekdays(count, Symbols::FORMAT, Symbols::WIDE);
  for (int32_t k = 1; k <= 7 && k < count; ++k)
    ld->dayNames[static_cast<std::size_t>(k - 1)] = toUtf8(days[k]);
  days = dates.getWeekdays(count, Symbols::FORMAT, Symbols::ABBREVIATED);
  for (int32_t k = 1; k <= 7 && k < count; ++k)
    ld->dayAbbreviations[static_cast<std::size_t>(k - 1)] = toUtf8(days[k]);

  ld->currency = detail::compile(ld->currencyPattern);
  ld->shortDate = detail::compileDate(dateFormatFrom(shortPattern));
  ld->mediumDate = detail::compileDate(dateFormatFrom(patternOf(mediumDate.get())));
  ld->longDate = detail::compileDate(dateFormatFrom(patternOf(longDate.get())));
  ld->longTime = detail::compileDate(dateFormatFrom(timePattern));

  ld->symbols.decimal = ld->decimal;
  ld->symbols.thousands = ld->thousands;
  ld->symbols.currencySymbol = ld->currencySymbol;
  ld->symbols.shortDatePattern = ld->shortDatePattern;
  ld->symbols.timePattern = plainBlanks(toUtf8(timePattern));
  ld->symbols.amSymbol = ld->am;
  ld->symbols.pmSymbol = ld->pm;
  return ld;
}

bool isAvailable(const icu::Locale& locale) {
  int32_t count = 0;
  const icu::Locale* available = icu::Locale::getAvailableLocales(count);
  for (int32_t k = 0; k < count; ++k) {
    if (std::strcmp(available[k].getBaseName(), locale.getBaseName()) == 0) return true;
  }
  return false;
}

}  // namespace

std::string localeKey(std::string_view id) {
  const icu::Locale locale = icu::Locale::createCanonical(std::string(id).c_str());
  if (locale.isBogus() || !isAvailable(locale)) return {};
  return locale.getBaseName();
}

std::shared_ptr<const LocaleData> loadLocale(const std::string& key) {
  return load(icu::Locale::createCanonical(key.c_str()));
}

std::string userLocale() {
  return {};
}

}  // namespace regional::detail
