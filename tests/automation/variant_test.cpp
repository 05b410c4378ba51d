// Variants, Currency and Date; late binding on objects; the class registry and component modules.

#include <gtest/gtest.h>

#include <ctime>
#include <limits>

#include "../profile/temp_dir.h"
#include "automation/currency.h"
#include "automation/date.h"
#include "automation/module.h"
#include "automation/object.h"
#include "automation/variant.h"
#include "error_of.h"
#include "profile/settings_store.h"

using namespace automation;

namespace {

const NumberSymbols kSpanish{
    .decimal = U',', .thousands = U'.', .currencySymbol = "Bs.", .shortDatePattern = "dd/MM/yyyy"};

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
  EXPECT_EQ(errorOf([] { cDate(Variant("31/02/2024"), kSpanish); }), 13);
}

TEST(Conversions, EmptyIsZeroOrEmptyText) {
  EXPECT_EQ(cStr(Variant()), "");
  EXPECT_EQ(cDbl(Variant()), 0);
  EXPECT_EQ(cCur(Variant()), Currency());
  EXPECT_FALSE(cBool(Variant()));
  EXPECT_EQ(cDate(Variant()).serial(), 0);
}

TEST(TextToNumber, InvariantAndRegionalSymbols) {
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
  // With regional symbols '.' groups and ',' is the decimal point.
  EXPECT_DOUBLE_EQ(*parseNumber("1.5", kSpanish), 15);
  EXPECT_DOUBLE_EQ(*parseNumber("Bs.1.000,5", kSpanish), 1000.5);
  EXPECT_FALSE(parseNumber("1,234.56", kSpanish).has_value());
  EXPECT_EQ(cCur(Variant("1.234,56"), kSpanish), Currency::fromRaw(12345600));
}

TEST(TextToNumber, CurrencyIsExact) {
  const std::pair<const char*, int64_t> rows[] = {
      {"1.00005", 10000},  // a Double detour gives 10001
      {"1.00015", 10002},  {"0.00005", 0}, {"-1.00005", -10000}, {"1234.56785", 12345678}, {"1.5e3", 15000000},
      {"922337203685477.5807", std::numeric_limits<int64_t>::max()},
      {"-922337203685477.5808", std::numeric_limits<int64_t>::min()}, {"12345e-8", 1},
  };
  for (const auto& [text, raw] : rows) EXPECT_EQ(parseCurrency(text)->raw(), raw) << text;
  EXPECT_EQ(errorOf([] { parseCurrency("922337203685477.5808"); }), 6);
  EXPECT_EQ(errorOf([] { cCur(Variant("1e30")); }), 6);
}

