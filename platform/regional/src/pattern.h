#pragma once
// Compiled display patterns and the locale data they are written with (internal to regional).

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/currency.h"
#include "automation/date.h"
#include "automation/variant.h"

namespace regional::detail {

struct CompiledPattern;

struct LocaleData {
  std::string id;
  char32_t decimal = U'.';
  char32_t thousands = U',';
  std::string decimalText = ".";
  std::string thousandsText = ",";
  std::string currencySymbol = "$";
  std::string currencyPattern;   // Format pattern language
  std::string shortDatePattern;  // ICU letters, four-digit year
  automation::NumberSymbols symbols;
  std::string dateSeparator = "/";
  std::string timeSeparator = ":";
  std::string am = "AM";
  std::string pm = "PM";
  std::array<std::string, 12> monthNames;
  std::array<std::string, 12> monthAbbreviations;
  std::array<std::string, 7> dayNames;  // Sunday first
  std::array<std::string, 7> dayAbbreviations;
  std::shared_ptr<const CompiledPattern> currency;
  std::shared_ptr<const CompiledPattern> shortDate;
  std::shared_ptr<const CompiledPattern> longDate;
  std::shared_ptr<const CompiledPattern> mediumDate;
  std::shared_ptr<const CompiledPattern> longTime;
};

// Output text built on the stack; spills into a heap string only when it grows long.
class Out {
 public:
  void put(char c) {
    if (n_ < kCapacity) {
      buf_[n_++] = c;
    } else {
      spill(&c, 1);
    }
  }
  void put(const char* s, std::size_t len) {
    if (len == 0) return;
    if (n_ + len <= kCapacity) {
      std::memcpy(buf_ + n_, s, len);
      n_ += len;
    } else {
      spill(s, len);
    }
  }
  void put(std::string_view s) { put(s.data(), s.size()); }
  void moveTo(std::string& target) {
    if (spilled_) {
      target = std::move(heap_);
    } else {
      target.assign(buf_, n_);
    }
  }

 private:
  static constexpr std::size_t kCapacity = 96;
  void spill(const char* s, std::size_t len) {
    if (!spilled_) {
      heap_.assign(buf_, n_);
      spilled_ = true;
      n_ = kCapacity + 1;  // every later put goes to the heap
    }
    heap_.append(s, len);
  }
  char buf_[kCapacity];
  std::size_t n_ = 0;
  bool spilled_ = false;
  std::string heap_;
};

// ---- numbers

struct NumItem {
  enum Kind : uint8_t { Literal, IntDigit, Point, FracDigit, ExpMark, ExpDigit };
  Kind kind;
  bool zero;        // digit placeholder '0' (else '#'); for ExpMark: the sign is always written
  char mark;        // ExpMark: 'E' or 'e'
  uint32_t offset;  // Literal: into NumSection::literals; digits: placeholder index
  uint32_t length;  // Literal: byte count
};

struct NumSection {
  std::vector<NumItem> items;
  std::string literals;
  std::vector<char> fracZero;  // per fraction placeholder: 1 for '0', 0 for '#'
  int intCount = 0;
  int fracCount = 0;
  int expCount = 0;
  int scale10 = 0;  // power of ten applied before writing: +2 per %, -3 per dividing comma
  bool grouping = false;
  bool hasPoint = false;
  bool scientific = false;
  bool empty = true;  // the section text was empty: the first section stands in for it
  // A plain section ("#,##0.00", "0.00", "#,##0"): integer placeholders, '#'s before '0's, then
  // optionally the point and at most four forced decimals, nothing else. -1 for any other
  // section; else how many integer digits are always written. Currency takes a shortcut through
  // a plain section.
  int plainMinInt = -1;
};

// ---- dates

struct DateItem {
  enum Kind : uint8_t {
    Literal,
    Day,
    Day2,
    DayAbbr,
    DayName,
    ShortDate,
    LongDate,
    MediumDate,
    Month,
    Month2,
    MonthAbbr,
    MonthName,
    DayOfYear,
    Year2,
    Year4,
    Hour,
    Hour2,
    Minute,
    Minute2,
    Second,
    Second2,
    Weekday,
    WeekOfYear,
    Quarter,
    GeneralDate,
    LongTime,
    AmPmUpper,   // AM/PM
    AmPmLower,   // am/pm
    APUpper,     // A/P
    APLower,     // a/p
    AmPmLocale,  // AMPM: the regional markers
    DateSeparator,
    TimeSeparator,
  };
  Kind kind;
  uint32_t offset = 0;
  uint32_t length = 0;
};

struct DateSection {
  std::vector<DateItem> items;
  std::string literals;
  bool twelveHour = false;
};

// ---- text

struct TextItem {
  enum Kind : uint8_t { Literal, CharOrBlank, CharOrNothing };
  Kind kind;
  uint32_t offset = 0;
  uint32_t length = 0;
};

struct TextSection {
  std::vector<TextItem> items;
  std::string literals;
  int placeholders = 0;
  int caseMode = 0;  // -1 lower, +1 upper
  bool fromLeft = false;
  bool empty = true;
};

enum class PatternKind { PlainText, GeneralNumber, Number, Date, Text };

struct CompiledPattern {
  PatternKind kind = PatternKind::PlainText;
  std::vector<NumSection> number;
  std::vector<DateSection> date;
  std::vector<TextSection> text;
};

// Compiles a pattern in the Format language. Named formats that depend on the locale
// ("Currency") are resolved by the caller. Error 5 for more than four sections.
std::shared_ptr<const CompiledPattern> compile(std::string_view pattern);
// Compiles a date pattern section list directly (used for the regional date patterns).
std::shared_ptr<const CompiledPattern> compileDate(std::string_view pattern);

// Splits a pattern at ';' outside quotes and escapes.
std::vector<std::string_view> splitSections(std::string_view pattern);
// A literal at t[i]: "text in quotes" (to the closing quote, or the end) or \x (one character).
// False when t[i] starts neither. Otherwise i is left on the literal's last byte and `text` is
// the literal, or nullopt for a backslash that ends the pattern.
bool readLiteral(std::string_view t, std::size_t& i, std::optional<std::string_view>& text);

void compileNumberSection(std::string_view text, NumSection& out);
void compileDateSection(std::string_view text, DateSection& out);
void compileTextSection(std::string_view text, TextSection& out);

// Writers. The value arguments are already of the pattern's kind.
void writeNumber(const CompiledPattern& p, const automation::Variant& numeric, const LocaleData& ld, Out& out);
void writeCurrency(const CompiledPattern& p, automation::Currency value, const LocaleData& ld, Out& out);
void writeDouble(const CompiledPattern& p, double value, const LocaleData& ld, Out& out);
// The number a number pattern shows for the value: its digits rounded as the writers round them,
// in the value's own scale. Error 6 when that leaves Currency's range.
automation::Currency shownCurrency(const CompiledPattern& p, automation::Currency value);
automation::Currency shownDouble(const CompiledPattern& p, double value);
void writeNullSection(const CompiledPattern& p, const LocaleData& ld, Out& out);
void writeDate(const DateSection& s, automation::Date value, const LocaleData& ld, Out& out);
void writeText(const CompiledPattern& p, std::string_view value, Out& out);

}  // namespace regional::detail
