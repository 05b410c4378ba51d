// Names compared without regard to case, codes in capitals, UTF-8 counted and cut by characters.
#include <gtest/gtest.h>

#include <vector>

#include "text/text.h"
#include "text/utf8.h"

namespace {

using namespace text;

TEST(Text, NamesIgnoreTheCaseOfLettersOnlyAndCodesTakeCapitals) {
  EXPECT_FALSE(equalsNoCase("@[", "`{")) << "signs that differ from capitals by the case bit";
  EXPECT_FALSE(startsWithNoCase("Fe", "fecha"));
  EXPECT_EQ(upperCode("  v001 ñandú straße ÿ\t "), "V001 ÑANDÚ STRAßE Ÿ\t") << "ß has no one-character capital";
  EXPECT_EQ(upperCode("   "), "");
}

TEST(Utf8, CountsAndCutsByCharactersNeverSplittingOne) {
  const std::string text = "Peña Ñandú €5 𝄞";  // one to four bytes a character
  EXPECT_EQ(utf8::length(text), 15u);
  EXPECT_EQ((std::vector{utf8::prefix(text, 3), utf8::prefix(text, 14), utf8::prefix(text, 99)}),
            (std::vector<std::string_view>{"Peñ", "Peña Ñandú €5 ", text}));
  size_t pos = 0;
  std::u32string decoded;
  while (pos < text.size()) decoded += utf8::next(text, pos);
  EXPECT_EQ(decoded, U"Peña Ñandú €5 𝄞");
  std::string encoded;
  for (char32_t c : decoded) utf8::append(encoded, c);
  EXPECT_EQ(encoded, text);
}

TEST(Utf8, IllFormedBytesReadAsReplacementCharacters) {
  // A stray continuation byte, a lead byte cut short by the end, an overlong form.
  const std::string bad = "a\x80" "b\xC3";
  size_t pos = 0;
  std::u32string decoded;
  while (pos < bad.size()) decoded += utf8::next(bad, pos);
  EXPECT_EQ(decoded, U"a\uFFFDb\uFFFD");
  EXPECT_EQ(utf8::length("\xC0\xAF"), 2u);
  EXPECT_EQ(utf8::encode(0xD800), "\xEF\xBF\xBD") << "a surrogate is not a character";
  EXPECT_EQ(utf8::encode(0x110000), "\xEF\xBF\xBD");
}

}  // namespace
