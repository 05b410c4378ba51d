// Per-user directories on Windows: the roaming application data folder for settings, the local
// one for data, each overridden by the same variables as elsewhere.

#include <cstdlib>

#include "profile/paths.h"

namespace profile {

namespace {

std::filesystem::path fromEnvironment(const wchar_t* own, const wchar_t* folder) {
  if (const wchar_t* dir = ::_wgetenv(own); dir != nullptr && *dir != L'\0') return dir;
  if (const wchar_t* dir = ::_wgetenv(folder); dir != nullptr && *dir != L'\0') {
    return std::filesystem::path(dir) / L"Tessaline";
  }
  if (const wchar_t* dir = ::_wgetenv(L"USERPROFILE"); dir != nullptr && *dir != L'\0') {
    return std::filesystem::path(dir) / L"Tessaline";
  }
  return std::filesystem::temp_directory_path() / L"Tessaline";
}

}  // namespace

std::filesystem::path configHome() {
  return fromEnvironment(L"TESSALINE_CONFIG_HOME", L"APPDATA");
}

std::filesystem::path dataHome() {
  return fromEnvironment(L"TESSALINE_DATA_HOME", L"LOCALAPPDATA");
}

}  // namespace profile
