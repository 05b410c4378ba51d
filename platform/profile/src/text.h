#pragma once
// Text helpers of the settings layer: names compare without regard to ASCII case, and UTF-8 is
// read with ICU's macros.

#include <unicode/utf8.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace profile::detail {

inline bool sameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Length of the well-formed UTF-8 sequence at text[i], or 0 when the bytes there are not one.
inline size_t utf8Length(std::string_view text, size_t i) {
  auto j = static_cast<int32_t>(i);
  UChar32 c = 0;
  U8_NEXT(text.data(), j, static_cast<int32_t>(text.size()), c);
  return c < 0 ? 0 : static_cast<size_t>(j) - i;
}

}  // namespace profile::detail
