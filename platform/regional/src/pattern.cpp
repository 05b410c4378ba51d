// Pattern compilation: sections, the kind of a pattern (number, date, text) and the named formats.

#include <array>

#include "automation/error.h"
#include "pattern.h"
#include "text/text.h"
#include "text/utf8.h"

namespace regional::detail {
namespace {

struct Named {
  std::string_view name;
  std::string_view pattern;
};

// Named formats that do not depend on the locale (the regional ones are written as the date tokens
// that stand for them; "Currency" is resolved by the caller from the regional settings).
constexpr std::array<Named, 15> kNamed = {{
    {"Fixed", "0.00"},
    {"Standard", "#,##0.00"},
    {"Percent", "0.00%"},
    {"Scientific", "0.00E+00"},
    {"Yes/No", "\\Y\\e\\s;\\Y\\e\\s;\\N\\o"},
    {"True/False", "\\T\\r\\u\\e;\\T\\r\\u\\e;\\F\\a\\l\\s\\e"},
    {"On/Off", "\\O\\n;\\O\\n;\\O\\f\\f"},
    {"General Date", "c"},
    {"Long Date", "dddddd"},
    {"Short Date", "ddddd"},
    {"Long Time", "ttttt"},
    {"Medium Time", "hh:nn AMPM"},
    {"Short Time", "hh:nn"},
    {"General Number", ""},
    {"Medium Date", ""},
}};

enum class Marks { None = 0, Digit = 1, Date = 2, Text = 4 };

// What placeholders a pattern holds outside its quotes and escapes.
int marksOf(std::string_view t) {
  int marks = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = text::lowerAscii(t[i]);
    if (c == '"') {
      std::size_t end = t.find('"', i + 1);
      i = end == std::string_view::npos ? t.size() : end;
    } else if (c == '\\') {
      ++i;
    } else if (c == '0' || c == '#') {
      marks |= static_cast<int>(Marks::Digit);
    } else if (c == '@' || c == '&' || c == '<' || c == '>' || c == '!') {
      marks |= static_cast<int>(Marks::Text);
    } else if (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 'n' || c == 's' || c == 'w' || c == 'q' ||
               c == 'c') {
      marks |= static_cast<int>(Marks::Date);
    } else if (c == 't' && text::startsWithNoCase(t.substr(i), "ttttt")) {
      marks |= static_cast<int>(Marks::Date);
    }
  }
  return marks;
}

}  // namespace

bool readLiteral(std::string_view t, std::size_t& i, std::optional<std::string_view>& text) {
  if (t[i] == '"') {
    std::size_t end = t.find('"', i + 1);
    if (end == std::string_view::npos) end = t.size();
    text = t.substr(i + 1, end - i - 1);
    i = end;
    return true;
  }
  if (t[i] != '\\') return false;
  text.reset();
  if (i + 1 < t.size()) {
    std::size_t next = i + 1;
    text::utf8::next(t, next);
    text = t.substr(i + 1, next - i - 1);
    i = next - 1;
  }
  return true;
}

std::vector<std::string_view> splitSections(std::string_view pattern) {
  std::vector<std::string_view> sections;
  std::size_t start = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '"') {
      std::size_t end = pattern.find('"', i + 1);
      i = end == std::string_view::npos ? pattern.size() : end;
    } else if (c == '\\') {
      ++i;
    } else if (c == ';') {
      sections.push_back(pattern.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(pattern.substr(std::min(start, pattern.size())));
  return sections;
}

std::shared_ptr<const CompiledPattern> compileDate(std::string_view pattern) {
  auto p = std::make_shared<CompiledPattern>();
  p->kind = PatternKind::Date;
  for (std::string_view section : splitSections(pattern)) {
    p->date.emplace_back();
    compileDateSection(section, p->date.back());
  }
  return p;
}

std::shared_ptr<const CompiledPattern> compile(std::string_view pattern) {
  auto p = std::make_shared<CompiledPattern>();
  if (pattern.empty()) {
    p->kind = PatternKind::PlainText;
    return p;
  }
  for (const Named& named : kNamed) {
    if (!text::equalsNoCase(pattern, named.name)) continue;
    if (named.name == "General Number") {
      p->kind = PatternKind::GeneralNumber;
      return p;
    }
    if (named.name == "Medium Date") {
      p->kind = PatternKind::Date;
      p->date.emplace_back();
      p->date.back().items.push_back({DateItem::MediumDate, 0, 0});
      return p;
    }
    pattern = named.pattern;
    break;
  }

  const std::vector<std::string_view> sections = splitSections(pattern);
  if (sections.size() > 4) {
    throw automation::Error(automation::err::kInvalidProcedureCall, "Format",
                            "Format pattern has more than four sections: " + std::string(pattern));
  }
  const int marks = marksOf(pattern);
  if (marks & static_cast<int>(Marks::Digit)) {
    p->kind = PatternKind::Number;
  } else if (marks & static_cast<int>(Marks::Text)) {
    p->kind = PatternKind::Text;
  } else if (marks & static_cast<int>(Marks::Date)) {
    p->kind = PatternKind::Date;
  } else {
    p->kind = PatternKind::Number;  // literals only, e.g. "\Y\e\s;\Y\e\s;\N\o"
  }
  for (std::string_view section : sections) {
    switch (p->kind) {
      case PatternKind::Number:
        p->number.emplace_back();
        compileNumberSection(section, p->number.back());
        break;
      case PatternKind::Date:
        p->date.emplace_back();
        compileDateSection(section, p->date.back());
        break;
      case PatternKind::Text:
        p->text.emplace_back();
        compileTextSection(section, p->text.back());
        break;
      default:
        break;
    }
  }
  return p;
}

}  // namespace regional::detail
