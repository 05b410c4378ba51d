// Number patterns written in en_US and es_VE.

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "../automation/error_of.h"
#include "locales.h"
#include "regional/format.h"

using automation::Currency;
using automation::Variant;
using regional::format;
using regional::RegionalSettings;

namespace {

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
  });
}

// The grouped money masks at the range edges are the round-trip tests' sweep.
TEST(FormatNumber, CurrencyRangeEdgesAreExact) {
  expectRows({
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

}  // namespace
