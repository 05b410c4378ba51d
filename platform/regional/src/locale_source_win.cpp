// Regional data read from the Windows locale data (GetLocaleInfoEx), once per locale; the Format
// engine and text-to-number conversion work from the plain data gathered below, as they do with
// ICU's data elsewhere.

#include <windows.h>

#include "locale_source.h"
#include "text/utf8.h"
#include "text/wide.h"

namespace regional::detail {
namespace {

std::string info(const std::wstring& locale, LCTYPE type) {
  wchar_t buffer[256];
  const int n = ::GetLocaleInfoEx(locale.c_str(), type, buffer, 256);
  return n > 1 ? text::fromWide(std::wstring_view(buffer, static_cast<size_t>(n - 1)))
               : std::string();
}

int number(const std::wstring& locale, LCTYPE type, int fallback) {
  DWORD value = 0;
  const int n =
      ::GetLocaleInfoEx(locale.c_str(), type | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<wchar_t*>(&value), sizeof value / sizeof(wchar_t));
  return n > 0 ? static_cast<int>(value) : fallback;
}

// A Windows date or time picture split into runs of one letter and literal text:
// f(letter, run length) for fields, l(character) for literal characters (quotes resolved).
template <class Field, class Literal>
void walkPicture(std::string_view picture, Field field, Literal literal) {
  for (size_t pos = 0; pos < picture.size();) {
    const char32_t c = text::utf8::next(picture, pos);
    if (c == '\'') {
      if (pos < picture.size() && picture[pos] == '\'') {
        literal(U'\'');
        ++pos;
        continue;
      }
      while (pos < picture.size() && picture[pos] != '\'') literal(text::utf8::next(picture, pos));
      ++pos;
      continue;
    }
    if (!isAsciiLetter(c)) {
      literal(c == 0xA0 || c == 0x202F ? U' ' : c);
      continue;
    }
    int run = 1;
    while (pos < picture.size() && picture[pos] == static_cast<char>(c)) {
      ++pos;
      ++run;
    }
    field(static_cast<char>(c), run);
  }
}

// Windows picture ("dd/MM/yyyy", "h:mm:ss tt") -> Format date pattern. Any year gets four digits.
std::string formatPatternFrom(std::string_view picture) {
  std::string out;
  walkPicture(
      picture,
      [&](char c, int run) {
        switch (c) {
          case 'd':
            out += run == 1 ? "d" : run == 2 ? "dd" : run == 3 ? "ddd" : "dddd";
            break;
          case 'M':
            out += run == 1 ? "m" : run == 2 ? "mm" : run == 3 ? "mmm" : "mmmm";
            break;
          case 'y':
            out += "yyyy";
            break;
          case 'h':
          case 'H':
            out += run >= 2 ? "hh" : "h";
            break;
          case 'm':
            out += run >= 2 ? "nn" : "n";
            break;
          case 's':
            out += run >= 2 ? "ss" : "s";
            break;
          case 't':
            out += "AMPM";
            break;
          default:
            break;  // eras and other fields the platform's dates do not show
        }
      },
      [&](char32_t c) { appendLiteral(out, c); });
  return out;
}

// Windows picture -> the ICU letters of the conversions' date and time patterns, the year widened
// to four digits ("dd/MM/yy" -> "dd/MM/yyyy", "h:mm:ss tt" -> "h:mm:ss a").
std::string icuPatternFrom(std::string_view picture) {
  std::string out;
  walkPicture(
      picture,
      [&](char c, int run) {
        switch (c) {
          case 'd':
            out += run <= 2   ? std::string(static_cast<size_t>(run), 'd')
                   : run == 3 ? "EEE"
                              : "EEEE";
            break;
          case 'y':
            out += "yyyy";
            break;
          case 't':
            out += 'a';
            break;
          case 'M':
          case 'h':
          case 'H':
          case 'm':
          case 's':
            out += std::string(static_cast<size_t>(run), c);
            break;
          default:
            break;
        }
      },
      [&](char32_t c) {
        if (isAsciiLetter(c) || c == '\'') {
          out += '\'';
          text::utf8::append(out, c);
          out += '\'';
        } else {
          text::utf8::append(out, c);
        }
      });
  return out;
}

// The first literal character between two fields of a picture ("dd/MM/yyyy" -> "/").
std::string separatorOf(std::string_view picture, const char* fallback) {
  bool seenField = false;
  std::string found;
  walkPicture(
      picture, [&](char, int) { seenField = true; },
      [&](char32_t c) {
        if (found.empty() && seenField && c != ' ' && c != ',') found = text::utf8::encode(c);
      });
  return found.empty() ? fallback : found;
}

// The "Currency" format from the locale's currency picture numbers: where the symbol goes for
// positive amounts (LOCALE_ICURRENCY, 0..3) and how negative ones look (LOCALE_INEGCURR, 0..15).
std::string currencyPatternOf(const std::string& symbol, int positive, int negative, int digits) {
  const std::string quoted = quotedSymbol(symbol);
  std::string n = "#,##0";
  if (digits > 0) n += "." + std::string(static_cast<size_t>(digits), '0');
  static constexpr const char* kPositive[] = {"$n", "n$", "$ n", "n $"};
  static constexpr const char* kNegative[] = {"($n)", "-$n",  "$-n",   "$n-",  "(n$)", "-n$",
                                              "n-$",  "n$-",  "-n $",  "-$ n", "n $-", "$ n-",
                                              "$ -n", "n- $", "($ n)", "(n $)"};
  auto build = [&](std::string_view picture) {
    std::string out;
    for (char c : picture) {
      if (c == '$') {
        out += quoted;
      } else if (c == 'n') {
        out += n;
      } else {
        appendLiteral(out, static_cast<char32_t>(c));
      }
    }
    return out;
  };
  return build(kPositive[positive >= 0 && positive <= 3 ? positive : 0]) + ";" +
         build(kNegative[negative >= 0 && negative <= 15 ? negative : 1]);
}

std::shared_ptr<const LocaleData> load(const std::wstring& locale) {
  auto ld = std::make_shared<LocaleData>();
  ld->id = info(locale, LOCALE_SNAME);
  if (ld->id.empty()) unknownLocale(text::fromWide(locale));

  const std::string decimal = info(locale, LOCALE_SDECIMAL);
  const std::string thousands = info(locale, LOCALE_STHOUSAND);
  size_t at = 0;
  ld->decimal = decimal.empty() ? U'.' : text::utf8::next(decimal, at);
  at = 0;
  // A locale without a grouping character groups with a blank.
  ld->thousands = thousands.empty() ? U' ' : text::utf8::next(thousands, at);
  if (ld->thousands == 0xA0 || ld->thousands == 0x202F) ld->thousands = U' ';
  ld->decimalText = text::utf8::encode(ld->decimal);
  ld->thousandsText = text::utf8::encode(ld->thousands);
  ld->currencySymbol = info(locale, LOCALE_SCURRENCY);
  ld->currencyPattern =
      currencyPatternOf(ld->currencySymbol, number(locale, LOCALE_ICURRENCY, 0),
                        number(locale, LOCALE_INEGCURR, 1), number(locale, LOCALE_ICURRDIGITS, 2));

  const std::string shortPicture = info(locale, LOCALE_SSHORTDATE);
  const std::string longPicture = info(locale, LOCALE_SLONGDATE);
  const std::string timePicture = info(locale, LOCALE_STIMEFORMAT);
  if (shortPicture.empty() || timePicture.empty()) unknownLocale(ld->id);
  ld->shortDatePattern = icuPatternFrom(shortPicture);
  ld->dateSeparator = separatorOf(shortPicture, "/");
  ld->timeSeparator = separatorOf(timePicture, ":");
  ld->am = plainBlanks(info(locale, LOCALE_S1159));
  ld->pm = plainBlanks(info(locale, LOCALE_S2359));

  for (int k = 0; k < 12; ++k) {
    ld->monthNames[static_cast<size_t>(k)] =
        info(locale, static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + k));
    ld->monthAbbreviations[static_cast<size_t>(k)] =
        info(locale, static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + k));
  }
  // Windows counts the week from Monday (SDAYNAME1); ours starts on Sunday.
  for (int k = 0; k < 7; ++k) {
    const auto day = static_cast<size_t>((k + 1) % 7);
    ld->dayNames[day] = info(locale, static_cast<LCTYPE>(LOCALE_SDAYNAME1 + k));
    ld->dayAbbreviations[day] = info(locale, static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + k));
  }

  ld->currency = detail::compile(ld->currencyPattern);
  ld->shortDate = detail::compileDate(formatPatternFrom(shortPicture));
  // Windows keeps no medium date; the platform's is the day, the abbreviated month and the year.
  ld->mediumDate = detail::compileDate(formatPatternFrom("dd-MMM-yy"));
  ld->longDate =
      detail::compileDate(formatPatternFrom(longPicture.empty() ? shortPicture : longPicture));
  ld->longTime = detail::compileDate(formatPatternFrom(timePicture));

  ld->symbols.decimal = ld->decimal;
  ld->symbols.thousands = ld->thousands;
  ld->symbols.currencySymbol = ld->currencySymbol;
  ld->symbols.shortDatePattern = ld->shortDatePattern;
  ld->symbols.timePattern = plainBlanks(icuPatternFrom(timePicture));
  ld->symbols.amSymbol = ld->am;
  ld->symbols.pmSymbol = ld->pm;
  return ld;
}

}  // namespace

// The Windows name of a locale id written either way ("es_VE" or "es-VE").
std::string localeKey(std::string_view id) {
  std::string name(id);
  for (char& c : name) {
    if (c == '_') c = '-';
  }
  return ::IsValidLocaleName(text::toWide(name).c_str()) ? name : std::string();
}

std::shared_ptr<const LocaleData> loadLocale(const std::string& key) { return load(text::toWide(key)); }

std::string userLocale() {
  wchar_t user[LOCALE_NAME_MAX_LENGTH];
  return ::GetUserDefaultLocaleName(user, LOCALE_NAME_MAX_LENGTH) > 0 ? text::fromWide(user) : std::string();
}

}  // namespace regional::detail
