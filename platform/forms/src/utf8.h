#pragma once
// Small UTF-8 helpers of the forms runtime.

#include <string>
#include <string_view>

namespace forms::detail {

// Decodes the code point at text[pos] and advances pos; invalid bytes decode as U+FFFD.
char32_t nextCodePoint(std::string_view text, size_t& pos);
// Number of code points.
size_t codePointCount(std::string_view text);
// The first n code points.
std::string firstCodePoints(std::string_view text, size_t n);
std::string encode(char32_t c);

// ASCII case-insensitive comparison of names.
bool sameName(std::string_view a, std::string_view b);

}  // namespace forms::detail
