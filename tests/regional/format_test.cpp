// Number, text and date patterns written in en_US and es_VE, money read back from its mask, and
// the regional settings themselves.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

#include "../automation/error_of.h"
#include "regional/format.h"
#include "regional/regional_settings.h"

using automation::Currency;
using automation::Date;
using automation::Variant;
using regional::format;
using regional::RegionalSettings;

namespace {

// The regional settings the format tests write in, each read once.
const RegionalSettings& us() {
  static const auto rs = RegionalSettings::fromLocale("en_US");
  return rs;
}
const RegionalSettings& ve() {
  static const auto rs = RegionalSettings::fromLocale("es_VE");
  return rs;
}
const RegionalSettings& de() {
  static const auto rs = RegionalSettings::fromLocale("de_DE");
  return rs;
}

Currency cur(int64_t raw) { return Currency::fromRaw(raw); }
const Currency kMax = cur(std::numeric_limits<int64_t>::max());
const Currency kMin = cur(std::numeric_limits<int64_t>::min());

struct Row {
  Variant value;
  const char* pattern;
  const char* enUS;
  const char* esVE;  // nullptr: same as en_US
};

void expectRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    EXPECT_EQ(format(row.value, row.pattern, us()), row.enUS) << row.value << " with \"" << row.pattern << "\" in en_US";
    const char* ve_expected = row.esVE ? row.esVE : row.enUS;
    EXPECT_EQ(format(row.value, row.pattern, ve()), ve_expected) << row.value << " with \"" << row.pattern << "\" in es_VE";
  }
}

TEST(FormatNumber, RoundsHalfAwayFromZeroOnDecimalDigits) {
  expectRows({
      {2.5, "0", "3", nullptr},
      {-2.5, "0", "-3", nullptr},
      {0.125, "0.00", "0.13", "0,13"},
      {0.075, "#.##", ".08", ",08"},  // binary value lies below 0.075; 15 digits say 0.0750...
      {1.005, "0.00", "1.01", "1,01"},
      {0.1 + 0.2, "0.0000000000000000", "0.3000000000000000", "0,3000000000000000"},
      {9.995, "0.00", "10.00", "10,00"},
      {999.5, "#,##0", "1,000", "1.000"},
      {cur(25000), "0", "3", nullptr},
      {cur(-49), "0.00", "-0.00", "-0,00"},
      // A negative value that rounds to zero keeps its section.
      {-0.001, "0.00", "-0.00", "-0,00"},
      {-0.001, "0.00;(0.00)", "(0.00)", "(0,00)"},
      {-0.001, "0.00;(0.00);\\z\\e\\r\\o", "(0.00)", "(0,00)"},
      {0.001, "0.00;(0.00);\\z\\e\\r\\o", "0.00", "0,00"},
  });
}

