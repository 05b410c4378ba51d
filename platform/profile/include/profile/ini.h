#pragma once
// Reading INI files the way the platform's private-profile call does.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace profile {

struct ProfileString {
  std::string text;   // what the caller's buffer receives
  size_t count = 0;   // characters copied, without the terminator
};

// The value of key in section of the INI file at path, as a buffer of bufferSize characters would
// receive it: at most bufferSize - 1 characters (UTF-8 characters; never half of one).
//   - Section and key names match without regard to (ASCII) case; blanks around section names,
//     keys and values are ignored; a value in matching quotes ('...' or "...") loses them.
//   - A line without '=' holds no key; a line starting with ';' never matches. The first of
//     duplicate keys wins (sections of the same name are searched in file order).
//   - The section name is matched verbatim otherwise (backslashes are ordinary characters).
//   - Missing or unreadable file, section or key: defaultValue without its trailing blanks, also
//     cut to bufferSize - 1.
ProfileString getPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                      size_t bufferSize, const std::filesystem::path& path);

}  // namespace profile
