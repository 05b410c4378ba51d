// Money written with a mask reads back, through the ordinary text-to-number conversion of the same
// regional settings, to the value that was shown.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "automation/error.h"
#include "regional/format.h"

using automation::Currency;
using automation::Variant;
using regional::RegionalSettings;

namespace {

// Deterministic spread of Currency values: every magnitude from 1/10000 to the range edge, both
// signs, plus the values where rounding changes.
std::vector<Currency> sweep() {
  std::vector<Currency> values;
  uint64_t state = 0x9E3779B97F4A7C15ull;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 1;
  };
  int64_t limit = 1;
  for (int digits = 1; digits <= 19; ++digits) {
    limit = digits == 19 ? std::numeric_limits<int64_t>::max() : limit * 10;
    for (int k = 0; k < 60; ++k) {
      int64_t raw = static_cast<int64_t>(next() % static_cast<uint64_t>(limit));
      values.push_back(Currency::fromRaw(k % 2 ? -raw : raw));
    }
  }
  for (int64_t raw : {0ll, 1ll, 49ll, 50ll, 51ll, 4999ll, 5000ll, 9949ll, 9950ll, 9999ll, 10000ll, 99995000ll,
                      999999995000ll}) {
    values.push_back(Currency::fromRaw(raw));
    values.push_back(Currency::fromRaw(-raw));
  }
  values.push_back(Currency::fromRaw(std::numeric_limits<int64_t>::max()));
  values.push_back(Currency::fromRaw(std::numeric_limits<int64_t>::min()));
  values.push_back(Currency::fromRaw(std::numeric_limits<int64_t>::min() + 1));
  return values;
}

// The value as a mask with this many decimals shows it: half away from zero.
Currency shown(Currency c, int decimals) {
  int64_t unit = 1;
  for (int k = decimals; k < 4; ++k) unit *= 10;
  __int128 raw = c.raw();
  __int128 q = (raw < 0 ? -raw : raw);
  q = (q + unit / 2) / unit * unit;
  return Currency::fromRaw(static_cast<int64_t>(raw < 0 ? -q : q));
}

struct Mask {
  const char* pattern;
  int decimals;
};

class RoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(RoundTrip, MoneyMasksReadBackToTheShownValue) {
  const RegionalSettings rs = RegionalSettings::fromLocale(GetParam());
  const automation::NumberSymbols symbols = rs.numberSymbols();
  const std::vector<Currency> values = sweep();
  for (const Mask& mask : {Mask{"#,##0.00", 2}, Mask{"0.00", 2}, Mask{"#,##0.00;(#,##0.00)", 2},
                           Mask{"##,##0.00", 2}, Mask{"#,##0.0000", 4}, Mask{"Standard", 2}, Mask{"Fixed", 2},
                           Mask{"Currency", 2}}) {
    const regional::Formatter formatter(mask.pattern, rs);
    int failures = 0;
    for (Currency value : values) {
      const std::string text = formatter.format(value);
      const Currency expected = shown(value, mask.decimals);
      std::optional<Currency> back;
      try {
        back = automation::parseCurrency(text, symbols);
      } catch (const automation::Error& e) {
        ADD_FAILURE() << value << " as \"" << text << "\" with " << mask.pattern << ": error " << e.number();
      }
      if (!back || *back != expected) {
        ADD_FAILURE() << value << " as \"" << text << "\" with " << mask.pattern << " read back as "
                      << (back ? back->toString() : std::string("nothing"));
        if (++failures > 5) break;
      }
    }
  }
}

TEST_P(RoundTrip, TextWrittenFromDoublesReadsBackAndWritesTheSameText) {
  const RegionalSettings rs = RegionalSettings::fromLocale(GetParam());
  const automation::NumberSymbols symbols = rs.numberSymbols();
  for (const char* pattern : {"0.00", "#,##0.00"}) {
    const regional::Formatter formatter(pattern, rs);
    for (int k = -3000; k <= 3000; ++k) {
      const double value = k * 12345.6789 / 997.0 * std::pow(10.0, (k % 9));
      const std::string text = formatter.format(value);
      const std::optional<double> back = automation::parseNumber(text, symbols);
      ASSERT_TRUE(back.has_value()) << text;
      EXPECT_NEAR(*back, value, 0.005 + std::fabs(value) * 1e-14) << text;
      if (*back != 0) {  // "-0.00" reads back as 0
        EXPECT_EQ(formatter.format(*back), text);
      }
      EXPECT_EQ(automation::cDbl(Variant(text), symbols), *back) << text;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, RoundTrip, ::testing::Values("en_US", "es_VE"));

}  // namespace
