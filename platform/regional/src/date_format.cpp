// Date patterns: compiling a section and writing a date through it.

#include <cmath>
#include <optional>

#include "pattern.h"
#include "text/text.h"

namespace regional::detail {
namespace {

using text::lowerAscii;

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int dayOfYear(int y, int m, int d) {
  static constexpr int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  return kBefore[m - 1] + d + (m > 2 && isLeapYear(y) ? 1 : 0);
}

// 1 = Sunday ... 7 = Saturday for a day number counted from 1899-12-30 (a Saturday).
int weekdayOf(int64_t dayNumber) { return static_cast<int>(((dayNumber % 7) + 7 + 6) % 7) + 1; }

void putNumber(Out& out, int v, int width) {
  char buf[12];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int k = n; k < width; ++k) out.put('0');
  while (n > 0) out.put(buf[--n]);
}

}  // namespace

void compileDateSection(std::string_view t, DateSection& s) {
  auto add = [&](DateItem::Kind k) { s.items.push_back({k, 0, 0}); };
  auto addLiteral = [&](std::string_view text) {
    if (text.empty()) return;
    if (!s.items.empty() && s.items.back().kind == DateItem::Literal) {
      s.items.back().length += static_cast<uint32_t>(text.size());
    } else {
      s.items.push_back({DateItem::Literal, static_cast<uint32_t>(s.literals.size()), static_cast<uint32_t>(text.size())});
    }
    s.literals.append(text);
  };
  auto runOf = [&](std::size_t i, char c) {
    std::size_t j = i;
    while (j < t.size() && lowerAscii(t[j]) == c) ++j;
    return j - i;
  };
  auto lastToken = [&]() -> int {
    for (auto it = s.items.rbegin(); it != s.items.rend(); ++it) {
      if (it->kind != DateItem::Literal && it->kind != DateItem::TimeSeparator) return it->kind;
    }
    return -1;
  };
  // 'm' stands for minutes right after an hour or right before seconds.
  auto secondsFollow = [&](std::size_t j) {
    while (j < t.size() && !((t[j] >= 'a' && t[j] <= 'z') || (t[j] >= 'A' && t[j] <= 'Z'))) ++j;
    return j < t.size() && lowerAscii(t[j]) == 's';
  };

  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = lowerAscii(t[i]);
    std::optional<std::string_view> literal;
    if (readLiteral(t, i, literal)) {
      if (literal) addLiteral(*literal);
      continue;
    }
    switch (c) {
      case 'd': {
        std::size_t n = std::min<std::size_t>(runOf(i, 'd'), 6);
        static constexpr DateItem::Kind kinds[] = {DateItem::Day,     DateItem::Day2,      DateItem::DayAbbr,
                                                   DateItem::DayName, DateItem::ShortDate, DateItem::LongDate};
        add(kinds[n - 1]);
        i += n - 1;
        break;
      }
      case 'm': {
        std::size_t n = std::min<std::size_t>(runOf(i, 'm'), 4);
        if (n <= 2) {
          int prev = lastToken();
          bool minute = prev == DateItem::Hour || prev == DateItem::Hour2 || secondsFollow(i + n);
          if (minute) {
            add(n == 1 ? DateItem::Minute : DateItem::Minute2);
          } else {
            add(n == 1 ? DateItem::Month : DateItem::Month2);
          }
        } else {
          add(n == 3 ? DateItem::MonthAbbr : DateItem::MonthName);
        }
        i += n - 1;
        break;
      }
      case 'y': {
        std::size_t n = std::min<std::size_t>(runOf(i, 'y'), 4);
        add(n == 1 ? DateItem::DayOfYear : n == 2 ? DateItem::Year2 : DateItem::Year4);
        i += n - 1;
        break;
      }
      case 'h':
      case 'n':
      case 's':
      case 'w': {
        std::size_t n = std::min<std::size_t>(runOf(i, c), 2);
        static constexpr DateItem::Kind one[] = {DateItem::Hour, DateItem::Minute, DateItem::Second, DateItem::Weekday};
        static constexpr DateItem::Kind two[] = {DateItem::Hour2, DateItem::Minute2, DateItem::Second2,
                                                 DateItem::WeekOfYear};
        int k = c == 'h' ? 0 : c == 'n' ? 1 : c == 's' ? 2 : 3;
        add(n == 1 ? one[k] : two[k]);
        i += n - 1;
        break;
      }
      case 'q':
        add(DateItem::Quarter);
        break;
      case 'c':
        add(DateItem::GeneralDate);
        break;
      case 't':
        if (runOf(i, 't') >= 5) {
          add(DateItem::LongTime);
          i += 4;
        } else {
          addLiteral(t.substr(i, 1));
        }
        break;
      case 'a':
        if (text::startsWithNoCase(t.substr(i), "am/pm")) {
          add(t[i] == 'a' ? DateItem::AmPmLower : DateItem::AmPmUpper);
          s.twelveHour = true;
          i += 4;
        } else if (text::startsWithNoCase(t.substr(i), "a/p")) {
          add(t[i] == 'a' ? DateItem::APLower : DateItem::APUpper);
          s.twelveHour = true;
          i += 2;
        } else if (text::startsWithNoCase(t.substr(i), "ampm")) {
          add(DateItem::AmPmLocale);
          s.twelveHour = true;
          i += 3;
        } else {
          addLiteral(t.substr(i, 1));
        }
        break;
      case '/':
        add(DateItem::DateSeparator);
        break;
      case ':':
        add(DateItem::TimeSeparator);
        break;
      default:
        addLiteral(t.substr(i, 1));
        break;
    }
  }
}

