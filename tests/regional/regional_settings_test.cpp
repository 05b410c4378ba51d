// Regional settings from ICU locale data and from the process environment.

#include "regional/regional_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "automation/error.h"

using regional::RegionalSettings;

namespace {

TEST(RegionalSettings, VenezuelaUsesCommaDecimalsAndDotGroups) {
  const RegionalSettings rs = RegionalSettings::fromLocale("es_VE");
  EXPECT_EQ(rs.localeId(), "es_VE");
  EXPECT_EQ(rs.decimalSeparator(), U',');
  EXPECT_EQ(rs.thousandsSeparator(), U'.');
  EXPECT_EQ(rs.currencySymbol(), "Bs.S");
  EXPECT_EQ(rs.shortDatePattern(), "d/M/yyyy");  // ICU says d/M/yy; the year is widened
  const automation::NumberSymbols s = rs.numberSymbols();
  EXPECT_EQ(s.decimal, U',');
  EXPECT_EQ(s.thousands, U'.');
  EXPECT_EQ(s.currencySymbol, "Bs.S");
  EXPECT_EQ(s.shortDatePattern, "d/M/yyyy");
  EXPECT_EQ(s.amSymbol, "a. m.");  // no-break spaces of the locale data become blanks
}

TEST(RegionalSettings, UnitedStatesAndTheDefault) {
  const RegionalSettings rs = RegionalSettings::fromLocale("en_US");
  EXPECT_EQ(rs.decimalSeparator(), U'.');
  EXPECT_EQ(rs.thousandsSeparator(), U',');
  EXPECT_EQ(rs.currencySymbol(), "$");
  EXPECT_EQ(rs.currencyPattern(), "\"$\"#,##0.00");
  EXPECT_EQ(rs.shortDatePattern(), "M/d/yyyy");
  EXPECT_EQ(rs.numberSymbols().timePattern, "h:mm:ss a");
  EXPECT_EQ(RegionalSettings(), rs);
  EXPECT_EQ(RegionalSettings().localeId(), "en_US");
}

TEST(RegionalSettings, LocaleIdsAreCanonicalised) {
  EXPECT_EQ(RegionalSettings::fromLocale("es-VE").localeId(), "es_VE");
  EXPECT_EQ(RegionalSettings::fromLocale("de").decimalSeparator(), U',');
  // copies share the data read once
  const RegionalSettings a = RegionalSettings::fromLocale("es_VE");
  const RegionalSettings b = RegionalSettings::fromLocale("es_VE");
  EXPECT_EQ(&a.data(), &b.data());
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

TEST(RegionalSettings, PosixNamesMapToLocaleIds) {
  EXPECT_EQ(RegionalSettings::localeIdFromPosix("es_VE.UTF-8"), "es_VE");
  EXPECT_EQ(RegionalSettings::localeIdFromPosix("de_DE@euro"), "de_DE");
  EXPECT_EQ(RegionalSettings::localeIdFromPosix("es_VE.UTF-8@x"), "es_VE");
  EXPECT_EQ(RegionalSettings::localeIdFromPosix("C"), "en_US");
  EXPECT_EQ(RegionalSettings::localeIdFromPosix("C.UTF-8"), "en_US");
  EXPECT_EQ(RegionalSettings::localeIdFromPosix("POSIX"), "en_US");
  EXPECT_EQ(RegionalSettings::localeIdFromPosix(""), "en_US");
}

// Sets the locale variables for one test and puts the old values back.
class LocaleEnvironment {
 public:
  LocaleEnvironment(const char* lcAll, const char* lcNumeric, const char* lang) {
    set("LC_ALL", lcAll);
    set("LC_NUMERIC", lcNumeric);
    set("LANG", lang);
  }
  ~LocaleEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  void set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

// LC_ALL, then LC_NUMERIC, then LANG; a locale unknown to the locale data falls back to its
// language, then to en_US.
TEST(RegionalSettings, EnvironmentOrderAndFallbacks) {
  const struct {
    const char *lcAll, *lcNumeric, *lang, *expected;
  } rows[] = {
      {"es_VE.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "es_VE"}, {"", "de_DE.UTF-8", "fr_FR.UTF-8", "de_DE"},
      {nullptr, nullptr, "es_VE.UTF-8", "es_VE"},             {nullptr, nullptr, nullptr, "en_US"},
      {"C", "es_VE.UTF-8", nullptr, "en_US"},                 {nullptr, nullptr, "es_ZZ.UTF-8", "es"},
      {nullptr, nullptr, "qq_QQ.UTF-8", "en_US"},
  };
  for (const auto& r : rows) {
    LocaleEnvironment env(r.lcAll, r.lcNumeric, r.lang);
    EXPECT_EQ(RegionalSettings::fromEnvironment().localeId(), r.expected) << (r.lang ? r.lang : "-");
  }
}

}  // namespace