TEST(FormatNumber, DigitsGroupsScalingExponentsAndLiterals) {
  expectRows({
      {int32_t{1}, "#.#", "1.", "1,"},
      {int32_t{0}, "#.#", ".", ","},
      {int32_t{0}, "#", "", nullptr},
      {int32_t{0}, "#,##0", "0", nullptr},
      {1.5, "0.0#", "1.5", "1,5"},
      {1.25, "0.0#", "1.25", "1,25"},
      {0.5, ".00", ".50", ",50"},
      {0.5, "#", "1", nullptr},
      // Integer digits are never cut.
      {12.5, ".00", "12.50", "12,50"},
      {int32_t{123456}, "00", "123456", nullptr},
      {int32_t{1234567}, "#,##0", "1,234,567", "1.234.567"},
      {int32_t{12}, "0,000", "0,012", "0.012"},
      {int32_t{12}, "000-0000", "000-0012", nullptr},
      {1e20, "#,##0", "100,000,000,000,000,000,000", "100.000.000.000.000.000.000"},
      // Commas right before the point divide by a thousand each.
      {int32_t{1234567890}, "#,##0,,", "1,235", "1.235"},
      {int32_t{1234567}, "#,##0,.00", "1,234.57", "1.234,57"},
      {int32_t{1234567}, "0,", "1235", nullptr},
      {0.256, "0.0%", "25.6%", "25,6%"},
      {cur(2565), "0%", "26%", nullptr},
      {int32_t{12345}, "0.00E+00", "1.23E+04", "1,23E+04"},
      {int32_t{12345}, "0.00E-00", "1.23E04", "1,23E04"},
      {0.00012345, "0.00E-00", "1.23E-04", "1,23E-04"},
      {int32_t{12345}, "0.00e+00", "1.23e+04", "1,23e+04"},
      {int32_t{99999}, "0.00E+00", "1.00E+05", "1,00E+05"},
      {int32_t{0}, "0.00E+00", "0.00E+00", "0,00E+00"},
      {int32_t{12345}, "00.0E+0", "12.3E+3", "12,3E+3"},
      {-12345.0, "0.00E+00", "-1.23E+04", "-1,23E+04"},
      {int32_t{5}, "$0.00", "$5.00", "$5,00"},
      {int32_t{-5}, "$0.00", "-$5.00", "-$5,00"},
      {int32_t{5}, "0\\k\\g", "5kg", nullptr},
      {int32_t{5}, "\"USD \"0.00", "USD 5.00", "USD 5,00"},
      {int32_t{5}, "+0.0 (x)", "+5.0 (x)", "+5,0 (x)"},
      {int32_t{5}, "0 \"a;b\"", "5 a;b", nullptr},  // a quoted ';' does not split
  });
}

TEST(FormatNumber, SectionsAndNamedFormats) {
  expectRows({
      {-1234.567, "#,##0.00;(#,##0.00)", "(1,234.57)", "(1.234,57)"},
      {int32_t{-5}, "0;\"menos \"0", "menos 5", nullptr},
      {int32_t{0}, "0.00;(0.00);\\z\\e\\r\\o", "zero", nullptr},
      {int32_t{-5}, "0.00;;\\z\\e\\r\\o", "-5.00", "-5,00"},  // empty section: the first, with a sign
      {int32_t{0}, "0.00;(0.00);", "0.00", "0,00"},
      {Variant::null(), "0;0;0;\\N\\u\\l\\l", "Null", nullptr},
      {Variant::null(), "0.00", "", nullptr},
      {Variant(), "0.00", "0.00", "0,00"},
      {Variant(), "0;;\\z", "z", nullptr},
      {true, "0", "-1", nullptr},
      {false, "0;;\\n\\o", "no", nullptr},
      {1234.5, "standard", "1,234.50", "1.234,50"},  // names ignore case
      {1234.5, "Fixed", "1234.50", "1234,50"},
      {0.256, "Percent", "25.60%", "25,60%"},
      {int32_t{12345}, "Scientific", "1.23E+04", "1,23E+04"},
      {int32_t{-3}, "Yes/No", "Yes", nullptr},
      {int32_t{0}, "On/Off", "Off", nullptr},
      {cur(12345000), "Currency", "$1,234.50", "Bs.S1.234,50"},
      {cur(-12345000), "Currency", "-$1,234.50", "Bs.S-1.234,50"},
      // The money range edges; the grouped masks there are the round-trip tests' sweep.
      {kMax, "0", "922337203685478", nullptr},
      {kMin, "0.00%", "-92233720368547758.08%", "-92233720368547758,08%"},
  });
}

TEST(FormatNumber, TextHoldingANumberUsesTheRegionalForm) {
  EXPECT_EQ(format("1,234.56", "#,##0.00", us()), "1,234.56");
  EXPECT_EQ(format("1.234,56", "#,##0.00", ve()), "1.234,56");
  EXPECT_EQ(format("(12)", "0.00", us()), "-12.00");
  EXPECT_EQ(format("1.5", "0.00", ve()), "15,00");  // '.' groups thousands there
  EXPECT_EQ(format("abc", "0.00", us()), "abc");     // not a number: unchanged
  EXPECT_EQ(format("", "0.00", us()), "");
}

