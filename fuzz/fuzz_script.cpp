// The script line parser with any line: either the arguments or a reason, never both or neither.
// Arguments written back in double quotes (with \" and \\ inside) read back the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "forms/driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto words = forms::ScriptDriver::tokenize(line, &error);
  if (!words) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  std::string quoted;
  for (const auto& w : *words) {
    quoted += " \"";
    for (char c : w) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    quoted += '"';
  }
  const auto again = forms::ScriptDriver::tokenize(quoted);
  if (!again || *again != *words) __builtin_trap();
  return 0;
}
