// Date patterns: the regional short date, General Date and custom date and time patterns.

#include <gtest/gtest.h>

#include "../automation/error_of.h"
#include "locales.h"
#include "regional/format.h"

using automation::Date;
using automation::Variant;
using regional::format;

namespace {

// Tuesday, 5 March 2024 (serial 45356)
const Date kDay = Date::fromYmd(2024, 3, 5);
const Date kDayAndTime = Date::fromYmd(2024, 3, 5, 14, 7, 9);

TEST(FormatDate, NamedFormatsShowOnlyWhatTheValueHolds) {
  EXPECT_EQ(format(kDay, "Short Date", us()), "3/5/2024");
  EXPECT_EQ(format(kDay, "short date", ve()), "5/3/2024");
  EXPECT_EQ(format(kDay, "Short Date", de()), "05.03.2024");
  EXPECT_EQ(format(Date::fromYmd(105, 1, 2), "Short Date", us()), "1/2/0105");  // a four-digit year
  EXPECT_EQ(format(kDayAndTime, "Short Date", us()), "3/5/2024");
  EXPECT_EQ(format(kDay, "General Date", us()), "3/5/2024");
  EXPECT_EQ(format(kDayAndTime, "General Date", us()), "3/5/2024 2:07:09 PM");
  EXPECT_EQ(format(kDayAndTime, "General Date", ve()), "5/3/2024 2:07:09 p. m.");
  EXPECT_EQ(format(kDayAndTime, "General Date", de()), "05.03.2024 14:07:09");
  EXPECT_EQ(format(Date::fromSerial(0.25), "General Date", us()), "6:00:00 AM");
  EXPECT_EQ(format(Date::fromSerial(0), "General Date", us()), "12:00:00 AM");
  EXPECT_EQ(format(kDay, "Long Date", ve()), "5 de marzo de 2024");
  EXPECT_EQ(format(kDayAndTime, "Short Time", us()), "14:07");
  EXPECT_EQ(format(kDayAndTime, "Long Time", us()), "2:07:09 PM");
}

TEST(FormatDate, CustomDayMonthYearTokens) {
  EXPECT_EQ(format(kDay, "d/m/yy", us()), "5/3/24");
  EXPECT_EQ(format(kDay, "DD/MM/YYYY", us()), "05/03/2024");
  EXPECT_EQ(format(kDay, "dd/mm/yyyy", de()), "05.03.2024");  // '/' is the regional date separator
  EXPECT_EQ(format(kDay, "yyyy-mm-dd", de()), "2024-03-05");
  EXPECT_EQ(format(kDay, "dddd, mmmm d", us()), "Tuesday, March 5");
  EXPECT_EQ(format(kDay, "ddd d \\d\\e mmmm", ve()), "mar 5 de marzo");
  EXPECT_EQ(format(kDay, "mmm", us()), "Mar");
  EXPECT_EQ(format(kDay, "\"day \"y\", week \"ww\", weekday \"w\", quarter \"q", us()),
            "day 65, week 10, weekday 3, quarter 1");
  EXPECT_EQ(format(kDay, "ddddd", ve()), "5/3/2024");
  EXPECT_EQ(format(kDay, "dddddd", us()), "March 5, 2024");
}

TEST(FormatDate, TimeTokensAndMinutesAfterHours) {
  EXPECT_EQ(format(kDayAndTime, "hh:mm:ss", us()), "14:07:09");
  EXPECT_EQ(format(kDayAndTime, "h:nn", us()), "14:07");
  EXPECT_EQ(format(kDayAndTime, "m/d h:m", us()), "3/5 14:7");
  EXPECT_EQ(format(kDayAndTime, "mm:ss", us()), "07:09");
  EXPECT_EQ(format(kDayAndTime, "h:mm AM/PM", us()), "2:07 PM");
  EXPECT_EQ(format(kDayAndTime, "hh:mm am/pm", us()), "02:07 pm");
  EXPECT_EQ(format(Date::fromYmd(2024, 3, 5, 0, 30), "h:nn a/p", us()), "12:30 a");
  EXPECT_EQ(format(kDayAndTime, "h:nn AMPM", ve()), "2:07 p. m.");
  EXPECT_EQ(format(kDayAndTime, "ttttt", de()), "14:07:09");
}

TEST(FormatDate, OtherValuesThroughADatePatternAndDatesThroughANumberPattern) {
  EXPECT_EQ(format(45356.5, "dd/mm/yyyy hh:nn", us()), "05/03/2024 12:00");
  EXPECT_EQ(format(int32_t{45356}, "Short Date", ve()), "5/3/2024");
  EXPECT_EQ(format(Variant(), "dd/mm/yyyy", us()), "30/12/1899");
  EXPECT_EQ(format(Variant::null(), "dd/mm/yyyy", us()), "");
  EXPECT_EQ(format("2024-03-05", "dd/mm/yyyy", us()), "05/03/2024");
  EXPECT_EQ(format("no es fecha", "dd/mm/yyyy", us()), "no es fecha");
  EXPECT_EQ(errorOf([] { format(1e9, "dd/mm/yyyy", us()); }), 6) << "a serial beyond 9999";
  EXPECT_EQ(format(kDayAndTime, "0.00", us()), "45356.59");
  EXPECT_EQ(format(kDay, "#,##0", ve()), "45.356");
}

}  // namespace
