// Regional settings from ICU locale data and from the process environment.

#include "regional/regional_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "automation/error.h"

using regional::RegionalSettings;

namespace {

TEST(RegionalSettings, SymbolsComeFromTheLocaleData) {
  const RegionalSettings ve = RegionalSettings::fromLocale("es-VE");
  EXPECT_EQ(ve.localeId(), "es_VE");
  const automation::NumberSymbols s = ve.numberSymbols();
  EXPECT_EQ(s.decimal, U',');
  EXPECT_EQ(s.thousands, U'.');
  EXPECT_EQ(s.currencySymbol, "Bs.S");
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
