#pragma once
// UTF-8 to and from the UTF-16 text of the Windows calls (Windows builds only). Ill-formed UTF-8
// reads as U+FFFD; an unpaired surrogate writes as U+FFFD.

#include <string>
#include <string_view>

namespace text {

std::wstring toWide(std::string_view utf8);
std::string fromWide(std::wstring_view utf16);

}  // namespace text
