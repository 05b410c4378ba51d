#include "profile/settings_store.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <set>

#include "profile/paths.h"
#include "text/text.h"
#include "text/utf8.h"

namespace profile {

namespace {

using text::equalsNoCase;
using text::utf8::sequenceLength;

constexpr const char* kFileName = "settings.txt";
constexpr const char* kLockName = "settings.lock";
constexpr const char* kFirstLine = "# Tessaline per-user settings, format 1 (see README: Settings store file)";

// ---- the file's text

// %XX for '%', control characters, bytes that are not UTF-8, and (in names) the characters the
// line syntax uses and blanks at either end.
std::string escape(std::string_view text, bool name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t length = sequenceLength(text, i);
    bool plain = length > 0 && c >= 0x20 && c != 0x7F && c != '%';
    if (name && (c == '\\' || c == '[' || c == ']' || c == '=' || c == '#' || c == ';' ||
                 (c == ' ' && (i == 0 || i + 1 == text.size())))) {
      plain = false;
    }
    if (plain) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
      ++i;
    }
  }
  return out;
}

std::optional<std::string> unescape(std::string_view text) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = hex(text[i + 1]), low = hex(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

// ---- the store's content

// A section's address: the application's and section's levels, split at backslashes.
using Levels = std::vector<std::string>;

Levels levelsOf(std::string_view application, std::string_view section) {
  Levels levels;
  for (std::string_view part : {application, section}) {
    size_t start = 0;
    while (start <= part.size()) {
      size_t end = part.find('\\', start);
      if (end == std::string_view::npos) end = part.size();
      if (end > start) levels.emplace_back(part.substr(start, end - start));
      start = end + 1;
    }
  }
  return levels;
}

bool sameLevels(const Levels& a, const Levels& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!equalsNoCase(a[i], b[i])) return false;
  }
  return true;
}

bool startsWithLevels(const Levels& path, const Levels& prefix) {
  if (path.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (!equalsNoCase(path[i], prefix[i])) return false;
  }
  return true;
}

struct Section {
  Levels levels;
  std::vector<std::pair<std::string, std::string>> values;
};

struct Content {
  std::vector<Section> sections;
  std::string problem;  // what could not be read
  std::string raw;      // the file as read (kept when damaged)

  Section* find(const Levels& levels) {
    for (Section& s : sections) {
      if (sameLevels(s.levels, levels)) return &s;
    }
    return nullptr;
  }
  const Section* find(const Levels& levels) const { return const_cast<Content*>(this)->find(levels); }

  Section& slot(const Levels& levels) {
    if (Section* s = find(levels)) return *s;
    sections.push_back(Section{levels, {}});
    return sections.back();
  }
};

std::pair<std::string, std::string>* findValue(Section& s, std::string_view key) {
  for (auto& kv : s.values) {
    if (equalsNoCase(kv.first, key)) return &kv;
  }
  return nullptr;
}

std::optional<Levels> parseHeader(std::string_view line) {
  if (line.size() < 2 || line.back() != ']') return std::nullopt;
  line = line.substr(1, line.size() - 2);
  Levels levels;
  size_t start = 0;
  while (start <= line.size()) {
    size_t end = line.find('\\', start);
    if (end == std::string_view::npos) end = line.size();
    auto level = unescape(line.substr(start, end - start));
    if (!level || level->empty()) return std::nullopt;
    levels.push_back(std::move(*level));
    start = end + 1;
  }
  return levels;
}

Content parse(std::string raw) {
  Content content;
  content.raw = std::move(raw);
  const std::string_view text = content.raw;
  Section* current = nullptr;
  size_t badLines = 0, firstBad = 0, lineNumber = 0;
  auto bad = [&] {
    if (badLines++ == 0) firstBad = lineNumber;
  };
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const bool complete = end != std::string_view::npos;
    if (!complete) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (line.ends_with('\r')) line.remove_suffix(1);
    bool sound = true;
    for (size_t i = 0; i < line.size() && sound;) {
      const size_t length = sequenceLength(line, i);
      sound = length > 0 && static_cast<unsigned char>(line[i]) >= 0x20 && line[i] != 0x7F;
      i += length == 0 ? 1 : length;
    }
    if (!sound) {
      bad();
      continue;
    }
    if (line.empty() || line.starts_with('#')) continue;
    if (line.starts_with('[')) {
      const auto levels = parseHeader(line);
      if (!levels) {
        bad();
        current = nullptr;  // its values cannot be placed
        continue;
      }
      current = &content.slot(*levels);
      continue;
    }
    const size_t equals = line.find('=');
    auto key = equals == std::string_view::npos ? std::nullopt : unescape(line.substr(0, equals));
    auto value = equals == std::string_view::npos ? std::nullopt : unescape(line.substr(equals + 1));
    if (!key || key->empty() || !value || current == nullptr) {
      bad();
      continue;
    }
    // The last line of a file cut short may have lost part of its value; it is kept as read.
    if (findValue(*current, *key) == nullptr) current->values.emplace_back(std::move(*key), std::move(*value));
  }
  if (badLines > 0) {
    content.problem = std::to_string(badLines) + (badLines == 1 ? " damaged line" : " damaged lines") +
                      " (first at line " + std::to_string(firstBad) + ") skipped";
  }
  return content;
}

