#include <gtest/gtest.h>

#include "forms/driver.h"

namespace forms {
namespace {

using Tokens = std::vector<std::string>;

TEST(Tokenize, BlanksQuotesAndEscapes) {
  EXPECT_EQ(ScriptDriver::tokenize("  click   cbOk "), (Tokens{"click", "cbOk"}));
  EXPECT_EQ(ScriptDriver::tokenize("type \"hola mundo\""), (Tokens{"type", "hola mundo"}));
  EXPECT_EQ(ScriptDriver::tokenize("type \"\""), (Tokens{"type", ""}));
  EXPECT_EQ(ScriptDriver::tokenize(R"(echo "a \"b\" c\\d")"), (Tokens{"echo", R"(a "b" c\d)"}));
  EXPECT_EQ(ScriptDriver::tokenize(R"(echo "c:\x")"), (Tokens{"echo", R"(c:\x)"})) << "other backslashes stay";
  EXPECT_EQ(ScriptDriver::tokenize("key\tF2"), (Tokens{"key", "F2"}));
  EXPECT_EQ(ScriptDriver::tokenize(""), Tokens{});
}

TEST(Tokenize, MalformedLinesSayWhy) {
  std::string why;
  EXPECT_FALSE(ScriptDriver::tokenize("type \"abc", &why));
  EXPECT_EQ(why, "unterminated quote");
  EXPECT_FALSE(ScriptDriver::tokenize("type ab\"c\"", &why));
  EXPECT_EQ(why, "a quote inside a word");
  EXPECT_FALSE(ScriptDriver::tokenize("type \"ab\"c", &why));
  EXPECT_EQ(why, "text right after a closing quote");
  EXPECT_FALSE(ScriptDriver::tokenize(R"(type "ab\")", &why)) << "an escaped quote does not close";
}

}  // namespace
}  // namespace forms
