#include "text/text.h"

#include "text/utf8.h"

namespace text {

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lowerAscii(c);
  return out;
}

std::string upperCode(std::string_view s) {
  return utf8::upper(trimBlanks(s));
}

// Length and prefix in characters, whichever codec reads them.
namespace utf8 {

size_t length(std::string_view text) {
  size_t n = 0;
  for (size_t pos = 0; pos < text.size(); ++n) next(text, pos);
  return n;
}

std::string_view prefix(std::string_view text, size_t n) {
  size_t pos = 0;
  for (size_t i = 0; i < n && pos < text.size(); ++i) next(text, pos);
  return text.substr(0, pos);
}

}  // namespace utf8

}  // namespace text
