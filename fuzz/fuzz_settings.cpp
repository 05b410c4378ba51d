// The settings store reading any file, then writing one value: reading never crashes, and the
// value written reads back through a fresh store (the file is replaced whole, so a damaged file
// must never swallow the new value).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "profile/settings_store.h"

// Input: "file content\0application\0section\0key\0value".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("fuzz-settings-" + std::to_string(::getpid()));
  std::vector<std::string_view> parts;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (size_t cut; parts.size() < 4 && (cut = rest.find('\0')) != std::string_view::npos;) {
    parts.push_back(rest.substr(0, cut));
    rest.remove_prefix(cut + 1);
  }
  parts.push_back(rest);
  if (parts.size() < 5) return 0;
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "settings.txt", std::ios::binary)
      .write(parts[0].data(), static_cast<std::streamsize>(parts[0].size()));

  profile::SettingsStore store(dir);
  (void)store.find(parts[1], parts[2], parts[3]);
  (void)store.getAll(parts[1], parts[2]);
  try {
    store.set(parts[1], parts[2], parts[3], parts[4]);
  } catch (const profile::StoreError&) {
    return 0;  // a name the store does not take; the file is unchanged
  }
  const auto back = profile::SettingsStore(dir).find(parts[1], parts[2], parts[3]);
  if (!back || *back != parts[4]) __builtin_trap();
  return 0;
}
