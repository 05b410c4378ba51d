// The settings lookup (INI file first, then the per-user store) and the placement numbers.

#include <fstream>

#include "harness.h"
#include "profile/settings_store.h"
#include "settings/lm_form_placement.h"
#include "settings/lm_get_setting.h"

namespace {

using tessaline::lmFormPlacement;
using tessaline::lmGetSetting;

class SettingsLookup : public harness::WindowTest {
 protected:
  void ini(const std::string& file, const std::string& text) { std::ofstream(configHome / file) << text; }
  void store(const std::string& app, const std::string& section, const std::string& key, const std::string& value) {
    profile::SettingsStore::forCurrentUser().set(app, section, key, value);
  }
  static std::string get(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& def) {
    const automation::Variant v = lmGetSetting::GetSetting(app, section, key, def);
    EXPECT_EQ(v.type(), automation::VarType::String);
    return v.asString();
  }
};

// An INI value wins over the store's unless it is empty (the end-to-end placement tests show
// both); one of another section does not count, and without either the default applies.
TEST_F(SettingsLookup, OnlyAnIniValueOfTheSameSectionWinsOverTheStore) {
  store("Hollowmere", "Transient", "optQuorvane", "300");
  ini("Hollowmere.ini", "[Otra]\noptQuorvane=1\n");
  EXPECT_EQ(get("Hollowmere", "Transient", "optQuorvane", "d"), "300");
  EXPECT_EQ(get("Hollowmere", "Transient", "otra", "d"), "d");
  EXPECT_EQ(get("Hollowmere", "Transient", "otra", ""), "");
}

TEST_F(SettingsLookup, AnIniValueIsCutToTheBuffer) {
  ini("App.ini", "[S]\nK=" + std::string(1500, 'x') + "\n");
  EXPECT_EQ(get("App", "S", "K", ""), std::string(1023, 'x'));
}

TEST_F(SettingsLookup, PlacementNumbersAreWholeOrMinusOne) {
  const std::string seccion = "CONFIG\\FormPlacement\\W";
  struct Caso {
    const char* texto;
    int32_t valor;
  };
  const Caso casos[] = {{"1200", 1200}, {" 12.5 ", 12},       {"13.5", 14},  {"-2.5", -2},       {"1,000", 1000},
                        {"abc", -1},    {"3000000000", -1}, {"1E+07", 10000000}, {"", -1}};
  for (const Caso& c : casos) {
    store("Zel", seccion, "Left", c.texto);
    EXPECT_EQ(lmFormPlacement::getValue("W", "Left"), c.valor) << c.texto;
  }
  EXPECT_EQ(lmFormPlacement::getValue("W", "Missing"), -1);
}

TEST(PlacementText, WritesWhatThePlatformWritesForASingle) {
  EXPECT_EQ(lmFormPlacement::singleText(8400, "."), "8400");
  EXPECT_EQ(lmFormPlacement::singleText(-90, "."), "-90");
  EXPECT_EQ(lmFormPlacement::singleText(0, "."), "0");
  EXPECT_EQ(lmFormPlacement::singleText(9999999, "."), "9999999");
  EXPECT_EQ(lmFormPlacement::singleText(10000000, "."), "1E+07");
  EXPECT_EQ(lmFormPlacement::singleText(12345678, "."), "1.234568E+07");
  EXPECT_EQ(lmFormPlacement::singleText(12345678, ","), "1,234568E+07");
  EXPECT_EQ(lmFormPlacement::singleText(0.5f, ","), "0,5");
}

// A killed writer's temporary file goes with the next write; a damaged store kept aside stays.
TEST_F(SettingsLookup, DeadTemporariesGoWithTheNextWrite) {
  std::ofstream(configHome / "settings.txt.Ab12Cd") << "half";
  std::ofstream(configHome / "settings.txt.damaged-1-2") << "kept";
  store("Zel", "CONFIG\\FormPlacement\\W", "Left", "0");
  EXPECT_FALSE(std::filesystem::exists(configHome / "settings.txt.Ab12Cd"));
  EXPECT_TRUE(std::filesystem::exists(configHome / "settings.txt.damaged-1-2"));
}

}  // namespace