void writeDate(const DateSection& s, automation::Date v, const LocaleData& ld, Out& out) {
  const int year = v.year();
  const int month = v.month();
  const int day = v.day();
  const int hour = v.hour();
  const int minute = v.minute();
  const int second = v.second();
  const int64_t dayNumber = static_cast<int64_t>(std::trunc(v.serial()));
  const int weekday = weekdayOf(dayNumber);

  for (const DateItem& item : s.items) {
    switch (item.kind) {
      case DateItem::Literal:
        out.put(s.literals.data() + item.offset, item.length);
        break;
      case DateItem::Day:
        putNumber(out, day, 1);
        break;
      case DateItem::Day2:
        putNumber(out, day, 2);
        break;
      case DateItem::DayAbbr:
        out.put(ld.dayAbbreviations[static_cast<std::size_t>(weekday - 1)]);
        break;
      case DateItem::DayName:
        out.put(ld.dayNames[static_cast<std::size_t>(weekday - 1)]);
        break;
      case DateItem::ShortDate:
        writeDate(ld.shortDate->date.front(), v, ld, out);
        break;
      case DateItem::LongDate:
        writeDate(ld.longDate->date.front(), v, ld, out);
        break;
      case DateItem::MediumDate:
        writeDate(ld.mediumDate->date.front(), v, ld, out);
        break;
      case DateItem::Month:
        putNumber(out, month, 1);
        break;
      case DateItem::Month2:
        putNumber(out, month, 2);
        break;
      case DateItem::MonthAbbr:
        out.put(ld.monthAbbreviations[static_cast<std::size_t>(month - 1)]);
        break;
      case DateItem::MonthName:
        out.put(ld.monthNames[static_cast<std::size_t>(month - 1)]);
        break;
      case DateItem::DayOfYear:
        putNumber(out, dayOfYear(year, month, day), 1);
        break;
      case DateItem::Year2:
        putNumber(out, year % 100, 2);
        break;
      case DateItem::Year4:
        putNumber(out, year, 4);
        break;
      case DateItem::Hour:
      case DateItem::Hour2: {
        int h = hour;
        if (s.twelveHour) {
          h %= 12;
          if (h == 0) h = 12;
        }
        putNumber(out, h, item.kind == DateItem::Hour ? 1 : 2);
        break;
      }
      case DateItem::Minute:
        putNumber(out, minute, 1);
        break;
      case DateItem::Minute2:
        putNumber(out, minute, 2);
        break;
      case DateItem::Second:
        putNumber(out, second, 1);
        break;
      case DateItem::Second2:
        putNumber(out, second, 2);
        break;
      case DateItem::Weekday:
        putNumber(out, weekday, 1);
        break;
      case DateItem::WeekOfYear: {
        // weeks start on Sunday; the first week holds January 1
        int doy = dayOfYear(year, month, day);
        int jan1 = weekdayOf(dayNumber - (doy - 1));
        putNumber(out, (doy - 1 + jan1 - 1) / 7 + 1, 1);
        break;
      }
      case DateItem::Quarter:
        putNumber(out, (month - 1) / 3 + 1, 1);
        break;
      case DateItem::GeneralDate:
        // only the time when there is no date; only the date when there is no time
        if (dayNumber == 0) {
          writeDate(ld.longTime->date.front(), v, ld, out);
        } else {
          writeDate(ld.shortDate->date.front(), v, ld, out);
          if (v.hasTime()) {
            out.put(' ');
            writeDate(ld.longTime->date.front(), v, ld, out);
          }
        }
        break;
      case DateItem::LongTime:
        writeDate(ld.longTime->date.front(), v, ld, out);
        break;
      case DateItem::AmPmUpper:
        out.put(hour < 12 ? "AM" : "PM");
        break;
      case DateItem::AmPmLower:
        out.put(hour < 12 ? "am" : "pm");
        break;
      case DateItem::APUpper:
        out.put(hour < 12 ? 'A' : 'P');
        break;
      case DateItem::APLower:
        out.put(hour < 12 ? 'a' : 'p');
        break;
      case DateItem::AmPmLocale:
        out.put(hour < 12 ? ld.am : ld.pm);
        break;
      case DateItem::DateSeparator:
        out.put(ld.dateSeparator);
        break;
      case DateItem::TimeSeparator:
        out.put(ld.timeSeparator);
        break;
    }
  }
}

}  // namespace regional::detail
