#include "profile/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace profile {

namespace {

std::filesystem::path fromEnvironment(const char* own, const char* xdg, const char* fallback) {
  if (const char* dir = std::getenv(own); dir != nullptr && *dir != '\0') return dir;
  if (const char* dir = std::getenv(xdg); dir != nullptr && *dir == '/') {
    return std::filesystem::path(dir) / "tessaline";
  }
  std::filesystem::path home;
  if (const char* dir = std::getenv("HOME"); dir != nullptr && *dir != '\0') {
    home = dir;
  } else if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    home = pw->pw_dir;
  } else {
    home = "/tmp";
  }
  return home / fallback / "tessaline";
}

}  // namespace

std::filesystem::path configHome() {
  return fromEnvironment("TESSALINE_CONFIG_HOME", "XDG_CONFIG_HOME", ".config");
}

std::filesystem::path dataHome() {
  return fromEnvironment("TESSALINE_DATA_HOME", "XDG_DATA_HOME", ".local/share");
}

}  // namespace profile