TEST(Conversions, ToText) {
  const struct {
    Variant value;
    const char* invariant;
    const char* regional;
  } rows[] = {
      {Variant(0.1 + 0.2), "0.3", "0,3"}, {Variant(1.0 / 3), "0.333333333333333", "0,333333333333333"},
      {Variant(1e20), "1E+20", "1E+20"},   {Variant(-2.5), "-2.5", "-2,5"},
      {Variant(1234567.0), "1234567", "1234567"}, {Variant(Currency::fromDouble(12.5)), "12.5", "12,5"},
      {Variant(Currency::fromInteger(-12)), "-12", "-12"}, {Variant(Currency::fromRaw(-1)), "-0.0001", "-0,0001"},
      {Variant(true), "True", "True"},
      {Variant(Date::fromYmd(2024, 1, 2)), "1/2/2024", "02/01/2024"},
      {Variant(Date::fromYmd(2024, 1, 2, 15, 4, 5)), "1/2/2024 3:04:05 PM", "02/01/2024 3:04:05 PM"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(cStr(r.value), r.invariant) << r.value;
    EXPECT_EQ(cStr(r.value, kSpanish), r.regional) << r.value;
  }
}

TEST(Conversions, TextToDateFollowsTheShortDatePattern) {
  EXPECT_EQ(cDate(Variant("1/2/2024")).toIso(), "2024-01-02");
  EXPECT_EQ(cDate(Variant("02/01/2024"), kSpanish).toIso(), "2024-01-02");
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
      {Variant(2.5), Variant(int16_t{3}), -1}, {Variant(1e300), Variant(Currency::fromInteger(1)), 1},
      {Variant(true), Variant(int16_t{-1}), 0},
      {Variant(5.0), Variant("1"), -1},  // a number is less than any string
      {Variant("1"), Variant(int32_t{5}), 1},
      {Variant("a"), Variant("B"), 1},  // binary comparison
      {Variant(), Variant(int16_t{0}), 0},   {Variant(), Variant(-1.0), 1}, {Variant(), Variant(""), 0},
      {Variant(), Variant("a"), -1},         {Variant(), Variant(), 0},
      {Variant::null(), Variant(int16_t{1}), std::nullopt}, {Variant("x"), Variant::null(), std::nullopt},
      {Variant(Date::fromYmd(2024, 1, 2)), Variant(45293.0), 0},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(compare(r.a, r.b), r.order) << r.a << " vs " << r.b;
    EXPECT_EQ(greaterThan(r.a, r.b), r.order == 1) << r.a << " > " << r.b;
    EXPECT_EQ(equalTo(r.a, r.b), r.order == 0) << r.a << " = " << r.b;
  }
}

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
      {-3, 5000, -2},         {5, 5000, 2},  // 0.00025 -> 0.0002
      {9223372036854775, 10'000'000, 9223372036854775000},  // needs more than 64 bits on the way
  };
  for (const auto& r : rows)
    EXPECT_EQ((Currency::fromRaw(r.a) * Currency::fromRaw(r.b)).raw(), r.product) << r.a << " * " << r.b;
}

TEST(Currency, InvariantText) {
  EXPECT_EQ((std::vector{Currency::fromDouble(-12.5).toString(), Currency().toString(), Currency::fromRaw(-1).toString(),
                         kMin.toString(), kMax.toString()}),
            (std::vector<std::string>{"-12.5000", "0.0000", "-0.0001", "-922337203685477.5808", "922337203685477.5807"}));
}

TEST(Date, SerialsCountDaysFrom18991230) {
  const struct {
    int y, m, d, hh, mm;
    double serial;
  } rows[] = {
      {1899, 12, 30, 0, 0, 0},         {1900, 1, 1, 0, 0, 2},   {2024, 1, 2, 0, 0, 45293},
      {2024, 1, 2, 18, 0, 45293.75},   {1899, 12, 29, 12, 0, -1.5},  // negative: the fraction still adds time
      {100, 1, 1, 0, 0, -657434},      {9999, 12, 31, 0, 0, 2958465},
  };
  for (const auto& r : rows) {
    const Date d = Date::fromYmd(r.y, r.m, r.d, r.hh, r.mm);
    EXPECT_DOUBLE_EQ(d.serial(), r.serial) << r.y << "-" << r.m << "-" << r.d;
    const Date back = Date::fromSerial(r.serial);
    EXPECT_EQ(std::tuple(back.year(), back.month(), back.day(), back.hour()), std::tuple(r.y, r.m, r.d, r.hh));
  }
  EXPECT_EQ(Date::fromSerial(-1.5).toIso(), "1899-12-29T12:00:00");
  EXPECT_EQ(Date::fromSerial(-1.5).dateOnly().toIso(), "1899-12-29");
}

TEST(Date, RangeAndCalendarErrors) {
  EXPECT_EQ(errorOf([] { Date::fromSerial(-657435); }), 6);
  EXPECT_EQ(errorOf([] { Date::fromSerial(2958466); }), 6);
  EXPECT_EQ(errorOf([] { Date::fromYmd(2023, 2, 29); }), 5);
  EXPECT_EQ(errorOf([] { Date::fromYmd(2024, 13, 1); }), 5);
  EXPECT_EQ(errorOf([] { Date::fromYmd(2024, 2, 29); }), 0);
}

