// Format with any pattern and any value, in a few regional settings: an error 5 or 6 where the
// pattern or value calls for it, never a crash, an endless loop or a leak.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "automation/error.h"
#include "regional/format.h"

namespace {

const regional::RegionalSettings& settingsFor(uint8_t pick) {
  static const regional::RegionalSettings all[] = {regional::RegionalSettings::fromLocale("en_US"),
                                                   regional::RegionalSettings::fromLocale("es_VE"),
                                                   regional::RegionalSettings::fromLocale("de_CH"),
                                                   regional::RegionalSettings::fromLocale("fr_FR")};
  return all[pick % 4];
}

automation::Variant valueFor(uint8_t kind, std::string_view text) {
  using automation::Variant;
  int64_t bits = 0;
  for (unsigned char c : text.substr(0, 8)) bits = (bits << 8) | c;
  double d = 0;
  static_assert(sizeof d == sizeof bits);
  __builtin_memcpy(&d, &bits, sizeof d);
  switch (kind % 7) {
    case 0:
      return Variant(std::string(text));
    case 1:
      return Variant(d);
    case 2:
      return Variant(automation::Currency::fromRaw(bits));
    case 3:
      return Variant(static_cast<int32_t>(bits));
    case 4:
      return Variant(automation::Date::fromSerial(static_cast<double>(bits % 2958466) +
                                                  static_cast<double>(bits & 0xffff) / 65536.0));
    case 5:
      return Variant(bits % 2 == 0);
    default:
      return Variant::null();
  }
}

}  // namespace

// Input: byte 0 picks the settings, byte 1 the kind of value; the rest is "pattern\0value".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
  const size_t cut = rest.find('\0');
  std::string_view pattern = rest.substr(0, cut);
  std::string_view value =
      cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
  if (pattern.size() > 256) return 0;
  try {
    regional::format(valueFor(data[1], value), pattern, settingsFor(data[0]));
  } catch (const automation::Error&) {
    // A pattern with too many sections, a value out of range: reported, as it should be.
  }
  return 0;
}
