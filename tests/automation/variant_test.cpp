#include <gtest/gtest.h>

#include "automation/object.h"
#include "automation/variant.h"
#include "error_of.h"

using namespace automation;

namespace {

NumberSymbols spanish() {
  NumberSymbols s;
  s.decimal = U',';
  s.thousands = U'.';
  s.currencySymbol = "Bs.";
  s.shortDatePattern = "dd/MM/yyyy";
  return s;
}

TEST(Conversions, WholeNumbersRoundHalvesToEven) {
  const std::pair<double, int> rows[] = {{0.5, 0},   {1.5, 2},  {2.5, 2},   {3.5, 4},
                                         {-0.5, 0},  {-1.5, -2}, {2.4999, 2}, {-2.5001, -3}};
  for (const auto& [x, whole] : rows) {
    EXPECT_EQ(cInt(Variant(x)), whole) << x;
    EXPECT_EQ(cLng(Variant(x)), whole) << x;
    EXPECT_EQ(cLng(Variant(Currency::fromDouble(x))), whole) << x;
  }
  EXPECT_EQ(cLng(Variant("2.5")), 2);
  EXPECT_EQ(cLng(Variant("3.5")), 4);
  EXPECT_EQ(cLng(Variant("2.50000000000000000001")), 3);  // exact, not through a Double
  EXPECT_EQ(cInt(Variant(-32768.5)), -32768);
  EXPECT_EQ(cLng(Variant(true)), -1);
}

TEST(Conversions, ErrorsOfEachKind) {
  const struct {
    Variant value;
    int32_t number;
  } rows[] = {
      {Variant::null(), 94},   {Variant("12abc"), 13},     {Variant(""), 13},          {Variant("1.2.3"), 13},
      {Variant(32767.5), 6},   {Variant(1e10), 6},         {Variant("99999"), 6},      {Variant::missing(), 449},
      {Variant::nothing(), 91},
  };
  for (const auto& r : rows) EXPECT_EQ(errorOf([&] { cInt(r.value); }), r.number) << r.value;
  EXPECT_EQ(errorOf([] { cLng(Variant(2147483647.5)); }), 6);
  EXPECT_EQ(errorOf([] { cCur(Variant(1e300)); }), 6);
  EXPECT_EQ(errorOf([] { cStr(Variant::null()); }), 94);
  EXPECT_EQ(errorOf([] { cDbl(Variant("abc")); }), 13);
  EXPECT_EQ(errorOf([] { cBool(Variant("maybe")); }), 13);
  EXPECT_EQ(errorOf([] { cDate(Variant("31/02/2024"), spanish()); }), 13);
}

TEST(Conversions, EmptyIsZeroOrEmptyText) {
  EXPECT_EQ(cStr(Variant()), "");
  EXPECT_EQ(cDbl(Variant()), 0);
  EXPECT_EQ(cCur(Variant()), Currency());
  EXPECT_FALSE(cBool(Variant()));
  EXPECT_EQ(cDate(Variant()).serial(), 0);
}

TEST(TextToNumber, InvariantSymbols) {
  const std::pair<const char*, double> accepted[] = {
      {"1,000", 1000}, {"1,2,3", 123},  {"(123)", -123},  {" \t-5 ", -5},  {"5-", -5},       {"+7", 7},
      {"$12.5", 12.5}, {"$-5", -5},     {"-$5", -5},      {"1.5e20", 1.5e20}, {"2E-3", 0.002}, {".5", 0.5},
      {"1.", 1},       {"12.50$", 12.5}, {"1,234.5", 1234.5},
  };
  for (const auto& [text, value] : accepted) {
    const auto parsed = parseNumber(text);
    ASSERT_TRUE(parsed.has_value()) << text;
    EXPECT_DOUBLE_EQ(*parsed, value) << text;
  }
  for (const char* text : {"", " ", "12abc", "-5-", "(5", "5)", "()", "-(5)", "(5)-", "1.2.3", "e5", "1e", ",5",
                           "1,", "$", "--5", "1 2"}) {
    EXPECT_FALSE(parseNumber(text).has_value()) << text;
  }
}

TEST(TextToNumber, RegionalSymbols) {
  const NumberSymbols es = spanish();
  EXPECT_DOUBLE_EQ(*parseNumber("1.5", es), 15);
  EXPECT_DOUBLE_EQ(*parseNumber("Bs.1.000,5", es), 1000.5);
  EXPECT_FALSE(parseNumber("1,234.56", es).has_value());
  EXPECT_EQ(cCur(Variant("1.234,56"), es), Currency::fromRaw(12345600));
}

TEST(TextToNumber, CurrencyIsExact) {
  const std::pair<const char*, int64_t> rows[] = {
      {"1.00005", 10000},  // a Double detour gives 10001
      {"1.00015", 10002},
      {"0.00005", 0},
      {"-1.00005", -10000},
      {"1234.56785", 12345678},
      {"922337203685477.5807", std::numeric_limits<int64_t>::max()},
      {"-922337203685477.5808", std::numeric_limits<int64_t>::min()},
      {"1.5e3", 15000000},
      {"12345e-8", 1},
  };
  for (const auto& [text, raw] : rows) EXPECT_EQ(parseCurrency(text)->raw(), raw) << text;
  EXPECT_EQ(errorOf([] { parseCurrency("922337203685477.5808"); }), 6);
  EXPECT_EQ(errorOf([] { cCur(Variant("1e30")); }), 6);
}

TEST(Conversions, ToText) {
  const NumberSymbols es = spanish();
  const struct {
    Variant value;
    const char* invariant;
    const char* regional;
  } rows[] = {
      {Variant(0.1 + 0.2), "0.3", "0,3"},
      {Variant(1.0 / 3), "0.333333333333333", "0,333333333333333"},
      {Variant(1e20), "1E+20", "1E+20"},
      {Variant(-2.5), "-2.5", "-2,5"},
      {Variant(1234567.0), "1234567", "1234567"},
      {Variant(Currency::fromDouble(12.5)), "12.5", "12,5"},
      {Variant(Currency::fromInteger(-12)), "-12", "-12"},
      {Variant(Currency::fromRaw(-1)), "-0.0001", "-0,0001"},
      {Variant(true), "True", "True"},
      {Variant(Date::fromYmd(2024, 1, 2)), "1/2/2024", "02/01/2024"},
      {Variant(Date::fromYmd(2024, 1, 2, 15, 4, 5)), "1/2/2024 3:04:05 PM", "02/01/2024 3:04:05 PM"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(cStr(r.value), r.invariant) << r.value;
    EXPECT_EQ(cStr(r.value, es), r.regional) << r.value;
  }
}

TEST(Conversions, TextToDateFollowsTheShortDatePattern) {
  EXPECT_EQ(cDate(Variant("1/2/2024")).toIso(), "2024-01-02");
  EXPECT_EQ(cDate(Variant("02/01/2024"), spanish()).toIso(), "2024-01-02");
  EXPECT_EQ(cDate(Variant("2024-01-02")).toIso(), "2024-01-02");
  EXPECT_EQ(cDate(Variant("1/2/24 3:04 PM")).toIso(), "2024-01-02T15:04:00");
  EXPECT_EQ(cDate(Variant(45293.75)).toIso(), "2024-01-02T18:00:00");
  EXPECT_TRUE(cBool(Variant(" true ")));
  EXPECT_FALSE(cBool(Variant("0")));
  EXPECT_DOUBLE_EQ(cDbl(Variant(true)), -1);
}

TEST(Ordering, DynamicValues) {
  const struct {
    Variant a, b;
    std::optional<int> order;
  } rows[] = {
      {Variant(int16_t{2}), Variant(2.0), 0},
      {Variant(int32_t{3}), Variant(Currency::fromInteger(3)), 0},
      {Variant(Currency::fromRaw(312)), Variant(0.03125), 0},  // the Double becomes Currency 0.0312 first
      {Variant(2.5), Variant(int16_t{3}), -1},
      {Variant(1e300), Variant(Currency::fromInteger(1)), 1},
      {Variant(true), Variant(int16_t{-1}), 0},
      {Variant(5.0), Variant("1"), -1},  // a number is less than any string
      {Variant("1"), Variant(int32_t{5}), 1},
      {Variant("a"), Variant("B"), 1},  // binary comparison
      {Variant(), Variant(int16_t{0}), 0},
      {Variant(), Variant(-1.0), 1},
      {Variant(), Variant(""), 0},
      {Variant(), Variant("a"), -1},
      {Variant(), Variant(), 0},
      {Variant::null(), Variant(int16_t{1}), std::nullopt},
      {Variant("x"), Variant::null(), std::nullopt},
      {Variant(Date::fromYmd(2024, 1, 2)), Variant(45293.0), 0},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(compare(r.a, r.b), r.order) << r.a << " vs " << r.b;
    EXPECT_EQ(greaterThan(r.a, r.b), r.order == 1) << r.a << " > " << r.b;
    EXPECT_EQ(equalTo(r.a, r.b), r.order == 0) << r.a << " = " << r.b;
  }
}

}  // namespace