TEST(Date, IsoText) {
  EXPECT_EQ(Date::parseIso("2024-03-05")->toIso(), "2024-03-05");
  EXPECT_EQ(Date::parseIso("2024-03-05T07:08:09")->toIso(), "2024-03-05T07:08:09");
  EXPECT_EQ(Date::parseIso("2024-03-05 07:08:09")->toIsoDate(), "2024-03-05");
  for (const char* bad : {"", "2024-3-5", "2024-02-30", "2024-03-05T25:00:00", "2024-03-05x", "abcd-ef-gh"})
    EXPECT_FALSE(Date::parseIso(bad).has_value()) << bad;
}

TEST(Date, TodayIsFixedOrTheRealLocalDate) {
  automation::setToday(Date::fromYmd(2024, 5, 17, 10, 30));
  EXPECT_EQ(automation::today().toIso(), "2024-05-17");
  automation::setToday(std::nullopt);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const Date t = automation::today();
  EXPECT_FALSE(t.hasTime());
  EXPECT_EQ(std::pair(t.year(), t.day()), std::pair(local.tm_year + 1900, local.tm_mday));
}

// Late binding: by-reference arguments, the standard errors, fallbacks between member kinds, and
// call sites that remember where a member is.
class Account final : public Dispatch {
 public:
  Account() : Dispatch("Account") {
    getter("Balance", [this](CallArgs& a) {
      a.expect(0, 0);
      return Variant(balance_);
    });
    // Moves amount into the caller's variable: Transfer(target ByRef, amount [, Memo:=])
    method("Transfer", [this](CallArgs& a) {
      a.expect(2, 2);
      const Currency amount = cCur(a.at(1));
      a.at(0) = Variant(cCur(a.at(0)) + amount);
      balance_ -= amount;
      if (Variant* memo = a.named("memo")) memo_ = *memo;
      return Variant(balance_);
    });
    method("Ping", [](CallArgs&) { return Variant("pong"); });
    getter("", [this](CallArgs&) { return Variant(balance_); });  // default member
    property("Owner", &owner_);
    implements("{3239BD71-5C39-434E-B049-48A1CDD16445}");
  }
  Variant memo_;

 private:
  Currency balance_ = Currency::fromInteger(100);
  Variant owner_;
};

TEST(LateBinding, ByReferenceArgumentsWriteBack) {
  auto account = std::make_shared<Account>();
  Variant mine = Currency::fromInteger(5);
  Variant copy = Currency::fromInteger(5);
  call(account, "Transfer", {Arg::ref(mine), Arg(Currency::fromInteger(30))}, {{"Memo", Arg("rent")}});
  call(account, "transfer", {Arg(copy), Arg(int16_t{10})});
  EXPECT_EQ(mine, Variant(Currency::fromInteger(35)));
  EXPECT_EQ(copy, Variant(Currency::fromInteger(5)));  // by value: the caller's variable is untouched
  EXPECT_EQ(get(account, "BALANCE"), Variant(Currency::fromInteger(60)));
  EXPECT_EQ(account->memo_, Variant("rent"));
}

TEST(LateBinding, StandardErrors) {
  auto account = std::make_shared<Account>();
  EXPECT_EQ(errorOf([&] { call(account, "Withdraw"); }), 438);
  EXPECT_EQ(errorOf([&] { call(ObjectRef{}, "Ping"); }), 91);
  EXPECT_EQ(errorOf([&] { call(account, "Transfer", {Arg(int16_t{1})}); }), 450);
  EXPECT_EQ(errorOf([&] { call(account, "Transfer", {Arg::omitted(), Arg(int16_t{1})}); }), 449);
  EXPECT_EQ(errorOf([&] { let(account, "Balance", Variant(int16_t{1})); }), 438);  // read-only
  EXPECT_EQ(errorOf([&] { set(account, "Owner", ObjectRef{}); }), 0);
  EXPECT_EQ(errorOf([&] { toObject(Variant(int16_t{5})); }), 424);
  EXPECT_EQ(toObject(Variant::nothing()), nullptr);
  CallArgs none;
  EXPECT_EQ(errorOf([&] { none.at(0); }), 449);
  EXPECT_FALSE(none.opt(0).has_value());
  EXPECT_EQ(errorOf([&] { account->invokeById(7, CallKind::Method, none); }), 438);
  const Error e = Error::standard(438, "Account");
  EXPECT_EQ(std::pair(e.description(), e.source()),
            (std::pair<std::string, std::string>("Object doesn't support this property or method", "Account")));
  EXPECT_EQ(Error::standard(err::kObjectErrorBase + 1).description(), "Application-defined or object-defined error");
}

