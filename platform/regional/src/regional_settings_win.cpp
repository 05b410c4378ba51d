// Regional settings read from the Windows locale data (GetLocaleInfoEx), once per locale; the
// Format engine and text-to-number conversion work from the plain data gathered below, as they do
// with ICU's data elsewhere.

#include <windows.h>

#include <cstdlib>
#include <map>
#include <mutex>

#include "automation/error.h"
#include "pattern.h"
#include "regional/regional_settings.h"
#include "text/utf8.h"
#include "text/wide.h"

namespace regional {
namespace {

using detail::LocaleData;

[[noreturn]] void unknownLocale(std::string_view id) {
  throw automation::Error(automation::err::kInvalidProcedureCall, "RegionalSettings",
                          "Unknown locale: \"" + std::string(id) + "\"");
}

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

// No-break spaces become plain blanks: typographic choices of the locale data that an operator
// cannot type back.
std::string plainBlanks(std::string s) {
  static const std::string kNbsp = "\xC2\xA0";
  static const std::string kNarrowNbsp = "\xE2\x80\xAF";
  for (const std::string* from : {&kNbsp, &kNarrowNbsp}) {
    for (std::size_t at = s.find(*from); at != std::string::npos; at = s.find(*from, at + 1)) {
      s.replace(at, from->size(), " ");
    }
  }
  return s;
}

bool isAsciiLetter(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A literal character in the Format pattern language.
void appendLiteral(std::string& out, char32_t c) {
  if (c < 0x80 && c != ' ') out += '\\';
  text::utf8::append(out, c);
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
  std::string quoted;
  if (symbol.find('"') == std::string::npos) {
    quoted = "\"" + symbol + "\"";
  } else {
    for (char c : symbol) {
      quoted += '\\';
      quoted += c;
    }
  }
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

// The Windows name of a locale id written either way ("es_VE" or "es-VE"); empty when Windows does
// not know it.
std::wstring windowsName(std::string_view id) {
  std::string name(id);
  for (char& c : name) {
    if (c == '_') c = '-';
  }
  std::wstring wide = text::toWide(name);
  if (name.empty() || !::IsValidLocaleName(wide.c_str())) return {};
  return wide;
}

}  // namespace

RegionalSettings::RegionalSettings() {
  static const std::shared_ptr<const LocaleData> kUnitedStates = fromLocale("en-US").data_;
  data_ = kUnitedStates;
}

RegionalSettings RegionalSettings::fromLocale(std::string_view id) {
  if (id.find_first_of(" \t\r\n") != std::string_view::npos) unknownLocale(id);
  const std::wstring name = windowsName(id);
  if (name.empty()) unknownLocale(id);

  static std::mutex mutex;
  static std::map<std::wstring, std::shared_ptr<const LocaleData>> loaded;
  std::lock_guard lock(mutex);
  auto it = loaded.find(name);
  if (it == loaded.end()) it = loaded.emplace(name, load(name)).first;
  return RegionalSettings(it->second);
}

std::string RegionalSettings::localeIdFromPosix(std::string_view posixName) {
  std::string_view id = posixName.substr(0, posixName.find_first_of(".@"));
  if (id.empty() || id == "C" || id == "POSIX") return "en_US";
  return std::string(id);
}

// The locale named by LC_ALL, LC_NUMERIC or LANG when one is set ("es-VE", or a POSIX name), else
// the user's default locale; a name Windows does not know falls back to its language, then to the
// user's default.
RegionalSettings RegionalSettings::fromEnvironment() {
  std::string name;
  for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      name = value;
      break;
    }
  }
  if (!name.empty()) {
    const std::string id = localeIdFromPosix(name);
    try {
      return fromLocale(id);
    } catch (const automation::Error&) {
    }
    if (std::size_t cut = id.find_first_of("_-"); cut != std::string::npos) {
      try {
        return fromLocale(id.substr(0, cut));
      } catch (const automation::Error&) {
      }
    }
  }
  wchar_t user[LOCALE_NAME_MAX_LENGTH];
  if (::GetUserDefaultLocaleName(user, LOCALE_NAME_MAX_LENGTH) > 0) {
    try {
      return fromLocale(text::fromWide(user));
    } catch (const automation::Error&) {
    }
  }
  return fromLocale("en-US");
}

std::string RegionalSettings::localeId() const {
  return data_->id;
}
char32_t RegionalSettings::decimalSeparator() const {
  return data_->decimal;
}
char32_t RegionalSettings::thousandsSeparator() const {
  return data_->thousands;
}
const std::string& RegionalSettings::decimalText() const {
  return data_->decimalText;
}
const std::string& RegionalSettings::thousandsText() const {
  return data_->thousandsText;
}
const std::string& RegionalSettings::currencySymbol() const {
  return data_->currencySymbol;
}
const std::string& RegionalSettings::currencyPattern() const {
  return data_->currencyPattern;
}
const std::string& RegionalSettings::shortDatePattern() const {
  return data_->shortDatePattern;
}
automation::NumberSymbols RegionalSettings::numberSymbols() const {
  return data_->symbols;
}
const automation::NumberSymbols& RegionalSettings::symbols() const {
  return data_->symbols;
}

}  // namespace regional
