#include <gtest/gtest.h>

#include <ctime>

#include "automation/date.h"
#include "automation/error.h"
#include "error_of.h"

using automation::Date;

namespace {

TEST(Date, SerialsCountDaysFrom18991230) {
  const struct {
    int y, m, d, hh, mm;
    double serial;
  } rows[] = {
      {1899, 12, 30, 0, 0, 0},         {1900, 1, 1, 0, 0, 2},   {2024, 1, 2, 0, 0, 45293},
      {2024, 1, 2, 18, 0, 45293.75},   {1899, 12, 29, 12, 0, -1.5},  // negative: the fraction still adds time
      {100, 1, 1, 0, 0, -657434},      {9999, 12, 31, 0, 0, 2958465},
  };
  for (const auto& r : rows) {
    const Date d = Date::fromYmd(r.y, r.m, r.d, r.hh, r.mm);
    EXPECT_DOUBLE_EQ(d.serial(), r.serial) << r.y << "-" << r.m << "-" << r.d;
    const Date back = Date::fromSerial(r.serial);
    EXPECT_EQ(back.year(), r.y);
    EXPECT_EQ(back.month(), r.m);
    EXPECT_EQ(back.day(), r.d);
    EXPECT_EQ(back.hour(), r.hh);
  }
  EXPECT_EQ(Date::fromSerial(-1.5).toIso(), "1899-12-29T12:00:00");
  EXPECT_EQ(Date::fromSerial(-1.5).dateOnly().toIso(), "1899-12-29");
}

TEST(Date, RangeAndCalendarErrors) {
  const auto number = errorOf;
  EXPECT_EQ(number([] { Date::fromSerial(-657435); }), 6);
  EXPECT_EQ(number([] { Date::fromSerial(2958466); }), 6);
  EXPECT_EQ(number([] { Date::fromYmd(2023, 2, 29); }), 5);
  EXPECT_EQ(number([] { Date::fromYmd(2024, 13, 1); }), 5);
  EXPECT_EQ(number([] { Date::fromYmd(2024, 2, 29); }), 0);
}

TEST(Date, IsoText) {
  EXPECT_EQ(Date::parseIso("2024-03-05")->toIso(), "2024-03-05");
  EXPECT_EQ(Date::parseIso("2024-03-05T07:08:09")->toIso(), "2024-03-05T07:08:09");
  EXPECT_EQ(Date::parseIso("2024-03-05 07:08:09")->toIsoDate(), "2024-03-05");
  for (const char* bad : {"", "2024-3-5", "2024-02-30", "2024-03-05T25:00:00", "2024-03-05x", "abcd-ef-gh"}) {
    EXPECT_FALSE(Date::parseIso(bad).has_value()) << bad;
  }
}

TEST(Date, TodayIsFixedOrTheRealLocalDate) {
  automation::setToday(Date::fromYmd(2024, 5, 17, 10, 30));
  EXPECT_EQ(automation::today().toIso(), "2024-05-17");
  automation::setToday(std::nullopt);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const Date t = automation::today();
  EXPECT_FALSE(t.hasTime());
  EXPECT_EQ(t.year(), local.tm_year + 1900);
  EXPECT_EQ(t.day(), local.tm_mday);
}

}  // namespace
