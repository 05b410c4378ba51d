// The INI reader with any file, section, key and buffer size: the answer never holds more
// characters than the buffer has room for, and never a crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "profile/ini.h"

// Input: byte 0 is the buffer size; then "section\nkey\n" and the file's content.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("fuzz-ini-" + std::to_string(::getpid()) + ".ini");
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t endSection = rest.find('\n');
  if (endSection == std::string_view::npos) return 0;
  const size_t endKey = rest.find('\n', endSection + 1);
  if (endKey == std::string_view::npos) return 0;
  const std::string_view section = rest.substr(0, endSection);
  const std::string_view key = rest.substr(endSection + 1, endKey - endSection - 1);
  const std::string_view content = rest.substr(endKey + 1);
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(content.data(), static_cast<std::streamsize>(content.size()));
  const size_t buffer = data[0];
  const auto got = profile::getPrivateProfileString(section, key, "fallback value  ", buffer, file);
  if (got.count + 1 > std::max<size_t>(buffer, 1) || got.text.size() < got.count) __builtin_trap();
  return 0;
}
