// Text patterns: @ and & character placeholders, < and > case, ! to fill from the left.

#include <algorithm>
#include <optional>
#include <vector>

#include "pattern.h"
#include "text/utf8.h"

namespace regional::detail {

void compileTextSection(std::string_view t, TextSection& s) {
  s.empty = t.empty();
  auto addLiteral = [&](std::string_view text) {
    if (text.empty()) return;
    if (!s.items.empty() && s.items.back().kind == TextItem::Literal) {
      s.items.back().length += static_cast<uint32_t>(text.size());
    } else {
      s.items.push_back({TextItem::Literal, static_cast<uint32_t>(s.literals.size()), static_cast<uint32_t>(text.size())});
    }
    s.literals.append(text);
  };
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    std::optional<std::string_view> literal;
    if (readLiteral(t, i, literal)) {
      if (literal) addLiteral(*literal);
      continue;
    }
    switch (c) {
      case '@':
        s.items.push_back({TextItem::CharOrBlank, static_cast<uint32_t>(s.placeholders++), 0});
        break;
      case '&':
        s.items.push_back({TextItem::CharOrNothing, static_cast<uint32_t>(s.placeholders++), 0});
        break;
      case '<':
        s.caseMode = -1;
        break;
      case '>':
        s.caseMode = 1;
        break;
      case '!':
        s.fromLeft = true;
        break;
      default:
        addLiteral(t.substr(i, 1));
        break;
    }
  }
}

namespace {

void putChar(Out& out, std::string_view value, std::size_t begin, std::size_t end, int caseMode) {
  if (caseMode == 0) {
    out.put(value.data() + begin, end - begin);
    return;
  }
  const std::string_view part = value.substr(begin, end - begin);
  out.put(caseMode > 0 ? text::utf8::upper(part) : text::utf8::lower(part));
}

}  // namespace

void writeText(const CompiledPattern& p, std::string_view value, Out& out) {
  const TextSection* s = &p.text.front();
  if (value.empty() && p.text.size() >= 2 && !p.text[1].empty) s = &p.text[1];

  // byte offsets of the value's characters, and of its end
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < value.size(); text::utf8::next(value, i)) starts.push_back(i);
  const int count = static_cast<int>(starts.size());
  starts.push_back(value.size());

  if (s->placeholders == 0) {
    for (const TextItem& item : s->items) out.put(s->literals.data() + item.offset, item.length);
    putChar(out, value, 0, value.size(), s->caseMode);
    return;
  }
  const int places = s->placeholders;
  for (const TextItem& item : s->items) {
    if (item.kind == TextItem::Literal) {
      out.put(s->literals.data() + item.offset, item.length);
      continue;
    }
    // the characters [first, last) this placeholder writes; the end placeholder takes the overflow
    const int k = static_cast<int>(item.offset);
    int first;
    int last;
    if (s->fromLeft) {
      first = k;
      last = k == places - 1 ? count : k + 1;
    } else {
      const int at = k + count - places;
      first = k == 0 ? 0 : at;
      last = at + 1;
    }
    first = std::max(first, 0);
    last = std::min(last, count);
    if (first < last) {
      putChar(out, value, starts[static_cast<std::size_t>(first)], starts[static_cast<std::size_t>(last)], s->caseMode);
    } else if (item.kind == TextItem::CharOrBlank) {
      out.put(' ');
    }
  }
}

}  // namespace regional::detail
