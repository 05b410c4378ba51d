#include <gtest/gtest.h>

#include <limits>

#include "automation/currency.h"
#include "automation/error.h"
#include "error_of.h"

using automation::Currency;

namespace {

const Currency kMax = Currency::fromRaw(std::numeric_limits<int64_t>::max());
const Currency kMin = Currency::fromRaw(std::numeric_limits<int64_t>::min());

TEST(Currency, FromDoubleRoundsHalvesToEven) {
  // Binary fractions whose fifth decimal is an exact half.
  const std::pair<double, int64_t> rows[] = {
      {0.03125, 312}, {0.09375, 938}, {0.21875, 2188}, {0.28125, 2812}, {-0.03125, -312}, {-0.09375, -938},
      {12.5, 125000}, {-0.00004, 0},  {1e-9, 0},
  };
  for (const auto& [value, raw] : rows) EXPECT_EQ(Currency::fromDouble(value).raw(), raw) << value;
}

TEST(Currency, OutOfRangeIsOverflow) {
  EXPECT_EQ(errorOf([] { Currency::fromDouble(1e15); }), 6);
  EXPECT_EQ(errorOf([] { Currency::fromDouble(std::numeric_limits<double>::quiet_NaN()); }), 6);
  EXPECT_EQ(errorOf([] { Currency::fromInteger(922337203685478); }), 6);
  EXPECT_EQ(errorOf([] { (void)(kMax + Currency::fromRaw(1)); }), 6);
  EXPECT_EQ(errorOf([] { (void)(kMin - Currency::fromRaw(1)); }), 6);
  EXPECT_EQ(errorOf([] { (void)(-kMin); }), 6);
  EXPECT_EQ(errorOf([] { (void)(Currency::fromInteger(10'000'000'000) * Currency::fromInteger(10'000'000)); }), 6);
  EXPECT_EQ(Currency::fromInteger(922337203685477).raw(), 9223372036854770000);
}

TEST(Currency, ProductIsExactWithTiesToEven) {
  const struct {
    int64_t a, b, product;
  } rows[] = {
      {15000, 15000, 22500},  // 1.5 * 1.5
      {1, 5000, 0},           // 0.00005 -> 0.0000
      {3, 5000, 2},           // 0.00015 -> 0.0002
      {-3, 5000, -2},
      {5, 5000, 2},  // 0.00025 -> 0.0002
      {9223372036854775, 10'000'000, 9223372036854775000},  // needs more than 64 bits on the way
  };
  for (const auto& r : rows) {
    EXPECT_EQ((Currency::fromRaw(r.a) * Currency::fromRaw(r.b)).raw(), r.product) << r.a << " * " << r.b;
  }
}

TEST(Currency, InvariantText) {
  EXPECT_EQ(Currency::fromDouble(-12.5).toString(), "-12.5000");
  EXPECT_EQ(Currency().toString(), "0.0000");
  EXPECT_EQ(Currency::fromRaw(-1).toString(), "-0.0001");
  EXPECT_EQ(kMin.toString(), "-922337203685477.5808");
  EXPECT_EQ(kMax.toString(), "922337203685477.5807");
}

}  // namespace
