#include "profile/ini.h"

#include <algorithm>
#include <fstream>
#include <optional>

#include "text/text.h"
#include "text/utf8.h"

namespace profile {

namespace {

using text::equalsNoCase;
using text::trim;

// Cuts text to at most limit characters, never inside a UTF-8 sequence.
ProfileString cut(std::string_view text, size_t bufferSize) {
  ProfileString result;
  if (bufferSize == 0) return result;
  const size_t limit = bufferSize - 1;
  size_t end = 0;
  while (end < text.size() && result.count < limit) {
    // A byte that does not start a well-formed sequence counts by itself.
    end += std::max<size_t>(text::utf8::sequenceLength(text, end), 1);
    ++result.count;
  }
  result.text = std::string(text.substr(0, end));
  return result;
}

std::optional<std::string> lookup(std::string_view section, std::string_view key, const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string_view wantedSection = trim(section);
  const std::string_view wantedKey = trim(key);
  std::string line;
  bool inSection = false;
  bool first = true;
  while (std::getline(in, line)) {
    std::string_view text = line;
    if (first && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // UTF-8 byte order mark
    first = false;
    text = trim(text);
    if (text.starts_with('[')) {
      const size_t close = text.find(']');
      const std::string_view name = trim(text.substr(1, close == std::string_view::npos ? text.npos : close - 1));
      inSection = equalsNoCase(name, wantedSection);
      continue;
    }
    if (!inSection || text.starts_with(';')) continue;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    if (!equalsNoCase(trim(text.substr(0, equals)), wantedKey)) continue;
    std::string_view value = trim(text.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return std::nullopt;
}

}  // namespace

ProfileString getPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                      size_t bufferSize, const std::filesystem::path& path) {
  if (auto value = lookup(section, key, path)) return cut(*value, bufferSize);
  while (!defaultValue.empty() && (defaultValue.back() == ' ' || defaultValue.back() == '\t')) {
    defaultValue.remove_suffix(1);
  }
  return cut(defaultValue, bufferSize);
}

}  // namespace profile
