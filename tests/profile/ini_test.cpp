#include <gtest/gtest.h>

#include "profile/ini.h"
#include "temp_dir.h"

using profile::getPrivateProfileString;

namespace {

TEST(PrivateProfileString, LooksUpAsThePlatformDoes) {
  TempDir dir;
  const auto ini = dir / "Hollowmere.ini";
  writeFile(ini,
            "; settings of the commission window\n"
            "[Sec]\n"
            "Key = \"val1\" \n"
            "Dup=first\n"
            "Dup=second\n"
            "NoEquals\n"
            ";Hidden=x\n"
            "Quoted='single'\n"
            "Mixed=\"abc'\n"
            "Empty=\n"
            "  Spaced   =   some value  \r\n"
            "Accent=\xC3\xB1\x61ndu\n"
            "[CONFIG\\FormPlacement\\Main]\n"
            "Left=120\n"
            "[ Other ]\n"
            "Short=y\n");
  const struct {
    const char* section;
    const char* key;
    const char* defaultValue;
    size_t size;
    std::string text;
    size_t count;
  } rows[] = {
      {"Sec", "Key", "", 1024, "val1", 4},
      {"sec", "KEY", "", 4, "val", 3},  // a buffer of n holds n-1
      {"Sec", "Key", "", 1, "", 0},
      {"Sec", "Key", "", 0, "", 0},
      {"Sec", "Dup", "", 1024, "first", 5},
      {"Sec", "NoEquals", "def", 1024, "def", 3},
      {"Sec", ";Hidden", "def", 1024, "def", 3},
      {"Sec", "Hidden", "def", 1024, "def", 3},
      {"Sec", "Quoted", "", 1024, "single", 6},
      {"Sec", "Mixed", "", 1024, "\"abc'", 5},
      {"Sec", "Empty", "def", 1024, "", 0},
      {"Sec", "Spaced", "", 1024, "some value", 10},
      {"Sec", "Accent", "", 3, "\xC3\xB1\x61", 2},  // characters, never half of one
      {"CONFIG\\FormPlacement\\Main", "Left", "-1", 1024, "120", 3},
      {"config\\formplacement\\MAIN", "left", "-1", 1024, "120", 3},
      {"CONFIG", "Left", "-1", 1024, "-1", 2},
      {"Other", "Short", "", 1024, "y", 1},  // a long value cut short is the settings lookup's
      {"Missing", "Key", "dflt \t ", 1024, "dflt", 4},
      {"Sec", "Missing", "default", 4, "def", 3},
  };
  for (const auto& r : rows) {
    const auto got = getPrivateProfileString(r.section, r.key, r.defaultValue, r.size, ini);
    EXPECT_EQ(got.text, r.text) << r.section << "/" << r.key << " n=" << r.size;
    EXPECT_EQ(got.count, r.count) << r.section << "/" << r.key << " n=" << r.size;
  }
}

TEST(PrivateProfileString, MissingOrUnreadableFileGivesTheDefault) {
  TempDir dir;
  EXPECT_EQ(getPrivateProfileString("A", "B", "x ", 1024, dir / "none.ini").text, "x");
  EXPECT_EQ(getPrivateProfileString("A", "B", "", 1024, dir.path()).count, 0u);  // a directory
}

}  // namespace
