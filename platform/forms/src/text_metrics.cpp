#include "forms/text_metrics.h"

#include <cmath>

#include "text/utf8.h"

namespace forms {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr double kBaseSize = 8.25;
constexpr int kLinePixels = 13;

// Accented Latin letters measure as their base letter.
char32_t baseLetter(char32_t c) {
  switch (c) {
    case U'á': case U'à': case U'â': case U'ä': case U'ã': return U'a';
    case U'é': case U'è': case U'ê': case U'ë': return U'e';
    case U'í': case U'ì': case U'î': case U'ï': return U'i';
    case U'ó': case U'ò': case U'ô': case U'ö': case U'õ': return U'o';
    case U'ú': case U'ù': case U'û': case U'ü': return U'u';
    case U'ñ': return U'n';
    case U'ç': return U'c';
    case U'Á': case U'À': case U'Â': case U'Ä': case U'Ã': return U'A';
    case U'É': case U'È': case U'Ê': case U'Ë': return U'E';
    case U'Í': case U'Ì': case U'Î': case U'Ï': return U'I';
    case U'Ó': case U'Ò': case U'Ô': case U'Ö': case U'Õ': return U'O';
    case U'Ú': case U'Ù': case U'Û': case U'Ü': return U'U';
    case U'Ñ': return U'N';
    case U'Ç': return U'C';
    case U'¡': return U'!';
    case U'¿': return U'?';
    default: return c;
  }
}

}  // namespace

int HeadlessTextMetrics::charPixels(char32_t c) {
  c = baseLetter(c);
  switch (c) {
    case U'i': case U'j': case U'l': case U'\'': case U'|':
      return 2;
    case U' ': case U'f': case U'r': case U't': case U'I': case U'!': case U':': case U';':
    case U',': case U'.': case U'/': case U'(': case U')': case U'[': case U']': case U'`':
      return 3;
    case U'-':
      return 4;
    case U's': case U'z': case U'J': case U'"': case U'*':
      return 5;
    case U'A': case U'B': case U'C': case U'E': case U'K': case U'P': case U'S': case U'T':
    case U'V': case U'X': case U'Y': case U'Z':
      return 7;
    case U'D': case U'G': case U'H': case U'N': case U'O': case U'Q': case U'R': case U'U':
    case U'm': case U'w': case U'&':
      return 8;
    case U'M': case U'%':
      return 9;
    case U'W': case U'@':
      return 11;
    case U'\t':
      return 24;
    default:
      // a-h k n-q u v x y, digits, F L $ ? _ # + = < > ~ ^ { } backslash and everything else.
      return 6;
  }
}

int HeadlessTextMetrics::textWidth(std::string_view text, const Font& font) const {
  int pixels = 0;
  for (size_t pos = 0; pos < text.size();) pixels += charPixels(text::utf8::next(text, pos));
  if (font.size > 0 && font.size != kBaseSize) pixels = static_cast<int>(std::lround(pixels * font.size / kBaseSize));
  return pixels * kTwipsPerPixel;
}

int HeadlessTextMetrics::lineHeight(const Font& font) const {
  int pixels = kLinePixels;
  if (font.size > 0 && font.size != kBaseSize) pixels = static_cast<int>(std::lround(pixels * font.size / kBaseSize));
  return pixels * kTwipsPerPixel;
}

}  // namespace forms
