// Text patterns and the empty pattern.

#include <gtest/gtest.h>

#include "regional/format.h"

using automation::Currency;
using automation::Variant;
using regional::format;
using regional::RegionalSettings;

namespace {

const RegionalSettings& us() {
  static const RegionalSettings rs = RegionalSettings::fromLocale("en_US");
  return rs;
}
const RegionalSettings& ve() {
  static const RegionalSettings rs = RegionalSettings::fromLocale("es_VE");
  return rs;
}

TEST(FormatText, PlaceholdersFillFromTheRightUnlessToldOtherwise) {
  EXPECT_EQ(format("abc", "@@@@", us()), " abc");
  EXPECT_EQ(format("abc", "&&&&", us()), "abc");
  EXPECT_EQ(format("abc", "!@@@@", us()), "abc ");
  EXPECT_EQ(format("abcdef", "@@@", us()), "abcdef");
  EXPECT_EQ(format("abcdef", "!@@@", us()), "abcdef");
  EXPECT_EQ(format("5551234", "@@@-@@@@", us()), "555-1234");
  EXPECT_EQ(format("551234", "(@@@) @@-@@@@", us()), "(   ) 55-1234");
}

TEST(FormatText, CaseAndMultibyteCharacters) {
  EXPECT_EQ(format("José Núñez", ">", us()), "JOSÉ NÚÑEZ");
  EXPECT_EQ(format("ÁNGEL", "<@@@@@@", us()), " ángel");
  EXPECT_EQ(format("ñu", "@@@", us()), " ñu");
}

TEST(FormatText, SecondSectionForNullAndEmptyText) {
  EXPECT_EQ(format("", "@;\\v\\a\\c\\i\\o", us()), "vacio");
  EXPECT_EQ(format(Variant::null(), "@;\\v\\a\\c\\i\\o", us()), "vacio");
  EXPECT_EQ(format(Variant::null(), "@", us()), "");
  EXPECT_EQ(format(12.5, "@@@@@@", ve()), "  12,5");  // a number is first written as CStr does
}

TEST(FormatText, EmptyPatternWritesTheValueAsCStrDoes) {
  EXPECT_EQ(format(1234.5, "", us()), "1234.5");
  EXPECT_EQ(format(1234.5, "", ve()), "1234,5");
  EXPECT_EQ(format(Currency::fromRaw(125000), "", ve()), "12,5");
  EXPECT_EQ(format("texto", "", us()), "texto");
  EXPECT_EQ(format(Variant::null(), "", us()), "");
  EXPECT_EQ(format(Variant(), "", us()), "");
}

TEST(FormatText, GeneralNumberHasNoGrouping) {
  EXPECT_EQ(format(1234567.25, "General Number", us()), "1234567.25");
  EXPECT_EQ(format(1234567.25, "General Number", ve()), "1234567,25");
  EXPECT_EQ(format("1.234,5", "General Number", ve()), "1234,5");
  EXPECT_EQ(format(true, "General Number", us()), "-1");
  EXPECT_EQ(format(Variant::null(), "General Number", us()), "");
}

}  // namespace