// Plain patterns ("#,##0.00") write Currency and whole numbers through a shortcut; the same
// pattern with a literal after it goes the general way. Both must give the same digits.
TEST(FormatNumber, PlainPatternsWriteCurrencyAsTheGeneralWriterDoes) {
  const char* patterns[] = {"#,##0.00", "0.00", "#,##0", "0", "#.00", "#,##0.0000", "000.0", "#,##0.",
                            "#,##0.00;(#,##0.00)", "0.0;-0.0;\"cero\""};
  std::vector<int64_t> raws = {0, 1, -1, 49, 50, -50, 4999, 5000, -5000, 9950, 99995000, -99995000,
                               std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()};
  // Amounts of every size: random bits shifted down by a random count.
  std::mt19937_64 random(12345);
  for (int i = 0; i < 400; ++i) raws.push_back(static_cast<int64_t>(random()) >> (random() % 50));
  for (const char* plain : patterns) {
    // The literal goes at the end of every section.
    std::string general;
    for (const char* c = plain;; ++c) {
      if (*c == ';' || *c == '\0') general += "\"x\"";
      if (*c == '\0') break;
      general += *c;
    }
    auto generalWay = [&](const Variant& v, const RegionalSettings& rs) {
      std::string text = format(v, general, rs);
      text.erase(text.rfind('x'), 1);
      return text;
    };
    for (int64_t raw : raws) {
      for (const RegionalSettings* rs : {&us(), &ve()}) {
        EXPECT_EQ(format(Variant(cur(raw)), plain, *rs), generalWay(Variant(cur(raw)), *rs)) << raw << " with " << plain;
        // Whole numbers take the same shortcut.
        const Variant whole(static_cast<int32_t>(raw % 100000000));
        EXPECT_EQ(format(whole, plain, *rs), generalWay(whole, *rs)) << whole << " with " << plain;
      }
    }
  }
}

TEST(FormatNumber, SeparatorsOfOtherLocales) {
  EXPECT_EQ(format(1234567.5, "#,##0.00", RegionalSettings::fromLocale("fr_FR")), "1\u202F234\u202F567,50");
  EXPECT_EQ(format(1234.5, "Currency", de()), "1.234,50\u00A0€");
}

TEST(FormatNumber, BadPatternsValuesAndLongOutput) {
  EXPECT_EQ(errorOf([] { format(1, "0;0;0;0;0", us()); }), 5) << "five sections";
  EXPECT_EQ(errorOf([] { format(std::numeric_limits<double>::infinity(), "0.00", us()); }), 6);
  // an unterminated quote or a trailing backslash is taken as far as it goes
  EXPECT_EQ(format(5, "0 \"kg", us()), "5 kg");
  EXPECT_EQ(format(5, "0\\", us()), "5");
  // output longer than the writer's stack buffer
  EXPECT_EQ(format(1.5, "\"" + std::string(200, 'x') + "\"0.00", us()), std::string(200, 'x') + "1.50");
  EXPECT_EQ(format(1e300, "0", us()), "1" + std::string(300, '0'));
}

TEST(FormatNumber, FormatterReplacesItsOutputAndTakesNumbersAsDatesInADatePattern) {
  std::string out = "old content";
  regional::Formatter("#,##0.00;(#,##0.00)", ve()).formatTo(cur(0), out);
  EXPECT_EQ(out, "0,00");
  EXPECT_EQ(regional::Formatter("dd/mm/yyyy", us()).format(45356.0), "05/03/2024");
}

