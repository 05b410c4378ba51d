#pragma once
// Names (applications, sections, keys, classes, members, columns) and the words of the small
// languages the runtime reads (script commands, pattern tokens, SQL types) compare without regard
// to ASCII case; other letters compare as they are. Trimming works on bytes and never splits a
// UTF-8 character, since white space is ASCII.

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

constexpr char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text with its ASCII capitals as small letters.
std::string lowerAscii(std::string_view s);

// Inline: the recordset's read loop compares member and field names for every value; the usual
// spelling costs one byte comparison a character.
constexpr bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

constexpr bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && equalsNoCase(s.substr(0, prefix.size()), prefix);
}

constexpr bool containsNoCase(std::string_view s, std::string_view word) {
  for (size_t i = 0; i + word.size() <= s.size(); ++i) {
    if (startsWithNoCase(s.substr(i), word)) return true;
  }
  return false;
}

// Without the white space at either end: blanks, tabs, line ends, vertical tabs and form feeds.
constexpr std::string_view trim(std::string_view s) {
  constexpr std::string_view kWhite = " \t\r\n\v\f";
  const size_t first = s.find_first_not_of(kWhite);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kWhite) - first + 1);
}

// Without the blanks at either end; tabs and line ends stay.
constexpr std::string_view trimBlanks(std::string_view s) {
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// A code as the operator typed it (a salesperson's, a bank's): without the blanks at either end
// and with every letter a capital, accented ones too (ñ is Ñ). Each character stays one
// character, so a code that fits its field still fits.
std::string upperCode(std::string_view s);

}  // namespace text
