#pragma once
// Where a locale's regional data comes from: ICU's locale data, or on Windows the system's. Each
// source gathers a locale's plain data once; RegionalSettings caches it and the Format engine and
// text-to-number conversion work from it alike on both.

#include <memory>
#include <string>
#include <string_view>

#include "pattern.h"

namespace regional::detail {

// The name a locale id is loaded and kept under ("es_VE" and "es-VE" are one locale); empty when
// the source does not know the locale.
std::string localeKey(std::string_view id);

// The data of a locale named by localeKey; throws the unknown-locale error when it has none.
std::shared_ptr<const LocaleData> loadLocale(const std::string& key);

// The user's own locale where the system keeps one (Windows); empty elsewhere.
std::string userLocale();

[[noreturn]] void unknownLocale(std::string_view id);

// Helpers both sources use to turn their patterns into the Format pattern language.

// No-break spaces become plain blanks: typographic choices of the locale data that an operator
// cannot type back.
std::string plainBlanks(std::string s);
bool isAsciiLetter(char32_t c);
// A literal character in the Format pattern language.
void appendLiteral(std::string& out, char32_t c);
// The currency symbol as a literal of the Format pattern language ("Bs.S" -> "\"Bs.S\"").
std::string quotedSymbol(const std::string& symbol);

}  // namespace regional::detail
