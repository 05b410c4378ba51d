// Text patterns, the empty pattern and General Number.

#include <gtest/gtest.h>

#include "locales.h"
#include "regional/format.h"

using automation::Variant;
using regional::format;

namespace {

TEST(FormatText, PlaceholdersFillFromTheRightUnlessToldOtherwise) {
  EXPECT_EQ(format("abc", "@@@@", us()), " abc");
  EXPECT_EQ(format("abc", "&&&&", us()), "abc");
  EXPECT_EQ(format("abc", "!@@@@", us()), "abc ");
  EXPECT_EQ(format("abcdef", "@@@", us()), "abcdef");
  EXPECT_EQ(format("abcdef", "!@@@", us()), "abcdef");
  EXPECT_EQ(format("5551234", "@@@-@@@@", us()), "555-1234");
  EXPECT_EQ(format("551234", "(@@@) @@-@@@@", us()), "(   ) 55-1234");
  EXPECT_EQ(format("José Núñez", ">", us()), "JOSÉ NÚÑEZ");
  EXPECT_EQ(format("ÁNGEL", "<@@@@@@", us()), " ángel");
  EXPECT_EQ(format("ñu", "@@@", us()), " ñu");
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

}  // namespace