// The number a pattern shows reads back from its text: rounding, scaling, sections and exponents
// agree with the writer, for Currency and Double alike.
TEST(FormatNumber, ShownValueIsWhatTheTextSays) {
  struct Caso {
    const char* pattern;
    double value;
    const char* shown;
  };
  for (const Caso& c : {Caso{"#,##0.00", 4.005, "4.01"}, Caso{"#,##0.00", -4.005, "-4.01"},
                        Caso{"#,##0.00", 0.075, "0.08"}, Caso{"0.0%", 0.12345, "0.123"},
                        Caso{"#,##0,", 1234567, "1235000"}, Caso{"0.00E+00", 12345, "12300"},
                        Caso{"#,##0.00;(#,##0.0)", -1.26, "-1.3"}, Caso{"0", 2.5, "3"},
                        Caso{"Short Date", 1.23456, "1.2346"}}) {
    const regional::Formatter f(c.pattern, us());
    const Currency expected = *automation::parseCurrency(c.shown);
    EXPECT_EQ(f.shown(c.value), expected) << c.pattern << " " << c.value;
    EXPECT_EQ(f.shown(Currency::fromDouble(c.value)), expected) << c.pattern << " " << c.value;
  }
  const regional::Formatter unidades("#,##0", us());
  EXPECT_EQ(errorOf([&] { unidades.shown(kMax); }), 6);
  EXPECT_EQ(errorOf([&] { unidades.shown(1e300); }), 6);
}

TEST(FormatText, PlaceholdersFillFromTheRightUnlessToldOtherwise) {
  const std::tuple<const char*, const char*, const char*> rows[] = {
      {"abc", "@@@@", " abc"},       {"abc", "&&&&", "abc"},       {"abc", "!@@@@", "abc "},
      {"abcdef", "@@@", "abcdef"},   {"abcdef", "!@@@", "abcdef"}, {"5551234", "@@@-@@@@", "555-1234"},
      {"551234", "(@@@) @@-@@@@", "(   ) 55-1234"}, {"José Núñez", ">", "JOSÉ NÚÑEZ"}, {"ÁNGEL", "<@@@@@@", " ángel"},
      {"ñu", "@@@", " ñu"}};
  for (const auto& [value, pattern, text] : rows) EXPECT_EQ(format(value, pattern, us()), text) << pattern;
  // The second section is for Null and empty text.
  EXPECT_EQ(format("", "@;\\v\\a\\c\\i\\o", us()), "vacio");
  EXPECT_EQ(format(Variant::null(), "@;\\v\\a\\c\\i\\o", us()), "vacio");
  EXPECT_EQ(format(Variant::null(), "@", us()), "");
  EXPECT_EQ(format(12.5, "@@@@@@", ve()), "  12,5");  // a number is first written as CStr does
}

TEST(FormatText, EmptyPatternAndGeneralNumberWriteAsCStrDoes) {
  EXPECT_EQ(format(1234.5, "", ve()), "1234,5");  // what CStr writes is the conversion tests'
  EXPECT_EQ(format(Variant::null(), "", us()), "");
  EXPECT_EQ(format(1234567.25, "General Number", ve()), "1234567,25");
  EXPECT_EQ(format("1.234,5", "General Number", ve()), "1234,5");
  EXPECT_EQ(format(true, "General Number", us()), "-1");
  EXPECT_EQ(format(Variant::null(), "General Number", us()), "");
}

// Date patterns: the regional short date, General Date and custom date and time patterns.
// Tuesday, 5 March 2024 (serial 45356)
const Date kDay = Date::fromYmd(2024, 3, 5);
const Date kDayAndTime = Date::fromYmd(2024, 3, 5, 14, 7, 9);

