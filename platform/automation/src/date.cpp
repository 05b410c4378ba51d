#include "automation/date.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "automation/error.h"

namespace automation {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's civil-days algorithm).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct Civil {
  int year;
  int month;
  int day;
};

Civil civilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

const int64_t kEpochDays = daysFromCivil(1899, 12, 30);
constexpr double kMinSerial = -657434.0;          // 0100-01-01
constexpr double kMaxSerial = 2958465.0;           // 9999-12-31

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return kDays[month - 1];
}

// The calendar day and the second of that day a serial stands for.
struct Parts {
  int64_t days;  // days from 1899-12-30
  int seconds;   // 0..86399
};

Parts split(double serial) {
  const double whole = std::trunc(serial);
  const double fraction = std::fabs(serial - whole);
  auto days = static_cast<int64_t>(whole);
  auto seconds = static_cast<int64_t>(std::llround(fraction * 86400.0));
  if (seconds >= 86400) {
    seconds = 0;
    ++days;
  }
  return {days, static_cast<int>(seconds)};
}

std::mutex gTodayMutex;
std::optional<Date> gFixedToday;

}  // namespace

Date Date::fromSerial(double serial) {
  // Whole calendar days 0100-01-01 .. 9999-12-31, any time of day.
  if (!(serial > kMinSerial - 1.0 && serial < kMaxSerial + 1.0)) raise(err::kOverflow);
  const Parts p = split(serial);
  if (p.days < static_cast<int64_t>(kMinSerial) || p.days > static_cast<int64_t>(kMaxSerial)) {
    raise(err::kOverflow);
  }
  Date d;
  d.serial_ = serial;
  return d;
}

Date Date::fromYmd(int year, int month, int day, int hour, int minute, int second) {
  if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 59) {
    raise(err::kInvalidProcedureCall);
  }
  if (year < 100 || year > 9999) raise(err::kOverflow);
  const int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochDays;
  const double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  Date d;
  d.serial_ = days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction;
  return d;
}

std::optional<Date> Date::parseIso(std::string_view text) {
  auto number = [&](size_t pos, size_t len, int& out) {
    if (pos + len > text.size()) return false;
    out = 0;
    for (size_t i = pos; i < pos + len; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      out = out * 10 + (text[i] - '0');
    }
    return true;
  };
  int y, m, d, hh = 0, mm = 0, ss = 0;
  if (!number(0, 4, y) || text.size() < 10 || text[4] != '-' || !number(5, 2, m) || text[7] != '-' ||
      !number(8, 2, d)) {
    return std::nullopt;
  }
  if (text.size() != 10) {
    if (text.size() != 19 || (text[10] != 'T' && text[10] != ' ') || !number(11, 2, hh) || text[13] != ':' ||
        !number(14, 2, mm) || text[16] != ':' || !number(17, 2, ss)) {
      return std::nullopt;
    }
  }
  if (y < 100 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m) || hh > 23 || mm > 59 || ss > 59) {
    return std::nullopt;
  }
  return fromYmd(y, m, d, hh, mm, ss);
}

int Date::year() const { return civilFromDays(split(serial_).days + kEpochDays).year; }
int Date::month() const { return civilFromDays(split(serial_).days + kEpochDays).month; }
int Date::day() const { return civilFromDays(split(serial_).days + kEpochDays).day; }
int Date::hour() const { return split(serial_).seconds / 3600; }
int Date::minute() const { return split(serial_).seconds / 60 % 60; }
int Date::second() const { return split(serial_).seconds % 60; }
bool Date::hasTime() const { return split(serial_).seconds != 0; }

Date Date::dateOnly() const {
  Date d;
  d.serial_ = static_cast<double>(split(serial_).days);
  return d;
}

std::string Date::toIsoDate() const {
  const Civil c = civilFromDays(split(serial_).days + kEpochDays);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", c.year, c.month, c.day);
  return buffer;
}

std::string Date::toIso() const {
  const Parts p = split(serial_);
  if (p.seconds == 0) return toIsoDate();
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "T%02d:%02d:%02d", p.seconds / 3600, p.seconds / 60 % 60, p.seconds % 60);
  return toIsoDate() + buffer;
}

std::ostream& operator<<(std::ostream& os, Date d) { return os << d.toIso(); }

Date today() {
  {
    std::lock_guard lock(gTodayMutex);
    if (gFixedToday) return gFixedToday->dateOnly();
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return Date::fromYmd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

void setToday(std::optional<Date> fixed) {
  std::lock_guard lock(gTodayMutex);
  gFixedToday = fixed;
}

}  // namespace automation
