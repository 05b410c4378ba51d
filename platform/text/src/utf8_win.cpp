// UTF-8 on Windows, where there is no ICU: the codec follows the Unicode rules for well-formed
// sequences (an ill-formed one reads as one U+FFFD for its longest valid beginning, as ICU does),
// and case mapping goes through the system's case tables on UTF-16 text.

#include <windows.h>

#include <optional>

#include "text/utf8.h"
#include "text/wide.h"

namespace text::utf8 {

namespace {

// The code point at text[pos] and pos past it; nullopt (pos past the ill-formed part) when the
// bytes there are not a well-formed sequence.
std::optional<char32_t> decode(std::string_view text, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos++);
  if (lead < 0x80) return lead;
  int trail = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the first trail byte
  char32_t c = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail = 1;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail = 2;
    c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail = 3;
    c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return std::nullopt;
  }
  for (int i = 0; i < trail; ++i) {
    if (pos >= text.size()) return std::nullopt;
    const unsigned char b = byte(pos);
    if (b < low || b > high) return std::nullopt;
    c = (c << 6) | (b & 0x3F);
    ++pos;
    low = 0x80;
    high = 0xBF;
  }
  return c;
}

// Simple (one for one) case mapping with the invariant locale's tables, so that no user language
// (a Turkish dotless i) changes what a code looks like.
std::string mapped(std::string_view text, DWORD flags) {
  std::wstring wide = toWide(text);
  if (wide.empty()) return {};
  std::wstring out(wide.size(), L'\0');
  const int n =
      ::LCMapStringEx(LOCALE_NAME_INVARIANT, flags, wide.data(), static_cast<int>(wide.size()),
                      out.data(), static_cast<int>(out.size()), nullptr, nullptr, 0);
  if (n <= 0) return fromWide(wide);
  out.resize(static_cast<size_t>(n));
  return fromWide(out);
}

}  // namespace

char32_t next(std::string_view text, size_t& pos) {
  return decode(text, pos).value_or(U'\uFFFD');
}

size_t sequenceLength(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  const size_t start = pos;
  return decode(text, pos) ? pos - start : 0;
}

void append(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string encode(char32_t c) {
  std::string out;
  append(out, c);
  return out;
}

std::string upper(std::string_view text) {
  return mapped(text, LCMAP_UPPERCASE);
}

std::string lower(std::string_view text) {
  return mapped(text, LCMAP_LOWERCASE);
}

}  // namespace text::utf8

namespace text {

std::wstring toWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const char32_t c = utf8::next(text, pos);
    if (c >= 0x10000) {
      out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

std::string fromWide(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    utf8::append(out, c);
  }
  return out;
}

}  // namespace text
