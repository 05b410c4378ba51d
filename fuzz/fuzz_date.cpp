// Dates as text: the ISO forms and CDate's regional forms. An ISO date that reads writes back as
// the same date, and CDate of what CStr writes for a date is that date (to the second).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "automation/date.h"
#include "automation/error.h"
#include "automation/variant.h"
#include "regional/regional_settings.h"

namespace {

const automation::NumberSymbols& symbolsFor(uint8_t pick) {
  static const automation::NumberSymbols all[] = {
      regional::RegionalSettings::fromLocale("en_US").numberSymbols(),
      regional::RegionalSettings::fromLocale("es_VE").numberSymbols(),
      regional::RegionalSettings::fromLocale("de_DE").numberSymbols(),
      regional::RegionalSettings::fromLocale("ja_JP").numberSymbols()};
  return all[pick % 4];
}

}  // namespace

// Input: byte 0 picks the settings; the rest is the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 256) return 0;
  const auto& symbols = symbolsFor(data[0]);
  std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (auto iso = automation::Date::parseIso(text)) {
    auto back = automation::Date::parseIso(iso->toIso());
    if (!back || back->toIso() != iso->toIso()) __builtin_trap();
  }
  try {
    const automation::Date d = automation::cDate(automation::Variant(std::string(text)), symbols);
    const std::string written = automation::cStr(automation::Variant(d), symbols);
    const automation::Date again = automation::cDate(automation::Variant(written), symbols);
    if (again.toIso() != d.toIso()) __builtin_trap();
  } catch (const automation::Error&) {
    // Not a date (13) or out of range (6).
  }
  return 0;
}