TEST(LateBinding, KindsFallBackAsLateBindingAllows) {
  auto account = std::make_shared<Account>();
  EXPECT_EQ(get(account, "Ping"), Variant("pong"));                              // Get runs a method
  EXPECT_EQ(call(account, "Balance"), Variant(Currency::fromInteger(100)));      // Method runs a getter
  let(account, "Owner", Variant("Ana"));
  EXPECT_EQ(get(account, "owner"), Variant("Ana"));
  EXPECT_EQ(errorOf([&] { let(account, "Owner", Variant(account)); }), 13);
  EXPECT_EQ(cStr(Variant(account)), "100");  // conversions use the default member
  EXPECT_TRUE(greaterThan(Variant(account), Variant(int16_t{99})));
  EXPECT_TRUE(account->hasMember("TRANSFER"));
  EXPECT_TRUE(account->supportsInterface("{3239bd71-5c39-434e-b049-48a1cdd16445}"));
  EXPECT_FALSE(account->supportsInterface("{00000000-0000-0000-0000-000000000000}"));
}

// Methods in the order given, each appending its name to a first argument; every call is counted.
struct Shaped final : Dispatch {
  Shaped(std::vector<std::string> names, std::string cls = "Shaped") : Dispatch(std::move(cls)) {
    for (const std::string& n : names)
      method(n, [n](CallArgs& a) {
        if (a.size() > 0) a.at(0) = Variant(cStr(a.at(0)) + "+" + n);
        return Variant(n + (a.named("Tag") ? ":" + cStr(*a.named("Tag")) : ""));
      });
  }
  Variant invoke(std::string_view m, CallKind k, CallArgs& a) override { return ++received, Dispatch::invoke(m, k, a); }
  int received = 0;
};

TEST(CallSite, RemembersPerLayoutAndPassesEveryCallAsGiven) {
  static constinit CallSite site("value", CallKind::Method);
  auto a = std::make_shared<Shaped>(std::vector<std::string>{"Value", "Other"});
  auto b = std::make_shared<Shaped>(std::vector<std::string>{"Other", "Extra", "VALUE"}, "Other");
  auto lacking = std::make_shared<Shaped>(std::vector<std::string>{"Other"});  // same class, no Value
  Variant mine("x");
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(invoke(a, site, {Arg::ref(mine)}, {NamedArg{"tag", Arg(int16_t{7})}}), Variant("Value:7"));
    EXPECT_EQ(invoke(b, site), Variant("VALUE"));
    EXPECT_EQ(errorOf([&] { invoke(lacking, site); }), 438);
    EXPECT_EQ(errorOf([&] { invoke(ObjectRef{}, site); }), 91);
    EXPECT_EQ(errorOf([&] { invoke(a, site, {Arg::omitted()}); }), 449);
  }
  EXPECT_EQ(mine, Variant("x+Value+Value"));
  EXPECT_EQ(a->received + lacking->received, 6);  // every call reaches the object
}

constexpr const char* kProgId = "TestLib.Calculator";

// The current user's registry lives in a fresh directory for each test.
class ClassRegistryTest : public ::testing::Test {
 protected:
  ClassRegistryTest() { ::setenv("TESSALINE_CONFIG_HOME", home_.path().c_str(), 1); }
  ~ClassRegistryTest() override { ::unsetenv("TESSALINE_CONFIG_HOME"); }
  TempDir home_;
};

