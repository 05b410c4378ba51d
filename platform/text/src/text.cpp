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

}  // namespace text
