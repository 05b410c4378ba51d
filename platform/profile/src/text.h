#pragma once
// Text helpers of the settings layer: UTF-8 read with ICU's macros.

#include <unicode/utf8.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "profile/names.h"

namespace profile::detail {

// Length of the well-formed UTF-8 sequence at text[i], or 0 when the bytes there are not one.
inline size_t utf8Length(std::string_view text, size_t i) {
  auto j = static_cast<int32_t>(i);
  UChar32 c = 0;
  U8_NEXT(text.data(), j, static_cast<int32_t>(text.size()), c);
  return c < 0 ? 0 : static_cast<size_t>(j) - i;
}

}  // namespace profile::detail