std::string serialize(const Content& content) {
  std::string out = kFirstLine;
  out += '\n';
  for (const Section& s : content.sections) {
    if (s.values.empty()) continue;
    out += "\n[";
    for (size_t i = 0; i < s.levels.size(); ++i) {
      if (i > 0) out += '\\';
      out += escape(s.levels[i], true);
    }
    out += "]\n";
    for (const auto& [key, value] : s.values) {
      out += escape(key, true);
      out += '=';
      out += escape(value, false);
      out += '\n';
    }
  }
  return out;
}

// ---- files

std::string errnoText(const std::string& what, const std::filesystem::path& path, int error) {
  return "settings store: cannot " + what + " " + path.string() + ": " + std::strerror(error);
}

// The file's bytes; "" when it does not exist. A file that exists but cannot be read is an error
// (a write must not replace what it could not read).
std::string readFile(const std::filesystem::path& path, bool forWrite, std::string& problem) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return {};
    if (forWrite) throw StoreError(errnoText("read", path, errno));
    problem = errnoText("read", path, errno);
    return {};
  }
  std::string data;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      if (forWrite) throw StoreError(errnoText("read", path, error));
      problem = errnoText("read", path, error);
      return {};
    }
    data.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

void writeAll(int fd, std::string_view data, const std::filesystem::path& path) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw StoreError(errnoText("write", path, errno));
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
}

// Replaces path with data: a new file in the same directory, flushed to disk, renamed over the old.
void replaceFile(const std::filesystem::path& path, std::string_view data) {
  std::string temp = path.string() + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) throw StoreError(errnoText("create a file in", path.parent_path(), errno));
  try {
    ::fchmod(fd, 0600);
    writeAll(fd, data, temp);
    if (::fsync(fd) != 0) throw StoreError(errnoText("flush", temp, errno));
    if (::close(fd) != 0) {
      throw StoreError(errnoText("close", temp, errno));
    }
  } catch (...) {
    ::close(fd);
    ::unlink(temp.c_str());
    throw;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    throw StoreError(errnoText("replace", path, error));
  }
  const int dir = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

// An exclusive lock on the store's lock file for one read-modify-write.
class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) throw StoreError(errnoText("open", path, errno));
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        const int error = errno;
        ::close(fd_);
        throw StoreError(errnoText("lock", path, error));
      }
    }
  }
  ~FileLock() { ::close(fd_); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

void checkName(std::string_view name, const char* what) {
  if (name.find_first_not_of('\\') == std::string_view::npos) {
    throw StoreError(std::string("settings store: the ") + what + " name is empty");
  }
}

std::mutex gReportedMutex;
std::set<std::string> gReported;

}  // namespace

SettingsStore& SettingsStore::forCurrentUser() {
  static SettingsStore store;
  return store;
}

SettingsStore::SettingsStore(std::filesystem::path directory) : directory_(std::move(directory)) {}

std::filesystem::path SettingsStore::directory() const { return directory_.empty() ? configHome() : directory_; }

std::filesystem::path SettingsStore::file() const { return directory() / kFileName; }

std::string SettingsStore::lastProblem() const {
  std::lock_guard lock(mutex_);
  return lastProblem_;
}

void SettingsStore::noteProblem(std::string problem) const {
  if (!problem.empty()) {
    problem = file().string() + ": " + problem;
    std::lock_guard lock(gReportedMutex);
    if (gReported.insert(problem).second) std::cerr << "warning: settings store " << problem << '\n';
  }
  std::lock_guard lock(mutex_);
  lastProblem_ = std::move(problem);
}

namespace {

Content load(const SettingsStore& store, bool forWrite, std::string& readProblem) {
  std::string raw = readFile(store.file(), forWrite, readProblem);
  return parse(std::move(raw));
}

}  // namespace

