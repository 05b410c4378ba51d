#pragma once
// Per-user directories. On Windows: TESSALINE_CONFIG_HOME, else %APPDATA%\Tessaline for settings
// (INI files), TESSALINE_DATA_HOME, else %LOCALAPPDATA%\Tessaline for data.

#include <filesystem>

namespace profile {

// Settings (settings store, INI files, class registry): TESSALINE_CONFIG_HOME, else
// $XDG_CONFIG_HOME/tessaline, else ~/.config/tessaline. Resolved at every call.
std::filesystem::path configHome();
// Data (books, printouts): TESSALINE_DATA_HOME, else $XDG_DATA_HOME/tessaline, else
// ~/.local/share/tessaline. Resolved at every call.
std::filesystem::path dataHome();

}  // namespace profile
