#pragma once
// UTF-8 text character by character. Every string of the runtime is UTF-8, and a length in
// characters (a text box's MaxLength, a printed line cut to 50) counts code points. Ill-formed
// bytes read as U+FFFD, and a count or cut never splits a character.

#include <cstddef>
#include <string>
#include <string_view>

namespace text::utf8 {

// The code point at text[pos]; pos moves past it.
char32_t next(std::string_view text, size_t& pos);
// How many code points.
size_t length(std::string_view text);
// The first n code points (all of the text when it has fewer).
std::string_view prefix(std::string_view text, size_t n);
// How many bytes the well-formed character at text[pos] takes; 0 when the bytes there are not one.
size_t sequenceLength(std::string_view text, size_t pos);
// Appends the encoding of c.
void append(std::string& out, char32_t c);
std::string encode(char32_t c);
// The text with each character mapped to its capital (small) letter: one character for one, so
// a German sharp s stays as it is.
std::string upper(std::string_view text);
std::string lower(std::string_view text);

}  // namespace text::utf8
