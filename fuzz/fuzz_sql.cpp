// The rewrite of host SQL for the server: any text comes back with some of its '?' turned into
// $1, $2, ... in order and every other character where it was.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view sql(reinterpret_cast<const char*>(data), size);
  const std::string out = host::serverStatementText(sql);
  size_t j = 0;
  int next = 1;
  for (char c : sql) {
    if (c == '?' && j < out.size() && out[j] == '$') {
      const std::string number = "$" + std::to_string(next++);
      if (out.compare(j, number.size(), number) != 0) __builtin_trap();
      j += number.size();
    } else {
      if (j >= out.size() || out[j] != c) __builtin_trap();
      ++j;
    }
  }
  if (j != out.size()) __builtin_trap();
  return 0;
}
