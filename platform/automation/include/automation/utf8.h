#pragma once
// UTF-8 text code point by code point. Every string of the runtime is UTF-8, and a length in
// characters (a text box's MaxLength, a printed line cut to 50) counts code points. Ill-formed
// bytes read as U+FFFD, and a count or cut never splits a character.

#include <cstddef>
#include <string>
#include <string_view>

namespace automation::utf8 {

// The code point at text[pos]; pos moves past it.
char32_t next(std::string_view text, size_t& pos);
// How many code points.
size_t length(std::string_view text);
// The first n code points (all of the text when it has fewer).
std::string_view prefix(std::string_view text, size_t n);
// Appends the encoding of c.
void append(std::string& out, char32_t c);
std::string encode(char32_t c);

}  // namespace automation::utf8