TEST(FormatDate, NamedFormatsAndDayMonthYearTokens) {
  const std::tuple<Date, const char*, const RegionalSettings& (*)(), const char*> rows[] = {
      {kDay, "Short Date", us, "3/5/2024"}, {kDay, "short date", ve, "5/3/2024"},
      {kDay, "Short Date", de, "05.03.2024"},
      {Date::fromYmd(105, 1, 2), "Short Date", us, "1/2/0105"},  // a four-digit year
      {kDayAndTime, "Short Date", us, "3/5/2024"}, {kDay, "General Date", us, "3/5/2024"},
      {kDayAndTime, "General Date", us, "3/5/2024 2:07:09 PM"},
      {kDayAndTime, "General Date", ve, "5/3/2024 2:07:09 p. m."},
      {kDayAndTime, "General Date", de, "05.03.2024 14:07:09"},
      {Date::fromSerial(0.25), "General Date", us, "6:00:00 AM"},
      {Date::fromSerial(0), "General Date", us, "12:00:00 AM"}, {kDay, "Long Date", ve, "5 de marzo de 2024"},
      {kDayAndTime, "Short Time", us, "14:07"}, {kDayAndTime, "Long Time", us, "2:07:09 PM"},
      {kDay, "d/m/yy", us, "5/3/24"}, {kDay, "DD/MM/YYYY", us, "05/03/2024"},
      {kDay, "dd/mm/yyyy", de, "05.03.2024"},  // '/' is the regional date separator
      {kDay, "yyyy-mm-dd", de, "2024-03-05"}, {kDay, "dddd, mmmm d", us, "Tuesday, March 5"},
      {kDay, "ddd d \\d\\e mmmm", ve, "mar 5 de marzo"}, {kDay, "mmm", us, "Mar"}, {kDay, "ddddd", ve, "5/3/2024"},
      {kDay, "dddddd", us, "March 5, 2024"},
  };
  for (const auto& [value, pattern, rs, text] : rows) EXPECT_EQ(format(value, pattern, rs()), text) << pattern;
  EXPECT_EQ(format(kDay, "\"day \"y\", week \"ww\", weekday \"w\", quarter \"q", us()),
            "day 65, week 10, weekday 3, quarter 1");
}

TEST(FormatDate, TimeTokensAndMinutesAfterHours) {
  const std::pair<const char*, const char*> rows[] = {{"hh:mm:ss", "14:07:09"}, {"h:nn", "14:07"},
      {"m/d h:m", "3/5 14:7"}, {"mm:ss", "07:09"}, {"h:mm AM/PM", "2:07 PM"}, {"hh:mm am/pm", "02:07 pm"}};
  for (const auto& [pattern, text] : rows) EXPECT_EQ(format(kDayAndTime, pattern, us()), text) << pattern;
  EXPECT_EQ(format(Date::fromYmd(2024, 3, 5, 0, 30), "h:nn a/p", us()), "12:30 a");
  EXPECT_EQ(format(kDayAndTime, "h:nn AMPM", ve()), "2:07 p. m.");
  EXPECT_EQ(format(kDayAndTime, "ttttt", de()), "14:07:09");
}

TEST(FormatDate, OtherValuesThroughADatePatternAndDatesThroughANumberPattern) {
  EXPECT_EQ(format(45356.5, "dd/mm/yyyy hh:nn", us()), "05/03/2024 12:00");
  EXPECT_EQ(format(int32_t{45356}, "Short Date", ve()), "5/3/2024");
  EXPECT_EQ(format(Variant(), "dd/mm/yyyy", us()), "30/12/1899");
  EXPECT_EQ(format(Variant::null(), "dd/mm/yyyy", us()), "");
  EXPECT_EQ(format("2024-03-05", "dd/mm/yyyy", us()), "05/03/2024");
  EXPECT_EQ(format("no es fecha", "dd/mm/yyyy", us()), "no es fecha");
  EXPECT_EQ(errorOf([] { format(1e9, "dd/mm/yyyy", us()); }), 6) << "a serial beyond 9999";
  EXPECT_EQ(format(kDayAndTime, "0.00", us()), "45356.59");
  EXPECT_EQ(format(kDay, "#,##0", ve()), "45.356");
}

