#include "text/utf8.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace text::utf8 {

namespace {

template <UChar32 (*map)(UChar32)>
std::string mapped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();)
    append(out, static_cast<char32_t>(map(static_cast<UChar32>(next(text, pos)))));
  return out;
}

}  // namespace

char32_t next(std::string_view text, size_t& pos) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const auto end = static_cast<int32_t>(text.size());
  auto i = static_cast<int32_t>(pos);
  UChar32 c = 0;
  U8_NEXT_OR_FFFD(s, i, end, c);
  pos = static_cast<size_t>(i);
  return static_cast<char32_t>(c);
}

size_t sequenceLength(std::string_view text, size_t pos) {
  auto i = static_cast<int32_t>(pos);
  UChar32 c = 0;
  U8_NEXT(text.data(), i, static_cast<int32_t>(text.size()), c);
  return c < 0 ? 0 : static_cast<size_t>(i) - pos;
}

void append(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  uint8_t buffer[U8_MAX_LENGTH];
  int32_t used = 0;
  U8_APPEND_UNSAFE(buffer, used, static_cast<UChar32>(c));
  out.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(used));
}

std::string encode(char32_t c) {
  std::string out;
  append(out, c);
  return out;
}

std::string upper(std::string_view text) {
  return mapped<u_toupper>(text);
}

std::string lower(std::string_view text) {
  return mapped<u_tolower>(text);
}

}  // namespace text::utf8
