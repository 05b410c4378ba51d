// Regional settings: a locale's data, loaded once from its source and shared by every copy.

#include "regional/regional_settings.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "automation/error.h"
#include "locale_source.h"
#include "text/utf8.h"

namespace regional {

namespace detail {

[[noreturn]] void unknownLocale(std::string_view id) {
  throw automation::Error(automation::err::kInvalidProcedureCall, "RegionalSettings",
                          "Unknown locale: \"" + std::string(id) + "\"");
}

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

void appendLiteral(std::string& out, char32_t c) {
  if (c < 0x80 && c != ' ') out += '\\';
  text::utf8::append(out, c);
}

std::string quotedSymbol(const std::string& symbol) {
  if (symbol.find('"') == std::string::npos) return "\"" + symbol + "\"";
  std::string quoted;
  for (char c : symbol) {
    quoted += '\\';
    quoted += c;
  }
  return quoted;
}

}  // namespace detail

RegionalSettings::RegionalSettings() {
  static const std::shared_ptr<const detail::LocaleData> kUnitedStates = fromLocale("en_US").data_;
  data_ = kUnitedStates;
}

RegionalSettings RegionalSettings::fromLocale(std::string_view id) {
  if (id.empty() || id.find_first_of(" \t\r\n") != std::string_view::npos)
    detail::unknownLocale(id);
  const std::string key = detail::localeKey(id);
  if (key.empty()) detail::unknownLocale(id);

  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const detail::LocaleData>, std::less<>> loaded;
  std::lock_guard lock(mutex);
  auto it = loaded.find(key);
  if (it == loaded.end()) it = loaded.emplace(key, detail::loadLocale(key)).first;
  return RegionalSettings(it->second);
}

std::string RegionalSettings::localeIdFromPosix(std::string_view posixName) {
  std::string_view id = posixName.substr(0, posixName.find_first_of(".@"));
  if (id.empty() || id == "C" || id == "POSIX") return "en_US";
  return std::string(id);
}

// The locale named by LC_ALL, LC_NUMERIC or LANG when one is set (a POSIX name, or "es-VE"), else
// the user's own where the system keeps one, else en_US. A country the source does not know falls
// back to its language's own conventions.
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
  if (const std::string user = detail::userLocale(); !user.empty()) {
    try {
      return fromLocale(user);
    } catch (const automation::Error&) {
    }
  }
  return fromLocale("en_US");
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