TEST(Guid, TextRoundTrip) {
  const auto g = Guid::parse("{e2f6b806-4744-4278-9405-81f30e000eb5}");
  ASSERT_TRUE(g.has_value());
  EXPECT_EQ(g->toString(), "{E2F6B806-4744-4278-9405-81F30E000EB5}");
  EXPECT_EQ(Guid::parse("E2F6B806-4744-4278-9405-81F30E000EB5"), g);
  for (const char* bad : {"", "{E2F6B806-4744-4278-9405-81F30E000EB}", "{E2F6B806-4744-4278-9405+81F30E000EB5}",
                          "{G2F6B806-4744-4278-9405-81F30E000EB5}", "(E2F6B806-4744-4278-9405-81F30E000EB5)"}) {
    EXPECT_FALSE(Guid::parse(bad).has_value()) << bad;
  }
}

TEST_F(ClassRegistryTest, RegisterCreateCallUnregister) {
  ClassRegistry& registry = ClassRegistry::forCurrentUser();
  EXPECT_EQ(errorOf([&] { registry.createObject(kProgId); }), 429);

  registry.registerModule(CALCULATOR_MODULE);
  const auto clsid = registry.clsidOf(kProgId);
  ASSERT_TRUE(clsid.has_value());
  EXPECT_EQ(clsid->toString(), "{0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}");
  EXPECT_EQ(registry.modulePathOf(*clsid), std::filesystem::canonical(CALCULATOR_MODULE));

  ObjectRef calculator = registry.createObject("testlib.calculator");  // ProgIDs are case-insensitive too
  ASSERT_TRUE(calculator);
  EXPECT_EQ(calculator->className(), "Calculator");
  EXPECT_EQ(call(calculator, "add", {Arg(int16_t{2}), Arg(2.5)}), Variant(Currency::fromDouble(4.5)));

  // The type library the module describes.
  const TypeLibInfo* lib = typeLibOf(CALCULATOR_MODULE);
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->name, "TestLib");

  // By reference across the module boundary.
  Variant total = Currency::fromInteger(1);
  call(calculator, "Accumulate", {Arg::ref(total), Arg(int16_t{9})});
  EXPECT_EQ(total, Variant(Currency::fromInteger(10)));

  registry.unregisterModule(CALCULATOR_MODULE);
  EXPECT_FALSE(registry.clsidOf(kProgId).has_value());
  EXPECT_EQ(errorOf([&] { registry.createObject(kProgId); }), 429);
}

TEST_F(ClassRegistryTest, ModuleRegistersIntoTheRegistryThatAskedIt) {
  const std::filesystem::path other = home_ / "other";
  ClassRegistry registry(other);
  registry.registerModule(CALCULATOR_MODULE);
  EXPECT_TRUE(registry.clsidOf(kProgId).has_value());
  EXPECT_FALSE(ClassRegistry::forCurrentUser().clsidOf(kProgId).has_value());
  EXPECT_EQ(profile::SettingsStore(other).get("Classes", "ProgID\\TestLib.Calculator", "CLSID"),
            "{0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}");
}

TEST_F(ClassRegistryTest, FailuresAreClearErrors) {
  ClassRegistry& registry = ClassRegistry::forCurrentUser();
  EXPECT_EQ(errorOf([&] { registry.registerModule(home_ / "missing.so"); }), 48);
  // A class whose module has gone away.
  const std::filesystem::path copy = home_ / "calculator-copy.so";
  std::filesystem::copy_file(CALCULATOR_MODULE, copy);
  TypeLibInfo lib;
  lib.libId = *Guid::parse("{6B1D2A10-3C4E-4F5A-8B6C-7D8E9FA0B1C2}");
  ClassInfo cls;
  cls.clsid = *Guid::parse("{0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}");
  cls.progId = "Gone.Calculator";
  registry.addClass(cls, lib, copy);
  std::filesystem::remove(copy);
  try {
    registry.createObject("Gone.Calculator");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 429);
    EXPECT_TRUE(e.description().starts_with("ActiveX component can't create object")) << e.description();
  }
  // A class the module does not provide.
  cls.clsid = *Guid::parse("{00000000-0000-0000-0000-000000000001}");
  cls.progId = "Wrong.Calculator";
  registry.addClass(cls, lib, CALCULATOR_MODULE);
  EXPECT_EQ(errorOf([&] { registry.createObject("Wrong.Calculator"); }), 429);
}

}  // namespace
