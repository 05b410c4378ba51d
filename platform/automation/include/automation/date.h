#pragma once
// Date: days since 1899-12-30 as a double; the fraction is the time of day (for negative serials
// the fraction's absolute value). Range 0100-01-01 to 9999-12-31.

#include <compare>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace automation {

class Date final {
 public:
  constexpr Date() = default;  // the zero date, 1899-12-30
  static Date fromSerial(double serial);  // error 6 outside the range
  // Error 5 for an impossible calendar date.
  static Date fromYmd(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
  // "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DDTHH:MM:SS"; nullopt when not such a text.
  static std::optional<Date> parseIso(std::string_view text);

  constexpr double serial() const { return serial_; }
  int year() const;
  int month() const;
  int day() const;
  int hour() const;
  int minute() const;
  int second() const;
  bool hasTime() const;
  Date dateOnly() const;
  // "YYYY-MM-DD", or "YYYY-MM-DDTHH:MM:SS" when there is a time of day.
  std::string toIso() const;
  // "YYYY-MM-DD" always.
  std::string toIsoDate() const;

  constexpr auto operator<=>(const Date&) const = default;

 private:
  double serial_ = 0;
};

std::ostream& operator<<(std::ostream& os, Date d);

// The system clock as the component sees it. The host may fix "today" (--today); otherwise the
// real local date.
Date today();
void setToday(std::optional<Date> fixed);

}  // namespace automation
