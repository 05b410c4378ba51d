// Text to number and to Currency in several regional settings. Whatever Currency reads, the text
// CStr writes for it reads back as the same amount.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "automation/error.h"
#include "automation/variant.h"
#include "regional/regional_settings.h"

namespace {

const automation::NumberSymbols& symbolsFor(uint8_t pick) {
  static const automation::NumberSymbols all[] = {
      regional::RegionalSettings::fromLocale("en_US").numberSymbols(),
      regional::RegionalSettings::fromLocale("es_VE").numberSymbols(),
      regional::RegionalSettings::fromLocale("de_CH").numberSymbols(),
      regional::RegionalSettings::fromLocale("fr_FR").numberSymbols(),
      regional::RegionalSettings::fromLocale("hi_IN").numberSymbols()};
  return all[pick % 5];
}

}  // namespace

// Input: byte 0 picks the settings; the rest is the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 512) return 0;
  const auto& symbols = symbolsFor(data[0]);
  std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    (void)automation::parseNumber(text, symbols);
  } catch (const automation::Error&) {
    // Overflow is reported as an error.
  }
  std::optional<automation::Currency> amount;
  try {
    amount = automation::parseCurrency(text, symbols);
  } catch (const automation::Error&) {
    return 0;
  }
  if (!amount) return 0;
  const std::string written = automation::cStr(automation::Variant(*amount), symbols);
  const auto again = automation::parseCurrency(written, symbols);
  if (!again || *again != *amount) __builtin_trap();
  return 0;
}