// Money written with a mask reads back, through the ordinary text-to-number conversion of the same
// regional settings, to the value that was shown.
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
  for (Currency edge : {kMax, kMin, cur(std::numeric_limits<int64_t>::min() + 1)}) values.push_back(edge);
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

// Regional settings from ICU locale data and from the process environment.
TEST(RegionalSettings, SymbolsComeFromTheLocaleData) {
  const RegionalSettings ve = RegionalSettings::fromLocale("es-VE");
  EXPECT_EQ(ve.localeId(), "es_VE");
  const automation::NumberSymbols s = ve.numberSymbols();
  EXPECT_EQ(std::tuple(s.decimal, s.thousands, s.currencySymbol), std::tuple(U',', U'.', "Bs.S"));
  EXPECT_EQ(s.shortDatePattern, "d/M/yyyy");  // ICU says d/M/yy; the year is widened
  EXPECT_EQ(s.amSymbol, "a. m.");  // no-break spaces of the locale data become blanks
  const RegionalSettings us = RegionalSettings::fromLocale("en_US");
  EXPECT_EQ(us.currencyPattern(), "\"$\"#,##0.00");
  EXPECT_EQ(us.numberSymbols().timePattern, "h:mm:ss a");
  EXPECT_EQ(RegionalSettings(), us);
  EXPECT_EQ(RegionalSettings::fromLocale("de").decimalSeparator(), U',');
  EXPECT_EQ(&ve.data(), &RegionalSettings::fromLocale("es_VE").data()) << "the data is read once";
}

TEST(RegionalSettings, UnknownLocaleIsAnError) {
  for (const char* id : {"xx_YY", "es_ZZ", "", "es VE", "tlh"}) {
    try {
      RegionalSettings::fromLocale(id);
      ADD_FAILURE() << "accepted \"" << id << "\"";
    } catch (const automation::Error& e) {
      EXPECT_EQ(e.number(), 5) << id;
      EXPECT_NE(e.description().find("Unknown locale"), std::string::npos) << e.description();
    }
  }
}

// LC_ALL, then LC_NUMERIC, then LANG, named the POSIX way; a locale unknown to the locale data
// falls back to its language, then to en_US.
TEST(RegionalSettings, EnvironmentOrderAndFallbacks) {
  const struct {
    const char *lcAll, *lcNumeric, *lang, *expected;
  } rows[] = {
      {"es_VE.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "es_VE"}, {"", "de_DE.UTF-8", "fr_FR.UTF-8", "de_DE"},
      {nullptr, nullptr, "es_VE.UTF-8", "es_VE"},             {nullptr, nullptr, nullptr, "en_US"},
      {"C", "es_VE.UTF-8", nullptr, "en_US"},                 {nullptr, nullptr, "es_ZZ.UTF-8", "es"},
      {nullptr, nullptr, "qq_QQ.UTF-8", "en_US"},             {nullptr, nullptr, "de_DE@euro", "de_DE"},
      {nullptr, nullptr, "es_VE.UTF-8@x", "es_VE"},           {nullptr, "C.UTF-8", "de_DE", "en_US"},
      {nullptr, nullptr, "POSIX", "en_US"},
  };
  const char* names[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
  std::optional<std::string> saved[3];
  for (int i = 0; i < 3; ++i)
    if (const char* v = std::getenv(names[i])) saved[i] = v;
  auto put = [](const char* name, const char* value) { value ? ::setenv(name, value, 1) : ::unsetenv(name); };
  for (const auto& r : rows) {
    put("LC_ALL", r.lcAll);
    put("LC_NUMERIC", r.lcNumeric);
    put("LANG", r.lang);
    EXPECT_EQ(RegionalSettings::fromEnvironment().localeId(), r.expected) << (r.lang ? r.lang : "-");
  }
  for (int i = 0; i < 3; ++i) put(names[i], saved[i] ? saved[i]->c_str() : nullptr);
}

}  // namespace
