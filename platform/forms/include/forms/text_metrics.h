#pragma once
// Text measurement for labels that size themselves to their text, grid column widths from a
// format string, and windows that size themselves to a prompt.
//
// The Application holds one TextMetrics. The headless default, HeadlessTextMetrics, is a fixed
// per-character table of the classic 8-point sans-serif system font at 96 dots per inch (advance
// widths in pixels, 15 twips each):
//
//   2 px  i j l ' |                  3 px  space f r t I ! : ; , . / ( ) [ ] `
//   4 px  -                          5 px  s z J " *
//   6 px  a b c d e g h k n o p q u v x y, digits, F L $ ? ¿ _ # + = < > ~ ^ { } and backslash
//   7 px  A B C E K P S T V X Y Z    8 px  D G H N O Q R U m w &
//   9 px  M %                        11 px  W @
//
// (the exact table is in text_metrics.cpp; accented letters measure as their base letter,
// other characters as 6 px). The table reproduces the design widths of the labels that size
// themselves: "Codigo del vendedor:" is 101 px = 1515 twips, "Fecha del pago:" 1155, "Label1" 480.
// One line is 13 px = 195 twips high. Other font sizes scale linearly from 8.25 points and round
// to whole pixels; bold adds nothing. The Qt view replaces this with real font metrics.

#include <string_view>

#include "forms/types.h"

namespace forms {

class TextMetrics {
 public:
  virtual ~TextMetrics() = default;
  // Width of one line of UTF-8 text in twips.
  virtual int textWidth(std::string_view text, const Font& font) const = 0;
  // Height of one line in twips.
  virtual int lineHeight(const Font& font) const = 0;
};

class HeadlessTextMetrics final : public TextMetrics {
 public:
  int textWidth(std::string_view text, const Font& font) const override;
  int lineHeight(const Font& font) const override;
  // Advance width in pixels of one character at 8.25 points.
  static int charPixels(char32_t c);
};

}  // namespace forms