std::optional<std::string> SettingsStore::find(std::string_view application, std::string_view section,
                                               std::string_view key) const {
  std::string readProblem;
  Content content = load(*this, false, readProblem);
  noteProblem(readProblem.empty() ? content.problem : readProblem);
  Section* s = content.find(levelsOf(application, section));
  if (s == nullptr) return std::nullopt;
  auto* kv = findValue(*s, key);
  if (kv == nullptr) return std::nullopt;
  return kv->second;
}

std::string SettingsStore::get(std::string_view application, std::string_view section, std::string_view key,
                               std::string_view defaultValue) const {
  auto value = find(application, section, key);
  return value ? std::move(*value) : std::string(defaultValue);
}

std::vector<std::pair<std::string, std::string>> SettingsStore::getAll(std::string_view application,
                                                                        std::string_view section) const {
  std::string readProblem;
  Content content = load(*this, false, readProblem);
  noteProblem(readProblem.empty() ? content.problem : readProblem);
  const Section* s = content.find(levelsOf(application, section));
  return s == nullptr ? std::vector<std::pair<std::string, std::string>>{} : s->values;
}

namespace {

// Temporary files that writers killed before their rename left beside the store
// ("settings.txt.Ab12Cd", or one of a damaged copy): under the lock no live writer has one.
void removeDeadTemporaries(const std::filesystem::path& file) {
  const std::string prefix = file.filename().string() + ".";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), ec)) {
    const std::string name = entry.path().filename().string();
    const size_t dot = name.rfind('.');
    // mkstemp's six characters after the last dot.
    const bool temporary = name.rfind(prefix, 0) == 0 && dot + 1 >= prefix.size() && name.size() - dot - 1 == 6 &&
                           std::all_of(name.begin() + static_cast<long>(dot) + 1, name.end(),
                                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
    if (temporary) std::filesystem::remove(entry.path(), ec);
  }
}

// One locked read-modify-write of the store; change returns whether it changed anything.
template <class Change>
bool modify(const SettingsStore& store, const std::filesystem::path& directory, Change change,
            std::string& problem) {
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  if (ec) throw StoreError("settings store: cannot create " + directory.string() + ": " + ec.message());
  FileLock lock(directory / kLockName);
  removeDeadTemporaries(store.file());
  std::string unused;
  Content content = load(store, true, unused);
  problem = content.problem;
  if (!change(content)) return false;
  if (!content.problem.empty()) {
    // Keep the damaged file as it was: the lines that could not be read are not thrown away.
    const std::string saved = store.file().string() + ".damaged-" + std::to_string(std::time(nullptr)) + "-" +
                              std::to_string(::getpid());
    replaceFile(saved, content.raw);
    problem += "; the damaged file was saved as " + saved;
  }
  replaceFile(store.file(), serialize(content));
  return true;
}

}  // namespace

void SettingsStore::set(std::string_view application, std::string_view section, std::string_view key,
                        std::string_view value) {
  checkName(application, "application");
  checkName(section, "section");
  if (key.empty()) throw StoreError("settings store: the key name is empty");
  const Levels levels = levelsOf(application, section);
  std::string problem;
  modify(
      *this, directory(),
      [&](Content& content) {
        Section& s = content.slot(levels);
        if (auto* kv = findValue(s, key)) {
          if (kv->second == value && content.problem.empty()) return false;
          kv->second = std::string(value);
        } else {
          s.values.emplace_back(std::string(key), std::string(value));
        }
        return true;
      },
      problem);
  noteProblem(problem);
}

bool SettingsStore::remove(std::string_view application, std::string_view section, std::string_view key) {
  const Levels levels = levelsOf(application, section);
  bool removed = false;
  std::string problem;
  if (!std::filesystem::exists(file())) return false;
  modify(
      *this, directory(),
      [&](Content& content) {
        Section* s = content.find(levels);
        if (s == nullptr) return false;
        for (auto it = s->values.begin(); it != s->values.end(); ++it) {
          if (equalsNoCase(it->first, key)) {
            s->values.erase(it);
            removed = true;
            return true;
          }
        }
        return false;
      },
      problem);
  noteProblem(problem);
  return removed;
}

bool SettingsStore::removeSection(std::string_view application, std::string_view section) {
  checkName(application, "application");
  const Levels levels = levelsOf(application, section);
  bool removed = false;
  std::string problem;
  if (!std::filesystem::exists(file())) return false;
  modify(
      *this, directory(),
      [&](Content& content) {
        std::erase_if(content.sections, [&](const Section& s) {
          const bool match = startsWithLevels(s.levels, levels);
          removed = removed || (match && !s.values.empty());
          return match;
        });
        return removed;
      },
      problem);
  noteProblem(problem);
  return removed;
}

}  // namespace profile
